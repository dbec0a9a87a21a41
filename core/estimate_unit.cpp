#include "core/estimate_unit.h"

#include "core/eb_ratios.h"
#include "core/ml_fit.h"
#include "core/ratio_statistics.h"

namespace tolven {

void estimateUnit() {
    computeRatioStatistics();
    fitMaximumLikelihood();
    computeEbRatios();
}

}  // namespace tolven
