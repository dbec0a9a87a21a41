#pragma once

namespace tolven {

// First stage of estimateUnit. Declared here, specified with its implementation.
void computeRatioStatistics();

}  // namespace tolven
