#include "core/spatial/local_eb.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace tolven {
namespace {

constexpr double kRelative = 1e-13;

// A unit of five regions: a path 0 - 1 - 2 - 3 and the island 4.
constexpr int kRegions = 5;
const std::vector<int> kObserved = {3, 10, 4, 0, 7};
const std::vector<double> kExpected = {5.0, 6.5, 3.2, 2.0, 4.1};
const std::vector<std::pair<int, int>> kPairs = {{0, 1}, {1, 2}, {2, 3}};
constexpr bool kAdjacent[kRegions][kRegions] = {{false, true, false, false, false},
                                                {true, false, true, false, false},
                                                {false, true, false, true, false},
                                                {false, false, true, false, false},
                                                {false, false, false, false, false}};

// The estimate worked out from the adjacency matrix in long double.
struct Reference {
    long double mean;
    long double variance;
    long double estimate;
};
Reference referenceOf(int i) {
    long double sumO = 0, sumE = 0, members = 0;
    for (int j = 0; j < kRegions; ++j) {
        if (j != i && !kAdjacent[i][j]) continue;
        sumO += kObserved[j];
        sumE += kExpected[j];
        members += 1;
    }
    const long double m = sumO / sumE;
    long double squares = 0;
    for (int j = 0; j < kRegions; ++j) {
        if (j != i && !kAdjacent[i][j]) continue;
        const long double d = kObserved[j] / static_cast<long double>(kExpected[j]) - m;
        squares += kExpected[j] * d * d;
    }
    long double a = squares / sumE - m / (sumE / members);
    if (a < 0) a = 0;
    const long double r = kObserved[i] / static_cast<long double>(kExpected[i]);
    const long double estimate = a == 0 ? m : m + (r - m) * a / (a + m / kExpected[i]);
    return {m, a, estimate};
}

TEST(LocalEbTest, EstimatesMatchTheWindowFormulaWorkedOutIndependently) {
    const NeighbourList list(kRegions, kPairs);
    const std::vector<LocalEbEstimate> estimates = localEbEstimates(kObserved, kExpected, list);
    ASSERT_EQ(estimates.size(), static_cast<std::size_t>(kRegions));
    int pointPriors = 0;
    for (int i = 0; i < kRegions; ++i) {
        const Reference reference = referenceOf(i);
        const LocalEbEstimate& local = estimates[static_cast<std::size_t>(i)];
        EXPECT_NEAR(local.mean, static_cast<double>(reference.mean),
                    kRelative * static_cast<double>(reference.mean))
            << i;
        EXPECT_NEAR(local.variance, static_cast<double>(reference.variance),
                    kRelative * static_cast<double>(reference.variance) + 1e-300)
            << i;
        EXPECT_NEAR(local.estimate, static_cast<double>(reference.estimate),
                    kRelative * static_cast<double>(reference.estimate))
            << i;
        if (reference.variance == 0) ++pointPriors;
    }
    // The case data cover both branches: the island's window is itself, whose
    // variance -m/E is clamped, and windows with a real spread.
    EXPECT_EQ(estimates[4].variance, 0.0);
    EXPECT_EQ(estimates[4].estimate, 7 / 4.1);
    EXPECT_GT(pointPriors, 0);
    EXPECT_LT(pointPriors, kRegions);
}

TEST(LocalEbTest, PosteriorUsesTheGammaPriorWithTheWindowsMeanAndVariance) {
    const NeighbourList list(kRegions, kPairs);
    const std::vector<LocalEbEstimate> estimates = localEbEstimates(kObserved, kExpected, list);
    for (int i = 0; i < kRegions; ++i) {
        const Reference reference = referenceOf(i);
        const auto index = static_cast<std::size_t>(i);
        PosteriorSummary summary;
        const bool has = localEbPosterior(estimates[index], kObserved[index], kExpected[index],
                                          0.95, 1.0, summary);
        ASSERT_EQ(has, reference.variance > 0) << i;
        if (!has) continue;
        // Prior mean m and variance a: rate m / a, shape m^2 / a.
        const auto rate = static_cast<double>(reference.mean / reference.variance);
        const auto shape =
            static_cast<double>(reference.mean * reference.mean / reference.variance);
        const PosteriorSummary expected =
            summarizePosterior(rate, shape, kObserved[index], kExpected[index], 0.95, 1.0);
        EXPECT_NEAR(summary.lower, expected.lower, 1e-9 * expected.lower) << i;
        EXPECT_NEAR(summary.upper, expected.upper, 1e-9 * expected.upper) << i;
        EXPECT_NEAR(summary.exceedance, expected.exceedance, 1e-9) << i;
        EXPECT_LT(summary.lower, estimates[index].estimate);
        EXPECT_GT(summary.upper, estimates[index].estimate);
    }
}

TEST(LocalEbTest, AWindowWithoutCasesHasAPointPriorAtZero) {
    const std::vector<int> observed = {0, 0};
    const std::vector<double> expected = {1.5, 2.5};
    const std::vector<std::pair<int, int>> pairs = {{0, 1}};
    const auto estimates = localEbEstimates(observed, expected, NeighbourList(2, pairs));
    for (const LocalEbEstimate& local : estimates) {
        EXPECT_EQ(local.mean, 0.0);
        EXPECT_EQ(local.variance, 0.0);
        EXPECT_EQ(local.estimate, 0.0);
        PosteriorSummary summary;
        EXPECT_FALSE(localEbPosterior(local, 0, 1.5, 0.95, 1.0, summary));
    }
}

}  // namespace
}  // namespace tolven
