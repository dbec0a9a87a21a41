#pragma once

namespace tolven {

// Third stage of estimateUnit. Declared here, specified with its implementation.
void computeEbRatios();

}  // namespace tolven
