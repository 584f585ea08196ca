// The cover screen: title, frames and the program's description, then the
// specification dialog.
#include <cstdint>
#include <string>

#include "blocks/peltartrueh.h"
#include "platform/graphics.h"
#include "ui/cover.h"
#include "ui/plot_frame.h"

namespace kolm::ui {

namespace {

namespace gfx = platform::gfx;

int32_t trunc_px(float v) { return int32_t(v); }

void text_at(int32_t x, int32_t y, int32_t height, int32_t width, const std::string& text) {
    FONTSET(3, std::to_string(height), std::to_string(width));
    gfx::move_to(x, y);
    gfx::draw_text(text);
}

}  // namespace

void COVER(const char* VERSION, char& CONV, std::string& PROG, int32_t& ISTD, std::string& INNAME,
           std::string& OUTNAME, float& HSTEP, float& ERRMAX) {
    const int32_t W = PLOTWN.P(plotwn::XMAX), H = PLOTWN.P(plotwn::YMAX);
    const float sx = float(W) / 640.0f, sy = float(H) / 480.0f;
    const int32_t band = H / 20 + trunc_px(100.0f * sy);  // bottom of the title box

    gfx::set_colour_index(1);
    gfx::rectangle(true, 0, 0, W, H);
    gfx::set_colour_index(6);
    for (int32_t k = 0; k <= 2; ++k) {
        gfx::rectangle(false, k, k, W - 18 - k, H - 103 - k);
        gfx::rectangle(false, 7 + k, 7 + k, W - 25 - k, band + 85 - k);
        gfx::rectangle(false, 7 + k, band + 92 - k, W - 25 - k, H - 110 - k);
    }
    const int32_t s = W > 1000 ? 10 : 5;
    const int32_t x0 = W / 2 - trunc_px(230.0f * sx), y0 = H / 20;
    gfx::set_colour_index(15);
    gfx::rectangle(true, x0, y0, W - x0, y0 + trunc_px(100.0f * sy));
    gfx::set_colour_index(8);
    gfx::rectangle(true, x0 + s, y0 + s, W - x0 - s, y0 + trunc_px(100.0f * sy) - s);
    gfx::set_colour_index(15);

    gfx::register_fonts("*.FON");
    text_at(W / 2 - trunc_px(80.0f * sx), H / 10 - trunc_px(40.0f * sy), trunc_px(15.0f * sx), trunc_px(8.0f * sy),
            "WELCOME  TO");
    text_at(W / 2 - trunc_px(160.0f * sx), H / 20, trunc_px(100.0f * sx), trunc_px(50.0f * sy), "KOLM");
    text_at(W / 2 + trunc_px(50.0f * sx), H / 20 + trunc_px(80.0f * sy), trunc_px(16.0f * sx), trunc_px(8.0f * sy),
            "VERSION " + std::string(VERSION + 4, 4));

    gfx::set_colour_index(13);
    const int32_t xt = W / 2 - trunc_px(290.0f * sx) - 10, yt = band + 10;
    gfx::move_to(xt, yt);
    gfx::draw_text("The program KOLM inverts ionogram trace data with any format into electron");
    gfx::move_to(xt, yt + 30);
    gfx::draw_text("density profiles N(h). The SAO data format is always used for output files.");
    gfx::set_colour_index(15);

    DODIALOG1(CONV, PROG, ISTD, INNAME, OUTNAME, HSTEP, ERRMAX);
}

}  // namespace kolm::ui
