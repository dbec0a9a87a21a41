#include "core/estimation/ml_fit.h"

#include <cmath>

#include "core/model/engine_options.h"
#include "core/model/not_available.h"
#include "core/numerics/digamma_sums.h"

namespace tolven {

namespace {

// The first convergence test must see corrections above any sensible epsilon,
// so that at least one update is made.
constexpr double INITIAL_ERROR = 9999.0;

// Stands in for an estimate that an update pushed to 0 or below.
constexpr double POSITIVE_FALLBACK = 0.1;

}  // namespace

void fitMaximumLikelihood(const RegionTable& table, const RunSettings& settings,
                          UnitResults& results, DigammaSums& sums,
                          const std::atomic<bool>* cancel) {
    const int n = table.regionCount;
    const double regions = static_cast<double>(n);

    results.startAlpha = settings.initialAlpha > 0.0 ? settings.initialAlpha : results.meAlpha;
    results.startBeta = settings.initialBeta > 0.0 ? settings.initialBeta : results.meBeta;

    double alpha = results.startAlpha;
    double beta = results.startBeta;
    double errA = INITIAL_ERROR;
    double errB = INITIAL_ERROR;
    int k = 0;
    results.mleConverged = 1;

    sums.prepare(table.observed.data(), n);

    for (;;) {
        results.iterations = k;
        if (!(errA > settings.epsilon) && !(errB > settings.epsilon)) break;
        if (k >= settings.maxIterations || isCancelled(cancel)) {
            results.mleConverged = 0;
            break;
        }

        sums.evaluate(beta);
        const double inverseAlpha = 1.0 / alpha;
        double scoreSum = 0.0;
        double gBeta = 0.0;
        double curvatureSum = 0.0;
        double inverseSum = 0.0;
        double hBetaBeta = 0.0;
        for (int i = 1; i <= n; ++i) {
            const double observed = static_cast<double>(table.observed[i]);
            const double expected = table.expected[i];
            const double shifted = alpha + expected;
            scoreSum += (observed + beta) / shifted;
            gBeta = (sums.digammaDifference(i) + gBeta) - std::log(1.0 + expected * inverseAlpha);
            curvatureSum += (observed + beta) / (shifted * shifted);
            inverseSum += 1.0 / shifted;
            hBetaBeta = hBetaBeta - sums.trigammaDifference(i);
        }
        const double gAlpha = (regions * beta) * inverseAlpha - scoreSum;
        const double hAlphaAlpha = -(regions * beta) / (alpha * alpha) + curvatureSum;
        const double hAlphaBeta = inverseAlpha * regions - inverseSum;

        const double det = hBetaBeta * hAlphaAlpha - hAlphaBeta * hAlphaBeta;
        const double deltaAlpha = (-1.0 / det) * (hBetaBeta * gAlpha - hAlphaBeta * gBeta);
        const double deltaBeta = (hAlphaBeta * gAlpha - hAlphaAlpha * gBeta) / det;
        double nextAlpha = alpha + deltaAlpha;
        double nextBeta = beta + deltaBeta;

        // k < maxIterations here, so maxIterations - 1 cannot overflow.
        if (k < settings.maxIterations - 1) {
            if (nextAlpha <= 0.0) nextAlpha = POSITIVE_FALLBACK;
            if (nextBeta <= 0.0) nextBeta = POSITIVE_FALLBACK;
        } else if (nextAlpha <= 0.0 || nextBeta <= 0.0) {
            // No update is left to recover from a non-positive estimate; the
            // signed corrections show the direction the fit was heading.
            errA = deltaAlpha;
            errB = deltaBeta;
            results.mleConverged = 0;
            break;
        }

        errA = std::fabs(deltaAlpha);
        errB = std::fabs(deltaBeta);
        ++k;
        alpha = nextAlpha;
        beta = nextBeta;
    }

    if (results.mleConverged == 1) {
        results.mleAlpha = alpha;
        results.mleBeta = beta;
    } else {
        results.mleAlpha = NOT_AVAILABLE;
        results.mleBeta = NOT_AVAILABLE;
    }
    results.convergenceError[0] = errA;
    results.convergenceError[1] = errB;
}

}  // namespace tolven
