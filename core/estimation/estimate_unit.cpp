#include "core/estimation/estimate_unit.h"

#include <cmath>

#include "core/estimation/eb_ratios.h"
#include "core/estimation/ml_fit.h"
#include "core/estimation/ratio_statistics.h"
#include "core/model/not_available.h"
#include "core/numerics/safeguarded_fit.h"

namespace tolven {

void estimateUnit(RegionTable& table, UnitResults& results, const RunSettings& settings,
                  DigammaSums& sums, const EngineOptions& options) {
    computeRatioStatistics(table, results, settings);
    fitMaximumLikelihood(table, settings, results, sums, options.cancel);
    results.safeguardedFitRan = false;
    const bool reached = results.mleConverged == 1 && std::isfinite(results.mleAlpha) &&
                         results.mleAlpha > 0.0 && std::isfinite(results.mleBeta) &&
                         results.mleBeta > 0.0;
    if (options.fitMode == FitMode::safeguarded && !reached && !isCancelled(options.cancel)) {
        // The Newton-Raphson figures (start, iterations, errors) stay for the
        // log; only the estimates come from the fit that reaches the maximum.
        results.safeguardedFitRan = true;
        results.safeguardedFit = fitSafeguarded(table.observed.data(), table.expected.data(),
                                                table.regionCount, sums, options.cancel);
        if (results.safeguardedFit.converged) {
            results.mleConverged = 1;
            results.mleAlpha = results.safeguardedFit.alpha;
            results.mleBeta = results.safeguardedFit.beta;
        } else {
            results.mleConverged = 0;
            results.mleAlpha = NOT_AVAILABLE;
            results.mleBeta = NOT_AVAILABLE;
        }
    }
    computeEbRatios(table, results);
}

}  // namespace tolven
