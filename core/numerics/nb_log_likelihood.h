#pragma once

#include "core/numerics/digamma_sums.h"

namespace tolven {

// One unit's counts as the region table holds them: observed[1..regionCount]
// and expected[1..regionCount]; slot 0 is not read. The arrays are borrowed,
// not copied.
struct UnitCounts {
    const int* observed = nullptr;
    const double* expected = nullptr;
    int regionCount = 0;
};

// lnG(count + beta) - lnG(beta), for count >= 0 and a finite beta > 0; 0 for
// count 0. Accurate to a few units in the last place of the result's scale
// (count * ln(count + beta)) for counts up to INT_MAX and beta up to 1e300:
// for beta >= 20 the difference is taken in Stirling's form with log1p, so
// that two nearly equal large values of lnG are never subtracted; below 20
// Boost's lgamma is used directly. A beta that is not finite and positive
// gives NaN.
double lnGammaRatio(int count, double beta);

// The negative binomial log-likelihood of the counts, apart from terms that do
// not depend on alpha and beta:
//
//   l(alpha, beta) = sum over i of [ lnG(O_i + beta) - lnG(beta)
//                                    - beta * log1p(E_i / alpha) - O_i * ln(alpha + E_i) ]
//
// which is sum [ lnG(O_i + beta) - lnG(beta) + beta ln alpha - (O_i + beta) ln(alpha + E_i) ]
// written so that beta ln alpha and beta ln(alpha + E_i) never cancel.
// magnitude is the sum of the absolute values of the three terms of every
// region: the rounding error of value is a small multiple of
// magnitude * 2^-52. Assumes O_i >= 0 and finite E_i > 0; alpha or beta not
// finite and positive gives a NaN value.
struct LogLikelihood {
    double value = 0.0;
    double magnitude = 0.0;
};
LogLikelihood nbLogLikelihood(const UnitCounts& unit, double alpha, double beta);

// Score and Hessian of l with respect to a = ln alpha and b = ln beta, at
// (alpha, beta); `sums` must have been prepared with the unit's counts and
// evaluated at this beta (T_i, U_i below). In cancellation-free form:
//
//   ga  = alpha dl/dalpha = sum (beta E_i - O_i alpha) / (alpha + E_i)
//   gb  = beta dl/dbeta   = beta * sum [ T_i - log1p(E_i / alpha) ]
//   haa = -alpha * sum E_i (O_i + beta) / (alpha + E_i)^2        (always < 0)
//   hab = beta * sum E_i / (alpha + E_i)
//   hbb = gb - beta^2 * sum U_i
//
// The maximum is where ga = gb = 0 with haa < 0 and haa hbb - hab^2 > 0.
struct LogScaleDerivatives {
    double ga = 0.0;
    double gb = 0.0;
    double haa = 0.0;
    double hab = 0.0;
    double hbb = 0.0;
};
LogScaleDerivatives nbLogScaleDerivatives(const UnitCounts& unit, double alpha, double beta,
                                          const DigammaSums& sums);

}  // namespace tolven
