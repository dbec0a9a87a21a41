#include "reports/posterior_columns.h"

#include <gtest/gtest.h>

#include <limits>

namespace tolven {
namespace {

TEST(PosteriorColumnsTest, HeaderNamesTheThresholdAndTheMomentVariant) {
    struct Case {
        char separator;
        bool excludeZero;
        double threshold;
        const char* text;
    };
    const Case cases[] = {
        {'\t', false, 100.0,
         "\tEB-Lower(ME+0)(%)\tEB-Upper(ME+0)(%)\tP(>100%)(ME+0)"
         "\tEB-Lower(MLE)(%)\tEB-Upper(MLE)(%)\tP(>100%)(MLE)"},
        {',', true, 112.5,
         ",EB-Lower(ME-0)(%),EB-Upper(ME-0)(%),P(>112.5%)(ME-0)"
         ",EB-Lower(MLE)(%),EB-Upper(MLE)(%),P(>112.5%)(MLE)"},
        {',', false, 0.1,
         ",EB-Lower(ME+0)(%),EB-Upper(ME+0)(%),P(>0.1%)(ME+0)"
         ",EB-Lower(MLE)(%),EB-Upper(MLE)(%),P(>0.1%)(MLE)"},
    };
    for (const Case& c : cases) {
        std::string out = "Unit";
        appendPosteriorHeader(out, c.separator, c.excludeZero, c.threshold);
        EXPECT_EQ(out, std::string("Unit") + c.text);
    }
}

TEST(PosteriorColumnsTest, ValuesInPercentAndMissingPriorsAsStars) {
    const PosteriorSummary me{0.8, 1.25, 0.3};
    const PosteriorSummary mle{1.0 / 3.0, 2.0, 1e-20};
    const PosteriorSummary nan{std::numeric_limits<double>::quiet_NaN(), 1.0, 0.5};
    struct Case {
        const PosteriorSummary* me;
        const PosteriorSummary* mle;
        const char* text;
    };
    const Case cases[] = {
        {&me, &mle, ",80.000000,125.000000,0.300000,33.333333,200.000000,0.000000"},
        {&me, nullptr, ",80.000000,125.000000,0.300000,***,***,***"},
        {nullptr, &mle, ",***,***,***,33.333333,200.000000,0.000000"},
        {nullptr, nullptr, ",***,***,***,***,***,***"},
        {&nan, &me, ",nan,100.000000,0.500000,80.000000,125.000000,0.300000"},
    };
    for (const Case& c : cases) {
        std::string out;
        appendPosteriorColumns(out, ',', c.me, c.mle);
        EXPECT_EQ(out, c.text);
    }
}

TEST(PosteriorColumnsTest, LogLineStatesLevelAndThreshold) {
    EXPECT_EQ(posteriorLogLine(95.0, 100.0),
              " Posterior: 95% central credible interval (EB-Lower, EB-Upper) and probability"
              " P(ratio > 100%) for every region under both priors\n");
    const std::string line = posteriorLogLine(99.9, 112.5);
    EXPECT_NE(line.find(" 99.9% central"), std::string::npos);
    EXPECT_NE(line.find("P(ratio > 112.5%)"), std::string::npos);
}

}  // namespace
}  // namespace tolven
