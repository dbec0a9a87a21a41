#pragma once

#include <atomic>

#include "core/numerics/digamma_sums.h"
#include "core/numerics/nb_log_likelihood.h"

namespace tolven {

// The profile of the negative binomial log-likelihood l(alpha, beta) in beta:
// lp(beta) = l(alpha(beta), beta), where alpha(beta) maximises l for this beta.
//
// Every function here assumes valid counts with at least one O_i > 0 (see
// findNoMaximumReason) and a finite beta > 0.

// alpha(beta): the one root of
//   alpha dl/dalpha = sum (beta E_i - O_i alpha) / (alpha + E_i),
// which falls strictly from N beta (alpha -> 0) to -sum O_i (alpha -> inf).
// The root lies in [N beta min E / sum O, N beta max E / sum O] and is found
// there by TOMS 748 to about 1e-15 relative; equal expected counts give it in
// closed form, N beta E / sum O.
double profileAlpha(const UnitCounts& unit, double beta);

// lp(beta).
LogLikelihood profileLogLikelihood(const UnitCounts& unit, double beta);

// d lp / d ln beta = beta dl/dbeta at (alpha(beta), beta): the alpha score is
// 0 there, so the profile's slope is the partial one. `sums` must have been
// prepared with the unit's counts; it is evaluated at beta.
double profileScore(const UnitCounts& unit, double beta, DigammaSums& sums);

// Maximises lp over ln beta in [lowLogBeta, highLogBeta]: Brent's minimiser
// on -lp finds the maximum to about 1e-8 relative (the limit of any search on
// values, since lp is flat to second order there); the root of profileScore
// is then bracketed around it and found by TOMS 748 to a relative change in
// beta below 1e-12. `found` is false when the profile score has no sign change
// near Brent's point (a maximum at an end of the interval, or a slope lost in
// rounding), or when *cancel became true between evaluations.
struct ProfileMaximum {
    bool found = false;
    double alpha = 0.0;
    double beta = 0.0;
    int steps = 0;  // evaluations by Brent's search plus those of the polish
};
ProfileMaximum maximiseProfileLikelihood(const UnitCounts& unit, double lowLogBeta,
                                         double highLogBeta, DigammaSums& sums,
                                         const std::atomic<bool>* cancel = nullptr);

}  // namespace tolven
