#include "reports/log_report.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "core/model/not_available.h"

namespace tolven {
namespace {

class LogReportTest : public ::testing::Test {
protected:
    void SetUp() override {
        setDefaultSettings(runSettings);
        // Figures of a ten-region unit whose fit converged in five steps.
        regionTable.regionCount = 10;
        unitResults.iterations = 5;
        unitResults.mleConverged = 1;
        unitResults.ratioMean = 1.2084921;
        unitResults.ratioVariance = 0.7334359;
        unitResults.startAlpha = 1.6477141;
        unitResults.startBeta = 1.9912489;
        unitResults.meAlpha = 1.6477141;
        unitResults.meBeta = 1.9912489;
        unitResults.mleAlpha = 1.8462451;
        unitResults.mleBeta = 2.4727469;
        unitResults.convergenceError[0] = 2.1e-9;
        unitResults.convergenceError[1] = 3.4e-9;
    }

    std::string section(LogForm form, int unit = 0) {
        std::string out;
        writeLogSection(out, form, unit, regionTable, unitResults, runSettings);
        return out;
    }

    RegionTable regionTable;
    UnitResults unitResults;
    RunSettings runSettings;
};

TEST_F(LogReportTest, HeaderIsTitleCopyrightAndEmptyLine) {
    std::string header;
    writeLogHeader(header);
    EXPECT_EQ(header,
              "EB estimator for Poisson-Gamma model [Version 2.1]\n"
              "Copyright (C) 2026 TOLVEN developers\n"
              "\n");
}

TEST_F(LogReportTest, FailedFitHidesBothMleLinesByAlphaAlone) {
    runSettings.excludeZero = 1;
    runSettings.epsilon = 0.5;
    unitResults.mleAlpha = NOT_AVAILABLE;
    unitResults.mleBeta = 3.0;  // not looked at
    unitResults.iterations = 20;
    unitResults.convergenceError[0] = 12.25;
    unitResults.convergenceError[1] = -0.125;
    EXPECT_EQ(section(LogForm::perUnit, 42),
              "For unit 42 ..............................................\n"
              " Number of regions: 10\n"
              " Mean of Ratio     (exclude zero) : 1.208492\n"
              " Variance of Ratio (exclude zero) : 0.733436\n"
              " Initial value of Alpha : 1.647714\n"
              " Initial value of Beta  : 1.991249\n"
              " ME of Alpha (exclude zero) : 1.647714\n"
              " ME of Beta  (exclude zero) : 1.991249\n"
              " MLE of Alpha : *** \n"
              " MLE of Beta  : *** \n"
              " Error of convergence : {12.250000, -0.125000}   (EPS: 0.500000)\n"
              " Iteration for convergence : 20\n"
              "\n");

    unitResults.mleAlpha = 1.0;
    unitResults.mleBeta = NOT_AVAILABLE;  // printed: only alpha decides
    EXPECT_NE(section(LogForm::perUnit, 42).find(" MLE of Beta  : -9999.000000\n"),
              std::string::npos);
}

TEST_F(LogReportTest, OneRegionUnitPrintsMarkersButEpsAndIterations) {
    regionTable.regionCount = 1;
    unitResults.iterations = 1;
    for (const int excludeZero : {0, 1}) {
        runSettings.excludeZero = excludeZero;
        std::string expected =
            "For unit 2 ..............................................\n"
            " Number of regions: 1\n"
            " Mean of Ratio     (%s zero) : *** \n"
            " Variance of Ratio (%s zero) : *** \n"
            " Initial value of Alpha : *** \n"
            " Initial value of Beta  : *** \n"
            " ME of Alpha (%s zero) : *** \n"
            " ME of Beta  (%s zero) : *** \n"
            " MLE of Alpha : *** \n"
            " MLE of Beta  : *** \n"
            " Error of convergence : {***, ***}   (EPS: 0.000010)\n"
            " Iteration for convergence : 1\n"
            "\n";
        for (std::size_t at; (at = expected.find("%s")) != std::string::npos;) {
            expected.replace(at, 2, excludeZero ? "exclude" : "include");
        }
        EXPECT_EQ(section(LogForm::perUnit, 2), expected);
    }
}

TEST_F(LogReportTest, WholeFileBlockHasNoHeadingAndOneFinalLineEnd) {
    // A single region in whole-file mode still prints its values.
    regionTable.regionCount = 1;
    unitResults.ratioVariance = std::numeric_limits<double>::quiet_NaN();
    unitResults.meAlpha = -std::numeric_limits<double>::quiet_NaN();
    unitResults.meBeta = -std::numeric_limits<double>::infinity();
    unitResults.startAlpha = std::numeric_limits<double>::infinity();
    EXPECT_EQ(section(LogForm::wholeFile),
              " Number of regions: 1\n"
              " Mean of Ratio     (include zero) : 1.208492\n"
              " Variance of Ratio (include zero) : nan\n"
              " Initial value of Alpha : inf\n"
              " Initial value of Beta  : 1.991249\n"
              " ME of Alpha (include zero) : nan\n"
              " ME of Beta  (include zero) : -inf\n"
              " MLE of Alpha : 1.846245\n"
              " MLE of Beta  : 2.472747\n"
              " Error of convergence : {0.000000, 0.000000}   (EPS: 0.000010)\n"
              " Iteration for convergence : 5\n");
}

}  // namespace
}  // namespace tolven
