#pragma once

#include <string>

#include "geo/boundary_join.h"
#include "geo/boundary_layer.h"
#include "geo/run_boundaries.h"
#include "run/extra_output.h"

namespace tolven {

// What --geo-output asks for: the GeoPackage's path and the boundaries.
struct GeoOutputRequest {
    std::string path;  // empty: no GeoPackage
    BoundarySource boundaries;
};

// The GeoPackage as the run's extra output: takes the boundaries from the
// run's one reading of them and joins them once the input is read, refusing a bad boundary layer
// and one that has no code in common with the input; writes the layer "smr" (smr_geopackage.h)
// after the table.
class GeoPackageOutput final : public ExtraOutput {
public:
    // `boundaries` reads request.boundaries; it outlives this output.
    GeoPackageOutput(GeoOutputRequest request, RunBoundaries& boundaries);

    std::string path() const override { return request_.path; }
    std::string subject() const override { return "GeoPackage"; }
    std::vector<std::string> sourcePaths() const override;
    bool prepare(const InputTable& table, bool wholeFile, MessageSink& messages) override;
    bool write(std::FILE* output, const InputTable& table, bool wholeFile,
               const PosteriorColumns* posterior, const LocalEbColumns* localEb,
               const std::atomic<bool>* cancel, MessageSink& messages) override;

    // After prepare(): the features read and the codes matched per unit (see
    // joinSummary); empty before.
    const std::string& summary() const { return summary_; }

private:
    GeoOutputRequest request_;
    RunBoundaries& boundaries_;
    const BoundaryLayer* layer_ = nullptr;
    BoundaryJoin join_;
    std::string summary_;
};

}  // namespace tolven
