// Helpers for tests that run the program's dialogs and file handling in a
// temporary working directory.
#pragma once

#include <cstdlib>
#include <string>
#include <vector>

#include "platform/headless.h"
#include "../work_dir.h"

namespace kolm::testing {

// The user's actions for the dialogs, as an event script.
inline void script(const std::string& text) {
    std::vector<platform::headless::Event> ev;
    std::string error;
    if (!platform::headless::parse_script(text, ev, error)) std::abort();
    platform::headless::append_events(std::move(ev), "test");
}

inline std::string sample(const std::string& name) { return std::string(KOLM_SHARED_DATA) + "/sao/" + name; }

}  // namespace kolm::testing
