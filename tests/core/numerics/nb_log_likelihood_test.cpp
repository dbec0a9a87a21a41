#include "core/numerics/nb_log_likelihood.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "core/numerics/digamma_sums.h"
#include "tests/core/engine_test_support.h"

namespace tolven::test {
namespace {

// Step of the central differences, on the log scale of alpha and beta.
constexpr double STEP = 1e-4;
// Agreement of an analytic derivative with its central difference, relative
// to the size of the derivatives of the unit at that point: the difference is
// off by about STEP^2 times the third derivative, plus the rounding of the
// differenced values divided by STEP.
constexpr double FINITE_DIFFERENCE_TOLERANCE = 1e-6;

// l at (e^a, e^b).
double valueAt(const Counts& unit, double a, double b) {
    return nbLogLikelihood(unit.view(), std::exp(a), std::exp(b)).value;
}

LogScaleDerivatives derivativesAt(const Counts& unit, double a, double b) {
    DigammaSums sums;
    sums.prepare(unit.observed.data(), unit.size());
    sums.evaluate(std::exp(b));
    return nbLogScaleDerivatives(unit.view(), std::exp(a), std::exp(b), sums);
}

// The score against central differences of the value, the Hessian against
// central differences of the score, on both sides of the switch to Stirling's
// form (beta 20) and near the example's maximum, where the score is about 0.
TEST(NbLogLikelihoodTest, AnalyticDerivativesMatchCentralDifferences) {
    const Counts example(EXAMPLE_OBSERVED, EXAMPLE_EXPECTED);
    const Counts hundreds({301, 0, 0, 0, 179, 132, 752, 1030, 640, 189},
                          {310.5, 2.0, 1.5, 3.0, 150.25, 140.0, 700.0, 990.5, 660.0, 201.0});
    const struct {
        const char* name;
        const Counts& unit;
        double alpha;
        double beta;
    } cases[] = {
        {"example at its maximum", example, 1.8462451, 2.4727469},
        {"example, small alpha and beta", example, 0.05, 0.3},
        {"example, beta past the switch", example, 20.0, 50.0},
        {"hundreds, small beta", hundreds, 0.01, 0.8},
        {"hundreds, large beta", hundreds, 300.0, 2500.0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const double a = std::log(c.alpha);
        const double b = std::log(c.beta);
        const LogScaleDerivatives d = derivativesAt(c.unit, a, b);
        const double scale = 1.0 + std::max({std::fabs(d.ga), std::fabs(d.gb), std::fabs(d.haa),
                                             std::fabs(d.hab), std::fabs(d.hbb)});
        const double tolerance = FINITE_DIFFERENCE_TOLERANCE * scale;

        const double gaNumeric =
            (valueAt(c.unit, a + STEP, b) - valueAt(c.unit, a - STEP, b)) / (2 * STEP);
        const double gbNumeric =
            (valueAt(c.unit, a, b + STEP) - valueAt(c.unit, a, b - STEP)) / (2 * STEP);
        EXPECT_NEAR(d.ga, gaNumeric, tolerance);
        EXPECT_NEAR(d.gb, gbNumeric, tolerance);

        const LogScaleDerivatives aUp = derivativesAt(c.unit, a + STEP, b);
        const LogScaleDerivatives aDown = derivativesAt(c.unit, a - STEP, b);
        const LogScaleDerivatives bUp = derivativesAt(c.unit, a, b + STEP);
        const LogScaleDerivatives bDown = derivativesAt(c.unit, a, b - STEP);
        EXPECT_NEAR(d.haa, (aUp.ga - aDown.ga) / (2 * STEP), tolerance);
        EXPECT_NEAR(d.hab, (bUp.ga - bDown.ga) / (2 * STEP), tolerance);
        EXPECT_NEAR(d.hab, (aUp.gb - aDown.gb) / (2 * STEP), tolerance);
        EXPECT_NEAR(d.hbb, (bUp.gb - bDown.gb) / (2 * STEP), tolerance);
    }
}

}  // namespace
}  // namespace tolven::test
