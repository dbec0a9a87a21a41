#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

class OGRGeometry;

namespace tolven {

// Where the user's boundaries are: a file GDAL reads as vector data (a
// Shapefile, a GeoPackage, GeoJSON, ...), the layer, the field whose value
// equals the region code of the input, and optionally a field of names.
struct BoundarySource {
    std::string path;
    std::string layer;       // empty: the only layer, or the first polygon layer
    std::string joinField;   // required
    std::string labelField;  // empty: no labels
};

// Frees a geometry made by GDAL.
struct GeometryDeleter {
    void operator()(OGRGeometry* geometry) const;
};
using GeometryPointer = std::unique_ptr<OGRGeometry, GeometryDeleter>;

// One boundary: the first feature of the layer with its code.
struct BoundaryFeature {
    std::string code;          // the join field's value, UTF-8, as GDAL reads it
    std::string label;         // the label field's value, UTF-8 (empty without one)
    bool hasLabel = false;     // false when no label field was given or its value is null
    GeometryPointer geometry;  // a MultiPolygon; null when the feature has no geometry
};

// The boundaries of one layer, ready to be joined.
struct BoundaryLayer {
    std::string layerName;
    std::string layerNote;           // how the layer was chosen: "named", "the only layer", ...
    std::string crsWkt;              // the layer's coordinate system (WKT2), empty when it has none
    bool integerJoinField = false;   // the join field holds integers
    bool hasLabels = false;          // a label field was given
    std::size_t featuresRead = 0;    // every feature of the layer
    std::size_t duplicateCodes = 0;  // features left out: their code came earlier
    std::size_t featuresWithoutCode = 0;    // features left out: null or empty join field
    std::vector<BoundaryFeature> features;  // one per code, in layer order
    // A feature's join text (see regionCodeKey) -> its index in `features`.
    std::unordered_map<std::string, std::size_t> featureOfKey;

    BoundaryLayer();
    ~BoundaryLayer();
    BoundaryLayer(BoundaryLayer&&) noexcept;
    BoundaryLayer& operator=(BoundaryLayer&&) noexcept;
};

// Reads the boundaries of `source`. Returns an empty text on success, else
// the message, with `layer` left unusable:
// - the file cannot be opened as vector data, or it has no layer;
// - the named layer does not exist (the message names the layers there), or,
//   with no name, the file has several layers and none of them polygons;
// - the layer holds points or lines (its declared type, or the geometry of
//   a feature where the type is not declared): only polygons are boundaries;
// - the join or label field does not exist (the message names the fields);
// - the layer has no feature.
// Polygons become MultiPolygons and curves are replaced by line segments;
// invalid geometries (self-intersections) are kept as they are. Texts come
// as GDAL decodes them (a Shapefile's .cpg, e.g. CP932). Where several
// features share a code, the first is kept and the others are counted in
// duplicateCodes. An integer join field is keyed by its decimal value.
std::string readBoundaryLayer(const BoundarySource& source, BoundaryLayer& layer);

}  // namespace tolven
