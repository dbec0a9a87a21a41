#include "geo/boundary_points.h"

#include <ogr_geometry.h>

namespace tolven {
namespace {

void addRing(const OGRLinearRing* ring, RegionPoints& regions) {
    if (ring == nullptr) return;
    const int count = ring->getNumPoints();
    for (int k = 0; k < count; ++k) regions.points.push_back({ring->getX(k), ring->getY(k)});
}

}  // namespace

RegionPoints boundaryPointsOf(const BoundaryLayer& layer) {
    RegionPoints regions;
    for (const BoundaryFeature& feature : layer.features) {
        // readBoundaryLayer makes every geometry a MultiPolygon of line segments.
        if (const auto* parts = dynamic_cast<const OGRMultiPolygon*>(feature.geometry.get())) {
            for (const OGRPolygon* polygon : *parts) {
                addRing(polygon->getExteriorRing(), regions);
                for (int k = 0; k < polygon->getNumInteriorRings(); ++k) {
                    addRing(polygon->getInteriorRing(k), regions);
                }
            }
        }
        regions.endRegion();
    }
    return regions;
}

}  // namespace tolven
