// Console output, message box, pause and stop: the installed backend's, or
// the headless ones.
#include "platform/console.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/backend.h"
#include "platform/temporaries.h"

namespace kolm::platform {

namespace {
std::vector<std::function<void()>>& stop_actions() {
    static std::vector<std::function<void()>> actions;
    return actions;
}

// Whether a progress line stands on the terminal.
struct ProgressState {
    bool shown = false;
};
ProgressState PROGRESS;

void line_to(std::FILE* f, std::string_view text) {
    end_progress();
    std::fwrite(text.data(), 1, text.size(), f);
    std::fputc('\n', f);
}
}  // namespace

void console_line(std::string_view text) {
    if (Backend* b = installed_backend()) return b->console_line(text);
    std::fflush(stdout);
    line_to(stderr, text);
}

void result_line(std::string_view text) {
    if (Backend* b = installed_backend()) return b->result_line(text);
    line_to(stdout, text);
}

void message_box(std::string_view title, std::string_view text) {
    if (Backend* b = installed_backend()) return b->message_box(title, text);
    end_progress();
    std::fprintf(stderr, "%.*s: %.*s\n", int(title.size()), title.data(), int(text.size()), text.data());
}

void progress(std::string_view text) {
    if (::isatty(2) != 1) return;
    std::fprintf(stderr, "\r%.*s\033[K", int(text.size()), text.data());
    std::fflush(stderr);
    PROGRESS.shown = true;
}

void end_progress() {
    if (!PROGRESS.shown) return;
    PROGRESS.shown = false;
    std::fputs("\r\033[K", stderr);
}

void pause_program(std::string_view text) {
    if (Backend* b = installed_backend()) return b->pause(text);
    console_line(text);
}

void at_stop(std::function<void()> action) { stop_actions().push_back(std::move(action)); }

void run_stop_actions() {
    for (auto& action : stop_actions()) action();
    remove_temporaries();
}

void stop_program(std::string_view text) {
    if (Backend* b = installed_backend()) b->stop(text);
    console_line(text);
    std::fflush(stdout);
    std::fflush(stderr);
    run_stop_actions();
    std::exit(1);
}

}  // namespace kolm::platform
