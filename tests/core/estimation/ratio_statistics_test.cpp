#include "core/estimation/ratio_statistics.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "tests/core/engine_test_support.h"
#include "tests/core/same_double.h"

namespace tolven::test {
namespace {

using RatioStatisticsTest = EngineTest;

TEST_F(RatioStatisticsTest, RatiosOfTheExampleAreTheSameInBothModes) {
    const std::vector<std::string> expected = {"0.000000", "0.333333", "1.250000", "2.400000",
                                               "0.857143", "0.000000", "1.777778", "0.800000",
                                               "3.333333", "1.333333"};
    for (int excludeZero : {0, 1}) {
        SCOPED_TRACE(excludeZero);
        runSettings.excludeZero = excludeZero;
        loadExample();
        computeRatioStatistics();
        for (int i = 1; i <= 10; ++i) EXPECT_EQ(sixDecimals(regionTable.ratio[i]), expected[i - 1]);
    }
}

struct MomentCase {
    int excludeZero;
    const char* mean;
    const char* variance;
    const char* alpha;
    const char* beta;
};

TEST_F(RatioStatisticsTest, MomentsOfTheExample) {
    const MomentCase cases[] = {
        {0, "1.208492", "0.733436", "1.647714", "1.991249"},
        {1, "1.510615", "0.529376", "2.853579", "4.310659"},
        // Any non-zero setting leaves the zeros out.
        {7, "1.510615", "0.529376", "2.853579", "4.310659"},
    };
    for (const MomentCase& c : cases) {
        SCOPED_TRACE(c.excludeZero);
        runSettings.excludeZero = c.excludeZero;
        loadExample();
        computeRatioStatistics();
        EXPECT_EQ(sixDecimals(unitResults.ratioMean), c.mean);
        EXPECT_EQ(sixDecimals(unitResults.ratioVariance), c.variance);
        EXPECT_EQ(sixDecimals(unitResults.meAlpha), c.alpha);
        EXPECT_EQ(sixDecimals(unitResults.meBeta), c.beta);
    }
}

TEST_F(RatioStatisticsTest, ExcludedZerosLeaveTheDivisorAndBothSums) {
    // Ratios 0, 2, 4. Without the zero: m = 3, A = 2, s2 = 2, B = 0.2 and
    // V = 2 - 0.2 * 3 / 2 = 1.7. Had the zero region's 1/E = 2 entered B, V
    // would have fallen back to s2.
    runSettings.excludeZero = 1;
    loadUnit({0, 20, 40}, {0.5, 10.0, 10.0});
    computeRatioStatistics();
    EXPECT_DOUBLE_EQ(unitResults.ratioMean, 3.0);
    EXPECT_DOUBLE_EQ(unitResults.ratioVariance, 1.7);
    EXPECT_DOUBLE_EQ(unitResults.meAlpha, 3.0 / 1.7);
    EXPECT_DOUBLE_EQ(unitResults.meBeta, 9.0 / 1.7);
}

TEST_F(RatioStatisticsTest, NegativeCorrectedVarianceFallsBackToTheSampleVariance) {
    // Ratios 1 and 2 with small expected counts: s2 = 0.5, and the Poisson
    // share 1.5 * (1 + 0.5) / 2 exceeds it.
    loadUnit({1, 4}, {1.0, 2.0});
    computeRatioStatistics();
    EXPECT_DOUBLE_EQ(unitResults.ratioMean, 1.5);
    EXPECT_DOUBLE_EQ(unitResults.ratioVariance, 0.5);
    EXPECT_DOUBLE_EQ(unitResults.meAlpha, 3.0);
    EXPECT_DOUBLE_EQ(unitResults.meBeta, 4.5);
}

struct DegenerateCase {
    const char* name;
    int excludeZero;
    std::vector<int> observed;
    std::vector<double> expected;
    double mean, variance, alpha, beta;
};

TEST_F(RatioStatisticsTest, DegenerateUnitsStoreIeeeResults) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const DegenerateCase cases[] = {
        {"one region", 0, {3}, {2.0}, 1.5, nan, nan, nan},
        {"one non-zero ratio without zeros", 1, {0, 3, 0}, {1.0, 2.0, 4.0}, 1.5, nan, nan, nan},
        {"all ratios equal and positive", 0, {2, 3}, {2.0, 3.0}, 1.0, 0.0, inf, inf},
        {"all ratios zero", 0, {0, 0, 0}, {1.0, 2.0, 3.0}, 0.0, 0.0, nan, nan},
        {"no non-zero ratio without zeros", 1, {0, 0}, {1.0, 2.0}, nan, nan, nan, nan},
    };
    for (const DegenerateCase& c : cases) {
        SCOPED_TRACE(c.name);
        runSettings.excludeZero = c.excludeZero;
        loadUnit(c.observed, c.expected);
        computeRatioStatistics();
        EXPECT_SAME_DOUBLE(unitResults.ratioMean, c.mean);
        EXPECT_SAME_DOUBLE(unitResults.ratioVariance, c.variance);
        EXPECT_SAME_DOUBLE(unitResults.meAlpha, c.alpha);
        EXPECT_SAME_DOUBLE(unitResults.meBeta, c.beta);
    }
}

TEST_F(RatioStatisticsTest, SlotsAboveTheUnitAreLeftAlone) {
    loadExample();
    regionTable.observed[11] = 1000;
    regionTable.expected[11] = 0.001;
    regionTable.ratio[11] = -1.5;
    computeRatioStatistics();
    EXPECT_EQ(regionTable.ratio[11], -1.5);
    EXPECT_EQ(sixDecimals(unitResults.ratioMean), "1.208492");
}

}  // namespace
}  // namespace tolven::test
