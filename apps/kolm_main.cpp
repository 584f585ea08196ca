// kolm: true-height analysis of ionogram trace records.
//
// The command line only feeds the headless backend (dialog events, plot
// folder); the run itself is the run driver's.
#include "driver/run_driver.h"
#include "platform/command_line.h"

int main(int argc, char** argv) {
    const kolm::platform::Startup start = kolm::platform::start_headless(argc, argv);
    if (!start.run) return start.exit_status;
    kolm::KOLM();
    const int status = kolm::platform::finish_headless();
    // A run ended by a fatal error fails like a stop of the program.
    return kolm::RUN.FATAL ? 1 : status;
}
