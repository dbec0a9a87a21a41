#include "run/estimation_run.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <cmath>
#include <csignal>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "core/model/not_available.h"
#include "tests/core/same_double.h"
#include "tests/support/test_support.h"

namespace tolven {
namespace {

using test::dataFile;
using test::readFile;
using test::writeFile;

const std::string EXAMPLE = "run/one_region_unit_first";

class EstimationRunTest : public ::testing::Test {
protected:
    void SetUp() override {
        setDefaultSettings(runSettings);
        inputPath = dir.file("input.txt");
        outputPath = dir.file("inputout.txt");
        logPath = dir.file("inputout.log");
    }

    // A run of the files and settings below (on every core unless `threads`).
    int run() {
        messages.shown.clear();
        RunRequest request;
        request.inputPath = inputPath;
        request.outputPath = outputPath;
        request.logPath = logPath;
        request.csvOutput = csvOutput;
        request.settings = runSettings;
        request.extended = extended;
        request.threads = threads;
        request.outcome = outcome;
        return runEstimation(request, messages);
    }

    // The fields of line `number` (1-based, header included) of the result table.
    std::vector<std::string> tableFields(int number) {
        return test::fieldsOf(test::linesOf(readFile(outputPath)).at(number - 1));
    }

    test::TempDir dir;
    test::RecordedMessages messages;
    std::string inputPath;
    std::string outputPath;
    std::string logPath;
    int csvOutput = 0;
    RunSettings runSettings;
    ExtendedSettings extended;
    int threads = 0;
    RunOutcome* outcome = nullptr;
};

// Input files under tests/data/run with the log and tables that the program
// must write for them, byte for byte: NAME.txt, NAME.log, NAME_out.txt and,
// where the case has one, NAME_out.csv.
struct GoldenCase {
    const char* name;
    int excludeZero;
    bool hasCsv;
};

TEST_F(EstimationRunTest, GoldenFilesComeOutByteForByteOnAnyNumberOfThreads) {
    const GoldenCase cases[] = {
        {"one_region_unit_first", 0, true},   {"zeros_excluded", 1, true},
        {"fit_fails_in_unit_19", 0, false},   {"whole_file_mode", 0, true},
        {"single_one_region_unit", 0, false}, {"three_hundred_shuffled_units", 0, true},
    };
    for (const GoldenCase& c : cases) {
        for (const int csv : {0, 1}) {
            if (csv == 1 && !c.hasCsv) continue;
            for (const int count : {1, 2, 7}) {
                SCOPED_TRACE(std::string(c.name) + (csv ? " csv" : " txt") + ", threads " +
                             std::to_string(count));
                runSettings.excludeZero = c.excludeZero;
                inputPath = dataFile(std::string("run/") + c.name + ".txt");
                csvOutput = csv;
                threads = count;
                // Longer old content must not survive anywhere in the new files.
                writeFile(outputPath, std::string(200000, 'x'));
                writeFile(logPath, std::string(200000, 'y'));
                ASSERT_EQ(run(), 0);
                EXPECT_TRUE(messages.shown.empty());
                const std::string golden = dataFile(std::string("run/") + c.name);
                EXPECT_EQ(readFile(logPath), readFile(golden + ".log"));
                EXPECT_EQ(readFile(outputPath), readFile(golden + (csv ? "_out.csv" : "_out.txt")));
            }
        }
    }
}

TEST_F(EstimationRunTest, TheOutcomeHoldsWhatTheTableShowsGroupedByUnit) {
    inputPath = dataFile(EXAMPLE + ".txt");
    extended.posteriorOutput = true;
    RunOutcome result;
    outcome = &result;
    ASSERT_EQ(run(), RUN_SUCCEEDED);

    ASSERT_EQ(result.units.size(), 2u);
    EXPECT_EQ(result.units[0].unitNumber, 1);
    EXPECT_EQ(result.units[0].regionCount, 10u);
    EXPECT_EQ(result.units[1].unitNumber, 2);
    EXPECT_EQ(result.units[1].firstRegion, 10u);
    ASSERT_EQ(result.regions.size(), 11u);
    // Unit 1's regions in file order, with the table's figures (A04 is line 6).
    EXPECT_EQ(result.regions[0].code, "A01");
    EXPECT_EQ(result.regions[9].code, "A10");
    EXPECT_EQ(test::sixDecimals(result.regions[3].ebRatioMLE * 100.0), tableFields(6)[6]);
    EXPECT_EQ(test::sixDecimals(result.regions[3].upperMLE * 100.0), tableFields(6)[11]);
    EXPECT_EQ(test::sixDecimals(result.units[0].mleAlpha), "1.846245");
    // The one-region unit: no moment ratio, no posterior.
    EXPECT_EQ(result.regions[10].code, "B01");
    EXPECT_EQ(result.regions[10].ebRatioME, NOT_AVAILABLE);
    EXPECT_TRUE(std::isnan(result.regions[10].lowerME));
}

// The log's unit blocks by unit number.
std::map<std::string, std::string> logBlocks(const std::string& log) {
    std::map<std::string, std::string> blocks;
    for (std::size_t start = log.find("For unit "); start != std::string::npos;) {
        const std::size_t next = log.find("For unit ", start + 1);
        const std::string block = log.substr(start, next - start);
        blocks[block.substr(0, block.find(' ', 9))] = block;
        start = next;
    }
    return blocks;
}

TEST_F(EstimationRunTest, TheSafeguardedFitChangesOnlyUnitsWhereNewtonDidNotConverge) {
    inputPath = dataFile("run/three_hundred_shuffled_units.txt");
    extended.fitMode = FitMode::safeguarded;
    ASSERT_EQ(run(), RUN_SUCCEEDED);
    const auto safeguarded = logBlocks(readFile(logPath));
    const auto newton = logBlocks(readFile(dataFile("run/three_hundred_shuffled_units.log")));
    ASSERT_EQ(safeguarded.size(), newton.size());
    int rescued = 0;
    int unchanged = 0;
    for (const auto& [unit, block] : newton) {
        const std::string& other = safeguarded.at(unit);
        const bool newtonFailed = block.find(" MLE of Alpha : *** ") != std::string::npos &&
                                  block.find(" Number of regions: 1\n") == std::string::npos;
        if (!newtonFailed && block.find("nan") == std::string::npos) {
            EXPECT_EQ(other, block) << unit;
            ++unchanged;
        } else if (other.find(" Safeguarded fit : ") != std::string::npos) {
            EXPECT_EQ(other.find(" MLE of Alpha : *** "), std::string::npos) << unit;
            ++rescued;
        } else {
            EXPECT_NE(other.find(" No finite maximum : "), std::string::npos) << unit;
        }
    }
    EXPECT_GT(unchanged, 150);
    EXPECT_GT(rescued, 10);
}

TEST_F(EstimationRunTest, UnitsAreEstimatedInAscendingOrderTablesKeepFileOrder) {
    writeFile(inputPath,
              "3 C1 4 2.0\n"
              "1 A1 1 1.0\n"
              "3 C2 9 3.0\n"
              "2 B1 2 4.0\n"
              "1 A2 3 2.0\n");
    ASSERT_EQ(run(), 0);
    const std::string log = readFile(logPath);
    const auto unit1 = log.find("For unit 1 ");
    const auto unit2 = log.find("For unit 2 ");
    const auto unit3 = log.find("For unit 3 ");
    ASSERT_NE(unit3, std::string::npos);
    EXPECT_LT(unit1, unit2);
    EXPECT_LT(unit2, unit3);

    // Every line's results came back to its own row.
    const char* codes[] = {"C1", "A1", "C2", "B1", "A2"};
    const char* ratios[] = {"200.000000", "100.000000", "300.000000", "50.000000", "150.000000"};
    for (int line = 0; line < 5; ++line) {
        const auto fields = tableFields(line + 2);
        ASSERT_EQ(fields.size(), 7u);
        EXPECT_EQ(fields[1], codes[line]);
        EXPECT_EQ(fields[4], ratios[line]);
    }
    // Unit 2 has one region: both empirical Bayes columns are hidden.
    EXPECT_EQ(tableFields(5)[5], "***");
    EXPECT_EQ(tableFields(5)[6], "***");
    EXPECT_NE(tableFields(6)[5], "***");
}

TEST_F(EstimationRunTest, WholeFileModeWithOneLinePrintsItsValues) {
    writeFile(inputPath, "-1 X 3 2.0\n");
    ASSERT_EQ(run(), 0);
    const std::string log = readFile(logPath);
    EXPECT_EQ(log.find("For unit"), std::string::npos);
    EXPECT_NE(log.find(" Number of regions: 1\n Mean of Ratio     (include zero) : 1.500000\n"),
              std::string::npos);
    // The block ends the log with a single line end.
    ASSERT_GE(log.size(), 2u);
    EXPECT_EQ(
        log.substr(log.rfind('\n', log.size() - 2)).rfind("\n Iteration for convergence : ", 0),
        0u);
    EXPECT_NE(log.substr(log.size() - 2), "\n\n");

    const auto fields = tableFields(2);
    ASSERT_EQ(fields.size(), 7u);
    EXPECT_EQ(fields[0], "-1");
    EXPECT_EQ(fields[4], "150.000000");
    EXPECT_NE(fields[5], "***");
}

TEST_F(EstimationRunTest, EmptyInputGivesHeadersOnly) {
    writeFile(inputPath, "");
    csvOutput = 1;
    ASSERT_EQ(run(), 0);
    EXPECT_EQ(readFile(logPath),
              "EB estimator for Poisson-Gamma model [Version 2.1]\n"
              "Copyright (C) 2026 TOLVEN developers\n\n");
    EXPECT_EQ(readFile(outputPath),
              "Unit,Code,Data1,Data2,Ratio(%),EB-Ratio(ME+0)(%),EB-Ratio(MLE)(%)\n");
}

TEST_F(EstimationRunTest, BadInputTouchesNoOutput) {
    const std::string badLine5 = "1 a 1 1.0\n1 b 2 1.0\n1 c 3 1.0\n1 d 4 1.0\n1 e 5 x\n";
    writeFile(inputPath, badLine5);
    writeFile(logPath, "old log\n");
    writeFile(outputPath, "old table\n");
    EXPECT_EQ(run(), 1);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_NE(messages.shown[0].find(" : 5行目"), std::string::npos);
    EXPECT_EQ(readFile(logPath), "old log\n");
    EXPECT_EQ(readFile(outputPath), "old table\n");

    // Without earlier outputs, none is created.
    std::filesystem::remove(logPath);
    std::filesystem::remove(outputPath);
    EXPECT_EQ(run(), 1);
    EXPECT_FALSE(std::filesystem::exists(logPath));
    EXPECT_FALSE(std::filesystem::exists(outputPath));

    inputPath = dir.file("missing.txt");
    EXPECT_EQ(run(), 1);
    EXPECT_FALSE(std::filesystem::exists(logPath));
}

TEST_F(EstimationRunTest, FailedFitHidesOnlyTheMlColumn) {
    inputPath = dataFile(EXAMPLE + ".txt");
    runSettings.maxIterations = 1;
    runSettings.excludeZero = 1;
    ASSERT_EQ(run(), 0);
    const std::string log = readFile(logPath);
    const auto start = log.find("For unit 1 ");
    const std::string unit1 = log.substr(start, log.find("For unit 2 ") - start);
    EXPECT_NE(unit1.find(" Mean of Ratio     (exclude zero) : "), std::string::npos);
    EXPECT_NE(unit1.find(" ME of Beta  (exclude zero) : "), std::string::npos);
    EXPECT_NE(unit1.find(" MLE of Alpha : *** \n MLE of Beta  : *** \n Error of convergence : {"),
              std::string::npos);
    EXPECT_EQ(unit1.find("{***"), std::string::npos);

    EXPECT_EQ(tableFields(1)[6], "EB-Ratio(ME-0)(%)");
    EXPECT_EQ(tableFields(2)[5], "***");  // B01, the one-region unit
    EXPECT_EQ(tableFields(2)[6], "***");
    for (int line = 3; line <= 12; ++line) {
        const auto fields = tableFields(line);
        ASSERT_EQ(fields.size(), 7u);
        EXPECT_NE(fields[5], "***");
        EXPECT_EQ(fields[6], "***");
    }
}

TEST_F(EstimationRunTest, UnitsOfMoreThanMaxRegionsGrowTheTables) {
    std::string input;
    for (int i = 0; i < 4500; ++i) {
        input += (i % 10 == 0 ? "2 " : "1 ") + std::to_string(i) + " " + std::to_string(i % 7) +
                 " 2.5\n";
    }
    writeFile(inputPath, input);
    ASSERT_EQ(run(), 0);
    EXPECT_NE(readFile(logPath).find(" Number of regions: 4050\n"), std::string::npos);
    EXPECT_NE(readFile(logPath).find(" Number of regions: 450\n"), std::string::npos);
}

TEST_F(EstimationRunTest, OutputsThatCannotBeOpenedOrWrittenLeaveEveryFileAsItWas) {
    writeFile(inputPath, "1 a 1 1.0\n1 b 2 3.0\n");
    const std::string log = logPath;
    const std::string table = outputPath;
    const std::string missing = dir.file("no-such-folder");
    const std::string folder = dir.path().string();
    // A NUL inside a path would name another file: the one before the NUL.
    const std::string before = dir.file("before-nul.txt");
    writeFile(before, "keep\n");
    const std::string nul = before + std::string(1, '\0') + "x";
    const std::string logError = "ERROR!! : ログファイル\n";
    const std::string tableError = "ERROR!! : 出力ファイル\n";
    const struct {
        const char* name;
        std::string log, table, message;
        bool oldOutputs;  // else neither the log nor the table exists beforehand
    } cases[] = {
        {"log in no folder", missing + "/x.log", table, logError + missing + "/x.log を開けません",
         false},
        {"table in no folder, old log", log, missing + "/x.txt",
         tableError + missing + "/x.txt を開けません", true},
        // A log created just for the attempt is gone again.
        {"table in no folder, no old log", log, missing + "/x.txt",
         tableError + missing + "/x.txt を開けません", false},
        {"table is a folder", log, folder, tableError + folder + " を開けません", false},
        {"empty table path", log, "", tableError + " を開けません", false},
        {"NUL in the log path", nul, table, logError + before + " を開けません", false},
        {"NUL in the table path", log, nul, tableError + before + " を開けません", false},
        {"full disk under the table", log, "/dev/full", tableError + "/dev/full に書き込めません",
         true},
        {"full disk under the log", "/dev/full", table, logError + "/dev/full に書き込めません",
         true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        if ((c.log == "/dev/full" || c.table == "/dev/full") &&
            !std::filesystem::exists("/dev/full")) {
            continue;
        }
        std::filesystem::remove(log);
        std::filesystem::remove(table);
        if (c.oldOutputs) {
            writeFile(log, "old log\n");
            writeFile(table, "old table\n");
        }
        logPath = c.log;
        outputPath = c.table;
        EXPECT_EQ(run(), 1);
        EXPECT_EQ(messages.shown, std::vector<std::string>{c.message});
        EXPECT_EQ(readFile(log), c.oldOutputs ? "old log\n" : "");
        EXPECT_EQ(readFile(table), c.oldOutputs ? "old table\n" : "");
        EXPECT_EQ(readFile(before), "keep\n");
        // The input, the file before the NUL and any old outputs: nothing
        // created, no temporary left behind.
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()),
                                std::filesystem::directory_iterator()),
                  c.oldOutputs ? 4 : 2);
    }
    EXPECT_FALSE(std::filesystem::exists("/dev/full") &&
                 !std::filesystem::is_character_file("/dev/full"));
}

TEST_F(EstimationRunTest, AFileSizeLimitHalfWayReplacesNeitherOutput) {
    // A limit below the table's size: the write fails half-way (SIGXFSZ is
    // ignored, so the write reports EFBIG instead of ending the process).
    inputPath = dataFile("run/three_hundred_shuffled_units.txt");
    writeFile(logPath, "old log\n");
    writeFile(outputPath, "old table\n");
    struct rlimit saved {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit limited = saved;
    limited.rlim_cur = 64 * 1024;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limited), 0);
    const int result = run();
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_EQ(result, 1);
    ASSERT_FALSE(messages.shown.empty());
    EXPECT_NE(messages.shown.back().find(" に書き込めません"), std::string::npos);
    EXPECT_EQ(readFile(logPath), "old log\n");
    EXPECT_EQ(readFile(outputPath), "old table\n");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()),
                            std::filesystem::directory_iterator()),
              2);  // no temporary left behind
}

TEST_F(EstimationRunTest, OutputsThatWouldOverwriteTheInputOrEachOtherAreRefused) {
    const std::string input = "1 a 1 1.0\n1 b 2 3.0\n";
    writeFile(inputPath, input);
    const std::string link = dir.file("link.txt");
    std::filesystem::create_symlink(inputPath, link);
    struct Case {
        std::string output, log, message;
    };
    const std::string out = dir.file("inputout.txt");
    const std::string log = dir.file("inputout.log");
    const std::vector<Case> cases = {
        {inputPath, log,
         "ERROR!! : 出力ファイル\n" + inputPath + " は入力ファイルと同じファイルです"},
        {out, link, "ERROR!! : ログファイル\n" + link + " は入力ファイルと同じファイルです"},
        {log, log, "ERROR!! : 出力ファイル\n" + log + " はログファイルと同じファイルです"},
    };
    for (const Case& c : cases) {
        std::filesystem::remove(out);
        std::filesystem::remove(log);
        outputPath = c.output;
        logPath = c.log;
        EXPECT_EQ(run(), 1) << c.message;
        EXPECT_EQ(messages.shown, std::vector<std::string>{c.message});
        EXPECT_EQ(readFile(inputPath), input);
        EXPECT_FALSE(std::filesystem::exists(out));
        EXPECT_FALSE(std::filesystem::exists(log));
    }

    // Devices may be shared: both outputs thrown away is a valid wish.
    outputPath = logPath = "/dev/null";
    EXPECT_EQ(run(), 0);
}

TEST_F(EstimationRunTest, ASymbolicLinkIsWrittenThroughNotReplaced) {
    writeFile(inputPath, "1 a 1 1.0\n1 b 2 3.0\n");
    const std::string target = dir.file("real.txt");
    writeFile(target, "old");
    std::filesystem::create_symlink(target, outputPath);
    ASSERT_EQ(run(), 0);
    EXPECT_TRUE(std::filesystem::is_symlink(outputPath));
    EXPECT_EQ(readFile(target).rfind("Unit\tCode", 0), 0u);
}

}  // namespace
}  // namespace tolven
