// E-block fit: layers of the fixed shape recovered from their E blocks, the
// single-point and unusable blocks, and the table of the fitted layer.
#include "inversion/e_block_fit.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "blocks/peltarscale.h"
#include "blocks/peltartrueh.h"
#include "blocks/run_state.h"
#include "inversion/gauss_integral.h"
#include "inversion/profil1.h"
#include "inversion/reference.h"
#include "inversion/starting_shapes.h"

namespace kolm {
namespace {

constexpr double DIP = 60.0 * M_PI / 180.0;
constexpr double GYRO = 1.2;
constexpr float STEP = 0.05f;

class EBlockFit : public ::testing::Test {
protected:
    void SetUp() override {
        reset_run_state();
        SETCV();
        SCLCHR.FQINCR = STEP;
        FLDPAR.FH = float(GYRO);
        FLDPAR.DIP = float(DIP);
        GOGXCOM(FLDPAR.DIP);
        SMAT.NG = 16;
    }
    // Block frequencies from f0 in grid steps, and the layer's range.
    static std::vector<float> grid(float f0, int n) {
        std::vector<float> f;
        for (int k = 0; k < n; ++k) f.push_back(f0 + float(k) * STEP);
        return f;
    }
    static void set_block(const std::vector<float>& f, const std::vector<float>& h) {
        EBLOCK.EF.fill(0.0f);
        EBLOCK.EH.fill(0.0f);
        for (size_t k = 0; k < f.size(); ++k) {
            EBLOCK.EF(int(k) + 1) = f[k];
            EBLOCK.EH(int(k) + 1) = h[k];
        }
    }
    // The unit shape of [0.2, fend] (three terms).
    static std::vector<double> unit_shape(float fend) {
        TRCSEC.FSTART = 0.2f;
        TRCSEC.FEND = fend;
        TRCSEC.NN = 3;
        ZEROPROF(0);
        return {LAYCOF.A(1), LAYCOF.A(2), LAYCOF.A(3)};
    }
    // Results preset to values no fit gives, to see what a call leaves.
    static void preset_results() {
        EBLOCK.EFEND = 1.5f;
        EBLOCK.EA(1) = 1.0f;
        EBLOCK.EA(2) = 2.0f;
        EBLOCK.EA(3) = 3.0f;
        EBLOCK.EZM = 4.0f;
        EBLOCK.EERR = 5.0f;
        EBLOCK.EH0 = 6.0f;
        EBLOCK.ENTAB = 7;
    }
    static void expect_results_preset(bool efend_kept) {
        EXPECT_EQ(EBLOCK.EFEND, efend_kept ? 1.5f : 0.0f);
        EXPECT_EQ(EBLOCK.EA(1), 1.0f);
        EXPECT_EQ(EBLOCK.EA(2), 2.0f);
        EXPECT_EQ(EBLOCK.EA(3), 3.0f);
        EXPECT_EQ(EBLOCK.EZM, 4.0f);
        EXPECT_EQ(EBLOCK.EERR, 5.0f);
        EXPECT_EQ(EBLOCK.EH0, 6.0f);
        EXPECT_EQ(EBLOCK.ENTAB, 7);
    }
};

// Virtual heights made with the inversion's own group-height integrals:
// the straight-line fit is exact, and only the rounding of the results to
// 0.1 km and 0.001 remains.
TEST_F(EBlockFit, LayerOfTheFixedShapeIsRecoveredToItsRounding) {
    const double H0 = 86.04, SCALE = 23.7;
    const std::vector<float> f = grid(1.0f, 41);  // 1.0 .. 3.0 MHz
    const float fend = 3.0f + 0.2f * STEP;
    const std::vector<double> unit = unit_shape(fend);
    TRCSEC.NFQ = int16_t(f.size());
    for (size_t k = 0; k < f.size(); ++k) TRCSEC.FK(int(k) + 1) = f[k];
    CDO();
    SIK();
    std::vector<float> h;
    for (int k = 1; k <= TRCSEC.NFQ; ++k) {
        double g = 0.0;
        for (int j = 1; j <= 3; ++j) g += SMAT.S(j, k) * unit[size_t(j - 1)];
        h.push_back(float(H0 + SCALE * g));
    }
    set_block(f, h);
    NHPROF.HSTEP = 1.0f;
    float err = -1.0f;
    EAPROF(err);

    EXPECT_FLOAT_EQ(EBLOCK.EFEND, fend);
    EXPECT_FLOAT_EQ(EBLOCK.EH0, 86.0f);
    float sum = 0.0f;
    for (int j = 1; j <= 3; ++j) {
        EXPECT_NEAR(EBLOCK.EA(j), std::round(unit[size_t(j - 1)] * SCALE * 1000.0) / 1000.0, 1.5e-3) << j;
        EXPECT_FLOAT_EQ(EBLOCK.EA(j) * 1000.0f, std::round(EBLOCK.EA(j) * 1000.0f)) << "0.001 grid";
        sum += EBLOCK.EA(j);
    }
    EXPECT_FLOAT_EQ(EBLOCK.EZM, EBLOCK.EH0 - sum);
    EXPECT_NEAR(EBLOCK.EZM, H0 - SCALE * (unit[0] + unit[1] + unit[2]), 0.1);
    EXPECT_EQ(err, EBLOCK.EERR);
    EXPECT_LT(EBLOCK.EERR, 0.1f);

    // The table of the fitted layer: from the base at 0.2 MHz to the peak
    // at the end frequency, on the 1 km grid between.
    const int n = EBLOCK.ENTAB;
    ASSERT_GT(n, 10);
    EXPECT_FLOAT_EQ(EBLOCK.EF(1), 0.2f);
    EXPECT_NEAR(EBLOCK.EH(1), EBLOCK.EH0, 1e-3f);
    EXPECT_FLOAT_EQ(EBLOCK.EF(n), fend);
    EXPECT_FLOAT_EQ(EBLOCK.EH(n), EBLOCK.EZM);
    for (int k = 2; k < n; ++k) {
        EXPECT_GT(EBLOCK.EF(k), EBLOCK.EF(k - 1));
        EXPECT_NEAR(EBLOCK.EH(k), std::round(EBLOCK.EH(k)), 1e-3f) << k;
        const double x = std::log(EBLOCK.EF(k) / fend) / std::log(0.2 / fend);
        double s = 0.0;
        for (int j = 0; j < 3; ++j) {
            double t, d;
            testref::tstar(j, x, t, d);
            s += EBLOCK.EA(j + 1) * t;
        }
        EXPECT_NEAR(EBLOCK.EH(k), EBLOCK.EZM + std::sqrt(x) * s, 0.01) << k;
    }
    EXPECT_EQ(EBLOCK.EF(n + 1), 0.0f);
}

// Virtual heights by dense integration through the layer with the field:
// the fit finds the layer within the accuracy of its 16-point integrals.
TEST_F(EBlockFit, LayerIsRecoveredFromIndependentVirtualHeights) {
    const double H0 = 92.0, SCALE = 18.0;
    const std::vector<float> f = grid(1.5f, 33);  // 1.5 .. 3.1 MHz
    const float fend = 3.1f + 0.2f * STEP;
    std::vector<double> a = unit_shape(fend);
    for (double& x : a) x *= SCALE;
    std::vector<float> h;
    for (float fk : f) h.push_back(float(H0 + testref::section_group_path(fk, 0.2, fend, a, 1e9, GYRO, DIP)));
    set_block(f, h);
    NHPROF.HSTEP = 0.0f;
    EAPROF(EBLOCK.EERR);
    EXPECT_NEAR(EBLOCK.EH0, H0, 0.3);
    for (int j = 1; j <= 3; ++j) EXPECT_NEAR(EBLOCK.EA(j), a[size_t(j - 1)], 0.02 * std::fabs(a[size_t(j - 1)])) << j;
    EXPECT_NEAR(EBLOCK.EZM, H0 - (a[0] + a[1] + a[2]), 0.5);
    EXPECT_LT(EBLOCK.EERR, 0.3f);
    // Without a table step no table: the block stays in EF, EH.
    EXPECT_EQ(EBLOCK.ENTAB, 0);
    EXPECT_EQ(EBLOCK.EF(1), f[0]);
    EXPECT_EQ(EBLOCK.EH(33), h[32]);
}

// One point fixes only the scale: the base is 80 km and the layer passes
// through the point.
TEST_F(EBlockFit, SinglePointTakesTheBaseAt80Kilometres) {
    set_block({2.5f}, {118.0f});
    NHPROF.HSTEP = 0.0f;
    EAPROF(EBLOCK.EERR);
    EXPECT_EQ(EBLOCK.EH0, 80.0f);
    EXPECT_FLOAT_EQ(EBLOCK.EFEND, 2.5f + 0.2f * STEP);
    EXPECT_GT(EBLOCK.EZM, 80.0f);
    EXPECT_LT(EBLOCK.EERR, 0.05f) << "the rounded layer misses the point by its rounding only";
}

TEST_F(EBlockFit, BlocksThatCannotBeFitted) {
    // Empty: nothing changes.
    preset_results();
    set_block({}, {});
    NHPROF.HSTEP = 1.0f;
    float err = 8.0f;
    EAPROF(err);
    expect_results_preset(true);
    EXPECT_EQ(err, 8.0f);

    struct Case {
        const char* what;
        std::vector<float> f, h;
    } cases[] = {
        {"frequencies not ascending", {1.0f, 1.5f, 1.2f, 2.0f}, {100.0f, 102.0f, 101.0f, 105.0f}},
        {"a frequency repeated", {1.0f, 1.5f, 1.5f, 2.0f}, {100.0f, 102.0f, 102.0f, 105.0f}},
        {"a negative frequency", {-1.0f, 1.5f, 2.0f}, {100.0f, 102.0f, 105.0f}},
        {"no point above the layer start", {0.1f, 0.15f, 0.2f}, {100.0f, 101.0f, 102.0f}},
        {"one point at the layer start", {0.2f}, {100.0f}},
    };
    for (const Case& c : cases) {
        preset_results();
        set_block(c.f, c.h);
        EAPROF(EBLOCK.EERR);
        SCOPED_TRACE(c.what);
        expect_results_preset(false);
        for (int k = 1; k <= int(c.f.size()); ++k) EXPECT_EQ(EBLOCK.EF(k), c.f[size_t(k - 1)]) << "block kept";
    }
}

// A table step too small for 150 rows: the table keeps its first 150.
TEST_F(EBlockFit, TableIsBoundedAt150Rows) {
    const std::vector<float> f = grid(1.0f, 41);
    std::vector<float> h;
    for (size_t k = 0; k < f.size(); ++k) h.push_back(95.0f + 0.5f * float(k));
    set_block(f, h);
    NHPROF.HSTEP = 0.02f;
    EAPROF(EBLOCK.EERR);
    ASSERT_GT(EBLOCK.EZM - EBLOCK.EH0, 150 * 0.02f) << "the layer needs more rows";
    EXPECT_EQ(EBLOCK.ENTAB, 150);
    EXPECT_FLOAT_EQ(EBLOCK.EF(1), 0.2f);
    for (int k = 2; k <= 150; ++k) {
        EXPECT_GT(EBLOCK.EF(k), EBLOCK.EF(k - 1)) << k;
        EXPECT_NEAR(EBLOCK.EH(k) - EBLOCK.EH(k - 1), 0.02f, 1e-3f) << k;
    }
}

}  // namespace
}  // namespace kolm
