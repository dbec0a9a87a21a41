#include "cli/stop_signals.h"

#include <unistd.h>

#include <csignal>

#include "run/temporary_files.h"

namespace tolven {
namespace {

std::atomic<bool> requested{false};
volatile std::sig_atomic_t signalNumber = 0;

static_assert(std::atomic<bool>::is_always_lock_free, "the flag is set from a signal handler");

extern "C" void onStopSignal(int signal) {
    if (requested.exchange(true)) {
        // Asked twice: the user will not wait for the run to notice.
        removeRegisteredTemporaries();
        ::_exit(128 + signal);
    }
    signalNumber = signal;
}

}  // namespace

void installStopSignals() {
    struct sigaction action {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);
}

const std::atomic<bool>& stopRequested() { return requested; }

int stopSignal() { return static_cast<int>(signalNumber); }

}  // namespace tolven
