// The E layer: set-up, fixed-shape fit and its checks, inverted from virtual
// heights of known layers computed independently, and the E layer's group
// height for the sections above it.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "blocks/peltarscale.h"
#include "blocks/peltartrueh.h"
#include "blocks/status.h"
#include "inversion/e_layer.h"
#include "inversion/gauss_integral.h"
#include "inversion/profil1.h"
#include "inversion/starting_shapes.h"
#include "inversion/working_trace.h"
#include "inversion_test.h"
#include "record_fixture.h"

namespace kolm {
namespace {

using testrec::InversionTest;

constexpr double DEG = M_PI / 180.0;

// A record with an E trace of the given heights from 1.0 MHz and an F2 trace
// far above it.
testrec::Record e_record(float foe, const testrec::Trace& e, float dip_deg, float gyro) {
    testrec::Record r;
    r.dip_deg = dip_deg;
    r.gyro = gyro;
    r.foe = foe;
    r.e = e;
    r.fmine = 1.0f;
    r.fminf = 4.0f;
    r.fof2 = 4.5f;
    r.f2.fc = 4.5f;
    r.f2.heights.assign(11, 250.0f);
    return r;
}

class ELayer : public InversionTest {};

// The stages above the E layer reuse the section arrays and A (and the
// N(h) table rounds ZME), and the end step makes the working trace into the
// profile table: the record is decoded again and the E stage runs once more
// on its working trace to look at its own section as it left it.
void e_stage_again(const testrec::Record& r) {
    const int16_t status = SCALE2.IQUALE(2);
    testrec::load(r);
    SCALE2.IQUALE(2) = status;
    int16_t iok = 0;
    SETRCE(iok);
    float er = 0.0f;
    EPROF(er);
}

// E trace from 1.0 to 3.0 MHz of the unit shape of [0.2, 3.01] MHz scaled by
// SCALE km on a base at BASE km; virtual heights by dense integration with the
// field. A := the layer's coefficients.
testrec::Trace fixed_shape_trace(double base, double scale, double dip, double gyro, std::vector<double>& a) {
    TRCSEC.FSTART = 0.2f;
    TRCSEC.FEND = 3.01f;
    TRCSEC.NN = 3;
    ZEROPROF(0);
    a = {LAYCOF.A(1) * scale, LAYCOF.A(2) * scale, LAYCOF.A(3) * scale};
    testrec::Trace e;
    e.fc = 3.01f;
    for (int k = 20; k <= 60; ++k) {
        const double f = double(float(k) * 0.05f);
        e.heights.push_back(float(base + testref::section_group_path(f, 0.2, 3.01, a, 1e9, gyro, dip * DEG)));
    }
    return e;
}

TEST_F(ELayer, ParabolicLayerInvertsToItsHeightAndThickness) {
    struct Layer {
        double fc, hm, ym, dip_deg, gyro;
    };
    // The fixed shape has three terms of the five-term parabola expansion;
    // that truncation bounds the accuracy to a few tenths of a kilometre.
    const Layer layers[] = {
        {3.01, 110.0, 25.0, 65.0, 1.3},
        {3.51, 105.0, 18.0, 0.0, 1.0e-7},
        {2.51, 115.0, 28.0, 80.0, 1.5},
        {3.21, 108.0, 22.0, -30.0, 0.9},
    };
    for (const Layer& L : layers) {
        reset_run_state();
        const testrec::Trace e =
            testrec::parabolic_e_trace(L.fc, L.hm, L.ym, 1.0, 0.05f, L.gyro, L.dip_deg * DEG);
        const testrec::Record r = e_record(float(L.fc), e, float(L.dip_deg), float(L.gyro));
        testrec::load(r);
        PROFIL1();
        e_stage_again(r);
        SCOPED_TRACE("foE " + std::to_string(L.fc) + " dip " + std::to_string(L.dip_deg));
        EXPECT_EQ(SCALE2.IQUALE(2), status::PROFILE_OBTAINED);
        EXPECT_EQ(SCALE2.IQUALE(19), 0);
        EXPECT_EQ(SCALE2.IQUALE(1), 1);
        EXPECT_EQ(TRCSEC.NFQ, int(e.heights.size()));
        EXPECT_NEAR(LAYCOF.ZME, L.hm, 0.6);
        EXPECT_NEAR(YLAYER.YE, L.ym, 0.5);
        EXPECT_LT(LAYCOF.ER(1), 0.5f);
        EXPECT_EQ(SCALE2.HME, LAYCOF.ZME);
        EXPECT_FLOAT_EQ(LAYCOF.FC(1), 0.2f);
        EXPECT_NEAR(LAYCOF.FC(2), L.fc, 1e-4);
    }
}

TEST_F(ELayer, LayerOfTheFixedShapeIsRecovered) {
    // True layer: the unit shape of [0.2, 3.01] MHz scaled by 24 km on a base
    // at 86.0 km; virtual heights by dense integration with the field. The
    // 16-point rule resolves the steep lower end of a section that starts at
    // 0.2 MHz only roughly, which the fit absorbs into its base and scale.
    const double H0 = 86.0, SCALE = 24.0, dip = 62.0, gyro = 1.25;
    std::vector<double> a;
    const testrec::Trace e = fixed_shape_trace(H0, SCALE, dip, gyro, a);
    reset_run_state();
    testrec::load(e_record(3.01f, e, float(dip), float(gyro)));
    PROFIL1();
    ASSERT_EQ(SCALE2.IQUALE(2), status::PROFILE_OBTAINED);
    EXPECT_NEAR(DERPAR.HSTART, 86.0f, 0.2f);
    EXPECT_NEAR(DERPAR.HSTART * 10.0f, std::round(DERPAR.HSTART * 10.0f), 1e-3f);  // 0.1 km grid
    EXPECT_NEAR(YLAYER.YE, SCALE, 0.3);
    for (int n = 1; n <= 3; ++n) {
        EXPECT_NEAR(LAYCOF.AE(n), a[n - 1], 0.015 * std::fabs(a[n - 1])) << n;
        // Coefficients on the 0.001 grid.
        EXPECT_NEAR(LAYCOF.AE(n) * 1000.0f, std::round(LAYCOF.AE(n) * 1000.0f), 1e-3f);
    }
    EXPECT_NEAR(LAYCOF.ZME, H0 - (a[0] + a[1] + a[2]), 0.5);
    EXPECT_FLOAT_EQ(LAYCOF.ZME, DERPAR.HSTART - (LAYCOF.AE(1) + LAYCOF.AE(2) + LAYCOF.AE(3)));
    EXPECT_LT(LAYCOF.ER(1), 0.15f);

    // The E layer's group height for waves above it: dense integration
    // through the solved layer (to the same quadrature limit), never below
    // its peak height.
    const std::vector<double> ae = {LAYCOF.AE(1), LAYCOF.AE(2), LAYCOF.AE(3)};
    const std::vector<double> freqs = {3.02, 3.06, 3.3, 4.0, 6.0};
    TRCSEC.NFQ = int16_t(freqs.size());
    for (size_t k = 0; k < freqs.size(); ++k) TRCSEC.FK(int(k) + 1) = float(freqs[k]);
    TRCSEC.FSTART = 4.0f;
    TRCSEC.FEND = 7.0f;
    TRCSEC.NN = 5;
    FNDDHE();
    EXPECT_EQ(TRCSEC.FSTART, 4.0f);
    EXPECT_EQ(TRCSEC.FEND, 7.0f);
    EXPECT_EQ(TRCSEC.NN, 5);
    for (size_t k = 0; k < freqs.size(); ++k) {
        const double ref = DERPAR.HSTART +
                           testref::section_group_path(freqs[k], 0.2, LAYCOF.FC(2), ae, LAYCOF.FC(2), gyro, dip * DEG);
        const float got = TRCSEC.DHE(int(k) + 1);
        EXPECT_GE(got, LAYCOF.ZME);
        if (freqs[k] >= 3.3) {
            EXPECT_NEAR(got, ref, 0.03 * (ref - DERPAR.HSTART)) << freqs[k];
        }
    }
    EXPECT_EQ(TRCSEC.DHE(int(freqs.size()) + 1), 0.0f);
}

TEST_F(ELayer, BaseHeightOutsideItsRangeIsHeldAndTheScaleRefitted) {
    // Layers of the fixed shape on bases at 70 and 95 km: the base is held at
    // 75 and 90 km and the scale is the least-squares scale on that base.
    struct Case {
        double base;
        float held;
    };
    const double SCALE = 24.0, dip = 62.0, gyro = 1.25;
    for (const Case c : {Case{70.0, 75.0f}, Case{95.0, 90.0f}}) {
        reset_run_state();
        std::vector<double> a;
        const testrec::Trace e = fixed_shape_trace(c.base, SCALE, dip, gyro, a);
        reset_run_state();
        const testrec::Record r = e_record(3.01f, e, float(dip), float(gyro));
        testrec::load(r);
        PROFIL1();
        e_stage_again(r);
        SCOPED_TRACE(c.base);
        ASSERT_EQ(SCALE2.IQUALE(2), status::PROFILE_OBTAINED);
        EXPECT_EQ(DERPAR.HSTART, c.held);
        // Scale on the held base, from the section's integrals and unit shape.
        ZEROPROF(0);
        double spg = 0, sgg = 0;
        for (int k = 1; k <= TRCSEC.NFQ; ++k) {
            double g = 0;
            for (int n = 1; n <= 3; ++n) g += SMAT.S(n, k) * LAYCOF.A(n);
            spg += (TRCSEC.PPO(k) - c.held) * g;
            sgg += g * g;
        }
        EXPECT_NEAR(YLAYER.YE, spg / sgg, 1e-3 * spg / sgg);
    }
}

TEST_F(ELayer, FewerThanFourPointsGiveTheStandardLayer) {
    testrec::Trace e;
    e.fc = 3.0f;
    e.heights = {105.0f, 110.0f, 130.0f};
    const testrec::Record r = e_record(3.0f, e, 60.0f, 1.2f);
    testrec::load(r);
    PROFIL1();
    e_stage_again(r);
    EXPECT_EQ(SCALE2.IQUALE(2), status::PROFILE_OBTAINED);
    EXPECT_EQ(SCALE2.IQUALE(19), 1);
    EXPECT_EQ(LAYCOF.ZME, 110.0f);
    EXPECT_EQ(YLAYER.YE, 20.0f);
    EXPECT_EQ(LAYCOF.ER(1), 0.0f);
    float sum = 0.0f;
    for (int n = 1; n <= 3; ++n) {
        EXPECT_FLOAT_EQ(LAYCOF.AE(n), std::round(LAYCOF.A(n) * 200.0f) / 10.0f);
        sum += LAYCOF.AE(n);
    }
    EXPECT_FLOAT_EQ(DERPAR.HSTART, 110.0f + sum);
    // The unit shape stays in A.
    TRCSEC.NN = 3;
    const float a1 = LAYCOF.A(1);
    ZEROPROF(0);
    EXPECT_EQ(LAYCOF.A(1), a1);
}

TEST_F(ELayer, UnreasonableTraceGivesStatus7) {
    // Heights far too high for an E layer: the base is held at 90 km and the
    // scale grows until the peak lies above 180 km.
    testrec::Trace e;
    e.fc = 3.0f;
    for (int k = 0; k < 41; ++k) e.heights.push_back(400.0f + 10.0f * float(k));
    testrec::load(e_record(3.0f, e, 60.0f, 1.2f));
    PROFIL1();
    EXPECT_EQ(SCALE2.IQUALE(2), status::E_TRACE);
    EXPECT_GT(LAYCOF.ZME, 180.0f);
}

TEST_F(ELayer, NonFiniteFitIsAFailureNotAProfile) {
    // Every E point at or below the section start (0.2 MHz): no point enters
    // the layer, the fit's scale is 0/0.
    testrec::Record r = e_record(0.2f, testrec::Trace{0.2f, {90.0f, 91.0f, 92.0f, 93.0f}}, 60.0f, 1.2f);
    r.fmine = 0.05f;
    testrec::load(r);
    PROFIL1();
    EXPECT_EQ(SCALE2.IQUALE(2), status::E_TRACE);
    e_stage_again(r);
    EXPECT_EQ(TRCSEC.NFQ, 4);
    EXPECT_EQ(SCALE2.IQUALE(2), status::E_TRACE);
}

TEST_F(ELayer, EmptyFrequencyRangeGivesStatus4WithItsMessage) {
    // No E trace, the F trace starting at 0.25 MHz below the predicted foE:
    // the E top becomes 0.
    testrec::Record r;
    r.foe = 0.0f;
    r.fminf = 0.25f;
    r.fof2 = 0.5f;
    r.f2.fc = 0.5f;
    r.f2.heights.assign(6, 250.0f);
    testrec::load(r);
    ::testing::internal::CaptureStderr();
    PROFIL1();
    const std::string out = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(SCALE2.IQUALE(2), status::E_RANGE);
    EXPECT_EQ(SCALE2.IQUALE(1), 2);
    EXPECT_EQ(LAYCOF.FC(2), 0.0f);
    EXPECT_NE(out.find(" E LAYER: FSTART,FEND=   0.200   0.000"), std::string::npos) << out;
    EXPECT_NE(out.find(" DATA ERROR: E-REGION FREQUENCY RANGE ERROR!"), std::string::npos) << out;
}

TEST_F(ELayer, EPointsAtOrAboveTheTopTakeNoPartInTheFit) {
    // foE 3.04 on a grid from 1.04 MHz: the section top is snapped to 3.01,
    // so the point at 3.04 lies above it. The fit is the same as without it.
    testrec::Trace e = testrec::parabolic_e_trace(3.2, 110.0, 24.0, 1.0, 0.05f, 1.2, 60 * DEG);
    e.fc = 3.04f;
    e.heights.resize(41);
    testrec::Record r = e_record(3.04f, e, 60.0f, 1.2f);
    r.fmine = 1.04f;
    testrec::load(r);
    PROFIL1();
    e_stage_again(r);
    ASSERT_EQ(SCALE2.IQUALE(2), status::PROFILE_OBTAINED);
    EXPECT_NEAR(LAYCOF.FC(2), 3.01f, 1e-5f);
    EXPECT_EQ(TRCSEC.NFQ, 41);
    EXPECT_GT(TRCSEC.FK(41), LAYCOF.FC(2));
    const float zme = LAYCOF.ZME, ye = YLAYER.YE, er = LAYCOF.ER(1);

    reset_run_state();
    r.e.heights.back() = NOHEIGHT;  // the top point missing
    testrec::load(r);
    PROFIL1();
    e_stage_again(r);
    ASSERT_EQ(SCALE2.IQUALE(2), status::PROFILE_OBTAINED);
    EXPECT_EQ(TRCSEC.NFQ, 40);
    EXPECT_EQ(LAYCOF.ZME, zme);
    EXPECT_EQ(YLAYER.YE, ye);
    EXPECT_EQ(LAYCOF.ER(1), er);
}

}  // namespace
}  // namespace kolm
