// Data selection of a section: usable heights, F2 thinning and smoothing.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <vector>

#include "blocks/peltarscale.h"
#include "blocks/peltartrueh.h"
#include "blocks/run_state.h"
#include "inversion/data_selection.h"

namespace kolm {
namespace {

class DataSelection : public ::testing::Test {
protected:
    void SetUp() override {
        reset_run_state();
        SCLCHR.FQINCR = 0.05f;
        SCLCHR.HGRID = 2.5f;
        SCLCHR.BASEHT = 57.5f;  // lowest height 60 km
    }
    // One E point, then n F2 points at 3.0 + k*0.05 with heights h(k), copied
    // into the section as the set-up does.
    void f2_section(int n, const std::function<float(int)>& h) {
        TRCWRK.TF(1) = 1.0f;
        TRCWRK.TH(1) = 100.0f;
        TRCWRK.NFQE = 1;
        TRCWRK.NFQF1 = 0;
        TRCWRK.NFQF = int16_t(n);
        for (int k = 1; k <= n; ++k) {
            TRCWRK.TF(k + 1) = 3.0f + float(k - 1) * 0.05f;
            TRCWRK.TH(k + 1) = h(k);
            TRCSEC.FK(k) = TRCWRK.TF(k + 1);
            TRCSEC.PPO(k) = TRCWRK.TH(k + 1);
        }
        TRCSEC.NFQ = int16_t(n);
        TRCSEC.FSTART = 2.9f;
        TRCSEC.FEND = 3.0f + float(n) * 0.05f;
        LAYCTL.IRGN = 3;
        DERPAR.HSTARTF2 = 150.0f;
    }
};

TEST_F(DataSelection, UsableHeightsOnly) {
    LAYCTL.IRGN = 2;
    DERPAR.HSTARTF1 = 150.0f;
    const float h[6] = {149.9f, 150.0f, 998.9f, 999.0f, 0.0f, 200.0f};
    for (int k = 1; k <= 6; ++k) {
        TRCSEC.FK(k) = float(k);
        TRCSEC.PPO(k) = h[k - 1];
    }
    TRCSEC.NFQ = 6;
    DATAEFFE();
    ASSERT_EQ(TRCSEC.NFQ, 3);
    EXPECT_EQ(TRCSEC.PPO(1), 150.0f);  // equal to the region start: kept
    EXPECT_EQ(TRCSEC.FK(1), 2.0f);
    EXPECT_EQ(TRCSEC.PPO(2), 998.9f);
    EXPECT_EQ(TRCSEC.FK(3), 6.0f);
    EXPECT_EQ(TRCSEC.FK(4), 0.0f);
    // The region start is at least the lowest height of the ionogram.
    DERPAR.HSTARTF1 = 20.0f;
    TRCSEC.PPO(1) = 59.0f;
    TRCSEC.PPO(2) = 60.0f;
    DATAEFFE();
    EXPECT_EQ(TRCSEC.NFQ, 2);
    // Nothing usable: no points, the arrays cleared.
    for (int k = 1; k <= 2; ++k) TRCSEC.PPO(k) = 1000.0f;
    DATAEFFE();
    EXPECT_EQ(TRCSEC.NFQ, 0);
    for (int k = 1; k <= MAXTRC; ++k) {
        ASSERT_EQ(TRCSEC.FK(k), 0.0f);
        ASSERT_EQ(TRCSEC.PPO(k), 0.0f);
    }
}

TEST_F(DataSelection, SmoothingIsExactForAQuadraticTrace) {
    auto h = [](int k) { return 200.0f + 2.0f * float(k) + 0.1f * float(k * k); };
    f2_section(20, h);
    float pv, slope;
    THSMOOTH(10, pv, slope);
    EXPECT_NEAR(pv, h(10), 1e-3f);
    // dh/df = (2 + 0.2 k) km per step.
    EXPECT_NEAR(slope, (2.0f + 0.2f * 10.0f) / 0.05f, 1e-2f);
    // At the end of the layer the window is cut short but still fits.
    THSMOOTH(20, pv, slope);
    EXPECT_NEAR(pv, h(20), 1e-3f);
}

TEST_F(DataSelection, SmoothingWithTooFewNeighboursKeepsTheTraceHeight) {
    f2_section(6, [](int k) { return k == 3 ? 250.0f : 999.0f; });
    float pv, slope;
    THSMOOTH(3, pv, slope);
    EXPECT_EQ(pv, 250.0f);
    EXPECT_EQ(slope, 9999.9f);
}

TEST_F(DataSelection, SmoothingSearchesOnlyTheCurrentLayer) {
    f2_section(10, [](int k) { return 240.0f + float(k); });
    // An E point at the frequency of F2 point 1, with another height.
    TRCWRK.TF(1) = TRCWRK.TF(2);
    TRCWRK.TH(1) = 105.0f;
    TRCSEC.FSTART = 3.0f;  // the window then holds F2 points 2..4 only
    float pv, slope;
    THSMOOTH(1, pv, slope);
    EXPECT_EQ(pv, 241.0f);
    EXPECT_EQ(slope, 9999.9f);
}

TEST_F(DataSelection, SmoothingWindowReachesAcrossTheF1F2Boundary) {
    // F1 points at 4.02, 4.07, 4.12 below F2 points at 4.17, 4.22, 4.27; the
    // F2 section starts at 4.10 (foF1 4.13 snapped to the grid), so the last
    // F1 point lies inside it and is a neighbour of the first F2 point.
    TRCWRK.NFQE = 0;
    TRCWRK.NFQF1 = 3;
    TRCWRK.NFQF = 3;
    auto h = [](int i) { return 200.0f + 3.0f * float(i) + 0.5f * float(i * i); };
    for (int i = 1; i <= 6; ++i) {
        TRCWRK.TF(i) = 4.02f + float(i - 1) * 0.05f;
        TRCWRK.TH(i) = h(i);
    }
    for (int k = 1; k <= 3; ++k) {
        TRCSEC.FK(k) = TRCWRK.TF(k + 3);
        TRCSEC.PPO(k) = TRCWRK.TH(k + 3);
    }
    TRCSEC.NFQ = 3;
    TRCSEC.FSTART = 4.10f;
    TRCSEC.FEND = 4.30f;
    LAYCTL.IRGN = 3;
    DERPAR.HSTARTF2 = 150.0f;
    float pv, slope;
    THSMOOTH(1, pv, slope);
    EXPECT_NEAR(pv, h(4), 1e-3f);
    EXPECT_NEAR(slope, (3.0f + 4.0f) / 0.05f, 1e-1f);  // the fit was made
}

// Kept frequencies as step numbers k (frequency 3.0 + (k-1)*0.05).
std::vector<int> kept_steps() {
    std::vector<int> k;
    for (int i = 1; i <= TRCSEC.NFQ; ++i) k.push_back(int(std::lround((TRCSEC.FK(i) - 3.0f) / 0.05f)) + 1);
    return k;
}

TEST_F(DataSelection, DenseF2TracesAreThinnedByTheirCount) {
    // 4 km per step. 40 points: DF 3 steps, DH 10 km, so every third step.
    auto h = [](int k) { return 200.0f + 4.0f * float(k); };
    f2_section(40, h);
    DATAUSED(1);
    std::vector<int> expect;
    for (int k = 1; k <= 34; k += 3) expect.push_back(k);
    for (int k = 37; k <= 40; ++k) expect.push_back(k);
    EXPECT_EQ(kept_steps(), expect);
    for (int i = 1; i <= TRCSEC.NFQ; ++i) EXPECT_NEAR(TRCSEC.PPO(i), h(kept_steps()[i - 1]), 1e-3f) << i;
    // 140 points: DF 8 steps, DH 30 km (35 capped): every eighth step.
    f2_section(140, h);
    DATAUSED(1);
    expect.clear();
    for (int k = 1; k <= 136; k += 8) expect.push_back(k);
    for (int k = 137; k <= 140; ++k) expect.push_back(k);
    EXPECT_EQ(kept_steps(), expect);
    // Fewer than 20 points: every point.
    f2_section(19, h);
    DATAUSED(1);
    EXPECT_EQ(TRCSEC.NFQ, 19);
}

TEST_F(DataSelection, TailIsKeptAndItsFirstPointIsRaw) {
    // A kink in the raw heights at the first tail point shows which height is kept.
    f2_section(30, [](int k) { return k == 27 ? 300.0f : 200.0f + 4.0f * float(k); });
    DATAUSED(1);
    const int n = TRCSEC.NFQ;
    ASSERT_GE(n, 4);
    EXPECT_NEAR(TRCSEC.FK(n - 3), 3.0f + 26 * 0.05f, 1e-5f);
    EXPECT_EQ(TRCSEC.PPO(n - 3), 300.0f);
    EXPECT_NEAR(TRCSEC.FK(n), 3.0f + 29 * 0.05f, 1e-5f);
}

TEST_F(DataSelection, F2WithoutLowerLayersStartsAboveTheSectionStart) {
    // 3 km per step, 20 points: DH 5 km keeps every second step.
    f2_section(20, [](int k) { return 200.0f + 3.0f * float(k); });
    TRCWRK.NFQE = 0;
    // Shift the working trace down so that it holds the F2 points only.
    for (int k = 1; k <= 20; ++k) {
        TRCWRK.TF(k) = TRCWRK.TF(k + 1);
        TRCWRK.TH(k) = TRCWRK.TH(k + 1);
    }
    TRCSEC.FSTART = 3.0f;
    TRCSEC.FEND = 6.0f;  // FLOW = 3.0 + 0.03 * 3.0 = 3.09
    DATAUSED(1);
    EXPECT_NEAR(TRCSEC.FK(1), 3.1f, 1e-5f);
    EXPECT_EQ(kept_steps(), (std::vector<int>{3, 5, 7, 9, 11, 13, 15, 17, 18, 19, 20}));
    // No point at or above the lowest usable frequency: none left.
    f2_section(5, [](int k) { return 200.0f + float(k); });
    TRCSEC.FSTART = 4.0f;
    DATAUSED(1);
    EXPECT_EQ(TRCSEC.NFQ, 0);
}

}  // namespace
}  // namespace kolm
