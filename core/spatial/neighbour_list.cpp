#include "core/spatial/neighbour_list.h"

#include <algorithm>

namespace tolven {

NeighbourList::NeighbourList(std::size_t regionCount, std::span<const std::pair<int, int>> pairs) {
    std::vector<std::pair<int, int>> directed;
    directed.reserve(pairs.size() * 2);
    const auto inRange = [regionCount](int region) {
        return region >= 0 && static_cast<std::size_t>(region) < regionCount;
    };
    for (const auto& [a, b] : pairs) {
        if (a == b || !inRange(a) || !inRange(b)) continue;
        directed.emplace_back(a, b);
        directed.emplace_back(b, a);
    }
    std::sort(directed.begin(), directed.end());
    directed.erase(std::unique(directed.begin(), directed.end()), directed.end());
    offsets_.assign(regionCount + 1, 0);
    neighbours_.reserve(directed.size());
    for (const auto& [from, to] : directed) {
        ++offsets_[static_cast<std::size_t>(from) + 1];
        neighbours_.push_back(to);
    }
    for (std::size_t i = 0; i < regionCount; ++i) offsets_[i + 1] += offsets_[i];
}

NeighbourList memberNeighbours(const NeighbourList& places, std::span<const int> placeOf) {
    // (place, member), sorted, to find the members of a place.
    std::vector<std::pair<int, int>> byPlace;
    byPlace.reserve(placeOf.size());
    for (std::size_t i = 0; i < placeOf.size(); ++i) {
        byPlace.emplace_back(placeOf[i], static_cast<int>(i));
    }
    std::sort(byPlace.begin(), byPlace.end());
    std::vector<std::pair<int, int>> pairs;
    for (const auto& [place, member] : byPlace) {
        for (const int neighbour : places.neighboursOf(static_cast<std::size_t>(place))) {
            if (neighbour < place) continue;  // each pair from its lower side
            auto match = std::lower_bound(byPlace.begin(), byPlace.end(),
                                          std::pair<int, int>{neighbour, -1});
            for (; match != byPlace.end() && match->first == neighbour; ++match) {
                pairs.emplace_back(member, match->second);
            }
        }
    }
    return NeighbourList(placeOf.size(), pairs);
}

NeighbourSummary summarizeNeighbours(const NeighbourList& list) {
    NeighbourSummary summary;
    summary.regions = list.regionCount();
    if (summary.regions == 0) return summary;
    summary.minNeighbours = list.neighbourCount(0);
    for (std::size_t i = 0; i < summary.regions; ++i) {
        const std::size_t count = list.neighbourCount(i);
        summary.minNeighbours = std::min(summary.minNeighbours, count);
        summary.maxNeighbours = std::max(summary.maxNeighbours, count);
        if (count == 0) summary.islands.push_back(static_cast<int>(i));
    }
    summary.meanNeighbours =
        static_cast<double>(2 * list.pairCount()) / static_cast<double>(summary.regions);
    return summary;
}

}  // namespace tolven
