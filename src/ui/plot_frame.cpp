// Graphics window set-up, fonts, the plot frame, the station line and the
// time and sunspot header.
#include "ui/plot_frame.h"

#include <cmath>
#include <string>
#include <vector>

#include "blocks/numeric.h"
#include "blocks/peltartrueh.h"
#include "blocks/run_state.h"
#include "inversion/stage_plots.h"
#include "models/model_files.h"
#include "notation/fixed_format.h"
#include "platform/graphics.h"
#include "platform/text_units.h"
#include "ui/plots.h"

namespace kolm::ui {

namespace gfx = platform::gfx;

namespace {

constexpr std::string_view FONTS[6] = {"T'HELV '  ", "T'COURIER'", "T'TMS RMN'",
                                       "T'MODERN' ", "T'SCRIPT' ", "T'ROMAN'  "};

constexpr int32_t BLACK = gfx::rgb(0, 0, 0);
constexpr int32_t YELLOW = gfx::rgb(255, 255, 0);

const fmt::Format FMT_LINE("(80A)");
const fmt::Format FMT_I2("(I2)");
const fmt::Format FMT_I3("(I3)");
const fmt::Format FMT_I4("(I4)");
const fmt::Format FMT_F51("(F5.1)");
const fmt::Format FMT_F62("(F6.2)");

constexpr int32_t STATION_UNIT = 4;

struct Station {
    int32_t number;
    float lat, lon;
    std::string name;  // columns 5-22
};

// "STATION.LST" as read in this run, kept with the file's identity.
struct StationList {
    ModelFile file;
    std::vector<Station> stations;
};
StationList station_list;
const RunStateReset station_list_reset([] { station_list = StationList{}; });

// A five-character coordinate field: digits with place values 100, 10,
// 1, 0.1, ...; a blank or "-" takes a place and sets the sign; "." is
// skipped.
float coordinate(const char* f) {
    float value = 0.0f, place = 100.0f, sign = 1.0f;
    for (int i = 0; i < 5; ++i) {
        char c = f[i];
        if (c == ' ') {
            sign = 1.0f;
            place /= 10.0f;
        } else if (c == '-') {
            sign = -1.0f;
            place /= 10.0f;
        } else if (c != '.') {
            value += float(c - '0') * place;
            place /= 10.0f;
        }
    }
    return sign * value;
}

// The list, read again when the file is new or changed; empty while there is none.
void load_stations() {
    std::string path;
    platform::FileIdentity now;
    const FileCheck check = check_model_file("STATION.LST", station_list.file, path, now);
    if (check == FileCheck::held) return;
    station_list.stations.clear();
    if (check == FileCheck::missing) return;
    // A file that cannot be opened is looked at again at the next call.
    if (platform::open_unit(STATION_UNIT, path, platform::UnitMode::read) != 0) return;
    hold_model_file(station_list.file, now);
    char line[80];
    for (;;) {
        std::fill(line, line + 80, ' ');
        if (fmt::read(STATION_UNIT, FMT_LINE, {fmt::InItem::chars(line, 80)}) != platform::IoStat::ok) break;
        Station s;
        s.number = 100 * (line[33] - '0') + 10 * (line[34] - '0') + (line[35] - '0');
        s.lat = coordinate(line + 46);
        s.lon = coordinate(line + 54);
        s.name.assign(line + 4, 18);
        station_list.stations.push_back(std::move(s));
    }
    platform::close_unit(STATION_UNIT);
}

std::string num(const fmt::Format& f, int32_t v) {
    std::string s;
    fmt::write_text(s, f, {v});
    return s;
}
std::string num(const fmt::Format& f, float v) {
    std::string s;
    fmt::write_text(s, f, {v});
    return s;
}
// "(I2)" with a leading "0" below 10.
std::string two_digits(int32_t v) {
    std::string s = num(FMT_I2, v);
    if (v >= 0 && v < 10) s[0] = '0';
    return s;
}

void text_at(int32_t x, int32_t y, std::string_view text) {
    gfx::move_to(x, y);
    gfx::draw_text(text);
}

void line(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    gfx::move_to(x1, y1);
    gfx::line_to(x2, y2);
}

int32_t saturate(int64_t v) { return v > INT32_MAX ? INT32_MAX : (v < INT32_MIN ? INT32_MIN : int32_t(v)); }

}  // namespace

void GRAPHMODE() {
    PLOTWN.P(plotwn::GRAPHICS) = 1;
    gfx::WindowConfig c;
    c.title = "KOLM421";
    gfx::set_window_config(c);
    c = gfx::window_config();
    PLOTWN.P(plotwn::XMAX) = c.width - 1;
    PLOTWN.P(plotwn::YMAX) = c.height - 1;
    gfx::set_background(gfx::rgb(255, 255, 255));
    install_stage_drawing();
}

void FONTSET(int16_t IFONT, std::string_view HEIGHT, std::string_view WIDTH) {
    if (gfx::register_fonts("*.FON") < 0) gfx::register_fonts("\\*.FON");
    if (IFONT < 1 || IFONT > 6) return;  // no such font: the current one stays
    std::string opt(FONTS[IFONT - 1]);
    auto field = [&](std::string_view v) {
        std::string f(v.substr(0, 3));
        f.resize(3, ' ');
        opt += f;
    };
    opt += 'H';
    field(HEIGHT);
    opt += 'W';
    field(WIDTH);
    opt += 'B';
    opt.resize(30, ' ');
    gfx::select_font(opt);
}

bool plotting() { return PLOTWN.P(plotwn::GRAPHICS) != 0 && gfx::drawing(); }

int32_t frame_scale() { return PLOTWN.P(plotwn::FSCALE) > 0 ? PLOTWN.P(plotwn::FSCALE) : 1; }

int32_t plot_x(float f) {
    return saturate(int64_t(PLOTWN.P(plotwn::LEFT)) + trunc_i32(f / 0.025f + 0.005f) / frame_scale());
}

int32_t plot_y(float h) { return saturate(int64_t(PLOTWN.P(plotwn::BOTTOM)) - trunc_i32(h / 2.0f + 0.5f)); }

void SETCOORD() {
    if (PLOTWN.P(plotwn::GRAPHICS) == 0) return;
    const int32_t S = frame_frequency_scale();
    PLOTWN.P(plotwn::FSCALE) = S;
    const int32_t X0 = 200, Y0 = 150, X1 = X0 + 560, Y1 = Y0 + 350;
    PLOTWN.P(plotwn::LEFT) = X0;
    PLOTWN.P(plotwn::TOP) = Y0;
    PLOTWN.P(plotwn::RIGHT) = X1;
    PLOTWN.P(plotwn::BOTTOM) = Y1;
    if (!gfx::drawing()) return;

    FONTSET(3, "16 ", "7  ");
    gfx::set_colour(BLACK);
    for (int32_t i = 0; i <= 2; ++i) gfx::rectangle(false, X0 - i, Y0 - i, X1 + i, Y1 + i);

    for (int32_t j = 1; j <= 35; ++j) line(X0, Y1 - 10 * j, X0 + 2, Y1 - 10 * j);
    gfx::set_colour(YELLOW);
    for (int32_t j = 1; j <= 6; ++j) line(X0, Y1 - 50 * j, X1, Y1 - 50 * j);
    gfx::set_colour(BLACK);
    for (int32_t j = 1; j <= 35; ++j) line(X1, Y1 - 10 * j, X1 - 2, Y1 - 10 * j);

    for (int32_t j = 1; j <= 28; ++j) line(X0 + 20 * j, Y1, X0 + 20 * j, Y1 - 2);
    for (int32_t j = 1; j <= 14; ++j) line(X0 + 40 * j, Y1, X0 + 40 * j, Y1 - 5);
    for (int32_t j = 1; j <= 28; ++j) line(X0 + 20 * j, Y0, X0 + 20 * j, Y0 + 2);
    for (int32_t j = 1; j <= 14; ++j) line(X0 + 40 * j, Y0, X0 + 40 * j, Y0 + 5);

    for (int32_t j = 0; j <= 6; ++j) text_at(X0 - 30, Y1 - 7 - 50 * j, num(FMT_I3, 100 * j));
    text_at(X0 - 30 - 6, Y1 - 7 - 350 + 2, "[km]");

    gfx::move_to(X0 - 60, Y0 + 250);
    FONTSET(3, "20 ", "10 ");
    gfx::set_text_rotation(900);
    gfx::draw_text("HEIGHT (km)");
    gfx::set_text_rotation(0);

    FONTSET(3, "16 ", "7  ");
    for (int32_t j = 1; j <= 14; ++j) text_at(X0 - 12 + 40 * (j - 1), Y1 + 5, num(FMT_I3, (j - 1) * S));
    text_at(X0 - 12 + 40 * 14 - 15, Y1 + 5, "[MHz]");

    gfx::move_to(X0 + 150, Y1 + 20);
    FONTSET(3, "20 ", "10 ");
    gfx::draw_text("FREQUENCY (MHz)");

    FONTSET(3, "16 ", "8  ");
    std::string name;
    GETSTNAME(PLOTWN.P(plotwn::STATION), FLDPAR.FOESQ, FLDPAR.FMAXSQ, name);
    text_at(X0, Y0 - 75, " STATION : " + name);
    text_at(X0, Y0 - 57,
            " GEO. LAT./LONG. : " + num(FMT_F62, FLDPAR.FOESQ) + "/" + num(FMT_F62, FLDPAR.FMAXSQ));
}

void GETSTNAME(int32_t ISTN, float LAT, float LON, std::string& NAME) {
    NAME = "NO NAME";
    load_stations();
    for (const Station& s : station_list.stations) {
        const float tol = s.number == ISTN ? 1.0f : 0.1f;
        if (std::fabs(s.lon - LON) < tol && std::fabs(s.lat - LAT) < tol) {
            NAME = s.name;
            break;
        }
    }
    NAME.resize(20, ' ');
}

void PLOTSSN() {
    if (!plotting()) return;
    gfx::set_colour(BLACK);
    const int32_t X0 = PLOTWN.P(plotwn::LEFT), Y0 = PLOTWN.P(plotwn::TOP);
    // The year in four digits (the two scaled digits after "19" would read
    // 1905 for 2005).
    int32_t year = TIMEBK.IYR4;
    if (year <= 0) {
        year = TIMEBK.IYR;
        if (year < 1000) year += year > 70 ? 1900 : 2000;
    }
    std::string time = " TIME : " + num(FMT_I4, year) + "/" + num(FMT_I3, int32_t(TIMEBK.IDAY)) + "(MONTH:" +
                       num(FMT_I2, int32_t(TIMEBK.MONTH)) + " DATE:" + num(FMT_I2, int32_t(TIMEBK.MDAY)) + ")/" +
                       two_digits(TIMEBK.IHR) + ":" + two_digits(TIMEBK.MINU) + ":" + two_digits(TIMEBK.ISEC) +
                       "(UT)";
    text_at(X0, Y0 - 38, time);

    const int32_t ssn = trunc_i32(FLDPAR.SSNREC);
    const bool observed = FLDPAR.SSNDEV == 0.0f;
    std::string sun = " SUNSPOT : " + num(FMT_I3, ssn);
    if (ssn != OPTS.ISSN) {
        sun += "(OLD)," + num(FMT_I3, int32_t(OPTS.ISSN));
        sun += observed ? "(NEW, OBSERVED) " : "+/-" + num(FMT_F51, FLDPAR.SSNDEV) + "(NEW, PREDICTED)";
    } else {
        sun += observed ? "(OBSERVED)" : "+/-" + num(FMT_F51, FLDPAR.SSNDEV) + "(PREDICTED)";
    }
    sun.resize(47, ' ');
    text_at(X0, Y0 - 20, sun);
}

}  // namespace kolm::ui
