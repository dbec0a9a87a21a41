#include "geo/run_boundaries.h"

#include <utility>

#include "core/spatial/region_code.h"
#include "geo/boundary_points.h"

namespace tolven {

RunBoundaries::RunBoundaries(BoundarySource source) : source_(std::move(source)) {}

const BoundaryLayer* RunBoundaries::layer(std::string& error) {
    if (!read_) {
        error_ = readBoundaryLayer(source_, layer_);
        read_ = true;
    }
    error = error_;
    return error_.empty() ? &layer_ : nullptr;
}

bool RunBoundaries::load(std::string& error) { return layer(error) != nullptr; }

RegionPoints RunBoundaries::points() const { return boundaryPointsOf(layer_); }

int RunBoundaries::regionOf(std::string_view code) const {
    const auto found =
        layer_.featureOfKey.find(regionCodeKey(regionCodeAsUtf8(code), layer_.integerJoinField));
    return found == layer_.featureOfKey.end() ? -1 : static_cast<int>(found->second);
}

}  // namespace tolven
