#include "cli/geo_package_output.h"

#include <utility>

#include "geo/smr_geopackage.h"

namespace tolven {

GeoPackageOutput::GeoPackageOutput(GeoOutputRequest request, RunBoundaries& boundaries)
    : request_(std::move(request)), boundaries_(boundaries) {}

std::vector<std::string> GeoPackageOutput::sourcePaths() const {
    return {request_.boundaries.path};
}

bool GeoPackageOutput::prepare(const InputTable& table, bool wholeFile, MessageSink& messages) {
    std::string error;
    layer_ = boundaries_.layer(error);
    if (layer_ == nullptr) {
        messages.showError(error);
        return false;
    }
    join_ = joinBoundaries(table, wholeFile, *layer_);
    if (join_.matchedRows == 0) {
        std::string example;
        if (!join_.units.empty() && !join_.units.front().firstUnmatched.empty()) {
            example = " (input codes such as \"" + join_.units.front().firstUnmatched.front() +
                      "\"; layer codes such as \"" +
                      (layer_->features.empty() ? std::string() : layer_->features.front().code) +
                      "\")";
        }
        messages.showError("no region code of the input occurs in the join field \"" +
                           request_.boundaries.joinField + "\" of layer \"" + layer_->layerName +
                           "\" of " + request_.boundaries.path + example);
        return false;
    }
    summary_ = joinSummary(request_.boundaries, *layer_, join_);
    return true;
}

bool GeoPackageOutput::write(std::FILE* output, const InputTable& table, bool wholeFile,
                             const PosteriorColumns* posterior, const LocalEbColumns* localEb,
                             const std::atomic<bool>* cancel, MessageSink& messages) {
    const SmrLayerContent content{&table, wholeFile, posterior, layer_, &join_, localEb};
    if (const std::string error = writeSmrGeoPackage(output, content, cancel); !error.empty()) {
        messages.showError(error + ": " + request_.path);
        return false;
    }
    return true;
}

}  // namespace tolven
