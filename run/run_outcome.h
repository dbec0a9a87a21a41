#pragma once

#include <cmath>
#include <cstddef>
#include <string>
#include <vector>

namespace tolven {

// What is kept of the last successful run for the plots: a few numbers per
// region and unit, exactly the values the result table prints (before the
// table's multiplication by 100). Plain data; the run fills it, the plots read
// it. Missing values follow the table: NOT_AVAILABLE (core/not_available.h) where
// the table prints "***", NaN where a posterior value has no prior.

// One region of the last successful run, as the result table shows it.
struct RegionOutcome {
    std::string code;
    int observed = 0;
    double expected = 0.0;
    double ratio = 0.0;       // observed / expected
    double ebRatioME = 0.0;   // NOT_AVAILABLE when missing (one-region unit)
    double ebRatioMLE = 0.0;  // NOT_AVAILABLE when the unit's fit failed
    // Posterior summaries (only when posteriorOutput; NaN where that prior is missing):
    double lowerME = NAN, upperME = NAN, exceedanceME = NAN;
    double lowerMLE = NAN, upperMLE = NAN, exceedanceMLE = NAN;
    // The local estimate (only when localEb; NaN where the table prints "***"),
    // and its exceedance probability with the posterior output.
    double ebLocal = NAN, exceedanceLocal = NAN;
};

struct UnitOutcome {
    int unitNumber = 0;                    // -1 in whole-file mode
    std::size_t firstRegion = 0;           // index into RunOutcome::regions
    std::size_t regionCount = 0;           // regions of the unit, in file order
    double meAlpha = 0.0, meBeta = 0.0;    // moment prior (NaN/inf possible for degenerate units)
    double mleAlpha = 0.0, mleBeta = 0.0;  // NOT_AVAILABLE when the fit failed
};

struct RunOutcome {
    std::vector<UnitOutcome> units;      // ascending unit number
    std::vector<RegionOutcome> regions;  // grouped by unit
    bool wholeFile = false;
    bool excludeZero = false;
    bool posteriorOutput = false;
    bool localEb = false;         // the run made the local empirical Bayes estimates
    double intervalLevel = 95.0;  // percent
    double threshold = 100.0;     // percent
};

}  // namespace tolven
