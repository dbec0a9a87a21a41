#pragma once

#include "core/model/engine_options.h"
#include "core/model/region_table.h"
#include "core/model/run_settings.h"
#include "core/model/unit_results.h"
#include "core/numerics/digamma_sums.h"

namespace tolven {

// The estimation engine's entry. Estimates the unit loaded into slots
// 1..regionCount of `table` (regionCount at least 1, observed and expected
// set, the table holding regionCount + 1 slots) by running, in this order:
//   computeRatioStatistics  ratios, moments, moment estimates of the prior
//   fitMaximumLikelihood    start values and the maximum-likelihood fit
//   computeEbRatios         both empirical Bayes ratios of every region
// Afterwards ratio, ebRatioME and ebRatioMLE of slots 1..regionCount and every
// field of `results` hold this unit's results; nothing depends on what an
// earlier unit left behind. `sums` is scratch storage of the fit. Never fails
// and shows no message: degenerate units yield NaN, infinities or
// NOT_AVAILABLE as each stage describes. A unit of one region is estimated
// like any other (its moments are NaN). Units estimated with separate tables,
// results and scratch may run on separate threads.
//
// `options` chooses the fit and may stop it early (see EngineOptions); the
// defaults give the fit described above. In the safeguarded mode a unit whose
// Newton-Raphson fit did not end at finite positive estimates is fitted again
// by fitSafeguarded, whose estimates (or NOT_AVAILABLE where the likelihood
// has no finite maximum) then stand as the maximum-likelihood prior; see
// UnitResults::safeguardedFit.
void estimateUnit(RegionTable& table, UnitResults& results, const RunSettings& settings,
                  DigammaSums& sums, const EngineOptions& options = {});

}  // namespace tolven
