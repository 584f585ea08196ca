// The command line of kolm.
//
// The program's own logic reads no command line: the options choose the
// backend and feed it (an event script for the dialogs, the plot folder).
//
//   kolm [--window|--headless] [--script FILE] [--plots DIR]
//        [--input PATH] [--output PATH|NONE] [--step KM] [--accuracy E]
//        [--format sao|standard|other] [--program PATH] [--overwrite]
//   kolm --help
//
// kolm opens its window when it has a display and is given none of the
// headless options (--script, --plots and the dialog options); --window
// and --headless choose the mode outright.
//
// The dialog options build the events a person would give the
// specification dialog (format box, program, input, output, height step,
// accuracy, then OK); the events of --script follow them. Options take
// their value as the next argument or after "=".
//
// --overwrite answers the overwrite warning "keep the name" wherever no
// event answers it; without it an existing output is never overwritten
// unattended.
//
// Exit status (see --help): 0 for a run that processed every input file
// and wrote every output, 1 for a stop of the program or a run ended by a
// fatal error (the conversion program failed), 2 for a bad command line or
// script, 3 when the script had events the dialogs could not take or
// expectations that were not met, 4 when the user closed the window before
// the run ended, 5 entries refused and then EXIT, 6 no record processed,
// 7 files or records skipped, 8 an output not written.
#pragma once

#include <string_view>

namespace kolm::ui {

enum class Mode { automatic, headless, window };

struct Startup {
    bool run;         // false: exit at once with exit_status
    int exit_status;
    Mode mode = Mode::automatic;  // --window, --headless or neither
    bool scripted = false;        // events given: a script or dialog options
    bool plots = false;           // a plot folder given
};

// Parses the command line and sets up the platform for either backend: the
// events, the plot folder (created when missing) and the page output at a
// stop.
Startup start_headless(int argc, const char* const* argv);

// End of a run that ended normally: the last page written; the exit status.
int finish_headless();

// The text of --help.
std::string_view usage_text();

}  // namespace kolm::ui
