// The quasi-parabolic fit against its reference (the fit as first written,
// every growth adding its sums and bounds afresh from the points): the same
// segments, errors, base radius, count and doubled accuracy, bit for bit,
// and what a failed pass leaves in QPRES, over many random tables and point
// sets at accuracies from 0.001 to 0.1. The segment solvers are compared
// the same way from random anchors, with and without the kept terms. Every
// comparison runs in each variant of the growths the processor has (SSE2,
// and AVX2 where it has it).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "blocks/peltarscale.h"
#include "blocks/peltartrueh.h"
#include "blocks/run_state.h"
#include "models/qp_fit.h"
#include "models/qp_solvers.h"
#include "support/qp_reference.h"
#include "support/qp_variants.h"

namespace kolm {
namespace {

namespace ref = testing::qpref;
using testing::qp_variant_name;
using testing::qp_variants;
constexpr double R0 = 6370.0;

template <class T>
bool same_bits(const T& a, const T& b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

// The first difference of two results, empty when they agree bit for bit
// in every slot (the slots beyond NSEG too).
std::string difference(const QpresBlock& a, const QpresBlock& b) {
    if (!same_bits(a.ERRMAX, b.ERRMAX)) return "ERRMAX";
    if (a.NSEG != b.NSEG) return "NSEG " + std::to_string(a.NSEG) + " against " + std::to_string(b.NSEG);
    if (!same_bits(a.RSEG, b.RSEG)) return "RSEG";
    if (!same_bits(a.ASEG, b.ASEG)) return "ASEG";
    if (!same_bits(a.BSEG, b.BSEG)) return "BSEG";
    if (!same_bits(a.CSEG, b.CSEG)) return "CSEG";
    if (!same_bits(a.ESEG, b.ESEG)) return "ESEG";
    return "";
}

const float ACCURACIES[] = {0.001f, 0.002f, 0.005f, 0.01f, 0.02f, 0.05f, 0.1f};

// fN**2 of a quasi-parabolic layer of critical frequency fc (MHz), peak
// height hm and semi-thickness ym (km) at height h, 0 below its base.
double layer(double fc, double hm, double ym, double h) {
    const double r = R0 + h, rm = R0 + hm, rb = rm - ym;
    if (r <= rb) return 0.0;
    const double z = (r - rm) / ym * (rb / r);
    return fc * fc * (1.0 - z * z);
}

// A random table: an E layer up to the first valley third, a straight
// valley to the second third, then an F layer (with an F1 ledge at times)
// up to its peak; rippled, noisy or saw-toothed at times; 1 km rows, at
// times half-kilometre ones or rows at odd heights in between.
struct RandomTable {
    float zme, w, zmf1;
};

RandomTable random_table(std::mt19937& g) {
    std::uniform_real_distribution<double> u(0.0, 1.0);
    const double foe = 2.0 + 2.0 * u(g), hme = 100.0 + std::round(20.0 * u(g)), yme = 10.0 + 20.0 * u(g);
    const double w = 3.0 * std::round(5.0 + 10.0 * u(g));  // thirds fall on whole kilometres
    const double fof2 = foe + 1.0 + 10.0 * u(g), hmf2 = hme + w + 60.0 + 250.0 * u(g);
    const double ymf2 = std::min(hmf2 - hme - w + 20.0, 40.0 + 150.0 * u(g));
    const bool f1 = u(g) < 0.3;
    const double f1_top = hme + w + 0.3 * (hmf2 - hme - w);
    const double ripple = u(g) < 0.5 ? 0.0 : 0.03 * u(g) * u(g), period = 2.0 + 10.0 * u(g);
    const double noise = u(g) < 0.7 ? 0.0 : 0.01 * u(g);
    const double tooth = u(g) < 0.85 ? 0.0 : 0.05 * u(g);
    const double step = u(g) < 0.2 ? 0.5 : 1.0;
    const bool odd_rows = u(g) < 0.2;
    const double h1 = hme + w / 3.0, h2 = hme + 2.0 * w / 3.0;
    const double ye1 = layer(foe, hme, yme, h1);
    const auto f_layer = [&](double h) {
        double y = layer(fof2, hmf2, ymf2, h);
        if (f1 && h < f1_top) y = std::min(y, layer(fof2, hmf2, ymf2, f1_top) * (1.0 - 0.002 * (f1_top - h)));
        return y;
    };
    const double yf2 = std::max(f_layer(h2), ye1 * 1.05);
    std::normal_distribution<double> n(0.0, 1.0);
    int16_t k = 0;
    for (double h = std::floor(hme - yme) + 1.0; h <= hmf2 + 1e-9 && k < MAXQPPTS; h += step) {
        double hh = h;
        if (odd_rows && u(g) < 0.2 && h > hme + w + 1.0 && h < hmf2 - 1.0) hh += 0.3;
        double y = hh <= h1 ? layer(foe, hme, yme, hh) : hh <= h2 ? ye1 + (yf2 - ye1) * (hh - h1) / (h2 - h1)
                                                                  : std::max(f_layer(hh), yf2);
        if (hh > h2 + 0.5 && hh < hmf2 - 0.5) {
            y *= 1.0 + ripple * std::sin(hh / period) + noise * n(g);
            if (tooth > 0.0) y *= 1.0 + tooth * (int(hh) % 3 - 1);
        }
        if (!(y > 0.0)) continue;
        ++k;
        NHPROF.HTAB(k) = float(hh);
        NHPROF.FNTAB(k) = float(std::sqrt(y));
    }
    NHPROF.NPTH = k;
    return {float(hme), float(w), f1 && u(g) < 0.5 ? float(std::round(f1_top)) : 0.0f};
}

// A layer rising to its peak at the top point, rippled, on 30 to 229
// points one km apart, a few of them sharing the radius of the point below
// (growths meet irregular points): into QPWORK; the number of points.
int16_t rising_points(std::mt19937& g, std::uniform_real_distribution<double>& u) {
    const int16_t N = int16_t(30 + g() % 200);
    double r = R0 + 150.0;
    const double ripple = 0.03 * u(g);
    for (int16_t i = 1; i <= N; ++i) {
        if (!(u(g) < 0.02 && i > 1)) r += 1.0;
        QPWORK.RQ(i) = r;
        QPWORK.XQ(i) = 1.0 / r;
        const double s = double(i) / N;
        QPWORK.YQ(i) = 40.0 * s * (2.0 - s) * (1.0 + ripple * std::sin(double(i))) + 1.0;
    }
    return N;
}

// The reference and the fit, in each variant, on the same table; false
// (with the reason) when they differ.
::testing::AssertionResult fits_agree(float accuracy) {
    QPRES = QpresBlock{};
    QPRES.ERRMAX = accuracy;
    ref::QPFIT();
    const QpresBlock want = QPRES;
    const QpworkBlock points = QPWORK;
    const float wv2 = VALPAR.WV2;
    for (const QpIsa isa : qp_variants()) {
        set_qp_isa(isa);
        QPRES = QpresBlock{};
        QPRES.ERRMAX = accuracy;
        QPFIT();
        const std::string d = difference(QPRES, want);
        if (!d.empty()) return ::testing::AssertionFailure() << qp_variant_name(isa) << ": " << d;
        if (!same_bits(QPWORK, points) || !same_bits(VALPAR.WV2, wv2))
            return ::testing::AssertionFailure() << qp_variant_name(isa) << ": points";
    }
    return ::testing::AssertionSuccess();
}

TEST(QpFitIdentity, RandomTablesFitAsTheReferenceFitsThem) {
    reset_run_state();
    std::mt19937 g(19);
    int fits = 0, fitted = 0, given_up = 0, ragged = 0;
    for (int n = 0; n < 120; ++n) {
        const RandomTable t = random_table(g);
        for (float accuracy : ACCURACIES) {
            LAYCOF.ZME = t.zme;
            LAYCTL.W = t.w;
            LAYCOF.ZMF1 = t.zmf1;
            ASSERT_TRUE(fits_agree(accuracy)) << "table " << n << ", accuracy " << accuracy;
            ++fits;
            fitted += QPRES.NSEG > 0;
            given_up += QPRES.NSEG == 0;
            ragged += QPRES.NSEG > 8;
        }
    }
    // Both outcomes, and chains of many segments, occur often.
    std::printf("%d fits: %d with segments (%d with more than 8), %d given up\n", fits, fitted, ragged, given_up);
    EXPECT_GT(fitted, fits / 20);
    EXPECT_GT(given_up, fits / 20);
    EXPECT_GT(ragged, 5);
}

// Point sets straight into DOFITTING, with what QPFIT never makes: points
// sharing a radius (a growth meets dx = 0), values that rise and fall
// anywhere, stage indices anywhere. The accuracy it ends with (doubled on
// failed passes) must agree too.
TEST(QpFitIdentity, RandomPointSetsFitAsTheReferenceFitsThem) {
    reset_run_state();
    std::mt19937 g(1919);
    std::uniform_real_distribution<double> u(0.0, 1.0);
    int doubled = 0, fitted = 0, runs = 0;
    for (int n = 0; n < 150; ++n) {
        const int16_t N = int16_t(20 + g() % 230);
        const int16_t KE = int16_t(1 + g() % (N / 4)), KV1 = int16_t(KE + 1 + g() % 6),
                      KV2 = int16_t(KV1 + 1 + g() % 6);
        // An E layer peaking at KE, a valley falling slowly to KV2 and an F
        // layer up to its peak at N; bumps at times.
        const double ye = 1.0 + 5.0 * u(g), peak = ye * (1.5 + 20.0 * u(g)), bumps = u(g) < 0.4 ? 0.05 * u(g) : 0.0;
        const double yv = ye * (1.0 - 0.01 * (KV2 - KE));
        double r = R0 + 90.0;
        for (int16_t i = 1; i <= N; ++i) {
            if (!(u(g) < 0.03 && i > 1)) r += u(g) < 0.9 ? 1.0 : 0.25 + 3.0 * u(g);
            QPWORK.RQ(i) = std::round(r * 1000.0) / 1000.0;
            QPWORK.XQ(i) = 1.0 / QPWORK.RQ(i);
            const double e = double(KE - i) / KE, f = double(N - i) / (N - KV2);
            const double y = i <= KE ? ye * (1.0 - 0.8 * e * e) : i <= KV2 ? ye * (1.0 - 0.01 * (i - KE))
                                                                           : yv + (peak - yv) * (1.0 - f * f);
            QPWORK.YQ(i) = y * (1.0 + bumps * std::sin(7.0 * i / N + 9.0 * u(g)));
        }
        for (float accuracy : ACCURACIES) {
            int16_t ke = KE, kv1 = KV1, kv2 = KV2, n_ref = N, n_new = N;
            float e_ref = accuracy, e_new = accuracy;
            QPRES = QpresBlock{};
            ref::DOFITTING(ke, kv1, kv2, n_ref, e_ref);
            const QpresBlock want = QPRES;
            for (const QpIsa isa : qp_variants()) {
                set_qp_isa(isa);
                QPRES = QpresBlock{};
                ke = KE, kv1 = KV1, kv2 = KV2, n_new = N, e_new = accuracy;
                DOFITTING(ke, kv1, kv2, n_new, e_new);
                const std::string d = difference(QPRES, want);
                ASSERT_TRUE(d.empty()) << qp_variant_name(isa) << ": " << d << ": set " << n << ", accuracy "
                                       << accuracy;
                ASSERT_TRUE(same_bits(e_new, e_ref)) << qp_variant_name(isa) << ": set " << n << ", accuracy "
                                                     << accuracy;
            }
            ++runs;
            doubled += e_new > accuracy;
            fitted += QPRES.NSEG > 0;
        }
    }
    std::printf("%d fits: %d with segments, %d at a doubled accuracy\n", runs, fitted, doubled);
    EXPECT_GT(doubled, runs / 10);
    EXPECT_GT(fitted, runs / 10);
}

// Every growth from random anchors, values and slopes in both directions,
// once with one set of kept terms for all (as the fit keeps them) and once
// with none: the point reached and everything recorded, bit for bit.
TEST(QpFitIdentity, SolversGrowAsTheReferenceGrows) {
    reset_run_state();
    std::mt19937 g(7);
    std::uniform_real_distribution<double> u(0.0, 1.0);
    QpTerms kept;
    int grown = 0, partial = 0;
    // The first look-ahead takes points two at a time: partial growths of
    // odd length end on the second point of a pair, of even length on the
    // first one.
    int ahead_odd = 0, ahead_even = 0;
    for (int n = 0; n < 40; ++n) {
        const int16_t N = rising_points(g, u);
        kept.clear();
        for (int k = 0; k < 300; ++k) {
            const float E = ACCURACIES[g() % 7];
            const int16_t k0 = int16_t(2 + g() % (N - 2));
            const int16_t below = int16_t(1 + g() % (k0 - 1)), above = int16_t(k0 + 1 + g() % (N - k0));
            const double y0 = QPWORK.YQ(k0) * (1.0 + 0.01 * (u(g) - 0.5));
            const double d0 = u(g) < 0.2 ? 0.0 : -4.0e5 * (u(g) - 0.3);
            for (QpTerms* terms : {&kept, static_cast<QpTerms*>(nullptr)}) {
                QpValues Y{}, D{}, Yr{}, Dr{}, Y2{}, D2{}, Y2r{}, D2r{};
                QpErrors P{}, Pr{};
                Y(k0) = Yr(k0) = Y2(k0) = Y2r(k0) = y0;
                D(k0) = Dr(k0) = D2(k0) = D2r(k0) = d0;
                int16_t a = 0, b = 0;
                QPFIT11(below, k0, a, Y, D, P, E, terms);
                ref::QPFIT11(below, k0, b, Yr, Dr, Pr, E);
                ASSERT_EQ(a, b) << "QPFIT11 from " << k0;
                ASSERT_TRUE(same_bits(Y, Yr) && same_bits(D, Dr) && same_bits(P, Pr)) << "QPFIT11 from " << k0;
                partial += a != below && a != k0;
                QPFIT12(below, k0, a, Y, D, Y2, D2, E, terms);
                ref::QPFIT12(below, k0, b, Yr, Dr, Y2r, D2r, E);
                ASSERT_EQ(a, b) << "QPFIT12 from " << k0;
                ASSERT_TRUE(same_bits(Y2, Y2r) && same_bits(D2, D2r)) << "QPFIT12 from " << k0;
                if (a != below && a != k0) ((k0 - a) % 2 ? ahead_odd : ahead_even) += 1;
                ref::QPFIT13(below, k0, b, Y2r, D2r, E);
                for (const QpIsa isa : qp_variants()) {
                    set_qp_isa(isa);
                    QPFIT13(below, k0, a, Y2, D2, E, terms);
                    ASSERT_EQ(a, b) << qp_variant_name(isa) << ": QPFIT13 from " << k0;
                }
                Y(k0) = Yr(k0) = y0;
                D(k0) = Dr(k0) = -d0;
                QPFIT21(k0, above, a, Y, D, P, E, terms);
                ref::QPFIT21(k0, above, b, Yr, Dr, Pr, E);
                ASSERT_EQ(a, b) << "QPFIT21 from " << k0;
                ASSERT_TRUE(same_bits(Y, Yr) && same_bits(D, Dr) && same_bits(P, Pr)) << "QPFIT21 from " << k0;
                ref::QPFIT22(k0, above, b, Yr, Dr, E);
                for (const QpIsa isa : qp_variants()) {
                    set_qp_isa(isa);
                    QPFIT22(k0, above, a, Y, D, E, terms);
                    ASSERT_EQ(a, b) << qp_variant_name(isa) << ": QPFIT22 from " << k0;
                }
                partial += a != above && a != k0;
                ++grown;
            }
        }
    }
    EXPECT_GT(partial, grown / 2);
    EXPECT_GT(ahead_odd, grown / 20);
    EXPECT_GT(ahead_even, grown / 20);
}

// The second look-ahead from every anchor of a range, as the fit runs it
// below a join point, against the reference's growths one by one: the
// first anchor that reaches K1 ends it, else the lowest point below the
// best so far that a growth reaches (one that takes no point counts not).
// Anchors at or below K1 and ranges that hold none are asked for too.
TEST(QpFitIdentity, SecondLookAheadsOverAnchorsAsTheReferenceGrows) {
    reset_run_state();
    std::mt19937 g(77);
    std::uniform_real_distribution<double> u(0.0, 1.0);
    QpTerms kept;
    int asked = 0, reached = 0, lowered = 0, kept_best = 0;
    for (int n = 0; n < 30; ++n) {
        const int16_t N = rising_points(g, u);
        kept.clear();
        for (int k = 0; k < 200; ++k) {
            const float E = ACCURACIES[g() % 7];
            // Anchors values and slopes as a first look-ahead leaves them,
            // somewhat off the points.
            QpValues Y2{}, D2{};
            for (int16_t i = 1; i <= N; ++i) {
                Y2(i) = QPWORK.YQ(i) * (1.0 + 0.004 * (u(g) - 0.5));
                D2(i) = u(g) < 0.1 ? 0.0 : -4.0e5 * (u(g) - 0.2);
            }
            const int16_t K1 = int16_t(1 + g() % (N / 2));
            const int16_t KLO = int16_t(std::max(1, K1 + int(g() % 12) - 2));
            const int16_t KHI = int16_t(std::min(int(N), KLO + int(g() % 25) - 1));
            const int16_t best = u(g) < 0.5 ? int16_t(9999) : int16_t(K1 + 1 + g() % 20);
            int16_t want = best;
            for (int16_t KU = KLO; KU <= KHI; ++KU) {
                int16_t K13 = 0;
                ref::QPFIT13(K1, KU, K13, Y2, D2, E);
                if (K13 == KU) continue;
                if (K13 == K1) {
                    want = K1;
                    break;
                }
                if (K13 < want) want = K13;
            }
            for (QpTerms* terms : {&kept, static_cast<QpTerms*>(nullptr)})
                for (const QpIsa isa : qp_variants()) {
                    set_qp_isa(isa);
                    const int16_t got = QPFIT13_LOWEST(K1, KLO, KHI, Y2, D2, E, best, terms);
                    ASSERT_EQ(got, want) << qp_variant_name(isa) << ": anchors " << KLO << ".." << KHI << " to "
                                         << K1 << ", best " << best;
                }
            ++asked;
            reached += want == K1;
            lowered += want != K1 && want != best;
            kept_best += want == best;
        }
    }
    // Every outcome occurs often.
    EXPECT_GT(reached, asked / 20);
    EXPECT_GT(lowered, asked / 20);
    EXPECT_GT(kept_best, asked / 20);
}

// Growths from values and slopes that are not numbers, infinite, near
// overflow or subnormal: every comparison with NaN fails and overflowing
// products turn the tests over; the look-aheads must end where the
// reference ends them, also inside a run of points taken two at a time,
// and the first one must record the same values (NaN among them).
TEST(QpFitIdentity, LookAheadsFromExtremeAnchorsGrowAsTheReferenceGrows) {
    reset_run_state();
    const int16_t N = 120;
    for (int16_t i = 1; i <= N; ++i) {
        QPWORK.RQ(i) = R0 + 100.0 + i;
        QPWORK.XQ(i) = 1.0 / QPWORK.RQ(i);
        const double s = double(i) / N;
        QPWORK.YQ(i) = 30.0 * s * (2.0 - s) + 1.0;
    }
    const double inf = INFINITY, nan = NAN;
    const double slopes[] = {nan, inf, -inf, 1e300, -1e300, 1e-310, -1e-310, 0.0, -0.0, 1e5, -1e5};
    const double scales[] = {1.0005, 1.02, 1e300, inf, nan};
    QpTerms kept;
    kept.clear();
    int long_growths = 0;
    for (const int16_t k0 : {int16_t(60), int16_t(119)})
        for (const double d0 : slopes)
            for (const double scale : scales)
                for (const float E : {0.001f, 0.1f}) {
                    const int16_t kt = int16_t(k0 - 50);
                    QpValues Y{}, D{};
                    Y(k0) = QPWORK.YQ(k0) * scale;
                    Y(kt) = QPWORK.YQ(kt) * scale;
                    D(k0) = d0;
                    D(kt) = -d0;
                    int16_t a = 0, b = 0;
                    ref::QPFIT13(1, k0, b, Y, D, E);
                    for (const QpIsa isa : qp_variants()) {
                        set_qp_isa(isa);
                        QPFIT13(1, k0, a, Y, D, E, &kept);
                        ASSERT_EQ(a, b) << qp_variant_name(isa) << ": QPFIT13 from " << k0 << ", slope " << d0
                                        << ", scale " << scale;
                    }
                    long_growths += k0 - a > 4;
                    QpValues Y2{}, D2{}, Y2r{}, D2r{};
                    QPFIT12(1, k0, a, Y, D, Y2, D2, E, &kept);
                    ref::QPFIT12(1, k0, b, Y, D, Y2r, D2r, E);
                    ASSERT_EQ(a, b) << "QPFIT12 from " << k0 << ", slope " << d0 << ", scale " << scale;
                    ASSERT_TRUE(same_bits(Y2, Y2r) && same_bits(D2, D2r))
                        << "QPFIT12 from " << k0 << ", slope " << d0 << ", scale " << scale;
                    ref::QPFIT22(kt, N, b, Y, D, E);
                    for (const QpIsa isa : qp_variants()) {
                        set_qp_isa(isa);
                        QPFIT22(kt, N, a, Y, D, E, &kept);
                        ASSERT_EQ(a, b) << qp_variant_name(isa) << ": QPFIT22 from " << kt << ", slope " << -d0
                                        << ", scale " << scale;
                    }
                    long_growths += a - kt > 4;
                }
    EXPECT_GT(long_growths, 8);
}

// The growths that record nothing take their points four at a time in the
// AVX2 variant (from the anchor's neighbour on, while the points are
// regular), the rest two at a time or one by one. On a layer with a peak,
// growths downward below it and upward above it, in each variant: they end
// on each point of a group, in the points after the last whole group, and
// at or past a point at the anchor's own radius (radii out of order, so
// that such a point falls inside a group), where the reference ends them.
TEST(QpFitIdentity, GrowthsThatRecordNothingEndWhereTheReferenceEnds) {
    reset_run_state();
    std::mt19937 g(4242);
    std::uniform_real_distribution<double> u(0.0, 1.0);
    QpTerms kept;
    // Growths of fresh terms, whose groups start at points 1, 5, 9, ...:
    // by direction (down, up), those ending on the first to fourth point
    // of a group, and those ending or reaching the limit after the last
    // whole group; of the first, those ending past the first group.
    int ends[2][4] = {}, later[2][4] = {}, tails[2] = {};
    int at_radius = 0, past_radius = 0;  // growths reaching, and going past, a point at the anchor's radius
    for (int n = 0; n < 100; ++n) {
        const int16_t N = int16_t(40 + g() % 160), peak = int16_t(N / 3 + g() % (N / 3));
        const double ripple = 0.01 * u(g) * u(g), width = 1.2 + u(g);
        for (int16_t i = 1; i <= N; ++i) {
            QPWORK.RQ(i) = R0 + 150.0 + i;
            QPWORK.XQ(i) = 1.0 / QPWORK.RQ(i);
            const double s = double(i - peak) / (width * N);
            QPWORK.YQ(i) = 40.0 * (1.0 - s * s) * (1.0 + ripple * std::sin(double(i))) + 1.0;
        }
        kept.clear();
        for (int k = 0; k < 150; ++k) {
            const float E = ACCURACIES[g() % 7];
            const int step = g() % 2 ? 1 : -1;
            // Downward from at or below the peak, upward from at or above it.
            const int16_t k0 = int16_t(step < 0 ? 2 + g() % (peak - 1) : peak + g() % (N - peak));
            const int16_t limit = u(g) < 0.5 ? int16_t(step < 0 ? 1 : N)
                                             : int16_t(step < 0 ? 1 + g() % (k0 - 1) : k0 + 1 + g() % (N - k0));
            const int tmax = std::abs(limit - k0);
            QpValues Y{}, D{};
            Y(k0) = QPWORK.YQ(k0) * (1.0 + 0.002 * u(g));
            // About the layer's own slope dfN**2/dx, at times none.
            const int16_t lo = int16_t(std::max(1, k0 - 1)), hi = int16_t(std::min(int(N), k0 + 1));
            const double slope = (QPWORK.YQ(hi) - QPWORK.YQ(lo)) / (QPWORK.XQ(hi) - QPWORK.XQ(lo));
            D(k0) = u(g) < 0.1 ? 0.0 : slope * (0.85 + 0.3 * u(g));
            // At times a point 2 to 7 points on moved to the anchor's
            // radius, with a value the anchor's segment passes (or not).
            const int d = 2 + int(g() % 6);
            const int16_t moved = int16_t(k0 + step * d);
            const bool move = u(g) < 0.3 && d <= tmax;
            const double saved[3] = {move ? QPWORK.RQ(moved) : 0.0, move ? QPWORK.XQ(moved) : 0.0,
                                     move ? QPWORK.YQ(moved) : 0.0};
            if (move) {
                QPWORK.RQ(moved) = QPWORK.RQ(k0);
                QPWORK.XQ(moved) = QPWORK.XQ(k0);
                QPWORK.YQ(moved) = Y(k0) * (1.0 - (u(g) < 0.8 ? 0.5 : 3.0) * E);
                kept.clear();
            }
            int16_t want = 0;
            if (step < 0)
                ref::QPFIT13(limit, k0, want, Y, D, E);
            else
                ref::QPFIT22(k0, limit, want, Y, D, E);
            for (QpTerms* terms : {&kept, static_cast<QpTerms*>(nullptr)})
                for (const QpIsa isa : qp_variants()) {
                    set_qp_isa(isa);
                    int16_t got = 0;
                    if (step < 0)
                        QPFIT13(limit, k0, got, Y, D, E, terms);
                    else
                        QPFIT22(k0, limit, got, Y, D, E, terms);
                    ASSERT_EQ(got, want) << qp_variant_name(isa) << ": from " << k0 << " to " << limit
                                         << (move ? ", a point at its radius" : "");
                    // The same growth as the only anchor of a second look-ahead.
                    const int16_t lowest = QPFIT13_LOWEST(limit, k0, k0, Y, D, E, 9999, terms);
                    ASSERT_EQ(lowest, want != k0 ? want : 9999) << qp_variant_name(isa) << ": from " << k0
                                                                << " to " << limit << " as the only anchor";
                }
            const int taken = std::abs(want - k0);
            if (move) {
                at_radius += taken >= d - 1;
                past_radius += taken >= d;
                QPWORK.RQ(moved) = saved[0];
                QPWORK.XQ(moved) = saved[1];
                QPWORK.YQ(moved) = saved[2];
                kept.clear();
            } else if (taken + 1 <= tmax / 4 * 4) {
                ++ends[step > 0][taken % 4];
                later[step > 0][taken % 4] += taken >= 4;
            } else if (tmax % 4 != 0) {
                ++tails[step > 0];
            }
        }
    }
    for (int dir = 0; dir < 2; ++dir) {
        for (int lane = 0; lane < 4; ++lane) {
            EXPECT_GT(ends[dir][lane], 100) << dir << " " << lane;
            EXPECT_GT(later[dir][lane], 20) << dir << " " << lane;
        }
        EXPECT_GT(tails[dir], 100) << dir;
    }
    EXPECT_GT(at_radius, 100);
    EXPECT_GT(past_radius, 50);
    for (int dir = 0; dir < 2; ++dir)
        std::printf("%s: ends on points 1-4 of a group %d %d %d %d (past the first group %d %d %d %d), tails %d\n",
                    dir ? "up" : "down", ends[dir][0], ends[dir][1], ends[dir][2], ends[dir][3], later[dir][0],
                    later[dir][1], later[dir][2], later[dir][3], tails[dir]);
    std::printf("at a point at the anchor's radius %d, past it %d\n", at_radius, past_radius);
}

// A run starts in the processor's own variant, whatever the last one set;
// AVX2 is never set where the processor lacks it.
TEST(QpFitIdentity, RunsStartInTheProcessorsVariant) {
    set_qp_isa(QpIsa::sse2);
    reset_run_state();
    EXPECT_EQ(qp_isa(), processor_qp_isa());
    set_qp_isa(QpIsa::avx2);
    EXPECT_EQ(qp_isa(), processor_qp_isa());
    set_qp_isa(QpIsa::sse2);
    EXPECT_EQ(qp_isa(), QpIsa::sse2);
    reset_run_state();
}

}  // namespace
}  // namespace kolm
