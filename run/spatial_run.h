#pragma once

#include <memory>
#include <span>
#include <string>
#include <vector>

#include "core/input/input_table.h"
#include "core/model/uninitialized_vector.h"
#include "core/spatial/local_eb.h"
#include "core/text/user_messages.h"
#include "reports/local_eb_columns.h"
#include "reports/log_report.h"
#include "run/output_file.h"
#include "run/spatial_options.h"
#include "run/unit_groups.h"

namespace tolven {

// The spatial part of one run: the neighbour list, read from its GAL file or
// made from the boundaries' queen or rook contiguity, what each unit's
// estimation adds (local estimates by row, the Moran's I
// line), and the list written back. Used in this order: load, openOutput,
// estimateUnit for every unit (from several threads, each unit once), then
// writeList, finish and commit.
class SpatialRun {
public:
    explicit SpatialRun(const SpatialOptions& options);

    // True when the run asks for anything spatial.
    bool active() const { return options_.source != NeighbourSource::none; }

    // Reads the GAL file, or the boundaries and their contiguity, and checks
    // that every row's code is in it. On a file that cannot be read, a bad
    // file or a code it lacks, shows the message and returns false. Notes of
    // repairs go to options.notes.
    bool load(const InputTable& table, MessageSink& messages);

    // Opens the file the list is written to, if asked for, refusing a path
    // that is one of the run's other files. Returns false after the message.
    bool openOutput(const std::string& inputPath, const OutputFile& log, const OutputFile& output,
                    MessageSink& messages);

    // The local estimates and the Moran's I of the unit numbered `unitNumber`
    // whose rows are `rows`: the estimates go to those rows, the Moran's I
    // line into the unit's log block `log` (just written in `form`), after
    // its last line. Units touch only their own rows, so units may run on
    // separate threads.
    void estimateUnit(const InputTable& table, std::span<const int> rows, int unitNumber,
                      LogForm form, std::string& log);

    // The columns of the result table, or null when the local estimate is not
    // asked for.
    const LocalEbColumns* columns(bool posterior, double levelPercent, double thresholdPercent);

    // Writes the summary of the list used (the union of the units' lists,
    // regions by their input codes in order of first appearance) to
    // options.notes, and the list itself to the output opened, if any.
    // False after the message when a code cannot be written as GAL.
    bool writeList(const InputTable& table, const UnitGroups& groups, MessageSink& messages);

    // Finishes the written list, if any; false after the message.
    bool finish(MessageSink& messages);

    // The written list, to be committed with the run's other outputs, or null.
    OutputFile* listOutput() { return listOutput_.get(); }

private:
    bool loadGal(const InputTable& table, MessageSink& messages);
    bool loadContiguity(const InputTable& table, MessageSink& messages);

    SpatialOptions options_;
    // The list over every region of the GAL file or the boundary layer, and
    // each row's region in it (rows 1..rowCount).
    NeighbourList places_;
    std::vector<int> placeOfRow_;
    std::string sourceName_;            // in the Moran's I line: the GAL file's name, queen or rook
    std::string summaryName_;           // in the summary: where the list came from
    std::string listLayer_ = "tolven";  // the written GAL's header
    std::string listIdField_ = "code";
    UninitializedVector<LocalEbEstimate> estimateOfRow_;
    UninitializedVector<char> shownOfRow_;
    LocalEbColumns columns_;
    std::unique_ptr<OutputFile> listOutput_;
};

}  // namespace tolven
