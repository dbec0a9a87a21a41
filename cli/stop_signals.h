#pragma once

#include <atomic>

namespace tolven {

// SIGINT and SIGTERM stop a batch run cleanly: the first one sets the flag
// that the run polls (between units, between fit steps), so that the run
// removes its temporary files and leaves the old outputs as they were. A
// second signal, or a run that has not ended two seconds later (blocked in a
// write to a pipe nobody reads, say), does not wait for that: the registered
// temporaries are removed at once and the process ends with 128 + the
// signal's number.
//
// SIGHUP, SIGQUIT, SIGUSR1, SIGUSR2, SIGXCPU, SIGVTALRM and SIGPROF end the
// process at once the same way (128 + the signal's number). SIGPIPE and SIGXFSZ
// are ignored, so that the write fails and the run reports the file it cannot
// write. The fault signals (SIGSEGV, SIGBUS, SIGFPE, SIGABRT) keep their
// default. While the outputs are being committed (see commitTogether), every
// one of these waits until both are in place.
//
// An exception that nothing catches removes the temporaries and is told on
// standard error; threads or memory that the system refused then exit with 1,
// anything else aborts as it would have.

// Installs the handlers. Call once, before the run.
void installStopSignals();

// The flag the run polls.
const std::atomic<bool>& stopRequested();

// The signal that asked to stop (SIGINT or SIGTERM), or 0.
int stopSignal();

}  // namespace tolven
