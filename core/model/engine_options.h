#pragma once

#include <atomic>

namespace tolven {

// How the maximum-likelihood prior is fitted.
enum class FitMode {
    newton,       // the Newton-Raphson fit from the moment estimates, as it is
    safeguarded,  // the same, and where it does not converge a globally
                  // convergent maximisation of the same likelihood takes over
};

// What the engine is told beyond the five estimation settings.
struct EngineOptions {
    FitMode fitMode = FitMode::newton;
    // When set (from another thread or a signal handler) the fit stops at its
    // next step; the unit's results then mean nothing and are to be dropped.
    const std::atomic<bool>* cancel = nullptr;
};

// True when `cancel` is given and set.
inline bool isCancelled(const std::atomic<bool>* cancel) {
    return cancel != nullptr && cancel->load(std::memory_order_relaxed);
}

}  // namespace tolven
