#include "core/model/run_settings.h"

namespace tolven {

void setDefaultSettings(RunSettings& settings) {
    settings.epsilon = 0.00001;
    settings.maxIterations = 20;
    settings.excludeZero = 0;
    settings.initialAlpha = AUTO_START;
    settings.initialBeta = AUTO_START;
}

}  // namespace tolven
