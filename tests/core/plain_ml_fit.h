#pragma once

// A straightforward maximum-likelihood fit with the finite digamma and
// trigamma sums taken region by region, each over j = 0..O_i-1. It is the
// oracle for the engine's fit, which shares one walk over j among all regions
// and must give bit for bit the same results. Header-only, so that the tests
// and the benchmarks can both use it.

#include <cmath>
#include <cstdint>

#include "core/estimation/eb_ratios.h"
#include "core/estimation/ratio_statistics.h"
#include "core/model/not_available.h"
#include "core/model/region_table.h"
#include "core/model/run_settings.h"
#include "core/model/unit_results.h"

namespace tolven::test {

inline void plainFitMaximumLikelihood(const RegionTable& table, const RunSettings& settings,
                                      UnitResults& results) {
    const int n = table.regionCount;

    results.startAlpha = settings.initialAlpha > 0.0 ? settings.initialAlpha : results.meAlpha;
    results.startBeta = settings.initialBeta > 0.0 ? settings.initialBeta : results.meBeta;
    double alpha = results.startAlpha;
    double beta = results.startBeta;
    double errA = 9999.0;
    double errB = 9999.0;
    int k = 0;
    bool converged = false;
    for (;;) {
        results.iterations = k;
        if (!(errA > settings.epsilon) && !(errB > settings.epsilon)) {
            converged = true;
            break;
        }
        if (k >= settings.maxIterations) break;

        double sumA = 0.0, gBeta = 0.0, sumAA = 0.0, sumAB = 0.0, hBB = 0.0;
        for (int i = 1; i <= n; ++i) {
            const double o = table.observed[i];
            const double e = table.expected[i];
            double t = 0.0, u = 0.0;
            for (std::int64_t j = 0; j < table.observed[i]; ++j) {
                const double x = beta + static_cast<double>(j);
                t += 1.0 / x;
                u += 1.0 / (x * x);
            }
            sumA += (o + beta) / (alpha + e);
            gBeta = (t + gBeta) - std::log(1.0 + e * (1.0 / alpha));
            sumAA += (o + beta) / ((alpha + e) * (alpha + e));
            sumAB += 1.0 / (alpha + e);
            hBB = hBB - u;
        }
        const double gA = (n * beta) * (1.0 / alpha) - sumA;
        const double hAA = -(n * beta) / (alpha * alpha) + sumAA;
        const double hAB = (1.0 / alpha) * n - sumAB;
        const double d = hBB * hAA - hAB * hAB;
        const double dA = (-1.0 / d) * (hBB * gA - hAB * gBeta);
        const double dB = (hAB * gA - hAA * gBeta) / d;
        double a2 = alpha + dA;
        double b2 = beta + dB;
        if (k == settings.maxIterations - 1 && (a2 <= 0.0 || b2 <= 0.0)) {
            errA = dA;
            errB = dB;
            break;
        }
        if (a2 <= 0.0) a2 = 0.1;
        if (b2 <= 0.0) b2 = 0.1;
        errA = std::fabs(dA);
        errB = std::fabs(dB);
        k = k + 1;
        alpha = a2;
        beta = b2;
    }
    results.mleConverged = converged ? 1 : 0;
    results.mleAlpha = converged ? alpha : NOT_AVAILABLE;
    results.mleBeta = converged ? beta : NOT_AVAILABLE;
    results.convergenceError[0] = errA;
    results.convergenceError[1] = errB;
}

// estimateUnit with the plain fit in place of the engine's.
inline void plainEstimateUnit(RegionTable& table, UnitResults& results,
                              const RunSettings& settings) {
    computeRatioStatistics(table, results, settings);
    plainFitMaximumLikelihood(table, settings, results);
    computeEbRatios(table, results);
}

}  // namespace tolven::test
