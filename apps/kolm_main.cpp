// kolm: true-height analysis of ionogram trace records.
//
// The command line chooses the backend and feeds it (dialog events, plot
// folder); the run itself is the run driver's. On a display without
// headless options the run happens in the window, on a program thread of
// its own.
#include <cstdio>

#include "platform/temporaries.h"
#include "run/run_driver.h"
#include "ui/command_line.h"
#ifdef KOLM_WINDOW
#include "platform_window/window.h"
#endif

namespace {

// The run and its exit status: a fatal error first, then a script that did
// not match the dialogs, then what became of the files.
int program() {
    kolm::KOLM();
    const int script = kolm::ui::finish_headless();
    const int outcome = kolm::run_outcome();
    if (outcome == kolm::exit_status::STOPPED) return outcome;
    return script != 0 ? script : outcome;
}

}  // namespace

int main(int argc, char** argv) {
    using kolm::ui::Mode;
    const kolm::ui::Startup start = kolm::ui::start_headless(argc, argv);
    if (!start.run) return start.exit_status;
    // An interrupted run leaves no temporary output and no file list.
    kolm::platform::remove_temporaries_on_interrupt();
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
