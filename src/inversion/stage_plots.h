// Plots of the inversion's stages: the dispatcher the solvers call with a
// stage number, and the curves of ordinary- and extraordinary-ray virtual
// heights recomputed from the solved profile.
//
// The inversion computes; the user interface draws. The curves and what
// they leave in the section state (FSTART, FEND, A) are computed here
// whether or not anything is drawn, so no result depends on the plots. The
// drawing goes to the StageDrawing that the user interface installs; with
// none installed, or while it is not active, nothing is drawn or formatted.
#pragma once

#include <cstdint>

#include "platform/graphics.h"

namespace kolm {

// Colours of the stages (0x00BBGGRR).
inline constexpr int32_t PLOT_RED = platform::gfx::rgb(255, 0, 0);        // trace, sections, valley, topside
inline constexpr int32_t PLOT_GREEN = platform::gfx::rgb(0, 128, 0);      // data points, recomputed heights
inline constexpr int32_t PLOT_TEAL = platform::gfx::rgb(0, 128, 128);     // reduced virtual heights
inline constexpr int32_t PLOT_MAGENTA = platform::gfx::rgb(255, 0, 255);  // recomputed heights, own layer
inline constexpr int32_t PLOT_SILVER = platform::gfx::rgb(192, 192, 192); // E part, F1 part
inline constexpr int32_t PLOT_CYAN = platform::gfx::rgb(0, 255, 255);     // valley part
inline constexpr int32_t PLOT_BLUE = platform::gfx::rgb(0, 0, 255);       // extraordinary ray

// A point of a recomputed curve: frequency (MHz) and virtual height (km,
// at most 700).
struct CurvePoint {
    float f, hv;
};

// Most points of one recomputed curve.
inline constexpr int MAX_CURVE_POINTS = 1024;

// The drawing side of the stage plots.
class StageDrawing {
public:
    // Something is drawn and kept; the extraordinary-ray curve, which only
    // the plot uses, is computed only then.
    virtual bool active() const = 0;
    virtual void trace() = 0;   // the working trace
    virtual void header() = 0;  // time and sunspot lines
    // Section FA..FB with peak height HB and N coefficients A, in colour.
    virtual void section(int32_t colour, float FA, float FB, float HB, int32_t N, const float* A) = 0;
    // Valley from F0 (height H0) down to F1 with three coefficients C,
    // then up by DH1 and back to F0 by DH2.
    virtual void valley(float F1, float F0, float H0, const float* C, float DH1, float DH2) = 0;
    virtual void topside(int16_t colour, int16_t mode) = 0;
    virtual void data(int32_t mode) = 0;  // data points of the section
    // A recomputed curve: the first point a move, the others lines.
    virtual void curve(int32_t colour, const CurvePoint* points, int32_t n) = 0;

protected:
    ~StageDrawing() = default;
};

// Installs the drawing side; nullptr for none.
// Reads: no block.
// Writes: no block.
void set_stage_drawing(StageDrawing* drawing);

// Frequency divisor of the plot frame: 2 when foF2 is above 13 MHz (the
// frame then spans 28 MHz), else 1.
// Reads: SCLCHR.
// Writes: no block.
int32_t frame_frequency_scale();

// Stages of EVFPLOT.
namespace evf {
inline constexpr int32_t TRACE = 0;     // the working trace
inline constexpr int32_t E_LAYER = 1;   // E layer, time and sunspot lines, recomputed curves
inline constexpr int32_t VALLEY = 2;    // the valley
inline constexpr int32_t F1_LAYER = 3;  // F1 layer and its recomputed curves
inline constexpr int32_t F2_LAYER = 4;  // F2 layer, topside and recomputed curves
inline constexpr int32_t NONE = 5;      // called after each layer's plot; draws nothing
inline constexpr int32_t DATA = 10;     // the data points of the section (so does any other number)
}  // namespace evf

// Stage plot by MODE (evf::). Nothing while IDEBUG > 3.
// Reads: LAYCOF, OPTS, VALPAR.
// Writes: no block of its own (see PLOTRECV, PLOTRECX).
void EVFPLOT(int32_t MODE);

// Recomputed ordinary-ray virtual heights of region IRGN by RECVIRT MODE
// (1..5), drawn from FC(IRGN) to FC(IRGN+1) in steps of 0.1 S MHz; points
// above 600 km in the lower 80 % of the range are left out, heights are
// drawn at most at 700 km. Leaves FSTART = FC(IRGN), FEND = FC(IRGN+1)
// and, through RECVIRT, A holding the region's coefficients.
// Reads: LAYCOF, LAYCTL, SCLCHR.
// Writes: TRCSEC (FEND, FSTART); A through RECVIRT.
void PLOTRECV(int32_t MODE);

// Recomputed extraordinary-ray virtual heights of region IRGN (MODE as for
// RECVIRTX, 5 in use), between the X frequencies that reflect at the
// region's ends. Same section state left as PLOTRECV.
// Reads: FLDPAR, LAYCOF, LAYCTL, SCLCHR.
// Writes: LAYCOF (A), TRCSEC (FEND, FSTART); XRAYWK through RECVIRTX.
void PLOTRECX(int32_t MODE);

}  // namespace kolm
