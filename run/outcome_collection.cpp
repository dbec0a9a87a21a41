#include "run/outcome_collection.h"

#include <oneapi/tbb/parallel_for.h>

#include "core/not_available.h"
#include "core/posterior.h"

namespace tolven {
namespace {

// One prior's posterior columns, left NaN where the prior is missing.
void summarizeUnder(double alpha, double beta, const RegionOutcome& region, double level,
                    double threshold, double& lower, double& upper, double& exceedance) {
    if (!priorUsable(alpha, beta)) return;
    const PosteriorSummary s =
        summarizePosterior(alpha, beta, region.observed, region.expected, level, threshold);
    lower = s.lower;
    upper = s.upper;
    exceedance = s.exceedance;
}

// The posterior columns of one region, NaN where the table prints "***".
void summarize(RegionOutcome& region, const UnitPriors& priors, double level, double threshold) {
    if (region.ebRatioME == NOT_AVAILABLE) return;
    summarizeUnder(priors.meAlpha, priors.meBeta, region, level, threshold, region.lowerME,
                   region.upperME, region.exceedanceME);
    if (region.ebRatioMLE == NOT_AVAILABLE) return;
    summarizeUnder(priors.mleAlpha, priors.mleBeta, region, level, threshold, region.lowerMLE,
                   region.upperMLE, region.exceedanceMLE);
}

}  // namespace

void collectOutcome(const InputTable& table, const UnitGroups& groups, bool wholeFile,
                    const PriorsByRow& priors, bool excludeZero, const ExtendedSettings& extended,
                    RunOutcome& outcome) {
    outcome = RunOutcome();
    outcome.wholeFile = wholeFile;
    outcome.excludeZero = excludeZero;
    outcome.posteriorOutput = extended.posteriorOutput;
    outcome.intervalLevel = extended.intervalLevel;
    outcome.threshold = extended.threshold;

    const std::size_t unitCount = groups.unitCount();
    outcome.units.resize(unitCount);
    outcome.regions.resize(groups.rows.size());
    const double level = extended.intervalLevel / 100.0;
    const double threshold = extended.threshold / 100.0;
    tbb::parallel_for(std::size_t{0}, unitCount, [&](std::size_t k) {
        UnitOutcome& unit = outcome.units[k];
        unit.unitNumber = groups.units[k];
        unit.firstRegion = groups.starts[k];
        unit.regionCount = groups.regionCount(k);
        const UnitPriors& prior = priors.priors[k];
        unit.meAlpha = prior.meAlpha;
        unit.meBeta = prior.meBeta;
        unit.mleAlpha = prior.mleAlpha;
        unit.mleBeta = prior.mleBeta;
        for (std::size_t i = unit.firstRegion; i < unit.firstRegion + unit.regionCount; ++i) {
            const int row = groups.rows[i];
            RegionOutcome& region = outcome.regions[i];
            region.code.assign(table.code[row]);
            region.observed = table.observed[row];
            region.expected = table.expected[row];
            region.ratio = table.ratio[row];
            region.ebRatioME = table.ebRatioME[row];
            region.ebRatioMLE = table.ebRatioMLE[row];
            if (extended.posteriorOutput) summarize(region, prior, level, threshold);
        }
    });
}

}  // namespace tolven
