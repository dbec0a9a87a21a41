#include "core/numerics/safeguarded_fit.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "core/estimation/ml_fit.h"
#include "core/estimation/ratio_statistics.h"
#include "core/numerics/profile_likelihood.h"
#include "reports/safeguarded_fit_log.h"
#include "tests/core/engine_test_support.h"
#include "tests/core/same_double.h"

namespace tolven::test {
namespace {

class SafeguardedFitTest : public EngineTest {
protected:
    // Whether the engine's plain Newton-Raphson fit, with the default settings
    // and the given start, ends at finite positive estimates.
    bool newtonFitSucceeds(const std::vector<int>& observed, const std::vector<double>& expected,
                           int excludeZero, double initialAlpha, double initialBeta) {
        SetUp();
        runSettings.excludeZero = excludeZero;
        runSettings.initialAlpha = initialAlpha;
        runSettings.initialBeta = initialBeta;
        loadUnit(observed, expected);
        computeRatioStatistics();
        fitMaximumLikelihood();
        return unitResults.mleConverged == 1 && std::isfinite(unitResults.mleAlpha) &&
               unitResults.mleAlpha > 0.0 && std::isfinite(unitResults.mleBeta) &&
               unitResults.mleBeta > 0.0;
    }
};
using Real = long double;

// Relative tolerances.
// Two maximisations of one likelihood by different routes agree on the
// maximum's location to this (the profile is flat near its top).
constexpr double SAME_MAXIMUM_TOLERANCE = 1e-9;
// A sum of count logarithms in double against the same sum in long double.
constexpr double LOG_SUM_TOLERANCE = 1e-14;
// The dispersion score against a second-order finite difference of the
// likelihood (of the size of the score, or absolute near 0).
constexpr double FINITE_DIFFERENCE_TOLERANCE = 1e-4;

SafeguardedFitResult fit(const Counts& unit, const std::atomic<bool>* cancel = nullptr) {
    DigammaSums scratch;
    return fitSafeguarded(unit.observed.data(), unit.expected.data(), unit.size(), scratch, cancel);
}

// The checks below are computed here in long double from the textbook
// formulas, independently of the code under test.

// ln G(O + beta) - ln G(beta).
Real plainLnGammaRatio(int count, Real beta) {
    if (count < 1000) {
        Real sum = 0.0L;
        for (int j = 0; j < count; ++j) sum += std::log(beta + j);
        return sum;
    }
    return std::lgamma(beta + count) - std::lgamma(beta);
}

Real plainLogLikelihood(const Counts& unit, Real alpha, Real beta) {
    Real sum = 0.0L;
    for (int i = 1; i <= unit.size(); ++i) {
        const Real o = unit.observed[i];
        sum += plainLnGammaRatio(unit.observed[i], beta) + beta * std::log(alpha) -
               (o + beta) * std::log(alpha + unit.expected[i]);
    }
    return sum;
}

// The alpha that maximises l for this beta, by bisection on the alpha score.
Real plainProfileAlpha(const Counts& unit, Real beta) {
    Real low = 1e-30L;
    Real high = 1e30L;
    for (int k = 0; k < 128; ++k) {
        const Real middle = std::sqrt(low * high);
        Real score = 0.0L;
        for (int i = 1; i <= unit.size(); ++i) {
            score += beta / middle - (unit.observed[i] + beta) / (middle + unit.expected[i]);
        }
        (score > 0.0L ? low : high) = middle;
    }
    return std::sqrt(low * high);
}

struct ScoreAndHessian {
    Real scoreAlpha, scaleAlpha;  // the score and the sum of its terms' absolute values
    Real scoreBeta, scaleBeta;
    Real haa, hab, hbb;
};

ScoreAndHessian plainDerivatives(const Counts& unit, Real alpha, Real beta) {
    ScoreAndHessian d{};
    for (int i = 1; i <= unit.size(); ++i) {
        const Real o = unit.observed[i];
        const Real e = unit.expected[i];
        Real t = 0.0L;
        Real u = 0.0L;
        for (std::int64_t j = 0; j < unit.observed[i]; ++j) {
            t += 1.0L / (beta + j);
            u += 1.0L / ((beta + j) * (beta + j));
        }
        const Real shift = std::log1p(e / alpha);
        d.scoreAlpha += beta / alpha - (o + beta) / (alpha + e);
        d.scaleAlpha += beta / alpha + (o + beta) / (alpha + e);
        d.scoreBeta += t - shift;
        d.scaleBeta += t + shift;
        d.haa += -beta / (alpha * alpha) + (o + beta) / ((alpha + e) * (alpha + e));
        d.hab += 1.0L / alpha - 1.0L / (alpha + e);
        d.hbb -= u;
    }
    return d;
}

// Checks that (alpha, beta) is the maximum of l: a zero score, a negative
// definite Hessian, and no higher profile value on a fine grid in beta.
void expectMaximum(const Counts& unit, double alpha, double beta) {
    const ScoreAndHessian d = plainDerivatives(unit, alpha, beta);
    EXPECT_LE(std::fabs(d.scoreAlpha), 1e-8L * d.scaleAlpha);
    EXPECT_LE(std::fabs(d.scoreBeta), 1e-8L * d.scaleBeta);
    EXPECT_LT(d.haa, 0.0L);
    EXPECT_GT(d.haa * d.hbb - d.hab * d.hab, 0.0L);

    const Real best = plainLogLikelihood(unit, alpha, beta);
    const Real tolerance = 1e-12L * std::fabs(best) + 1e-12L;
    for (int step = -150; step <= 250; ++step) {  // beta from 1e-6 to 1e10
        const Real gridBeta = std::pow(10.0L, step / 25.0L);
        const Real value = plainLogLikelihood(unit, plainProfileAlpha(unit, gridBeta), gridBeta);
        if (!(value <= best + tolerance)) {
            ADD_FAILURE() << "profile at beta " << static_cast<double>(gridBeta) << " is "
                          << static_cast<double>(value - best) << " above the fit";
            return;
        }
    }
}

const std::vector<int> EXAMPLE_O = EXAMPLE_OBSERVED;
const std::vector<double> EXAMPLE_E = EXAMPLE_EXPECTED;
const std::vector<int> SMALL_O = {0, 9, 0, 4, 6, 1, 5, 2, 3, 2};
const std::vector<double> SMALL_E = {3.8, 4.0, 4.2, 3.3, 3.5, 3.0, 4.7, 4.9, 1.4, 1.8};
const std::vector<int> HUNDREDS_O = {301, 0, 0, 0, 179, 132, 752, 1030, 640, 189};
const std::vector<double> HUNDREDS_E = {430.4, 1011.1, 247.6,  814.4,  493.6,
                                        710.2, 749.3,  1007.0, 1140.8, 647.2};
const std::vector<int> THOUSANDS_O = {2836, 651, 885, 2213, 3892, 3879, 2411, 4764, 671, 5030};
const std::vector<double> THOUSANDS_E = {2945.0, 627.4,  855.3,  2228.5, 3732.7,
                                         3822.2, 2363.7, 4667.3, 639.6,  4698.7};
const std::vector<int> SKEWED_O = {0, 2362, 2, 14667, 6, 124, 2956, 8938, 0, 246};
const std::vector<double> SKEWED_E = {904.0, 684.7, 1416.2, 774.8, 629.1,
                                      485.8, 956.9, 725.8,  990.0, 1258.3};
const std::vector<int> MILLIONS_O = {1010000, 1176000, 824000,  1067000, 918000,
                                     1039500, 988000,  1104000, 850000,  1015000};
const std::vector<double> MILLIONS_E = {1.0e6,  1.2e6,  0.8e6,  1.1e6,  0.9e6,
                                        1.05e6, 0.95e6, 1.15e6, 0.85e6, 1.0e6};

TEST_F(SafeguardedFitTest, ReachesTheMaximumWhereNewtonRunsAway) {
    struct {
        const char* name;
        std::vector<int> observed;
        std::vector<double> expected;
        int excludeZero;
        double initialAlpha, initialBeta;  // the start that makes Newton run away
        const char* alpha = nullptr;       // the maximum as "%.6f" prints it, where known
        const char* beta = nullptr;
    } const cases[] = {
        {"small counts, moment start without zeros far above", SMALL_O, SMALL_E, 1, -1, -1},
        {"example, start ten times above", EXAMPLE_O, EXAMPLE_E, 0, 18.5, 24.7, "1.846245",
         "2.472747"},
        {"example, beta start far below", EXAMPLE_O, EXAMPLE_E, 0, 1.85, 0.0025, "1.846245",
         "2.472747"},
        {"hundreds, moment start without zeros far above", HUNDREDS_O, HUNDREDS_E, 1, -1, -1},
        {"thousands, little spread, moment start above", THOUSANDS_O, THOUSANDS_E, 0, -1, -1},
        {"thousands, beta start far below", THOUSANDS_O, THOUSANDS_E, 0, 1700.0, 1.7},
        {"tens of thousands, skewed, moment start above", SKEWED_O, SKEWED_E, 0, -1, -1},
        {"millions, start far above", MILLIONS_O, MILLIONS_E, 0, 1.0e6, 1.0e6},
        {"millions, beta start far below", MILLIONS_O, MILLIONS_E, 0, 1000.0, 1.0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Counts unit(c.observed, c.expected);
        ASSERT_FALSE(newtonFitSucceeds(c.observed, c.expected, c.excludeZero, c.initialAlpha,
                                       c.initialBeta));

        const SafeguardedFitResult result = fit(unit);
        ASSERT_TRUE(result.converged);
        EXPECT_EQ(result.reason, NoMaximumReason::none);
        EXPECT_FALSE(result.cancelled);
        EXPECT_GT(result.steps, 0);
        EXPECT_STREQ(result.method, SAFEGUARDED_NEWTON_METHOD);
        expectMaximum(unit, result.alpha, result.beta);
        if (c.alpha != nullptr) {
            EXPECT_EQ(sixDecimals(result.alpha), c.alpha);
            EXPECT_EQ(sixDecimals(result.beta), c.beta);
        }

        // The fallback on the profile reaches the same point from a wide bracket.
        DigammaSums scratch;
        scratch.prepare(unit.observed.data(), unit.size());
        const ProfileMaximum profile =
            maximiseProfileLikelihood(unit.view(), std::log(1e-3), std::log(1e9), scratch);
        ASSERT_TRUE(profile.found);
        EXPECT_NEAR(profile.alpha / result.alpha, 1.0, SAME_MAXIMUM_TOLERANCE);
        EXPECT_NEAR(profile.beta / result.beta, 1.0, SAME_MAXIMUM_TOLERANCE);
    }
}

TEST_F(SafeguardedFitTest, UnitsWithoutFiniteMaximumAreReportedWithoutIterating) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    struct {
        const char* name;
        std::vector<int> observed;
        std::vector<double> expected;
        NoMaximumReason reason;
    } const cases[] = {
        {"less spread than Poisson",
         {0, 2, 4, 1, 3, 7, 2, 0, 5, 1},
         {1.5, 2.0, 3.0, 1.0, 2.5, 4.0, 2.0, 0.8, 3.5, 1.2},
         NoMaximumReason::noOverdispersion},
        {"equal ratios", {2, 3}, {2.0, 3.0}, NoMaximumReason::noOverdispersion},
        {"one region", {3}, {2.0}, NoMaximumReason::noOverdispersion},
        {"one region without cases", {0}, {2.0}, NoMaximumReason::allCountsZero},
        {"all counts zero", {0, 0, 0}, {1.0, 2.0, 3.0}, NoMaximumReason::allCountsZero},
        {"no regions", {}, {}, NoMaximumReason::invalidCounts},
        {"negative count", {2, -1, 5}, {1.0, 1.0, 1.0}, NoMaximumReason::invalidCounts},
        {"expected NaN", {0, 9, 1}, {1.0, nan, 1.0}, NoMaximumReason::invalidCounts},
        {"expected infinite", {0, 9, 1}, {1.0, inf, 1.0}, NoMaximumReason::invalidCounts},
        {"expected zero", {0, 9, 1}, {1.0, 0.0, 1.0}, NoMaximumReason::invalidCounts},
        {"expected negative", {0, 9, 1}, {1.0, -2.0, 1.0}, NoMaximumReason::invalidCounts},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Counts unit(c.observed, c.expected);
        const SafeguardedFitResult result = fit(unit);
        EXPECT_EQ(result.reason, c.reason);
        EXPECT_FALSE(result.converged);
        EXPECT_EQ(result.steps, 0);
        EXPECT_STREQ(result.method, "");
        if (c.reason == NoMaximumReason::noOverdispersion) {
            // The profile likelihood really does keep rising towards the
            // Poisson limit.
            Real previous = -std::numeric_limits<Real>::infinity();
            for (Real beta : {1e-2L, 1.0L, 1e2L, 1e4L, 1e6L}) {
                const Real value = plainLogLikelihood(unit, plainProfileAlpha(unit, beta), beta);
                EXPECT_GT(value, previous) << "beta " << static_cast<double>(beta);
                previous = value;
            }
        }
    }
}

TEST_F(SafeguardedFitTest, DispersionScoreIsTheSlopeInOneOverBetaAtThePoissonLimit) {
    const std::pair<std::vector<int>, std::vector<double>> units[] = {
        {EXAMPLE_O, EXAMPLE_E},
        {{0, 2, 4, 1, 3, 7, 2, 0, 5, 1}, {1.5, 2.0, 3.0, 1.0, 2.5, 4.0, 2.0, 0.8, 3.5, 1.2}},
        {HUNDREDS_O, HUNDREDS_E},
    };
    for (const auto& [observed, expected] : units) {
        const Counts unit(observed, expected);
        Real observedSum = 0.0L, expectedSum = 0.0L;
        for (int i = 1; i <= unit.size(); ++i) {
            observedSum += unit.observed[i];
            expectedSum += unit.expected[i];
        }
        // l along beta = 1/phi, alpha = beta/mu with the Poisson mean mu fixed.
        const Real mean = observedSum / expectedSum;
        const auto along = [&](Real phi) {
            return plainLogLikelihood(unit, 1 / (phi * mean), 1 / phi);
        };
        const Real phi = 1e-6L;
        const Real slope = (along(2 * phi) - along(phi)) / phi;  // slope at 1.5 phi
        const Real curvatureCorrection = (along(3 * phi) - 2 * along(2 * phi) + along(phi)) / phi;
        const double score = poissonLimitDispersionScore(unit.view());
        EXPECT_NEAR(score, static_cast<double>(slope - 1.5L * curvatureCorrection),
                    FINITE_DIFFERENCE_TOLERANCE * (std::fabs(score) + 1.0));
    }
}

TEST_F(SafeguardedFitTest, LnGammaRatioIsTheSumOfLogs) {
    // Both sides of the switch to Stirling's form, up to huge beta and large counts.
    for (double beta : {1e-9, 0.5, 19.999, 20.0, 1234.5, 1e9, 1e15}) {
        for (int count : {1, 7, 1000, 200000}) {
            SCOPED_TRACE(testing::Message() << "beta " << beta << ", count " << count);
            Real sum = 0.0L;
            for (int j = 0; j < count; ++j) sum += std::log(static_cast<Real>(beta) + j);
            const double scale = count * std::fabs(std::log(beta + count)) + 1.0;
            EXPECT_NEAR(lnGammaRatio(count, beta), static_cast<double>(sum),
                        LOG_SUM_TOLERANCE * scale);
        }
    }
    EXPECT_EQ(lnGammaRatio(0, 3.0), 0.0);
    EXPECT_TRUE(std::isnan(lnGammaRatio(3, 0.0)));
    EXPECT_TRUE(std::isnan(lnGammaRatio(3, std::numeric_limits<double>::infinity())));
}

TEST_F(SafeguardedFitTest, StopRequestEndsTheFitUnconverged) {
    const Counts unit(SMALL_O, SMALL_E);
    const std::atomic<bool> stop{true};
    const SafeguardedFitResult result = fit(unit, &stop);
    EXPECT_TRUE(result.cancelled);
    EXPECT_FALSE(result.converged);
    EXPECT_EQ(result.reason, NoMaximumReason::none);
}

TEST_F(SafeguardedFitTest, LogLines) {
    const auto result = [](bool converged, const char* method, int steps, NoMaximumReason reason,
                           bool cancelled) {
        SafeguardedFitResult r;
        r.converged = converged;
        r.method = method;
        r.steps = steps;
        r.reason = reason;
        r.cancelled = cancelled;
        return r;
    };
    const NoMaximumReason none = NoMaximumReason::none;
    struct {
        SafeguardedFitResult result;
        const char* line;
    } const cases[] = {
        {result(true, SAFEGUARDED_NEWTON_METHOD, 6, none, false),
         " Safeguarded fit : Newton on log scale with line search, 6 steps"},
        {result(true, PROFILE_BRENT_METHOD, 1, none, false),
         " Safeguarded fit : profile likelihood (Brent), 1 step"},
        {result(false, PROFILE_BRENT_METHOD, 23, none, false),
         " Safeguarded fit : profile likelihood (Brent), no convergence after 23 steps"},
        {result(false, SAFEGUARDED_NEWTON_METHOD, 3, none, true),
         " Safeguarded fit : stopped before convergence"},
        {result(false, "", 0, NoMaximumReason::allCountsZero, false),
         " No finite maximum : all counts are zero"},
        {result(false, "", 0, NoMaximumReason::noOverdispersion, false),
         " No finite maximum : no overdispersion (the likelihood keeps increasing as beta grows "
         "with beta/alpha fixed)"},
        {result(false, "", 0, NoMaximumReason::invalidCounts, false),
         " No finite maximum : invalid counts"},
    };
    for (const auto& c : cases) EXPECT_EQ(safeguardedFitLogLine(c.result), c.line);
}

}  // namespace
}  // namespace tolven::test
