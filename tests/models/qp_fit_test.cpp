// Quasi-parabolic fit: the rounding to significant digits, the segment
// solvers, and whole fits of tabulated profiles built from quasi-parabolic
// layers: recovered exactly, fitted at a doubled accuracy, given up, and the
// tables the fit must refuse or read with care.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <set>
#include <vector>

#include "blocks/peltarscale.h"
#include "blocks/peltartrueh.h"
#include "blocks/run_state.h"
#include "models/qp_fit.h"
#include "models/qp_solvers.h"

namespace kolm {
namespace {

constexpr double R0 = 6370.0;

// fN**2 = A x**2 + B x + C, x = 1/r.
struct Qp {
    double A, B, C;
    double y(double r) const { return (A / r + B) / r + C; }
    double slope(double r) const { return 2.0 * A / r + B; }  // dfN**2/dx
};

// A layer of critical frequency fc (MHz), peak height hm and semi-thickness
// ym (km): fN**2 = fc**2 (1 - ((r - rm)/ym)**2 (rb/r)**2), rb = rm - ym.
Qp layer(double fc, double hm, double ym) {
    const double rm = R0 + hm, rb = rm - ym;
    const double k = fc * fc * (rb * rm / ym) * (rb * rm / ym);
    return {-k, 2.0 * k / rm, fc * fc - k / (rm * rm)};
}

// The segment of curvature A through value y with slope s at radius r.
Qp through(double r, double y, double s, double A) {
    const double x = 1.0 / r, B = s - 2.0 * A * x;
    return {A, B, y - (A * x + B) * x};
}

// E layer (3 MHz at 110 km, 20 km thick, base 90 km) up to its valley third
// at 120 km; a straight valley segment to the F1 layer at 130 km; F1 up to
// the join hj; F2 (8 MHz at 300 km, 100 km thick) above. F1 has curvature c
// times that of F2 and at the join the F2 value and kink times its slope.
struct Profile {
    Qp E, V, F1, F2;
    double hj;

    Profile(double join, double c, double kink = 1.0) : hj(join) {
        E = layer(3.0, 110.0, 20.0);
        F2 = layer(8.0, 300.0, 100.0);
        const double rj = R0 + hj;
        F1 = through(rj, F2.y(rj), kink * F2.slope(rj), c * F2.A);
        const double r1 = R0 + 120.0, r2 = R0 + 130.0, y1 = E.y(r1), y2 = F1.y(r2);
        const double B = (y1 - y2) / (1.0 / r1 - 1.0 / r2);
        V = {0.0, B, y1 - B / r1};
    }
    double y(double h) const {
        const double r = R0 + h;
        return h <= 120.0 ? E.y(r) : h <= 130.0 ? V.y(r) : h <= hj ? F1.y(r) : F2.y(r);
    }
};

// The table of fN at every whole kilometre from `from` to 300 km (the F2
// peak) where fN**2 > 0, with extra rows at the given heights.
void tabulate(const std::function<double(double)>& y, double from, std::vector<double> extra = {}) {
    std::set<double> heights(extra.begin(), extra.end());
    for (double h = from; h <= 300.0; h += 1.0) heights.insert(h);
    int16_t n = 0;
    for (double h : heights) {
        const double v = y(h);
        if (!(v > 0.0)) continue;
        ++n;
        NHPROF.HTAB(n) = float(h);
        NHPROF.FNTAB(n) = float(std::sqrt(v));
    }
    NHPROF.NPTH = n;
}

void layers(float zme = 110.0f, float w = 30.0f, float zmf1 = 0.0f) {
    LAYCOF.ZME = zme;
    LAYCTL.W = w;
    LAYCOF.ZMF1 = zmf1;
}

// The profile tabulated from `from` km up and fitted at `accuracy`.
void fit(const Profile& p, double from = 91.0, float accuracy = 0.01f) {
    tabulate([&](double h) { return p.y(h); }, from);
    layers();
    QPRES.ERRMAX = accuracy;
    QPFIT();
}

class QpFit : public ::testing::Test {
protected:
    void SetUp() override { reset_run_state(); }
};

// ---------------------------------------------------------------- rounding

TEST(Trnkv, RoundsToSignificantDigits) {
    struct Case {
        int k;
        double v, want;
    };
    const Case cases[] = {{3, 0.0, 0.0},          {3, 0.0123456, 0.0123}, {3, -1234.5, -1230.0},
                          {3, 1.0, 1.0},          {3, 0.99951, 1.0},      {3, 0.0004449, 0.000445},
                          {7, 6460.00049, 6460.0}, {7, 6460.12345, 6460.123}};
    for (const Case& c : cases) {
        double v = c.v;
        TRNKV(c.k, v);
        EXPECT_NEAR(v, c.want, 1e-12 * std::fabs(c.want)) << c.v << " to " << c.k << " digits";
    }
    double inf = INFINITY, nan = NAN;
    TRNKV(3, inf);
    TRNKV(3, nan);
    EXPECT_EQ(inf, INFINITY);
    EXPECT_TRUE(std::isnan(nan));
}

// ---------------------------------------------------------------- solvers

// Points at 1 km from 200 km up, fN**2 from y(h).
void points(int n, const std::function<double(double)>& y) {
    for (int i = 1; i <= n; ++i) {
        QPWORK.RQ(i) = R0 + 199.0 + i;
        QPWORK.XQ(i) = 1.0 / QPWORK.RQ(i);
        QPWORK.YQ(i) = y(199.0 + i);
    }
}

TEST_F(QpFit, GrowthStopsWhereAPointCannotBeTaken) {
    QpValues YFIT{}, DYFIT{};
    QpErrors ERRPT{};
    int16_t KOUT = -1;
    // Point 4 lies above the anchor value: no progress at all.
    points(5, [](double h) { return h == 203.0 ? 30.0 : 20.0 + 0.1 * (h - 200.0); });
    YFIT(5) = QPWORK.YQ(5);
    QPFIT11(1, 5, KOUT, YFIT, DYFIT, ERRPT, 0.01f);
    EXPECT_EQ(KOUT, 5);
    // Point 4 below, point 3 above: the segment ends at point 4.
    points(5, [](double h) { return h == 202.0 ? 30.0 : 20.0 + 0.1 * (h - 200.0); });
    YFIT(5) = QPWORK.YQ(5);
    QPFIT11(1, 5, KOUT, YFIT, DYFIT, ERRPT, 0.01f);
    EXPECT_EQ(KOUT, 4);
    // Point 4 below, but the anchor's slope rises downward: the segment
    // would turn (its vertex) between the anchor and point 4.
    points(5, [](double h) { return 20.0 + 0.1 * (h - 200.0); });
    YFIT(5) = QPWORK.YQ(5);
    DYFIT(5) = 1.0e6;
    QPFIT11(1, 5, KOUT, YFIT, DYFIT, ERRPT, 0.01f);
    EXPECT_EQ(KOUT, 5);
    DYFIT(5) = 0.0;
    QPFIT11(1, 5, KOUT, YFIT, DYFIT, ERRPT, 0.01f);
    EXPECT_LT(KOUT, 5);
    // Upward from an anchor below its next point: no progress either.
    YFIT(1) = QPWORK.YQ(1);
    QPFIT21(1, 5, KOUT, YFIT, DYFIT, ERRPT, 0.01f);
    EXPECT_EQ(KOUT, 1);
}

// The look-aheads decide by bounds on the curvature what the growth decides
// by its error scan: from every anchor and at every accuracy they reach the
// same point.
TEST_F(QpFit, LookAheadsReachWhereTheGrowthReaches) {
    const Qp F2 = layer(8.0, 300.0, 100.0);
    points(100, [&](double h) { return F2.y(R0 + h) * (1.0 + 0.02 * std::sin(h / 3.0)); });
    QpValues YFIT{}, DYFIT{}, Y2{}, D2{};
    QpErrors ERRPT{};
    int compared = 0, partial = 0;
    for (float E : {0.002f, 0.005f, 0.01f, 0.02f, 0.04f}) {
        for (int16_t k = 2; k <= 99; ++k) {
            const double r = QPWORK.RQ(k);
            for (double s : {0.0, 0.5, 1.0, 1.5}) {
                YFIT(k) = Y2(k) = F2.y(r);
                DYFIT(k) = D2(k) = s * F2.slope(r);
                int16_t down = 0, ahead = 0, up = 0, ahead_up = 0;
                QPFIT11(1, k, down, YFIT, DYFIT, ERRPT, E);
                QPFIT13(1, k, ahead, Y2, D2, E);
                EXPECT_EQ(ahead, down) << "anchor " << k << " slope factor " << s << " E " << E;
                YFIT(k) = Y2(k) = F2.y(r);
                DYFIT(k) = D2(k) = s * F2.slope(r);
                QPFIT21(k, 100, up, YFIT, DYFIT, ERRPT, E);
                QPFIT22(k, 100, ahead_up, Y2, D2, E);
                EXPECT_EQ(ahead_up, up) << "anchor " << k << " slope factor " << s << " E " << E;
                ++compared;
                partial += (down != 1 && down != k) + (up != 100 && up != k);
            }
        }
    }
    EXPECT_GT(partial, compared / 2) << "the growths should mostly stop part way";
}

TEST_F(QpFit, FinalCoefficientsAreThoseTheGrowthReached) {
    // An E layer peaking at point 21, with a ripple of 0.3 %.
    const Qp E = layer(3.0, 120.0, 40.0);
    points(40, [&](double h) { return E.y(R0 + h - 100.0) * (1.0 + 0.003 * std::cos(h)); });
    QpValues YFIT{}, DYFIT{};
    QpErrors ERRPT{};
    // Downward from the peak (below the E peak KE the anchor is the top).
    YFIT(21) = QPWORK.YQ(21);
    DYFIT(21) = 0.0;
    int16_t KOUT = 0;
    QPFIT11(1, 21, KOUT, YFIT, DYFIT, ERRPT, 0.01f);
    ASSERT_LT(KOUT, 20);
    for (int16_t k = KOUT; k < 21; k += 3) {
        double A = 0, B = 0, C = 0;
        ASSERT_TRUE(QPFIT3(k, 21, YFIT, DYFIT, 22, 23, 24, A, B, C));
        const double x = QPWORK.XQ(k);
        EXPECT_EQ((A * x + B) * x + C, YFIT(k));
        EXPECT_EQ(2.0 * A * x + B, DYFIT(k));
    }
    // Upward from the peak (above KE and up to KV1 the anchor is the bottom).
    QPFIT21(21, 40, KOUT, YFIT, DYFIT, ERRPT, 0.01f);
    ASSERT_GT(KOUT, 22);
    double A = 0, B = 0, C = 0;
    ASSERT_TRUE(QPFIT3(21, KOUT, YFIT, DYFIT, 21, 40, 41, A, B, C));
    const double x = QPWORK.XQ(KOUT);
    EXPECT_EQ((A * x + B) * x + C, YFIT(KOUT));

    // No segment without a range or with the stages out of order.
    struct Bad {
        int16_t K1, K2, KE, KV1, KV2;
    };
    for (const Bad& b : {Bad{0, 10, 1, 2, 3}, Bad{10, 10, 1, 2, 3}, Bad{12, 10, 1, 2, 3}, Bad{1, 10, 5, 5, 6},
                         Bad{1, 10, 3, 6, 6}}) {
        A = B = C = 7.0;
        EXPECT_FALSE(QPFIT3(b.K1, b.K2, YFIT, DYFIT, b.KE, b.KV1, b.KV2, A, B, C)) << b.K1 << " " << b.K2;
        EXPECT_EQ(A + B + C, 21.0);
    }
}

TEST_F(QpFit, ValleySegmentIsTheLineWhateverItsError) {
    points(11, [](double h) { return h == 205.0 ? 1.0 : 4.0; });
    double A = 1, B = 0, C = 0;
    float ERR = 0;
    ASSERT_TRUE(QPFIT3V(1, 11, 4.0, 2.0, A, B, C, ERR));
    EXPECT_EQ(A, 0.0);
    EXPECT_NEAR(B * QPWORK.XQ(1) + C, 4.0, 1e-9);
    EXPECT_NEAR(B * QPWORK.XQ(11) + C, 2.0, 1e-9);
    // The line at point 5 (h 204) against its value 4, at point 6 against 1.
    double want = std::fabs((B * QPWORK.XQ(6) + C - 1.0) / 1.0);
    TRNKV(3, want);
    EXPECT_FLOAT_EQ(ERR, float(want));
    EXPECT_GT(ERR, 1.0f);
}

// ---------------------------------------------------------------- whole fits

TEST_F(QpFit, LayersOfQuasiParabolasAreRecoveredSegmentBySegment) {
    const Profile p(280.0, 0.15);
    fit(p);
    ASSERT_EQ(QPRES.NSEG, 5);
    EXPECT_EQ(QPRES.ERRMAX, 0.01f);
    EXPECT_FLOAT_EQ(VALPAR.WV2, 10.0f);
    // E bottomside, E topside to the first valley third, valley, F1, F2.
    const double tops[] = {6460.0, 6480.0, 6490.0, 6500.0, 6650.0, 6670.0};
    for (int i = 0; i <= 5; ++i) EXPECT_EQ(QPRES.RSEG(i), tops[i]) << "boundary " << i;
    const Qp want[] = {p.E, p.E, p.V, p.F1, p.F2};
    for (int i = 1; i <= 5; ++i) {
        const Qp& w = want[i - 1];
        EXPECT_NEAR(QPRES.ASEG(i), w.A, 1e-5 * std::fabs(p.F2.A)) << "segment " << i;
        EXPECT_NEAR(QPRES.BSEG(i), w.B, 1e-5 * std::fabs(w.B)) << "segment " << i;
        EXPECT_NEAR(QPRES.CSEG(i), w.C, 1e-5 * std::fabs(w.C)) << "segment " << i;
        EXPECT_LT(QPRES.ESEG(i), 1e-5f) << "segment " << i;
    }
    EXPECT_EQ(QPRES.ASEG(3), 0.0);

    // The next ionogram's fit starts from no points: the same table, the
    // same segments.
    const QpresBlock first = QPRES;
    fit(p);
    ASSERT_EQ(QPRES.NSEG, first.NSEG);
    for (int i = 1; i <= QPRES.NSEG; ++i) {
        EXPECT_EQ(QPRES.RSEG(i), first.RSEG(i));
        EXPECT_EQ(QPRES.CSEG(i), first.CSEG(i));
    }
}

// The F1 layer meets F2 with a fifth of its slope: the segments cannot turn
// at the kink within 1 % or 2 % before the 20 slots are used up; the pass at
// 4 % fits.
TEST_F(QpFit, AccuracyIsDoubledUntilAPassFits) {
    const Profile p(260.0, 0.15, 0.2);
    fit(p);
    ASSERT_EQ(QPRES.NSEG, 6);
    EXPECT_EQ(QPRES.ERRMAX, 0.01f);
    float worst = 0.0f;
    for (int i = 1; i <= QPRES.NSEG; ++i) worst = std::max(worst, QPRES.ESEG(i));
    EXPECT_GT(worst, 0.02f);
    EXPECT_LE(worst, 0.04f);
    // Asked for at 4 %, the same segments.
    const QpresBlock at1 = QPRES;
    fit(p, 91.0, 0.04f);
    ASSERT_EQ(QPRES.NSEG, at1.NSEG);
    for (int i = 0; i <= QPRES.NSEG; ++i) EXPECT_EQ(QPRES.RSEG(i), at1.RSEG(i));
    for (int i = 1; i <= QPRES.NSEG; ++i) {
        EXPECT_EQ(QPRES.ASEG(i), at1.ASEG(i));
        EXPECT_EQ(QPRES.ESEG(i), at1.ESEG(i));
    }

    // A steeper kink and an F1 curving the other way: no pass up to 16 % fits.
    fit(Profile(280.0, -0.05, 0.1));
    EXPECT_EQ(QPRES.NSEG, 0);
    EXPECT_EQ(QPRES.ERRMAX, 0.01f);
}

TEST_F(QpFit, TablesThatGetNoFit) {
    const Profile p(280.0, 0.15);
    const auto y = [&](double h) { return p.y(h); };
    struct Case {
        const char* what;
        std::function<void()> set;
    };
    const Case cases[] = {
        {"accuracy 0", [] { QPRES.ERRMAX = 0.0f; }},
        {"negative accuracy", [] { QPRES.ERRMAX = -0.01f; }},
        {"empty table", [] { NHPROF.NPTH = 0; }},
        {"more than 500 rows", [&] {
             std::vector<double> quarters;
             for (double h = 91.25; h < 300.0; h += 0.25) quarters.push_back(h);
             tabulate(y, 91.0, quarters);
             ASSERT_GT(NHPROF.NPTH, 500);
         }},
        {"no valley", [] { LAYCTL.W = 0.0f; }},
        {"E peak not in the table", [] { LAYCOF.ZME = 110.5f; }},
        {"valley third not in the table", [] { LAYCTL.W = 31.0f; }},
    };
    for (const Case& c : cases) {
        reset_run_state();
        tabulate(y, 91.0);
        layers();
        QPRES.ERRMAX = 0.01f;
        c.set();
        const float accuracy = QPRES.ERRMAX;
        QPRES.NSEG = 7;
        QPFIT();
        EXPECT_EQ(QPRES.NSEG, 0) << c.what;
        EXPECT_EQ(QPRES.ERRMAX, accuracy) << c.what;
    }
}

// The valley top is always left out, the F1 peak when a row lies there;
// both join layers with a kink. Rows without a positive plasma frequency
// carry no relative error and are left out too.
TEST_F(QpFit, RowsLeftOutOfTheFit) {
    const Profile p(280.0, 0.15);
    const auto taken = [](double h) {
        for (int i = 1; i <= MAXQPPTS && QPWORK.RQ(i) > 0.0; ++i)
            if (QPWORK.RQ(i) == R0 + h) return true;
        return false;
    };
    tabulate([&](double h) { return p.y(h); }, 91.0);
    layers(110.0f, 30.0f, 200.5f);  // F1 peak between rows
    QPRES.ERRMAX = 0.01f;
    QPFIT();
    EXPECT_FALSE(taken(140.0)) << "valley top";
    EXPECT_TRUE(taken(200.0));
    EXPECT_TRUE(taken(201.0));
    EXPECT_EQ(QPRES.NSEG, 5);

    reset_run_state();
    tabulate([&](double h) { return p.y(h); }, 91.0);
    layers(110.0f, 30.0f, 200.0f);
    NHPROF.FNTAB(10) = 0.0f;
    NHPROF.FNTAB(11) = NAN;
    const float h10 = NHPROF.HTAB(10), h11 = NHPROF.HTAB(11);
    QPRES.ERRMAX = 0.01f;
    QPFIT();
    EXPECT_FALSE(taken(200.0)) << "F1 peak";
    EXPECT_FALSE(taken(h10));
    EXPECT_FALSE(taken(h11));
    ASSERT_EQ(QPRES.NSEG, 5);
    for (int i = 1; i <= QPRES.NSEG; ++i)
        EXPECT_TRUE(std::isfinite(QPRES.ASEG(i) + QPRES.BSEG(i) + QPRES.CSEG(i) + QPRES.ESEG(i)));
}

// The table writes the E peak at the height the E layer gives and rounds
// ZME to 0.001 km only afterwards; the valley thirds are rounded from the
// unrounded peak. The peak and the thirds are still found.
TEST_F(QpFit, EPeakAndValleyThirdsFoundAfterTheirRounding) {
    const double hme = 110.1234, w = 30.1;
    const Qp E = layer(3.0, hme, 20.0);
    const Profile p(280.0, 0.15);
    const auto round3 = [](double v) { return std::round(v * 1000.0) / 1000.0; };
    const double h1 = round3(hme + w / 3), h2 = round3(hme + 2 * w / 3), h3 = round3(hme + w);
    const double y1 = E.y(R0 + h1), y2 = p.y(h2);
    tabulate(
        [&](double h) {
            if (h <= h1) return E.y(R0 + h);
            if (h <= h2) return y1 + (y2 - y1) * (h - h1) / (h2 - h1);
            return p.y(h);
        },
        91.0, {hme, h1, h2, h3});
    layers(float(round3(hme)), float(w));
    // The thirds the fit computes from the rounded ZME differ from the rows.
    ASSERT_NE(round3(double(LAYCOF.ZME) + w / 3), h1);
    QPRES.ERRMAX = 0.01f;
    QPFIT();
    ASSERT_GT(QPRES.NSEG, 3);
    int valley = 0;
    for (int i = 1; i <= QPRES.NSEG; ++i)
        if (QPRES.ASEG(i) == 0.0) valley = i;
    ASSERT_GT(valley, 1);
    EXPECT_NEAR(QPRES.RSEG(valley - 1), R0 + h1, 0.0005);
    EXPECT_NEAR(QPRES.RSEG(valley), R0 + h2, 0.0005);
    EXPECT_NEAR(QPRES.RSEG(valley - 2), R0 + hme, 0.0005);
}

// A table that starts at the E peak has no E bottomside: the lowest segment
// is the E layer above its peak, and the base comes from it.
TEST_F(QpFit, TableStartingAtTheEPeak) {
    fit(Profile(280.0, 0.15), 110.0);
    ASSERT_EQ(QPRES.NSEG, 4);
    EXPECT_EQ(QPRES.RSEG(1), 6490.0);
    EXPECT_NEAR(QPRES.RSEG(0), 6460.0, 1e-3);
}

// A lowest segment without a real root: its base is the parabola's vertex.
TEST_F(QpFit, BaseOfALowestSegmentWithoutRoot) {
    const auto chapman_e = [](double h) {
        const double z = (h - 110.0) / 8.0;
        return 9.0 * std::exp(1.0 - z - std::exp(-z));
    };
    const double yv = chapman_e(120.0);
    tabulate(
        [&](double h) {
            if (h <= 120.0) return chapman_e(h);
            if (h <= 130.0) return yv * (1.0 - 0.03 * (h - 120.0));
            const double u = (300.0 - h) / 170.0;
            return 0.7 * yv + (64.0 - 0.7 * yv) * (1.0 - u * u);
        },
        90.0);
    layers();
    QPRES.ERRMAX = 0.01f;
    QPFIT();
    ASSERT_GT(QPRES.NSEG, 0);
    const double A = QPRES.ASEG(1), B = QPRES.BSEG(1), C = QPRES.CSEG(1);
    ASSERT_LT(B * B - 4.0 * A * C, 0.0);
    double vertex = -B / (2.0 * C);
    TRNKV(7, vertex);
    EXPECT_EQ(QPRES.RSEG(0), std::max(vertex, R0 + 90.0));
}

// Stage indices that do not lie in order within the points give no fit and
// touch nothing outside the arrays.
TEST_F(QpFit, StagesOutOfOrderGiveNoFit) {
    points(50, [](double h) { return 100.0 - 0.1 * (h - 200.0) * (h - 200.0) / 50.0; });
    struct Case {
        int16_t KE, KV1, KV2, N;
    };
    for (const Case& c : {Case{0, 10, 20, 50}, Case{10, 10, 20, 50}, Case{10, 20, 15, 50}, Case{10, 20, 50, 50},
                          Case{10, 20, 30, 501}, Case{-3, 20, 30, 50}}) {
        int16_t KE = c.KE, KV1 = c.KV1, KV2 = c.KV2, N = c.N;
        float E = 0.01f;
        QPRES.NSEG = 3;
        DOFITTING(KE, KV1, KV2, N, E);
        EXPECT_EQ(QPRES.NSEG, 0) << c.KE << " " << c.KV1 << " " << c.KV2 << " " << c.N;
    }
}

// A ragged table (a saw-tooth on the F layer) makes the passes backtrack
// and fail again and again; every fit ends, with a valid chain or none.
TEST_F(QpFit, RaggedTablesEnd) {
    const Profile p(280.0, 0.15);
    for (double tooth : {0.01, 0.05, 0.3}) {
        for (float accuracy : {0.001f, 0.01f, 0.05f}) {
            reset_run_state();
            tabulate(
                [&](double h) { return p.y(h) * (h > 140.0 ? 1.0 + tooth * (int(h) % 3 - 1) : 1.0); }, 91.0);
            layers();
            QPRES.ERRMAX = accuracy;
            QPFIT();
            ASSERT_GE(QPRES.NSEG, 0);
            ASSERT_LE(QPRES.NSEG, 20);
            for (int i = 1; i <= QPRES.NSEG; ++i) {
                EXPECT_LT(QPRES.RSEG(i - 1), QPRES.RSEG(i)) << tooth << " " << accuracy;
                EXPECT_TRUE(std::isfinite(QPRES.ASEG(i) + QPRES.BSEG(i) + QPRES.CSEG(i)));
            }
        }
    }
}

}  // namespace
}  // namespace kolm
