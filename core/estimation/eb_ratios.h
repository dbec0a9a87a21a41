#pragma once

#include "core/model/region_table.h"
#include "core/model/unit_results.h"

namespace tolven {

// Third stage of estimateUnit: the empirical Bayes ratio of every region, the
// posterior mean (O_i + beta) / (alpha + E_i) of its relative risk under the
// Gamma prior (rate alpha, shape beta), once with each fitted prior.
//
// Reads table.regionCount N, observed[1..N], expected[1..N] and
// results.meAlpha, meBeta, mleConverged, mleAlpha, mleBeta. Writes
// table.ebRatioME[1..N] and ebRatioMLE[1..N]; slots above N are not touched.
//
//   ebRatioME[i]  = (O_i + meBeta) / (meAlpha + E_i), always: whatever the fit
//                   did, whatever excludeZero and the start values were
//   ebRatioMLE[i] = (O_i + mleBeta) / (mleAlpha + E_i) when mleConverged is 1,
//                   otherwise NOT_AVAILABLE for every region
//
// A zero count gets beta / (alpha + E_i), not 0. Non-finite estimates are used
// as they are: NaN or infinite moment estimates make every ebRatioME NaN, and
// a fit that converged to NaN makes every ebRatioMLE NaN.
void computeEbRatios(RegionTable& table, const UnitResults& results);

}  // namespace tolven
