#pragma once

#include "core/input/input_table.h"
#include "core/model/extended_settings.h"
#include "reports/local_eb_columns.h"
#include "run/run_outcome.h"
#include "run/unit_estimation.h"
#include "run/unit_groups.h"

namespace tolven {

// Fills `outcome` with what the plots need of a finished run: every region's
// values as the result table holds them, grouped by unit in ascending unit
// number (the regions of a unit in file order), each unit's priors, and the
// posterior summaries when extended.posteriorOutput (computed with the same
// rules as the table's columns, on the threads of the calling task arena).
// `groups` are those the units were estimated in (in whole-file mode the one
// group of wholeFileGroup). With `local` (the run's local empirical Bayes
// columns), each region also gets its local estimate and, with the posterior
// output, its exceedance probability, NaN where the table prints "***".
void collectOutcome(const InputTable& table, const UnitGroups& groups, bool wholeFile,
                    const PriorsByRow& priors, bool excludeZero, const ExtendedSettings& extended,
                    RunOutcome& outcome, const LocalEbColumns* local = nullptr);

}  // namespace tolven
