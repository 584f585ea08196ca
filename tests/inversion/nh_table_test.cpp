#include "inversion/nh_table.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <random>

#include "blocks/peltartrueh.h"
#include "blocks/run_state.h"
#include "sections/coef_reexpression.h"

namespace kolm {
namespace {

// Height of a layer section from FA to its peak FB at HB.
float layer_height(const float* a, int n, float fa, float fb, float hb, float f) {
    return hb + section_curve(a, n, section_coordinate(f, fa, fb));
}

bool on_grid(float h, float step) {
    const float k = std::round(h / step);
    return std::fabs(h - k * step) < 0.002f;
}

class NhTable : public ::testing::Test {
protected:
    void SetUp() override {
        reset_run_state();
        // E: 0.2 .. 3.0 MHz, peak 110 km; valley 30 km wide, 1 MHz deep;
        // no F1 (FC(3) = FC(2)); F2 up to 8 MHz with its peak at 300 km.
        LAYCOF.FC(1) = 0.2f;
        LAYCOF.FC(2) = 3.0f;
        LAYCOF.FC(3) = 3.0f;
        LAYCOF.FC(4) = 8.0f;
        LAYCOF.ZME = 110.0f;
        LAYCOF.AE(1) = -21.0f;
        LAYCOF.AE(2) = 1.5f;
        LAYCOF.AE(3) = -0.4f;
        LAYCOF.ZMF2 = 300.0f;
        const float af2[5] = {-150.0f, 12.0f, -3.0f, 0.8f, -0.1f};
        for (int i = 1; i <= 5; ++i) LAYCOF.AF2(i) = af2[i - 1];
        LAYCTL.W = 30.0f;
        LAYCTL.D = 1.0f;
        DERPAR.SHF = 100.0f;
        SCALE2.IQUALE(4) = 0;
    }
    int16_t& n() { return NHPROF.NPTH; }
    float f(int i) { return NHPROF.FNTAB(i); }
    float h(int i) { return NHPROF.HTAB(i); }
};

TEST_F(NhTable, LayerRowsLieOnTheSectionCurve) {
    const float a[5] = {-21.0f, 1.5f, -0.4f, 0.0f, 0.0f};
    int16_t npth = 0;
    TABLYR(1.0f, 0.2f, 3.0f, 110.0f, a, npth, NHPROF.FNTAB, NHPROF.HTAB);
    ASSERT_GT(npth, 10);
    EXPECT_EQ(f(1), 0.2f);
    EXPECT_FLOAT_EQ(h(1), 110.0f - 21.0f + 1.5f - 0.4f);
    for (int i = 2; i < npth; ++i) {
        EXPECT_TRUE(on_grid(h(i), 1.0f)) << h(i);
        EXPECT_GT(h(i), h(i - 1));
        EXPECT_GT(f(i), f(i - 1));
        EXPECT_NEAR(layer_height(a, 3, 0.2f, 3.0f, 110.0f, f(i)), h(i), 2e-3f) << "row " << i;
    }
    EXPECT_EQ(f(npth), 3.0f);
    EXPECT_EQ(h(npth), 110.0f);
}

TEST_F(NhTable, PeakOnAGridHeightGivesOneRow) {
    const float a[5] = {-20.0f, 0.0f, 0.0f, 0.0f, 0.0f};
    int16_t npth = 0;
    TABLYR(2.0f, 0.2f, 3.0f, 110.0f, a, npth, NHPROF.FNTAB, NHPROF.HTAB);
    // 90 km start, grid rows 92..108, the peak row at 110.
    ASSERT_EQ(npth, 1 + 9 + 1);
    EXPECT_EQ(h(npth - 1), 108.0f);
    EXPECT_EQ(h(npth), 110.0f);
    EXPECT_EQ(f(npth), 3.0f);
}

TEST_F(NhTable, ValleyRowsFollowTheModel) {
    int16_t npth = 1;
    NHPROF.FNTAB(1) = 3.0f;
    NHPROF.HTAB(1) = 110.0f;
    float hb = 110.0004f;
    TABVAL(1.0f, 30.0f, 1.0f, 0.2f, 3.0f, hb, LAYCOF.AE.data(), npth, NHPROF.FNTAB, NHPROF.HTAB);
    EXPECT_EQ(hb, 110.0f);
    // Rows 111..119, (2.0, 120), 121..129 at the floor, (2.0, 130), 131..139, (3.0, 140).
    ASSERT_EQ(npth, 1 + 9 + 1 + 9 + 1 + 9 + 1);
    float ap[3];
    CONTPRFL(3, 0.2f, 3.0f, LAYCOF.AE.data(), 2.0f, ap);
    const float sum = ap[0] + ap[1] + ap[2];
    float av[3];
    for (int i = 0; i < 3; ++i) av[i] = ap[i] * 10.0f / (-sum);
    for (int i = 2; i <= 10; ++i) {
        const float model = 110.0f - section_curve(av, 3, section_coordinate(f(i), 2.0f, 3.0f));
        EXPECT_NEAR(model, h(i), 2e-3f) << "falling row " << i;
        EXPECT_LT(f(i), f(i - 1));
    }
    EXPECT_EQ(f(11), 2.0f);
    EXPECT_EQ(h(11), 120.0f);
    for (int i = 12; i <= 21; ++i) EXPECT_EQ(f(i), 2.0f);
    EXPECT_EQ(h(21), 130.0f);
    for (int i = 22; i <= 30; ++i) EXPECT_NEAR(f(i), 2.0f + (h(i) - 130.0f) / 10.0f, 1e-5f);
    EXPECT_EQ(f(31), 3.0f);
    EXPECT_EQ(h(31), 140.0f);
}

TEST_F(NhTable, ValleyOfAZeroSumShapeFallsAsTheRootShape) {
    int16_t npth = 1;
    NHPROF.FNTAB(1) = 3.0f;
    NHPROF.HTAB(1) = 110.0f;
    const float zero[3] = {0.0f, 0.0f, 0.0f};
    float hb = 110.0f;
    TABVAL(1.0f, 30.0f, 1.0f, 0.2f, 3.0f, hb, zero, npth, NHPROF.FNTAB, NHPROF.HTAB);
    ASSERT_EQ(npth, 31);
    const float av[3] = {-10.0f, 0.0f, 0.0f};
    for (int i = 2; i <= 10; ++i) {
        EXPECT_NEAR(110.0f - section_curve(av, 3, section_coordinate(f(i), 2.0f, 3.0f)), h(i), 2e-3f);
        EXPECT_LT(f(i), f(i - 1));
    }
}

// Row frequency by one halving at a time, as the table's rule states it:
// midpoints from lo (the last row's frequency) toward hi until the height
// is within 0.0001 km of H or the bracket is 1e-5 MHz; the lo end moves
// when lo_moves(h). The table halves two levels per round, which must give
// the same midpoints and so the same float.
template <class Height, class LoMoves>
float one_halving_at_a_time(float lo, float hi, float H, Height height, LoMoves lo_moves) {
    float fm = lo;
    for (int it = 0; it < 200; ++it) {
        fm = 0.5f * (lo + hi);
        const float h = height(fm);
        if (std::fabs(h - H) < 0.0001f || std::fabs(hi - lo) <= 1.0e-5f) break;
        if (lo_moves(h))
            lo = fm;
        else
            hi = fm;
    }
    return fm;
}

TEST_F(NhTable, RowsAreTheBisectionsOfOneHalvingAtATime) {
    std::mt19937 rng(19);
    std::uniform_real_distribution<float> uni(0.0f, 1.0f);
    int layer_rows = 0, valley_rows = 0;
    for (int trial = 0; trial < 300; ++trial) {
        const float step = trial % 3 == 0 ? 0.02f + 0.5f * uni(rng) : 0.5f + 9.5f * uni(rng);
        // A layer from fa to its peak fb at hb with five coefficients.
        const float fa = trial % 2 ? 0.2f : 1.0f + 3.0f * uni(rng);
        const float fb = fa + 0.3f + 6.0f * uni(rng);
        const float hb = 100.0f + 200.0f * uni(rng);
        const float a[5] = {-(10.0f + 80.0f * uni(rng)), 8.0f * uni(rng) - 4.0f, 3.0f * uni(rng) - 1.5f,
                            uni(rng) - 0.5f, 0.4f * uni(rng) - 0.2f};
        int16_t npth = 1;
        NHPROF.FNTAB(1) = fa;
        NHPROF.HTAB(1) = hb + section_curve(a, 5, 1.0f);
        TABLYR(step, fa, fb, hb, a, npth, NHPROF.FNTAB, NHPROF.HTAB);
        auto layer = [&](float fm) { return hb + section_curve(a, 5, section_coordinate(fm, fa, fb)); };
        for (int i = 2; i < npth; ++i, ++layer_rows) {
            const float H = h(i);
            const float ref = one_halving_at_a_time(f(i - 1), fb, H, layer, [H](float hm) { return !(H < hm); });
            ASSERT_EQ(std::bit_cast<uint32_t>(f(i)), std::bit_cast<uint32_t>(ref)) << "trial " << trial << " row " << i;
        }
        // The falling part of a valley above an E peak of the zero-sum
        // shape (the falling curve is then the plain root shape over W/3).
        const float w = 6.0f + 40.0f * uni(rng), d = 0.1f + 1.5f * uni(rng);
        const float foe = 2.0f + 2.0f * uni(rng), hme = 90.0f + 30.0f * uni(rng);
        const float zero[3] = {0.0f, 0.0f, 0.0f};
        npth = 1;
        NHPROF.FNTAB(1) = foe;
        NHPROF.HTAB(1) = hme;
        float hbv = hme;
        TABVAL(step, w, d, 0.2f, foe, hbv, zero, npth, NHPROF.FNTAB, NHPROF.HTAB);
        const float fv = std::fmax(foe - d, 0.2f);
        const float av[3] = {-w / 3.0f, 0.0f, 0.0f};
        auto falling = [&](float fm) { return hbv - section_curve(av, 3, section_coordinate(fm, fv, foe)); };
        for (int i = 2; i <= npth && f(i) != fv; ++i, ++valley_rows) {
            const float H = h(i);
            const float ref = one_halving_at_a_time(f(i - 1), fv, H, falling, [H](float hm) { return hm <= H; });
            ASSERT_EQ(std::bit_cast<uint32_t>(f(i)), std::bit_cast<uint32_t>(ref)) << "trial " << trial << " row " << i;
        }
    }
    // The comparison covers many rows of both kinds.
    EXPECT_GT(layer_rows, 5000);
    EXPECT_GT(valley_rows, 1000);
}

TEST_F(NhTable, TopsideIsTheChapmanLayer) {
    int16_t npth = 1;
    NHPROF.FNTAB(1) = 8.0f;
    NHPROF.HTAB(1) = 300.0f;
    TABTOP(10.0f, 8.0f, 300.0f, 100.0f, npth, NHPROF.FNTAB, NHPROF.HTAB);
    ASSERT_EQ(npth, 1 + 70);  // 310 .. 1000 km
    for (int i = 2; i <= npth; ++i) {
        const double z = (h(i) - 300.0) / 160.0;
        EXPECT_NEAR(f(i), 8.0 * std::exp(0.5 * (1.0 - z - std::exp(-z))), 1e-5) << h(i);
    }
    EXPECT_EQ(h(npth), 1000.0f);

    // A small scale height ends the topside where fN drops below 0.2 MHz.
    npth = 1;
    TABTOP(10.0f, 8.0f, 300.0f, 5.0f, npth, NHPROF.FNTAB, NHPROF.HTAB);
    EXPECT_LT(h(npth), 1000.0f);
    EXPECT_GE(f(npth), 0.2f);
    const double z = (h(npth) + 10.0 - 300.0) / 8.0;
    EXPECT_LT(8.0 * std::exp(0.5 * (1.0 - z - std::exp(-z))), 0.2);

    for (float sh : {0.0f, NOTCOMPUTED}) {
        npth = 1;
        TABTOP(10.0f, 8.0f, 300.0f, sh, npth, NHPROF.FNTAB, NHPROF.HTAB);
        EXPECT_EQ(npth, 1) << sh;
    }
}

TEST_F(NhTable, WholeTableWithValleyAndTopside) {
    NHPROF.HSTEP = 5.0f;
    NHTABLE(1);
    ASSERT_GT(n(), 40);
    EXPECT_EQ(NHPROF.HSTEP, 5.0f);
    bool saw_floor = false;
    float fpeak = 0.0f, hpeak = 0.0f;
    for (int i = 2; i <= n(); ++i) {
        EXPECT_GE(h(i), h(i - 1)) << i;
        if (f(i) == 2.0f) saw_floor = true;
        if (f(i) > fpeak) fpeak = f(i), hpeak = h(i);
    }
    EXPECT_TRUE(saw_floor);
    EXPECT_EQ(fpeak, 8.0f);
    EXPECT_EQ(hpeak, 300.0f);
    EXPECT_EQ(h(n()), 1000.0f);
    // The F2 coefficients are left in A.
    for (int i = 1; i <= 5; ++i) EXPECT_EQ(LAYCOF.A(i), LAYCOF.AF2(i));
    for (int i = 6; i <= 8; ++i) EXPECT_EQ(LAYCOF.A(i), 0.0f);
}

TEST_F(NhTable, OneKilometreFinalTableExtendsTheFirst) {
    NHTABLE(0);
    const int16_t below = n();
    ASSERT_GT(below, 100);
    EXPECT_EQ(h(below), 300.0f);
    const float last_f = f(below - 1);
    NHPROF.HSTEP = 1.0f;
    LAYCOF.A.fill(7.0f);
    NHTABLE(1);
    EXPECT_EQ(f(below - 1), last_f);
    EXPECT_EQ(n(), below + 700);
    EXPECT_EQ(LAYCOF.A(1), 7.0f) << "layers not tabulated again";
}

TEST_F(NhTable, NoValleyNoTopsideNoTable) {
    LAYCTL.W = 0.0f;
    DERPAR.SHF = 0.0f;
    NHPROF.HSTEP = 2.0f;
    NHTABLE(1);
    int peak_e = 0;
    for (int i = 1; i <= n(); ++i)
        if (f(i) == 3.0f && h(i) == 110.0f) peak_e = i;
    ASSERT_GT(peak_e, 0);
    EXPECT_GT(h(peak_e + 1), 110.0f);
    EXPECT_GT(f(peak_e + 1), 3.0f) << "F2 rows follow the E peak directly";
    EXPECT_EQ(h(n()), 300.0f);

    NHPROF.HSTEP = 0.0f;
    NHTABLE(1);
    EXPECT_EQ(n(), 0);
}

TEST_F(NhTable, TinyStepIsBoundedAndFillsAtMost999Rows) {
    for (float step : {1e-6f, -3.0f, 0.001f}) {
        NHPROF.HSTEP = step;
        NHTABLE(1);
        EXPECT_EQ(n(), MAXNH) << step;
        EXPECT_EQ(NHPROF.HSTEP, step);
        EXPECT_NEAR(h(2) - h(1), 0.001f, 2e-4f);
    }
}

TEST_F(NhTable, F1SectionIsTabulatedWhenSolved) {
    SCALE2.IQUALE(4) = 1;
    LAYCOF.FC(3) = 5.0f;
    LAYCOF.ZMF1 = 200.0f;
    LAYCOF.AF1(1) = -60.0f;
    LAYCOF.ZMF2 = 320.0f;
    NHPROF.HSTEP = 1.0f;
    NHTABLE(0);
    int peak_f1 = 0;
    for (int i = 1; i <= n(); ++i)
        if (f(i) == 5.0f && h(i) == 200.0f) peak_f1 = i;
    ASSERT_GT(peak_f1, 0);
    const float a1[5] = {-60.0f, 0, 0, 0, 0};
    for (int i = peak_f1 - 20; i < peak_f1; ++i)
        EXPECT_NEAR(layer_height(a1, 1, 3.0f, 5.0f, 200.0f, f(i)), h(i), 2e-3f);
    EXPECT_EQ(h(n()), 320.0f);
}

}  // namespace
}  // namespace kolm
