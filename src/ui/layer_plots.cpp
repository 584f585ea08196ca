// The inversion's stage plots drawn into the frame: the trace, the data
// points of a section, the valley, the topside and the recomputed curves.
#include <cmath>

#include "blocks/peltarscale.h"
#include "blocks/peltartrueh.h"
#include "inversion/stage_plots.h"
#include "platform/graphics.h"
#include "sections/coef_reexpression.h"
#include "ui/plot_frame.h"
#include "ui/plots.h"

namespace kolm::ui {

namespace gfx = platform::gfx;

namespace {

constexpr int32_t MAXSTEPS = 4096;  // frequency or height steps of one curve

// A 5-pixel circle around (f, h); none where it could not show.
void marker(float f, float h) {
    const int32_t x = plot_x(f), y = plot_y(h);
    if (x < -2 || x > gfx::WINDOW_WIDTH + 2 || y < -2 || y > gfx::WINDOW_HEIGHT + 2) return;
    gfx::ellipse(false, x - 2, y - 2, x + 2, y + 2);
}

// The stage plots of the inversion drawn by the routines below.
class FrameDrawing final : public StageDrawing {
public:
    bool active() const override { return plotting(); }
    void trace() override { PLOTRACE(); }
    void header() override { PLOTSSN(); }
    void section(int32_t colour, float FA, float FB, float HB, int32_t N, const float* A) override {
        PLOTPROF(colour, FA, FB, HB, N, A);
    }
    void valley(float F1, float F0, float H0, const float* C, float DH1, float DH2) override {
        PLOTPOLV(F1, F0, H0, C, DH1, DH2);
    }
    void topside(int16_t colour, int16_t mode) override { PLOTTOP(colour, mode); }
    void data(int32_t mode) override { PLOTDATA(mode); }
    void curve(int32_t colour, const CurvePoint* points, int32_t n) override { draw_curve(colour, points, n); }
};
FrameDrawing frame_drawing;

}  // namespace

void install_stage_drawing() { set_stage_drawing(&frame_drawing); }

void PLOTPOLV(float F1, float F0, float H0, const float* C, float DH1, float DH2) {
    if (!plotting()) return;
    gfx::set_colour(PLOT_RED);
    gfx::move_to(plot_x(F0), plot_y(H0));
    if (!(F0 > F1) || !(F1 > 0.0f)) return;
    // Down from the valley's start to its floor in steps of 0.1 S MHz.
    const float step = 0.1f * float(frame_scale());
    float h = H0;
    for (int32_t k = 1;; ++k) {
        float f = F0 - float(k) * step;
        if (!(f > F1) || k >= MAXSTEPS) f = F1;
        h = H0 - section_curve(C, 3, section_coordinate(f, F1, F0));
        gfx::line_to(plot_x(f), plot_y(h));
        if (f <= F1) break;
    }
    // The floor, then the rise back to the valley's start frequency.
    h += DH1;
    gfx::line_to(plot_x(F1), plot_y(h));
    if (DH2 > 0.0f) gfx::line_to(plot_x(F0), plot_y(h + DH2));
}

void PLOTRACE() {
    if (!plotting()) return;
    gfx::set_colour(PLOT_RED);
    const auto& W = TRCWRK;
    for (int K = 1; K <= MAXTRC; ++K) {
        if (W.TF(K) == 0.0f) break;
        if (W.TH(K) == 0.0f || W.TH(K) > 700.0f) continue;
        marker(W.TF(K), W.TH(K));
    }
}

void PLOTDATA(int32_t MODE) {
    if (!plotting()) return;
    const auto& T = TRCSEC;
    const int n = T.NFQ < MAXTRC ? T.NFQ : MAXTRC;
    if (n <= 0) return;
    gfx::set_colour(MODE == 2 ? PLOT_TEAL : PLOT_GREEN);
    for (int K = 1; K <= n; ++K) {
        const float h = MODE == 2 ? REDHV.REDHV(K) : T.PPO(K);
        if (h > 700.0f) continue;
        marker(T.FK(K), h);
    }
}

void PLOTTOP(int16_t ICOLOR, int16_t MODE) {
    if (!plotting()) return;
    // A scale height not computed (9999.0) would draw foF2 straight up.
    const float H = DERPAR.SHF;
    if (!(H > 0.0f) || H >= NOTCOMPUTED) return;
    const float fo = LAYCOF.FC(4), zm = LAYCOF.ZMF2;
    const float k = MODE == 1 ? 0.25f : 0.5f;
    const float S = float(frame_scale());
    gfx::set_colour(uint16_t(ICOLOR));
    for (int32_t j = 0; j < MAXSTEPS; ++j) {
        const float h = zm + 5.0f * float(j);
        const float z = (h - zm) / H;
        const float f = fo * std::exp(k * (1.0f - z - std::exp(-z)));
        if (!(f > 0.6f)) break;
        const float limit = fo > 7.0f && f / S < 7.0f ? 600.0f : 700.0f;
        if (!(h <= limit)) break;
        // Every other 5 km piece drawn: dashes.
        if (j % 2 == 0)
            gfx::move_to(plot_x(f), plot_y(h));
        else
            gfx::line_to(plot_x(f), plot_y(h));
    }
}

void draw_curve(int32_t colour, const CurvePoint* points, int32_t n) {
    if (!plotting() || n <= 0) return;
    gfx::set_colour(colour);
    gfx::move_to(plot_x(points[0].f), plot_y(points[0].hv));
    for (int32_t i = 1; i < n; ++i) gfx::line_to(plot_x(points[i].f), plot_y(points[i].hv));
}

}  // namespace kolm::ui
