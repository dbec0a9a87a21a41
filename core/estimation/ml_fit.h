#pragma once

#include <atomic>

#include "core/model/region_table.h"
#include "core/model/run_settings.h"
#include "core/model/unit_results.h"
#include "core/numerics/digamma_sums.h"

namespace tolven {

// Second stage of estimateUnit: fits the Gamma prior (rate alpha, shape beta)
// by maximum likelihood with a two-dimensional Newton-Raphson iteration on the
// negative binomial log-likelihood of the observed counts
//
//   l(alpha, beta) = sum over i of [ lnG(O_i + beta) - lnG(beta) + beta ln alpha
//                                    - (O_i + beta) ln(alpha + E_i) ].
//
// Reads table.regionCount N, observed[1..N], expected[1..N], settings.epsilon,
// maxIterations, initialAlpha, initialBeta, and results.meAlpha, meBeta (from
// computeRatioStatistics). Writes results.startAlpha, startBeta, iterations,
// mleConverged, mleAlpha, mleBeta and convergenceError. Nothing carries over
// from an earlier unit: `sums` is scratch storage only, reused so that its
// buffers grow once (one per thread).
//
// Start: startAlpha = initialAlpha if it is > 0, else meAlpha; likewise beta,
// independently. alpha, beta = the start; errA = errB = 9999; k = 0.
// Each pass:
//   1. iterations = k.
//   2. Converged when neither errA > epsilon nor errB > epsilon (a NaN error
//      passes). This comes before the limit test, so a last permitted update
//      within epsilon still converges.
//   3. Failed when k >= maxIterations.
//   4. Derivatives at (alpha, beta); sums over i = 1..N ascending, starting
//      from 0, with T_i = sum 1/(beta + j), U_i = sum 1/((beta + j)(beta + j))
//      over j = 0..O_i-1 ascending (see DigammaSums):
//        Ga  = (N * beta) * (1/alpha) - sum (O_i + beta) / (alpha + E_i)
//        Gb  = accumulated as Gb = (T_i + Gb) - ln(1 + E_i * (1/alpha))
//        Haa = -(N * beta) / (alpha * alpha)
//              + sum (O_i + beta) / ((alpha + E_i) * (alpha + E_i))
//        Hab = (1/alpha) * N - sum 1 / (alpha + E_i)
//        Hbb = accumulated as Hbb = Hbb - U_i
//   5. D = Hbb * Haa - Hab * Hab
//      dA = (-1 / D) * (Hbb * Ga - Hab * Gb),  dB = (Hab * Ga - Haa * Gb) / D
//      alpha' = alpha + dA, beta' = beta + dB. No line search.
//   6. Before the last permitted update (k < maxIterations - 1) an alpha' or
//      beta' <= 0 is replaced by 0.1, each on its own (NaN is kept). On the
//      last permitted update an alpha' or beta' <= 0 fails the fit at once
//      with the signed corrections dA, dB as errors.
//   7. errA = |dA|, errB = |dB| (before any replacement), k += 1, move on.
// Converged: mleAlpha, mleBeta = alpha, beta; mleConverged = 1.
// Failed: mleAlpha = mleBeta = NOT_AVAILABLE; mleConverged = 0.
// convergenceError = (errA, errB) as they stand in both outcomes.
//
//   outcome                                  iterations          errors
//   converged                                updates made        |last corrections|
//   failed at the limit test                 maxIterations       |last corrections|
//   last permitted update not positive       maxIterations - 1   signed corrections
//   maxIterations <= 0                       0                   9999, 9999
//
// No divisor is tested and nothing is reported. Non-finite start values (the
// degenerate units of computeRatioStatistics) make every correction NaN; the
// fit then "converges" after one update with NaN estimates and iterations 1.
// A pass costs time in proportion to N plus the largest observed count.
//
// A set `cancel` stops the fit before its next step (results then mean
// nothing); without it the fit runs as above.
void fitMaximumLikelihood(const RegionTable& table, const RunSettings& settings,
                          UnitResults& results, DigammaSums& sums,
                          const std::atomic<bool>* cancel = nullptr);

}  // namespace tolven
