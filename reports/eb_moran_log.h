#pragma once

#include <string>
#include <string_view>

#include "core/spatial/eb_moran.h"

namespace tolven {

// The log line of a unit's EB Moran's I with its line end, for example
//   " EB Moran's I : 0.248746  p-value : 0.001000  (queen, 999 permutations)\n"
// with both figures as "%lf" prints them, or "***" for both where the
// statistic is not available. `source` names the neighbours: "queen", "rook"
// or the GAL file's name.
std::string ebMoranLogLine(const EbMoranResult& result, std::string_view source, int permutations);

}  // namespace tolven
