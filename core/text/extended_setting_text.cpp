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

std::optional<ExtendedSettingField> applyExtendedSettingTexts(const ExtendedSettingTexts& texts,
                                                              ExtendedSettings& settings) {
    if (texts.level && !parseIntervalLevel(*texts.level, settings.intervalLevel)) {
        return ExtendedSettingField::level;
    }
    if (texts.threshold && !parseThreshold(*texts.threshold, settings.threshold)) {
        return ExtendedSettingField::threshold;
    }
    return std::nullopt;
}

const char* extendedSettingMessage(ExtendedSettingField field) {
    return field == ExtendedSettingField::level ? LEVEL_MESSAGE : THRESHOLD_MESSAGE;
}

}  // namespace tolven
