#pragma once

namespace tolven {

// Second stage of estimateUnit. Declared here, specified with its implementation.
void fitMaximumLikelihood();

}  // namespace tolven
