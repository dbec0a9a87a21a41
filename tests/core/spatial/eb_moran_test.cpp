#include "core/spatial/eb_moran.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numeric>
#include <random>
#include <vector>

#include "core/spatial/permutation.h"

namespace tolven {
namespace {

// Six regions: a ring 0-1-2-3-4 with the chord 0-2, and the island 5.
constexpr int kRegions = 6;
const std::vector<int> kObserved = {12, 9, 15, 2, 3, 6};
const std::vector<double> kExpected = {6.0, 5.5, 7.25, 4.0, 5.0, 6.5};
const std::vector<std::pair<int, int>> kPairs = {{0, 1}, {1, 2}, {2, 3}, {3, 4}, {4, 0}, {0, 2}};

// I worked out in long double from a dense weight matrix over all pairs.
long double referenceStatistic() {
    bool adjacent[kRegions][kRegions] = {};
    for (const auto& [a, b] : kPairs) adjacent[a][b] = adjacent[b][a] = true;
    long double sumO = 0, sumE = 0;
    for (int i = 0; i < kRegions; ++i) {
        sumO += kObserved[i];
        sumE += kExpected[i];
    }
    const long double b = sumO / sumE;
    long double s2 = 0;
    for (int i = 0; i < kRegions; ++i) {
        const long double d = kObserved[i] / static_cast<long double>(kExpected[i]) - b;
        s2 += kExpected[i] * d * d;
    }
    s2 /= sumE;
    long double a = s2 - b / (sumE / kRegions);
    if (a < 0) a = 0;
    long double z[kRegions];
    long double meanZ = 0;
    for (int i = 0; i < kRegions; ++i) {
        z[i] = (kObserved[i] / static_cast<long double>(kExpected[i]) - b) /
               std::sqrt(a + b / kExpected[i]);
        meanZ += z[i] / kRegions;
    }
    long double cross = 0, squares = 0, s0 = 0;
    for (int i = 0; i < kRegions; ++i) {
        int k = 0;
        for (int j = 0; j < kRegions; ++j) k += adjacent[i][j];
        squares += (z[i] - meanZ) * (z[i] - meanZ);
        for (int j = 0; j < kRegions; ++j) {
            if (!adjacent[i][j]) continue;
            const long double w = 1.0L / k;
            s0 += w;
            cross += w * (z[i] - meanZ) * (z[j] - meanZ);
        }
    }
    return kRegions / s0 * cross / squares;
}

TEST(EbMoranTest, StatisticMatchesADenseComputationOverAllPairs) {
    const EbMoranResult result =
        ebMoran(kObserved, kExpected, NeighbourList(kRegions, kPairs), 99, 1);
    ASSERT_TRUE(result.available);
    const auto reference = static_cast<double>(referenceStatistic());
    EXPECT_NEAR(result.statistic, reference, 1e-13 * std::fabs(reference));
}

TEST(EbMoranTest, PermutationPValueIsFixedForItsSeed) {
    // Any change of generator, bounded draw or shuffle moves these figures.
    const NeighbourList list(kRegions, kPairs);
    EXPECT_EQ(ebMoran(kObserved, kExpected, list, 999, 7).pValue, 0.127);
    EXPECT_EQ(ebMoran(kObserved, kExpected, list, 99, 2).pValue, 0.11);
    const EbMoranResult again = ebMoran(kObserved, kExpected, list, 999, 7);
    EXPECT_EQ(again.pValue, ebMoran(kObserved, kExpected, list, 999, 7).pValue);
    // k of N permutations at least as large gives (k + 1) / (N + 1).
    const double one = ebMoran(kObserved, kExpected, list, 1, 7).pValue;
    EXPECT_TRUE(one == 0.5 || one == 1.0) << one;
}

TEST(EbMoranTest, ShuffleAndBoundedDrawAreFixedForASeed) {
    std::mt19937_64 generator(1);
    std::vector<double> values(10);
    std::iota(values.begin(), values.end(), 0.0);
    shuffleValues(values, generator);
    EXPECT_EQ(values, (std::vector<double>{1, 7, 3, 9, 4, 0, 5, 2, 6, 8}));

    std::mt19937_64 draws(42);
    std::vector<std::uint64_t> seen;
    for (int k = 0; k < 6; ++k) seen.push_back(uniformBelow(draws, 7));
    EXPECT_EQ(seen, (std::vector<std::uint64_t>{6, 3, 5, 4, 6, 6}));
    // A range near 2^64 rejects about half the raw draws and still stays below it.
    const std::uint64_t big = (std::uint64_t{1} << 63) + 1;
    for (int k = 0; k < 100; ++k) EXPECT_LT(uniformBelow(draws, big), big);
    EXPECT_EQ(uniformBelow(draws, 1), 0u);
}

TEST(EbMoranTest, UnitsWithoutAStatisticAreNotAvailable) {
    struct Case {
        const char* name;
        std::vector<int> observed;
        std::vector<double> expected;
        std::vector<std::pair<int, int>> pairs;
    };
    const Case cases[] = {
        {"two regions", {1, 5}, {2.0, 2.0}, {{0, 1}}},
        {"every region an island", {1, 5, 3}, {2.0, 2.0, 2.0}, {}},
        {"no cases at all", {0, 0, 0}, {2.0, 3.0, 4.0}, {{0, 1}, {1, 2}}},
        {"every z equal", {2, 4, 6}, {1.0, 2.0, 3.0}, {{0, 1}, {1, 2}}},
    };
    for (const Case& c : cases) {
        const EbMoranResult result =
            ebMoran(c.observed, c.expected, NeighbourList(c.observed.size(), c.pairs), 99, 1);
        EXPECT_FALSE(result.available) << c.name;
    }
}

}  // namespace
}  // namespace tolven
