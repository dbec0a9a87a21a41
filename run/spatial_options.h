#pragma once

#include <cstdio>
#include <string>

#include "core/spatial/boundary_regions.h"
#include "core/spatial/contiguity.h"

namespace tolven {

// Where a run's neighbour list comes from.
enum class NeighbourSource {
    none,     // no neighbour list: nothing spatial
    queen,    // contiguity of the boundaries: one boundary point in common
    rook,     // contiguity of the boundaries: two boundary points in common
    galFile,  // the GAL file neighboursPath
};

// The neighbour list and the spatial estimates one run asks for; all off by
// default, and then no output changes.
struct SpatialOptions {
    NeighbourSource source = NeighbourSource::none;
    std::string neighboursPath;  // the GAL file, with galFile
    // With queen and rook: boundary points closer than this, in the layer's
    // units, count as one.
    double snapDistance = DEFAULT_SNAP_DISTANCE;
    // With queen and rook: the run's boundaries (geo/'s RunBoundaries, which
    // reads them once for every output of the run that needs them); the
    // caller keeps it alive for the run.
    BoundaryRegions* boundaries = nullptr;
    bool localEb = false;             // the local empirical Bayes columns
    bool moran = false;               // each unit's EB Moran's I in the log
    int permutations = 999;           // of the Moran's I p-value, 1 to 99,999
    std::string writeNeighboursPath;  // where the list used is written as GAL; empty: nowhere
    std::FILE* notes = nullptr;       // the list's summary and repairs, when given
};

}  // namespace tolven
