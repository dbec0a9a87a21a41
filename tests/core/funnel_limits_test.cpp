#include "core/funnel_limits.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace {

// The smallest k with P(Poisson(mean) <= k) >= q, by summing the probability
// mass term by term (p(k) = p(k - 1) * mean / k): independent of Boost.
// exp(-mean) must not underflow, so means stay well below 700.
int handQuantile(double mean, double q) {
    double term = std::exp(-mean);
    double cdf = term;
    int k = 0;
    while (cdf < q) {
        ++k;
        term *= mean / k;
        cdf += term;
    }
    return k;
}

struct LimitCase {
    std::string name;
    double pooledRatio;
    double expected;
    double q;
};

TEST(FunnelLimits, RatioLimitIsTheSmallestCountReachingTheTailOverExpected) {
    const LimitCase cases[] = {
        {"tiny mean, lower tail gives zero", 0.3, 1.0, 0.025},
        {"tiny mean, upper outer tail", 1.5, 0.2, 0.999},
        {"mean 10, lower inner (cdf(3) < q < cdf(4))", 1.0, 10.0, 0.025},
        {"mean 10, lower outer", 2.0, 5.0, 0.001},
        {"mean 10, upper inner", 0.5, 20.0, 0.975},
        {"mean 37.5, upper outer", 1.25, 30.0, 0.999},
        {"mean 200, both tails", 0.8, 250.0, 0.001},
        {"mean 200, upper", 0.8, 250.0, 0.999},
    };
    for (const LimitCase& c : cases) {
        SCOPED_TRACE(c.name);
        const double mean = c.pooledRatio * c.expected;
        const double expectedLimit = handQuantile(mean, c.q) / c.expected;
        EXPECT_NEAR(tolven::poissonRatioLimit(c.pooledRatio, c.expected, c.q), expectedLimit,
                    1e-12 * expectedLimit + 1e-15);
    }
}

TEST(FunnelLimits, DegenerateInputGivesZeroOrNaN) {
    EXPECT_EQ(tolven::poissonRatioLimit(0.0, 5.0, 0.999), 0.0);  // all counts are 0
    EXPECT_TRUE(std::isnan(tolven::poissonRatioLimit(-1.0, 5.0, 0.5)));
    EXPECT_TRUE(std::isnan(tolven::poissonRatioLimit(NAN, 5.0, 0.5)));
    EXPECT_TRUE(std::isnan(tolven::poissonRatioLimit(1.0, 0.0, 0.5)));
    EXPECT_TRUE(std::isnan(tolven::poissonRatioLimit(1.0, INFINITY, 0.5)));
    EXPECT_TRUE(std::isnan(tolven::poissonRatioLimit(1.0, 5.0, 0.0)));
    EXPECT_TRUE(std::isnan(tolven::poissonRatioLimit(1.0, 5.0, 1.0)));
}

TEST(FunnelLimits, GridIsLogSpacedOverTheWholeRangeWithFourLimitsEach) {
    const tolven::FunnelLimits limits = tolven::computeFunnelLimits(1.2, 0.05, 500.0, 5);
    ASSERT_EQ(limits.expected.size(), 5u);
    const double grid[] = {0.05, 0.5, 5.0, 50.0, 500.0};
    for (std::size_t i = 0; i < 5; ++i) {
        SCOPED_TRACE(i);
        EXPECT_NEAR(limits.expected[i], grid[i], 1e-12 * grid[i]);
        const double mean = 1.2 * limits.expected[i];
        EXPECT_DOUBLE_EQ(limits.lowerInner[i], handQuantile(mean, 0.025) / limits.expected[i]);
        EXPECT_DOUBLE_EQ(limits.upperInner[i], handQuantile(mean, 0.975) / limits.expected[i]);
        EXPECT_DOUBLE_EQ(limits.lowerOuter[i], handQuantile(mean, 0.001) / limits.expected[i]);
        EXPECT_DOUBLE_EQ(limits.upperOuter[i], handQuantile(mean, 0.999) / limits.expected[i]);
        // The funnel narrows around the pooled ratio as E grows.
        EXPECT_LE(limits.lowerOuter[i], limits.lowerInner[i]);
        EXPECT_LE(limits.upperInner[i], limits.upperOuter[i]);
    }
    EXPECT_EQ(limits.expected.front(), 0.05);
    EXPECT_EQ(limits.expected.back(), 500.0);
}

TEST(FunnelLimits, UnusableRangeGivesNoGrid) {
    EXPECT_TRUE(tolven::computeFunnelLimits(1.0, 0.0, 10.0).expected.empty());
    EXPECT_TRUE(tolven::computeFunnelLimits(1.0, 10.0, 1.0).expected.empty());
    EXPECT_TRUE(tolven::computeFunnelLimits(1.0, 1.0, INFINITY).expected.empty());
    EXPECT_TRUE(tolven::computeFunnelLimits(1.0, 1.0, 10.0, 0).expected.empty());
    EXPECT_EQ(tolven::computeFunnelLimits(1.0, 3.0, 3.0).expected.size(), 1u);
}

}  // namespace
