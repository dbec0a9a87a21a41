#pragma once

#include <ogrsf_frmts.h>

#include <memory>
#include <string>

namespace tolven::bench {

// The boundary layer of the map benchmarks: POLYGONS regions coded
// regionCode(1) to regionCode(POLYGONS), VERTICES_PER_POLYGON vertices each
// (1,000,000 in all).
inline constexpr int POLYGONS = 2000;
inline constexpr int VERTICES_PER_POLYGON = 500;

// A new GeoPackage at `path` with one polygon layer `name` in UTM zone 54N and
// one field "code" of `codeType`; null when GDAL cannot make it.
std::unique_ptr<GDALDataset> createCodedLayer(const std::string& path, const char* name,
                                              OGRFieldType codeType, OGRLayer*& layer);

// "R0001" for region 1.
std::string regionCode(int region);

// Writes the layer "regions" (field "code") as a GeoPackage at `path`; false
// when GDAL cannot.
bool writeGeneratedLayer(const std::string& path);

}  // namespace tolven::bench
