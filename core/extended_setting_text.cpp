#include "core/extended_setting_text.h"

#include <charconv>
#include <cmath>

#include "core/setting_text.h"

namespace tolven {

bool parseIntervalLevel(std::string_view text, double& value) {
    double level = 0.0;
    if (!parseRealSetting(text, level) || !(level < 100.0)) return false;
    value = level;
    return true;
}

bool parseThreshold(std::string_view text, double& value) { return parseRealSetting(text, value); }

std::string shortestFixedText(double value) {
    if (std::isnan(value)) return "nan";
    if (std::isinf(value)) return value < 0 ? "-inf" : "inf";
    // Fixed notation without a precision is the shortest form that reads back
    // as the same double. The largest double has 309 integer digits, the
    // smallest subnormal needs 1074 decimals after the point.
    char buffer[1100];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
    return std::string(buffer, result.ptr);
}

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
