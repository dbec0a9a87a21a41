#pragma once

#include "core/spatial/contiguity.h"
#include "geo/boundary_layer.h"

namespace tolven {

// The boundary points of the layer's features for contiguityNeighbours:
// region k is features[k], with every vertex of every ring of every polygon
// of its MultiPolygon (outer rings and holes alike). A feature without a
// geometry has no points, and so no neighbours.
RegionPoints boundaryPointsOf(const BoundaryLayer& layer);

}  // namespace tolven
