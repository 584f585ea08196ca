// Graphics window set-up, the plot frame as a display list, the station
// lookup and the time and sunspot header.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <string>
#include <vector>

#include "blocks/peltartrueh.h"
#include "blocks/run_state.h"
#include "platform/graphics.h"
#include "ui/plot_frame.h"
#include "work_dir.h"

namespace {

using namespace kolm;
using namespace kolm::ui;
namespace gfx = kolm::platform::gfx;
namespace fs = std::filesystem;

using PlotFrame = kolm::testing::WorkDir;
using StationName = kolm::testing::WorkDir;

struct Text {
    std::string s;
    int32_t x, y, height, width, rotation;
};

std::vector<Text> texts() {
    std::vector<Text> out;
    const gfx::Page& p = gfx::page();
    for (const gfx::Op& op : p.ops)
        if (op.kind == gfx::OpKind::text)
            out.push_back({std::string(p.text(op)), op.x1, op.y1, op.height, op.width, op.rotation});
    return out;
}

const Text* find_text(const std::vector<Text>& t, std::string_view s) {
    for (const Text& x : t)
        if (x.s == s) return &x;
    return nullptr;
}

void fresh_window() {
    reset_run_state();
    gfx::reset();
    GRAPHMODE();
    gfx::clear();
}

TEST(GraphicsWindow, GraphModeSetsThePlotWindow) {
    fresh_window();
    EXPECT_EQ(PLOTWN.P(1), 1023);
    EXPECT_EQ(PLOTWN.P(2), 767);
    EXPECT_EQ(PLOTWN.P(9), 1);
    EXPECT_EQ(gfx::window_config().title, "KOLM421");
    EXPECT_EQ(gfx::page().background, 0xFFFFFF);
}

TEST_F(PlotFrame, FrameTicksAndLabels) {
    fresh_window();
    SCLCHR.FOF2 = 13.0f;
    FLDPAR.FOESQ = -33.3f;
    FLDPAR.FMAXSQ = 26.5f;
    SETCOORD();
    EXPECT_EQ(PLOTWN.P(3), 200);
    EXPECT_EQ(PLOTWN.P(4), 150);
    EXPECT_EQ(PLOTWN.P(5), 760);
    EXPECT_EQ(PLOTWN.P(6), 500);
    EXPECT_EQ(PLOTWN.P(7), 1);

    const gfx::Page& p = gfx::page();
    std::vector<std::array<int32_t, 4>> rects;
    int32_t lines = 0, yellow = 0, left = 0, right = 0, bottom_long = 0, top_short = 0;
    for (const gfx::Op& op : p.ops) {
        if (op.kind == gfx::OpKind::rectangle) rects.push_back({op.x1, op.y1, op.x2, op.y2});
        if (op.kind != gfx::OpKind::line) continue;
        ++lines;
        if (op.colour == gfx::rgb(255, 255, 0)) {
            ++yellow;
            EXPECT_EQ(op.x1, 200);
            EXPECT_EQ(op.x2, 760);
            EXPECT_EQ((500 - op.y1) % 50, 0);
            continue;
        }
        EXPECT_EQ(op.colour, 0);
        if (op.x1 == 200 && op.x2 == 202) ++left;
        if (op.x1 == 760 && op.x2 == 758) ++right;
        if (op.y1 == 500 && op.y2 == 495) ++bottom_long;
        if (op.y1 == 150 && op.y2 == 152) ++top_short;
    }
    const std::vector<std::array<int32_t, 4>> want_rects = {
        {200, 150, 760, 500}, {199, 149, 761, 501}, {198, 148, 762, 502}};
    EXPECT_EQ(rects, want_rects);
    EXPECT_EQ(lines, 35 + 6 + 35 + 28 + 14 + 28 + 14);
    EXPECT_EQ(yellow, 6);
    EXPECT_EQ(left, 35);
    EXPECT_EQ(right, 35);
    EXPECT_EQ(bottom_long, 14);
    EXPECT_EQ(top_short, 28);

    const std::vector<Text> t = texts();
    struct Want {
        const char* s;
        int32_t x, y, height, width, rotation;
    };
    const Want want[] = {
        {"  0", 170, 493, 16, 7, 0},
        {"600", 170, 193, 16, 7, 0},
        {"[km]", 164, 145, 16, 7, 0},
        {"HEIGHT (km)", 140, 400, 20, 10, 900},
        {" 13", 188 + 520, 505, 16, 7, 0},
        {"[MHz]", 733, 505, 16, 7, 0},
        {"FREQUENCY (MHz)", 350, 520, 20, 10, 0},
        {" STATION : NO NAME             ", 200, 75, 16, 8, 0},
        {" GEO. LAT./LONG. : -33.30/ 26.50", 200, 93, 16, 8, 0},
    };
    for (const Want& w : want) {
        const Text* x = find_text(t, w.s);
        ASSERT_NE(x, nullptr) << w.s;
        EXPECT_EQ(x->x, w.x) << w.s;
        EXPECT_EQ(x->y, w.y) << w.s;
        EXPECT_EQ(x->height, w.height) << w.s;
        EXPECT_EQ(x->width, w.width) << w.s;
        EXPECT_EQ(x->rotation, w.rotation) << w.s;
    }
    EXPECT_EQ(t.size(), 7u + 1 + 1 + 14 + 1 + 1 + 2);
    EXPECT_EQ(find_text(t, "700"), nullptr);
    EXPECT_EQ(find_text(t, " 14"), nullptr);
    EXPECT_FALSE(fs::exists("STATION.LST"));  // looked up, never created
}

TEST_F(PlotFrame, FrequencyScaleDoublesAbove13MHz) {
    fresh_window();
    SCLCHR.FOF2 = 13.01f;
    SETCOORD();
    EXPECT_EQ(PLOTWN.P(7), 2);
    const std::vector<Text> t = texts();
    for (int32_t j = 0; j <= 13; ++j) {
        char label[8];
        std::snprintf(label, sizeof label, "%3d", 2 * j);
        const Text* x = nullptr;
        for (const Text& e : t)
            if (e.s == label && e.y == 505) x = &e;
        ASSERT_NE(x, nullptr) << label;
        EXPECT_EQ(x->x, 188 + 40 * j);
    }
    EXPECT_EQ(plot_x(28.0f), 760);
    EXPECT_EQ(plot_x(1.0f), 220);
}

TEST_F(PlotFrame, NothingIsDrawnWithGraphicsOff) {
    reset_run_state();
    gfx::reset();
    SETCOORD();
    PLOTSSN();
    EXPECT_TRUE(gfx::page().ops.empty());
}

TEST_F(PlotFrame, PlotMapping) {
    reset_run_state();
    PLOTWN.P(3) = 200;
    PLOTWN.P(6) = 500;
    PLOTWN.P(7) = 1;
    EXPECT_EQ(plot_x(0.0f), 200);
    EXPECT_EQ(plot_x(14.0f), 760);
    EXPECT_EQ(plot_x(0.0248f), 200);
    EXPECT_EQ(plot_x(0.02488f), 201);  // 0.9952 + 0.005 reaches 1
    EXPECT_EQ(plot_y(0.0f), 500);
    EXPECT_EQ(plot_y(700.0f), 150);
    EXPECT_EQ(plot_y(1.0f), 499);
    EXPECT_EQ(plot_y(999.9f), 0);
    // Far outside: saturated, never wrapped onto the window.
    EXPECT_GT(plot_x(9999.0f), 32767);
    EXPECT_EQ(plot_x(1e30f), INT32_MAX);
    EXPECT_LT(plot_y(1e30f), -2000000000);
    EXPECT_LT(plot_x(-1e30f), 0);
    EXPECT_LT(plot_x(std::numeric_limits<float>::quiet_NaN()), 0);
    PLOTWN.P(7) = 0;  // before any frame: scale 1
    EXPECT_EQ(plot_x(1.0f), 240);
}

TEST_F(StationName, LookupCases) {
    reset_run_state();
    {
        // Name in columns 5-22, number 34-36, latitude 47-51, longitude 55-59.
        auto line = [](const char* name, const char* num, const char* lat, const char* lon) {
            std::string s(59, ' ');
            s.replace(4, std::strlen(name), name);
            s.replace(33, 3, num);
            s.replace(46, 5, lat);
            s.replace(54, 5, lon);
            return s;
        };
        std::ofstream f("STATION.LST", std::ios::binary);
        f << line("SOUTH", "101", "-45.1", "145.2") << "  free columns\r\n"
          << line("NORTH", "102", " 45.1", "045.1") << "\n"
          << "    SHORT LINE\n"
          << line("SECOND NORTH", "103", " 45.1", "045.1") << "\n"
          << line("NEAR", "104", " 10.0", " 20.0");  // no line end
    }
    struct Case {
        int32_t istn;
        float lat, lon;
        const char* name;
    };
    const Case cases[] = {
        {101, -45.1f, 145.2f, "SOUTH               "},
        {999, -45.05f, 145.25f, "SOUTH               "},  // within 0.1 degree, any number
        {999, 45.1f, 45.1f, "NORTH               "},     // the first matching line wins
        {104, 10.9f, 19.1f, "NEAR                "},     // within 1 degree for its own number
        {999, 10.5f, 20.0f, "NO NAME             "},
        {104, 11.0f, 20.0f, "NO NAME             "},     // 1 degree is not below the tolerance
        {0, 0.0f, 0.0f, "SHORT LINE          "},  // padded: blank coordinates read 0
    };
    for (const Case& c : cases) {
        std::string name;
        GETSTNAME(c.istn, c.lat, c.lon, name);
        EXPECT_EQ(name, c.name) << c.istn << " " << c.lat << " " << c.lon;
    }
}

TEST_F(StationName, RealStationListAndMissingFile) {
    reset_run_state();
    std::string name;
    GETSTNAME(70, 69.6f, 19.2f, name);
    EXPECT_EQ(name, "NO NAME             ");
    EXPECT_FALSE(fs::exists("STATION.LST"));
    reset_run_state();
    copy_model("STATION.LST", "STATION.LST");
    GETSTNAME(933, -33.0f, 26.0f, name);
    EXPECT_EQ(name, "GRAHAMSTOWN         ");
    GETSTNAME(0, 42.6f, 288.5f, name);
    EXPECT_EQ(name, "MILLSTONE HILL      ");
}

TEST_F(StationName, ListFoundInAnyLetterCaseAndReadAgainWhenChanged) {
    reset_run_state();
    auto line = [](const char* name) {
        std::string s(59, ' ');
        s.replace(4, std::strlen(name), name);
        s.replace(33, 3, "101");
        s.replace(46, 5, " 45.1");
        s.replace(54, 5, "045.1");
        return s + "\n";
    };
    std::ofstream("station.lst", std::ios::binary) << line("FIRST");
    std::string name;
    GETSTNAME(101, 45.1f, 45.1f, name);
    EXPECT_EQ(name, "FIRST               ");
    // Rewritten in place with the same size during the run.
    std::ofstream("station.lst", std::ios::binary) << line("OTHER");
    GETSTNAME(101, 45.1f, 45.1f, name);
    EXPECT_EQ(name, "OTHER               ");
    // Replaced by a file of another letter case.
    fs::remove("station.lst");
    std::ofstream("Station.Lst", std::ios::binary) << line("THIRD");
    GETSTNAME(101, 45.1f, 45.1f, name);
    EXPECT_EQ(name, "THIRD               ");
    fs::remove("Station.Lst");
    GETSTNAME(101, 45.1f, 45.1f, name);
    EXPECT_EQ(name, "NO NAME             ");
}

TEST(PlotHeader, TimeAndSunspotLines) {
    struct Case {
        float ssnrec, ssndev;
        int16_t issn;
        const char* line;
    };
    const Case cases[] = {
        {120.0f, 0.0f, 120, " SUNSPOT : 120(OBSERVED)"},
        {120.7f, 4.5f, 120, " SUNSPOT : 120+/-  4.5(PREDICTED)"},
        {0.0f, 0.0f, 95, " SUNSPOT :   0(OLD), 95(NEW, OBSERVED) "},
        {80.0f, 12.24f, 95, " SUNSPOT :  80(OLD), 95+/- 12.2(NEW, PREDICTED)"},
    };
    for (const Case& c : cases) {
        fresh_window();
        PLOTWN.P(3) = 200;
        PLOTWN.P(4) = 150;
        TIMEBK.IYR = 5;
        TIMEBK.IYR4 = 2005;
        TIMEBK.IDAY = 32;
        TIMEBK.MONTH = 2;
        TIMEBK.MDAY = 1;
        TIMEBK.IHR = 13;
        TIMEBK.MINU = 5;
        TIMEBK.ISEC = 0;
        FLDPAR.SSNREC = c.ssnrec;
        FLDPAR.SSNDEV = c.ssndev;
        OPTS.ISSN = c.issn;
        PLOTSSN();
        const std::vector<Text> t = texts();
        ASSERT_EQ(t.size(), 2u);
        EXPECT_EQ(t[0].s, " TIME : 2005/ 32(MONTH: 2 DATE: 1)/13:05:00(UT)");
        EXPECT_EQ(t[0].x, 200);
        EXPECT_EQ(t[0].y, 112);
        std::string line = c.line;
        line.resize(47, ' ');
        EXPECT_EQ(t[1].s, line);
        EXPECT_EQ(t[1].y, 130);
    }
    // A year not yet completed by the inversion reads from the scaled digits.
    fresh_window();
    TIMEBK.IYR = 71;
    TIMEBK.IYR4 = 0;
    PLOTSSN();
    EXPECT_EQ(texts()[0].s.substr(0, 13), " TIME : 1971/");
}

}  // namespace
