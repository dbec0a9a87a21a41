#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>

namespace tolven::test {

// Equal as results: the same number, or both NaN. Infinities are equal when
// their signs match (plain ==); +0 and -0 count as equal.
inline bool sameDouble(double a, double b) { return a == b || (std::isnan(a) && std::isnan(b)); }

inline ::testing::AssertionResult isSameDouble(const char* actualExpr, const char* expectedExpr,
                                               double actual, double expected) {
    if (sameDouble(actual, expected)) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << actualExpr << " is " << actual << ", expected " << expectedExpr << " = " << expected;
}

// The value as "%.6f" prints it: worked figures of six decimals are compared
// in this form.
inline std::string sixDecimals(double value) {
    char text[64];
    std::snprintf(text, sizeof text, "%.6f", value);
    return text;
}

}  // namespace tolven::test

// EXPECT_SAME_DOUBLE(actual, expected): equal, or both NaN.
#define EXPECT_SAME_DOUBLE(actual, expected) \
    EXPECT_PRED_FORMAT2(::tolven::test::isSameDouble, actual, expected)
