#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "core/spatial/contiguity.h"
#include "geo/boundary_points.h"
#include "geo/run_boundaries.h"
#include "tests/support/test_support.h"

namespace tolven {
namespace {

using test::dataFile;
using Lists = std::map<std::string, std::vector<std::string>>;

// Each feature's neighbours by code, through the run's reading of the layer.
Lists neighboursByCode(const std::string& file, const std::string& layerName, ContiguityRule rule) {
    RunBoundaries boundaries({dataFile("geo/" + file), layerName, "code", ""});
    std::string error;
    const BoundaryLayer* layer = boundaries.layer(error);
    EXPECT_NE(layer, nullptr) << error;
    if (layer == nullptr) return {};
    const NeighbourList list =
        contiguityNeighbours(boundaries.points(), rule, DEFAULT_SNAP_DISTANCE);
    Lists lists;
    for (std::size_t i = 0; i < list.regionCount(); ++i) {
        const std::string& code = layer->features[i].code;
        EXPECT_EQ(boundaries.regionOf(code), static_cast<int>(i)) << code;
        std::vector<std::string>& named = lists[code];
        for (const int j : list.neighboursOf(i)) named.push_back(layer->features[j].code);
    }
    return lists;
}

TEST(BoundaryContiguityTest, LayersWhoseNeighboursAreKnownByConstruction) {
    const struct {
        const char* file;
        const char* layer;
        ContiguityRule rule;
        Lists expected;
    } cases[] = {
        // The 3 x 3 grid, cells A01..A09 row by row.
        {"grid.gpkg",
         "grid",
         ContiguityRule::queen,
         {{"A01", {"A02", "A04", "A05"}},
          {"A02", {"A01", "A03", "A04", "A05", "A06"}},
          {"A03", {"A02", "A05", "A06"}},
          {"A04", {"A01", "A02", "A05", "A07", "A08"}},
          {"A05", {"A01", "A02", "A03", "A04", "A06", "A07", "A08", "A09"}},
          {"A06", {"A02", "A03", "A05", "A08", "A09"}},
          {"A07", {"A04", "A05", "A08"}},
          {"A08", {"A04", "A05", "A06", "A07", "A09"}},
          {"A09", {"A05", "A06", "A08"}}}},
        {"grid.gpkg",
         "grid",
         ContiguityRule::rook,
         {{"A01", {"A02", "A04"}},
          {"A02", {"A01", "A03", "A05"}},
          {"A03", {"A02", "A06"}},
          {"A04", {"A01", "A05", "A07"}},
          {"A05", {"A02", "A04", "A06", "A08"}},
          {"A06", {"A03", "A05", "A09"}},
          {"A07", {"A04", "A08"}},
          {"A08", {"A05", "A07", "A09"}},
          {"A09", {"A06", "A08"}}}},
        // A hole's ring is boundary like the outer one; each part of a
        // multipolygon counts; one corner in common is queen but not rook.
        {"contiguity.geojson",
         "",
         ContiguityRule::queen,
         {{"HOLE", {"FILL", "PART"}},
          {"FILL", {"HOLE"}},
          {"PART", {"HOLE", "CORNER"}},
          {"CORNER", {"PART"}},
          {"ISLAND", {}}}},
        {"contiguity.geojson",
         "",
         ContiguityRule::rook,
         {{"HOLE", {"FILL", "PART"}},
          {"FILL", {"HOLE"}},
          {"PART", {"HOLE"}},
          {"CORNER", {}},
          {"ISLAND", {}}}},
        // An island inside a hole it does not touch, and a multipolygon apart.
        {"shapes.geojson", "", ContiguityRule::queen, {{"H1", {}}, {"M2", {}}, {"I3", {}}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.file) + (c.rule == ContiguityRule::queen ? " queen" : " rook"));
        EXPECT_EQ(neighboursByCode(c.file, c.layer, c.rule), c.expected);
    }
}

TEST(BoundaryContiguityTest, TheLayerIsReadOnceAndCodesMatchAsTheJoinMatchesThem) {
    RunBoundaries boundaries({dataFile("geo/grid.gpkg"), "grid", "muni", ""});
    std::string error;
    ASSERT_TRUE(boundaries.load(error)) << error;
    const BoundaryLayer* first = boundaries.layer(error);
    EXPECT_EQ(boundaries.layer(error), first);
    // An integer field: leading zeros do not matter.
    EXPECT_EQ(boundaries.regionOf("01101"), 0);
    EXPECT_EQ(boundaries.regionOf("1109"), 8);
    EXPECT_EQ(boundaries.regionOf("A01"), -1);
    EXPECT_EQ(boundaries.layerName(), "grid");
    EXPECT_EQ(boundaries.idFieldName(), "muni");

    RunBoundaries missing({dataFile("geo/none.gpkg"), "", "code", ""});
    EXPECT_FALSE(missing.load(error));
    std::string again;
    EXPECT_EQ(missing.layer(again), nullptr);
    EXPECT_EQ(again, error);
    EXPECT_NE(error.find("cannot open boundary file"), std::string::npos) << error;
}

}  // namespace
}  // namespace tolven
