#pragma once

namespace tolven {

// The name of the moment-estimated prior in every column and legend that
// shows it: "ME-0" when zero ratios were left out of the moments
// (excludeZero), "ME+0" when they were counted.
inline const char* momentPriorLabel(bool excludeZero) { return excludeZero ? "ME-0" : "ME+0"; }

}  // namespace tolven
