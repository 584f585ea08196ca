// Console, message box, pause and stop of the program.
//
// Each goes to the installed backend (platform/backend.h); what is said
// below is the headless behaviour.
#pragma once

#include <functional>
#include <string_view>

namespace kolm::platform {

// One line of the text console (standard output).
void console_line(std::string_view text);

// Message box of the run driver: standard error as "TITLE: TEXT".
void message_box(std::string_view title, std::string_view text);

// Pause with a message: logs the text and goes on.
void pause_program(std::string_view text);

// Registers an action run by stop_program before it exits (close and keep the
// output written so far, remove the run's temporary files).
void at_stop(std::function<void()> action);

// Fatal stop: writes the message, runs the at_stop actions, exits with status 1.
[[noreturn]] void stop_program(std::string_view text);

// The at_stop actions, in the order registered (for a backend that ends the
// program itself).
void run_stop_actions();

}  // namespace kolm::platform
