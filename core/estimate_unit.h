#pragma once

namespace tolven {

// The estimation engine's entry: runs computeRatioStatistics,
// fitMaximumLikelihood and computeEbRatios on the unit loaded into slots
// 1..regionCount of regionTable (regionCount at least 1). Never fails and
// shows no message.
void estimateUnit();

}  // namespace tolven
