#include "core/text/number_text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <limits>
#include <random>
#include <string>

namespace tolven {
namespace {

std::string fixed(double value) {
    std::string out;
    appendFixed(out, value);
    return out;
}

TEST(NumberTextTest, FixedPrintsSixDecimals) {
    const struct {
        double value;
        const char* text;
    } cases[] = {
        {0.0, "0.000000"},
        {-0.0, "-0.000000"},
        {0.00001, "0.000010"},
        {-1e-9, "-0.000000"},
        {1.5, "1.500000"},
        {133.33333333333334, "133.333333"},
        {800.0 / 7.0, "114.285714"},
        {-9999.0, "-9999.000000"},
        {1e20, "100000000000000000000.000000"},
        {std::numeric_limits<double>::quiet_NaN(), "nan"},
        {-std::numeric_limits<double>::quiet_NaN(), "nan"},
        {std::numeric_limits<double>::infinity(), "inf"},
        {-std::numeric_limits<double>::infinity(), "-inf"},
    };
    for (const auto& c : cases) EXPECT_EQ(fixed(c.value), c.text) << c.value;
    EXPECT_EQ(fixed(std::numeric_limits<double>::max()).size(), 309u + 7u);
}

TEST(NumberTextTest, FixedRoundsLikePrintf) {
    // printf("%f") in the C locale is the reference: both round the exact
    // binary value, ties included.
    std::mt19937_64 random(20260101);
    std::uniform_real_distribution<double> mantissa(-10.0, 10.0);
    std::uniform_int_distribution<int> exponent(-9, 12);
    for (int i = 0; i < 20000; ++i) {
        const double value = mantissa(random) * std::pow(10.0, exponent(random));
        char reference[400];
        std::snprintf(reference, sizeof reference, "%f", value);
        ASSERT_EQ(fixed(value), reference) << value;
        std::snprintf(reference, sizeof reference, "%.3f", value);
        ASSERT_EQ(fixedText(value, 3), reference) << value;
    }
    // Near-ties in decimal, exact binary ties (2^-7 has seven decimals ending
    // in 5), values around the largest that fit the fast path, and subnormals.
    for (const double tie : {0.0000005, 0.0000015, 0.0000025, 2.5e-6, 1.0000005, 0.1234565,
                             0.0078125, 0.0234375, -0.0078125, 1.0078125, 9.0e12, 9.3e12,
                             8999999999999.9999, 4.9e-324, -4.9e-324, 1e-7, 5e-7, 5.000001e-7}) {
        char reference[64];
        std::snprintf(reference, sizeof reference, "%f", tie);
        EXPECT_EQ(fixed(tie), reference);
    }
}

}  // namespace
}  // namespace tolven
