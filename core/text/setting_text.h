#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "core/model/run_settings.h"

namespace tolven {

// The text forms of the five estimation settings, shared by the settings dialog
// and the batch command. Every conversion here is independent of the C locale:
// the point is always the decimal separator, whatever setlocale chose.

// "%f" of epsilon: fixed, six decimals (the default 0.00001 shows as 0.000010).
std::string formatEpsilon(double value);
// "%d" of the iteration limit.
std::string formatMaxIterations(int value);
// "auto" when the value is exactly AUTO_START (the fit picks its own start), else
// "%.3f" of the value.
std::string formatInitialValue(double value);

// Checks the text of a real-valued setting (epsilon, an initial value):
// - character check: the characters up to the first space (or the end) must all
//   be digits or "."; an empty text and a text that begins with a space pass;
// - value check: converted as atof converts (leading white space skipped,
//   optional sign, the longest leading decimal number with an optional
//   exponent, the rest ignored, 0 when there is no number); the value must be
//   above 0, finite and not NaN (a number too large for a double is refused).
// Returns true and sets `value` when accepted; leaves `value` alone otherwise.
// Hexadecimal numbers are not recognised (" 0x10" counts as 0).
bool parseRealSetting(std::string_view text, double& value);

// Checks the text of the iteration limit: digits only up to the first space,
// then converted as atoi converts; the value must be 1 or more and fit a 32-bit
// int. Returns true and sets `value` when accepted; leaves it alone otherwise.
bool parseCountSetting(std::string_view text, int& value);

// True when the text is exactly "auto", byte for byte.
bool isAutoText(std::string_view text);

// Checks the text of an initial value: exactly "auto" gives AUTO_START (the
// fit starts from the moment estimate), anything else must pass
// parseRealSetting. Returns true and sets `value` when accepted.
bool parseInitialValueSetting(std::string_view text, double& value);

// The refusal messages, one per field.
inline constexpr const char* EPSILON_MESSAGE =
    "ERROR!! : 収束判定値\n0より大きい実数を入力して下さい";
inline constexpr const char* MAX_ITERATIONS_MESSAGE =
    "ERROR!! : 最大反復回数\n自然数を入力して下さい";
inline constexpr const char* INITIAL_ALPHA_MESSAGE =
    "ERROR!! : 初期値 α\n0より大きい実数を入力して下さい";
inline constexpr const char* INITIAL_BETA_MESSAGE =
    "ERROR!! : 初期値 β\n0より大きい実数を入力して下さい";

// The checked fields of the settings dialog, in the order they are checked.
enum class SettingField { epsilon, maxIterations, initialAlpha, initialBeta };

// The texts of those fields. One left out is not checked and its setting keeps
// its value (an option the batch command was not given).
struct SettingTexts {
    std::optional<std::string_view> epsilon;
    std::optional<std::string_view> maxIterations;
    std::optional<std::string_view> initialAlpha;
    std::optional<std::string_view> initialBeta;
};

// Checks the texts given, in the order of SettingField, and sets each accepted
// value in `settings`; stops at the first refused text. Returns that field
// (the settings before it are already set), or nothing when every text passed.
// The settings dialog and the batch command both check through here, so they
// refuse the same texts in the same order with the same message.
std::optional<SettingField> applySettingTexts(const SettingTexts& texts, RunSettings& settings);

// The message of a refused field.
const char* settingMessage(SettingField field);

}  // namespace tolven
