#include "core/spatial/contiguity.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numeric>
#include <tuple>
#include <utility>

namespace tolven {
namespace {

// Disjoint sets of locations; the smaller index is the root, so the sets
// come out the same whatever order the unions are made in.
class LocationSets {
public:
    explicit LocationSets(std::size_t count) : parent_(count) {
        std::iota(parent_.begin(), parent_.end(), std::size_t{0});
    }
    std::size_t find(std::size_t a) {
        while (parent_[a] != a) {
            parent_[a] = parent_[parent_[a]];
            a = parent_[a];
        }
        return a;
    }
    void join(std::size_t a, std::size_t b) {
        a = find(a);
        b = find(b);
        if (a < b) std::swap(a, b);
        parent_[a] = b;
    }

private:
    std::vector<std::size_t> parent_;
};

// Cell indices stay below this, so they fit an int64 however small the snap
// distance is against the coordinates (the cells are then wider, which costs
// only distance checks).
constexpr double MOST_CELLS = 1125899906842624.0;  // 2^50

// Joins the sets of distinct locations that lie closer than `snap`, looking
// only at locations in the same or an adjacent grid cell of width 2 * snap.
void joinNearLocations(const std::vector<BoundaryPoint>& locations, double snap,
                       LocationSets& sets) {
    if (locations.empty()) return;
    double minX = locations[0].x, maxX = minX, minY = locations[0].y, maxY = minY;
    for (const BoundaryPoint& p : locations) {
        minX = std::min(minX, p.x), maxX = std::max(maxX, p.x);
        minY = std::min(minY, p.y), maxY = std::max(maxY, p.y);
    }
    const double extent = std::max(maxX - minX, maxY - minY);
    const double width = std::max(2.0 * snap, extent / MOST_CELLS);
    struct Cell {
        std::int64_t cx, cy;
        std::size_t location;
        bool operator<(const Cell& other) const {
            return std::tie(cx, cy, location) < std::tie(other.cx, other.cy, other.location);
        }
    };
    std::vector<Cell> cells(locations.size());
    for (std::size_t k = 0; k < locations.size(); ++k) {
        cells[k] = {static_cast<std::int64_t>(std::floor((locations[k].x - minX) / width)),
                    static_cast<std::int64_t>(std::floor((locations[k].y - minY) / width)), k};
    }
    std::sort(cells.begin(), cells.end());
    // Closer than snap, compared in units of snap so that no square underflows.
    const auto close = [&](std::size_t a, std::size_t b) {
        const double dx = (locations[a].x - locations[b].x) / snap;
        const double dy = (locations[a].y - locations[b].y) / snap;
        return dx * dx + dy * dy < 1.0;
    };
    // Each pair of adjacent cells once: the cell itself, then the four of the
    // eight around it that come after it in (cx, cy) order.
    constexpr std::int64_t AFTER[4][2] = {{0, 1}, {1, -1}, {1, 0}, {1, 1}};
    for (std::size_t begin = 0; begin < cells.size();) {
        std::size_t end = begin;
        while (end < cells.size() && cells[end].cx == cells[begin].cx &&
               cells[end].cy == cells[begin].cy) {
            ++end;
        }
        for (std::size_t a = begin; a < end; ++a) {
            for (std::size_t b = a + 1; b < end; ++b) {
                if (close(cells[a].location, cells[b].location)) {
                    sets.join(cells[a].location, cells[b].location);
                }
            }
        }
        for (const auto& [dx, dy] : AFTER) {
            const std::int64_t cx = cells[begin].cx + dx;
            const std::int64_t cy = cells[begin].cy + dy;
            auto other = std::lower_bound(cells.begin() + static_cast<std::ptrdiff_t>(end),
                                          cells.end(), Cell{cx, cy, 0});
            for (; other != cells.end() && other->cx == cx && other->cy == cy; ++other) {
                for (std::size_t a = begin; a < end; ++a) {
                    if (close(cells[a].location, other->location)) {
                        sets.join(cells[a].location, other->location);
                    }
                }
            }
        }
        begin = end;
    }
}

}  // namespace

NeighbourList contiguityNeighbours(const RegionPoints& regions, ContiguityRule rule, double snap) {
    // The points with finite coordinates, by position: equal points side by side.
    struct Located {
        BoundaryPoint point;
        int region;
    };
    std::vector<Located> located;
    located.reserve(regions.points.size());
    for (std::size_t r = 0; r < regions.regionCount(); ++r) {
        for (std::size_t k = regions.starts[r]; k < regions.starts[r + 1]; ++k) {
            const BoundaryPoint& p = regions.points[k];
            if (std::isfinite(p.x) && std::isfinite(p.y)) {
                located.push_back({p, static_cast<int>(r)});
            }
        }
    }
    std::sort(located.begin(), located.end(), [](const Located& a, const Located& b) {
        return std::tie(a.point.x, a.point.y, a.region) < std::tie(b.point.x, b.point.y, b.region);
    });

    // Distinct locations, and the location of each point.
    std::vector<BoundaryPoint> locations;
    std::vector<std::size_t> locationOf(located.size());
    for (std::size_t k = 0; k < located.size(); ++k) {
        if (k == 0 || located[k].point.x != located[k - 1].point.x ||
            located[k].point.y != located[k - 1].point.y) {
            locations.push_back(located[k].point);
        }
        locationOf[k] = locations.size() - 1;
    }
    LocationSets sets(locations.size());
    if (snap > 0.0) joinNearLocations(locations, snap, sets);

    // (point, region) once each, a point being a set of locations.
    std::vector<std::pair<std::size_t, int>> members(located.size());
    for (std::size_t k = 0; k < located.size(); ++k) {
        members[k] = {sets.find(locationOf[k]), located[k].region};
    }
    std::sort(members.begin(), members.end());
    members.erase(std::unique(members.begin(), members.end()), members.end());

    // Each pair of regions once for every point they share.
    std::vector<std::pair<int, int>> shared;
    for (std::size_t begin = 0; begin < members.size();) {
        std::size_t end = begin;
        while (end < members.size() && members[end].first == members[begin].first) ++end;
        for (std::size_t a = begin; a < end; ++a) {
            for (std::size_t b = a + 1; b < end; ++b) {
                shared.emplace_back(members[a].second, members[b].second);
            }
        }
        begin = end;
    }
    std::sort(shared.begin(), shared.end());
    const std::size_t needed = rule == ContiguityRule::queen ? 1 : 2;
    std::vector<std::pair<int, int>> pairs;
    for (std::size_t begin = 0; begin < shared.size();) {
        std::size_t end = begin;
        while (end < shared.size() && shared[end] == shared[begin]) ++end;
        if (end - begin >= needed) pairs.push_back(shared[begin]);
        begin = end;
    }
    return NeighbourList(regions.regionCount(), pairs);
}

}  // namespace tolven
