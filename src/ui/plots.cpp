// Plots of the inversion's stages.
#include "ui/plots.h"

#include "blocks/peltartrueh.h"
#include "platform/graphics.h"
#include "sao/sao_record.h"
#include "sections/coef_reexpression.h"
#include "ui/plot_frame.h"

namespace kolm::ui {

namespace gfx = platform::gfx;

namespace {

// Colour of the stored profile sections of the record.
constexpr int32_t YELLOW = gfx::rgb(255, 255, 0);

}  // namespace

void PLOTPROF(int32_t ICOLOR, float FA, float FB, float HB, int32_t N, const float* A) {
    if (!plotting()) return;
    if (FA <= 0.0f || FB <= FA) return;
    const int32_t Y1 = PLOTWN.P(plotwn::BOTTOM);
    const float S = float(frame_scale());

    int32_t top;
    if (LAYCTL.IRGN == 1) top = Y1 - 200;
    else if (LAYCTL.IRGN == 2) top = Y1 - 250;
    else top = FB >= 6.0f * S ? Y1 - 350 : Y1 - 300;
    gfx::set_colour(YELLOW);
    const int32_t xb = plot_x(FB);
    gfx::move_to(xb, Y1);
    gfx::line_to(xb, top);

    gfx::set_colour(ICOLOR);
    float h = HB;
    for (int32_t i = 0; i < N; ++i) h += A[i];
    gfx::move_to(plot_x(FA), plot_y(h));
    // Steps of 0.1 S MHz; a section reaching far beyond the frame (a damaged
    // record) ends with one line to its top instead of endless steps.
    constexpr int32_t MAXSTEPS = 4096;
    const float step = 0.1f * S;
    for (int32_t k = 1;; ++k) {
        float f = FA + float(k) * step;
        if (f > FB || k >= MAXSTEPS) f = FB;
        gfx::line_to(plot_x(f), plot_y(HB + section_curve(A, N, section_coordinate(f, FA, FB))));
        if (f >= FB) break;
    }
}

void plot_stored_profiles(const SaoRecord& rec) {
    gfx::clear();
    SETCOORD();
    struct Stored {
        int32_t group;
        const FArray<float, 20>& items;
        int16_t region;
    };
    const Stored stored[] = {{39, rec.G39, 1}, {38, rec.G38, 2}, {37, rec.G37, 3}};
    for (const Stored& g : stored) {
        if (rec.DFI(g.group) <= 0) continue;
        // The E section has three coefficients, the F sections five.
        const int ncoef = g.group == 39 ? 3 : 5;
        for (int i = 1; i <= 5; ++i) LAYCOF.A(i) = i <= ncoef ? g.items(4 + i) : 0.0f;
        LAYCTL.IRGN = g.region;
        PLOTPROF(YELLOW, g.items(1), g.items(2), g.items(3), 5, LAYCOF.A.data());
    }
}

}  // namespace kolm::ui
