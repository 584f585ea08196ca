// kolm: true-height analysis of ionogram trace records.
//
// The command line chooses the backend and feeds it (dialog events, plot
// folder); the run itself is the run driver's. On a display without
// headless options the run happens in the window, on a program thread of
// its own.
#include <cstdio>

#include "run/run_driver.h"
#include "ui/command_line.h"
#ifdef KOLM_WINDOW
#include "platform_window/window.h"
#endif

namespace {

// The run and its exit status.
int program() {
    kolm::KOLM();
    const int status = kolm::ui::finish_headless();
    // A run ended by a fatal error fails like a stop of the program.
    return kolm::RUN.FATAL ? 1 : status;
}

}  // namespace

int main(int argc, char** argv) {
    using kolm::ui::Mode;
    const kolm::ui::Startup start = kolm::ui::start_headless(argc, argv);
    if (!start.run) return start.exit_status;
#ifdef KOLM_WINDOW
    if (start.mode == Mode::window && !kolm::window::display_available()) {
        std::fprintf(stderr, "kolm: --window: cannot open the X display (is DISPLAY set?)\n");
        return 2;
    }
    const bool window = start.mode == Mode::window ||
                        (start.mode == Mode::automatic && !start.scripted && !start.plots &&
                         kolm::window::display_available());
    if (window) return kolm::window::run(program, start.scripted);
#else
    if (start.mode == Mode::window) {
        std::fprintf(stderr, "kolm: --window: this kolm was built without its window (FLTK 1.3 was not found)\n");
        return 2;
    }
#endif
    return program();
}
