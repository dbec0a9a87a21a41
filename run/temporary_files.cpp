#include "run/temporary_files.h"

#include <limits.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <thread>

namespace tolven {
namespace {

// A slot's path is written only while its owner holds the slot as `filling`
// or `clearing`, and read by a handler only while it holds it as `removing`:
// so a handler on another thread never reads a path that is being changed, and
// a handler on the owner's own thread finds the slot `ready` or skips it.
enum SlotState : int { empty, filling, ready, removing, clearing };

struct Slot {
    std::atomic<int> state{empty};
    char path[PATH_MAX]{};
};

static_assert(std::atomic<int>::is_always_lock_free, "signal handlers need lock-free atomics");

Slot slots[MAX_REGISTERED_TEMPORARIES];

// The stop state: HELD while a commit holds the stops, ENDING once a handler
// has begun to end the process; the low bits keep a deferred exit status.
constexpr int HELD = 1 << 16;
constexpr int ENDING = 1 << 17;
constexpr int STATUS_BITS = 0xffff;
std::atomic<int> stopState{0};

[[noreturn]] void endNow(int status) {
    removeRegisteredTemporaries();
    ::_exit(status);
}

// Another thread is ending the process: wait for it.
[[noreturn]] void waitForTheEnd() {
    for (;;) ::pause();
}

}  // namespace

int registerTemporary(const char* path) {
    const std::size_t length = std::strlen(path);
    if (length >= PATH_MAX) return -1;
    for (int index = 0; index < MAX_REGISTERED_TEMPORARIES; ++index) {
        Slot& slot = slots[index];
        int expected = empty;
        if (!slot.state.compare_exchange_strong(expected, filling)) continue;
        std::memcpy(slot.path, path, length + 1);
        slot.state.store(ready, std::memory_order_release);
        return index;
    }
    return -1;
}

void unregisterTemporary(int index) {
    if (index < 0 || index >= MAX_REGISTERED_TEMPORARIES) return;
    Slot& slot = slots[index];
    // A handler on another thread may be removing this very file: wait for it,
    // which takes one unlink.
    for (;;) {
        int expected = ready;
        if (slot.state.compare_exchange_strong(expected, clearing)) break;
        if (expected != removing) return;
        std::this_thread::yield();
    }
    slot.path[0] = '\0';
    slot.state.store(empty, std::memory_order_release);
}

void removeRegisteredTemporaries() {
    for (Slot& slot : slots) {
        int expected = ready;
        if (!slot.state.compare_exchange_strong(expected, removing)) continue;
        ::unlink(slot.path);
        slot.state.store(ready, std::memory_order_release);
    }
}

void endProcessOnStop(int status) {
    int state = stopState.load();
    for (;;) {
        if ((state & ENDING) != 0) waitForTheEnd();
        const int next = (state & HELD) != 0 ? HELD | (status & STATUS_BITS) : ENDING;
        if (stopState.compare_exchange_weak(state, next)) break;
    }
    if ((state & HELD) == 0) endNow(status);
}

void holdStops() {
    int state = stopState.load();
    for (;;) {
        if ((state & ENDING) != 0) waitForTheEnd();
        if (stopState.compare_exchange_weak(state, state | HELD)) return;
    }
}

void releaseStops() {
    int state = stopState.load();
    for (;;) {
        const int deferred = state & STATUS_BITS;
        const int next = deferred != 0 ? ENDING : 0;
        if (stopState.compare_exchange_weak(state, next)) {
            if (deferred != 0) endNow(deferred);
            return;
        }
    }
}

}  // namespace tolven
