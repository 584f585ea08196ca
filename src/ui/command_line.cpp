// Command-line options of kolm and the set-up of the headless backend.
#include "ui/command_line.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/console.h"
#include "platform/graphics.h"
#include "platform/headless.h"
#include "ui/resource.h"

namespace kolm::ui {

namespace headless = platform::headless;
namespace gfx = platform::gfx;

namespace {

constexpr std::string_view USAGE =
    "Usage: kolm [OPTIONS]\n"
    "True-height analysis of ionogram trace records (SAO files).\n"
    "\n"
    "Started on a display without options, kolm opens its window (when it was\n"
    "built with one): the cover, the specification dialog, and the graphics\n"
    "window that draws each record while the run goes on. With any of the\n"
    "options below other than --window and --overwrite, or without a display,\n"
    "it runs headless: the dialogs are answered from events, and without\n"
    "events the specification dialog answers EXIT.\n"
    "A run given events never waits: when they run out, every dialog and\n"
    "message box takes its default answer (EXIT or cancel where it has one);\n"
    "the warning about an existing output file keeps the file, and the input\n"
    "file is skipped, unless --overwrite is given.\n"
    "\n"
    "  --window           open the window even with the options below; the\n"
    "                     events then drive its widgets\n"
    "  --headless         never open a window\n"
    "  --script FILE      replay the dialog events of FILE, one per line:\n"
    "                       click ID | text ID VALUE | type ID VALUE |\n"
    "                       check ID 0|1 | select ID ITEM | expect CODE\n"
    "  --plots DIR        write each plot page as DIR/plot-NNNN.svg\n"
    "                     (DIR is created when missing; no plots without it)\n"
    "  --overwrite        an existing output file that no event answers for\n"
    "                     is overwritten (never an input file of the run)\n"
    "Specification dialog (events given before those of --script):\n"
    "  --input PATH       input file, or a directory pattern such as DIR/*.*\n"
    "  --output PATH      output file, or NONE for no output (the default)\n"
    "  --step KM          height step of the N(h) table, 0 for none\n"
    "  --accuracy E       accuracy of the quasi-parabolic fit, 0 for none\n"
    "  --format F         data format of the input: sao (default), standard\n"
    "                     or other (converted by the --program)\n"
    "  --program PATH     conversion program for --format other\n"
    "  --help             print this text\n"
    "\n"
    "Messages, warnings and skipped records go to standard error; a summary\n"
    "line per input file to standard output.\n"
    "\n"
    "Exit status:\n"
    "  0  every input file processed and every output written (or EXIT\n"
    "     chosen without an error)\n"
    "  1  program stopped, or the run ended by a fatal error\n"
    "  2  bad options or script (or --window without a display or window)\n"
    "  3  script events or expectations that did not match the dialogs\n"
    "  4  window closed before the run ended\n"
    "  5  the run ended on an error message: the entries were refused and\n"
    "     no file was processed\n"
    "  6  no record was processed\n"
    "  7  input files or records were skipped\n"
    "  8  an output file could not be written\n"
    "When several apply, the first of 1, 3, 8, 6, 7 that applies is given;\n"
    "a run ended by SIGINT or SIGTERM ends by that signal.\n";

// Control ids of the specification dialog that the shorthand options act on.
namespace spec = res::spec;

struct Options {
    std::string script, plots, input, output, step, accuracy, format, program;
    bool has_input = false, has_output = false, has_step = false, has_accuracy = false, has_format = false,
         has_program = false, has_script = false, has_plots = false;
};

// Pages are written out when the program stops, like at a normal end.
bool stop_hook_set = false;

Startup usage_error(const std::string& what) {
    std::fflush(stdout);
    std::fprintf(stderr, "kolm: %s\nTry 'kolm --help'.\n", what.c_str());
    return {false, 2};
}

bool make_folder(const std::string& dir, std::string& error) {
    struct stat st;
    if (::stat(dir.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode)) return true;
        error = "the plot folder " + dir + " is not a directory";
        return false;
    }
    if (::mkdir(dir.c_str(), 0777) == 0) return true;
    error = "cannot create the plot folder " + dir + ": " + std::strerror(errno);
    return false;
}

}  // namespace

std::string_view usage_text() { return USAGE; }

Startup start_headless(int argc, const char* const* argv) {
    headless::reset();
    gfx::reset();
    Options o;
    struct Slot {
        std::string_view name;
        std::string* value;
        bool* given;
    };
    const Slot slots[] = {
        {"--script", &o.script, &o.has_script},       {"--plots", &o.plots, &o.has_plots},
        {"--input", &o.input, &o.has_input},          {"--output", &o.output, &o.has_output},
        {"--step", &o.step, &o.has_step},             {"--accuracy", &o.accuracy, &o.has_accuracy},
        {"--format", &o.format, &o.has_format},       {"--program", &o.program, &o.has_program},
    };
    Mode mode = Mode::automatic;
    for (int i = 1; i < argc; ++i) {
        std::string_view arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::fwrite(USAGE.data(), 1, USAGE.size(), stdout);
            return {false, 0};
        }
        if (arg == "--overwrite") {
            headless::set_overwrite(true);
            continue;
        }
        if (arg == "--window" || arg == "--headless") {
            const Mode m = arg == "--window" ? Mode::window : Mode::headless;
            if (mode != Mode::automatic && mode != m) return usage_error("--window and --headless exclude each other");
            mode = m;
            continue;
        }
        std::string_view name = arg, value;
        bool inline_value = false;
        if (std::size_t eq = arg.find('='); arg.starts_with("--") && eq != std::string_view::npos) {
            name = arg.substr(0, eq);
            value = arg.substr(eq + 1);
            inline_value = true;
        }
        const Slot* slot = nullptr;
        for (const Slot& s : slots)
            if (s.name == name) slot = &s;
        if (slot == nullptr) {
            if (arg.starts_with("-")) return usage_error("unknown option '" + std::string(arg) + "'");
            return usage_error("unexpected argument '" + std::string(arg) + "'");
        }
        if (!inline_value) {
            if (i + 1 >= argc) return usage_error("option " + std::string(name) + " needs a value");
            value = argv[++i];
        }
        if (*slot->given) return usage_error("option " + std::string(name) + " given twice");
        *slot->given = true;
        slot->value->assign(value);
    }

    int32_t format_box = spec::SAO;
    if (o.has_format) {
        if (o.format == "sao") format_box = spec::SAO;
        else if (o.format == "standard") format_box = spec::STANDARD;
        else if (o.format == "other") format_box = spec::OTHERS;
        else return usage_error("--format must be sao, standard or other, not '" + o.format + "'");
    }
    if (o.has_program && format_box != spec::OTHERS) return usage_error("--program needs --format other");

    std::vector<headless::Event> script_events;
    if (o.has_script) {
        std::ifstream in(o.script, std::ios::binary);
        if (!in) return usage_error("cannot read the script " + o.script + ": " + std::strerror(errno));
        std::ostringstream text;
        text << in.rdbuf();
        std::string error;
        if (!headless::parse_script(text.str(), script_events, error))
            return usage_error("script " + o.script + ", " + error);
    }
    if (o.has_plots) {
        if (o.plots.empty()) return usage_error("--plots needs a folder");
        std::string error;
        if (!make_folder(o.plots, error)) return usage_error(error);
        gfx::set_plot_folder(o.plots);
    } else {
        // Without a plot folder no page is kept: nothing is drawn.
        gfx::drop_pages();
    }

    // The specification dialog as a person fills it in: the format box
    // first (it blanks the program box), then the boxes, then OK.
    const bool dialog = o.has_input || o.has_output || o.has_step || o.has_accuracy || o.has_format || o.has_program;
    if (dialog) {
        using headless::Event;
        using headless::EventKind;
        std::vector<Event> ev;
        ev.push_back({EventKind::check, format_box, "1", 0});
        if (o.has_program) ev.push_back({EventKind::text, spec::PROGRAM, o.program, 0});
        if (o.has_input) ev.push_back({EventKind::text, spec::INPUT, o.input, 0});
        if (o.has_output) ev.push_back({EventKind::text, spec::OUTPUT, o.output, 0});
        if (o.has_step) ev.push_back({EventKind::text, spec::STEP, o.step, 0});
        if (o.has_accuracy) ev.push_back({EventKind::text, spec::ACCURACY, o.accuracy, 0});
        ev.push_back({EventKind::click, spec::OK, "", 0});
        headless::append_events(std::move(ev), "command line");
    }
    headless::append_events(std::move(script_events), o.has_script ? "script " + o.script : "script");

    if (!stop_hook_set) {
        stop_hook_set = true;
        platform::at_stop([] { gfx::finish_page(); });
    }
    return {true, 0, mode, dialog || o.has_script, o.has_plots};
}

int finish_headless() {
    gfx::finish_page();
    std::fflush(stdout);
    return headless::failures() > 0 ? 3 : 0;
}

}  // namespace kolm::ui
