// The inversion's stage plots in the frame, as display lists: trace and
// data points, the valley, the dashed topside, the stages in their colours,
// the rules of the recomputed curves, and nothing drawn without a sink.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "blocks/peltarscale.h"
#include "blocks/peltartrueh.h"
#include "blocks/run_state.h"
#include "inversion/gauss_integral.h"
#include "inversion/profil1.h"
#include "inversion/stage_plots.h"
#include "platform/graphics.h"
#include "ui/plot_frame.h"
#include "ui/plots.h"

namespace kolm::ui {
namespace {

namespace gfx = platform::gfx;

std::vector<gfx::Op> ops_of(gfx::OpKind kind, int32_t colour = -1) {
    std::vector<gfx::Op> out;
    for (const auto& op : gfx::page().ops)
        if (op.kind == kind && (colour < 0 || op.colour == colour)) out.push_back(op);
    return out;
}

bool has_text_starting(std::string_view start) {
    const gfx::Page& p = gfx::page();
    for (const auto& op : p.ops)
        if (op.kind == gfx::OpKind::text && p.text(op).starts_with(start)) return true;
    return false;
}

class LayerPlots : public ::testing::Test {
protected:
    void SetUp() override {
        reset_run_state();
        gfx::reset();
        GRAPHMODE();
        frame(8.0f);
    }
    void TearDown() override {
        set_stage_drawing(nullptr);
        gfx::reset();
    }
    void frame(float fof2) {
        SCLCHR.FOF2 = fof2;
        SETCOORD();
        gfx::clear();
    }
    // A solved E region from 0.5 to 3 MHz (peak 110 km, start 95 km) in a field.
    void e_region() {
        SETCV();
        GOGXCOM(1.1f);
        FLDPAR.FH = 1.2f;
        LAYCTL.IRGN = 1;
        LAYCOF.FC(1) = 0.5f;
        LAYCOF.FC(2) = 3.0f;
        LAYCOF.ZME = 110.0f;
        const float ae[3] = {-12.0f, -3.0f, 0.0f};
        for (int i = 1; i <= 3; ++i) LAYCOF.AE(i) = ae[i - 1];
        DERPAR.HSTART = 95.0f;
    }
};

TEST_F(LayerPlots, TracePointsUpToTheFirstZeroFrequency) {
    const float tf[] = {1.0f, 1.5f, 2.0f, 2.5f, 3.0f, 0.0f, 4.0f};
    const float th[] = {100.0f, 0.0f, 750.0f, 700.0f, 200.0f, 300.0f, 250.0f};
    for (int k = 0; k < 7; ++k) {
        TRCWRK.TF(k + 1) = tf[k];
        TRCWRK.TH(k + 1) = th[k];
    }
    EVFPLOT(0);
    const auto e = ops_of(gfx::OpKind::ellipse);
    ASSERT_EQ(e.size(), 3u) << "height 0 and above 700 km left out, nothing after frequency 0";
    const float drawn[3][2] = {{1.0f, 100.0f}, {2.5f, 700.0f}, {3.0f, 200.0f}};
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(e[k].colour, PLOT_RED);
        EXPECT_EQ(e[k].x1, plot_x(drawn[k][0]) - 2);
        EXPECT_EQ(e[k].x2, plot_x(drawn[k][0]) + 2);
        EXPECT_EQ(e[k].y1, plot_y(drawn[k][1]) - 2);
        EXPECT_EQ(e[k].y2, plot_y(drawn[k][1]) + 2);
    }
}

TEST_F(LayerPlots, DataPointsObservedOrReduced) {
    EVFPLOT(10);
    EXPECT_TRUE(gfx::page().ops.empty()) << "a section without points";
    TRCSEC.NFQ = 3;
    const float fk[] = {4.0f, 4.5f, 5.0f}, ppo[] = {250.0f, 701.0f, 270.0f}, red[] = {150.0f, 160.0f, 800.0f};
    for (int k = 0; k < 3; ++k) {
        TRCSEC.FK(k + 1) = fk[k];
        TRCSEC.PPO(k + 1) = ppo[k];
        REDHV.REDHV(k + 1) = red[k];
    }
    EVFPLOT(10);
    auto e = ops_of(gfx::OpKind::ellipse, PLOT_GREEN);
    ASSERT_EQ(e.size(), 2u);
    EXPECT_EQ(e[0].y1, plot_y(250.0f) - 2);
    EXPECT_EQ(e[1].x1, plot_x(5.0f) - 2);
    gfx::clear();
    PLOTDATA(2);
    e = ops_of(gfx::OpKind::ellipse, PLOT_TEAL);
    ASSERT_EQ(e.size(), 2u);
    EXPECT_EQ(e[0].y1, plot_y(150.0f) - 2);
    EXPECT_EQ(e[1].y1, plot_y(160.0f) - 2);
}

TEST_F(LayerPlots, ValleyDownToItsFloorThenBack) {
    auto& V = VALPAR;
    LAYCOF.ZME = 110.0f;
    V.FVAL0 = 3.0f;
    V.FVAL = 2.0f;
    V.AVAL(1) = -10.0f;
    V.WV3 = 8.0f;
    V.WV4 = 12.0f;
    EVFPLOT(2);
    const auto l = ops_of(gfx::OpKind::line, PLOT_RED);
    ASSERT_EQ(l.size(), 12u);  // ten steps of 0.1 MHz, the floor, the rise
    EXPECT_EQ(l[0].x1, plot_x(3.0f));
    EXPECT_EQ(l[0].y1, plot_y(110.0f));
    EXPECT_EQ(l[9].x2, plot_x(2.0f));
    EXPECT_EQ(l[9].y2, plot_y(120.0f));
    for (int k = 1; k < 10; ++k) EXPECT_LE(l[k].y2, l[k].y1) << "height rises as the frequency falls";
    EXPECT_EQ(l[10].x1, l[10].x2);
    EXPECT_EQ(l[10].y2, plot_y(128.0f));
    EXPECT_EQ(l[11].x2, plot_x(3.0f));
    EXPECT_EQ(l[11].y2, plot_y(140.0f));

    // No valley (its floor at its start), or a floor at 0 MHz or below,
    // where the section co-ordinate has no logarithm: only the move to the
    // start.
    for (float floor : {3.0f, 0.0f, -1.0f}) {
        gfx::clear();
        V.FVAL = floor;
        EVFPLOT(2);
        EXPECT_TRUE(gfx::page().ops.empty()) << floor;
    }
}

TEST_F(LayerPlots, TopsideIsDashedUpToItsLimit) {
    LAYCOF.ZMF2 = 250.0f;
    struct Case {
        float fof2, shf;
        float lo, hi;  // highest point drawn, km
    };
    // foF2 above 7 MHz: 600 km while the curve lies left of 7 MHz; else 700 km.
    for (const Case& c : {Case{8.0f, 80.0f, 590.0f, 600.0f}, Case{6.5f, 80.0f, 690.0f, 700.0f}}) {
        SCOPED_TRACE(c.fof2);
        gfx::clear();
        LAYCOF.FC(4) = c.fof2;
        DERPAR.SHF = c.shf;
        PLOTTOP(int16_t(PLOT_RED), 2);
        const auto l = ops_of(gfx::OpKind::line, PLOT_RED);
        ASSERT_GT(l.size(), 30u);
        EXPECT_EQ(l[0].y1, plot_y(250.0f));
        EXPECT_EQ(l[0].x1, plot_x(c.fof2));
        int32_t top = l[0].y1;
        for (std::size_t k = 0; k < l.size(); ++k) {
            EXPECT_GE(l[k].y1 - l[k].y2, 2) << "5 km drawn";
            EXPECT_LE(l[k].y1 - l[k].y2, 3);
            if (k > 0) {
                EXPECT_GE(l[k - 1].y2 - l[k].y1, 2) << "5 km gap";
            }
            top = std::min(top, l[k].y2);
        }
        EXPECT_LE(top, plot_y(c.lo));
        EXPECT_GE(top, plot_y(c.hi));
    }
    // Without a computed scale height there is no topside.
    gfx::clear();
    DERPAR.SHF = NOTCOMPUTED;
    PLOTTOP(int16_t(PLOT_RED), 2);
    EXPECT_TRUE(gfx::page().ops.empty());
}

TEST_F(LayerPlots, LayerStageInItsColours) {
    e_region();
    EVFPLOT(1);
    EXPECT_TRUE(has_text_starting(" TIME : "));
    EXPECT_TRUE(has_text_starting(" SUNSPOT : "));
    const auto marker = ops_of(gfx::OpKind::line, gfx::rgb(255, 255, 0));
    ASSERT_EQ(marker.size(), 1u);
    EXPECT_EQ(marker[0].x1, plot_x(3.0f));
    const auto section = ops_of(gfx::OpKind::line, PLOT_RED);
    ASSERT_FALSE(section.empty());
    EXPECT_EQ(section.front().y1, plot_y(95.0f));
    EXPECT_EQ(section.back().y2, plot_y(110.0f));
    const auto o = ops_of(gfx::OpKind::line, PLOT_GREEN);
    const auto x = ops_of(gfx::OpKind::line, PLOT_BLUE);
    ASSERT_GT(o.size(), 20u);
    ASSERT_GT(x.size(), 10u);
    EXPECT_EQ(o.front().x1, plot_x(0.51f));
    EXPECT_EQ(o.back().x2, plot_x(3.0f));
    for (const auto& op : o) EXPECT_GE(op.y2, plot_y(700.0f));
    // The X curve starts at the X frequency of the section start, 0.1 MHz inside.
    EXPECT_EQ(x.front().x1, plot_x((std::sqrt(1.0f + 1.44f) + 1.2f) / 2.0f + 0.1f));

    // Stage 5 and debug level 4 draw nothing.
    gfx::clear();
    EVFPLOT(5);
    OPTS.IDEBUG = 4;
    EVFPLOT(1);
    EXPECT_TRUE(gfx::page().ops.empty());
}

// In the lower 80 % of the section a height of 650 km is left out of the
// drawn curve, in the upper 20 % it is drawn.
TEST_F(LayerPlots, EightyPercentRuleOfTheRecomputedCurve) {
    e_region();
    for (int i = 1; i <= 3; ++i) LAYCOF.AE(i) = 0.0f;
    DERPAR.HSTART = 650.0f;
    PLOTRECV(5);
    const auto o = ops_of(gfx::OpKind::line, PLOT_GREEN);
    ASSERT_EQ(o.size(), 5u);  // six points from 2.51 MHz to the top
    EXPECT_EQ(o.front().x1, plot_x(2.51f));
    EXPECT_EQ(o.front().y1, plot_y(650.0f));
}

// The peak marker reaches the frame top from a top frequency of 6 S MHz.
TEST_F(LayerPlots, MarkerToTheFrameTopOnTheWideFrame) {
    frame(14.0f);
    ASSERT_EQ(PLOTWN.P(plotwn::FSCALE), 2);
    e_region();
    LAYCTL.IRGN = 3;
    LAYCOF.FC(3) = 5.0f;
    LAYCOF.ZMF2 = 300.0f;
    LAYCOF.AF2(1) = -60.0f;
    for (float fb : {11.9f, 12.0f}) {
        gfx::clear();
        LAYCOF.FC(4) = fb;
        EVFPLOT(4);
        const auto m = ops_of(gfx::OpKind::line, gfx::rgb(255, 255, 0));
        ASSERT_EQ(m.size(), 1u);
        EXPECT_EQ(m[0].y2, PLOTWN.P(plotwn::BOTTOM) - (fb >= 12.0f ? 350 : 300)) << fb;
    }
}

// Without a sink nothing is drawn or formatted, but the recomputed curves
// leave the section state as they do when drawn.
TEST_F(LayerPlots, WithoutSinkOnlyTheSideEffects) {
    gfx::drop_pages();
    frame(14.0f);
    EXPECT_EQ(PLOTWN.P(plotwn::FSCALE), 2) << "the frame's scale is set without drawing it";
    e_region();
    TRCSEC.FSTART = 7.0f;
    TRCSEC.FEND = 8.0f;
    for (int mode : {0, 1, 2, 10}) EVFPLOT(mode);
    EXPECT_TRUE(gfx::page().ops.empty());
    EXPECT_TRUE(gfx::page().texts.empty());
    EXPECT_EQ(TRCSEC.FSTART, 0.5f);
    EXPECT_EQ(TRCSEC.FEND, 3.0f);
    for (int i = 1; i <= 3; ++i) EXPECT_EQ(LAYCOF.A(i), LAYCOF.AE(i));
}

}  // namespace
}  // namespace kolm::ui
