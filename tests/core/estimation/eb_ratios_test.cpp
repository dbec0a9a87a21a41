#include "core/estimation/eb_ratios.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "core/estimation/estimate_unit.h"
#include "tests/core/engine_test_support.h"
#include "tests/core/same_double.h"

namespace tolven::test {
namespace {

using EbRatiosTest = EngineTest;

using Figures = std::vector<const char*>;

const Figures EXAMPLE_MLE = {"0.642899", "0.716585", "1.278213", "2.113969", "1.023662",
                             "0.738962", "1.650227", "1.029106", "2.864140", "1.335621"};
const Figures ME_WITH_ZEROS = {"0.545890", "0.643596", "1.237890", "2.104671", "0.969605",
                               "0.632602", "1.625197", "0.962277", "2.875532", "1.289074"};
const Figures ME_WITHOUT_ZEROS = {"0.888140", "0.907250", "1.358511", "2.076844", "1.150636",
                                  "0.990141", "1.674104", "1.178774", "2.745857", "1.419757"};
const Figures NOT_FITTED(10, "-9999.000000");

struct EbCase {
    const char* name;
    int excludeZero;
    int maxIterations;
    double initialValue;  // of both alpha and beta
    const Figures& me;
    const Figures& mle;
};

TEST_F(EbRatiosTest, ExampleRatiosInEveryMode) {
    const EbCase cases[] = {
        {"with zeros", 0, 20, AUTO_START, ME_WITH_ZEROS, EXAMPLE_MLE},
        {"without zeros: the fit reaches the same maximum", 1, 20, AUTO_START, ME_WITHOUT_ZEROS,
         EXAMPLE_MLE},
        {"failed fit", 1, 1, AUTO_START, ME_WITHOUT_ZEROS, NOT_FITTED},
        {"moment ratios ignore the user's start values", 0, 20, 1.0, ME_WITH_ZEROS, EXAMPLE_MLE},
    };
    for (const EbCase& c : cases) {
        SCOPED_TRACE(c.name);
        SetUp();
        runSettings.excludeZero = c.excludeZero;
        runSettings.maxIterations = c.maxIterations;
        runSettings.initialAlpha = runSettings.initialBeta = c.initialValue;
        loadExample();
        estimateUnit();
        for (int i = 1; i <= 10; ++i) {
            SCOPED_TRACE(i);
            EXPECT_EQ(sixDecimals(regionTable.ebRatioME[i]), c.me[i - 1]);
            EXPECT_EQ(sixDecimals(regionTable.ebRatioMLE[i]), c.mle[i - 1]);
        }
    }
}

TEST_F(EbRatiosTest, PosteriorMeanOfEachRegion) {
    loadUnit({0, 10000, 0}, {2.0, 1.0e6, 0.01});
    regionTable.ebRatioME[4] = 7.0;
    regionTable.ebRatioMLE[4] = 7.0;
    unitResults.meAlpha = 4.0;
    unitResults.meBeta = 6.0;
    unitResults.mleConverged = 1;
    unitResults.mleAlpha = 2.0;
    unitResults.mleBeta = 3.0;
    computeEbRatios();
    // A zero count still gets beta / (alpha + E).
    EXPECT_DOUBLE_EQ(regionTable.ebRatioME[1], 6.0 / 6.0);
    EXPECT_DOUBLE_EQ(regionTable.ebRatioMLE[1], 3.0 / 4.0);
    // A large expected count keeps its raw ratio 0.01 (the prior moves it by
    // about 3e-6); a small one is pulled from its raw 0 to the prior mean 1.5
    // (it stays about 0.007 short of it).
    constexpr double KEPT_RAW_RATIO = 1e-4;
    constexpr double REACHED_PRIOR_MEAN = 1e-2;
    EXPECT_NEAR(regionTable.ebRatioMLE[2], 0.01, KEPT_RAW_RATIO);
    EXPECT_NEAR(regionTable.ebRatioMLE[3], 1.5, REACHED_PRIOR_MEAN);
    EXPECT_EQ(regionTable.ebRatioME[4], 7.0);
    EXPECT_EQ(regionTable.ebRatioMLE[4], 7.0);
}

}  // namespace
}  // namespace tolven::test
