// Console, message box, pause and stop of the program.
//
// Each goes to the installed backend (platform/backend.h); what is said
// below is the headless behaviour.
#pragma once

#include <functional>
#include <string_view>

namespace kolm::platform {

// One line of the text console: the program's messages, warnings and
// skipped records (standard error).
void console_line(std::string_view text);

// One line of the run's results, such as the summary of an input file
// (standard output; the window shows it in its console as well).
void result_line(std::string_view text);

// Message box of the run driver: standard error as "TITLE: TEXT".
void message_box(std::string_view title, std::string_view text);

// How far a long run has come, on one line of standard error that the next
// one replaces; only when standard error is a terminal. end_progress
// clears it; every console line, message and result does so first.
void progress(std::string_view text);
void end_progress();

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
