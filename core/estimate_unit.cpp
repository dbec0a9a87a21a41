#include "core/estimate_unit.h"

#include "core/eb_ratios.h"
#include "core/ml_fit.h"
#include "core/ratio_statistics.h"
#include "core/shared_data.h"

namespace tolven {

void estimateUnit(RegionTable& table, UnitResults& results, const RunSettings& settings,
                  DigammaSums& sums, const EngineOptions& options) {
    computeRatioStatistics(table, results, settings);
    fitMaximumLikelihood(table, settings, results, sums, options.cancel);
    computeEbRatios(table, results);
}

void estimateUnit() {
    DigammaSums sums;
    estimateUnit(regionTable, unitResults, runSettings, sums);
}

}  // namespace tolven
