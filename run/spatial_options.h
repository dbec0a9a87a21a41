#pragma once

#include <cstdio>
#include <string>

namespace tolven {

// The neighbour list and the spatial estimates one run asks for; all off by
// default, and then no output changes.
// Where the neighbour list comes from: a GAL file (neighboursPath), or the
// contiguity of the region boundaries.
enum class NeighbourSource { galFile, queen, rook };

struct SpatialOptions {
    NeighbourSource neighbourSource = NeighbourSource::galFile;
    std::string neighboursPath;       // a GAL file; empty: no neighbour list
    bool localEb = false;             // the local empirical Bayes columns
    bool moran = false;               // each unit's EB Moran's I in the log
    int permutations = 999;           // of the Moran's I p-value, 1 to 99,999
    std::string writeNeighboursPath;  // where the list used is written as GAL; empty: nowhere
    std::FILE* notes = nullptr;       // the list's summary and repairs, when given
};

}  // namespace tolven
