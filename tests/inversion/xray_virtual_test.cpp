// Extraordinary-ray virtual heights: the X-wave group index against the
// Appleton-Hartree formula, the reflection condition, and RECVIRTX on a
// solved profile (parts, state left behind).
#include "inversion/xray_virtual.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>

#include "blocks/peltarscale.h"
#include "blocks/peltartrueh.h"
#include "blocks/status.h"
#include "inversion/gauss_integral.h"
#include "inversion/inversion_test.h"
#include "inversion/profil1.h"
#include "inversion/recomputed_virtual.h"
#include "inversion/sequence_fixture.h"
#include "inversion/synthetic_record.h"
#include "inversion/x_reference.h"

namespace kolm {
namespace {

TEST(XRayIndex, GroupIndexIsTheAppletonHartreeOne) {
    reset_run_state();
    const float fh = 1.35f;
    for (double dip : {0.0, 0.5, 65.0 * M_PI / 180.0, 1.569051}) {
        GOGXCOM(float(dip));
        for (float f : {1.6f, 3.0f, 8.0f}) {
            const double ax = double(f) * (f - fh);
            for (double r : {0.0, 0.3, 0.9, 0.999}) {
                SCOPED_TRACE(::testing::Message() << "dip " << dip << " f " << f << " X/(1-Y) " << r);
                const float fn2 = float(r * ax);
                float g = -1.0f;
                GXSUB(1.0f, f, fn2, fh, 0.0f, g);
                const double ref = testref::ah_x_group_index(f, fn2, fh, dip);
                EXPECT_NEAR(g, ref, ref * (r > 0.99 ? 2e-3 : 2e-5));
                float g2;
                GXSUB(0.5f, f, fn2, fh, 0.0f, g2);
                EXPECT_FLOAT_EQ(g2, 0.5f * g) << "U weights the index";
            }
        }
    }
    // No index at or beyond the reflection, nor at or below the gyrofrequency.
    float g = -1.0f;
    for (auto [f, fn2] : {std::pair{3.0f, 3.0f * (3.0f - fh)}, {3.0f, 9.0f}, {fh, 0.5f}, {1.0f, 0.5f}, {0.5f, 0.0f}}) {
        g = -1.0f;
        GXSUB(1.0f, f, fn2, fh, 0.0f, g);
        EXPECT_EQ(g, 0.0f) << f << " " << fn2;
    }
}

TEST(XRayIndex, ReflectionConditionOfTheSection) {
    reset_run_state();
    GOGXCOM(1.1f);
    SETCV();
    FLDPAR.FH = 1.2f;
    TRCSEC.FSTART = 2.0f;
    TRCSEC.FEND = 4.0f;
    TRCSEC.NN = 3;
    auto& X = XRAYWK;
    // Above the X frequency of the section start (2.69 MHz) the wave enters.
    CDX(3.0f);
    EXPECT_FLOAT_EQ(X.FR2, 3.0f * 1.8f);
    EXPECT_FLOAT_EQ(X.DR2, 3.0f * 1.8f - 4.0f);
    SXIK(3.0f);
    EXPECT_NE(X.SX(1), 0.0f);
    // Below it the wave does not enter: no integral.
    CDX(2.6f);
    EXPECT_EQ(X.DR2, 0.0f);
    EXPECT_FLOAT_EQ(X.FR2, 2.6f * 1.4f) << "the reflection of this wave, not of an earlier one";
    SXIK(2.6f);
    for (int N = 1; N <= 5; ++N) EXPECT_EQ(X.SX(N), 0.0f);
    // At and below the gyrofrequency there is no reflection to keep.
    CDX(1.0f);
    EXPECT_EQ(X.FR2, 0.0f);
    EXPECT_EQ(X.DR2, 0.0f);
    // Reflecting above the section top: no integral (no root of a negative co-ordinate).
    CDX(5.0f);
    SXIK(5.0f);
    for (int N = 1; N <= 5; ++N) EXPECT_EQ(X.SX(N), 0.0f);
    // A crossing that ends at or below the start.
    SXIKP(2.0f, 5.0f);
    for (int N = 1; N <= 5; ++N) EXPECT_EQ(X.SXP(N), 0.0f);
    // A section starting at 0 has no co-ordinate: nothing, never a NaN.
    TRCSEC.FSTART = 0.0f;
    CDX(3.0f);
    SXIK(3.0f);
    SXIKP(3.0f, 5.0f);
    for (int N = 1; N <= 5; ++N) EXPECT_EQ(X.SX(N) + X.SXP(N), 0.0f);
}

using XRayVirtual = testrec::SolvedDayTest;

TEST_F(XRayVirtual, PartsAddUpAndOnlyTheCoefficientsAreLeftChanged) {
    solve_day();
    auto trcsec = std::make_unique<TrcsecBlock>(TRCSEC);
    auto smat = std::make_unique<SmatBlock>(SMAT);
    auto fsqr = std::make_unique<FsqrBlock>(FSQR);
    auto derpar = std::make_unique<DerparBlock>(DERPAR);

    const float F = 7.0f;
    float own, e, valley, f1, all;
    RECVIRTX(F, own, RV_OWN);
    RECVIRTX(F, e, RV_E);
    RECVIRTX(F, valley, RV_VALLEY);
    RECVIRTX(F, f1, RV_F1);
    RECVIRTX(F, all, RV_ALL);
    EXPECT_NEAR(all, own + e + valley + f1, 1e-3f);
    EXPECT_GT(own, 0.0f);
    EXPECT_GE(e, LAYCOF.ZME);
    EXPECT_GE(valley, LAYCTL.W - 1e-3f);
    EXPECT_GT(f1, 0.0f);
    for (int i = 1; i <= 5; ++i) EXPECT_EQ(LAYCOF.A(i), LAYCOF.AF2(i)) << "A holds the region's coefficients";
    EXPECT_EQ(std::memcmp(&TRCSEC, trcsec.get(), sizeof TRCSEC), 0) << "section data, limits and terms as they were";
    EXPECT_EQ(std::memcmp(&SMAT, smat.get(), sizeof SMAT), 0);
    EXPECT_EQ(std::memcmp(&FSQR, fsqr.get(), sizeof FSQR), 0);
    EXPECT_EQ(std::memcmp(&DERPAR, derpar.get(), sizeof DERPAR), 0);
    // Far above the gyrofrequency the X wave is about the ordinary wave FH/2 lower.
    float o;
    RECVIRT(F - 0.5f * FLDPAR.FH, o, RV_ALL);
    EXPECT_NEAR(all, o, 15.0f);

    // A wave reflecting above the region's top has no height; below the X
    // frequency of the region's start its own layer adds nothing.
    float hv;
    RECVIRTX(LAYCOF.FC(4) + FLDPAR.FH, hv, RV_ALL);
    EXPECT_EQ(hv, NOTCOMPUTED);
    const float fxs = (std::sqrt(4.0f * LAYCOF.FC(3) * LAYCOF.FC(3) + FLDPAR.FH * FLDPAR.FH) + FLDPAR.FH) / 2.0f;
    RECVIRTX(fxs - 0.05f, hv, RV_OWN);
    EXPECT_EQ(hv, 0.0f);
    EXPECT_EQ(std::memcmp(&TRCSEC, trcsec.get(), sizeof TRCSEC), 0);
}

}  // namespace
}  // namespace kolm
