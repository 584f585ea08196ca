// Stage plots of the inversion and the recomputed virtual-height curves.
#include "inversion/stage_plots.h"

#include <cmath>

#include "blocks/peltarscale.h"
#include "blocks/peltartrueh.h"
#include "inversion/recomputed_virtual.h"
#include "inversion/xray_virtual.h"

namespace kolm {

namespace {

// Draws nothing: the stage plots without a drawing side.
class NoDrawing final : public StageDrawing {
public:
    bool active() const override { return false; }
    void trace() override {}
    void header() override {}
    void section(int32_t, float, float, float, int32_t, const float*) override {}
    void valley(float, float, float, const float*, float, float) override {}
    void topside(int16_t, int16_t) override {}
    void data(int32_t) override {}
    void curve(int32_t, const CurvePoint*, int32_t) override {}
};
NoDrawing no_drawing;
StageDrawing* stage_drawing = &no_drawing;

constexpr float FRAME_MHZ = 14.0f;  // frame width at scale 1
constexpr float MAXHV = 700.0f;     // top of the frame, km

// Points of a recomputed curve from first to last (the last step clipped to
// it) in steps of step; HV(f) gives the height. A point is left out when its
// height is negative (or not a number), or above 600 km below fmid; heights
// are drawn at most at 700 km. The curve ends after the last frequency, after
// a drawn point at 700 km, after the first frequency beyond the frame, or
// after MAX_CURVE_POINTS steps.
template <class Height>
int32_t recomputed_curve(float first, float last, float step, float fmid, Height HV, CurvePoint* pts) {
    const float edge = FRAME_MHZ * float(frame_frequency_scale());
    int32_t n = 0;
    for (int k = 0; k < MAX_CURVE_POINTS; ++k) {
        float f = first + float(k) * step;
        if (!(f < last)) f = last;
        const float hv = HV(f);
        const bool drawn = hv >= 0.0f && !(hv > 600.0f && f < fmid);
        if (drawn) pts[n++] = {f, hv > MAXHV ? MAXHV : hv};
        if (!(f < last) || (drawn && hv >= MAXHV) || f > edge) break;
    }
    return n;
}

}  // namespace

void set_stage_drawing(StageDrawing* drawing) { stage_drawing = drawing != nullptr ? drawing : &no_drawing; }

int32_t frame_frequency_scale() { return SCLCHR.FOF2 > 13.0f ? 2 : 1; }

void EVFPLOT(int32_t MODE) {
    if (OPTS.IDEBUG > 3) return;
    StageDrawing& d = *stage_drawing;
    const auto& C = LAYCOF;
    const auto& V = VALPAR;
    switch (MODE) {
        case evf::TRACE:
            d.trace();
            break;
        case evf::E_LAYER:
            d.header();
            d.section(PLOT_RED, C.FC(1), C.FC(2), C.ZME, 3, C.AE.data());
            PLOTRECV(RV_ALL);
            PLOTRECX(RV_ALL);
            break;
        case evf::VALLEY:
            d.valley(V.FVAL, V.FVAL0, C.ZME, V.AVAL.data(), V.WV3, V.WV4);
            break;
        case evf::F1_LAYER:
            d.section(PLOT_RED, C.FC(2), C.FC(3), C.ZMF1, 5, C.AF1.data());
            PLOTRECV(RV_ALL);
            PLOTRECX(RV_ALL);
            break;
        case evf::F2_LAYER:
            d.section(PLOT_RED, C.FC(3), C.FC(4), C.ZMF2, 5, C.AF2.data());
            d.topside(int16_t(PLOT_RED), 2);
            PLOTRECV(RV_ALL);
            PLOTRECX(RV_ALL);
            break;
        case evf::NONE:
            break;
        default:
            d.data(1);
            break;
    }
}

void PLOTRECV(int32_t MODE) {
    const int irgn = LAYCTL.IRGN;
    if (irgn < 1 || irgn > 3) return;
    // 1. Colour; the parts a region does not have are not drawn.
    int32_t colour;
    switch (MODE) {
        case RV_OWN: colour = PLOT_MAGENTA; break;
        case RV_E: colour = PLOT_SILVER; break;
        case RV_VALLEY: colour = PLOT_CYAN; break;
        case RV_F1: colour = PLOT_SILVER; break;
        case RV_ALL: colour = PLOT_GREEN; break;
        default: return;
    }
    if ((MODE == RV_E || MODE == RV_VALLEY) && irgn == 1) return;
    if (MODE == RV_F1 && irgn <= 2) return;
    // 2. The region's range; the parts start and end 0.01 MHz inside it.
    auto& T = TRCSEC;
    T.FSTART = LAYCOF.FC(irgn);
    T.FEND = LAYCOF.FC(irgn + 1);
    const float first = MODE == RV_OWN ? T.FSTART : T.FSTART + 0.01f;
    const float last = MODE == RV_OWN || MODE == RV_ALL ? T.FEND : T.FEND - 0.01f;
    const float fm = T.FSTART + 0.8f * (T.FEND - T.FSTART);
    // 3., 4. The curve.
    CurvePoint pts[MAX_CURVE_POINTS];
    const int32_t n = recomputed_curve(first, last, 0.1f * float(frame_frequency_scale()), fm,
                                       [MODE](float f) {
                                           float hv;
                                           RECVIRT(f, hv, int16_t(MODE));
                                           return hv;
                                       },
                                       pts);
    stage_drawing->curve(colour, pts, n);
}

void PLOTRECX(int32_t MODE) {
    const int irgn = LAYCTL.IRGN;
    if (irgn < 1 || irgn > 3) return;
    auto& T = TRCSEC;
    T.FSTART = LAYCOF.FC(irgn);
    T.FEND = LAYCOF.FC(irgn + 1);
    const float FH = FLDPAR.FH;
    // No X trace of a region that ends at or below the gyrofrequency.
    if (!(T.FEND > FH)) return;
    if (!stage_drawing->active()) {
        // Only the plot uses the curve; what computing it would leave behind
        // is the region's coefficients in A.
        if (MODE != RV_E && MODE != RV_VALLEY && MODE != RV_F1) load_region_coefficients(irgn);
        return;
    }
    // The X frequencies that reflect at the region's ends, 0.1 MHz inside
    // at the start and 0.01 MHz at the top.
    constexpr float DF = 0.1f;
    const float fxa = (std::sqrt(4.0f * T.FSTART * T.FSTART + FH * FH) + FH) / 2.0f + DF;
    const float fxb = (std::sqrt(4.0f * T.FEND * T.FEND + FH * FH) + FH) / 2.0f - DF / 10.0f;
    const float fmid = (fxa + fxb) / 2.0f;
    CurvePoint pts[MAX_CURVE_POINTS];
    const int32_t n = recomputed_curve(fxa, fxb, DF * float(frame_frequency_scale()), fmid,
                                       [MODE](float f) {
                                           float hv;
                                           RECVIRTX(f, hv, MODE);
                                           return hv;
                                       },
                                       pts);
    stage_drawing->curve(PLOT_BLUE, pts, n);
}

}  // namespace kolm
