#pragma once

#include <cstddef>
#include <span>
#include <utility>
#include <vector>

namespace tolven {

// The neighbours of the regions 0..regionCount()-1 of one unit. Symmetric
// (j is a neighbour of i exactly when i is one of j), never a region next to
// itself, each neighbour once, each region's neighbours in ascending order.
class NeighbourList {
public:
    NeighbourList() = default;

    // The list over `regionCount` regions with the given pairs, each pair
    // counted in both directions. Pairs of a region with itself, pairs named
    // twice and pairs outside 0..regionCount-1 are dropped.
    NeighbourList(std::size_t regionCount, std::span<const std::pair<int, int>> pairs);

    std::size_t regionCount() const { return offsets_.size() - 1; }
    std::span<const int> neighboursOf(std::size_t region) const {
        return {neighbours_.data() + offsets_[region], offsets_[region + 1] - offsets_[region]};
    }
    std::size_t neighbourCount(std::size_t region) const {
        return offsets_[region + 1] - offsets_[region];
    }
    // Pairs counted once.
    std::size_t pairCount() const { return neighbours_.size() / 2; }

private:
    std::vector<std::size_t> offsets_{0};  // region i's neighbours: [offsets_[i], offsets_[i+1])
    std::vector<int> neighbours_;
};

// The neighbour list of members 0..placeOf.size()-1 that stand for places of
// `places` (member i is place placeOf[i], each place 0..regionCount()-1 of
// `places`): members i and j are neighbours when their places are. Members of
// one place are not neighbours of each other. Used to cut one unit's list out
// of a list over every region of a map or GAL file.
NeighbourList memberNeighbours(const NeighbourList& places, std::span<const int> placeOf);

// What a neighbour list looks like: how many neighbours the regions have, and
// which have none. Mean, minimum and maximum are 0 for a list of no regions.
struct NeighbourSummary {
    std::size_t regions = 0;
    double meanNeighbours = 0.0;
    std::size_t minNeighbours = 0;
    std::size_t maxNeighbours = 0;
    std::vector<int> islands;  // regions without neighbours, ascending
};
NeighbourSummary summarizeNeighbours(const NeighbourList& list);

}  // namespace tolven
