#include "core/estimation/ml_fit.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <string>

#include "core/estimation/ratio_statistics.h"
#include "core/model/not_available.h"
#include "tests/core/engine_test_support.h"
#include "tests/core/same_double.h"

namespace tolven::test {
namespace {

class MlFitTest : public EngineTest {
protected:
    void fitExample() {
        loadExample();
        computeRatioStatistics();
        fitMaximumLikelihood();
    }
};

// One setting of the fit on the example unit and its outcome, each figure as
// "%.6f" prints it; an epsilon of 0 keeps the default, -1 iterations and null
// errors are not checked (a converged fit's errors are always checked against
// epsilon).
struct FitCase {
    const char* name;
    int excludeZero;
    int maxIterations;
    double epsilon;
    double initialAlpha, initialBeta;
    const char* startAlpha;
    const char* startBeta;
    int iterations;
    int converged;
    const char* mleAlpha;
    const char* mleBeta;
    const char* errA;
    const char* errB;
};

TEST_F(MlFitTest, ExampleOutcomes) {
    const FitCase cases[] = {
        {"moment start", 0, 20, 0, -1, -1, "1.647714", "1.991249", 5, 1,  //
         "1.846245", "2.472747", "0.000000", "0.000000"},
        {"moment start without zeros", 1, 20, 0, -1, -1, "2.853579", "4.310659", 12, 1,  //
         "1.846245", "2.472747", nullptr, nullptr},
        {"first update negative and last permitted", 1, 1, 0, -1, -1, "2.853579", "4.310659", 0, 0,
         "-9999.000000", "-9999.000000", "-13.357556", "-22.525688"},
        {"fails at the limit test", 1, 2, 0, -1, -1, "2.853579", "4.310659", 2, 0,  //
         "-9999.000000", "-9999.000000", "0.058467", "0.080698"},
        {"user start values", 0, 20, 0, 1.0, 1.0, "1.000000", "1.000000", 7, 1,  //
         "1.846245", "2.472747", nullptr, nullptr},
        {"start values of exactly 0 mean auto", 0, 20, 0, 0.0, 0.0, "1.647714", "1.991249", 5, 1,
         "1.846245", "2.472747", "0.000000", "0.000000"},
        {"start values chosen one by one", 0, 20, 0, 1.0, -1, "1.000000", "1.991249", -1, 1,
         "1.846245", "2.472747", nullptr, nullptr},
        // The fifth update converges: the convergence test comes first.
        {"last permitted update converges", 0, 5, 0, -1, -1, "1.647714", "1.991249", 5, 1,
         "1.846245", "2.472747", "0.000000", "0.000000"},
        {"no update permitted", 0, 0, 0, -1, -1, "1.647714", "1.991249", 0, 0,  //
         "-9999.000000", "-9999.000000", "9999.000000", "9999.000000"},
        {"negative limit", 0, INT_MIN, 0, -1, -1, "1.647714", "1.991249", 0, 0,  //
         "-9999.000000", "-9999.000000", "9999.000000", "9999.000000"},
        // No update is made: the estimates are the start values and the errors
        // keep their initial value.
        {"huge epsilon", 0, 20, 9999.0, -1, -1, "1.647714", "1.991249", 0, 1,  //
         "1.647714", "1.991249", "9999.000000", "9999.000000"},
        // With two updates permitted a negative first update may still be
        // repaired: both estimates become 0.1 and the errors carry the magnitudes.
        {"negative first update repaired", 1, 2, 100.0, -1, -1, "2.853579", "4.310659", 1, 1,
         "0.100000", "0.100000", "13.357556", "22.525688"},
    };
    for (const FitCase& c : cases) {
        SCOPED_TRACE(c.name);
        SetUp();
        runSettings.excludeZero = c.excludeZero;
        runSettings.maxIterations = c.maxIterations;
        runSettings.initialAlpha = c.initialAlpha;
        runSettings.initialBeta = c.initialBeta;
        if (c.epsilon > 0.0) {
            runSettings.epsilon = c.epsilon;
        }
        fitExample();
        EXPECT_EQ(sixDecimals(unitResults.startAlpha), c.startAlpha);
        EXPECT_EQ(sixDecimals(unitResults.startBeta), c.startBeta);
        if (c.iterations >= 0) {
            EXPECT_EQ(unitResults.iterations, c.iterations);
        }
        EXPECT_EQ(unitResults.mleConverged, c.converged);
        EXPECT_EQ(sixDecimals(unitResults.mleAlpha), c.mleAlpha);
        EXPECT_EQ(sixDecimals(unitResults.mleBeta), c.mleBeta);
        if (c.errA != nullptr) {
            EXPECT_EQ(sixDecimals(unitResults.convergenceError[0]), c.errA);
            EXPECT_EQ(sixDecimals(unitResults.convergenceError[1]), c.errB);
        }
        if (c.converged == 1) {
            EXPECT_LE(unitResults.convergenceError[0], runSettings.epsilon);
            EXPECT_LE(unitResults.convergenceError[1], runSettings.epsilon);
        }
    }
}

TEST_F(MlFitTest, ConvergedErrorsAreTheLastAbsoluteCorrections) {
    fitExample();
    // The corrections as printed to two figures: within half a unit of the
    // second figure.
    constexpr double TWO_FIGURES = 0.05e-7;
    EXPECT_NEAR(unitResults.convergenceError[0], 2.3e-7, TWO_FIGURES);
    EXPECT_NEAR(unitResults.convergenceError[1], 3.5e-7, TWO_FIGURES);
}

TEST_F(MlFitTest, CorrectionEqualToEpsilonConverges) {
    runSettings.excludeZero = 1;
    runSettings.maxIterations = 2;
    fitExample();
    ASSERT_EQ(unitResults.mleConverged, 0);
    const double largest =
        std::fmax(unitResults.convergenceError[0], unitResults.convergenceError[1]);

    runSettings.maxIterations = 20;
    runSettings.epsilon = largest;
    fitExample();
    EXPECT_EQ(unitResults.mleConverged, 1);
    EXPECT_EQ(unitResults.iterations, 2);
}

TEST_F(MlFitTest, UnitWithoutExtraPoissonVariationRunsOff) {
    loadUnit({0, 2, 4, 1, 3, 7, 2, 0, 5, 1}, {1.5, 2.0, 3.0, 1.0, 2.5, 4.0, 2.0, 0.8, 3.5, 1.2});
    computeRatioStatistics();
    fitMaximumLikelihood();
    EXPECT_EQ(unitResults.mleConverged, 0);
    EXPECT_EQ(unitResults.iterations, 20);
    EXPECT_EQ(unitResults.mleAlpha, NOT_AVAILABLE);
    EXPECT_EQ(unitResults.mleBeta, NOT_AVAILABLE);
    for (double error : unitResults.convergenceError) {
        EXPECT_GE(error, 1000.0);
        EXPECT_LT(error, 100000.0);
    }
}

// The fit "converges" to NaN estimates, and every EB ratio of the unit is NaN.
TEST_F(MlFitTest, NonFiniteStartValuesConvergeToNanAfterOneUpdate) {
    struct {
        const char* name;
        std::vector<int> observed;
        std::vector<double> expected;
    } const cases[] = {
        {"one region (NaN start)", {3}, {2.0}},
        {"equal ratios (infinite start)", {2, 3}, {2.0, 3.0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SetUp();
        loadUnit(c.observed, c.expected);
        estimateUnit();
        EXPECT_EQ(unitResults.mleConverged, 1);
        EXPECT_EQ(unitResults.iterations, 1);
        EXPECT_TRUE(std::isnan(unitResults.mleAlpha));
        EXPECT_TRUE(std::isnan(unitResults.mleBeta));
        EXPECT_TRUE(std::isnan(unitResults.convergenceError[0]));
        EXPECT_TRUE(std::isnan(unitResults.convergenceError[1]));
        for (int i = 1; i <= regionTable.regionCount; ++i) {
            EXPECT_TRUE(std::isnan(regionTable.ebRatioME[i]));
            EXPECT_TRUE(std::isnan(regionTable.ebRatioMLE[i]));
        }
    }
}

}  // namespace
}  // namespace tolven::test
