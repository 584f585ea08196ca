// Console output, message box, pause and stop for a headless run.
#include "platform/console.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace kolm::platform {

namespace {
std::vector<std::function<void()>>& stop_actions() {
    static std::vector<std::function<void()>> actions;
    return actions;
}
}  // namespace

void console_line(std::string_view text) {
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fputc('\n', stdout);
}

void message_box(std::string_view title, std::string_view text) {
    std::fprintf(stderr, "%.*s: %.*s\n", int(title.size()), title.data(), int(text.size()), text.data());
}

void pause_program(std::string_view text) { console_line(text); }

void at_stop(std::function<void()> action) { stop_actions().push_back(std::move(action)); }

void stop_program(std::string_view text) {
    console_line(text);
    std::fflush(stdout);
    for (auto& action : stop_actions()) action();
    std::exit(1);
}

}  // namespace kolm::platform
