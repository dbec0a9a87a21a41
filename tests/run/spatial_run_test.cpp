#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "core/spatial/gal_file.h"
#include "geo/run_boundaries.h"
#include "run/estimation_run.h"
#include "tests/support/test_support.h"

namespace tolven {
namespace {

using test::dataFile;
using test::fieldsOf;
using test::linesOf;
using test::readFile;
using test::writeFile;

// Two units on a 3 x 3 grid (the second with its codes written with a leading
// zero) and a one-region unit, with the grid's rook neighbours.
const std::string GRID_INPUT = "spatial/grid_units.txt";
const std::string GRID_GAL = "spatial/grid_3x3_rook.gal";

// GRID_INPUT with the codes of the grid layer's cells ("7" and "07" become
// "A07"), whose rook neighbours are those of GRID_GAL.
std::string gridLayerInput() {
    std::istringstream lines(readFile(dataFile(GRID_INPUT)));
    std::string text;
    for (std::string unit, code, rest; lines >> unit >> code && std::getline(lines, rest);) {
        text += unit + " A0" + code.back() + rest + "\n";
    }
    return text;
}

class SpatialRunTest : public ::testing::Test {
protected:
    RunRequest requestFor(const std::string& input, const std::string& gal) {
        RunRequest request;
        setDefaultSettings(request.settings);
        request.inputPath = input;
        request.outputPath = dir.file("out.txt");
        request.logPath = dir.file("out.log");
        request.spatial.source = NeighbourSource::galFile;
        request.spatial.neighboursPath = gal;
        request.spatial.localEb = true;
        request.spatial.moran = true;
        return request;
    }

    // The log, table and written list of the request made for each thread
    // count, which must be the same bytes on 1, 2 and 7 threads.
    struct Written {
        std::string log, table, list;
    };
    Written sameOnAnyNumberOfThreads(const std::function<RunRequest(int threads)>& requestFor) {
        Written first;
        for (const int threads : {1, 2, 7}) {
            SCOPED_TRACE("threads " + std::to_string(threads));
            const RunRequest request = requestFor(threads);
            messages.shown.clear();
            EXPECT_EQ(runEstimation(request, messages), RUN_SUCCEEDED);
            EXPECT_TRUE(messages.shown.empty());
            const Written now{readFile(request.logPath), readFile(request.outputPath),
                              readFile(request.spatial.writeNeighboursPath)};
            if (threads == 1) {
                first = now;
                continue;
            }
            EXPECT_EQ(now.log, first.log);
            EXPECT_EQ(now.table, first.table);
            EXPECT_EQ(now.list, first.list);
        }
        return first;
    }

    test::TempDir dir;
    test::RecordedMessages messages;
};

TEST_F(SpatialRunTest, LocalColumnsAndMoranLinesComeOutTheSameOnAnyNumberOfThreads) {
    RunOutcome outcome;
    const auto [log1, table1, list1] = sameOnAnyNumberOfThreads([&](int threads) {
        RunRequest request = requestFor(dataFile(GRID_INPUT), dataFile(GRID_GAL));
        request.extended.posteriorOutput = true;
        request.spatial.writeNeighboursPath = dir.file("written.gal");
        request.threads = threads;
        if (threads == 1) request.outcome = &outcome;
        return request;
    });

    const std::vector<std::string> table = linesOf(table1);
    ASSERT_EQ(table.size(), 20u);
    const std::string localHeader =
        "\tEB-Ratio(Local)(%)\tEB-Lower(Local)(%)\tEB-Upper(Local)(%)\tP(>100%)(Local)";
    EXPECT_TRUE(table[0].ends_with("\tP(>100%)(MLE)" + localHeader)) << table[0];
    // Region 1's window is itself and regions 2 and 4: 37 cases on 18.7
    // expected. Its spread is below the Poisson noise, so the estimate is the
    // window's ratio and there is no interval.
    char windowRatio[32];
    std::snprintf(windowRatio, sizeof windowRatio, "%f", 37.0 / 18.7 * 100.0);
    const std::vector<std::string> first = fieldsOf(table[1]);
    ASSERT_EQ(first.size(), 17u);  // data lines have no empty fifth field
    EXPECT_EQ(std::vector<std::string>(first.begin() + 13, first.end()),
              (std::vector<std::string>{windowRatio, "***", "***", "***"}));
    const std::vector<std::string> onlyRegion = fieldsOf(table[19]);
    EXPECT_EQ(std::vector<std::string>(onlyRegion.begin() + 13, onlyRegion.end()),
              (std::vector<std::string>{"***", "***", "***", "***"}));

    // The plots and the map get the local estimate and its probability as the
    // table prints them.
    ASSERT_TRUE(outcome.localEb);
    ASSERT_EQ(outcome.regions.size(), table.size() - 1);
    const auto printed = [](double value, double scale) {
        if (std::isnan(value)) return std::string("***");
        char text[64];
        std::snprintf(text, sizeof text, "%f", value * scale);
        return std::string(text);
    };
    for (std::size_t line = 1; line < table.size(); ++line) {
        const std::vector<std::string> fields = fieldsOf(table[line]);
        const auto unit = std::find_if(
            outcome.units.begin(), outcome.units.end(),
            [&](const UnitOutcome& u) { return u.unitNumber == std::stoi(fields[0]); });
        ASSERT_NE(unit, outcome.units.end()) << fields[0];
        const auto first = outcome.regions.begin() + static_cast<long>(unit->firstRegion);
        const auto last = first + static_cast<long>(unit->regionCount);
        const auto region =
            std::find_if(first, last, [&](const RegionOutcome& r) { return r.code == fields[1]; });
        ASSERT_NE(region, last) << fields[1];
        EXPECT_EQ(printed(region->ebLocal, 100.0), fields[13]) << fields[1];
        EXPECT_EQ(printed(region->exceedanceLocal, 1.0), fields[16]) << fields[1];
    }

    // Each unit's Moran line follows its iteration line; the figures are
    // fixed by the unit number that seeds the permutations.
    const std::vector<std::string> log = linesOf(log1);
    std::vector<std::string> moranLines;
    for (std::size_t k = 0; k + 1 < log.size(); ++k) {
        if (log[k].starts_with(" Iteration for convergence")) moranLines.push_back(log[k + 1]);
    }
    EXPECT_EQ(moranLines,
              (std::vector<std::string>{
                  " EB Moran's I : 0.544538  p-value : 0.001000  (grid_3x3_rook.gal, 999 "
                  "permutations)",
                  " EB Moran's I : -0.473483  p-value : 0.911000  (grid_3x3_rook.gal, 999 "
                  "permutations)",
                  " EB Moran's I : ***  p-value : ***  (grid_3x3_rook.gal, 999 permutations)"}));
    EXPECT_TRUE(log1.ends_with("permutations)\n\n"));

    // The list written is the grid again, under the codes as first met.
    GalNeighbours written;
    GalNeighbours original;
    std::string error;
    ASSERT_TRUE(readGal(list1, written, error)) << error;
    ASSERT_TRUE(readGal(readFile(dataFile(GRID_GAL)), original, error)) << error;
    EXPECT_EQ(written.codes, original.codes);
    for (std::size_t i = 0; i < original.codes.size(); ++i) {
        const auto a = written.list.neighboursOf(i);
        const auto b = original.list.neighboursOf(i);
        EXPECT_EQ(std::vector<int>(a.begin(), a.end()), std::vector<int>(b.begin(), b.end()));
    }
}

TEST_F(SpatialRunTest, ContiguityOfTheBoundariesServesLikeTheSameListInAGalFile) {
    const std::string input = dir.file("grid_layer.txt");
    writeFile(input, gridLayerInput());
    RunBoundaries boundaries({dataFile("geo/grid.gpkg"), "grid", "code", ""});
    const auto contiguityRequest = [&](NeighbourSource source, int threads) {
        RunRequest request = requestFor(input, "");
        request.spatial.source = source;
        request.spatial.boundaries = &boundaries;
        request.spatial.writeNeighboursPath = dir.file("written.gal");
        request.extended.posteriorOutput = true;
        request.threads = threads;
        return request;
    };

    // Rook contiguity of the grid is the grid's GAL file: the same table,
    // and the same Moran's I under the name of its source.
    std::istringstream galLines(readFile(dataFile(GRID_GAL)));
    std::string gal, line;
    std::getline(galLines, line);
    gal = line + "\n";
    for (bool regionLine = true; std::getline(galLines, line); regionLine = !regionLine) {
        std::istringstream tokens(line);
        std::string token;
        for (int k = 0; tokens >> token; ++k)
            gal += (k ? " " : "") + (regionLine && k ? token : "A0" + token);
        gal += "\n";
    }
    writeFile(dir.file("grid_3x3_rook.gal"), gal);
    RunRequest galRun = requestFor(input, dir.file("grid_3x3_rook.gal"));
    galRun.extended.posteriorOutput = true;
    ASSERT_EQ(runEstimation(galRun, messages), RUN_SUCCEEDED);
    const std::string galTable = readFile(galRun.outputPath);
    std::string galLog = readFile(galRun.logPath);
    for (std::size_t at; (at = galLog.find("grid_3x3_rook.gal")) != std::string::npos;) {
        galLog.replace(at, std::string("grid_3x3_rook.gal").size(), "rook");
    }
    RunRequest rookRun = contiguityRequest(NeighbourSource::rook, 2);
    ASSERT_EQ(runEstimation(rookRun, messages), RUN_SUCCEEDED);
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_EQ(readFile(rookRun.outputPath), galTable);
    EXPECT_EQ(readFile(rookRun.logPath), galLog);
    EXPECT_TRUE(
        readFile(rookRun.spatial.writeNeighboursPath).starts_with("0 9 grid code\nA01 2\n"));

    // Queen: the same bytes on any number of threads.
    const Written queen = sameOnAnyNumberOfThreads(
        [&](int threads) { return contiguityRequest(NeighbourSource::queen, threads); });
    EXPECT_NE(queen.log.find("(queen, 999 permutations)"), std::string::npos) << queen.log;
    EXPECT_TRUE(queen.list.starts_with("0 9 grid code\nA01 3\nA02 A04 A05\n")) << queen.list;
}

TEST_F(SpatialRunTest, WholeFileModeIsOneUnitSeededWithMinusOne) {
    const std::string input = dir.file("whole.txt");
    std::string text = readFile(dataFile(GRID_INPUT));
    text.replace(0, 1, "-1");
    writeFile(input, text);
    const RunRequest request = requestFor(input, dataFile(GRID_GAL));
    ASSERT_EQ(runEstimation(request, messages), RUN_SUCCEEDED);
    const std::vector<std::string> log = linesOf(readFile(request.logPath));
    ASSERT_GE(log.size(), 2u);
    EXPECT_TRUE(log[log.size() - 2].starts_with(" Iteration for convergence"));
    EXPECT_TRUE(log.back().starts_with(" EB Moran's I : ")) << log.back();
    EXPECT_TRUE(readFile(request.logPath).ends_with("permutations)\n"));
}

TEST_F(SpatialRunTest, BadNeighbourFilesAreRefusedBeforeAnyOutputIsWritten) {
    static const char A_FOLDER[] = "";
    static const char BOUNDARIES[] = "";
    const struct {
        const char* name;
        // null: no such file; A_FOLDER: a folder of that name; BOUNDARIES:
        // queen contiguity of the grid layer, which lacks one of the codes
        const char* gal;
        const char* message;
    } cases[] = {
        {"no such file", nullptr, "を開けません"},
        {"a folder", A_FOLDER, "を開けません"},
        {"bad neighbour line", "2\n1 1\n2 3\n2 1\n1\n", ": line 3: 2 neighbours where"},
        {"code missing from the list", "2\n1 1\n2\n2 1\n1\n",
         "に地域コード 3 (3 行目) がありません"},
        {"region without boundary", BOUNDARIES,
         "の結合フィールド code に地域コード ZZ (20 行目) がありません"},
    };
    RunBoundaries boundaries({dataFile("geo/grid.gpkg"), "grid", "code", ""});
    const std::string unbounded = dir.file("grid_layer.txt");
    writeFile(unbounded, gridLayerInput() + "3 ZZ 1 1.0\n");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string gal = dir.file("list.gal");
        std::filesystem::remove(gal);
        if (c.gal == A_FOLDER) {
            std::filesystem::create_directory(gal);
        } else if (c.gal && c.gal != BOUNDARIES) {
            writeFile(gal, c.gal);
        }
        RunRequest request = requestFor(dataFile(GRID_INPUT), gal);
        if (c.gal == BOUNDARIES) {
            request = requestFor(unbounded, "");
            request.spatial.source = NeighbourSource::queen;
            request.spatial.boundaries = &boundaries;
        }
        request.spatial.writeNeighboursPath = dir.file("written.gal");
        messages.shown.clear();
        EXPECT_EQ(runEstimation(request, messages), RUN_FAILED);
        ASSERT_EQ(messages.shown.size(), 1u);
        EXPECT_NE(messages.shown[0].find(c.message), std::string::npos) << messages.shown[0];
        EXPECT_FALSE(std::filesystem::exists(request.outputPath));
        EXPECT_FALSE(std::filesystem::exists(request.logPath));
        EXPECT_FALSE(std::filesystem::exists(request.spatial.writeNeighboursPath));
    }
}

TEST_F(SpatialRunTest, TheListIsNeverWrittenOverTheRunsOtherFiles) {
    const std::string input = dir.file("input.txt");
    const std::string gal = dir.file("list.gal");
    writeFile(input, readFile(dataFile(GRID_INPUT)));
    writeFile(gal, readFile(dataFile(GRID_GAL)));
    RunRequest base = requestFor(input, gal);
    for (const std::string& target : {input, gal, base.logPath, base.outputPath}) {
        RunRequest request = base;
        request.spatial.writeNeighboursPath = target;
        messages.shown.clear();
        EXPECT_EQ(runEstimation(request, messages), RUN_FAILED) << target;
        EXPECT_EQ(messages.shown.size(), 1u) << target;
    }
    EXPECT_EQ(readFile(input), readFile(dataFile(GRID_INPUT)));
    EXPECT_EQ(readFile(gal), readFile(dataFile(GRID_GAL)));
}

}  // namespace
}  // namespace tolven
