// The stage plots of the inversion as the solvers call them: the curves of
// recomputed ordinary- and extraordinary-ray virtual heights against the
// model a synthetic ionogram was made from, what the curves leave in the
// section state, and results that do not depend on whether anything is drawn.
#include "inversion/stage_plots.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include "blocks/peltarscale.h"
#include "blocks/peltartrueh.h"
#include "blocks/status.h"
#include "inversion/gauss_integral.h"
#include "inversion/inversion_test.h"
#include "inversion/profil1.h"
#include "inversion/synthetic_record.h"
#include "inversion/x_reference.h"

namespace kolm {
namespace {

struct Curve {
    int32_t colour;
    int16_t irgn;
    float top;  // the region's top frequency when the curve was drawn
    std::vector<CurvePoint> points;
};

// Keeps what the stage plots hand over for drawing.
class Recorder final : public StageDrawing {
public:
    bool on = true;
    std::vector<Curve> curves;
    int traces = 0, headers = 0, sections = 0, valleys = 0, topsides = 0, data_plots = 0;

    bool active() const override { return on; }
    void trace() override { ++traces; }
    void header() override { ++headers; }
    void section(int32_t, float, float, float, int32_t, const float*) override { ++sections; }
    void valley(float, float, float, const float*, float, float) override { ++valleys; }
    void topside(int16_t, int16_t) override { ++topsides; }
    void data(int32_t) override { ++data_plots; }
    void curve(int32_t colour, const CurvePoint* p, int32_t n) override {
        curves.push_back({colour, LAYCTL.IRGN, LAYCOF.FC(LAYCTL.IRGN + 1), std::vector<CurvePoint>(p, p + n)});
    }
};

class StagePlots : public testrec::InversionTest {
protected:
    Recorder rec;
    void SetUp() override {
        InversionTest::SetUp();
        set_stage_drawing(&rec);
    }
    void TearDown() override {
        set_stage_drawing(nullptr);
        InversionTest::TearDown();
    }
};

// The solved profile as a model ionosphere: the N(h) table, plasma
// frequency linear in height between its rows, nothing below it.
synth::Ionosphere solved_profile(const synth::Ionosphere& like) {
    std::vector<std::pair<double, double>> rows;
    for (int i = 1; i <= NHPROF.NPTH; ++i) rows.push_back({NHPROF.HTAB(i), NHPROF.FNTAB(i)});
    std::sort(rows.begin(), rows.end());
    synth::Ionosphere ion;
    ion.fh = like.fh;
    ion.dip = like.dip;
    ion.base = rows.front().first;
    ion.profile = [rows](double h) {
        if (h < rows.front().first) return 0.0;
        if (h >= rows.back().first) return rows.back().second * rows.back().second;
        const auto hi = std::upper_bound(rows.begin(), rows.end(), std::make_pair(h, 1e9));
        const auto lo = hi - 1;
        const double fn = lo->second + (hi->second - lo->second) * (h - lo->first) / (hi->first - lo->first);
        return fn * fn;
    };
    return ion;
}

struct Misfit {
    double mean = 0.0, max = 0.0;
    int points = 0;
};

// Curve against a reference virtual height, at the points where the
// reference is well conditioned: within 10 km of its values 0.1 MHz on
// either side (away from cusps and critical frequencies, where a shift of a
// few kHz changes the height by tens of km).
template <class Ref>
Misfit misfit(const Curve& cv, Ref ref) {
    Misfit m;
    for (const CurvePoint& p : cv.points) {
        const double h = ref(p.f), lo = ref(p.f - 0.1), hi = ref(p.f + 0.1);
        if (h < 0.0 || lo < 0.0 || hi < 0.0 || std::fabs(hi - h) > 10.0 || std::fabs(h - lo) > 10.0) continue;
        const double d = std::fabs(p.hv - h);
        m.mean += d;
        m.max = std::max(m.max, d);
        ++m.points;
    }
    if (m.points > 0) m.mean /= m.points;
    return m;
}

// Each solved section's curves against the model the ionogram was made
// from and against the solved profile itself (its N(h) table integrated
// independently): the ordinary-ray curve lies on the trace within the fit
// residual, the extraordinary-ray curve on the model's X trace within a few
// km wherever the layers it crosses were observed.
TEST_F(StagePlots, CurvesFollowTheModelTraces) {
    struct Expect {
        synth::Case c;
        int sections, curves;
        bool x_model;  // the X curves are compared with the model (not at night: the E layer there is predicted)
    };
    const Expect cases[] = {
        {{"day, F1", synth::day(true, 11), true, 4.3, 11, 0.2f}, 3, 6, true},
        {{"day, no F1", synth::day(false, 11), true, 0.0, 11, 0.2f}, 2, 4, true},
        // The night E layer lies below the gyrofrequency: it has no X trace.
        {{"night, no E trace", synth::night(), false, 0.0, 23, 1.5f}, 2, 3, false},
    };
    for (const Expect& e : cases) {
        const synth::Case& c = e.c;
        SCOPED_TRACE(c.name);
        reset_run_state();
        rec = Recorder{};
        synth::invert(c);
        ASSERT_EQ(SCALE2.IQUALE(iquale::STATUS), status::PROFILE_OBTAINED);
        EXPECT_EQ(rec.traces, 1);
        EXPECT_EQ(rec.headers, 1);
        EXPECT_EQ(rec.sections, e.sections);
        EXPECT_EQ(rec.valleys, 1);
        EXPECT_EQ(rec.topsides, 1);
        EXPECT_GE(rec.data_plots, e.sections);
        ASSERT_EQ(int(rec.curves.size()), e.curves);

        const synth::Ionosphere solved = solved_profile(c.ion);
        for (const Curve& cv : rec.curves) {
            const bool x = cv.colour == PLOT_BLUE;
            SCOPED_TRACE(::testing::Message() << "region " << cv.irgn << (x ? " X" : " O"));
            EXPECT_TRUE(x || cv.colour == PLOT_GREEN);
            auto model = [&](double f) { return x ? testref::x_virtual_height(c.ion, f) : c.ion.virtual_height(f); };
            auto own = [&](double f) { return x ? testref::x_virtual_height(solved, f) : solved.virtual_height(f); };
            const bool observed = cv.irgn > 1 || c.e_trace;
            if (observed && (!x || e.x_model)) {
                const Misfit m = misfit(cv, model);
                EXPECT_GE(m.points, 2);
                if (x) {
                    EXPECT_LT(m.mean, 2.0);
                    EXPECT_LT(m.max, 7.0);
                } else {
                    EXPECT_LT(m.mean, LAYCOF.ER(cv.irgn) + 1.0);
                    EXPECT_LT(m.max, 5.0);
                }
            }
            if (observed) {
                const Misfit m = misfit(cv, own);
                EXPECT_GE(m.points, 2);
                EXPECT_LT(m.max, 2.0);
            }
            // Every curve ends at 700 km or at its section's top: the top
            // frequency, or 0.01 MHz below the X frequency reflecting there.
            for (const CurvePoint& p : cv.points) EXPECT_LE(p.hv, 700.0f);
            const float fc = cv.top, fh = FLDPAR.FH;
            const float top = x ? (std::sqrt(4.0f * fc * fc + fh * fh) + fh) / 2.0f - 0.01f : fc;
            const CurvePoint& last = cv.points.back();
            EXPECT_TRUE(last.hv == 700.0f || std::fabs(last.f - top) < 1e-5f) << last.f << " " << last.hv;
        }
    }
}

// The blocks the inversion leaves for the output and for the next record.
std::vector<unsigned char> results() {
    std::vector<unsigned char> out;
    auto add = [&](const auto& block) {
        const auto* p = reinterpret_cast<const unsigned char*>(&block);
        out.insert(out.end(), p, p + sizeof block);
    };
    add(LAYCOF), add(TRCSEC), add(TRCWRK), add(VALPAR), add(DERPAR), add(NHPROF), add(SMAT), add(FSQR);
    add(SCALE2), add(SCLCHR), add(YLAYER), add(LAYCTL), add(FLDPAR), add(IRIPAR), add(QPRES), add(REDHV);
    return out;
}

// The curves leave their side effects whether they are drawn, computed for
// nothing, or not drawn at all.
TEST_F(StagePlots, ResultsDoNotDependOnDrawing) {
    synth::Case without_f1_trace{"day, foF1 scaled, no F1 trace", synth::day(true, 11), true, 4.3, 11, 0.2f};
    without_f1_trace.f1_points = false;
    const synth::Case cases[] = {{"day, F1", synth::day(true, 11), true, 4.3, 11, 0.2f}, without_f1_trace};
    for (const synth::Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<unsigned char> first;
        for (int way = 0; way < 3; ++way) {
            reset_run_state();
            rec = Recorder{};
            rec.on = way == 0;
            set_stage_drawing(way == 2 ? nullptr : &rec);
            synth::invert(c);
            ASSERT_EQ(SCALE2.IQUALE(iquale::STATUS), status::PROFILE_OBTAINED);
            EXPECT_EQ(rec.curves.size(), way == 0 ? 6u : way == 1 ? 3u : 0u) << "way " << way;
            if (way == 0)
                first = results();
            else
                EXPECT_TRUE(results() == first) << "way " << way;
        }
    }
}

class RecomputedCurve : public ::testing::Test {
protected:
    Recorder rec;
    // An E region from 0.5 MHz to fend whose own layer adds nothing: every
    // virtual height is the start height.
    void SetUp() override {
        reset_run_state();
        set_stage_drawing(&rec);
        SETCV();
        GOGXCOM(1.1f);
        FLDPAR.FH = 1.2f;
        SCLCHR.FOF2 = 8.0f;
        LAYCTL.IRGN = 1;
        LAYCOF.FC(1) = 0.5f;
        LAYCOF.FC(2) = 3.0f;
        LAYCOF.ZME = 110.0f;
        TRCSEC.FSTART = 7.0f;
        TRCSEC.FEND = 8.0f;
        TRCSEC.NN = 8;
    }
    void TearDown() override { set_stage_drawing(nullptr); }
    const Curve& only_curve() {
        EXPECT_EQ(rec.curves.size(), 1u);
        return rec.curves.back();
    }
};

// Heights above 600 km are left out in the lower 80 % of the range, drawn
// in the upper 20 %; a height of 700 km or more ends the curve.
TEST_F(RecomputedCurve, EightyPercentRuleAndTheTopOfTheFrame) {
    DERPAR.HSTART = 650.0f;
    PLOTRECV(5);
    const Curve& c = only_curve();
    EXPECT_EQ(c.colour, PLOT_GREEN);
    const float fm = 0.5f + 0.8f * 2.5f;
    ASSERT_EQ(c.points.size(), 6u);  // 2.51, 2.61, ..., 2.91 and the top 3.0
    EXPECT_NEAR(c.points.front().f, 2.51f, 1e-5f);
    EXPECT_GE(c.points.front().f, fm);
    EXPECT_EQ(c.points.back().f, 3.0f);
    for (const CurvePoint& p : c.points) EXPECT_EQ(p.hv, 650.0f);
    EXPECT_EQ(TRCSEC.FSTART, 0.5f);
    EXPECT_EQ(TRCSEC.FEND, 3.0f);
    EXPECT_EQ(TRCSEC.NN, 8) << "restored by RECVIRT";
    for (int i = 1; i <= 3; ++i) EXPECT_EQ(LAYCOF.A(i), 0.0f);

    rec.curves.clear();
    DERPAR.HSTART = 750.0f;
    PLOTRECV(5);
    const Curve& top = only_curve();
    ASSERT_EQ(top.points.size(), 1u) << "one point at 700 km ends the curve";
    EXPECT_NEAR(top.points[0].f, 2.51f, 1e-5f);
    EXPECT_EQ(top.points[0].hv, 700.0f);
}

// A top far beyond the frame (a damaged record) ends the curve after the
// first frequency past the frame's right edge.
TEST_F(RecomputedCurve, StepsEndBeyondTheFrame) {
    DERPAR.HSTART = 100.0f;
    for (float fof2 : {8.0f, 13.5f}) {
        SCOPED_TRACE(fof2);
        rec.curves.clear();
        SCLCHR.FOF2 = fof2;
        const float s = fof2 > 13.0f ? 2.0f : 1.0f;
        LAYCOF.FC(2) = 9999.0f;
        PLOTRECV(5);
        const Curve& c = only_curve();
        EXPECT_EQ(c.points.size(), size_t(std::ceil((14.0f * s - 0.51f) / (0.1f * s) + 1e-3f)) + 1);
        EXPECT_GT(c.points.back().f, 14.0f * s);
        EXPECT_LT(c.points.back().f, 14.0f * s + 0.1f * s + 1e-4f);
        EXPECT_EQ(TRCSEC.FEND, 9999.0f);
    }
}

TEST_F(RecomputedCurve, PartsARegionDoesNotHaveAreNotDrawn) {
    // The E region has no E part, valley or F1 below it: nothing, not even the section limits.
    for (int mode : {2, 3, 4, 0, 6}) {
        PLOTRECV(mode);
        EXPECT_TRUE(rec.curves.empty()) << mode;
        EXPECT_EQ(TRCSEC.FSTART, 7.0f) << mode;
    }
    LAYCTL.IRGN = 2;
    LAYCOF.FC(3) = 4.0f;
    PLOTRECV(4);
    EXPECT_TRUE(rec.curves.empty());
    // Own layer: from the region's start; E part: 0.01 MHz inside either end.
    LAYCTL.IRGN = 1;
    DERPAR.HSTART = 100.0f;
    PLOTRECV(1);
    EXPECT_EQ(only_curve().colour, PLOT_MAGENTA);
    EXPECT_EQ(rec.curves.back().points.front().f, 0.5f);
    LAYCTL.IRGN = 2;
    rec.curves.clear();
    PLOTRECV(2);
    EXPECT_EQ(only_curve().colour, PLOT_SILVER);
    EXPECT_NEAR(rec.curves.back().points.front().f, 3.01f, 1e-5f);
    EXPECT_NEAR(rec.curves.back().points.back().f, 3.99f, 1e-5f);
}

// The X curve of a region below the gyrofrequency is not drawn; the section
// limits are still left set.
TEST_F(RecomputedCurve, NoXCurveBelowTheGyrofrequency) {
    DERPAR.HSTART = 100.0f;
    LAYCOF.AE(1) = -5.0f;
    FLDPAR.FH = 3.0f;
    PLOTRECX(5);
    EXPECT_TRUE(rec.curves.empty());
    EXPECT_EQ(TRCSEC.FSTART, 0.5f);
    EXPECT_EQ(TRCSEC.FEND, 3.0f);
    EXPECT_EQ(LAYCOF.A(1), 0.0f) << "no X height was computed";
    FLDPAR.FH = 1.2f;
    PLOTRECX(5);
    const Curve& c = only_curve();
    EXPECT_EQ(c.colour, PLOT_BLUE);
    EXPECT_NEAR(c.points.front().f, (std::sqrt(1.0f + 1.44f) + 1.2f) / 2.0f + 0.1f, 1e-5f);
    EXPECT_EQ(LAYCOF.A(1), -5.0f);
}

TEST_F(RecomputedCurve, NothingAtDebugLevelFourOrStageFive) {
    DERPAR.HSTART = 100.0f;
    OPTS.IDEBUG = 4;
    for (int mode : {0, 1, 2, 3, 4, 10}) EVFPLOT(mode);
    OPTS.IDEBUG = 0;
    EVFPLOT(5);
    EXPECT_TRUE(rec.curves.empty());
    EXPECT_EQ(rec.traces + rec.headers + rec.sections + rec.valleys + rec.topsides + rec.data_plots, 0);
    EXPECT_EQ(TRCSEC.FSTART, 7.0f);
    // Level 3 still plots.
    OPTS.IDEBUG = 3;
    EVFPLOT(1);
    EXPECT_EQ(rec.headers, 1);
    EXPECT_EQ(rec.sections, 1);
    EXPECT_EQ(rec.curves.size(), 2u);
}

}  // namespace
}  // namespace kolm
