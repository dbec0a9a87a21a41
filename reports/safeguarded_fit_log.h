#pragma once

#include <string>

#include "core/numerics/safeguarded_fit.h"

namespace tolven {

// The one log line (without its line end) that tells how the safeguarded fit
// ended on a unit where it took over:
//   " Safeguarded fit : <method>, <steps> steps"            converged
//   " No finite maximum : all counts are zero"
//   " No finite maximum : no overdispersion (the likelihood keeps increasing
//      as beta grows with beta/alpha fixed)"                 (one line)
//   " No finite maximum : invalid counts"
//   " Safeguarded fit : stopped before convergence"          cancelled
//   " Safeguarded fit : <method>, no convergence after <steps> steps"
// "1 step" is singular.
std::string safeguardedFitLogLine(const SafeguardedFitResult& result);

// The line (without its line end) that marks a log written with the
// safeguarded fit on: " ML fit : safeguarded (Newton-Raphson first; where it
// fails, a fit that reaches the maximum)".
std::string safeguardedModeLogLine();

}  // namespace tolven
