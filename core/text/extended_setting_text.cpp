#include "core/text/extended_setting_text.h"

#include <charconv>
#include <cmath>

#include "core/text/setting_text.h"

namespace tolven {

bool parseIntervalLevel(std::string_view text, double& value) {
    double level = 0.0;
    if (!parseRealSetting(text, level) || !(level < 100.0)) return false;
    value = level;
    return true;
}

bool parseThreshold(std::string_view text, double& value) { return parseRealSetting(text, value); }

const char* fitModeName(FitMode mode) {
    return mode == FitMode::safeguarded ? "safeguarded" : "newton";
}

bool parseFitModeName(std::string_view text, FitMode& mode) {
    for (const FitMode candidate : {FitMode::newton, FitMode::safeguarded}) {
        if (text == fitModeName(candidate)) {
            mode = candidate;
            return true;
        }
    }
    return false;
}

}  // namespace tolven
