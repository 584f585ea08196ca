// The windowed backend under an X display (a virtual one in CI): the event
// script fills the dialogs through the widgets, a run over the shared
// samples completes, and the graphics window's pixels, read back through
// the toolkit, hold what the display list of the same run done headless
// put there. Skipped without a display.
//
// With KOLM_SCREENSHOTS set to a folder, the cover, the dialog, a message,
// the warning box and a record's graphics are saved there as PNG (xwd and
// convert needed).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "blocks/run_state.h"
#include "platform/console.h"
#include "platform/graphics.h"
#include "platform/headless.h"
#include "platform/process.h"
#include "platform/text_units.h"
#include "platform_window/window.h"
#include "run/run_driver.h"
#include "ui/command_line.h"
#include "ui/messages.h"
#include "ui/resource.h"
#include "model_tables.h"
#include "work_dir.h"

namespace {

namespace fs = std::filesystem;
namespace gfx = kolm::platform::gfx;
namespace headless = kolm::platform::headless;
namespace win = kolm::window;
namespace res = kolm::ui::res;
using kolm::testing::TempDir;
using Shown = win::Shown;

constexpr int W = gfx::WINDOW_WIDTH, H = gfx::WINDOW_HEIGHT;

std::string read_file(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// ---- The pixel check: where the display list says an op's colour shows.

struct Box {
    int x1, y1, x2, y2;
    bool holds(int x, int y) const { return x >= x1 - 1 && x <= x2 + 1 && y >= y1 - 1 && y <= y2 + 1; }
};

Box bounds(const gfx::Page& page, const gfx::Op& op) {
    if (op.kind == gfx::OpKind::text) {
        // Generous: the cells of the text, turned any way.
        const int len = int(page.text(op).size()) * op.width + op.height;
        return {op.x1 - len, op.y1 - len, op.x1 + len, op.y1 + len};
    }
    return {std::min(op.x1, op.x2), std::min(op.y1, op.y2), std::max(op.x1, op.x2), std::max(op.y1, op.y2)};
}

// A probe holds when the op's colour shows at one of its points, give or
// take a pixel.
struct Probe {
    std::vector<std::pair<int, int>> points;
    int32_t colour;
    gfx::OpKind kind;
};

// Probes of every line, box and ellipse: the middle of a line, the middles
// of a rectangle's sides, the four extremes of an ellipse's outline, the
// centre of a filled shape. Points that a later op may have painted over
// are left out.
std::vector<Probe> probes(const gfx::Page& page) {
    std::vector<Box> boxes;
    for (const gfx::Op& op : page.ops) boxes.push_back(bounds(page, op));
    std::vector<Probe> out;
    for (std::size_t i = 0; i < page.ops.size(); ++i) {
        const gfx::Op& op = page.ops[i];
        const int cx = (op.x1 + op.x2) / 2, cy = (op.y1 + op.y2) / 2;
        std::vector<std::vector<std::pair<int, int>>> sets;
        switch (op.kind) {
            case gfx::OpKind::line: sets.push_back({{cx, cy}}); break;
            case gfx::OpKind::rectangle:
                sets.push_back({{cx, op.y1}});
                sets.push_back({{cx, op.y2}});
                sets.push_back({{op.x1, cy}});
                sets.push_back({{op.x2, cy}});
                break;
            case gfx::OpKind::ellipse: sets.push_back({{cx, op.y1}, {cx, op.y2}, {op.x1, cy}, {op.x2, cy}}); break;
            case gfx::OpKind::filled_rectangle:
            case gfx::OpKind::filled_ellipse: sets.push_back({{cx, cy}}); break;
            case gfx::OpKind::text: break;
        }
        for (auto& pts : sets) {
            std::erase_if(pts, [&](const std::pair<int, int>& p) {
                if (p.first < 1 || p.first > W - 2 || p.second < 1 || p.second > H - 2) return true;
                for (std::size_t j = i + 1; j < boxes.size(); ++j)
                    if (boxes[j].holds(p.first, p.second)) return true;
                return false;
            });
            if (!pts.empty()) out.push_back({pts, op.colour, op.kind});
        }
    }
    return out;
}

struct Score {
    int probes = 0, held = 0, ellipses = 0, lines = 0;
    double share() const { return probes == 0 ? 0.0 : double(held) / probes; }
};

// The probes against the pixels, moved by (dx, dy).
Score score(const std::vector<Probe>& ps, const std::vector<uint8_t>& px, int dx = 0, int dy = 0) {
    Score s;
    auto is = [&](int x, int y, int32_t c) {
        if (x < 0 || x >= W || y < 0 || y >= H) return false;
        const uint8_t* p = &px[(std::size_t(y) * W + x) * 3];
        return p[0] == (c & 255) && p[1] == ((c >> 8) & 255) && p[2] == ((c >> 16) & 255);
    };
    for (const Probe& pr : ps) {
        bool held = false;
        for (const auto& [x, y] : pr.points)
            for (int ey = -1; ey <= 1 && !held; ++ey)
                for (int ex = -1; ex <= 1 && !held; ++ex) held = is(x + dx + ex, y + dy + ey, pr.colour);
        ++s.probes;
        s.held += held ? 1 : 0;
        s.ellipses += pr.kind == gfx::OpKind::ellipse ? 1 : 0;
        s.lines += pr.kind == gfx::OpKind::line ? 1 : 0;
    }
    return s;
}

struct CheckedPage {
    gfx::Page page;
    Score at, moved;
};

// The page as the window shows it now, checked against its display list.
CheckedPage check_shown(const gfx::Page& page) {
    const std::vector<uint8_t> px = win::graphics_pixels();
    EXPECT_EQ(px.size(), std::size_t(W) * H * 3);
    const std::vector<Probe> ps = probes(page);
    // Moved off by a few pixels the probes must mostly fail, or the check
    // would prove nothing.
    return {page, score(ps, px), score(ps, px, 13, 17)};
}

// ---- Runs

// Pages of a headless run, as they end.
struct PageLog : gfx::Watcher {
    std::vector<gfx::Page> pages;
    void drawn(const gfx::Page&) override {}
    void clearing(const gfx::Page& p, int32_t) override {
        if (!p.ops.empty()) pages.push_back(p);
    }
    void titled(std::string_view) override {}
};

// xwd writes the window's dump, convert makes the PNG of it; both are
// started directly (found on the PATH by env), never through a shell.
void save_screenshot(const std::string& name, unsigned long xid) {
    const char* dir = std::getenv("KOLM_SCREENSHOTS");
    if (dir == nullptr || *dir == '\0') return;
    const std::string target = (fs::path(dir) / name).string();
    const std::string dump = target + ".xwd";
    const std::vector<std::vector<std::string>> steps = {
        {"xwd", "-silent", "-id", std::to_string(xid), "-out", dump},
        {"convert", "xwd:" + dump, target},
    };
    for (const auto& args : steps) {
        const kolm::platform::RunResult r = kolm::platform::run_program("/usr/bin/env", args);
        EXPECT_EQ(r.error, kolm::platform::StartError::none) << args[0];
        EXPECT_EQ(r.exit_code, 0) << args[0] << " for " << target;
    }
    fs::remove(dump);
}

class Window : public ::testing::Test {
protected:
    void SetUp() override {
        if (!win::display_available()) GTEST_SKIP() << "no X display (run the tests under xvfb-run)";
        kolm::reset_run_state();
        headless::reset();
        gfx::reset();
        dir_.copy_models();
        ASSERT_TRUE(kolm::testing::write_test_tables());
    }
    void TearDown() override {
        win::set_observer(nullptr);
        gfx::set_watcher(nullptr);
    }

    void load(const std::string& script) {
        std::string error;
        ASSERT_TRUE(headless::load_script(script, "test script", error)) << error;
    }

    // The whole program headless on the script; the pages it drew.
    std::vector<gfx::Page> run_headless(const std::string& script) {
        kolm::reset_run_state();
        headless::reset();
        gfx::reset();
        load(script);
        PageLog log;
        gfx::set_watcher(&log);
        kolm::KOLM();
        gfx::set_watcher(nullptr);
        if (!gfx::page().ops.empty()) log.pages.push_back(gfx::page());
        EXPECT_EQ(headless::failures(), 0);
        return log.pages;
    }

    // The whole program in the window on the script; its exit status. The
    // last page is checked before the run ends.
    int run_window(const std::string& script) {
        kolm::reset_run_state();
        headless::reset();
        gfx::reset();
        load(script);
        return win::run(
            [this] {
                kolm::KOLM();
                if (!gfx::page().ops.empty()) shown_.push_back(check_shown(gfx::page()));
                return kolm::ui::finish_headless();
            },
            true);
    }

    TempDir dir_;
    std::vector<CheckedPage> shown_;
};

std::string sao_folder() { return (fs::path(KOLM_SHARED_DATA) / "sao").string(); }

// The specification dialog filled as a person would, with two slips on
// the way: a minus sign typed into the height step (message 0) and an
// output folder that does not exist (message 21, the dialog comes back
// with the entries kept).
std::string spec_script(const std::string& out_folder) {
    return "check 1071 1\n"
           "text 1000 " + sao_folder() + "/*.*\n"
           "text 1022 " + out_folder + "/missing/X.421\n"
           "type 1014 1-\n"
           "expect 0\n"
           "click 1\n"
           "type 1014 10.0\n"
           "type 1015 0.01\n"
           "click 1\n"
           "expect 21\n"
           "click 1\n"
           "text 1022 " + out_folder + "/*.421\n"
           "click 1\n";
}

bool same_pages(const gfx::Page& a, const gfx::Page& b) {
    if (a.background != b.background || a.ops.size() != b.ops.size()) return false;
    for (std::size_t i = 0; i < a.ops.size(); ++i) {
        const gfx::Op &p = a.ops[i], &q = b.ops[i];
        if (p.kind != q.kind || p.colour != q.colour || p.x1 != q.x1 || p.y1 != q.y1 || p.x2 != q.x2 ||
            p.y2 != q.y2 || p.face != q.face || p.rotation != q.rotation || p.height != q.height ||
            p.width != q.width || a.text(p) != b.text(q))
            return false;
    }
    return true;
}

TEST_F(Window, ScriptedRunShowsWhatTheDisplayListHolds) {
    fs::create_directories("headless");
    fs::create_directories("window");
    const std::vector<gfx::Page> reference = run_headless(spec_script(dir_.at("headless")));
    ASSERT_GE(reference.size(), 5u);  // the cover and one page per sample record

    std::vector<int32_t> dialogs;
    int specs_shown = 0;
    win::set_observer([&](const Shown& s) {
        switch (s.what) {
            case Shown::What::dialog_opening:
                if (s.dialog_id == res::DLG_SPECIFICATIONS && specs_shown == 0) save_screenshot("cover.png", s.xid);
                break;
            case Shown::What::dialog:
                dialogs.push_back(s.dialog_id);
                if (s.dialog_id == res::DLG_SPECIFICATIONS && ++specs_shown == 2) {
                    // Shown again after message 21 with the entries kept.
                    EXPECT_EQ(win::widget_text(res::DLG_SPECIFICATIONS, res::spec::STEP), "10.0");
                    EXPECT_EQ(win::widget_text(res::DLG_SPECIFICATIONS, res::spec::ACCURACY), "0.01");
                    save_screenshot("dialog.png", s.xid);
                }
                if (s.dialog_id == res::DLG_INSTRUCTIONS && dialogs.size() == 2) {
                    // The widgets hold what the script did to them.
                    EXPECT_EQ(win::widget_text(res::DLG_SPECIFICATIONS, res::spec::INPUT), sao_folder() + "/*.*");
                    EXPECT_EQ(win::widget_text(res::DLG_SPECIFICATIONS, res::spec::STEP), "1-");
                    EXPECT_EQ(win::widget_text(res::DLG_INSTRUCTIONS, res::instructions::MESSAGE),
                              kolm::ui::message_text(0));
                    save_screenshot("message.png", s.xid);
                }
                break;
            case Shown::What::page_end:
                if (s.page->ops.empty()) break;
                shown_.push_back(check_shown(*s.page));
                if (shown_.size() == 2) save_screenshot("graphics.png", s.xid);
                break;
            case Shown::What::message_box: break;
        }
    });
    EXPECT_EQ(run_window(spec_script(dir_.at("window"))), 0);
    EXPECT_EQ(headless::failures(), 0);

    // Specification dialog, message 0, dialog again after message 21.
    const std::vector<int32_t> want = {res::DLG_SPECIFICATIONS, res::DLG_INSTRUCTIONS, res::DLG_INSTRUCTIONS,
                                       res::DLG_SPECIFICATIONS};
    EXPECT_EQ(dialogs, want);

    // The same pages as headless, and on the screen where the list says.
    ASSERT_EQ(shown_.size(), reference.size());
    int ellipses = 0, lines = 0;
    double worst = 1.0, moved = 0.0;
    for (std::size_t k = 0; k < shown_.size(); ++k) {
        const CheckedPage& c = shown_[k];
        EXPECT_TRUE(same_pages(c.page, reference[k])) << "page " << k + 1;
        // The cover is mostly text and boxes painted over; a record's page
        // has its frame, grid and profiles.
        EXPECT_GE(c.at.probes, k == 0 ? 3 : 50) << "page " << k + 1;
        EXPECT_GE(c.at.share(), 0.97) << "page " << k + 1 << ": " << c.at.held << " of " << c.at.probes;
        EXPECT_LE(c.moved.share(), 0.3) << "page " << k + 1 << ": " << c.moved.held << " of " << c.moved.probes;
        ellipses += c.at.ellipses;
        lines += c.at.lines;
        worst = std::min(worst, c.at.share());
        moved = std::max(moved, c.moved.share());
    }
    EXPECT_GE(lines, 300);
    std::printf("%zu pages checked: %d line and %d ellipse probes; held at least %.3f in place, at most %.3f moved\n",
                shown_.size(), lines, ellipses, worst, moved);

    // The same output files, byte for byte.
    int outputs = 0;
    for (const auto& e : fs::directory_iterator("headless")) {
        ++outputs;
        EXPECT_EQ(read_file(e.path()), read_file(fs::path("window") / e.path().filename())) << e.path();
    }
    EXPECT_EQ(outputs, 4);
    for (const auto& e : fs::directory_iterator("."))
        EXPECT_NE(e.path().filename().string().rfind("FILELIST.TMP", 0), 0u) << e.path();
}

// Trace points, sections, boxes and far-off coordinates drawn straight into
// the display list land on the screen where the list puts them.
TEST_F(Window, DrawingCallsLandOnTheirPixels) {
    const int32_t red = gfx::rgb(255, 0, 0), green = gfx::rgb(0, 128, 0), white = gfx::rgb(255, 255, 255);
    std::vector<uint8_t> px;
    gfx::Page page;
    const int status = win::run(
        [&] {
            gfx::set_background(white);
            gfx::clear();
            gfx::set_colour(red);
            for (int k = 0; k < 60; ++k) {  // trace points along a curve
                const int x = 220 + 8 * k, y = 480 - k * k / 12;
                gfx::ellipse(false, x - 2, y - 2, x + 2, y + 2);
            }
            gfx::move_to(200, 500);
            for (int k = 1; k <= 40; ++k) gfx::line_to(200 + 12 * k, 500 - 3 * k - (k * k) / 8);
            gfx::set_colour(green);
            gfx::rectangle(false, 100, 100, 160, 140);
            gfx::rectangle(true, 900, 700, 909, 709);
            // Far beyond the window: clipped, never wrapped onto it.
            gfx::move_to(600, 50);
            gfx::line_to(70000, 50);
            gfx::ellipse(false, -50000, 300, -49990, 310);
            gfx::move_to(10, 300);
            gfx::draw_text("TRACE");
            px = win::graphics_pixels();
            page = gfx::page();
            return 0;
        },
        true);
    EXPECT_EQ(status, 0);
    ASSERT_EQ(px.size(), std::size_t(W) * H * 3);
    auto colour = [&](int x, int y) {
        const uint8_t* p = &px[(std::size_t(y) * W + x) * 3];
        return gfx::rgb(p[0], p[1], p[2]);
    };
    const Score s = score(probes(page), px);
    EXPECT_GE(s.ellipses, 55);  // a few lie under the section drawn later
    EXPECT_EQ(s.held, s.probes);
    // An outlined trace point leaves its centre empty.
    EXPECT_EQ(colour(220, 480), white);
    EXPECT_EQ(colour(220, 478), red);
    // Both corners of a box belong to it.
    EXPECT_EQ(colour(900, 700), green);
    EXPECT_EQ(colour(909, 709), green);
    EXPECT_EQ(colour(910, 710), white);
    EXPECT_EQ(colour(899, 699), white);
    // The long line reaches the right edge and nothing wraps to the left.
    EXPECT_EQ(colour(W - 1, 50), green);
    for (int x = 0; x < 590; ++x) ASSERT_EQ(colour(x, 50), white) << x;
}

// The warning box of a run without proper data, and events the widgets
// refuse counted as in a headless run.
TEST_F(Window, WarningBoxAndRefusedEvents) {
    std::ofstream("BAD.SAO") << "not an SAO record\n";
    int boxes = 0;
    win::set_observer([&](const Shown& s) {
        if (s.what != Shown::What::message_box) return;
        ++boxes;
        save_screenshot("warning.png", s.xid);
    });
    testing::internal::CaptureStderr();
    // The program box is disabled while "SAO" is ticked.
    const int status = run_window("text 1001 /bin/true\ntext 1000 BAD.SAO\nclick 1\n");
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(status, 3);
    EXPECT_EQ(headless::failures(), 1);
    EXPECT_NE(err.find("test script line 1: text: control 1001 of dialog 101 is hidden or disabled"),
              std::string::npos)
        << err;
    EXPECT_NE(err.find("WARNING: NO PROPER DATA OR ERROR FOUND IN THE INPUT FILE."), std::string::npos) << err;
    EXPECT_EQ(boxes, 1);
}

// Closing the window during the run ends it at once with status 4: the
// outputs of the files done are those of the headless run, the file in
// progress leaves no output and no temporary.
TEST_F(Window, ClosingTheWindowEndsTheRunCleanly) {
    fs::create_directories("headless");
    fs::create_directories("window");
    const std::string tail = "/*.421\nclick 1\n";
    run_headless("text 1000 " + sao_folder() + "/*.*\ntext 1022 " + dir_.at("headless") + tail);
    int pages = 0;
    win::set_observer([&](const Shown& s) {
        // At the end of the second record's page: two records written.
        if (s.what == Shown::What::page_end && !s.page->ops.empty() && ++pages == 3) win::close_frame();
    });
    const int status = run_window("text 1000 " + sao_folder() + "/*.*\ntext 1022 " + dir_.at("window") + tail);
    EXPECT_EQ(status, win::EXIT_WINDOW_CLOSED);
    EXPECT_EQ(pages, 3);
    int whole = 0;
    for (const auto& e : fs::directory_iterator("window")) {
        const std::string got = read_file(e.path());
        EXPECT_FALSE(got.empty()) << e.path();
        ++whole;
        EXPECT_EQ(got, read_file(fs::path("headless") / e.path().filename())) << e.path();
    }
    EXPECT_EQ(whole, 2);
    for (const auto& e : fs::directory_iterator("."))
        EXPECT_NE(e.path().filename().string().rfind("FILELIST.TMP", 0), 0u) << e.path();
}

// A stop of the program shows its message in a box, runs the stop actions
// (outputs flushed and closed) and ends the run with status 1.
TEST_F(Window, StopShowsItsBoxAndEndsWithOne) {
    namespace platform = kolm::platform;
    int boxes = 0;
    win::set_observer([&](const Shown& s) { boxes += s.what == Shown::What::message_box ? 1 : 0; });
    ASSERT_EQ(platform::open_unit(3, "OUT.TXT", platform::UnitMode::write), 0);
    testing::internal::CaptureStderr();
    const int status = win::run(
        []() -> int {
            platform::write_line(3, "written before the stop");
            platform::stop_program(" CAN NOT FIND THE URSI COEFFICIENT FILES!");
        },
        true);
    const std::string out = testing::internal::GetCapturedStderr();
    EXPECT_EQ(status, 1);
    EXPECT_EQ(boxes, 1);
    EXPECT_NE(out.find(" CAN NOT FIND THE URSI COEFFICIENT FILES!"), std::string::npos);
    EXPECT_FALSE(platform::unit_is_open(3));
    EXPECT_EQ(read_file("OUT.TXT"), "written before the stop\n");
}

// The program chooses its mode: the window needs a display, a run with
// events given never waits in it, and without a display kolm runs headless.
TEST_F(Window, ProgramChoosesItsMode) {
    const std::string kolm = std::string(KOLM_BINARY_DIR) + "/apps/kolm";
    std::ofstream("exit.txt") << "click 2\n";
    struct Case {
        std::vector<std::string> args;
        int32_t status;
    };
    const Case cases[] = {
        {{"-u", "DISPLAY", kolm, "--window"}, 2},            // no display for the window
        {{"-u", "DISPLAY", kolm}, 0},                        // headless: the dialog answers EXIT
        {{kolm, "--window", "--script", "exit.txt"}, 0},     // the script's EXIT in the window
        {{kolm, "--window", "--input", "MISSING.SAO"}, 5},   // message 5 and EXIT, unattended
        {{kolm, "--headless"}, 0},
    };
    for (const Case& c : cases) {
        testing::internal::CaptureStderr();
        const kolm::platform::RunResult r = kolm::platform::run_program("/usr/bin/env", c.args);
        const std::string err = testing::internal::GetCapturedStderr();
        EXPECT_EQ(r.error, kolm::platform::StartError::none);
        EXPECT_EQ(r.exit_code, c.status) << c.args.back() << "\n" << err;
    }
}

}  // namespace
