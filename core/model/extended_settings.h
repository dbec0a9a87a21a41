#pragma once

#include "core/model/engine_options.h"

namespace tolven {

// The options beyond the five estimation settings. Like those they live in
// memory for the program's run only; the extended settings dialog and the
// batch command's flags change them. Every option's default leaves each output
// file exactly as it is without the option.
struct ExtendedSettings {
    bool posteriorOutput = false;  // the credible-interval and exceedance columns
    double intervalLevel = 95.0;   // percent, 0 < level < 100
    double threshold = 100.0;      // percent, above 0 and finite
    FitMode fitMode = FitMode::newton;
};

// Stores the defaults above: the values of the dialog's reset button.
void setDefaultExtendedSettings(ExtendedSettings& settings);

}  // namespace tolven
