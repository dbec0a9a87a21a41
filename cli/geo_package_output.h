#pragma once

#include <string>

#include "geo/boundary_join.h"
#include "geo/boundary_layer.h"
#include "run/extra_output.h"

namespace tolven {

// What --geo-output asks for: the GeoPackage's path and the boundaries.
struct GeoOutputRequest {
    std::string path;  // empty: no GeoPackage
    BoundarySource boundaries;
};

// The GeoPackage as the run's extra output: reads and joins the boundaries
// once the input is read, refusing a bad boundary layer and one that has no
// code in common with the input; writes the layer "smr" (smr_geopackage.h)
// after the table.
class GeoPackageOutput final : public ExtraOutput {
public:
    explicit GeoPackageOutput(GeoOutputRequest request);

    std::string path() const override { return request_.path; }
    std::string subject() const override { return "GeoPackage"; }
    std::vector<std::string> sourcePaths() const override;
    bool prepare(const InputTable& table, bool wholeFile, MessageSink& messages) override;
    bool write(std::FILE* output, const InputTable& table, bool wholeFile,
               const PosteriorColumns* posterior, const std::atomic<bool>* cancel,
               MessageSink& messages) override;

    // After prepare(): the features read and the codes matched per unit (see
    // joinSummary); empty before.
    const std::string& summary() const { return summary_; }

private:
    GeoOutputRequest request_;
    BoundaryLayer layer_;
    BoundaryJoin join_;
    std::string summary_;
};

}  // namespace tolven
