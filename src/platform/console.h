// Console, message box, pause and stop of the program.
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

}  // namespace kolm::platform
