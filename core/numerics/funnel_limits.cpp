#include "core/numerics/funnel_limits.h"

#include <boost/math/distributions/poisson.hpp>
#include <cmath>
#include <limits>

namespace tolven {

namespace {

namespace bm = boost::math;

// Discrete quantiles rounded up give the smallest k with P(O <= k) >= q.
// Errors come back as values (NaN, infinity) rather than exceptions: the
// inputs are checked before, and a plot must never stop on a limit.
using LimitPolicy =
    bm::policies::policy<bm::policies::discrete_quantile<bm::policies::integer_round_up>,
                         bm::policies::domain_error<bm::policies::ignore_error>,
                         bm::policies::overflow_error<bm::policies::ignore_error>,
                         bm::policies::evaluation_error<bm::policies::ignore_error>>;

constexpr double NOT_A_NUMBER = std::numeric_limits<double>::quiet_NaN();

bool positiveFinite(double value) { return std::isfinite(value) && value > 0.0; }

// The smallest count k with P(Poisson(pooledRatio * expected) <= k) >= q;
// NaN where poissonRatioLimit gives NaN.
// Boost refuses a mean of 0; that distribution puts all its mass on 0.
double poissonCountLimit(double pooledRatio, double expected, double q) {
    if (!std::isfinite(pooledRatio) || pooledRatio < 0.0 || !positiveFinite(expected) ||
        !(q > 0.0 && q < 1.0))
        return NOT_A_NUMBER;
    const double mean = pooledRatio * expected;
    if (!(mean > 0.0)) return 0.0;
    const bm::poisson_distribution<double, LimitPolicy> counts(mean);
    return bm::quantile(counts, q);
}

}  // namespace

double poissonRatioLimit(double pooledRatio, double expected, double q) {
    return poissonCountLimit(pooledRatio, expected, q) / expected;
}

FunnelSide funnelSide(double pooledRatio, double expected, double observed, double coverage) {
    if (!std::isfinite(pooledRatio) || pooledRatio < 0.0 || !positiveFinite(expected) ||
        !std::isfinite(observed) || !(coverage > 0.0 && coverage < 1.0))
        return FunnelSide::Inside;
    const double mean = pooledRatio * expected;
    if (!(mean > 0.0)) return observed > 0.0 ? FunnelSide::Above : FunnelSide::Inside;
    if (observed < 0.0) return FunnelSide::Below;
    // By the cumulative probability rather than the quantiles, which a plot of
    // a million regions could not wait for: with the lower limit the smallest
    // k with P(O <= k) >= q, a count lies below it exactly when
    // P(O <= count) < q, and above the upper limit exactly when
    // P(O <= count - 1) >= q.
    const bm::poisson_distribution<double, LimitPolicy> counts(mean);
    const double count = std::floor(observed);
    if (bm::cdf(counts, count) < (1.0 - coverage) / 2.0) return FunnelSide::Below;
    if (count >= 1.0 && bm::cdf(counts, count - 1.0) >= (1.0 + coverage) / 2.0)
        return FunnelSide::Above;
    return FunnelSide::Inside;
}

double funnelDeviation(double pooledRatio, double expected, double observed) {
    if (!std::isfinite(pooledRatio) || pooledRatio < 0.0 || !positiveFinite(expected) ||
        std::isnan(observed))
        return NOT_A_NUMBER;
    const double mean = pooledRatio * expected;
    const double distance = std::abs(observed - mean);
    if (!(mean > 0.0)) return distance > 0.0 ? std::numeric_limits<double>::infinity() : 0.0;
    return distance / std::sqrt(mean);
}

FunnelLimits computeFunnelLimits(double pooledRatio, double minExpected, double maxExpected,
                                 std::size_t points) {
    FunnelLimits limits;
    if (points == 0 || !positiveFinite(minExpected) || !positiveFinite(maxExpected) ||
        minExpected > maxExpected)
        return limits;
    if (minExpected == maxExpected) points = 1;

    const double innerLow = (1.0 - FUNNEL_INNER_COVERAGE) / 2.0;
    const double innerHigh = (1.0 + FUNNEL_INNER_COVERAGE) / 2.0;
    const double outerLow = (1.0 - FUNNEL_OUTER_COVERAGE) / 2.0;
    const double outerHigh = (1.0 + FUNNEL_OUTER_COVERAGE) / 2.0;
    const double logMin = std::log(minExpected);
    const double logStep =
        points > 1 ? (std::log(maxExpected) - logMin) / static_cast<double>(points - 1) : 0.0;

    limits.expected.reserve(points);
    limits.lowerInner.reserve(points);
    limits.upperInner.reserve(points);
    limits.lowerOuter.reserve(points);
    limits.upperOuter.reserve(points);
    for (std::size_t i = 0; i < points; ++i) {
        // The ends are taken as given, not through exp(log()), so the grid
        // covers exactly the range asked for.
        double expected = std::exp(logMin + logStep * static_cast<double>(i));
        if (i == 0) expected = minExpected;
        if (i + 1 == points) expected = maxExpected;
        limits.expected.push_back(expected);
        limits.lowerInner.push_back(poissonRatioLimit(pooledRatio, expected, innerLow));
        limits.upperInner.push_back(poissonRatioLimit(pooledRatio, expected, innerHigh));
        limits.lowerOuter.push_back(poissonRatioLimit(pooledRatio, expected, outerLow));
        limits.upperOuter.push_back(poissonRatioLimit(pooledRatio, expected, outerHigh));
    }
    return limits;
}

}  // namespace tolven
