#pragma once

#include <QPointF>
#include <QRectF>
#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "geo/boundary_layer.h"

namespace tolven {

// The outlines of a boundary layer as plain coordinates, read once from the
// layer's geometries: for each feature its rings (outer rings and holes
// alike; the even-odd fill draws holes as holes) as runs of points.
struct LayerOutlines {
    std::vector<double> x, y;            // every vertex of every ring
    std::vector<std::size_t> ringStart;  // ring k is [ringStart[k], ringStart[k + 1])
    std::vector<std::size_t>
        featureStart;         // feature f owns rings [featureStart[f], featureStart[f + 1])
    bool geographic = false;  // longitude/latitude, to be projected for drawing
    std::string crsWkt;       // the layer's coordinate system; empty when none

    std::size_t featureCount() const { return featureStart.empty() ? 0 : featureStart.size() - 1; }
};

// Copies the rings of every feature of `layer` (a feature without geometry
// gets no ring). A layer whose coordinate system is geographic is marked so.
LayerOutlines layerOutlines(const BoundaryLayer& layer);

// The outlines in the plane the map is drawn in, with north up: for a
// geographic layer a Lambert azimuthal equal-area projection centred on the
// envelope of the features `centredOn` (in metres), computed through GDAL's
// coordinate transformation; for a projected layer, or one without a
// coordinate system, the coordinates as they are.
struct PlaneOutlines {
    std::vector<QPointF> points;        // parallel to LayerOutlines::x and y
    std::vector<double> ranks;          // per point, as rankRingVertices ranks its ring
    std::vector<QRectF> featureBounds;  // per feature (y up)
    std::vector<char> hasBounds;        // per feature; 0 for one without rings
    const LayerOutlines* outlines = nullptr;
    bool projected = false;  // projected here (the layer was geographic)
    std::string error;       // why the projection failed; points then empty
};

PlaneOutlines planeOutlines(const LayerOutlines& outlines,
                            const std::vector<std::size_t>& centredOn);

// The union of the bounds of `features`; null when none has rings.
QRectF boundsOf(const PlaneOutlines& plane, const std::vector<std::size_t>& features);

}  // namespace tolven
