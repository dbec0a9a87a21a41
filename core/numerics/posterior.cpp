#include "core/numerics/posterior.h"

#include <boost/math/policies/policy.hpp>
#include <boost/math/special_functions/erf.hpp>
#include <boost/math/special_functions/gamma.hpp>
#include <boost/math/tools/roots.hpp>
#include <cmath>
#include <cstdint>
#include <exception>
#include <limits>
#include <tuple>

#include "core/model/not_available.h"

namespace tolven {
namespace {

namespace policies = boost::math::policies;

// Errors become values instead of exceptions: a domain or evaluation error
// gives NaN (and sets errno, which nobody reads), an overflow inf, an
// underflow 0. Double precision throughout: the long double that Boost would
// otherwise promote to buys no digit that a six-decimal report shows and costs
// several times the time.
using PosteriorPolicy =
    policies::policy<policies::domain_error<policies::errno_on_error>,
                     policies::pole_error<policies::errno_on_error>,
                     policies::overflow_error<policies::ignore_error>,
                     policies::underflow_error<policies::ignore_error>,
                     policies::evaluation_error<policies::errno_on_error>,
                     policies::rounding_error<policies::errno_on_error>,
                     policies::indeterminate_result_error<policies::ignore_error>,
                     policies::promote_double<false>>;

constexpr double NaN = std::numeric_limits<double>::quiet_NaN();

// Temme's uniform asymptotic expansion is accurate to double precision for
// shapes above this when (x - a)^2 / a^2 < TEMME_SPREAD / a (Boost's own
// criterion for using it: the tail is then above about 1e-6).
constexpr double TEMME_MIN_SHAPE = 200.0;
constexpr double TEMME_SPREAD = 20.0;
// Boost takes its large-x asymptotic series for every x above this with
// a < x.
constexpr double LARGE_X = 1000.0;
// The own inversion of the upper tail is used for shapes between LARGE_X and
// this (where a - 1 and a + 6 sqrt(a) are still distinct doubles) and tail
// probabilities above HALLEY_MIN_TAIL (where its root lies where Temme's
// expansion applies).
constexpr double HALLEY_MAX_SHAPE = 1e15;
constexpr double HALLEY_MIN_TAIL = 1e-5;

// Q(a, x), the upper tail of Gamma(a, 1) beyond x.
//
// For 1000 < a < x, Boost 1.74 always sums an asymptotic series in a / x
// whose length grows like sqrt(a) as x nears a: about 20 microseconds per call
// for counts around a million, where the upper credible bound always lies.
// Temme's expansion, which Boost applies to the same zone when x <= 1000 and
// on the lower side for any x, gives the same digits in constant time, so it
// is taken there; everywhere else Boost chooses as usual.
double upperTail(double a, double x, const PosteriorPolicy& policy) {
    if (x > a && x > LARGE_X && a > TEMME_MIN_SHAPE) {
        const double sigma = (x - a) / a;
        if (sigma * sigma < TEMME_SPREAD / a) {
            // Returns the smaller tail, which is Q for x > a.
            return boost::math::detail::igamma_temme_large(
                a, x, policy, static_cast<const boost::integral_constant<int, 53>*>(nullptr));
        }
    }
    return boost::math::gamma_q(a, x, policy);
}

// The x with Q(a, x) = q, for 0 < q < 1/2.
//
// Where upperTail takes Temme's expansion (large a, q above about 1e-6) the
// root is found by Boost's Halley iteration on upperTail, from the
// Wilson-Hilferty approximation x = a (1 - 1/(9a) + z / (3 sqrt(a)))^3 with z
// the standard normal quantile of 1 - q; its relative error there is below
// 1e-4, so two or three steps reach full precision. Elsewhere Boost's
// gamma_q_inv is fast already.
double upperQuantile(double a, double q, const PosteriorPolicy& policy) {
    if (!(a > LARGE_X && a < HALLEY_MAX_SHAPE && q > HALLEY_MIN_TAIL))
        return boost::math::gamma_q_inv(a, q, policy);
    const double z = std::sqrt(2.0) * boost::math::erfc_inv(2.0 * q, policy);
    const double cubeRoot = 1.0 - 1.0 / (9.0 * a) + z / (3.0 * std::sqrt(a));
    const double start = a * cubeRoot * cubeRoot * cubeRoot;
    // Q(a, x) - q falls with x; its slope is minus the density d(x), whose own
    // slope is d(x) ((a - 1) / x - 1).
    const auto tailMinusQ = [a, q, &policy](double x) {
        const double density = boost::math::gamma_p_derivative(a, x, policy);
        return std::make_tuple(upperTail(a, x, policy) - q, -density,
                               density * (1.0 - (a - 1.0) / x));
    };
    // The root lies between the median (above a - 1/3) and a + 5 sqrt(a),
    // since q > 1e-5: the bracket below holds it with room to spare.
    const double low = a - 1.0;
    const double high = a + 6.0 * std::sqrt(a);
    constexpr int DIGITS = std::numeric_limits<double>::digits - 3;
    std::uintmax_t maxSteps = 20;
    // Boost's root finders take no error policy and throw when they find no
    // bracketed root. That should not happen here; should it, Boost's own
    // inversion answers instead.
    try {
        return boost::math::tools::halley_iterate(tailMinusQ, start, low, high, DIGITS, maxSteps);
    } catch (const std::exception&) {
        return boost::math::gamma_q_inv(a, q, policy);
    }
}

}  // namespace

bool priorUsable(double alpha, double beta) {
    return std::isfinite(alpha) && alpha > 0.0 && std::isfinite(beta) && beta > 0.0;
}

PosteriorSummary summarizePosterior(double alpha, double beta, int observed, double expected,
                                    double level, double threshold) noexcept {
    PosteriorSummary summary{NaN, NaN, NaN};
    if (!priorUsable(alpha, beta) || observed < 0 || !std::isfinite(expected) || expected < 0.0)
        return summary;
    const double shape = beta + static_cast<double>(observed);
    const double rate = alpha + expected;
    if (!std::isfinite(shape) || !std::isfinite(rate)) return summary;

    const PosteriorPolicy policy;
    if (level > 0.0 && level < 1.0) {
        // Each bound from its own tail probability: the upper one from
        // (1 - level) / 2 rather than (1 + level) / 2, which keeps it exact
        // when the level is close to 1.
        const double tail = (1.0 - level) / 2.0;
        summary.lower = boost::math::gamma_p_inv(shape, tail, policy) / rate;
        summary.upper = upperQuantile(shape, tail, policy) / rate;
    }
    if (std::isfinite(threshold) && threshold > 0.0) {
        const double x = rate * threshold;
        summary.exceedance = std::isinf(x) ? 0.0 : upperTail(shape, x, policy);
    }
    return summary;
}

RegionPosteriors regionPosteriors(const UnitPriors& priors, int observed, double expected,
                                  double ebRatioME, double ebRatioMLE, double level,
                                  double threshold) noexcept {
    RegionPosteriors result;
    if (ebRatioME == NOT_AVAILABLE) return result;
    if (priorUsable(priors.meAlpha, priors.meBeta)) {
        result.hasMoment = true;
        result.moment =
            summarizePosterior(priors.meAlpha, priors.meBeta, observed, expected, level, threshold);
    }
    if (ebRatioMLE != NOT_AVAILABLE && priorUsable(priors.mleAlpha, priors.mleBeta)) {
        result.hasLikelihood = true;
        result.likelihood = summarizePosterior(priors.mleAlpha, priors.mleBeta, observed, expected,
                                               level, threshold);
    }
    return result;
}

}  // namespace tolven
