#pragma once

#include "core/numerics/safeguarded_fit.h"

namespace tolven {

// The scalar results of the unit estimated last. Every estimation writes every
// field; the log report reads them before the next unit is loaded.
struct UnitResults {
    int iterations = 0;    // Newton-Raphson updates made by the ML fit
    int mleConverged = 0;  // 1 converged, 0 failed; read by the estimation only
    double ratioMean = 0.0;
    double ratioVariance = 0.0;
    double startAlpha = 0.0;
    double startBeta = 0.0;
    double meAlpha = 0.0;
    double meBeta = 0.0;
    double mleAlpha = 0.0;                    // NOT_AVAILABLE when the fit failed
    double mleBeta = 0.0;                     // NOT_AVAILABLE when the fit failed
    double convergenceError[2] = {0.0, 0.0};  // last correction of alpha, of beta

    // In the safeguarded fit mode, where the Newton-Raphson fit did not reach
    // finite positive estimates: true, and what the safeguarded fit did. The
    // fields above then keep the Newton-Raphson fit's start, iterations and
    // errors; mleAlpha and mleBeta are the safeguarded fit's (or
    // NOT_AVAILABLE).
    bool safeguardedFitRan = false;
    SafeguardedFitResult safeguardedFit;
};

}  // namespace tolven
