#include "core/numerics/posterior.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "core/model/not_available.h"

namespace tolven {
namespace {

constexpr double INF = std::numeric_limits<double>::infinity();
constexpr double NaN = std::numeric_limits<double>::quiet_NaN();

// Tolerances, relative unless said otherwise.
// A tail probability against its Poisson sum in long double.
constexpr double TAIL_TOLERANCE = 1e-9;
// A far tail (below 1e-12) against its closed form, and against its Poisson
// sum when the shape is around a million.
constexpr double CLOSED_FORM_TAIL_TOLERANCE = 1e-13;
constexpr double MILLION_SHAPE_TAIL_TOLERANCE = 1e-8;
// A bound that is a plain formula of the shape and the rate, computed in
// double, is a few roundings off: absolute on bounds of order 1 to 20, and on
// the ratio of a huge bound to its formula.
constexpr double ROUNDING_TOLERANCE = 1e-12;
// In standard deviations: Cornish-Fisher's first correction to the normal
// limit at a shape around a million.
constexpr double NORMAL_LIMIT_TOLERANCE = 1e-4;

// The Poisson probabilities e^-x x^k / k! for k in [from, to], summed in long
// double from logarithms (std::lgamma, no Boost). For a whole shape n the
// Gamma(n, 1) tails are Poisson sums:
//   Q(n, x) = P(Poisson(x) <= n - 1),   P(n, x) = P(Poisson(x) >= n),
// each summed term by term, without a subtraction that would lose a far tail.
long double poissonSum(double x, long long from, long long to) {
    const long double lx = std::log(static_cast<long double>(x));
    long double sum = 0.0L;
    for (long long k = from; k <= to; ++k) {
        const long double kk = static_cast<long double>(k);
        sum += std::exp(kk * lx - x - std::lgamma(kk + 1.0L));
    }
    return sum;
}

// Terms more than this many standard deviations from the mean are below
// 1e-300 and left out, so sums over ~10^6 terms stay short.
long long reach(double x) { return static_cast<long long>(40.0 * std::sqrt(x + 1.0) + 40.0); }

// Q(n, x): the probability that Gamma(n, 1) lies above x.
double upperTailWholeShape(long long n, double x) {
    const long long centre = static_cast<long long>(x);
    const long long from = std::max(0LL, centre - reach(x));
    if (from > n - 1) return 0.0;  // the whole sum is below 1e-300
    return static_cast<double>(poissonSum(x, from, n - 1));
}

// P(n, x): the probability that Gamma(n, 1) lies below x.
double lowerTailWholeShape(long long n, double x) {
    const long long centre = static_cast<long long>(x);
    const long long to = std::max(n, centre + reach(x));
    return static_cast<double>(poissonSum(x, n, to));
}

// Whole prior shape beta, so that the posterior shape beta + O is whole.
struct WholeShapeCase {
    const char* name;
    double alpha;
    int beta;
    int observed;
    double expected;
    double level;
    double threshold;
};

// Each bound must leave exactly (1 - level) / 2 in its tail, and the
// exceedance must be the Poisson sum, to near double precision.
TEST(PosteriorTest, BoundsAndExceedanceMatchPoissonSums) {
    const WholeShapeCase cases[] = {
        {"no cases", 2.0, 3, 0, 1.5, 0.95, 1.0},
        {"no cases, 50%", 2.0, 3, 0, 1.5, 0.5, 0.2},
        {"no cases, 99.9%", 2.0, 3, 0, 1.5, 0.999, 3.0},
        {"few cases", 1.0, 1, 4, 2.5, 0.95, 1.0},
        {"few cases, 99.9%", 0.5, 2, 7, 3.25, 0.999, 2.0},
        {"thousands", 10.0, 20, 3000, 2900.25, 0.95, 1.0},
        {"thousands, 50%", 10.0, 20, 3000, 2900.25, 0.5, 1.05},
        {"a million above expected", 75.0, 75, 1000000, 998000.5, 0.95, 1.0},
        {"a million, 99.9%", 75.0, 75, 1000000, 1000000.0, 0.999, 1.0},
        {"a million, 50%", 75.0, 75, 1000000, 1003000.0, 0.5, 1.001},
    };
    for (const WholeShapeCase& c : cases) {
        SCOPED_TRACE(c.name);
        const PosteriorSummary s =
            summarizePosterior(c.alpha, c.beta, c.observed, c.expected, c.level, c.threshold);
        const long long shape = c.beta + c.observed;
        const double rate = c.alpha + c.expected;
        const double tail = (1.0 - c.level) / 2.0;
        ASSERT_LT(s.lower, s.upper);
        EXPECT_NEAR(lowerTailWholeShape(shape, rate * s.lower), tail, TAIL_TOLERANCE * tail);
        EXPECT_NEAR(upperTailWholeShape(shape, rate * s.upper), tail, TAIL_TOLERANCE * tail);
        const double exceedance = upperTailWholeShape(shape, rate * c.threshold);
        EXPECT_NEAR(s.exceedance, exceedance, TAIL_TOLERANCE * exceedance);
    }
}

// With counts around a million the posterior is nearly normal: the bounds
// lie 1.959964 standard deviations from the mean, shifted by the skewness
// 2 / sqrt(shape) as Cornish-Fisher says, to far better than 1e-4 of a
// standard deviation.
TEST(PosteriorTest, MillionCountBoundsFollowTheNormalLimit) {
    const double alpha = 80.5;
    const double beta = 70.25;
    const int observed = 1234567;
    const double expected = 1200000.75;
    const PosteriorSummary s = summarizePosterior(alpha, beta, observed, expected, 0.95, 1.0);
    const double shape = beta + observed;
    const double rate = alpha + expected;
    const double mean = shape / rate;
    const double sd = std::sqrt(shape) / rate;
    const double z = 1.959963984540054;
    const double skewShift = (z * z - 1.0) / 6.0 * (2.0 / std::sqrt(shape));
    EXPECT_NEAR(s.lower, mean + sd * (-z + skewShift), NORMAL_LIMIT_TOLERANCE * sd);
    EXPECT_NEAR(s.upper, mean + sd * (z + skewShift), NORMAL_LIMIT_TOLERANCE * sd);
    // The threshold lies some 17 standard deviations below the mean.
    EXPECT_EQ(s.exceedance, 1.0);
}

// Far tails keep their digits: the complement is computed directly, so a
// probability of 1e-22 is not lost to 1 - (1 - 1e-22) = 0. Shape 1 gives the
// closed form exp(-rate * threshold) for the exceedance and -log(q) / rate
// for the upper bound.
TEST(PosteriorTest, FarTailsKeepTheirRelativeAccuracy) {
    struct Case {
        double expected;
        double threshold;
    };
    for (const Case c : {Case{9.0, 5.0}, Case{99.0, 7.0}, Case{0.5, 400.0}}) {
        const PosteriorSummary s = summarizePosterior(1.0, 1.0, 0, c.expected, 0.95, c.threshold);
        const double rate = 1.0 + c.expected;
        const double closedForm = std::exp(-rate * c.threshold);
        ASSERT_LT(closedForm, 1e-12);
        EXPECT_NEAR(s.exceedance, closedForm, CLOSED_FORM_TAIL_TOLERANCE * closedForm)
            << c.expected;
    }
    const PosteriorSummary wide = summarizePosterior(1.0, 1.0, 0, 1.0, 1.0 - 1e-15, 1.0);
    const double wideUpper = -std::log((1.0 - (1.0 - 1e-15)) / 2.0) / 2.0;
    EXPECT_NEAR(wide.upper, wideUpper, ROUNDING_TOLERANCE);

    // Counts around a million, 8 standard deviations above the mean.
    const int observed = 1000000;
    const double rate = 1.0 + 1000000.0;
    const double threshold = (observed + 1.0 + 8.0 * std::sqrt(observed + 1.0)) / rate;
    const double exceedance =
        summarizePosterior(1.0, 1.0, observed, 1000000.0, 0.95, threshold).exceedance;
    const double expectedTail = upperTailWholeShape(observed + 1, rate * threshold);
    ASSERT_LT(expectedTail, 1e-13);
    EXPECT_NEAR(exceedance, expectedTail, MILLION_SHAPE_TAIL_TOLERANCE * expectedTail);
}

TEST(PosteriorTest, MissingAndDegeneratePriorsGiveNoPosterior) {
    struct Prior {
        double alpha;
        double beta;
    };
    const Prior unusable[] = {
        {NOT_AVAILABLE, NOT_AVAILABLE},
        {NOT_AVAILABLE, 2.0},
        {2.0, NOT_AVAILABLE},
        {NaN, 2.0},
        {2.0, NaN},
        {INF, 2.0},
        {2.0, INF},
        {0.0, 2.0},
        {2.0, 0.0},
        {-1.0, 2.0},
        {2.0, -1.0},
        {-INF, 2.0},
    };
    for (const Prior p : unusable) {
        EXPECT_FALSE(priorUsable(p.alpha, p.beta)) << p.alpha << ", " << p.beta;
        const PosteriorSummary s = summarizePosterior(p.alpha, p.beta, 3, 2.0, 0.95, 1.0);
        EXPECT_TRUE(std::isnan(s.lower) && std::isnan(s.upper) && std::isnan(s.exceedance))
            << p.alpha << ", " << p.beta;
    }
    EXPECT_TRUE(priorUsable(1e-300, 1e300));
}

// Out-of-range arguments give NaN where they enter, never an exception or a
// wrong number; extreme but valid ones give the limits.
TEST(PosteriorTest, DegenerateArgumentsGiveNaNOrLimits) {
    struct Case {
        const char* name;
        double alpha, beta;
        int observed;
        double expected, level, threshold;
        bool boundsNaN, exceedanceNaN;
    };
    const Case cases[] = {
        {"negative count", 1, 1, -1, 2.0, 0.95, 1.0, true, true},
        {"negative expected", 1, 1, 1, -2.0, 0.95, 1.0, true, true},
        {"expected NaN", 1, 1, 1, NaN, 0.95, 1.0, true, true},
        {"expected inf", 1, 1, 1, INF, 0.95, 1.0, true, true},
        {"rate overflows", 1.7e308, 1, 1, 1.7e308, 0.95, 1.0, true, true},
        {"level 0", 1, 1, 1, 2.0, 0.0, 1.0, true, false},
        {"level 1", 1, 1, 1, 2.0, 1.0, 1.0, true, false},
        {"level NaN", 1, 1, 1, 2.0, NaN, 1.0, true, false},
        {"threshold 0", 1, 1, 1, 2.0, 0.95, 0.0, false, true},
        {"threshold inf", 1, 1, 1, 2.0, 0.95, INF, false, true},
        {"threshold NaN", 1, 1, 1, 2.0, 0.95, NaN, false, true},
    };
    for (const Case& c : cases) {
        const PosteriorSummary s =
            summarizePosterior(c.alpha, c.beta, c.observed, c.expected, c.level, c.threshold);
        EXPECT_EQ(std::isnan(s.lower), c.boundsNaN) << c.name;
        EXPECT_EQ(std::isnan(s.upper), c.boundsNaN) << c.name;
        EXPECT_EQ(std::isnan(s.exceedance), c.exceedanceNaN) << c.name;
    }
    // rate * threshold overflows: nothing lies beyond.
    EXPECT_EQ(summarizePosterior(1, 1, 0, 1.0, 0.95, 1e308).exceedance, 0.0);
    // A threshold far below the bulk of a large shape: everything lies beyond.
    EXPECT_EQ(summarizePosterior(1, 1755, 0, 1e-9, 0.95, 4.4e-11).exceedance, 1.0);
    // A shape near the double range: finite bounds around the mean.
    const PosteriorSummary huge = summarizePosterior(1.0, 1e300, 5, 1.0, 0.95, 1.0);
    EXPECT_NEAR(huge.lower / 5e299, 1.0, ROUNDING_TOLERANCE);
    EXPECT_NEAR(huge.upper / 5e299, 1.0, ROUNDING_TOLERANCE);
    EXPECT_EQ(huge.exceedance, 1.0);
}

}  // namespace
}  // namespace tolven
