#include "ui/map/MapShapes.h"

#include <ogr_geometry.h>
#include <ogr_spatialref.h>

#include <algorithm>
#include <cmath>
#include <memory>

#include "ui/map/OutlineSimplification.h"

namespace tolven {

namespace {

void appendRing(const OGRLinearRing& ring, LayerOutlines& outlines) {
    outlines.ringStart.push_back(outlines.x.size());
    const int count = ring.getNumPoints();
    for (int i = 0; i < count; ++i) {
        outlines.x.push_back(ring.getX(i));
        outlines.y.push_back(ring.getY(i));
    }
}

struct TransformDeleter {
    void operator()(OGRCoordinateTransformation* transform) const {
        OGRCoordinateTransformation::DestroyCT(transform);
    }
};

}  // namespace

LayerOutlines layerOutlines(const BoundaryLayer& layer) {
    LayerOutlines outlines;
    outlines.crsWkt = layer.crsWkt;
    if (!layer.crsWkt.empty()) {
        OGRSpatialReference crs;
        if (crs.importFromWkt(layer.crsWkt.c_str()) == OGRERR_NONE)
            outlines.geographic = crs.IsGeographic() != 0;
    }
    for (const BoundaryFeature& feature : layer.features) {
        outlines.featureStart.push_back(outlines.ringStart.size());
        const auto* multi = dynamic_cast<const OGRMultiPolygon*>(feature.geometry.get());
        if (multi == nullptr) continue;
        for (const OGRPolygon* polygon : *multi) {
            if (const OGRLinearRing* exterior = polygon->getExteriorRing())
                appendRing(*exterior, outlines);
            for (int k = 0; k < polygon->getNumInteriorRings(); ++k)
                appendRing(*polygon->getInteriorRing(k), outlines);
        }
    }
    outlines.featureStart.push_back(outlines.ringStart.size());
    outlines.ringStart.push_back(outlines.x.size());
    return outlines;
}

PlaneOutlines planeOutlines(const LayerOutlines& outlines,
                            const std::vector<std::size_t>& centredOn) {
    PlaneOutlines plane;
    plane.outlines = &outlines;
    std::vector<double> x = outlines.x, y = outlines.y;
    if (outlines.geographic && !x.empty()) {
        // The centre of the unit's envelope in longitude and latitude.
        double west = INFINITY, east = -INFINITY, south = INFINITY, north = -INFINITY;
        for (std::size_t feature : centredOn) {
            const std::size_t first = outlines.ringStart[outlines.featureStart[feature]];
            const std::size_t last = outlines.ringStart[outlines.featureStart[feature + 1]];
            for (std::size_t i = first; i < last; ++i) {
                west = std::min(west, x[i]);
                east = std::max(east, x[i]);
                south = std::min(south, y[i]);
                north = std::max(north, y[i]);
            }
        }
        if (!(west <= east)) {
            west = *std::min_element(x.begin(), x.end());
            east = *std::max_element(x.begin(), x.end());
            south = *std::min_element(y.begin(), y.end());
            north = *std::max_element(y.begin(), y.end());
        }
        OGRSpatialReference source;
        source.importFromWkt(outlines.crsWkt.c_str());
        source.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
        OGRSpatialReference target;
        std::unique_ptr<OGRSpatialReference> datum(source.CloneGeogCS());
        target.CopyGeogCSFrom(datum.get());
        target.SetProjCS("Lambert azimuthal equal-area centred on the unit");
        target.SetLAEA((south + north) / 2.0, (west + east) / 2.0, 0.0, 0.0);
        target.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
        const std::unique_ptr<OGRCoordinateTransformation, TransformDeleter> transform(
            OGRCreateCoordinateTransformation(&source, &target));
        if (!transform || !transform->Transform(x.size(), x.data(), y.data(), nullptr, nullptr)) {
            plane.error = "the boundaries cannot be projected for drawing";
            return plane;
        }
        plane.projected = true;
    }
    plane.points.resize(x.size());
    for (std::size_t i = 0; i < x.size(); ++i) plane.points[i] = QPointF(x[i], y[i]);
    plane.ranks.resize(x.size());
    for (std::size_t ring = 0; ring + 1 < outlines.ringStart.size(); ++ring) {
        const std::size_t first = outlines.ringStart[ring];
        rankRingVertices(plane.points.data() + first, outlines.ringStart[ring + 1] - first,
                         plane.ranks.data() + first);
    }
    const std::size_t features = outlines.featureCount();
    plane.featureBounds.resize(features);
    plane.hasBounds.assign(features, 0);
    for (std::size_t f = 0; f < features; ++f) {
        const std::size_t first = outlines.ringStart[outlines.featureStart[f]];
        const std::size_t last = outlines.ringStart[outlines.featureStart[f + 1]];
        if (first == last) continue;
        double left = INFINITY, right = -INFINITY, bottom = INFINITY, top = -INFINITY;
        for (std::size_t i = first; i < last; ++i) {
            if (!std::isfinite(x[i]) || !std::isfinite(y[i])) continue;
            left = std::min(left, x[i]);
            right = std::max(right, x[i]);
            bottom = std::min(bottom, y[i]);
            top = std::max(top, y[i]);
        }
        if (left <= right) {
            plane.featureBounds[f] = QRectF(left, bottom, right - left, top - bottom);
            plane.hasBounds[f] = 1;
        }
    }
    return plane;
}

QRectF boundsOf(const PlaneOutlines& plane, const std::vector<std::size_t>& features) {
    double left = INFINITY, right = -INFINITY, bottom = INFINITY, top = -INFINITY;
    for (std::size_t f : features) {
        if (!plane.hasBounds[f]) continue;
        const QRectF& b = plane.featureBounds[f];
        left = std::min(left, b.left());
        right = std::max(right, b.right());
        bottom = std::min(bottom, b.top());
        top = std::max(top, b.bottom());
    }
    if (!(left <= right)) return {};
    return QRectF(left, bottom, right - left, top - bottom);
}

}  // namespace tolven
