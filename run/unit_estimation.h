#pragma once

#include <cstdio>
#include <vector>

#include "core/input/input_table.h"
#include "core/model/engine_options.h"
#include "core/model/run_settings.h"
#include "reports/log_report.h"
#include "reports/result_table.h"
#include "run/run_progress.h"
#include "run/spatial_run.h"
#include "run/unit_groups.h"

namespace tolven {

// Each unit's priors and each row's unit, kept for the posterior columns.
struct PriorsByRow {
    std::vector<UnitPriors> priors;      // by unit index, in estimation order
    UninitializedVector<int> unitOfRow;  // rows 1..rowCount
};

// Estimates every unit of `groups`, each with its own regions loaded into a
// region table, and writes each unit's log block in `form` to `log` in the
// order of the groups. The results come back into the unit's rows of `table`;
// the only region of a one-region unit (isOneRegionUnit) gets ebRatioME =
// NOT_AVAILABLE (whole-file mode is one group of every row, see
// wholeFileGroup). Units are
// independent, so they are estimated side by side on the threads of the
// calling task arena, while the blocks are written in order as units finish:
// only a bounded window of finished units waits in memory. The bytes written
// and the results are those of a one-thread run. `progress` (if any) hears of
// the units done after each batch. When `keep` is given it receives every
// unit's priors and every row's unit. Returns false when options.cancel was
// set: the run stopped soon after, with some units neither estimated nor
// written. When `spatial` is given, each unit's spatial estimates are made
// with it and their log line joins the unit's block.
bool estimateUnits(InputTable& table, const UnitGroups& groups, LogForm form,
                   const RunSettings& settings, const EngineOptions& options, RunProgress* progress,
                   std::FILE* log, PriorsByRow* keep, SpatialRun* spatial = nullptr);

// Writes the result table of `table` to `output`, formatting pieces of rows on
// the threads of the calling task arena and writing them in file order.
// `progress` (if any) hears of the rows written after each piece. Returns
// false when `cancel` was set, leaving the table incomplete.
bool writeResultTableInParallel(std::FILE* output, const InputTable& table,
                                const ResultTableFormat& format, const std::atomic<bool>* cancel,
                                RunProgress* progress = nullptr);

}  // namespace tolven
