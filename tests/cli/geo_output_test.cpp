#include <gtest/gtest.h>
#include <ogrsf_frmts.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "tests/support/batch_run.h"
#include "tests/support/test_support.h"

namespace tolven {
namespace {

using test::dataFile;
using test::readFile;
using test::writeFile;

struct DatasetCloser {
    void operator()(GDALDataset* dataset) const { GDALClose(dataset); }
};
using Dataset = std::unique_ptr<GDALDataset, DatasetCloser>;

Dataset openGeoPackage(const std::string& path) {
    GDALAllRegister();
    return Dataset(GDALDataset::Open(path.c_str(), GDAL_OF_VECTOR | GDAL_OF_READONLY));
}

// The fields of every line of a result table but its header.
std::vector<std::vector<std::string>> tableRows(const std::string& text) {
    std::vector<std::vector<std::string>> rows;
    const auto lines = test::linesOf(text);
    for (std::size_t i = 1; i < lines.size(); ++i) rows.push_back(test::fieldsOf(lines[i]));
    return rows;
}

// Every feature's fields hold the numbers its table row prints (fields of
// column -1 are not in the table): NULL for "***", else the double that
// "%lf" prints as the table's text.
void expectFieldsAsTheTable(OGRLayer& layer, const std::vector<std::vector<std::string>>& rows,
                            const std::vector<std::string>& names,
                            const std::vector<int>& columnOfField) {
    OGRFeatureDefn* definition = layer.GetLayerDefn();
    ASSERT_EQ(definition->GetFieldCount(), static_cast<int>(names.size()));
    for (int i = 0; i < definition->GetFieldCount(); ++i) {
        EXPECT_EQ(definition->GetFieldDefn(i)->GetNameRef(), names[static_cast<std::size_t>(i)]);
    }
    ASSERT_EQ(layer.GetFeatureCount(), static_cast<GIntBig>(rows.size()));
    layer.ResetReading();
    std::size_t r = 0;
    for (auto& feature : layer) {
        const auto& row = rows.at(r++);
        for (int i = 0; i < definition->GetFieldCount(); ++i) {
            const int column = columnOfField[static_cast<std::size_t>(i)];
            if (column < 0) continue;
            const std::string& shown = row.at(static_cast<std::size_t>(column));
            if (shown == "***") {
                EXPECT_TRUE(feature->IsFieldNull(i)) << names[i] << " of row " << r;
            } else if (definition->GetFieldDefn(i)->GetType() == OFTReal) {
                char text[64];
                std::snprintf(text, sizeof text, "%lf", feature->GetFieldAsDouble(i));
                EXPECT_EQ(text, shown) << names[i] << " of row " << r;
            } else {
                EXPECT_EQ(feature->GetFieldAsString(i), shown) << names[i] << " of row " << r;
            }
        }
    }
}

class GeoOutputTest : public ::testing::Test {
protected:
    // Runs tolven-batch's parse and run with these options on `input`.
    int runWith(const std::string& input, std::vector<std::string> options) {
        writeFile(inputPath, input);
        options.insert(options.begin(), {"--quiet", "--threads", "2"});
        options.push_back(inputPath);
        messages.shown.clear();
        return test::runBatchWith(options, messages);
    }

    test::TempDir dir;
    test::RecordedMessages messages;
    const std::string inputPath = dir.file("in.txt");
    const std::string tablePath = dir.file("inout.txt");
    const std::string logPath = dir.file("inout.log");
    const std::string gpkgPath = dir.file("smr.gpkg");
    const std::string grid = dataFile("geo/grid.gpkg");
};

// Unit 1 has a code twice and one without boundary, unit 2 a single region
// (no EB ratio at all), unit 3 integer-looking codes of another field.
const char* const GRID_INPUT =
    "1 A01 3 2.5\n1 A02 0 1.5\n1 A03 5 3.0\n1 A01 2 2.0\n1 ZZ 4 4.0\n1 A04 7 3.5\n"
    "2 A05 1 1.0\n";

TEST_F(GeoOutputTest, GeoPackageHoldsEveryRowOfTheTableWithItsBoundary) {
    ASSERT_EQ(runWith(GRID_INPUT, {"--posterior", "--geo-output", gpkgPath, "--boundaries", grid,
                                   "--join-field", "code", "--label-field", "name"}),
              0);
    const auto rows = tableRows(readFile(tablePath));
    const Dataset dataset = openGeoPackage(gpkgPath);
    ASSERT_TRUE(dataset);
    OGRLayer* layer = dataset->GetLayerByName("smr");
    ASSERT_NE(layer, nullptr);
    EXPECT_EQ(layer->GetGeomType(), wkbMultiPolygon);
    ASSERT_NE(layer->GetSpatialRef(), nullptr);
    EXPECT_STREQ(layer->GetSpatialRef()->GetAuthorityCode(nullptr), "32654");

    const std::vector<std::string> names{"unit",         "code",        "label", "observed",
                                         "expected",     "ratio",       "eb_me", "eb_mle",
                                         "eb_lower_me",  "eb_upper_me", "p_me",  "eb_lower_mle",
                                         "eb_upper_mle", "p_mle"};
    // The table column of each field (none for the label).
    expectFieldsAsTheTable(*layer, rows, names, {0, 1, -1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12});

    layer->ResetReading();
    std::size_t r = 0;
    for (auto& feature : *layer) {
        const auto& row = rows.at(r++);
        const OGRGeometry* geometry = feature->GetGeometryRef();
        if (row[1] == "ZZ") {
            EXPECT_EQ(geometry, nullptr);
            EXPECT_TRUE(feature->IsFieldNull(2));
        } else {
            ASSERT_NE(geometry, nullptr) << row[1];
            EXPECT_EQ(geometry->getGeometryType(), wkbMultiPolygon);
            EXPECT_EQ(feature->GetFieldAsString(2), "cell " + row[1].substr(2, 1));
        }
    }
    // A code twice in one unit: two features with the same boundary.
    Dataset again = openGeoPackage(gpkgPath);
    OGRLayer* copy = again->GetLayerByName("smr");
    std::unique_ptr<OGRFeature> first(copy->GetFeature(1)), fourth(copy->GetFeature(4));
    EXPECT_TRUE(first->GetGeometryRef()->Equals(fourth->GetGeometryRef()));
}

TEST_F(GeoOutputTest, LocalEstimatesFromQueenNeighboursAreFieldsToo) {
    // A 3 x 3 unit and a one-region unit (no local estimate at all).
    const char* const input =
        "1 A01 14 6.0\n1 A02 12 6.5\n1 A03 6 5.5\n1 A04 11 6.2\n1 A05 9 7.0\n"
        "1 A06 4 5.0\n1 A07 5 6.1\n1 A08 3 5.8\n1 A09 2 6.4\n3 A05 4 2.5\n";
    ASSERT_EQ(runWith(input, {"--posterior", "--neighbours", "queen", "--local-eb", "--geo-output",
                              gpkgPath, "--boundaries", grid, "--join-field", "code"}),
              0)
        << (messages.shown.empty() ? "" : messages.shown[0]);
    const auto rows = tableRows(readFile(tablePath));
    // Both kinds of rows are there: with and without a local interval.
    const auto withInterval = std::count_if(rows.begin(), rows.end(),
                                            [](const auto& row) { return row.at(14) != "***"; });
    ASSERT_GT(withInterval, 0);
    ASSERT_LT(withInterval, static_cast<long>(rows.size()) - 1);
    const Dataset dataset = openGeoPackage(gpkgPath);
    ASSERT_TRUE(dataset);
    OGRLayer* layer = dataset->GetLayerByName("smr");
    ASSERT_NE(layer, nullptr);
    expectFieldsAsTheTable(*layer, rows,
                           {"unit", "code", "observed", "expected", "ratio", "eb_me", "eb_mle",
                            "eb_lower_me", "eb_upper_me", "p_me", "eb_lower_mle", "eb_upper_mle",
                            "p_mle", "eb_local", "eb_lower_local", "eb_upper_local", "p_local"},
                           {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16});

    // Without the posterior output, the estimate alone.
    ASSERT_EQ(runWith(input, {"--neighbours", "rook", "--local-eb", "--geo-output", gpkgPath,
                              "--boundaries", grid, "--join-field", "code"}),
              0);
    const Dataset plain = openGeoPackage(gpkgPath);
    expectFieldsAsTheTable(
        *plain->GetLayerByName("smr"), tableRows(readFile(tablePath)),
        {"unit", "code", "observed", "expected", "ratio", "eb_me", "eb_mle", "eb_local"},
        {0, 1, 2, 3, 4, 5, 6, 7});
}

TEST_F(GeoOutputTest, StyleTableHoldsTheGraduatedDefaultStyleOfEbMle) {
    ASSERT_EQ(runWith(GRID_INPUT,
                      {"--geo-output", gpkgPath, "--boundaries", grid, "--join-field", "code"}),
              0);
    const Dataset dataset = openGeoPackage(gpkgPath);
    OGRLayer* styles = dataset->GetLayerByName("layer_styles");
    ASSERT_NE(styles, nullptr);
    ASSERT_EQ(styles->GetFeatureCount(), 1);
    styles->ResetReading();
    std::unique_ptr<OGRFeature> style(styles->GetNextFeature());
    EXPECT_STREQ(style->GetFieldAsString("f_table_name"), "smr");
    EXPECT_STREQ(style->GetFieldAsString("f_geometry_column"), "geom");
    EXPECT_EQ(style->GetFieldAsInteger("useAsDefault"), 1);
    const std::string qml = style->GetFieldAsString("styleQML");
    for (const char* part :
         {"type=\"graduatedSymbol\" attr=\"eb_mle\"", "label=\"&lt;50\"", "label=\"50–&lt;80\"",
          "label=\"≥150\"", "lower=\"49.999999999999993\" upper=\"79.999999999999986\"",
          "\"33,102,172,255\"", "\"103,169,207,255\"", "\"209,229,240,255\"", "\"247,247,247,255\"",
          "\"253,219,199,255\"", "\"239,138,98,255\"", "\"178,24,43,255\""}) {
        EXPECT_NE(qml.find(part), std::string::npos) << part;
    }
    // Without the posterior output and a label field, their fields are left out.
    EXPECT_EQ(dataset->GetLayerByName("smr")->GetLayerDefn()->GetFieldCount(), 7);
}

TEST_F(GeoOutputTest, WholeFileModeWritesUnitMinusOne) {
    ASSERT_EQ(runWith("-1 A01 3 2.5\n1 A02 0 1.5\n2 A03 5 3.0\n",
                      {"--geo-output", gpkgPath, "--boundaries", grid, "--join-field", "code"}),
              0);
    const Dataset dataset = openGeoPackage(gpkgPath);
    for (auto& feature : *dataset->GetLayerByName("smr")) {
        EXPECT_EQ(feature->GetFieldAsInteger("unit"), -1);
    }
}

TEST_F(GeoOutputTest, Cp932CodesMeetTheShapefileAndComeOutAsUtf8) {
    // 札幌市 and 函館市 in CP932, and a municipality code with a leading zero.
    ASSERT_EQ(runWith("1 \x8E\x44\x96\x79\x8E\x73 3 2.5\n1 \x94\x9F\x8A\xD9\x8E\x73 1 1.5\n",
                      {"--geo-output", gpkgPath, "--boundaries", dataFile("geo/cp932.shp"),
                       "--join-field", "code", "--label-field", "name"}),
              0);
    const Dataset dataset = openGeoPackage(gpkgPath);
    std::vector<std::string> seen;
    for (auto& feature : *dataset->GetLayerByName("smr")) {
        seen.push_back(std::string(feature->GetFieldAsString("code")) + "/" +
                       feature->GetFieldAsString("label"));
        EXPECT_NE(feature->GetGeometryRef(), nullptr);
    }
    EXPECT_EQ(seen, (std::vector<std::string>{"札幌市/札幌市", "函館市/函館市"}));
    ASSERT_EQ(runWith("1 01100 3 2.5\n1 01202 1 1.5\n",
                      {"--geo-output", gpkgPath, "--boundaries", dataFile("geo/cp932.shp"),
                       "--join-field", "muni", "--label-field", "name"}),
              0);
    const Dataset byNumber = openGeoPackage(gpkgPath);
    std::unique_ptr<OGRFeature> first(byNumber->GetLayerByName("smr")->GetFeature(1));
    EXPECT_STREQ(first->GetFieldAsString("label"), "札幌市");
}

TEST_F(GeoOutputTest, BadBoundariesWriteNothing) {
    writeFile(tablePath, "old table\n");
    writeFile(logPath, "old log\n");
    writeFile(gpkgPath, "old geopackage\n");
    const struct {
        const char* name;
        std::vector<std::string> options;
        const char* message;
    } cases[] = {
        {"missing file",
         {"--boundaries", dir.file("none.shp"), "--join-field", "code"},
         "cannot open boundary file"},
        {"points",
         {"--boundaries", grid, "--layer", "centres", "--join-field", "code"},
         "boundaries must be polygons"},
        {"no such layer",
         {"--boundaries", grid, "--layer", "roads", "--join-field", "code"},
         "has no layer \"roads\""},
        {"no such field",
         {"--boundaries", grid, "--join-field", "region"},
         "has no join field \"region\""},
        {"empty layer",
         {"--boundaries", grid, "--layer", "empty", "--join-field", "code"},
         "has no feature"},
        {"no code in common",
         {"--boundaries", grid, "--join-field", "name"},
         "no region code of the input occurs in the join field \"name\""},
    };
    for (const auto& c : cases) {
        std::vector<std::string> options = c.options;
        options.insert(options.begin(), {"--geo-output", gpkgPath});
        EXPECT_EQ(runWith(GRID_INPUT, options), 1) << c.name;
        ASSERT_EQ(messages.shown.size(), 1u) << c.name;
        EXPECT_NE(messages.shown[0].find(c.message), std::string::npos) << messages.shown[0];
        EXPECT_EQ(readFile(tablePath), "old table\n") << c.name;
        EXPECT_EQ(readFile(logPath), "old log\n") << c.name;
        EXPECT_EQ(readFile(gpkgPath), "old geopackage\n") << c.name;
    }
}

TEST_F(GeoOutputTest, GeoPackageOverItsOwnBoundariesIsRefused) {
    const std::string boundaries = dir.file("grid.gpkg");
    writeFile(boundaries, readFile(grid));
    EXPECT_EQ(runWith(GRID_INPUT, {"--geo-output", boundaries, "--boundaries", boundaries,
                                   "--join-field", "code"}),
              1);
    EXPECT_EQ(readFile(boundaries), readFile(grid));
    EXPECT_EQ(readFile(tablePath), "");

    // Nor may the neighbour list take the GeoPackage's place.
    writeFile(gpkgPath, "old geopackage\n");
    EXPECT_EQ(runWith("1 A01 3 2.5\n1 A02 0 1.5\n",
                      {"--geo-output", gpkgPath, "--boundaries", grid, "--join-field", "code",
                       "--neighbours", "queen", "--write-neighbours", gpkgPath}),
              1);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0],
              "ERROR!! : 近傍ファイル\n" + gpkgPath + " は出力ファイルと同じファイルです");
    EXPECT_EQ(readFile(gpkgPath), "old geopackage\n");
}

TEST_F(GeoOutputTest, BoundaryOptionsGoTogether) {
    for (const std::vector<std::string>& options :
         {std::vector<std::string>{"--geo-output", gpkgPath},
          {"--geo-output", gpkgPath, "--boundaries", grid},
          {"--boundaries", grid, "--join-field", "code"}}) {
        EXPECT_EQ(runWith(GRID_INPUT, options), 2) << options.back();
    }
}

}  // namespace
}  // namespace tolven
