// Section top search: the basis change of the integrals below the data, the
// bisection of the top frequency and the retry with fewer terms.
#include "inversion/section_top.h"

#include <gtest/gtest.h>

#include <cmath>

#include "blocks/peltarscale.h"
#include "blocks/peltartrueh.h"
#include "blocks/status.h"
#include "inversion/gauss_integral.h"
#include "inversion/inversion_test.h"
#include "inversion/profil1.h"
#include "inversion/sequence_fixture.h"
#include "inversion/synthetic_record.h"
#include "sections/coef_reexpression.h"

namespace kolm {
namespace {

class SectionTop : public testrec::InversionTest {
protected:
    void solve(const synth::Case& c) {
        float first_f;
        NHPROF.HSTEP = 1.0f;
        testrec::solve_through_f2(synth::make_record(c, first_f));
        ASSERT_EQ(SCALE2.IQUALE(2), status::PROFILE_OBTAINED);
    }
};

TEST_F(SectionTop, IntegralsBelowTheDataChangeBasisExactly) {
    SETCV();
    FLDPAR.DIP = 1.1f;
    FLDPAR.FH = 1.3f;
    GOGXCOM(FLDPAR.DIP);
    auto& T = TRCSEC;
    const float FS0 = 3.2f, FLO = 4.0f;
    T.FEND = 8.0f;
    T.NN = 5;
    T.NFQ = 0;
    for (float f = 4.1f; f < 7.95f; f += 0.3f) T.FK(++T.NFQ) = f;
    const float sol[5] = {-80.0f, 6.0f, -2.0f, 0.7f, -0.2f};  // on [FLO, FEND]

    T.FSTART = FLO;
    CDO();
    SIK();
    T.FSTART = FS0;
    SIKP(FLO);
    CHNGSIKP(FLO);
    float split[MAXTRC];
    for (int K = 1; K <= T.NFQ; ++K) {
        split[K - 1] = 0.0f;
        for (int N = 1; N <= 5; ++N) split[K - 1] += SMAT.S(N, K) * sol[N - 1];
    }
    float a[5];
    CONTPRFL(5, FLO, T.FEND, sol, FS0, a);
    CDO();
    SIK();
    for (int K = 1; K <= T.NFQ; ++K) {
        float whole = 0.0f;
        for (int N = 1; N <= 5; ++N) whole += SMAT.S(N, K) * a[N - 1];
        EXPECT_NEAR(split[K - 1], whole, 2e-3f * std::fabs(whole)) << T.FK(K);
        EXPECT_GT(whole, 0.0f);
    }
}

TEST_F(SectionTop, TopIsSearchedOnTheMillimegahertzGridWithinOneStep) {
    solve({"day, no F1", synth::day(false, 11), true, 0.0, 11, 0.2f});
    auto& C = LAYCOF;
    const float fq = SCLCHR.FQINCR;
    const float scaled = std::trunc((SCLCHR.FOF2 + 0.0005f) / fq) * fq;
    EXPECT_GE(C.FC(4), scaled);
    EXPECT_LE(C.FC(4), scaled + fq);
    EXPECT_NEAR(C.FC(4) * 1000.0f, std::round(C.FC(4) * 1000.0f), 1e-2f);
    EXPECT_EQ(SMAT.KCHK, 0);

    // Searched again from the scaled top: the same fit, coefficients on the 0.1 km grid.
    const float top = C.FC(4), err = C.ER(3);
    C.FC(4) = scaled;
    float e = -1.0f;
    DENSTY(e);
    EXPECT_EQ(SMAT.KCHK, 0);
    EXPECT_EQ(C.FC(4), top);
    EXPECT_EQ(TRCSEC.FEND, top);
    EXPECT_FLOAT_EQ(e, err);
    for (int I = 1; I <= TRCSEC.NN; ++I) EXPECT_NEAR(C.A(I) * 10.0f, std::round(C.A(I) * 10.0f), 1e-3f);

    // Fewer terms: four are enough here; NN comes back, A is 0 above four.
    C.FC(4) = scaled;
    FEWTERM(e);
    EXPECT_EQ(SMAT.KCHK, 0);
    EXPECT_EQ(TRCSEC.NN, 5);
    EXPECT_EQ(C.A(5), 0.0f);
}

TEST_F(SectionTop, BracketNarrowerThanTheToleranceStillTriesOnce) {
    solve({"day, no F1", synth::day(false, 11), true, 0.0, 11, 0.2f});
    SCLCHR.FQINCR = 0.001f;
    LAYCOF.FC(4) = 8.0f;
    float e = -1.0f;
    DENSTY(e);
    EXPECT_EQ(SMAT.KCHK, 0);
    EXPECT_NEAR(TRCSEC.FEND, 8.0005f, 0.00051f);  // the one trial top, on the 0.001 MHz grid
    EXPECT_EQ(LAYCOF.FC(4), TRCSEC.FEND);
    EXPECT_GT(e, 0.0f);
}

TEST_F(SectionTop, SectionWithoutPointsHasNoFit) {
    solve({"day, no F1", synth::day(false, 11), true, 0.0, 11, 0.2f});
    auto& T = TRCSEC;
    T.NFQ = 0;
    const float fstart = T.FSTART, fc4 = LAYCOF.FC(4);
    float e = 5.0f;
    DENSTY(e);
    EXPECT_EQ(SMAT.KCHK, 2);
    EXPECT_EQ(e, 5.0f);
    EXPECT_EQ(T.FSTART, fstart);
    EXPECT_EQ(LAYCOF.FC(4), fc4);
}

}  // namespace
}  // namespace kolm
