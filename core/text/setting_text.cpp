#include "core/text/setting_text.h"

#include <charconv>
#include <cmath>
#include <system_error>

#include "core/text/characters.h"
#include "core/text/number_text.h"

namespace tolven {
namespace {

// The characters up to the first space must all pass `allowed`.
template <typename Allowed>
bool passesCharacterCheck(std::string_view text, Allowed allowed) {
    for (const char c : text) {
        if (c == ' ') break;
        if (!allowed(c)) return false;
    }
    return true;
}

// Skips leading white space and one optional sign, as atof and atoi do.
// Returns the rest; `negative` tells the sign.
std::string_view skipSpaceAndSign(std::string_view text, bool& negative) {
    std::size_t i = 0;
    while (i < text.size() && isBlank(text[i])) ++i;
    negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    return text.substr(i);
}

}  // namespace

std::string formatEpsilon(double value) { return fixedText(value, 6); }

std::string formatMaxIterations(int value) {
    char buffer[16];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

std::string formatInitialValue(double value) {
    if (value == AUTO_START) return "auto";
    return fixedText(value, 3);
}

bool parseRealSetting(std::string_view text, double& value) {
    if (!passesCharacterCheck(text, [](char c) { return isDigit(c) || c == '.'; })) return false;
    bool negative = false;
    const std::string_view rest = skipSpaceAndSign(text, negative);
    // atof reads no second sign, while from_chars would take a "-" here.
    // atof's spellings "inf" and "nan" need no case of their own: their values
    // are refused below like any other non-finite value.
    double converted = 0.0;
    if (!rest.empty() && rest.front() != '+' && rest.front() != '-') {
        const auto result = std::from_chars(rest.data(), rest.data() + rest.size(), converted,
                                            std::chars_format::general);
        // Too large for a double: refused. Too small: atof gives 0, refused too.
        if (result.ec == std::errc::result_out_of_range) return false;
        if (result.ec != std::errc()) converted = 0.0;
    }
    if (negative) converted = -converted;
    if (!std::isfinite(converted) || !(converted > 0.0)) return false;
    value = converted;
    return true;
}

bool parseCountSetting(std::string_view text, int& value) {
    if (!passesCharacterCheck(text, isDigit)) return false;
    bool negative = false;
    const std::string_view rest = skipSpaceAndSign(text, negative);
    int converted = 0;
    if (!rest.empty() && isDigit(rest.front())) {
        const auto result = std::from_chars(rest.data(), rest.data() + rest.size(), converted);
        // Beyond 32 bits: refused, whatever the sign (a negative count is refused anyway).
        if (result.ec == std::errc::result_out_of_range) return false;
    }
    if (negative) converted = -converted;
    if (converted < 1) return false;
    value = converted;
    return true;
}

bool isAutoText(std::string_view text) { return text == "auto"; }

bool parseInitialValueSetting(std::string_view text, double& value) {
    if (isAutoText(text)) {
        value = AUTO_START;
        return true;
    }
    return parseRealSetting(text, value);
}

std::optional<SettingField> applySettingTexts(const SettingTexts& texts, RunSettings& settings) {
    if (texts.epsilon && !parseRealSetting(*texts.epsilon, settings.epsilon)) {
        return SettingField::epsilon;
    }
    if (texts.maxIterations && !parseCountSetting(*texts.maxIterations, settings.maxIterations)) {
        return SettingField::maxIterations;
    }
    if (texts.initialAlpha &&
        !parseInitialValueSetting(*texts.initialAlpha, settings.initialAlpha)) {
        return SettingField::initialAlpha;
    }
    if (texts.initialBeta && !parseInitialValueSetting(*texts.initialBeta, settings.initialBeta)) {
        return SettingField::initialBeta;
    }
    return std::nullopt;
}

const char* settingMessage(SettingField field) {
    switch (field) {
        case SettingField::epsilon:
            return EPSILON_MESSAGE;
        case SettingField::maxIterations:
            return MAX_ITERATIONS_MESSAGE;
        case SettingField::initialAlpha:
            return INITIAL_ALPHA_MESSAGE;
        case SettingField::initialBeta:
            return INITIAL_BETA_MESSAGE;
    }
    return "";
}

}  // namespace tolven
