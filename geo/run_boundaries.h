#pragma once

#include <string>
#include <string_view>

#include "core/spatial/boundary_regions.h"
#include "geo/boundary_layer.h"

namespace tolven {

// The boundaries of one run, read from their file the first time any part
// of the run asks (the neighbours, the GeoPackage) and then kept, so that
// the file is read once per run however many outputs use it. Used from one
// thread at a time.
class RunBoundaries final : public BoundaryRegions {
public:
    explicit RunBoundaries(BoundarySource source);

    const BoundarySource& source() const { return source_; }

    // The layer, read on the first call (readBoundaryLayer); null, with the
    // reader's message in `error`, when it cannot be read.
    const BoundaryLayer* layer(std::string& error);

    bool load(std::string& error) override;
    // Region k is the layer's features[k] (boundaryPointsOf).
    RegionPoints points() const override;
    // The code as the join matches it (regionCodeAsUtf8, regionCodeKey).
    int regionOf(std::string_view code) const override;
    std::string filePath() const override { return source_.path; }
    std::string layerName() const override { return layer_.layerName; }
    std::string idFieldName() const override { return source_.joinField; }

private:
    BoundarySource source_;
    BoundaryLayer layer_;
    bool read_ = false;
    std::string error_;
};

}  // namespace tolven
