#pragma once

#include <QString>
#include <vector>

#include "run/run_outcome.h"

namespace tolven {

// What a map can show of a region: ratios in percent as the result table
// prints them, or exceedance probabilities.
enum class MapValue {
    Ratio,
    EbMe,
    EbMle,
    ProbabilityMe,
    ProbabilityMle,
    EbLocal,
    ProbabilityLocal
};

// The values a run's outcome holds, in the order the map offers them: the
// ratio and both EB ratios always, the exceedance probabilities with the
// posterior output, the local estimate (and its probability with the
// posterior output) when the run made it.
std::vector<MapValue> availableMapValues(const RunOutcome& outcome);

// True for the exceedance probabilities, which are classed on [0, 1].
bool isProbabilityValue(MapValue value);

// The value of `region` to map: a ratio in percent, a probability as it is.
// NaN where the table prints "***" or the value does not exist.
double mapValueOf(const RegionOutcome& region, MapValue value);

// The name of the value in the map's chooser and title: "比(%)",
// "EB(ME+0)(%)", "P(>100%)(MLE)", ...
QString mapValueName(const RunOutcome& outcome, MapValue value);

}  // namespace tolven
