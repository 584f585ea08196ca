// The F1 and F2 solvers: the height check, the F1 group delay, the status
// paths and the solution kept by the term-by-term build-up.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "blocks/peltarscale.h"
#include "blocks/peltartrueh.h"
#include "blocks/status.h"
#include "inversion/f1_layer.h"
#include "inversion/gauss_integral.h"
#include "inversion/inversion_test.h"
#include "inversion/profil1.h"
#include "inversion/sequence_fixture.h"
#include "inversion/synthetic_record.h"
#include "sections/coef_reexpression.h"

namespace kolm {
namespace {

class FLayers : public testrec::InversionTest {};

// A section from 3 to 8 MHz whose data lie 10 km above its curve except for
// a stretch of points below it.
void height_check_section(int first_bad, int bad_count, int16_t irgn) {
    auto& T = TRCSEC;
    auto& C = LAYCOF;
    LAYCTL.IRGN = irgn;
    C.ZMF1 = C.ZMF2 = 300.0f;
    C.A.fill(0.0f);
    C.A(1) = -100.0f;
    C.A(2) = 8.0f;
    T.FSTART = 3.0f;
    T.FEND = 8.0f;
    T.NN = 5;
    T.NFQ = 0;
    for (int k = 0; k < 70; ++k) {
        const float f = 3.0f + 0.0625f * float(k);
        const float h = 300.0f + section_curve(C.A.data(), 5, section_coordinate(f, 3.0f, 8.0f));
        ++T.NFQ;
        T.FK(T.NFQ) = f;
        T.PPO(T.NFQ) = (k >= first_bad && k < first_bad + bad_count) ? h - 1.0f : h + 10.0f;
    }
}

TEST_F(FLayers, HeightCheckCountsBadStretchesAgainstTheSpan) {
    struct Case {
        int first_bad, bad_count;
        int16_t irgn;
        int16_t status;
    } cases[] = {
        // 3 bad points: good to good 0.25 MHz of 5 MHz, 5 percent.
        {20, 3, 3, status::F2_TRACE},
        {20, 3, 2, status::F1_TRACE},
        // 2 bad points: 0.1875 MHz, 3.75 percent.
        {20, 2, 3, status::PROFILE_OBTAINED},
        // A stretch that lasts to the last point is not counted.
        {50, 20, 3, status::PROFILE_OBTAINED},
    };
    for (const Case& c : cases) {
        height_check_section(c.first_bad, c.bad_count, c.irgn);
        SCALE2.IQUALE(2) = status::PROFILE_OBTAINED;
        HEIGHTCHK();
        EXPECT_EQ(SCALE2.IQUALE(2), c.status) << c.first_bad << " " << c.bad_count;
    }
    // Points appended below the data (synthetic ones) are not examined.
    height_check_section(20, 2, 3);
    for (int k = 0; k < 10; ++k) {
        ++TRCSEC.NFQ;
        TRCSEC.FK(TRCSEC.NFQ) = 2.9f - 0.05f * float(k);
        TRCSEC.PPO(TRCSEC.NFQ) = 0.0f;
    }
    SCALE2.IQUALE(2) = status::PROFILE_OBTAINED;
    HEIGHTCHK();
    EXPECT_EQ(SCALE2.IQUALE(2), status::PROFILE_OBTAINED);
}

TEST_F(FLayers, F1GroupDelayIsAtLeastTheLayerThickness) {
    float first_f;
    testrec::solve_through_f2(synth::make_record({"day, F1", synth::day(true, 11), true, 4.3, 11, 0.2f}, first_f));
    ASSERT_EQ(SCALE2.IQUALE(2), status::PROFILE_OBTAINED);
    auto& T = TRCSEC;
    const float fstart = T.FSTART, fend = T.FEND;
    const int16_t nn = T.NN;
    FNDDHF1();
    EXPECT_EQ(T.FSTART, fstart);
    EXPECT_EQ(T.FEND, fend);
    EXPECT_EQ(T.NN, nn);
    const float dz = LAYCOF.ZMF1 - DERPAR.HSTARTF1;
    ASSERT_GT(dz, 10.0f);
    for (int K = 1; K <= T.NFQ; ++K) EXPECT_GE(VALPAR.DHF1(K), dz);
    // Just above foF1 the wave is much retarded in the F1 layer.
    EXPECT_GT(VALPAR.DHF1(1), 1.5f * dz);
    EXPECT_EQ(VALPAR.DHF1(T.NFQ + 1), 0.0f);

    // Without an F1 layer nothing.
    LAYCOF.FC(3) = LAYCOF.FC(2);
    FNDDHF1();
    EXPECT_EQ(VALPAR.DHF1(1), 0.0f);
}

// Records with only a few F2 points: at most two cannot be solved.
TEST_F(FLayers, TooFewF2Points) {
    for (int n : {2, 3, 5}) {
        reset_run_state();
        synth::Case c{"day, no F1", synth::day(false, 11), true, 0.0, 11, 0.2f};
        float first_f;
        testrec::Record r = synth::make_record(c, first_f);
        r.f2.heights.resize(size_t(n));
        r.f2.fc = r.fminf + float(n - 1) * synth::STEP;
        r.fof2 = r.f2.fc;
        testrec::load(r);
        PROFIL1();
        if (n == 2)
            EXPECT_EQ(SCALE2.IQUALE(2), status::F2_FEW_POINTS);
        else
            EXPECT_NE(SCALE2.IQUALE(2), status::F2_FEW_POINTS) << n;
    }
}

TEST_F(FLayers, SectionStartAtOrAboveItsTopIsAFrequencyRangeError) {
    // foE 3.0 gives the E top 3.01; foF1 (or foF2) 3.04 snaps down to 3.00.
    struct Case {
        bool f1;
        int16_t status;
        const char* layer;
        const char* error;
    } cases[] = {
        {true, status::F1_RANGE, " F1 LAYER: FSTART,FEND=   3.010   3.000",
         " DATA ERROR: F1-REGION FREQUENCY RANGE ERROR!"},
        {false, status::F2_RANGE, " F2 LAYER: FSTART,FEND=   3.010   3.000",
         " DATA ERROR: F2-REGION FREQUENCY RANGE ERROR!"},
    };
    for (const Case& c : cases) {
        reset_run_state();
        float first_f;
        testrec::Record r = synth::make_record({"day", synth::day(false, 11), true, 0.0, 11, 0.2f}, first_f);
        r.foe = 3.0f;
        r.e.fc = 3.0f;
        r.e.heights.resize(41);
        r.fminf = 3.0f;
        if (c.f1) {
            r.fof1 = 3.04f;
            r.f1 = testrec::Trace{3.04f, {240.0f}};
            r.f2 = testrec::Trace{3.5f, std::vector<float>(10, 250.0f)};
            r.fof2 = 3.5f;
        } else {
            r.f2 = testrec::Trace{3.04f, {240.0f}};
            r.fof2 = 3.04f;
        }
        testrec::load(r);
        ::testing::internal::CaptureStderr();
        PROFIL1();
        const std::string out = ::testing::internal::GetCapturedStderr();
        EXPECT_EQ(SCALE2.IQUALE(2), c.status);
        EXPECT_NE(out.find(std::string(c.layer) + "\n" + c.error), std::string::npos) << out;
    }
}

// An F1 section left without usable points is an unreasonable F1 trace.
TEST_F(FLayers, F1TraceWithoutUsablePoints) {
    float first_f;
    testrec::Record r = synth::make_record({"day, F1", synth::day(true, 11), true, 4.3, 11, 0.2f}, first_f);
    for (float& h : r.f1.heights) h = 100.0f;  // below the E peak
    testrec::load(r);
    PROFIL1();
    EXPECT_EQ(SCALE2.IQUALE(2), status::F1_TRACE);
    EXPECT_EQ(TRCSEC.NFQ, 0);
}

// The build-up with synthetic points reports the pass it keeps: its
// coefficients, term count and top.
TEST_F(FLayers, BuildUpKeepsItsLastGoodPass) {
    synth::Case c{"day, F1, gap", synth::day(true, 11), true, 4.3, 11, 0.2f};
    c.f2_gap = 0.5f;
    float first_f;
    testrec::solve_through_f2(synth::make_record(c, first_f));
    ASSERT_EQ(SCALE2.IQUALE(2), status::PROFILE_OBTAINED);
    ASSERT_EQ(VALPAR.F1CASE, 1);
    const auto& T = TRCSEC;
    const auto& C = LAYCOF;
    const float fq = SCLCHR.FQINCR;
    const float scaled = std::trunc((SCLCHR.FOF2 + 0.0005f) / fq) * fq;
    EXPECT_EQ(C.FC(4), T.FEND);
    EXPECT_GE(C.FC(4), scaled);
    EXPECT_LE(C.FC(4), scaled + fq);
    float sum = 0.0f;
    for (int I = 1; I <= 5; ++I) sum += C.AF2(I);
    EXPECT_FLOAT_EQ(C.ZMF2, DERPAR.HSTARTF2 - sum);
    // The synthetic points lie below the data, down to just above the E top.
    EXPECT_GT(T.NFQ, 10);
    EXPECT_LT(T.FK(T.NFQ), T.FK(1));
    EXPECT_GT(T.FK(T.NFQ), C.FC(2));
    EXPECT_LE(T.FK(T.NFQ), C.FC(2) + fq + 1e-4f);
    // The half-density height lies on the F2 section.
    EXPECT_GT(C.ZHALF, C.ZMF1);
    EXPECT_LT(C.ZHALF, C.ZMF2);
}

}  // namespace
}  // namespace kolm
