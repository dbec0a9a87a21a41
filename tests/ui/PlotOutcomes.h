#pragma once

#include <cstddef>
#include <string>

#include "core/model/not_available.h"
#include "run/run_outcome.h"

// Run outcomes for the plot tests: one unit of each kind the plots treat
// apart. Values follow the model (EB ratio (O + beta) / (alpha + E)); the
// posterior summaries are only shaped like real ones (lower < EB < upper),
// since the plots draw them as given.
namespace plot_outcomes {

// Unit 1: 10 regions with posterior summaries, regions 4 and 9 above the
// threshold. Unit 2: one region (both EB ratios ***). Unit 5: 12 regions
// whose fit failed (EB-Ratio(MLE) ***). Unit 8: `manyRegions` regions.
inline constexpr int SMALL_UNIT = 1, ONE_REGION_UNIT = 2, FAILED_FIT_UNIT = 5, LARGE_UNIT = 8;
inline constexpr std::size_t SMALL_REGIONS = 10, FAILED_FIT_REGIONS = 12;

inline tolven::RegionOutcome region(const std::string& code, int observed, double expected,
                                    double alpha, double beta) {
    tolven::RegionOutcome r;
    r.code = code;
    r.observed = observed;
    r.expected = expected;
    r.ratio = observed / expected;
    r.ebRatioME = (observed + beta * 0.9) / (alpha * 0.9 + expected);
    r.ebRatioMLE = (observed + beta) / (alpha + expected);
    return r;
}

inline void addUnit(tolven::RunOutcome& outcome, int number, std::size_t count, bool fitFailed,
                    bool posterior) {
    const double alpha = 2.0, beta = 2.4;
    tolven::UnitOutcome unit;
    unit.unitNumber = number;
    unit.firstRegion = outcome.regions.size();
    unit.regionCount = count;
    unit.meAlpha = count == 1 ? tolven::NOT_AVAILABLE : alpha * 0.9;
    unit.meBeta = count == 1 ? tolven::NOT_AVAILABLE : beta * 0.9;
    unit.mleAlpha = fitFailed || count == 1 ? tolven::NOT_AVAILABLE : alpha;
    unit.mleBeta = fitFailed || count == 1 ? tolven::NOT_AVAILABLE : beta;
    for (std::size_t i = 0; i < count; ++i) {
        // Spread expected counts over three decades and ratios around 1.2.
        const double expected = 0.5 + static_cast<double>((i * 7919) % 1000) / 2.0;
        const int observed =
            static_cast<int>(expected * (0.4 + static_cast<double>((i * 31) % 17) / 10.0));
        tolven::RegionOutcome r = region("R" + std::to_string(number) + "-" + std::to_string(i + 1),
                                         observed, expected, alpha, beta);
        if (count == 1) r.ebRatioME = tolven::NOT_AVAILABLE;
        if (count == 1 || fitFailed) r.ebRatioMLE = tolven::NOT_AVAILABLE;
        if (posterior && count > 1) {
            r.lowerME = r.ebRatioME * 0.7;
            r.upperME = r.ebRatioME * 1.4;
            r.exceedanceME = (i % 5 == 3) ? 0.97 : 0.4;
            if (!fitFailed) {
                r.lowerMLE = r.ebRatioMLE * 0.75;
                r.upperMLE = r.ebRatioMLE * 1.3;
                r.exceedanceMLE = (i % 5 == 3) ? 0.96 : 0.3;
            }
        }
        outcome.regions.push_back(r);
    }
    outcome.units.push_back(unit);
}

inline tolven::RunOutcome sampleOutcome(std::size_t manyRegions = 4000) {
    tolven::RunOutcome outcome;
    outcome.posteriorOutput = true;
    addUnit(outcome, SMALL_UNIT, SMALL_REGIONS, false, true);
    addUnit(outcome, ONE_REGION_UNIT, 1, false, true);
    addUnit(outcome, FAILED_FIT_UNIT, FAILED_FIT_REGIONS, true, true);
    addUnit(outcome, LARGE_UNIT, manyRegions, false, true);
    return outcome;
}

// One unit (number 1) that crowds the funnel: 200 regions near the pooled
// ratio, 200 outside the 95% limits (100 with no cases at E from 5 to 10,
// 100 at six times their expected count at E from 2 to 7) and one at
// 10,000% (10 cases at E = 0.1).
inline tolven::RunOutcome crowdedOutcome() {
    tolven::RunOutcome outcome;
    tolven::UnitOutcome unit;
    unit.unitNumber = 1;
    unit.meAlpha = 1.8;
    unit.meBeta = 2.0;
    unit.mleAlpha = 2.0;
    unit.mleBeta = 2.2;
    const auto add = [&](const std::string& code, int observed, double expected) {
        outcome.regions.push_back(region(code, observed, expected, 2.0, 2.2));
    };
    for (int i = 0; i < 200; ++i) add("N" + std::to_string(i), 20 + i, 20.0 + i);
    for (int i = 0; i < 100; ++i) add("L" + std::to_string(i), 0, 5.0 + i * 0.05);
    for (int i = 0; i < 100; ++i) {
        const double expected = 2.0 + i * 0.05;
        add("H" + std::to_string(i), static_cast<int>(6.0 * expected), expected);
    }
    add("FAR", 10, 0.1);
    unit.regionCount = outcome.regions.size();
    outcome.units.push_back(unit);
    return outcome;
}

}  // namespace plot_outcomes
