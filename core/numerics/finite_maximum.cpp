#include "core/numerics/finite_maximum.h"

#include <cmath>

namespace tolven {

double poissonLimitDispersionScore(const UnitCounts& unit) {
    double observedSum = 0.0;
    double expectedSum = 0.0;
    for (int i = 1; i <= unit.regionCount; ++i) {
        observedSum += static_cast<double>(unit.observed[i]);
        expectedSum += unit.expected[i];
    }
    const double mean = observedSum / expectedSum;
    double score = 0.0;
    for (int i = 1; i <= unit.regionCount; ++i) {
        const double o = static_cast<double>(unit.observed[i]);
        const double deviation = o - mean * unit.expected[i];
        score += deviation * deviation - o;
    }
    return 0.5 * score;
}

NoMaximumReason findNoMaximumReason(const UnitCounts& unit) {
    if (unit.regionCount < 1 || unit.observed == nullptr || unit.expected == nullptr) {
        return NoMaximumReason::invalidCounts;
    }
    bool anyCount = false;
    for (int i = 1; i <= unit.regionCount; ++i) {
        const double e = unit.expected[i];
        if (unit.observed[i] < 0 || !(e > 0.0) || !std::isfinite(e)) {
            return NoMaximumReason::invalidCounts;
        }
        anyCount = anyCount || unit.observed[i] > 0;
    }
    if (!anyCount) return NoMaximumReason::allCountsZero;
    // A score of exactly 0 is no evidence of overdispersion either.
    if (!(poissonLimitDispersionScore(unit) > 0.0)) return NoMaximumReason::noOverdispersion;
    return NoMaximumReason::none;
}

}  // namespace tolven
