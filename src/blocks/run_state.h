// Start-of-run reset of everything the system carries between calls.
//
// The shared blocks and every routine's named state (month caches, saved
// section states, format slots, ...) start a run at fixed values. Each unit
// that owns such state registers a reset function with a static
// RunStateReset object; reset_run_state() brings the blocks and all
// registered state to their start-of-run values. Nothing else resets what a
// run carries from record to record. Tests call it to start as a fresh run.
#pragma once

#include <functional>

namespace kolm {

// Blocks to their start values, then every registered state in registration order.
void reset_run_state();

struct RunStateReset {
    explicit RunStateReset(std::function<void()> fn);
};

}  // namespace kolm
