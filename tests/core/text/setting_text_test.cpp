#include "core/text/setting_text.h"

#include <gtest/gtest.h>

#include "tests/core/text/parse_cases.h"

namespace tolven {
namespace {

using test::expectParses;

// Taken values are the same doubles that strtod gives (correct rounding).
TEST(SettingTextTest, RealTextsFollowTheCharacterAndValueChecks) {
    const std::vector<test::ParseCase<double>> cases = {
        {"0.00001", true, 0.00001},
        {"0.1", true, 0.1},
        {"0.000010", true, 0.00001},
        {"12", true, 12.0},
        {".5", true, 0.5},
        {"5.", true, 5.0},
        {"1.2.3", true, 1.2},      // the longest leading number
        {"12 abc", true, 12.0},    // nothing after the first blank is checked
        {" 1e-5", true, 0.00001},  // a leading blank skips the character check
        {" +2.5", true, 2.5},
        {"\t", false, 0},    // a tab is no blank for the character check
        {"1e-5", false, 0},  // "e" fails the character check
        {"-3", false, 0},
        {" -3", false, 0},  // passes the characters, fails the value
        {"0", false, 0},
        {"0.0", false, 0},
        {".", false, 0},
        {"", false, 0},
        {" ", false, 0},
        {" abc", false, 0},
        {" --3", false, 0},  // atof reads no second sign
        {"auto", false, 0},
        {"Auto", false, 0},
        {"1,5", false, 0},
        {" 1e999", false, 0},   // too large for a double
        {" 1e-999", false, 0},  // atof gives 0
        {" inf", false, 0},
        {" nan", false, 0},
        {" 0x10", false, 0},  // no hexadecimal: reads as 0
    };
    expectParses(parseRealSetting, cases);
}

TEST(SettingTextTest, CountTextsAreNaturalNumbers) {
    const std::vector<test::ParseCase<int>> cases = {
        {"20", true, 20},
        {"1", true, 1},
        {"007", true, 7},
        {"12 abc", true, 12},
        {" +5", true, 5},
        {"2147483647", true, 2147483647},
        {"20.5", false, 0},
        {"-3", false, 0},
        {" -3", false, 0},
        {"0", false, 0},
        {"", false, 0},
        {" x", false, 0},
        {"2147483648", false, 0},  // beyond 32 bits
        {"99999999999999999999", false, 0},
        {" -2147483648", false, 0},
    };
    expectParses(parseCountSetting, cases);
}

TEST(SettingTextTest, FormatsShowTheDialogTexts) {
    EXPECT_EQ(formatEpsilon(0.00001), "0.000010");
    EXPECT_EQ(formatEpsilon(0.0000001), "0.000000");
    EXPECT_EQ(formatEpsilon(1e300).size(), 301u + 7u);
    EXPECT_EQ(formatMaxIterations(20), "20");
    EXPECT_EQ(formatMaxIterations(-7), "-7");
    EXPECT_EQ(formatInitialValue(-1.0), "auto");
    EXPECT_EQ(formatInitialValue(1.23456), "1.235");
    EXPECT_EQ(formatInitialValue(-1.0000001), "-1.000");
    EXPECT_EQ(formatInitialValue(0.0), "0.000");
}

TEST(SettingTextTest, AutoIsExact) {
    EXPECT_TRUE(isAutoText("auto"));
    EXPECT_FALSE(isAutoText("Auto"));
    EXPECT_FALSE(isAutoText("auto "));
    EXPECT_FALSE(isAutoText(" auto"));
    EXPECT_FALSE(isAutoText(""));
}

}  // namespace
}  // namespace tolven
