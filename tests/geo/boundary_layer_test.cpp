#include "geo/boundary_layer.h"

#include <gtest/gtest.h>
#include <ogr_geometry.h>

#include <string>

#include "tests/support/test_support.h"

namespace tolven {
namespace {

using test::dataFile;

BoundarySource source(const std::string& file, const std::string& layer, const std::string& join,
                      const std::string& label = "") {
    return {dataFile("geo/" + file), layer, join, label};
}

TEST(BoundaryLayerTest, DefaultLayerIsTheOnlyOneOrTheFirstPolygonLayer) {
    const struct {
        const char* file;
        const char* layer;
        const char* taken;
        const char* note;
    } cases[] = {
        {"grid.gpkg", "", "grid", "the first polygon layer of 4"},
        {"grid.gpkg", "grid_repeated", "grid_repeated", "the layer named"},
        {"cp932.shp", "", "cp932", "the only layer"},
        {"shapes.geojson", "", "shapes", "the only layer"},
    };
    for (const auto& c : cases) {
        BoundaryLayer layer;
        ASSERT_EQ(readBoundaryLayer(source(c.file, c.layer, "code"), layer), "") << c.file;
        EXPECT_EQ(layer.layerName, c.taken);
        EXPECT_EQ(layer.layerNote, c.note);
    }
}

TEST(BoundaryLayerTest, BadBoundariesAreRefusedWithAMessage) {
    test::TempDir dir;
    test::writeFile(dir.file("garbage.gpkg"), "not a GeoPackage at all\n");
    const struct {
        const char* name;
        BoundarySource source;
        const char* message;
    } cases[] = {
        {"missing file", {dir.file("none.shp"), "", "code", ""}, "cannot open boundary file"},
        {"not vector data",
         {dir.file("garbage.gpkg"), "", "code", ""},
         "cannot open boundary file"},
        {"no such layer", source("grid.gpkg", "roads", "code"),
         "has no layer \"roads\" (layers: \"centres\", \"grid\", \"grid_repeated\", \"empty\")"},
        {"points", source("grid.gpkg", "centres", "code"),
         "holds Point geometries; boundaries must be polygons"},
        {"no join field", source("grid.gpkg", "grid", "region"),
         "has no join field \"region\" (fields: \"code\", \"muni\", \"name\")"},
        {"no label field", source("grid.gpkg", "grid", "code", "label"),
         "has no label field \"label\""},
        {"empty layer", source("grid.gpkg", "empty", "code"), "has no feature"},
    };
    for (const auto& c : cases) {
        BoundaryLayer layer;
        const std::string message = readBoundaryLayer(c.source, layer);
        EXPECT_NE(message.find(c.message), std::string::npos) << c.name << ": " << message;
    }
}

TEST(BoundaryLayerTest, LinesAreRefusedWhereTheLayerDoesNotDeclareItsType) {
    test::TempDir dir;
    test::writeFile(dir.file("mixed.geojson"),
                    R"({"type":"FeatureCollection","features":[
{"type":"Feature","properties":{"code":"P"},
 "geometry":{"type":"Polygon","coordinates":[[[0,0],[1,0],[1,1],[0,0]]]}},
{"type":"Feature","properties":{"code":"L"},
 "geometry":{"type":"LineString","coordinates":[[0,0],[1,1]]}}]})");
    BoundaryLayer layer;
    EXPECT_NE(readBoundaryLayer({dir.file("mixed.geojson"), "", "code", ""}, layer)
                  .find("holds Line String geometries"),
              std::string::npos);
}

TEST(BoundaryLayerTest, Cp932ShapefileGivesUtf8CodesAndNames) {
    BoundaryLayer layer;
    ASSERT_EQ(readBoundaryLayer(source("cp932.shp", "", "code", "name"), layer), "");
    ASSERT_EQ(layer.features.size(), 3u);
    EXPECT_EQ(layer.features[0].code, "札幌市");
    EXPECT_EQ(layer.features[2].label, "髙森町");
    EXPECT_TRUE(layer.features[1].hasLabel);
    EXPECT_FALSE(layer.integerJoinField);
    ASSERT_EQ(readBoundaryLayer(source("cp932.shp", "", "muni"), layer), "");
    EXPECT_TRUE(layer.integerJoinField);
    EXPECT_EQ(layer.features[1].code, "1202");
}

TEST(BoundaryLayerTest, RepeatedCodesKeepTheFirstFeatureAndAreCounted) {
    BoundaryLayer layer;
    ASSERT_EQ(readBoundaryLayer(source("grid.gpkg", "grid_repeated", "code", "name"), layer), "");
    EXPECT_EQ(layer.featuresRead, 11u);
    EXPECT_EQ(layer.duplicateCodes, 2u);
    ASSERT_EQ(layer.features.size(), 9u);
    EXPECT_EQ(layer.features[layer.featureOfKey.at("A01")].label, "cell 1");
}

TEST(BoundaryLayerTest, HolesIslandsAndMultipolygonsBecomeMultiPolygons) {
    BoundaryLayer layer;
    ASSERT_EQ(readBoundaryLayer(source("shapes.geojson", "", "code"), layer), "");
    const struct {
        const char* code;
        int polygons;
        int ringsOfFirst;
    } cases[] = {{"H1", 1, 2}, {"M2", 2, 1}, {"I3", 1, 1}};
    for (const auto& c : cases) {
        const OGRGeometry* geometry = layer.features[layer.featureOfKey.at(c.code)].geometry.get();
        ASSERT_NE(geometry, nullptr);
        ASSERT_EQ(wkbFlatten(geometry->getGeometryType()), wkbMultiPolygon) << c.code;
        const auto* multi = geometry->toMultiPolygon();
        EXPECT_EQ(multi->getNumGeometries(), c.polygons) << c.code;
        EXPECT_EQ(multi->getGeometryRef(0)->getNumInteriorRings() + 1, c.ringsOfFirst) << c.code;
    }
}

}  // namespace
}  // namespace tolven
