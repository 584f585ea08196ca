// Where the platform layer meets its user.
//
// Modal dialogs, the console, message boxes, pauses and the fatal stop go
// to the installed backend. Without one the headless backend serves them:
// dialogs answered from the event script, results on standard output,
// console lines, message boxes and notices on standard error. A windowed
// backend installs itself for the time its windows are up.
#pragma once

#include <cstdint>
#include <string_view>

namespace kolm::platform {

class Dialog;

class Backend {
public:
    virtual ~Backend() = default;
    // Shows a loaded dialog until a push button ends it; the button's id.
    virtual int32_t run_modal(Dialog& dlg) = 0;
    virtual void console_line(std::string_view text) = 0;
    virtual void result_line(std::string_view text) = 0;
    virtual void message_box(std::string_view title, std::string_view text) = 0;
    // Shows the text and waits for the user before going on.
    virtual void pause(std::string_view text) = 0;
    // Fatal stop after the message: runs the stop actions, ends the
    // program with status 1.
    [[noreturn]] virtual void stop(std::string_view text) = 0;
};

// nullptr: the headless backend.
void install_backend(Backend* backend);
Backend* installed_backend();

}  // namespace kolm::platform
