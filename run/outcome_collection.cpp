#include "run/outcome_collection.h"

#include <oneapi/tbb/parallel_for.h>

#include "core/numerics/posterior.h"

namespace tolven {
namespace {

// The posterior columns of one region, NaN where the table prints "***".
void summarize(RegionOutcome& region, const UnitPriors& priors, double level, double threshold) {
    const RegionPosteriors shown =
        regionPosteriors(priors, region.observed, region.expected, region.ebRatioME,
                         region.ebRatioMLE, level, threshold);
    if (shown.hasMoment) {
        region.lowerME = shown.moment.lower;
        region.upperME = shown.moment.upper;
        region.exceedanceME = shown.moment.exceedance;
    }
    if (shown.hasLikelihood) {
        region.lowerMLE = shown.likelihood.lower;
        region.upperMLE = shown.likelihood.upper;
        region.exceedanceMLE = shown.likelihood.exceedance;
    }
}

}  // namespace

void collectOutcome(const InputTable& table, const UnitGroups& groups, bool wholeFile,
                    const PriorsByRow& priors, bool excludeZero, const ExtendedSettings& extended,
                    RunOutcome& outcome, const LocalEbColumns* local) {
    outcome = RunOutcome();
    outcome.wholeFile = wholeFile;
    outcome.excludeZero = excludeZero;
    outcome.posteriorOutput = extended.posteriorOutput;
    outcome.intervalLevel = extended.intervalLevel;
    outcome.threshold = extended.threshold;
    outcome.localEb = local != nullptr;

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
            if (local != nullptr && (*local->shownOfRow)[row] != 0) {
                const LocalEbEstimate& estimate = (*local->estimateOfRow)[row];
                region.ebLocal = estimate.estimate;
                PosteriorSummary summary;
                if (extended.posteriorOutput &&
                    localEbPosterior(estimate, region.observed, region.expected, level, threshold,
                                     summary)) {
                    region.exceedanceLocal = summary.exceedance;
                }
            }
        }
    });
}

}  // namespace tolven
