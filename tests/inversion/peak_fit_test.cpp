// Semi-thickness near the peak: the Gram matrix of the section basis, a
// layer whose upper half is the reference shape scaled by a known length,
// the parabola bound, and the cases with no determined semi-thickness.
#include "inversion/peak_fit.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>

#include "blocks/peltarscale.h"
#include "blocks/peltartrueh.h"
#include "blocks/run_state.h"
#include "blocks/status.h"
#include "inversion/inversion_test.h"
#include "inversion/profil1.h"
#include "inversion/reference.h"
#include "inversion/starting_shapes.h"
#include "inversion/synthetic_record.h"

namespace kolm {
namespace {

using Vec5 = std::array<double, 5>;

double gram(int i, int j) {
    return testref::integrate(
        [&](double x) {
            double ti, tj, d;
            testref::tstar(i, x, ti, d);
            testref::tstar(j, x, tj, d);
            return x * ti * tj;
        },
        0.0, 1.0, 4);
}

// Coefficients on [fs, fe] of the section curve that equals, on [fm, fe],
// the curve with coefficients b on [fm, fe]: collocation at five frequencies.
Vec5 coefficients_on_whole_layer(double fs, double fm, double fe, const Vec5& b) {
    double M[5][6];
    for (int r = 0; r < 5; ++r) {
        const double xp = 0.1 + 0.2 * r;  // co-ordinate on the upper half
        const double f = fe * std::pow(fm / fe, xp);
        const double x = std::log(f / fe) / std::log(fs / fe);
        double rhs = 0.0;
        for (int j = 0; j < 5; ++j) {
            double t, d;
            testref::tstar(j, xp, t, d);
            rhs += b[size_t(j)] * t;
            testref::tstar(j, x, t, d);
            M[r][j] = std::sqrt(x) * t;
        }
        M[r][5] = std::sqrt(xp) * rhs;
    }
    for (int c = 0; c < 5; ++c) {
        int p = c;
        for (int r = c + 1; r < 5; ++r)
            if (std::fabs(M[r][c]) > std::fabs(M[p][c])) p = r;
        for (int k = 0; k < 6; ++k) std::swap(M[c][k], M[p][k]);
        for (int r = 0; r < 5; ++r) {
            if (r == c) continue;
            const double q = M[r][c] / M[c][c];
            for (int k = c; k < 6; ++k) M[r][k] -= q * M[c][k];
        }
    }
    Vec5 a;
    for (int r = 0; r < 5; ++r) a[size_t(r)] = M[r][5] / M[r][r];
    return a;
}

// The reference shape of the range [fm, fe] with nn terms.
Vec5 reference_shape(double fm, double fe, int nn) {
    TRCSEC.FSTART = float(fm);
    TRCSEC.FEND = float(fe);
    TRCSEC.NN = int16_t(nn);
    ZEROPROF(0);
    Vec5 r{};
    for (int j = 0; j < nn; ++j) r[size_t(j)] = LAYCOF.A(j + 1);
    return r;
}

// Region irgn from fs to fe with coefficients a, peak zm and start height hs.
void set_layer(int irgn, float fs, float fe, const Vec5& a, float zm, float hs) {
    LAYCTL.IRGN = int16_t(irgn);
    LAYCOF.FC(irgn) = fs;
    LAYCOF.FC(irgn + 1) = fe;
    auto& AL = irgn == 2 ? LAYCOF.AF1 : LAYCOF.AF2;
    for (int j = 1; j <= 5; ++j) AL(j) = float(a[size_t(j - 1)]);
    (irgn == 2 ? LAYCOF.ZMF1 : LAYCOF.ZMF2) = zm;
    (irgn == 2 ? DERPAR.HSTARTF1 : DERPAR.HSTARTF2) = hs;
}

class PeakFit : public ::testing::Test {
protected:
    void SetUp() override {
        reset_run_state();
        YLAYER.YF1 = YLAYER.YF2 = NOTCOMPUTED;
    }
};

TEST_F(PeakFit, GramMatrixOfTheSectionBasis) {
    for (int i = 1; i <= 5; ++i)
        for (int j = 1; j <= 5; ++j) EXPECT_NEAR(PEAKQ(i, j), gram(i - 1, j - 1), 1e-7) << i << " " << j;
    EXPECT_FLOAT_EQ(PEAKQ(1, 2), 1.0f / 6.0f);
    EXPECT_FLOAT_EQ(PEAKQ(5, 5), 31.0f / 126.0f);
}

// The upper half of the layer is the reference shape times 40 km: the
// semi-thickness is 40 km, or the parabola bound when that is smaller.
TEST_F(PeakFit, ReferenceShapeTimesFortyKilometres) {
    struct Case {
        int irgn;
        float fs, fe;
        float thickness;  // peak minus start height, km
        double expected;
    } cases[] = {
        {3, 4.0f, 8.0f, 100.0f, 40.0},
        {3, 4.0f, 8.0f, 30.0f, 30.0 / std::sqrt(1.0 - 0.25)},
        {2, 3.0f, 4.5f, 120.0f, 40.0},
        {2, 3.0f, 4.5f, 20.0f, 20.0 / std::sqrt(1.0 - (3.0 / 4.5) * (3.0 / 4.5))},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.irgn * 1000 + int(c.thickness));
        YLAYER.YF1 = YLAYER.YF2 = NOTCOMPUTED;
        const double fm = (double(c.fs) + c.fe) / 2.0;
        Vec5 b = reference_shape(fm, c.fe, 5);
        for (double& x : b) x *= 40.0;
        set_layer(c.irgn, c.fs, c.fe, coefficients_on_whole_layer(c.fs, fm, c.fe, b), 250.0f,
                  250.0f - c.thickness);
        TRCSEC.NN = 5;
        PARAFITF();
        const float got = c.irgn == 2 ? YLAYER.YF1 : YLAYER.YF2;
        EXPECT_NEAR(got, c.expected, 0.02);
        EXPECT_EQ(c.irgn == 2 ? YLAYER.YF2 : YLAYER.YF1, NOTCOMPUTED) << "the other layer's value";
        EXPECT_FLOAT_EQ(TRCSEC.FSTART, float(fm));
        EXPECT_FLOAT_EQ(TRCSEC.FEND, c.fe);
    }
}

// A section of fewer than five terms: the reference shape has as many, and
// what A holds beyond them from earlier stages takes no part.
TEST_F(PeakFit, TermsTheShapeDoesNotFillCountAsZero) {
    const float fs = 4.0f, fe = 8.0f;
    const double fm = 6.0;
    Vec5 b = reference_shape(fm, fe, 5);
    for (double& x : b) x *= 40.0;
    const Vec5 a = coefficients_on_whole_layer(fs, fm, fe, b);
    const Vec5 r3 = reference_shape(fm, fe, 3);
    double num = 0.0, den = 0.0;
    for (int i = 0; i < 5; ++i)
        for (int j = 0; j < 5; ++j) {
            num += gram(i, j) * r3[size_t(j)] * b[size_t(i)];
            den += gram(i, j) * r3[size_t(i)] * r3[size_t(j)];
        }
    for (float stale : {1000.0f, -1000.0f}) {
        set_layer(3, fs, fe, a, 250.0f, 150.0f);
        TRCSEC.NN = 3;
        LAYCOF.A(4) = LAYCOF.A(5) = stale;
        PARAFITF();
        EXPECT_NEAR(YLAYER.YF2, num / den, 0.02) << stale;
    }
}

TEST_F(PeakFit, UndeterminedSemiThicknessIsNotComputed) {
    const Vec5 a{-60.0, -2.0, -5.0, 0.7, -0.5};
    struct Case {
        const char* what;
        float fs, fe, zm, hs;
    } cases[] = {
        {"peak below its start", 4.0f, 8.0f, 200.0f, 230.0f},
        {"peak at its start", 4.0f, 8.0f, 200.0f, 200.0f},
        {"start frequency at the peak frequency", 8.0f, 8.0f, 250.0f, 190.0f},
        {"start frequency above the peak frequency", 8.5f, 8.0f, 250.0f, 190.0f},
    };
    for (const Case& c : cases) {
        set_layer(3, c.fs, c.fe, a, c.zm, c.hs);
        TRCSEC.NN = 5;
        YLAYER.YF2 = 12.0f;
        PARAFITF();
        EXPECT_EQ(YLAYER.YF2, NOTCOMPUTED) << c.what;
    }
    // The E region has no semi-thickness of this kind: nothing is written.
    set_layer(3, 4.0f, 8.0f, a, 250.0f, 190.0f);
    LAYCTL.IRGN = 1;
    YLAYER.YF1 = YLAYER.YF2 = 12.0f;
    PARAFITF();
    EXPECT_EQ(YLAYER.YF1, 12.0f);
    EXPECT_EQ(YLAYER.YF2, 12.0f);
}

// Day soundings through the inversion: the F1 layer of the model is a
// parabola in the plasma frequency squared from the valley top to its peak,
// which the parabola bound describes; the Chapman F2 layer of scale height H
// has near its peak the parabola of semi-thickness sqrt(2) H. An F1 layer
// scaled without trace points is derived in the F2 stage and gets its
// semi-thickness there, within its own bound; without F1 there is none.
class PeakFitSounding : public testrec::InversionTest {};

TEST_F(PeakFitSounding, SemiThicknessesOfSolvedLayers) {
    enum F1 { NONE, TRACED, DERIVED };
    struct Case {
        synth::Case c;
        F1 f1;
    } cases[] = {
        {{"day, F1", synth::day(true, 11), true, 4.3, 11, 0.2f}, TRACED},
        {{"day, F1 without points", synth::day(true, 11), true, 4.3, 11, 0.2f, false}, DERIVED},
        {{"day, no F1", synth::day(false, 11), true, 0.0, 11, 0.2f}, NONE},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.c.name);
        reset_run_state();
        copy_all_models();
        float first_f;
        testrec::load(synth::make_record(k.c, first_f));
        PROFIL1();
        ASSERT_EQ(SCALE2.IQUALE(iquale::STATUS), status::PROFILE_OBTAINED);
        const double ym2 = std::sqrt(2.0) * (k.f1 == NONE ? 60.0 : 45.0);
        EXPECT_NEAR(YLAYER.YF2, ym2, 0.15 * ym2);
        if (k.f1 == TRACED) {
            const double foe = 3.23, fof1 = 4.3, hm1 = 175.0, h0 = 110.0 + LAYCTL.WOUT;
            const double ym1 = (hm1 - h0) * fof1 / std::sqrt(fof1 * fof1 - foe * foe);
            EXPECT_NEAR(YLAYER.YF1, ym1, 0.15 * ym1);
        } else if (k.f1 == DERIVED) {
            // The end step left the F1 start (the E top) in FC(4), its top in FC(3).
            const double r = double(LAYCOF.FC(4)) / LAYCOF.FC(3);
            const double bound = (LAYCOF.ZMF1 - DERPAR.HSTARTF1) / std::sqrt(1.0 - r * r);
            EXPECT_GT(YLAYER.YF1, 10.0f);
            EXPECT_LE(YLAYER.YF1, bound * (1.0 + 1e-5));
        } else {
            EXPECT_EQ(YLAYER.YF1, NOTCOMPUTED);
        }
    }
}

}  // namespace
}  // namespace kolm
