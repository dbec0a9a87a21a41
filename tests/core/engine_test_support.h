#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "core/estimation/eb_ratios.h"
#include "core/estimation/estimate_unit.h"
#include "core/estimation/ml_fit.h"
#include "core/estimation/ratio_statistics.h"
#include "core/model/region_table.h"
#include "core/model/run_settings.h"
#include "core/model/unit_results.h"
#include "core/numerics/digamma_sums.h"
#include "core/numerics/nb_log_likelihood.h"

namespace tolven::test {

// One unit's engine state, owned by the test: nothing is shared between
// tests or cases. The stages below take this state explicitly.
class EngineTest : public ::testing::Test {
protected:
    // Starts again from an empty table, empty results and the default
    // settings; the fit's scratch storage is kept, as it is from unit to unit.
    void SetUp() override {
        regionTable = RegionTable();
        unitResults = UnitResults();
        runSettings = RunSettings();
        setDefaultSettings(runSettings);
    }

    // Loads one unit into slots 1..n of the region table, as the run does.
    void loadUnit(const std::vector<int>& observed, const std::vector<double>& expected) {
        const int n = static_cast<int>(observed.size());
        regionTable.ensureSlots(n + 1);
        regionTable.regionCount = n;
        for (int i = 1; i <= n; ++i) {
            regionTable.observed[i] = observed[i - 1];
            regionTable.expected[i] = expected[i - 1];
        }
    }

    void loadExample();

    void computeRatioStatistics() {
        tolven::computeRatioStatistics(regionTable, unitResults, runSettings);
    }
    void fitMaximumLikelihood() {
        tolven::fitMaximumLikelihood(regionTable, runSettings, unitResults, sums);
    }
    void computeEbRatios() { tolven::computeEbRatios(regionTable, unitResults); }
    void estimateUnit() { tolven::estimateUnit(regionTable, unitResults, runSettings, sums); }

    RegionTable regionTable;
    UnitResults unitResults;
    RunSettings runSettings;
    DigammaSums sums;
};

// The ten-region unit on which the engine's worked figures are computed.
inline const std::vector<int> EXAMPLE_OBSERVED = {0, 1, 5, 12, 3, 0, 8, 2, 20, 4};
inline const std::vector<double> EXAMPLE_EXPECTED = {2.0, 3.0, 4.0, 5.0, 3.5,
                                                     1.5, 4.5, 2.5, 6.0, 3.0};

inline void EngineTest::loadExample() { loadUnit(EXAMPLE_OBSERVED, EXAMPLE_EXPECTED); }

// A unit as the fits and the likelihood take it: slot 0 holds no region.
struct Counts {
    std::vector<int> observed;
    std::vector<double> expected;

    Counts(const std::vector<int>& o, const std::vector<double>& e) : observed{-1}, expected{-1.0} {
        observed.insert(observed.end(), o.begin(), o.end());
        expected.insert(expected.end(), e.begin(), e.end());
    }
    int size() const { return static_cast<int>(observed.size()) - 1; }
    UnitCounts view() const { return {observed.data(), expected.data(), size()}; }
};

// Bit for bit equality, so that NaN payloads, signed zeros and every last
// digit count.
inline bool sameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

}  // namespace tolven::test
