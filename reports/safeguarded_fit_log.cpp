#include "reports/safeguarded_fit_log.h"

namespace tolven {

namespace {

std::string stepCount(int steps) {
    return std::to_string(steps) + (steps == 1 ? " step" : " steps");
}

}  // namespace

std::string safeguardedFitLogLine(const SafeguardedFitResult& result) {
    switch (result.reason) {
        case NoMaximumReason::allCountsZero:
            return " No finite maximum : all counts are zero";
        case NoMaximumReason::noOverdispersion:
            return " No finite maximum : no overdispersion (the likelihood keeps increasing as "
                   "beta grows with beta/alpha fixed)";
        case NoMaximumReason::invalidCounts:
            return " No finite maximum : invalid counts";
        case NoMaximumReason::none:
            break;
    }
    if (result.cancelled) return " Safeguarded fit : stopped before convergence";
    const std::string method = result.method;
    if (result.converged) return " Safeguarded fit : " + method + ", " + stepCount(result.steps);
    return " Safeguarded fit : " + method + ", no convergence after " + stepCount(result.steps);
}

std::string safeguardedModeLogLine() {
    return " ML fit : safeguarded (Newton-Raphson first; where it fails, a fit that reaches "
           "the maximum)";
}

}  // namespace tolven
