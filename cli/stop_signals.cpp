#include "cli/stop_signals.h"

#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <exception>
#include <new>
#include <system_error>

#include "run/temporary_files.h"

namespace tolven {
namespace {

std::atomic<bool> requested{false};
volatile std::sig_atomic_t signalNumber = 0;

static_assert(std::atomic<bool>::is_always_lock_free, "the flag is set from a signal handler");

// How long the run has to notice a stop request before the process ends
// without it (a write blocked on a full pipe or a slow disk never notices).
constexpr unsigned GRACE_SECONDS = 2;

// Signals whose default would end the process and leave the temporaries:
// they end it at once, the temporaries removed.
constexpr int ENDING_SIGNALS[] = {SIGHUP, SIGQUIT, SIGUSR1, SIGUSR2, SIGXCPU, SIGVTALRM, SIGPROF};

extern "C" void onStopSignal(int signal) {
    if (requested.exchange(true)) {
        // Asked twice: the user will not wait for the run to notice.
        endProcessOnStop(128 + signal);
        return;
    }
    signalNumber = signal;
    ::alarm(GRACE_SECONDS);
}

extern "C" void onGraceOver(int) {
    const int signal = static_cast<int>(signalNumber);
    endProcessOnStop(128 + (signal != 0 ? signal : SIGALRM));
}

extern "C" void onEndingSignal(int signal) { endProcessOnStop(128 + signal); }

// An exception nothing caught: in this program, a thread the system would not
// start (TBB and std::thread throw then) or memory it would not give.
[[noreturn]] void onTerminate() {
    static std::atomic<bool> once{false};
    if (once.exchange(true)) {
        for (;;) ::pause();
    }
    removeRegisteredTemporaries();
    const char* refused = nullptr;  // the resource the system refused
    const char* what = "an unknown error";
    if (const std::exception_ptr current = std::current_exception()) {
        try {
            std::rethrow_exception(current);
        } catch (const std::bad_alloc&) {
            refused = "memory";
            what = "out of memory";
        } catch (const std::system_error& error) {
            what = error.what();
            // A thread the system would not start; other system errors (a
            // file system's, say) are not the threads' fault.
            if (error.code() == std::errc::resource_unavailable_try_again) refused = "threads";
        } catch (const std::exception& error) {
            what = error.what();
            // TBB's words when the system would not start a worker.
            if (std::strstr(what, "pthread_create") != nullptr) refused = "threads";
        } catch (...) {
        }
    }
    if (refused != nullptr) {
        std::fprintf(stderr, "tolven-batch: the system refused the run's %s (%s)%s\n", refused,
                     what, std::strcmp(refused, "threads") == 0 ? "; fewer --threads may do" : "");
        std::fflush(stderr);
        ::_exit(1);
    }
    std::fprintf(stderr, "tolven-batch: stopped by an unexpected error (%s)\n", what);
    std::fflush(stderr);
    std::abort();
}

void handle(int signal, void (*handler)(int)) {
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    ::sigaction(signal, &action, nullptr);
}

}  // namespace

void installStopSignals() {
    handle(SIGINT, onStopSignal);
    handle(SIGTERM, onStopSignal);
    handle(SIGALRM, onGraceOver);
    for (const int signal : ENDING_SIGNALS) handle(signal, onEndingSignal);
    // A closed pipe or a file-size limit fails the write instead, which the
    // run reports as a file it cannot write.
    handle(SIGPIPE, SIG_IGN);
    handle(SIGXFSZ, SIG_IGN);
    std::set_terminate(onTerminate);
}

const std::atomic<bool>& stopRequested() { return requested; }

int stopSignal() { return static_cast<int>(signalNumber); }

}  // namespace tolven
