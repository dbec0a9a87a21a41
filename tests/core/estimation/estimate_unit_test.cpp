#include "core/estimation/estimate_unit.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "tests/core/engine_test_support.h"
#include "tests/core/plain_ml_fit.h"

namespace tolven::test {
namespace {

using EstimateUnitTest = EngineTest;

// Everything the engine writes for the unit in slots 1..regionCount.
struct Snapshot {
    UnitResults results;
    std::vector<double> ratio, ebRatioME, ebRatioMLE;
};

Snapshot takeSnapshot(const RegionTable& regionTable, const UnitResults& unitResults) {
    Snapshot s{unitResults, {}, {}, {}};
    for (int i = 1; i <= regionTable.regionCount; ++i) {
        s.ratio.push_back(regionTable.ratio[i]);
        s.ebRatioME.push_back(regionTable.ebRatioME[i]);
        s.ebRatioMLE.push_back(regionTable.ebRatioMLE[i]);
    }
    return s;
}

void expectIdentical(const Snapshot& a, const Snapshot& b) {
    const UnitResults& x = a.results;
    const UnitResults& y = b.results;
    EXPECT_EQ(x.iterations, y.iterations);
    EXPECT_EQ(x.mleConverged, y.mleConverged);
    EXPECT_TRUE(sameBits(x.ratioMean, y.ratioMean));
    EXPECT_TRUE(sameBits(x.ratioVariance, y.ratioVariance));
    EXPECT_TRUE(sameBits(x.startAlpha, y.startAlpha));
    EXPECT_TRUE(sameBits(x.startBeta, y.startBeta));
    EXPECT_TRUE(sameBits(x.meAlpha, y.meAlpha));
    EXPECT_TRUE(sameBits(x.meBeta, y.meBeta));
    EXPECT_TRUE(sameBits(x.mleAlpha, y.mleAlpha)) << x.mleAlpha << " " << y.mleAlpha;
    EXPECT_TRUE(sameBits(x.mleBeta, y.mleBeta)) << x.mleBeta << " " << y.mleBeta;
    EXPECT_TRUE(sameBits(x.convergenceError[0], y.convergenceError[0]));
    EXPECT_TRUE(sameBits(x.convergenceError[1], y.convergenceError[1]));
    ASSERT_EQ(a.ratio.size(), b.ratio.size());
    for (std::size_t i = 0; i < a.ratio.size(); ++i) {
        EXPECT_TRUE(sameBits(a.ratio[i], b.ratio[i])) << "region " << i + 1;
        EXPECT_TRUE(sameBits(a.ebRatioME[i], b.ebRatioME[i])) << "region " << i + 1;
        EXPECT_TRUE(sameBits(a.ebRatioMLE[i], b.ebRatioMLE[i])) << "region " << i + 1;
    }
}

struct Unit {
    std::vector<int> observed;
    std::vector<double> expected;
};

// Counts up to a few thousand with extra-Poisson variation, every seventh one
// zero and every fifth a repeat of the one before it.
Unit generatedUnit(int regions, std::uint64_t seed) {
    std::mt19937_64 random(seed);
    const auto uniform = [&random](double low, double high) {
        return low + (high - low) * static_cast<double>(random() >> 11) * 0x1.0p-53;
    };
    Unit unit;
    for (int i = 0; i < regions; ++i) {
        const double expected = uniform(1.0, 3000.0);
        int observed = static_cast<int>(expected * uniform(0.5, 1.5));
        if (i % 7 == 3) observed = 0;
        if (i % 5 == 4) observed = unit.observed.back();
        unit.observed.push_back(observed);
        unit.expected.push_back(expected);
    }
    return unit;
}

struct IdentityCase {
    const char* name;
    Unit unit;
    int excludeZero;
    int maxIterations;
};

TEST_F(EstimateUnitTest, FitIsBitIdenticalToThePlainPerRegionSums) {
    const Unit example{EXAMPLE_OBSERVED, EXAMPLE_EXPECTED};
    const Unit flat{{0, 2, 4, 1, 3, 7, 2, 0, 5, 1},
                    {1.5, 2.0, 3.0, 1.0, 2.5, 4.0, 2.0, 0.8, 3.5, 1.2}};
    const Unit blocks{{63, 64, 65, 0, 127, 128, 129, 1, 64, 0, 300},
                      {60.0, 70.0, 50.0, 3.0, 100.0, 140.0, 150.0, 2.0, 40.0, 1.0, 250.0}};
    const IdentityCase cases[] = {
        {"example", example, 0, 20},
        {"example without zeros, repaired first update", example, 1, 20},
        {"example, non-positive last update", example, 1, 1},
        {"failing at the limit", flat, 0, 20},
        {"counts around the block length", blocks, 0, 20},
        {"generated", generatedUnit(300, 1), 0, 20},
        {"generated without zeros", generatedUnit(250, 2), 1, 20},
        {"one region", {{5}, {2.0}}, 0, 20},
    };
    for (const IdentityCase& c : cases) {
        SCOPED_TRACE(c.name);
        SetUp();
        runSettings.excludeZero = c.excludeZero;
        runSettings.maxIterations = c.maxIterations;
        loadUnit(c.unit.observed, c.unit.expected);
        plainEstimateUnit(regionTable, unitResults, runSettings);
        const Snapshot plain = takeSnapshot(regionTable, unitResults);
        estimateUnit();
        expectIdentical(takeSnapshot(regionTable, unitResults), plain);
    }
}

TEST_F(EstimateUnitTest, EarlierUnitsLeaveNoTrace) {
    loadExample();
    estimateUnit();
    const Snapshot fresh = takeSnapshot(regionTable, unitResults);

    SetUp();
    const Unit large = generatedUnit(400, 3);
    loadUnit(large.observed, large.expected);
    estimateUnit();
    loadUnit({0, 0, 0}, {1.0, 1.0, 1.0});
    runSettings.excludeZero = 1;
    estimateUnit();
    runSettings.excludeZero = 0;
    loadExample();
    estimateUnit();
    expectIdentical(takeSnapshot(regionTable, unitResults), fresh);
}

}  // namespace
}  // namespace tolven::test
