#pragma once

#include <vector>

namespace tolven {

// The regions of the one unit being estimated, with their per-region results.
// Slots 1 to regionCount are valid; slot 0 and the slots above the count keep
// whatever was there before and are never read.
struct RegionTable {
    int regionCount = 0;
    std::vector<int> observed;       // Data1, 0 or more
    std::vector<double> expected;    // Data2, above 0
    std::vector<double> ratio;       // observed / expected
    std::vector<double> ebRatioME;   // empirical Bayes ratio, moment prior
    std::vector<double> ebRatioMLE;  // empirical Bayes ratio, ML prior, or NOT_AVAILABLE

    RegionTable();

    // Makes slots 1..count usable. Existing slots keep their values; the table
    // never shrinks.
    void ensureSlots(int count);
};

}  // namespace tolven
