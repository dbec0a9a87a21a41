#include "core/spatial/contiguity.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

namespace tolven {
namespace {

using Ring = std::vector<BoundaryPoint>;

// A closed square ring starting at its corner (x, y), counterclockwise.
Ring square(double x, double y, double size = 1.0) {
    return {{x, y}, {x + size, y}, {x + size, y + size}, {x, y + size}, {x, y}};
}

// Regions of one ring each (an empty ring: a region without points).
RegionPoints regionsOf(const std::vector<std::vector<Ring>>& regions) {
    RegionPoints points;
    for (const std::vector<Ring>& rings : regions) {
        for (const Ring& ring : rings)
            points.points.insert(points.points.end(), ring.begin(), ring.end());
        points.endRegion();
    }
    return points;
}

std::vector<std::vector<int>> listsOf(const NeighbourList& list) {
    std::vector<std::vector<int>> lists;
    for (std::size_t i = 0; i < list.regionCount(); ++i) {
        const auto n = list.neighboursOf(i);
        lists.emplace_back(n.begin(), n.end());
    }
    return lists;
}

// A 3 x 3 grid of unit squares, numbered row by row from the lower left.
RegionPoints grid3x3() {
    std::vector<std::vector<Ring>> cells;
    for (int row = 0; row < 3; ++row) {
        for (int col = 0; col < 3; ++col) cells.push_back({square(col, row)});
    }
    return regionsOf(cells);
}

TEST(ContiguityTest, GridCornersHaveThreeQueenAndTwoRookNeighbours) {
    const RegionPoints grid = grid3x3();
    EXPECT_EQ(listsOf(contiguityNeighbours(grid, ContiguityRule::queen, DEFAULT_SNAP_DISTANCE)),
              (std::vector<std::vector<int>>{{1, 3, 4},
                                             {0, 2, 3, 4, 5},
                                             {1, 4, 5},
                                             {0, 1, 4, 6, 7},
                                             {0, 1, 2, 3, 5, 6, 7, 8},
                                             {1, 2, 4, 7, 8},
                                             {3, 4, 7},
                                             {3, 4, 5, 6, 8},
                                             {4, 5, 7}}));
    EXPECT_EQ(listsOf(contiguityNeighbours(grid, ContiguityRule::rook, DEFAULT_SNAP_DISTANCE)),
              (std::vector<std::vector<int>>{{1, 3},
                                             {0, 2, 4},
                                             {1, 5},
                                             {0, 4, 6},
                                             {1, 3, 5, 7},
                                             {2, 4, 8},
                                             {3, 7},
                                             {4, 6, 8},
                                             {5, 7}}));
}

TEST(ContiguityTest, SharedPointsAreCountedOnceAndWithinTheSnapDistance) {
    const double snap = DEFAULT_SNAP_DISTANCE;
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const struct {
        const char* name;
        std::vector<std::vector<Ring>> regions;
        double snap;
        bool queen, rook;  // are regions 0 and 1 neighbours?
    } cases[] = {
        // The second square's ring starts and ends at the corner it shares:
        // one point, however often its ring names it.
        {"one corner, the ring's first and last point",
         {{square(0, 0)}, {square(1, 1)}},
         snap,
         true,
         false},
        {"a common edge", {{square(0, 0)}, {square(1, 0)}}, snap, true, true},
        // Boundary points are vertices: an edge that meets the other
        // region's edge halfway, where that has no vertex, shares one point.
        {"an edge ending halfway along the other's edge",
         {{square(0, 0, 2)}, {square(2, 1)}},
         snap,
         true,
         false},
        {"an edge a little apart, within the snap distance",
         {{square(0, 0)}, {square(1.0 + snap / 3, snap / 3)}},
         snap,
         true,
         true},
        {"an edge a little apart, exact points only",
         {{square(0, 0)}, {square(1.0 + 1e-12, 0)}},
         0.0,
         false,
         false},
        {"an edge further apart than the snap distance",
         {{square(0, 0)}, {square(1.0 + 2 * snap, 0)}},
         snap,
         false,
         false},
        {"an edge 1e-4 apart with a wide snap distance",
         {{square(0, 0)}, {square(1.0001, 0)}},
         1e-3,
         true,
         true},
        // Two of the first square's corners within the snap distance of each
        // other are one point: a single shared point then, not an edge.
        {"two points of one region that count as one",
         {{{{0, 0}, {1, 0}, {1, 1e-9}, {0, 1}, {0, 0}}}, {{{1, 0}, {2, 0}, {2, -1}, {1, 0}}}},
         snap,
         true,
         false},
        // Large coordinates: the cells stay sound far from the origin.
        {"an edge far from the origin",
         {{square(6.0e6, 4.0e6, 1000.0)}, {square(6.0e6 + 1000.0, 4.0e6, 1000.0)}},
         snap,
         true,
         true},
        {"a point that is not a number is ignored",
         {{square(0, 0), Ring{{nan, 0.0}}}, {Ring{{nan, 0.0}}, square(2, 0)}},
         snap,
         false,
         false},
        {"a region without points is an island", {{square(0, 0)}, {}}, snap, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const RegionPoints regions = regionsOf(c.regions);
        const auto linked = [&](ContiguityRule rule) {
            const NeighbourList list = contiguityNeighbours(regions, rule, c.snap);
            EXPECT_EQ(list.regionCount(), 2u);
            return list.neighbourCount(0) == 1 && list.neighbourCount(1) == 1;
        };
        EXPECT_EQ(linked(ContiguityRule::queen), c.queen);
        EXPECT_EQ(linked(ContiguityRule::rook), c.rook);
    }
}

TEST(ContiguityTest, HolesAndPartsShareTheirPointsLikeOuterRings) {
    // 0: a square with a hole; 1: fills the hole; 2: two parts, the first on
    // 0's right edge, the second touching 3 at one corner; 4: apart.
    const Ring outer{{0, 0}, {4, 0}, {4, 1}, {4, 4}, {0, 4}, {0, 0}};
    const Ring hole{{1, 1}, {1, 3}, {3, 3}, {3, 1}, {1, 1}};
    const RegionPoints regions = regionsOf({{outer, hole},
                                            {square(1, 1, 2)},
                                            {square(4, 0), square(7, 0)},
                                            {square(8, 1)},
                                            {square(20, 20)}});
    EXPECT_EQ(listsOf(contiguityNeighbours(regions, ContiguityRule::queen, DEFAULT_SNAP_DISTANCE)),
              (std::vector<std::vector<int>>{{1, 2}, {0}, {0, 3}, {2}, {}}));
    EXPECT_EQ(listsOf(contiguityNeighbours(regions, ContiguityRule::rook, DEFAULT_SNAP_DISTANCE)),
              (std::vector<std::vector<int>>{{1, 2}, {0}, {0}, {}, {}}));
}

}  // namespace
}  // namespace tolven
