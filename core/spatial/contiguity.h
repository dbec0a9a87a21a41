#pragma once

#include <cstddef>
#include <vector>

#include "core/spatial/neighbour_list.h"

namespace tolven {

// Which shared boundary makes two regions neighbours.
enum class ContiguityRule {
    queen,  // at least one boundary point in common
    rook,   // at least two boundary points in common (on ordinary maps, a common edge)
};

// Points closer than this count as one unless the user says otherwise: about
// the square root of the doubles' machine epsilon, enough to absorb the
// rounding of coordinates written by different programs.
inline constexpr double DEFAULT_SNAP_DISTANCE = 1.5e-8;

// One vertex of a region's boundary.
struct BoundaryPoint {
    double x = 0.0;
    double y = 0.0;
};

// The boundary points of regions 0..regionCount()-1, region after region:
// every vertex of every ring (outer rings, holes, every part of a
// multipolygon), in any order, repeats allowed.
struct RegionPoints {
    std::vector<BoundaryPoint> points;
    std::vector<std::size_t> starts{0};  // region r's points: [starts[r], starts[r+1])

    // Ends the region whose points were added since the last call.
    void endRegion() { starts.push_back(points.size()); }
    std::size_t regionCount() const { return starts.size() - 1; }
};

// The contiguity neighbours of `regions`. Boundary points closer than `snap`
// (Euclidean distance, in the coordinates' units) count as one point, and so
// does a chain of such points; with `snap` 0 only equal points are one.
// Two regions are queen neighbours when they have at least one point in
// common, rook neighbours when they have at least two distinct points in
// common (several points of one region that count as one are one point). A
// region without points, or whose points meet no other region's, is an
// island. Points with a coordinate that is not finite are ignored. Assumes
// `snap` is finite and not negative.
//
// Runs in O(n log n) for n points when few points lie within `snap` of one
// another: equal points are merged by sorting, near ones found in a grid of
// cells twice `snap` wide, never by comparing all pairs. The result depends
// only on the points and their regions, never on the order of work.
NeighbourList contiguityNeighbours(const RegionPoints& regions, ContiguityRule rule, double snap);

}  // namespace tolven
