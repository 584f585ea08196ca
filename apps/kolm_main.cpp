// kolm: true-height analysis of ionogram trace records.
//
// The command line only feeds the headless backend (dialog events, plot
// folder); the run itself is the run driver's.
#include "run/run_driver.h"
#include "ui/command_line.h"

int main(int argc, char** argv) {
    const kolm::ui::Startup start = kolm::ui::start_headless(argc, argv);
    if (!start.run) return start.exit_status;
    kolm::KOLM();
    const int status = kolm::ui::finish_headless();
    // A run ended by a fatal error fails like a stop of the program.
    return kolm::RUN.FATAL ? 1 : status;
}
