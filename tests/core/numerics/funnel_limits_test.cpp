#include "core/numerics/funnel_limits.h"

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

struct SideCase {
    std::string name;
    double pooledRatio;
    double expected;
    double observed;
    tolven::FunnelSide side;
};

// The rule against the hand-summed quantiles: strictly beyond a limit count
// is outside, the limit count itself is inside. Mean 10 has its 95% count
// limits at 4 and 17.
TEST(FunnelLimits, SideIsStrictlyBeyondTheCountLimits) {
    using tolven::FunnelSide;
    ASSERT_EQ(handQuantile(10.0, 0.025), 4);
    ASSERT_EQ(handQuantile(10.0, 0.975), 17);
    const SideCase cases[] = {
        {"at the lower limit", 1.0, 10.0, 4.0, FunnelSide::Inside},
        {"one below the lower limit", 1.0, 10.0, 3.0, FunnelSide::Below},
        {"at the upper limit", 2.0, 5.0, 17.0, FunnelSide::Inside},
        {"one above the upper limit", 2.0, 5.0, 18.0, FunnelSide::Above},
        {"pooled ratio 0: any count is above", 0.0, 5.0, 1.0, FunnelSide::Above},
        {"pooled ratio 0, count 0", 0.0, 5.0, 0.0, FunnelSide::Inside},
        {"no expected count: never singled out", 1.0, 0.0, 50.0, FunnelSide::Inside},
        {"NaN pooled ratio", NAN, 5.0, 50.0, FunnelSide::Inside},
        {"NaN count", 1.0, 5.0, NAN, FunnelSide::Inside},
    };
    for (const SideCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(tolven::funnelSide(c.pooledRatio, c.expected, c.observed), c.side);
    }
    // The outer limits are wider: 18 at mean 10 is inside them.
    EXPECT_EQ(tolven::funnelSide(1.0, 10.0, 18.0, tolven::FUNNEL_OUTER_COVERAGE),
              FunnelSide::Inside);
}

TEST(FunnelLimits, DeviationOrdersByPearsonResidual) {
    EXPECT_DOUBLE_EQ(tolven::funnelDeviation(1.0, 4.0, 10.0), 3.0);
    EXPECT_DOUBLE_EQ(tolven::funnelDeviation(2.0, 2.0, 0.0), 2.0);
    EXPECT_EQ(tolven::funnelDeviation(0.0, 5.0, 0.0), 0.0);
    EXPECT_TRUE(std::isinf(tolven::funnelDeviation(0.0, 5.0, 1.0)));
    EXPECT_TRUE(std::isnan(tolven::funnelDeviation(1.0, -1.0, 1.0)));
    // One region at 100 times the pooled ratio with E = 1 strays further
    // than one at twice it with E = 100.
    EXPECT_GT(tolven::funnelDeviation(1.0, 1.0, 100.0), tolven::funnelDeviation(1.0, 100.0, 200.0));
}

}  // namespace
