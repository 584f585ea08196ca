// The tracked files in fixed slots that a signal handler can read: the path
// is written before the slot is marked ready, and the handler only unlinks.
#include "platform/temporaries.h"

#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstring>

namespace kolm::platform {

namespace {

constexpr int SLOTS = 16;

struct Slot {
    std::atomic<int> state{0};  // 0 free, 1 being written, 2 ready
    char path[PATH_MAX];
};
Slot slots[SLOTS];

void remove_ready() {
    for (Slot& s : slots) {
        int ready = 2;
        if (s.state.compare_exchange_strong(ready, 1)) {
            ::unlink(s.path);
            s.state.store(0);
        }
    }
}

extern "C" void on_interrupt(int sig) {
    const int saved = errno;
    remove_ready();
    errno = saved;
    // The handler was reset to the default on entry: die of the signal.
    ::raise(sig);
}

}  // namespace

int track_temporary(std::string_view path) {
    if (path.empty() || path.size() >= PATH_MAX) return -1;
    for (int k = 0; k < SLOTS; ++k) {
        int free = 0;
        if (!slots[k].state.compare_exchange_strong(free, 1)) continue;
        std::memcpy(slots[k].path, path.data(), path.size());
        slots[k].path[path.size()] = '\0';
        slots[k].state.store(2);
        return k;
    }
    return -1;
}

void forget_temporary(int slot) {
    if (slot < 0 || slot >= SLOTS) return;
    int ready = 2;
    slots[slot].state.compare_exchange_strong(ready, 0);
}

void remove_temporaries() { remove_ready(); }

void remove_temporaries_on_interrupt() {
    struct sigaction sa {};
    sa.sa_handler = on_interrupt;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESETHAND | SA_NODEFER;
    for (int sig : {SIGINT, SIGTERM}) {
        struct sigaction old {};
        // A signal the caller's shell ignores (a background job) stays ignored.
        if (::sigaction(sig, nullptr, &old) == 0 && old.sa_handler == SIG_IGN) continue;
        ::sigaction(sig, &sa, nullptr);
    }
}

}  // namespace kolm::platform
