#include "geo/boundary_join.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/geo/geo_test_support.h"
#include "tests/support/test_support.h"

namespace tolven {
namespace {

TEST(BoundaryJoinTest, CodesMeetTheirFeature) {
    const struct {
        const char* name;
        const char* file;
        const char* field;
        std::string code;
        const char* feature;  // the joined feature's code; empty: no boundary
    } cases[] = {
        {"text", "grid.gpkg", "code", "A05", "A05"},
        {"text is exact", "grid.gpkg", "code", "a05", ""},
        {"text keeps zeros", "grid.gpkg", "code", "A5", ""},
        {"integer", "grid.gpkg", "muni", "1105", "1105"},
        {"integer with leading zeros", "grid.gpkg", "muni", "001105", "1105"},
        {"integer meets no text", "grid.gpkg", "muni", "A05", ""},
        {"utf8 code", "cp932.shp", "code", "函館市", "函館市"},
        {"cp932 code", "cp932.shp", "code", "\x94\x9F\x8A\xD9\x8E\x73", "函館市"},
        {"cp932 extension", "cp932.shp", "code", "\xFB\xFC\x90\x58\x92\xAC", "髙森町"},
        {"municipality code", "cp932.shp", "muni", "01100", "1100"},
        {"missing", "cp932.shp", "muni", "01101", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        BoundaryLayer layer;
        ASSERT_EQ(readBoundaryLayer({test::dataFile(std::string("geo/") + c.file), "", c.field, ""},
                                    layer),
                  "");
        const std::vector<std::string> codes{c.code};
        const InputTable table = test::tableOfCodes({1}, codes);
        const BoundaryJoin join = joinBoundaries(table, false, layer);
        const long feature = join.featureOfRow.at(1);
        EXPECT_EQ(
            feature < 0 ? std::string() : layer.features[static_cast<std::size_t>(feature)].code,
            c.feature);
    }
}

TEST(BoundaryJoinTest, CountsEachUnitAndNamesTheFirstCodesWithoutBoundary) {
    BoundaryLayer layer;
    const BoundarySource source{test::dataFile("geo/grid.gpkg"), "grid", "code", ""};
    ASSERT_EQ(readBoundaryLayer(source, layer), "");
    const std::vector<std::string> codes{"A01", "X1", "A01", "X2", "X3", "X4", "X5", "X6", "A09"};
    const InputTable table = test::tableOfCodes({2, 2, 2, 2, 2, 2, 2, 2, 1}, codes);
    const BoundaryJoin join = joinBoundaries(table, false, layer);
    // A code twice in one unit: both rows get its boundary.
    EXPECT_EQ(join.featureOfRow[1], join.featureOfRow[3]);
    EXPECT_GE(join.featureOfRow[1], 0);
    EXPECT_EQ(join.matchedRows, 3u);
    ASSERT_EQ(join.units.size(), 2u);
    EXPECT_EQ(join.units[0].unit, 1);
    EXPECT_EQ(join.units[1].matched, 2u);
    EXPECT_EQ(join.units[1].rows, 8u);
    EXPECT_EQ(joinSummary(source, layer, join),
              "boundaries: 9 features read from layer \"grid\" of " + source.path +
                  " (the layer named)\n"
                  "unit 1: 1 of 1 codes matched\n"
                  "unit 2: 2 of 8 codes matched; without boundary: X1, X2, X3, X4, X5, ...\n");
    const BoundaryJoin whole = joinBoundaries(table, true, layer);
    ASSERT_EQ(whole.units.size(), 1u);
    EXPECT_EQ(whole.units[0].unit, -1);
}

}  // namespace
}  // namespace tolven
