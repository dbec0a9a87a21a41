#include "core/numerics/nb_log_likelihood.h"

#include <boost/math/policies/policy.hpp>
#include <boost/math/special_functions/gamma.hpp>
#include <cmath>
#include <limits>

namespace tolven {

namespace {

// Errors come back as values (NaN, infinity), never as exceptions; double
// arguments are evaluated in double (a few ulps), not promoted to long double.
using QuietPolicy = boost::math::policies::policy<
    boost::math::policies::domain_error<boost::math::policies::ignore_error>,
    boost::math::policies::pole_error<boost::math::policies::ignore_error>,
    boost::math::policies::overflow_error<boost::math::policies::ignore_error>,
    boost::math::policies::evaluation_error<boost::math::policies::ignore_error>,
    boost::math::policies::promote_double<false>>;

// From this beta on, Stirling's series with four correction terms is exact to
// about 1e-15 absolute (the first omitted term is below 1 / (1188 x^9)).
constexpr double STIRLING_FROM = 20.0;

// lnG(x) - [(x - 1/2) ln x - x + ln(2 pi)/2] for x >= STIRLING_FROM.
double stirlingCorrection(double x) {
    const double inverse = 1.0 / x;
    const double inverseSquare = inverse * inverse;
    return inverse *
           (1.0 / 12.0 - inverseSquare * (1.0 / 360.0 -
                                          inverseSquare * (1.0 / 1260.0 - inverseSquare / 1680.0)));
}

}  // namespace

double lnGammaRatio(int count, double beta) {
    if (!(beta > 0.0) || !std::isfinite(beta)) return std::numeric_limits<double>::quiet_NaN();
    if (count <= 0) return 0.0;
    const double o = static_cast<double>(count);
    const double shifted = beta + o;
    if (beta >= STIRLING_FROM) {
        // (y - 1/2) ln y - y - [(b - 1/2) ln b - b] with y = b + O
        //   = (b - 1/2) log1p(O / b) + O (ln y - 1).
        return (beta - 0.5) * std::log1p(o / beta) + o * (std::log(shifted) - 1.0) +
               (stirlingCorrection(shifted) - stirlingCorrection(beta));
    }
    return boost::math::lgamma(shifted, QuietPolicy()) - boost::math::lgamma(beta, QuietPolicy());
}

LogLikelihood nbLogLikelihood(const UnitCounts& unit, double alpha, double beta) {
    LogLikelihood result;
    if (!(alpha > 0.0) || !std::isfinite(alpha) || !(beta > 0.0) || !std::isfinite(beta)) {
        result.value = std::numeric_limits<double>::quiet_NaN();
        result.magnitude = result.value;
        return result;
    }
    for (int i = 1; i <= unit.regionCount; ++i) {
        const double o = static_cast<double>(unit.observed[i]);
        const double e = unit.expected[i];
        const double gammaTerm = lnGammaRatio(unit.observed[i], beta);
        const double shapeTerm = beta * std::log1p(e / alpha);
        const double countTerm = o * std::log(alpha + e);
        result.value += gammaTerm - shapeTerm - countTerm;
        result.magnitude += std::fabs(gammaTerm) + std::fabs(shapeTerm) + std::fabs(countTerm);
    }
    return result;
}

LogScaleDerivatives nbLogScaleDerivatives(const UnitCounts& unit, double alpha, double beta,
                                          const DigammaSums& sums) {
    double ga = 0.0;
    double betaScore = 0.0;
    double curvature = 0.0;
    double mixed = 0.0;
    double trigamma = 0.0;
    for (int i = 1; i <= unit.regionCount; ++i) {
        const double o = static_cast<double>(unit.observed[i]);
        const double e = unit.expected[i];
        const double shifted = alpha + e;
        ga += (beta * e - o * alpha) / shifted;
        betaScore += sums.digammaDifference(i) - std::log1p(e / alpha);
        curvature += e * (o + beta) / (shifted * shifted);
        mixed += e / shifted;
        trigamma += sums.trigammaDifference(i);
    }
    LogScaleDerivatives d;
    d.ga = ga;
    d.gb = beta * betaScore;
    d.haa = -alpha * curvature;
    d.hab = beta * mixed;
    d.hbb = d.gb - beta * beta * trigamma;
    return d;
}

}  // namespace tolven
