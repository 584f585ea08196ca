// The E-F valley: the model from the zenith angle and the lowest F heights,
// and its group delay against closed forms without field.
#include "inversion/valley.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "blocks/peltarscale.h"
#include "blocks/peltartrueh.h"
#include "blocks/run_state.h"
#include "inversion/gauss_integral.h"
#include "inversion/profil1.h"
#include "inversion/round4.h"
#include "sections/coef_reexpression.h"

namespace kolm {
namespace {

class Valley : public ::testing::Test {
protected:
    void SetUp() override {
        reset_run_state();
        SETCV();
        FLDPAR.DIP = 1.1f;
        FLDPAR.FH = 1.3f;
        GOGXCOM(FLDPAR.DIP);
        SCLCHR.FQINCR = 0.05f;
        SCLCHR.FOF2 = 8.0f;
        SCLCHR.FOF1 = 999.9f;
        SCLCHR.HGRID = 2.5f;
        SCLCHR.BASEHT = -2.5f;
        SCALE2.IQUALE(4) = 0;
        LAYCOF.FC(1) = 0.2f;
        LAYCOF.FC(2) = 3.0f;
        LAYCOF.ZME = 110.0f;
        LAYCOF.AE(1) = -21.4f;
        LAYCOF.AE(2) = 1.6f;
        LAYCOF.AE(3) = -0.3f;
        SAOHDR.REALIN(1) = 50.0f;
        SAOHDR.REALIN(2) = 10.0f;
        TIMEBK.IDAY = 172;
    }
    // F2 trace points from 3.5 MHz with the given virtual heights.
    void f2_points(const std::vector<float>& heights) {
        TRCWRK.NFQE = 0;
        TRCWRK.NFQF1 = 0;
        TRCWRK.NFQF = static_cast<int16_t>(heights.size());
        for (size_t k = 0; k < heights.size(); ++k) {
            TRCWRK.TF(int(k) + 1) = 3.5f + 0.05f * float(k);
            TRCWRK.TH(int(k) + 1) = heights[k];
        }
    }
};

// W, the depth and the parts that the model gives for a zenith angle and
// the lowest F height.
struct Expected {
    float w, fval, d;
};
Expected expected(float zenith, float hmin, float zme, float foe) {
    const float c = std::cos(std::fabs(zenith) * 3.1415927f / 180.0f) + 0.05f;
    float w = 59.45f - 14.63f * std::log((std::fabs(c) + c + 0.05f) / (0.05f - c + std::fabs(c)));
    w = std::min(w, 0.7f * (hmin - zme));
    w = std::round(10.0f * w) / 10.0f;
    if (w <= 0.0f) return {0.0f, foe, 0.0f};
    const float e = std::exp((59.45f - w) / 14.63f);
    const float r = std::min(1.0f, 0.49f + 0.46f * (e - 1.0f) / (e + 1.0f));
    float fval = foe * std::sqrt(r), d = foe - fval;
    if (fval < 0.2f) fval = 0.2f, d = foe - 0.2f;
    ROUND4(d, d);
    return {w, fval, d};
}

TEST_F(Valley, ModelFromZenithAngleAndLowestFHeight) {
    struct Case {
        int16_t ihr;
        float hmin;
        bool capped;
    } cases[] = {{11, 200.0f, false}, {23, 200.0f, true}, {5, 240.0f, false}, {11, 118.0f, true}};
    for (const Case& c : cases) {
        SetUp();
        TIMEBK.IHR = c.ihr;
        f2_points({c.hmin + 30.0f, c.hmin, c.hmin + 5.0f, c.hmin + 20.0f});
        SCLCHR.CHR11 = 0.0f;
        MAHAGULY();
        SCOPED_TRACE(c.ihr);
        EXPECT_EQ(DERPAR.ZENITH < 0.0f, float(c.ihr) + 10.0f / 15.0f < 12.0f);
        const Expected e = expected(DERPAR.ZENITH, c.hmin, 110.0f, 3.0f);
        EXPECT_NEAR(LAYCTL.W, e.w, 1e-4f);
        EXPECT_EQ(LAYCTL.W == std::round(10.0f * 0.7f * (c.hmin - 110.0f)) / 10.0f, c.capped);
        EXPECT_NEAR(VALPAR.FVAL, e.fval, 1e-5f);
        EXPECT_NEAR(LAYCTL.D, e.d, 1e-6f);
        EXPECT_EQ(VALPAR.FVAL0, 3.0f);
        EXPECT_EQ(VALPAR.WV1, 0.0f);
        EXPECT_FLOAT_EQ(VALPAR.WV2, LAYCTL.W / 3.0f);
        EXPECT_EQ(VALPAR.WV3, VALPAR.WV2);
        EXPECT_FLOAT_EQ(VALPAR.WV2 + VALPAR.WV3 + VALPAR.WV4, LAYCTL.W);
        // The mirrored E shape spans WV2 down to the floor and is the E layer
        // re-expressed on the floor's range, scaled.
        EXPECT_NEAR(-(VALPAR.AVAL(1) + VALPAR.AVAL(2) + VALPAR.AVAL(3)), VALPAR.WV2, 1e-4f);
        float ap[3];
        CONTPRFL(3, 0.2f, 3.0f, LAYCOF.AE.data(), VALPAR.FVAL, ap);
        for (int i = 1; i <= 3; ++i) EXPECT_NEAR(LAYCOF.A(i), ap[i - 1], 1e-5f);
        for (int i = 2; i <= 3; ++i) EXPECT_NEAR(VALPAR.AVAL(i) / VALPAR.AVAL(1), ap[i - 1] / ap[0], 1e-5f);
        EXPECT_FLOAT_EQ(DERPAR.HSTARTF1, 110.0f + LAYCTL.W);
        EXPECT_EQ(DERPAR.HSTARTF2, DERPAR.HSTARTF1);
        EXPECT_EQ(SCLCHR.CHR11, c.hmin);
        EXPECT_EQ(LAYCTL.IRGN, 3);
        EXPECT_EQ(TRCSEC.NFQ, 4);
    }
}

TEST_F(Valley, NoValleyWhenFEchoesLieAtTheEPeak) {
    TIMEBK.IHR = 23;
    f2_points({110.0f, 112.0f});
    LAYCOF.A.fill(5.0f);
    MAHAGULY();
    EXPECT_EQ(LAYCTL.W, 0.0f);
    EXPECT_EQ(LAYCTL.D, 0.0f);
    EXPECT_EQ(VALPAR.FVAL, 3.0f);
    EXPECT_EQ(VALPAR.FVAL0, 3.0f);
    EXPECT_EQ(LAYCOF.A(1), 5.0f);
    EXPECT_EQ(DERPAR.HSTARTF1, 110.0f);
    // No valley adds no group delay.
    TRCSEC.DHV.fill(7.0f);
    FNDDHV();
    EXPECT_EQ(TRCSEC.DHV(1), 0.0f);
}

TEST_F(Valley, WithoutFDataTheLowestHeightStaysMissing) {
    TIMEBK.IHR = 11;
    f2_points({});
    SCLCHR.CHR11 = 9999.0f;
    MAHAGULY();
    EXPECT_EQ(SCLCHR.CHR11, 9999.0f);
    EXPECT_EQ(LAYCTL.W, expected(DERPAR.ZENITH, 9999.0f, 110.0f, 3.0f).w);
    // A scaled h'F is kept.
    SCLCHR.CHR11 = 180.0f;
    f2_points({200.0f});
    MAHAGULY();
    EXPECT_EQ(SCLCHR.CHR11, 180.0f);
}

TEST_F(Valley, WeakELayerHasItsFloorAt02MHz) {
    TIMEBK.IHR = 23;
    LAYCOF.FC(2) = 0.21f;
    f2_points({250.0f});
    MAHAGULY();
    ASSERT_GT(LAYCTL.W, 0.0f);
    EXPECT_EQ(VALPAR.FVAL, 0.2f);
    float d;
    ROUND4(0.21f - 0.2f, d);
    EXPECT_EQ(LAYCTL.D, d);
}

TEST_F(Valley, ECoefficientsSummingToZeroGiveTheRootShape) {
    TIMEBK.IHR = 11;
    LAYCOF.AE.fill(0.0f);
    f2_points({220.0f});
    MAHAGULY();
    ASSERT_GT(LAYCTL.W, 0.0f);
    EXPECT_EQ(VALPAR.AVAL(1), -VALPAR.WV2);
    EXPECT_EQ(VALPAR.AVAL(2), 0.0f);
    EXPECT_EQ(VALPAR.AVAL(3), 0.0f);
}

// Group delay through the valley parts without field (group index
// 1/sqrt(1 - fN**2/f**2)), against closed forms and a dense integral.
TEST_F(Valley, GroupDelayWithoutFieldHasTheClosedForms) {
    GOGXCOM(0.0f);
    FLDPAR.DIP = 0.0f;
    FLDPAR.FH = 1.2f;
    auto& V = VALPAR;
    LAYCTL.W = 45.0f;
    V.WV1 = 0.0f;
    V.WV2 = V.WV3 = V.WV4 = 15.0f;
    V.FVAL = 2.4f;
    V.FVAL0 = 3.0f;
    V.AVAL(1) = -15.0f;  // part 2: height WV2 sqrt(X) above the E peak
    V.AVAL(2) = V.AVAL(3) = 0.0f;
    const std::vector<double> freqs = {3.4, 3.8, 4.5, 6.0, 9.0};
    TRCSEC.NFQ = int16_t(freqs.size());
    for (size_t k = 0; k < freqs.size(); ++k) TRCSEC.FK(int(k) + 1) = float(freqs[k]);
    TRCSEC.FSTART = 3.0f;
    TRCSEC.FEND = 8.0f;
    TRCSEC.NN = 5;
    FNDDHV();
    EXPECT_EQ(TRCSEC.FSTART, 3.0f);
    EXPECT_EQ(TRCSEC.FEND, 8.0f);
    EXPECT_EQ(TRCSEC.NN, 5);
    const double fv = 2.4, fe = 3.0;
    for (size_t k = 0; k < freqs.size(); ++k) {
        const double f = freqs[k];
        const double floor = 15.0 / std::sqrt(1.0 - fv * fv / (f * f));
        const double rise = 15.0 / (fe - fv) * f * (std::asin(fe / f) - std::asin(fv / f));
        // Part 2 in u, X = u**2: fN = fe (fv/fe)**X, |dh| = WV2 du.
        double fall = 0.0;
        const int n = 20000;
        for (int i = 0; i < n; ++i) {
            const double u = (i + 0.5) / n;
            const double fn = fe * std::pow(fv / fe, u * u);
            fall += 15.0 / std::sqrt(1.0 - fn * fn / (f * f)) / n;
        }
        const double expect = fall + floor + rise;
        EXPECT_NEAR(TRCSEC.DHV(int(k) + 1), expect, 2e-3 * expect) << f;
        EXPECT_GE(TRCSEC.DHV(int(k) + 1), 45.0f);
    }
    EXPECT_EQ(TRCSEC.DHV(int(freqs.size()) + 1), 0.0f);
}

}  // namespace
}  // namespace kolm
