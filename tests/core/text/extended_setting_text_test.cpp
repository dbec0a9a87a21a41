#include "core/text/extended_setting_text.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <limits>

#include "core/model/extended_settings.h"
#include "tests/core/text/parse_cases.h"

namespace tolven {
namespace {

using test::expectParses;

// The level and the threshold share the character and value checks of the
// real-valued settings (tested with those); these tables hold what differs
// and the edges of each range.
TEST(ExtendedSettingTextTest, LevelIsAboveZeroAndBelowHundred) {
    const std::vector<test::ParseCase<double>> cases = {
        {"95", true, 95.0},
        {"50", true, 50.0},
        {"99.9", true, 99.9},
        {"0.001", true, 0.001},
        {"99.999999", true, 99.999999},
        {"95 %", true, 95.0},
        {" 9.5e1", true, 95.0},
        {"100", false, 0},
        {"100.0", false, 0},
        {"150", false, 0},
        {"0", false, 0},
        {"", false, 0},
        {"95%", false, 0},
        {"-5", false, 0},
        {"９５", false, 0},
    };
    expectParses(parseIntervalLevel, cases);
}

TEST(ExtendedSettingTextTest, ThresholdIsAnyFiniteNumberAboveZero) {
    const std::vector<test::ParseCase<double>> cases = {
        {"100", true, 100.0},   {"150", true, 150.0}, {"112.5", true, 112.5}, {"0.5", true, 0.5},
        {"1000", true, 1000.0}, {"0", false, 0},      {"", false, 0},         {"1e2", false, 0},
        {" 1e999", false, 0},   {" -1", false, 0},
    };
    expectParses(parseThreshold, cases);
}

TEST(ExtendedSettingTextTest, ShortestFixedTextReadsBackAndNeverUsesAnExponent) {
    struct Case {
        double value;
        const char* text;
    };
    const Case cases[] = {
        {100.0, "100"},
        {150.0, "150"},
        {112.5, "112.5"},
        {0.1, "0.1"},
        {95.0, "95"},
        {99.9, "99.9"},
        {1e-7, "0.0000001"},
        {1e21, "1000000000000000000000"},
        {0.0, "0"},
        {-2.0, "-2"},
        {1.0 / 3.0, "0.3333333333333333"},
    };
    for (const Case& c : cases) EXPECT_EQ(shortestFixedText(c.value), c.text);
    // Round trip of the extremes, in the C locale's reading.
    for (const double v : {std::numeric_limits<double>::max(),
                           std::numeric_limits<double>::denorm_min(), 123.456789012345}) {
        const std::string text = shortestFixedText(v);
        EXPECT_EQ(text.find_first_of("eE"), std::string::npos);
        EXPECT_EQ(std::strtod(text.c_str(), nullptr), v);
    }
    EXPECT_EQ(shortestFixedText(std::numeric_limits<double>::quiet_NaN()), "nan");
    EXPECT_EQ(shortestFixedText(-std::numeric_limits<double>::infinity()), "-inf");
}

TEST(ExtendedSettingTextTest, FitModeNamesReadBack) {
    for (const FitMode mode : {FitMode::newton, FitMode::safeguarded}) {
        FitMode read = mode == FitMode::newton ? FitMode::safeguarded : FitMode::newton;
        EXPECT_TRUE(parseFitModeName(fitModeName(mode), read));
        EXPECT_EQ(read, mode);
    }
    for (const char* text : {"", "Newton", "safe", "newton ", "safeguarded\n"}) {
        FitMode read = FitMode::safeguarded;
        EXPECT_FALSE(parseFitModeName(text, read)) << '"' << text << '"';
        EXPECT_EQ(read, FitMode::safeguarded);
    }
}

TEST(ExtendedSettingTextTest, ResetRestoresEveryDefault) {
    ExtendedSettings settings{true, 50.0, 150.0, FitMode::safeguarded};
    setDefaultExtendedSettings(settings);
    EXPECT_FALSE(settings.posteriorOutput);
    EXPECT_EQ(settings.intervalLevel, 95.0);
    EXPECT_EQ(settings.threshold, 100.0);
    EXPECT_EQ(settings.fitMode, FitMode::newton);
}

}  // namespace
}  // namespace tolven
