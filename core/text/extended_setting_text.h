#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "core/model/extended_settings.h"
#include "core/text/number_text.h"

namespace tolven {

// The text forms of the extended settings, shared by the extended settings
// dialog and the batch command. Independent of the C locale, like the text
// forms of the estimation settings (core/setting_text.h).

// Checks the interval level in percent. The text passes the same character
// and value checks as a real-valued estimation setting (parseRealSetting:
// digits and "." up to the first space, converted as atof converts, above 0
// and finite), and the value must also be below 100. Returns true and sets
// `value` when accepted; leaves `value` alone otherwise.
bool parseIntervalLevel(std::string_view text, double& value);

// Checks the exceedance threshold in percent: the checks of parseRealSetting
// (above 0 and finite). Returns true and sets `value` when accepted; leaves
// `value` alone otherwise.
bool parseThreshold(std::string_view text, double& value);

// The batch command's names of the fit modes, "newton" and "safeguarded".
const char* fitModeName(FitMode mode);
// Reads a fit mode's name, exactly as fitModeName writes it. Returns true and
// sets `mode` when the name is known; leaves `mode` alone otherwise.
bool parseFitModeName(std::string_view text, FitMode& mode);

// The refusal messages of the two number fields.
inline constexpr const char* LEVEL_MESSAGE =
    "ERROR!! : 信用区間の水準(%)\n0より大きく100より小さい実数を入力して下さい";
inline constexpr const char* THRESHOLD_MESSAGE =
    "ERROR!! : 閾値(%)\n0より大きい実数を入力して下さい";

// The checked number fields of the extended settings dialog, in the order
// they are checked.
enum class ExtendedSettingField { level, threshold };

// The texts of those fields; one left out is not checked.
struct ExtendedSettingTexts {
    std::optional<std::string_view> level;
    std::optional<std::string_view> threshold;
};

// Checks the texts given, in the order of ExtendedSettingField, and sets each
// accepted value in `settings`; stops at the first refused text and returns
// its field, or nothing when every text passed. Shared by the dialog and the
// batch command.
std::optional<ExtendedSettingField> applyExtendedSettingTexts(const ExtendedSettingTexts& texts,
                                                              ExtendedSettings& settings);

// The message of a refused field.
const char* extendedSettingMessage(ExtendedSettingField field);

}  // namespace tolven
