// Console output, message box, pause and stop: the installed backend's, or
// the headless ones.
#include "platform/console.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/backend.h"

namespace kolm::platform {

namespace {
std::vector<std::function<void()>>& stop_actions() {
    static std::vector<std::function<void()>> actions;
    return actions;
}
}  // namespace

void console_line(std::string_view text) {
    if (Backend* b = installed_backend()) return b->console_line(text);
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fputc('\n', stdout);
}

void message_box(std::string_view title, std::string_view text) {
    if (Backend* b = installed_backend()) return b->message_box(title, text);
    std::fprintf(stderr, "%.*s: %.*s\n", int(title.size()), title.data(), int(text.size()), text.data());
}

void pause_program(std::string_view text) {
    if (Backend* b = installed_backend()) return b->pause(text);
    console_line(text);
}

void at_stop(std::function<void()> action) { stop_actions().push_back(std::move(action)); }

void run_stop_actions() {
    for (auto& action : stop_actions()) action();
}

void stop_program(std::string_view text) {
    if (Backend* b = installed_backend()) b->stop(text);
    console_line(text);
    std::fflush(stdout);
    run_stop_actions();
    std::exit(1);
}

}  // namespace kolm::platform
