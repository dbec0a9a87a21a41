#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "core/run_settings.h"
#include "core/shared_data.h"

namespace tolven::test {

// Every engine test starts from the state of a fresh program with the
// default settings.
class EngineTest : public ::testing::Test {
protected:
    void SetUp() override {
        resetSharedData();
        setDefaultSettings(runSettings);
    }
};

// Loads one unit into slots 1..n of the region table, as the run does.
inline void loadUnit(const std::vector<int>& observed, const std::vector<double>& expected) {
    const int n = static_cast<int>(observed.size());
    regionTable.ensureSlots(n + 1);
    regionTable.regionCount = n;
    for (int i = 1; i <= n; ++i) {
        regionTable.observed[i] = observed[i - 1];
        regionTable.expected[i] = expected[i - 1];
    }
}

// The unit that the figures quoted for the engine were worked out on.
inline const std::vector<int> EXAMPLE_OBSERVED = {0, 1, 5, 12, 3, 0, 8, 2, 20, 4};
inline const std::vector<double> EXAMPLE_EXPECTED = {2.0, 3.0, 4.0, 5.0, 3.5,
                                                     1.5, 4.5, 2.5, 6.0, 3.0};

inline void loadExample() { loadUnit(EXAMPLE_OBSERVED, EXAMPLE_EXPECTED); }

// Bit for bit equality, so that NaN payloads, signed zeros and every last
// digit count.
inline bool sameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

}  // namespace tolven::test
