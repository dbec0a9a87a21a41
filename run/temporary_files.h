#pragma once

namespace tolven {

// The temporary files of the outputs being written, for removal from a signal
// handler. OutputFile registers each temporary it creates and unregisters it
// once it is renamed or removed, so the front ends only need to call
// removeRegisteredTemporaries() where a normal unwinding cannot happen: in a
// handler for a second SIGINT/SIGTERM that ends the process at once, or one
// that arrives while a write blocks. The normal cancel path (a flag, the run
// stopping between units, OutputFile destructors) needs none of this.
//
// A fixed table of MAX_REGISTERED_TEMPORARIES absolute paths; registration and
// removal allocate nothing and may run on any thread.

inline constexpr int MAX_REGISTERED_TEMPORARIES = 16;

// Records `path` (absolute, so that a change of working folder cannot turn it
// into another file). Returns the handle for unregisterTemporary(), or -1,
// recording nothing, when the table is full or the path is not shorter than
// PATH_MAX; that file is then only removed by its owner.
int registerTemporary(const char* path);

// Forgets the path registered under `handle` (-1 does nothing). Call it after
// the file was renamed or removed: a handler in between finds nothing to
// remove. Waits while a handler on another thread is removing that very file.
void unregisterTemporary(int handle);

// Removes every registered file (unlink only) and forgets none of them.
// Async-signal-safe; takes no lock, so it may interrupt any of the above. The
// process should end right after it (_exit(128 + signal number)): the outputs
// whose temporaries it removed can no longer be committed.
void removeRegisteredTemporaries();

// Ends the process at once from a signal handler: removes the registered
// temporaries and calls _exit(status). While a commit holds the stops (see
// holdStops), it defers instead: the status is kept, this returns, and the
// process ends that way as soon as the commit releases them. A later deferred
// status replaces an earlier one. Async-signal-safe, on any thread.
void endProcessOnStop(int status);

// Held by a commit of outputs from its first rename to its last, so that a
// stop never leaves a pair half replaced. holdStops() waits for ever when a
// handler is already ending the process. releaseStops() ends the process as
// endProcessOnStop() would when a stop was deferred meanwhile; otherwise it
// returns. Not nested; one commit at a time.
void holdStops();
void releaseStops();

}  // namespace tolven
