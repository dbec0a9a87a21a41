#pragma once

namespace tolven {

// The initial value that stands for "auto": the fit starts from the moment
// estimate. Any value of 0 or below means the same; this one is what the
// defaults store and what the settings show as "auto".
inline constexpr double AUTO_START = -1.0;

// The user's estimation settings. All zero at process start; the main dialog
// sets the defaults once, and only the settings dialog changes them after that.
struct RunSettings {
    int excludeZero = 0;        // 1: the moment method leaves out zero ratios
    double epsilon = 0.0;       // convergence bound of the ML fit
    int maxIterations = 0;      // Newton updates permitted
    double initialAlpha = 0.0;  // start value; 0 or below means the moment estimate
    double initialBeta = 0.0;
};

// The one defaults operation, used at start-up and by the settings reset:
// epsilon 0.00001, maxIterations 20, excludeZero 0, initial values AUTO_START.
void setDefaultSettings(RunSettings& settings);

}  // namespace tolven
