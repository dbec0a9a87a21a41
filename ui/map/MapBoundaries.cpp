#include "ui/map/MapBoundaries.h"

#include <fstream>
#include <iterator>

#include "core/spatial/gal_file.h"
#include "geo/boundary_points.h"

namespace tolven {

std::string loadMapBoundaries(const BoundarySource& source, MapBoundaries& boundaries) {
    boundaries = {};
    boundaries.source = source;
    if (std::string error = readBoundaryLayer(source, boundaries.layer); !error.empty())
        return error;
    boundaries.outlines = layerOutlines(boundaries.layer);
    return {};
}

std::string loadMapNeighbours(const std::string& path, MapBoundaries& boundaries) {
    boundaries.neighboursOfFeature.clear();
    std::ifstream file(path, std::ios::binary);
    if (!file) return "cannot open neighbour file " + path;
    const std::string text((std::istreambuf_iterator<char>(file)),
                           std::istreambuf_iterator<char>());
    GalNeighbours gal;
    std::string error;
    if (!readGal(text, gal, error)) return path + ": " + error;
    const std::size_t features = boundaries.layer.features.size();
    // The GAL region of each feature, then its neighbours' features.
    std::vector<int> regionOfFeature(features, -1);
    std::vector<long> featureOfRegion(gal.codes.size(), -1);
    for (std::size_t f = 0; f < features; ++f) {
        regionOfFeature[f] = galRegionOf(gal, boundaries.layer.features[f].code);
        if (regionOfFeature[f] >= 0)
            featureOfRegion[static_cast<std::size_t>(regionOfFeature[f])] = static_cast<long>(f);
    }
    boundaries.neighboursOfFeature.assign(features, {});
    for (std::size_t f = 0; f < features; ++f) {
        if (regionOfFeature[f] < 0) continue;
        for (int other : gal.list.neighboursOf(static_cast<std::size_t>(regionOfFeature[f]))) {
            const long feature = featureOfRegion[static_cast<std::size_t>(other)];
            if (feature >= 0)
                boundaries.neighboursOfFeature[f].push_back(static_cast<std::size_t>(feature));
        }
    }
    return {};
}

void loadMapContiguity(ContiguityRule rule, double snap, MapBoundaries& boundaries) {
    const NeighbourList list = contiguityNeighbours(boundaryPointsOf(boundaries.layer), rule, snap);
    const std::size_t features = boundaries.layer.features.size();
    boundaries.neighboursOfFeature.assign(features, {});
    for (std::size_t f = 0; f < features; ++f) {
        for (int other : list.neighboursOf(f))
            boundaries.neighboursOfFeature[f].push_back(static_cast<std::size_t>(other));
    }
}

}  // namespace tolven
