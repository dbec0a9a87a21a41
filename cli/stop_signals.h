#pragma once

#include <atomic>

namespace tolven {

// SIGINT and SIGTERM stop a batch run cleanly: the first one sets the flag
// that the run polls (between units, between fit steps), so that the run
// removes its temporary files and leaves the old outputs as they were. A
// second signal does not wait for that: it removes the registered temporaries
// at once and ends the process with 128 + the signal's number.

// Installs the handlers. Call once, before the run.
void installStopSignals();

// The flag the run polls.
const std::atomic<bool>& stopRequested();

// The signal that asked to stop (SIGINT or SIGTERM), or 0.
int stopSignal();

}  // namespace tolven
