#pragma once

#include <memory>
#include <string>
#include <vector>

#include "geo/run_boundaries.h"
#include "run/outcome_files.h"
#include "ui/map/batch_maps.h"

namespace tolven {

// What --maps asks for.
struct MapsRequest {
    std::string folder;  // empty: no maps
    BatchMapFormat format = BatchMapFormat::png;
    BatchMapValue value = BatchMapValue::ebMle;
};

// The maps as files the run draws from its outcome: FOLDER/unit_<n>.<ext>
// for each unit (unit_all.<ext> in whole-file mode), drawn from the run's one
// reading of the boundaries. The folder is made when it does not exist.
class MapOutput final : public OutcomeFiles {
public:
    // `boundaries` outlives this output; `footer` is printed at the bottom of
    // every map (the input file's name).
    MapOutput(MapsRequest request, RunBoundaries& boundaries, std::string footer);
    ~MapOutput() override;

    std::string subject() const override { return "地図ファイル"; }
    std::vector<std::string> sourcePaths() const override { return {boundaries_.source().path}; }
    bool prepare(const InputTable& table, bool wholeFile, MessageSink& messages) override;
    std::vector<std::string> paths() const override { return paths_; }
    bool write(std::FILE* output, const RunOutcome& outcome, std::size_t unit,
               MessageSink& messages) override;

private:
    MapsRequest request_;
    RunBoundaries& boundaries_;
    std::string footer_;
    std::unique_ptr<BatchMapRenderer> renderer_;
    std::vector<std::string> paths_;
};

}  // namespace tolven
