#include "cli/batch_command.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "core/text/setting_text.h"
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

// Arguments the parse refuses and the start of its message.
struct Refusal {
    std::vector<const char*> arguments;
    const char* message;
};

void expectRefused(const std::vector<Refusal>& cases) {
    for (const Refusal& c : cases) {
        SCOPED_TRACE(c.message);
        const Parsed parsed = parse(c.arguments);
        EXPECT_EQ(parsed.result, ParseResult::usageError);
        EXPECT_EQ(parsed.err.rfind(c.message, 0), 0u) << parsed.err;
    }
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
        EXPECT_EQ(text.request.run.outputPath, c.text) << c.input;
        EXPECT_EQ(csv.request.run.outputPath, c.csv) << c.input;
        EXPECT_EQ(text.request.run.logPath, c.log) << c.input;
        EXPECT_EQ(csv.request.run.logPath, c.log) << c.input;
    }
}

TEST(BatchCommandTest, WithoutOptionsTheDefaultsHold) {
    const Parsed parsed = parse({"data/area.txt"});
    ASSERT_EQ(parsed.result, ParseResult::run);
    RunSettings defaults;
    setDefaultSettings(defaults);
    const RunSettings& s = parsed.request.run.settings;
    EXPECT_EQ(s.excludeZero, defaults.excludeZero);
    EXPECT_EQ(s.epsilon, defaults.epsilon);
    EXPECT_EQ(s.maxIterations, defaults.maxIterations);
    EXPECT_EQ(s.initialAlpha, defaults.initialAlpha);
    EXPECT_EQ(s.initialBeta, defaults.initialBeta);
    EXPECT_EQ(parsed.request.run.inputPath, "data/area.txt");
    EXPECT_EQ(parsed.request.run.outputPath, "data/areaout.txt");
    EXPECT_EQ(parsed.request.run.logPath, "data/areaout.log");
    EXPECT_EQ(parsed.request.run.csvOutput, 0);
    EXPECT_EQ(parsed.request.run.threads, defaultThreadCount());
}

TEST(BatchCommandTest, OptionsSetPathsFormatAndSettings) {
    const Parsed parsed = parse({"--csv", "--exclude-zero", "--epsilon", " 1e-5",
                                 "--max-iterations", "12 steps", "--initial-alpha", "2.5",
                                 "--initial-beta", "auto", "-o", "r.csv", "--log=l.log", "in.dat"});
    ASSERT_EQ(parsed.result, ParseResult::run) << parsed.err;
    const RunRequest& r = parsed.request.run;
    EXPECT_EQ(r.csvOutput, 1);
    EXPECT_EQ(r.outputPath, "r.csv");
    EXPECT_EQ(r.logPath, "l.log");
    EXPECT_EQ(r.settings.excludeZero, 1);
    EXPECT_EQ(r.settings.epsilon, 0.00001);
    EXPECT_EQ(r.settings.maxIterations, 12);
    EXPECT_EQ(r.settings.initialAlpha, 2.5);
    EXPECT_EQ(r.settings.initialBeta, AUTO_START);
    EXPECT_EQ(parse({"--csv", "in.dat"}).request.run.outputPath, "inout.csv");
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

TEST(BatchCommandTest, ThreadsMustBeAWholeNumberFromOneToTheCap) {
    EXPECT_EQ(parse({"--threads", "3", "in.txt"}).request.run.threads, 3);
    EXPECT_EQ(parse({"--threads", "1024", "in.txt"}).request.run.threads, MAX_THREAD_COUNT);
    for (const char* refused :
         {"0", "-1", "two", "1.5", "", "1025", "65536", "100000000", "99999999999"}) {
        const Parsed parsed = parse({"--threads", refused, "in.txt"});
        EXPECT_EQ(parsed.result, ParseResult::usageError) << refused;
        EXPECT_NE(parsed.err.find("--threads"), std::string::npos) << refused;
    }
}

TEST(BatchCommandTest, StrataReplaceInputAndNameTheDefaults) {
    const struct {
        std::vector<const char*> arguments;
        ReferenceRates reference;
        const char* rateFile;
        double ratePer;
        const char* writeInput;
        const char* output;
        const char* log;
    } cases[] = {
        {{"--strata", "d/strata.txt"},
         ReferenceRates::unit,
         "",
         1.0,
         "",
         "d/strataout.txt",
         "d/strataout.log"},
        {{"--strata", "d/strata.txt", "--reference", "all", "--write-input", "e/in.txt", "--csv"},
         ReferenceRates::all,
         "",
         1.0,
         "e/in.txt",
         "e/inout.csv",
         "e/inout.log"},
        {{"--strata", "d/strata.txt", "--reference", "r.txt", "--rate-per", "100000", "-o", "x"},
         ReferenceRates::rateFile,
         "r.txt",
         100000.0,
         "",
         "x",
         "d/strataout.log"},
    };
    for (const auto& c : cases) {
        const Parsed parsed = parse(c.arguments);
        ASSERT_EQ(parsed.result, ParseResult::run) << parsed.err;
        const BatchRequest& r = parsed.request;
        ASSERT_TRUE(r.standardisation.has_value());
        EXPECT_EQ(r.standardisation->strataPath, "d/strata.txt");
        EXPECT_EQ(r.standardisation->reference, c.reference);
        EXPECT_EQ(r.standardisation->rateFilePath, c.rateFile);
        EXPECT_EQ(r.standardisation->ratePer, c.ratePer);
        EXPECT_EQ(r.writeInputPath, c.writeInput);
        EXPECT_EQ(r.run.outputPath, c.output);
        EXPECT_EQ(r.run.logPath, c.log);
    }
    EXPECT_FALSE(parse({"in.txt"}).request.standardisation.has_value());
}

TEST(BatchCommandTest, StrataOptionsRefusedAsUsageErrors) {
    expectRefused({
        {{"--strata", "s.txt", "in.txt"}, "INPUT and --strata exclude each other"},
        {{"--reference", "all", "in.txt"}, "--reference needs --strata"},
        {{"--write-input", "w.txt", "in.txt"}, "--write-input needs --strata"},
        {{"--strata", "s.txt", "--rate-per", "1000"}, "--rate-per needs a rate file"},
        {{"--strata", "s.txt", "--reference", "r.txt", "--rate-per", "100"},
         "--rate-per: 100 is none of 1, 1000 and 100000"},
        {{}, "INPUT is required"},
    });
}

TEST(BatchCommandTest, SpatialOptionsNeedANeighbourSourceAndSoundValues) {
    const Parsed parsed = parse({"--neighbours", "n.gal", "--local-eb", "--moran", "--permutations",
                                 "99999", "--write-neighbours", "w.gal", "in.txt"});
    ASSERT_EQ(parsed.result, ParseResult::run) << parsed.err;
    EXPECT_EQ(parsed.request.run.spatial.source, NeighbourSource::galFile);
    EXPECT_EQ(parsed.request.run.spatial.neighboursPath, "n.gal");
    EXPECT_TRUE(parsed.request.run.spatial.localEb);
    EXPECT_TRUE(parsed.request.run.spatial.moran);
    EXPECT_EQ(parsed.request.run.spatial.permutations, 99999);
    EXPECT_EQ(parsed.request.run.spatial.writeNeighboursPath, "w.gal");
    EXPECT_EQ(parse({"in.txt"}).request.run.spatial.source, NeighbourSource::none);
    EXPECT_EQ(
        parse({"--neighbours", "n.gal", "--moran", "in.txt"}).request.run.spatial.permutations,
        999);
    const Parsed rook = parse({"--boundaries", "b.shp", "--layer", "l", "--join-field", "c",
                               "--neighbours", "rook", "--snap", "1e-3", "in.txt"});
    ASSERT_EQ(rook.result, ParseResult::run) << rook.err;
    EXPECT_EQ(rook.request.run.spatial.source, NeighbourSource::rook);
    EXPECT_EQ(rook.request.run.spatial.snapDistance, 1e-3);
    EXPECT_EQ(rook.request.geo.path, "");
    EXPECT_EQ(rook.request.geo.boundaries.path, "b.shp");
    EXPECT_EQ(rook.request.geo.boundaries.layer, "l");
    EXPECT_EQ(rook.request.geo.boundaries.joinField, "c");
    EXPECT_EQ(
        parse({"--boundaries", "b.shp", "--join-field", "c", "--neighbours", "queen", "in.txt"})
            .request.run.spatial.snapDistance,
        DEFAULT_SNAP_DISTANCE);

    expectRefused({
        {{"--neighbours", "queen", "--local-eb", "in.txt"},
         "--neighbours queen needs --boundaries and --join-field"},
        {{"--neighbours", "rook", "--boundaries", "b.shp", "in.txt"},
         "--neighbours rook needs --boundaries and --join-field"},
        {{"--boundaries", "b.shp", "--join-field", "code", "--neighbours", "n.gal", "in.txt"},
         "--boundaries, --layer, --join-field and --label-field are used only with"},
        {{"--neighbours", "n.gal", "--snap", "0.1", "in.txt"},
         "--snap needs --neighbours queen or rook"},
        {{"--boundaries", "b.shp", "--join-field", "c", "--neighbours", "queen", "--snap", "-1",
          "in.txt"},
         "--snap: -1 is not a distance"},
        {{"--boundaries", "b.shp", "--join-field", "c", "--neighbours", "queen", "--snap", "inf",
          "in.txt"},
         "--snap: inf is not a distance"},
        {{"--boundaries", "b.shp", "--join-field", "c", "--neighbours", "queen", "--snap", "1m",
          "in.txt"},
         "--snap: 1m is not a distance"},
        {{"--local-eb", "in.txt"}, "--local-eb needs --neighbours queen|rook|FILE.gal"},
        {{"--moran", "in.txt"}, "--moran needs --neighbours queen|rook|FILE.gal"},
        {{"--write-neighbours", "w.gal", "in.txt"}, "--write-neighbours needs --neighbours"},
        {{"--neighbours", "n.gal", "--permutations", "9", "in.txt"},
         "--permutations needs --moran"},
        {{"--neighbours", "n.gal", "--moran", "--permutations", "0", "in.txt"},
         "--permutations: 0 is not"},
        {{"--neighbours", "n.gal", "--moran", "--permutations", "100000", "in.txt"},
         "--permutations: 100000 is not"},
        {{"--neighbours", "n.gal", "--moran", "--permutations", "1e3", "in.txt"},
         "--permutations: 1e3 is not"},
    });
}

TEST(BatchCommandTest, MapOptions) {
#ifdef TOLVEN_BATCH_MAPS
    const Parsed probability = parse({"--boundaries", "b.shp", "--join-field", "c", "--maps", "m",
                                      "--map-value", "p-mle", "in.txt"});
    ASSERT_EQ(probability.result, ParseResult::run) << probability.err;
    EXPECT_EQ(probability.request.maps.folder, "m");
    EXPECT_EQ(probability.request.maps.format, BatchMapFormat::png);
    EXPECT_EQ(probability.request.maps.value, BatchMapValue::pMle);
    EXPECT_TRUE(probability.request.run.extended.posteriorOutput);
    const Parsed local =
        parse({"--boundaries", "b.shp", "--join-field", "c", "--maps", "m", "--map-format", "pdf",
               "--neighbours", "queen", "--local-eb", "--map-value", "eb-local", "in.txt"});
    ASSERT_EQ(local.result, ParseResult::run) << local.err;
    EXPECT_EQ(local.request.maps.format, BatchMapFormat::pdf);
    EXPECT_EQ(local.request.maps.value, BatchMapValue::ebLocal);
    EXPECT_FALSE(local.request.run.extended.posteriorOutput);
    EXPECT_EQ(parse({"in.txt"}).request.maps.folder, "");

    expectRefused({
        {{"--maps", "m", "in.txt"}, "--maps needs --boundaries and --join-field"},
        {{"--map-format", "svg", "in.txt"}, "--map-format and --map-value are used only with"},
        {{"--map-value", "ratio", "in.txt"}, "--map-format and --map-value are used only with"},
        {{"--boundaries", "b.shp", "--join-field", "c", "--maps", "m", "--map-format", "gif",
          "in.txt"},
         "--map-format: gif is not png, svg or pdf"},
        {{"--boundaries", "b.shp", "--join-field", "c", "--maps", "m", "--map-value", "eb",
          "in.txt"},
         "--map-value: eb is not ratio"},
        {{"--boundaries", "b.shp", "--join-field", "c", "--maps", "m", "--map-value", "p-local",
          "in.txt"},
         "--map-value p-local needs --local-eb"},
    });
#else
    expectRefused({{{"--boundaries", "b.shp", "--join-field", "c", "--maps", "m", "in.txt"},
                    "--maps: this tolven-batch was built without the application (Qt)"}});
#endif
}

}  // namespace
}  // namespace tolven
