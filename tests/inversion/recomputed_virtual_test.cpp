// Recomputed virtual heights: a solved profile gives back the data it was
// fitted to, by parts and in sum, and leaves the section state as it was.
#include "inversion/recomputed_virtual.h"

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

namespace kolm {
namespace {

using RecomputedVirtual = testrec::SolvedDayTest;

TEST_F(RecomputedVirtual, SolvedSectionGivesBackItsData) {
    solve_day();
    // The F2 fit's mean residual is that of the recomputed virtual heights.
    const auto& T = TRCSEC;
    double sum = 0.0;
    int n = 0;
    for (int K = 1; K <= T.NFQ; ++K) {
        float hv;
        RECVIRT(T.FK(K), hv, RV_ALL);
        sum += std::fabs(hv - T.PPO(K));
        ++n;
    }
    ASSERT_GT(n, 20);
    EXPECT_NEAR(sum / n, LAYCOF.ER(3), 0.02);
    EXPECT_LT(LAYCOF.ER(3), 15.0f);
}

TEST_F(RecomputedVirtual, PartsAddUpAndStateIsRestored) {
    solve_day();
    auto& T = TRCSEC;
    const float fstart = T.FSTART, fend = T.FEND, fk1 = T.FK(1);
    const int16_t nn = T.NN, nfq = T.NFQ;
    float s1[MAXTERMS];
    for (int N = 1; N <= MAXTERMS; ++N) s1[N - 1] = SMAT.S(N, 1);

    const float F = 6.0f;
    float own, e, valley, f1, all;
    RECVIRT(F, own, RV_OWN);
    RECVIRT(F, e, RV_E);
    RECVIRT(F, valley, RV_VALLEY);
    RECVIRT(F, f1, RV_F1);
    RECVIRT(F, all, RV_ALL);
    EXPECT_NEAR(all, own + e + valley + f1, 1e-3f);
    EXPECT_GE(e, LAYCOF.ZME);
    EXPECT_GE(valley, LAYCTL.W - 1e-4f);
    EXPECT_GT(f1, LAYCOF.ZMF1 - DERPAR.HSTARTF1 - 1.0f);
    EXPECT_GT(own, 0.0f);
    for (int i = 1; i <= 5; ++i) EXPECT_EQ(LAYCOF.A(i), LAYCOF.AF2(i)) << "A holds the region's coefficients";

    EXPECT_EQ(T.FSTART, fstart);
    EXPECT_EQ(T.FEND, fend);
    EXPECT_EQ(T.NN, nn);
    EXPECT_EQ(T.NFQ, nfq);
    EXPECT_EQ(T.FK(1), fk1);
    for (int N = 1; N <= MAXTERMS; ++N) EXPECT_EQ(SMAT.S(N, 1), s1[N - 1]);

    // Above the region's top there is no value, and the state is restored too.
    float hv = 0.0f;
    RECVIRT(LAYCOF.FC(4) + 0.1f, hv, RV_ALL);
    EXPECT_EQ(hv, NOTCOMPUTED);
    EXPECT_EQ(T.FEND, fend);
    EXPECT_EQ(T.FK(1), fk1);
    RECVIRT(LAYCOF.FC(4) + 0.1f, hv, RV_E);
    EXPECT_TRUE(std::isfinite(hv));
}

// At the region's top the wave reflects at the peak: its own layer is the
// largest delay of the section, not left out.
TEST_F(RecomputedVirtual, TopOfTheRegionReflectsAtThePeak) {
    solve_day();
    const float top = LAYCOF.FC(4);
    float below, at;
    RECVIRT(top - 0.1f, below, RV_OWN);
    RECVIRT(top, at, RV_OWN);
    EXPECT_GT(below, 0.0f);
    EXPECT_GT(at, below);
    EXPECT_TRUE(std::isfinite(at));
}

TEST_F(RecomputedVirtual, RegionsBelowF2) {
    solve_day();
    // F1 region: no F1 part of its own below; E region: the start height.
    LAYCTL.IRGN = 2;
    float hv;
    RECVIRT(4.0f, hv, RV_F1);
    EXPECT_EQ(hv, 0.0f);
    LAYCTL.IRGN = 1;
    RECVIRT(2.0f, hv, RV_E);
    EXPECT_EQ(hv, DERPAR.HSTART);
    float own, all;
    RECVIRT(2.0f, own, RV_OWN);
    RECVIRT(2.0f, all, RV_ALL);
    EXPECT_NEAR(all, own + DERPAR.HSTART, 1e-3f);
    RECVIRT(2.0f, hv, RV_VALLEY);
    EXPECT_EQ(hv, 0.0f);
    // Without F1 the F2 region has no F1 part.
    LAYCTL.IRGN = 3;
    LAYCOF.FC(3) = LAYCOF.FC(2);
    RECVIRT(6.0f, hv, RV_F1);
    EXPECT_EQ(hv, 0.0f);
}

TEST_F(RecomputedVirtual, ValleyOfConstantSlabAddsItsThickness) {
    solve_day();
    VALPAR.WV1 = LAYCTL.W = 30.0f;
    VALPAR.FVAL0 = 0.0f;
    float hv;
    RECVIRT(6.0f, hv, RV_VALLEY);
    EXPECT_EQ(hv, 30.0f);
}

TEST_F(RecomputedVirtual, ResidualOfAnExactFitIsZero) {
    solve_day();
    auto& T = TRCSEC;
    CDO();
    SIK();
    for (int K = 1; K <= T.NFQ; ++K) T.PPO(K) = virtual_height(K);
    float err = -1.0f;
    ERROR1(err);
    EXPECT_LT(err, 1e-4f);
    EXPECT_GE(err, 0.0f);
    float hv;
    VIRTUAL(2, hv);
    EXPECT_NEAR(hv, T.PPO(2), 1e-3f);

    T.NFQ = 0;
    ERROR1(err);
    EXPECT_EQ(err, NOTCOMPUTED);
}

}  // namespace
}  // namespace kolm
