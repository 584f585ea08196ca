// Files of this run that must not outlive a stop: the staged outputs and the
// file list. Each is tracked by path while it exists; a fatal stop of the
// program and an interruption (SIGINT, SIGTERM) remove every tracked file,
// so no half-written output and no file list is left behind.
#pragma once

#include <string_view>

namespace kolm::platform {

// Tracks a file this run created; the slot to forget it by, or -1 when no
// slot is free or the path is too long (the file is then not removed at a
// stop, never anything else).
int track_temporary(std::string_view path);

// The file is gone or kept under its final name: no longer removed at a stop.
void forget_temporary(int slot);

// Removes every tracked file and forgets it (a stop of the program).
void remove_temporaries();

// SIGINT and SIGTERM remove the tracked files, then end the program by the
// same signal, so the shell sees how it ended.
void remove_temporaries_on_interrupt();

}  // namespace kolm::platform
