#include "core/numerics/digamma_sums.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <vector>

#include "tests/core/engine_test_support.h"

namespace tolven::test {
namespace {

struct PlainSums {
    double t = 0.0;
    double u = 0.0;
};

PlainSums plainSums(int count, double beta) {
    PlainSums sums;
    for (std::int64_t j = 0; j < count; ++j) {
        const double x = beta + static_cast<double>(j);
        sums.t += 1.0 / x;
        sums.u += 1.0 / (x * x);
    }
    return sums;
}

void expectPlainSums(const std::vector<int>& counts) {
    // Slot 0 holds no region and must not be read.
    std::vector<int> observed = {-77};
    observed.insert(observed.end(), counts.begin(), counts.end());
    DigammaSums sums;
    sums.prepare(observed.data(), static_cast<int>(counts.size()));
    for (double beta :
         {0.1, 1.5, 2.472747, 1.0e6, 0.0, -0.5, std::numeric_limits<double>::quiet_NaN()}) {
        SCOPED_TRACE(beta);
        sums.evaluate(beta);
        for (int i = 1; i <= static_cast<int>(counts.size()); ++i) {
            SCOPED_TRACE(counts[i - 1]);
            const PlainSums plain = plainSums(counts[i - 1], beta);
            EXPECT_TRUE(sameBits(sums.digammaDifference(i), plain.t));
            EXPECT_TRUE(sameBits(sums.trigammaDifference(i), plain.u));
        }
    }
}

TEST(DigammaSumsTest, EveryRegionGetsThePlainSumBitForBit) {
    // Repeated counts, zeros, a negative count (an empty sum), and counts on
    // either side of the block boundaries of the walk.
    expectPlainSums({0, 65, 64, 64, -3, 1, 200, 63, 129, 0, 128, 127, 1000, 5, 5});
}

TEST(DigammaSumsTest, OnlyZeroCounts) { expectPlainSums({0, 0, 0}); }

TEST(DigammaSumsTest, SmallerUnitAfterLargerOneReusesTheStorage) {
    std::vector<int> large = {0};
    for (int i = 0; i < 500; ++i) large.push_back((i * 37) % 900);
    DigammaSums sums;
    sums.prepare(large.data(), 500);
    sums.evaluate(2.0);

    const std::vector<int> small = {0, 7, 3};
    sums.prepare(small.data(), 2);
    sums.evaluate(2.0);
    EXPECT_TRUE(sameBits(sums.digammaDifference(1), plainSums(7, 2.0).t));
    EXPECT_TRUE(sameBits(sums.trigammaDifference(2), plainSums(3, 2.0).u));
}

}  // namespace
}  // namespace tolven::test
