#pragma once

namespace tolven {

// The estimation engine's entry. Estimates the unit loaded into slots
// 1..regionCount of regionTable (regionCount at least 1, observed and expected
// set, the table holding regionCount + 1 slots) by running, in this order:
//   computeRatioStatistics  ratios, moments, moment estimates of the prior
//   fitMaximumLikelihood    start values and the maximum-likelihood fit
//   computeEbRatios         both empirical Bayes ratios of every region
// Afterwards ratio, ebRatioME and ebRatioMLE of slots 1..regionCount and every
// field of unitResults hold this unit's results; nothing depends on what an
// earlier unit left behind. Never fails and shows no message: degenerate units
// yield NaN, infinities or NOT_AVAILABLE as each stage describes. A unit of
// one region is estimated like any other (its moments are NaN).
void estimateUnit();

}  // namespace tolven
