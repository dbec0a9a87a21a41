#pragma once

#include "core/model/region_table.h"
#include "core/model/run_settings.h"
#include "core/model/unit_results.h"

namespace tolven {

// First stage of estimateUnit: the raw ratios of the unit, their moments and
// the method-of-moments estimates of the Gamma prior (rate alpha, shape beta).
//
// Reads table.regionCount N (at least 1; the table has N + 1 slots),
// observed[1..N], expected[1..N] and settings.excludeZero. Writes
// table.ratio[1..N] and results.ratioMean, ratioVariance, meAlpha and meBeta.
// Slots above N are neither read nor written.
//
//   ratio[i] = O_i / E_i
//   S        = sum of ratio[i] over all i, in ascending i
//   nz       = number of i with ratio[i] != 0 (a NaN ratio counts as non-zero)
//   m        = S / N, or S / nz when excludeZero != 0 (zeros leave the divisor
//              only: S is the same in both modes)
//   over the regions of the mode (all, or only those with ratio[i] != 0) and
//   with d their number (N or nz), in ascending i:
//   A        = sum of (ratio[i] - m)^2,  B = sum of 1 / E_i
//   s2       = A / (d - 1)
//   V        = s2 - (B * m) / d; a negative V falls back to s2
//   ratioMean = m, ratioVariance = V
//   R = 1 / V, meAlpha = m * R, meBeta = (m * m) * R
//
// V removes from the spread of the ratios the part that Poisson sampling alone
// causes (m times the mean of 1/E), leaving the variance of the relative risks.
//
// No divisor is tested and nothing is reported: degenerate units store IEEE
// results as they come.
//   - d = 1 (one region, or one non-zero ratio when excluding zeros): s2 = 0/0,
//     so V, meAlpha and meBeta are NaN.
//   - excludeZero != 0 and every ratio zero: m = 0/0 and everything after it
//     is NaN.
//   - V = 0 (e.g. all ratios equal, where the correction makes V negative and
//     s2 = 0 is kept): meAlpha and meBeta are +inf when m > 0, NaN when m = 0.
void computeRatioStatistics(RegionTable& table, UnitResults& results, const RunSettings& settings);

}  // namespace tolven
