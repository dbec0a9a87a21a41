#include "cli/stop_signals.h"

#include <unistd.h>

#include <csignal>

#include "run/temporary_files.h"

namespace tolven {
namespace {

std::atomic<bool> requested{false};
volatile std::sig_atomic_t signalNumber = 0;

static_assert(std::atomic<bool>::is_always_lock_free, "the flag is set from a signal handler");

// How long the run has to notice a stop request before the process ends
// without it (a write blocked on a full pipe or a slow disk never notices).
constexpr unsigned GRACE_SECONDS = 2;

extern "C" void onStopSignal(int signal) {
    if (requested.exchange(true)) {
        // Asked twice: the user will not wait for the run to notice.
        removeRegisteredTemporaries();
        ::_exit(128 + signal);
    }
    signalNumber = signal;
    ::alarm(GRACE_SECONDS);
}

extern "C" void onGraceOver(int) {
    removeRegisteredTemporaries();
    ::_exit(128 + static_cast<int>(signalNumber));
}

}  // namespace

void installStopSignals() {
    struct sigaction action {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);
    struct sigaction grace {};
    grace.sa_handler = onGraceOver;
    sigemptyset(&grace.sa_mask);
    ::sigaction(SIGALRM, &grace, nullptr);
}

const std::atomic<bool>& stopRequested() { return requested; }

int stopSignal() { return static_cast<int>(signalNumber); }

}  // namespace tolven
