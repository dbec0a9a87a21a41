#include "cli/batch_command.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "core/setting_text.h"
#include "run/estimation_run.h"
#include "tests/support/test_support.h"

namespace tolven {
namespace {

struct Parsed {
    ParseResult result;
    BatchRequest request;
    std::string out;
    std::string err;
};

Parsed parse(std::vector<const char*> arguments) {
    arguments.insert(arguments.begin(), "tolven-batch");
    std::ostringstream out;
    std::ostringstream err;
    Parsed parsed;
    parsed.result = parseBatchArguments(static_cast<int>(arguments.size()), arguments.data(),
                                        parsed.request, out, err);
    parsed.out = out.str();
    parsed.err = err.str();
    return parsed;
}

TEST(BatchCommandTest, DefaultNamesCutThePathBeforeItsLastPoint) {
    const struct {
        const char* input;
        const char* text;
        const char* csv;
        const char* log;
    } cases[] = {
        {"data/area.txt", "data/areaout.txt", "data/areaout.csv", "data/areaout.log"},
        {"data/area.2005.dat", "data/area.2005out.txt", "data/area.2005out.csv",
         "data/area.2005out.log"},
        {"ver1.2/counts", "ver1out.txt", "ver1out.csv", "ver1out.log"},  // a folder's point
        {"data/counts", "data/countsout.txt", "data/countsout.csv", "data/countsout.log"},
        {"area.", "areaout.txt", "areaout.csv", "areaout.log"},
    };
    for (const auto& c : cases) {
        const Parsed text = parse({c.input});
        const Parsed csv = parse({"--csv", c.input});
        EXPECT_EQ(text.request.outputPath, c.text) << c.input;
        EXPECT_EQ(csv.request.outputPath, c.csv) << c.input;
        EXPECT_EQ(text.request.logPath, c.log) << c.input;
        EXPECT_EQ(csv.request.logPath, c.log) << c.input;
    }
}

TEST(BatchCommandTest, WithoutOptionsTheDefaultsHold) {
    const Parsed parsed = parse({"data/area.txt"});
    ASSERT_EQ(parsed.result, ParseResult::run);
    RunSettings defaults;
    setDefaultSettings(defaults);
    const RunSettings& s = parsed.request.settings;
    EXPECT_EQ(s.excludeZero, defaults.excludeZero);
    EXPECT_EQ(s.epsilon, defaults.epsilon);
    EXPECT_EQ(s.maxIterations, defaults.maxIterations);
    EXPECT_EQ(s.initialAlpha, defaults.initialAlpha);
    EXPECT_EQ(s.initialBeta, defaults.initialBeta);
    EXPECT_EQ(parsed.request.inputPath, "data/area.txt");
    EXPECT_EQ(parsed.request.outputPath, "data/areaout.txt");
    EXPECT_EQ(parsed.request.logPath, "data/areaout.log");
    EXPECT_EQ(parsed.request.csvOutput, 0);
    EXPECT_EQ(parsed.request.threads, defaultThreadCount());
}

TEST(BatchCommandTest, OptionsSetPathsFormatAndSettings) {
    const Parsed parsed = parse({"--csv", "--exclude-zero", "--epsilon", " 1e-5",
                                 "--max-iterations", "12 steps", "--initial-alpha", "2.5",
                                 "--initial-beta", "auto", "-o", "r.csv", "--log=l.log", "in.dat"});
    ASSERT_EQ(parsed.result, ParseResult::run) << parsed.err;
    const BatchRequest& r = parsed.request;
    EXPECT_EQ(r.csvOutput, 1);
    EXPECT_EQ(r.outputPath, "r.csv");
    EXPECT_EQ(r.logPath, "l.log");
    EXPECT_EQ(r.settings.excludeZero, 1);
    EXPECT_EQ(r.settings.epsilon, 0.00001);
    EXPECT_EQ(r.settings.maxIterations, 12);
    EXPECT_EQ(r.settings.initialAlpha, 2.5);
    EXPECT_EQ(r.settings.initialBeta, AUTO_START);
    EXPECT_EQ(parse({"--csv", "in.dat"}).request.outputPath, "inout.csv");
}

TEST(BatchCommandTest, RefusedSettingsShowTheDialogMessageOfTheFirstOne) {
    const struct {
        std::vector<const char*> arguments;
        const char* message;
    } cases[] = {
        {{"--epsilon", "1e-5", "in.txt"}, EPSILON_MESSAGE},
        {{"--epsilon", "0", "--initial-alpha", "x", "in.txt"}, EPSILON_MESSAGE},
        {{"--max-iterations", "20.5", "in.txt"}, MAX_ITERATIONS_MESSAGE},
        {{"--max-iterations", "99999999999", "in.txt"}, MAX_ITERATIONS_MESSAGE},
        {{"--initial-beta", "-1", "--initial-alpha", "Auto", "in.txt"}, INITIAL_ALPHA_MESSAGE},
        {{"--initial-beta", "auto ", "in.txt"}, INITIAL_BETA_MESSAGE},
    };
    for (const auto& c : cases) {
        const Parsed parsed = parse(c.arguments);
        EXPECT_EQ(parsed.result, ParseResult::usageError);
        EXPECT_EQ(parsed.err, std::string(c.message) + "\n");
    }
}

TEST(BatchCommandTest, ThreadsMustBeAWholeNumberOfOneOrMore) {
    EXPECT_EQ(parse({"--threads", "3", "in.txt"}).request.threads, 3);
    for (const char* refused : {"0", "-1", "two", "1.5", "", "99999999999"}) {
        const Parsed parsed = parse({"--threads", refused, "in.txt"});
        EXPECT_EQ(parsed.result, ParseResult::usageError) << refused;
        EXPECT_NE(parsed.err.find("--threads"), std::string::npos) << refused;
    }
}

TEST(BatchCommandTest, SpatialOptionsNeedAGalFileAndASoundPermutationCount) {
    const Parsed parsed = parse({"--neighbours", "n.gal", "--local-eb", "--moran", "--permutations",
                                 "99999", "--write-neighbours", "w.gal", "in.txt"});
    ASSERT_EQ(parsed.result, ParseResult::run) << parsed.err;
    EXPECT_EQ(parsed.request.spatial.neighboursPath, "n.gal");
    EXPECT_TRUE(parsed.request.spatial.localEb);
    EXPECT_TRUE(parsed.request.spatial.moran);
    EXPECT_EQ(parsed.request.spatial.permutations, 99999);
    EXPECT_EQ(parsed.request.spatial.writeNeighboursPath, "w.gal");
    EXPECT_EQ(parse({"in.txt"}).request.spatial.neighboursPath, "");
    EXPECT_EQ(parse({"--neighbours", "n.gal", "--moran", "in.txt"}).request.spatial.permutations,
              999);

    const struct {
        std::vector<const char*> arguments;
        const char* message;
    } refused[] = {
        {{"--neighbours", "queen", "--local-eb", "in.txt"}, "--neighbours queen: contiguity needs"},
        {{"--neighbours", "rook", "in.txt"}, "--neighbours rook: contiguity needs"},
        {{"--local-eb", "in.txt"}, "--local-eb needs --neighbours FILE.gal"},
        {{"--moran", "in.txt"}, "--moran needs --neighbours FILE.gal"},
        {{"--write-neighbours", "w.gal", "in.txt"}, "--write-neighbours needs --neighbours"},
        {{"--neighbours", "n.gal", "--permutations", "9", "in.txt"},
         "--permutations needs --moran"},
        {{"--neighbours", "n.gal", "--moran", "--permutations", "0", "in.txt"},
         "--permutations: 0 is not"},
        {{"--neighbours", "n.gal", "--moran", "--permutations", "100000", "in.txt"},
         "--permutations: 100000 is not"},
        {{"--neighbours", "n.gal", "--moran", "--permutations", "1e3", "in.txt"},
         "--permutations: 1e3 is not"},
    };
    for (const auto& c : refused) {
        const Parsed result = parse(c.arguments);
        EXPECT_EQ(result.result, ParseResult::usageError) << c.message;
        EXPECT_EQ(result.err.rfind(c.message, 0), 0u) << result.err;
    }
}

}  // namespace
}  // namespace tolven
