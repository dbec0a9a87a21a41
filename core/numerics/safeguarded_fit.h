#pragma once

#include <atomic>

#include "core/numerics/digamma_sums.h"
#include "core/numerics/finite_maximum.h"

namespace tolven {

// Names of the two methods, as the log prints them.
inline constexpr const char* SAFEGUARDED_NEWTON_METHOD = "Newton on log scale with line search";
inline constexpr const char* PROFILE_BRENT_METHOD = "profile likelihood (Brent)";

struct SafeguardedFitResult {
    bool converged = false;  // a finite maximum with alpha, beta > 0 was reached
    double alpha = 0.0;      // the maximum (rate alpha, shape beta) when converged, else 0
    double beta = 0.0;
    int steps = 0;            // steps of the method named below (0 when none ran)
    const char* method = "";  // SAFEGUARDED_NEWTON_METHOD, PROFILE_BRENT_METHOD, or ""
    NoMaximumReason reason = NoMaximumReason::none;  // why there is no maximum to reach
    bool cancelled = false;                          // *cancel became true before the fit ended
};

// Maximises the negative binomial log-likelihood of one unit
//
//   l(alpha, beta) = sum over i of [ lnG(O_i + beta) - lnG(beta) + beta ln alpha
//                                    - (O_i + beta) ln(alpha + E_i) ]
//
// (the likelihood that fitMaximumLikelihood climbs with plain Newton steps)
// by a globally convergent method, from a start of its own:
//   1. findNoMaximumReason decides first, without iterating, whether a
//      finite maximum exists; if not, the result carries the reason and
//      converged = false, steps = 0, method "".
//   2. Start: the best point of the profile likelihood lp(beta) =
//      max over alpha of l (profileAlpha) on the grid beta = 10^k,
//      k = -3 .. 9, widened a decade at a time (down to 1e-12, up to 1e15)
//      while the best point is at an end.
//   3. Newton-Raphson on (ln alpha, ln beta) with the exact score and
//      Hessian (nbLogScaleDerivatives). Where the Hessian is not negative
//      definite (far out on the Poisson side the profile is convex in
//      ln beta), its diagonal is shifted down by a little more than its
//      largest eigenvalue, so that the step still climbs. A step is at most 2
//      in each log (a factor of e^2) and is halved until l rises by at least
//      1e-4 of the rise the quadratic model predicts. When the predicted rise
//      is below the rounding of l, any step that does not lower l by more
//      than that rounding is taken: Newton is then in its quadratic range and
//      l cannot tell better from worse. Converged when a step changes both
//      ln alpha and ln beta by less than 1e-10 (relative change in alpha and
//      beta below 1e-10).
//   4. If no halving raises l, or 100 steps do not converge,
//      maximiseProfileLikelihood takes over on the grid interval around the
//      start (Brent on lp, then the root of its slope). `steps` then counts
//      that search's evaluations.
// The result is converged only with finite alpha, beta > 0.
//
// observed[1..n] and expected[1..n] as in the region table (slot 0 is not
// read); the counts are valid when n >= 1, every O_i >= 0 and every E_i is
// finite and > 0. Degenerate input:
//   - n < 1, a null array, O_i < 0, or E_i NaN, infinite, 0 or negative:
//     reason invalidCounts;
//   - all O_i = 0 (a unit of one region with O = 0 among them): allCountsZero;
//   - a unit of one region with O > 0, and every unit whose counts spread no
//     more than Poisson counts (equal ratios, for one): noOverdispersion;
//   - a maximum beyond beta = 1e15 (a dispersion score barely above 0): the
//     grid start sits at its upper end and the fit usually ends not converged
//     with reason none.
// `scratch` is storage for the digamma sums, reused across calls; no other
// state is kept, so concurrent calls with their own scratch are safe.
// `cancel`, when given, is read between steps; once it is true the fit
// returns not converged with cancelled = true.
// Cost: each grid point and line-search trial costs a few passes over the N
// regions; each Newton step and each slope evaluation of the fallback also
// walks the digamma sums up to the largest count.
SafeguardedFitResult fitSafeguarded(const int* observed, const double* expected, int n,
                                    DigammaSums& scratch,
                                    const std::atomic<bool>* cancel = nullptr);

}  // namespace tolven
