// Command line of kolm: options, errors with exit status 2, the events the
// dialog options build, the plot folder and the exit status of a run.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <string>
#include <vector>

#include "platform/console.h"
#include "platform/dialog.h"
#include "platform/graphics.h"
#include "platform/headless.h"
#include "platform/process.h"
#include "ui/command_line.h"
#include "ui/resource.h"
#include "work_dir.h"

namespace {

using namespace kolm::platform;
using kolm::ui::Mode;
using kolm::ui::Startup;
using kolm::ui::start_headless;
using kolm::ui::finish_headless;
namespace res = kolm::ui::res;
namespace fs = std::filesystem;

Startup start(std::initializer_list<const char*> args) {
    std::vector<const char*> argv = {"kolm"};
    argv.insert(argv.end(), args);
    return start_headless(int(argv.size()), argv.data());
}

// Each test in its own working directory (see tests/work_dir.h).
class InWorkDir : public kolm::testing::WorkDir {
protected:
    std::string at(const char* name) const { return (dir_ / name).string(); }
};
using CommandLine = InWorkDir;

TEST_F(CommandLine, BadOptionsExitWithStatusTwo) {
    std::ofstream(dir_ / "bad.txt") << "click 1\npush 2\n";
    const std::string bad_script = (dir_ / "bad.txt").string();
    const std::string not_dir = bad_script + "/plots";
    struct Case {
        std::vector<const char*> args;
        const char* says;
    };
    const Case cases[] = {
        {{"--frobnicate"}, "unknown option '--frobnicate'"},
        {{"input.sao"}, "unexpected argument 'input.sao'"},
        {{"--input"}, "option --input needs a value"},
        {{"--step", "1", "--step=2"}, "option --step given twice"},
        {{"--format", "SAO"}, "--format must be sao, standard or other"},
        {{"--program", "conv"}, "--program needs --format other"},
        {{"--script", "/nonexistent/events"}, "cannot read the script /nonexistent/events"},
        {{"--script", bad_script.c_str()}, "line 2: unknown event \"push\""},
        {{"--plots", not_dir.c_str()}, "cannot create the plot folder"},
        {{"--window", "--headless"}, "--window and --headless exclude each other"},
    };
    for (const Case& c : cases) {
        std::vector<const char*> argv = {"kolm"};
        argv.insert(argv.end(), c.args.begin(), c.args.end());
        testing::internal::CaptureStderr();
        Startup s = start_headless(int(argv.size()), argv.data());
        std::string err = testing::internal::GetCapturedStderr();
        EXPECT_FALSE(s.run) << c.says;
        EXPECT_EQ(s.exit_status, 2) << c.says;
        EXPECT_NE(err.find(c.says), std::string::npos) << err;
        EXPECT_NE(err.find("kolm --help"), std::string::npos);
    }
}

TEST_F(CommandLine, HelpListsTheOptions) {
    testing::internal::CaptureStdout();
    Startup s = start({"--input", "x", "--help"});
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_FALSE(s.run);
    EXPECT_EQ(s.exit_status, 0);
    for (const char* opt : {"--window", "--headless", "--script", "--plots", "--input", "--output", "--step",
                            "--accuracy", "--format", "--program", "--overwrite", "--help"})
        EXPECT_NE(out.find(opt), std::string::npos) << opt;
    for (const char* status : {"  0  every input file processed", "  5  the run ended on an error message",
                               "  6  no record", "  7  input files or records were skipped",
                               "  8  an output file could not be written"})
        EXPECT_NE(out.find(status), std::string::npos) << status;
}

// The dialog options fill the specification dialog as a person would; the
// script's events follow.
TEST_F(CommandLine, DialogOptionsBecomeEventsBeforeTheScript) {
    std::ofstream(dir_ / "events") << "click 2\n";
    const std::string events = (dir_ / "events").string();
    Startup s = start({"--format=other", "--program", "bin/conv x", "--input", "data/*.*", "--output", "NONE",
                       "--step", "10.0", "--accuracy", "0.01", "--script", events.c_str()});
    ASSERT_TRUE(s.run);
    EXPECT_EQ(headless::pending_events(), 8u);
    Dialog d;
    ASSERT_TRUE(res::load_dialog(d, res::DLG_SPECIFICATIONS));
    d.set_checked(res::spec::SAO, true);
    d.set_enabled(res::spec::PROGRAM, false);
    std::vector<int32_t> fired;
    for (int32_t id : {res::spec::SAO, res::spec::STANDARD, res::spec::OTHERS, res::spec::INPUT, res::spec::OUTPUT,
                       res::spec::STEP, res::spec::ACCURACY})
        d.set_callback(id, [&](Dialog& dlg, int32_t c) {
            fired.push_back(c);
            if (c == res::spec::OTHERS) {  // as the specification dialog does
                dlg.set_checked(res::spec::SAO, false);
                dlg.set_enabled(res::spec::PROGRAM, true);
            }
        });
    EXPECT_EQ(d.run_modal(), 1);
    const std::vector<int32_t> want = {1010, 1000, 1022, 1014, 1015};
    EXPECT_EQ(fired, want);
    EXPECT_EQ(d.text(res::spec::PROGRAM), "bin/conv x");
    EXPECT_EQ(d.text(res::spec::INPUT), "data/*.*");
    EXPECT_EQ(d.text(res::spec::OUTPUT), "NONE");
    EXPECT_EQ(d.text(res::spec::STEP), "10.0");
    EXPECT_EQ(d.text(res::spec::ACCURACY), "0.01");
    EXPECT_EQ(d.run_modal(), 2);  // the script's click
    EXPECT_EQ(headless::failures(), 0);
    EXPECT_EQ(finish_headless(), 0);
}

// What the choice between window and headless run looks at.
TEST_F(CommandLine, ModeAndWhatTheRunIsGiven) {
    const std::string plots = (dir_ / "plots").string();
    std::ofstream(dir_ / "events") << "click 2\n";
    const std::string events = (dir_ / "events").string();
    struct Case {
        std::vector<const char*> args;
        Mode mode;
        bool scripted, plots, overwrite = false;
    };
    const Case cases[] = {
        {{}, Mode::automatic, false, false},
        {{"--window"}, Mode::window, false, false},
        {{"--headless"}, Mode::headless, false, false},
        {{"--window", "--window"}, Mode::window, false, false},
        {{"--input", "x.sao"}, Mode::automatic, true, false},
        {{"--script", events.c_str()}, Mode::automatic, true, false},
        {{"--plots", plots.c_str()}, Mode::automatic, false, true},
        {{"--window", "--step", "10"}, Mode::window, true, false},
        {{"--overwrite"}, Mode::automatic, false, false, true},
        {{"--input", "x.sao", "--overwrite"}, Mode::automatic, true, false, true},
    };
    for (const Case& c : cases) {
        std::vector<const char*> argv = {"kolm"};
        argv.insert(argv.end(), c.args.begin(), c.args.end());
        testing::internal::CaptureStderr();
        const Startup s = start_headless(int(argv.size()), argv.data());
        testing::internal::GetCapturedStderr();
        const std::string what = c.args.empty() ? "no options" : c.args[0];
        ASSERT_TRUE(s.run) << what;
        EXPECT_EQ(s.mode, c.mode) << what;
        EXPECT_EQ(s.scripted, c.scripted) << what;
        EXPECT_EQ(s.plots, c.plots) << what;
        EXPECT_EQ(headless::overwrite(), c.overwrite) << what;
    }
    gfx::reset();
}

TEST_F(CommandLine, NoOptionsLeaveTheDialogsUnattended) {
    Startup s = start({});
    ASSERT_TRUE(s.run);
    EXPECT_EQ(headless::pending_events(), 0u);
    EXPECT_EQ(gfx::plot_folder(), "");
    EXPECT_FALSE(gfx::drawing()) << "without a plot folder no page is kept";
    gfx::reset();
}

TEST_F(CommandLine, PlotFolderIsCreatedAndFailuresGiveStatusThree) {
    const std::string plots = (dir_ / "plots").string();
    std::ofstream(dir_ / "events") << "click 1074\n";
    const std::string events = (dir_ / "events").string();
    Startup s = start({"--plots", plots.c_str(), "--script", events.c_str()});
    ASSERT_TRUE(s.run);
    EXPECT_TRUE(fs::is_directory(plots));
    EXPECT_EQ(gfx::plot_folder(), plots);
    EXPECT_TRUE(gfx::drawing());
    gfx::move_to(0, 0);
    gfx::line_to(10, 10);
    Dialog d;
    ASSERT_TRUE(res::load_dialog(d, res::DLG_INSTRUCTIONS));
    testing::internal::CaptureStderr();
    d.run_modal();
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(finish_headless(), 3);
    EXPECT_TRUE(fs::exists(fs::path(plots) / "plot-0001.svg"));
    gfx::reset();
}

// A stop writes out the page drawn so far and exits with status 1.
TEST_F(CommandLine, StopWritesThePageAndExitsWithOne) {
    const std::string plots = (dir_ / "plots").string();
    EXPECT_EXIT(
        {
            start({"--plots", plots.c_str()});
            gfx::move_to(0, 0);
            gfx::line_to(9, 9);
            stop_program(" FATAL: NO SUNSPOT FILE");
        },
        testing::ExitedWithCode(1), "");
    EXPECT_TRUE(fs::exists(fs::path(plots) / "plot-0001.svg"));
}

// The program itself: --help, a bad option, and a headless run without
// events.
TEST_F(CommandLine, ExitStatusOfTheProgram) {
    const std::string kolm = std::string(KOLM_BINARY_DIR) + "/apps/kolm";
    ASSERT_TRUE(fs::exists(kolm));
    const std::pair<std::vector<std::string>, int32_t> cases[] = {
        {{"--help"}, 0}, {{"--bogus"}, 2}, {{"--format", "x"}, 2}, {{"--headless"}, 0}};
    for (const auto& [args, status] : cases) {
        std::vector<std::string> quiet = args;
        RunResult r = run_program(kolm, quiet);
        EXPECT_EQ(r.error, StartError::none);
        EXPECT_EQ(r.exit_code, status) << (args.empty() ? "" : args[0]);
    }
}

}  // namespace
