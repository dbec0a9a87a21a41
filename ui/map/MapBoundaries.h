#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "core/spatial/contiguity.h"
#include "geo/boundary_layer.h"
#include "ui/map/MapShapes.h"

namespace tolven {

// The boundaries a map is drawn from, read once for a run's settings: the
// layer (codes, labels), its outlines, and optionally each feature's
// neighbouring features (from a GAL file or the layer's contiguity), whose
// outlines are marked when the pointer rests on a region.
struct MapBoundaries {
    BoundarySource source;
    BoundaryLayer layer;
    LayerOutlines outlines;
    std::vector<std::vector<std::size_t>> neighboursOfFeature;  // empty: no neighbours
};

// Reads `source` into `boundaries`; an empty text on success, else the
// message (see readBoundaryLayer).
std::string loadMapBoundaries(const BoundarySource& source, MapBoundaries& boundaries);

// Reads the GAL file `path` and fills boundaries.neighboursOfFeature: the
// features whose codes the file names as neighbours. An empty text on
// success, else the message.
std::string loadMapNeighbours(const std::string& path, MapBoundaries& boundaries);

// Fills boundaries.neighboursOfFeature with the queen or rook contiguity of
// the layer's features (points closer than `snap` count as one), as a run
// finds it.
void loadMapContiguity(ContiguityRule rule, double snap, MapBoundaries& boundaries);

}  // namespace tolven
