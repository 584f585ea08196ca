// kolm: true-height analysis of ionogram trace records.
#include <cstdio>

#include "platform/command_line.h"

int main(int argc, char** argv) {
    const kolm::platform::Startup start = kolm::platform::start_headless(argc, argv);
    if (!start.run) return start.exit_status;
    std::puts("kolm: the run driver is not built yet.");
    return kolm::platform::finish_headless();
}
