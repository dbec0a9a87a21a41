#include "core/numerics/profile_likelihood.h"

#include <algorithm>
#include <boost/math/policies/policy.hpp>
#include <boost/math/tools/minima.hpp>
#include <boost/math/tools/toms748_solve.hpp>
#include <cmath>
#include <cstdint>
#include <limits>

namespace tolven {

namespace {

using QuietPolicy = boost::math::policies::policy<
    boost::math::policies::domain_error<boost::math::policies::ignore_error>,
    boost::math::policies::evaluation_error<boost::math::policies::ignore_error>>;

constexpr std::uintmax_t MAX_ROOT_EVALUATIONS = 100;
constexpr std::uintmax_t MAX_BRENT_EVALUATIONS = 200;

// Width in ln beta at which the polish stops: a relative change in beta of
// 1e-12, well inside the 1e-10 that the fit promises.
constexpr double LOG_BETA_TOLERANCE = 1e-12;

// The polish starts with this half-width around Brent's point (about a
// hundred times Brent's accuracy) and widens it by WIDENING until the profile
// score changes sign, at most MAX_WIDENINGS times.
constexpr double FIRST_HALF_WIDTH = 1e-6;
constexpr double WIDENING = 8.0;
constexpr int MAX_WIDENINGS = 12;

bool stopRequested(const std::atomic<bool>* cancel) {
    return cancel != nullptr && cancel->load(std::memory_order_relaxed);
}

}  // namespace

double profileAlpha(const UnitCounts& unit, double beta) {
    double observedSum = 0.0;
    double smallestExpected = std::numeric_limits<double>::infinity();
    double largestExpected = 0.0;
    for (int i = 1; i <= unit.regionCount; ++i) {
        observedSum += static_cast<double>(unit.observed[i]);
        smallestExpected = std::min(smallestExpected, unit.expected[i]);
        largestExpected = std::max(largestExpected, unit.expected[i]);
    }
    const double scale = static_cast<double>(unit.regionCount) * beta / observedSum;
    const double low = scale * smallestExpected;
    const double high = scale * largestExpected;
    if (!(low < high)) return low;

    const auto alphaScore = [&unit, beta](double alpha) {
        double score = 0.0;
        for (int i = 1; i <= unit.regionCount; ++i) {
            const double e = unit.expected[i];
            score += (beta * e - static_cast<double>(unit.observed[i]) * alpha) / (alpha + e);
        }
        return score;
    };
    // In exact arithmetic the score is >= 0 at low and <= 0 at high; rounding
    // may put the root on an end.
    const double lowScore = alphaScore(low);
    if (!(lowScore > 0.0)) return low;
    const double highScore = alphaScore(high);
    if (!(highScore < 0.0)) return high;
    std::uintmax_t evaluations = MAX_ROOT_EVALUATIONS;
    const auto root = boost::math::tools::toms748_solve(
        alphaScore, low, high, lowScore, highScore, boost::math::tools::eps_tolerance<double>(50),
        evaluations, QuietPolicy());
    return 0.5 * (root.first + root.second);
}

LogLikelihood profileLogLikelihood(const UnitCounts& unit, double beta) {
    return nbLogLikelihood(unit, profileAlpha(unit, beta), beta);
}

double profileScore(const UnitCounts& unit, double beta, DigammaSums& sums) {
    sums.evaluate(beta);
    return nbLogScaleDerivatives(unit, profileAlpha(unit, beta), beta, sums).gb;
}

ProfileMaximum maximiseProfileLikelihood(const UnitCounts& unit, double lowLogBeta,
                                         double highLogBeta, DigammaSums& sums,
                                         const std::atomic<bool>* cancel) {
    ProfileMaximum result;
    bool stopped = false;

    // Once a stop is requested every value is the same, so Brent's search
    // ends within a few evaluations.
    const auto negativeProfile = [&](double logBeta) {
        ++result.steps;
        stopped = stopped || stopRequested(cancel);
        if (stopped) return 0.0;
        const double value = profileLogLikelihood(unit, std::exp(logBeta)).value;
        return std::isnan(value) ? std::numeric_limits<double>::infinity() : -value;
    };
    std::uintmax_t brentEvaluations = MAX_BRENT_EVALUATIONS;
    const double brentLogBeta = boost::math::tools::brent_find_minima(
                                    negativeProfile, lowLogBeta, highLogBeta,
                                    std::numeric_limits<double>::digits / 2, brentEvaluations)
                                    .first;
    if (stopped) return result;

    const auto slope = [&](double logBeta) {
        ++result.steps;
        return profileScore(unit, std::exp(logBeta), sums);
    };
    // Bracket the root of the slope: positive on the left, negative on the right.
    double halfWidth = FIRST_HALF_WIDTH;
    double left = std::max(lowLogBeta, brentLogBeta - halfWidth);
    double right = std::min(highLogBeta, brentLogBeta + halfWidth);
    double leftSlope = slope(left);
    double rightSlope = slope(right);
    for (int widening = 0; !(leftSlope > 0.0 && rightSlope < 0.0); ++widening) {
        if (leftSlope == 0.0 || rightSlope == 0.0) break;
        if (widening == MAX_WIDENINGS || stopRequested(cancel)) return result;
        halfWidth *= WIDENING;
        if (!(leftSlope > 0.0)) {
            if (left == lowLogBeta) return result;
            left = std::max(lowLogBeta, brentLogBeta - halfWidth);
            leftSlope = slope(left);
        }
        if (!(rightSlope < 0.0)) {
            if (right == highLogBeta) return result;
            right = std::min(highLogBeta, brentLogBeta + halfWidth);
            rightSlope = slope(right);
        }
    }

    double logBeta;
    if (leftSlope == 0.0) {
        logBeta = left;
    } else if (rightSlope == 0.0) {
        logBeta = right;
    } else {
        std::uintmax_t evaluations = MAX_ROOT_EVALUATIONS;
        const auto narrowEnough = [](double a, double b) {
            return std::fabs(a - b) <= LOG_BETA_TOLERANCE;
        };
        const auto root = boost::math::tools::toms748_solve(
            slope, left, right, leftSlope, rightSlope, narrowEnough, evaluations, QuietPolicy());
        if (!narrowEnough(root.first, root.second)) return result;
        logBeta = 0.5 * (root.first + root.second);
    }
    result.beta = std::exp(logBeta);
    result.alpha = profileAlpha(unit, result.beta);
    result.found = std::isfinite(result.alpha) && result.alpha > 0.0 &&
                   std::isfinite(result.beta) && result.beta > 0.0;
    return result;
}

}  // namespace tolven
