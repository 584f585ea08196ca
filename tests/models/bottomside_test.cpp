// Bottomside parameters: B0 and B1 recovered from sections of known IRI
// shape, D1 from an F1 section of known shape, and the table's absence.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>

#include "blocks/peltarscale.h"
#include "blocks/peltartrueh.h"
#include "model_tables.h"
#include "models/bottomside.h"
#include "models/section_fit.h"
#include "models/table_generator.h"
#include "sections/coef_reexpression.h"
#include "work_dir.h"

namespace kolm {
namespace {

using testing::fit_section;

constexpr double FOF2 = 9.0, HMF2 = 280.0, FOE = 3.0, HME = 110.0, W = 20.0;

// The IRI bottomside depth X below hmF2 at plasma frequency f.
double depth(double f, double b1) { return iri_depth(f * f / (FOF2 * FOF2), b1); }

// LAYCOF with an F2 section from start*foF2 to foF2 (start 0: from foE,
// without F1) following the IRI bottomside of thickness b0 and shape b1:
// with tabulated, the table's own shape re-expressed on the section's
// range, else the least-squares fit of the formula on that range. The N(h)
// table stays empty.
void set_profile(double b0, double b1, double start, bool tabulated) {
    auto& C = LAYCOF;
    const bool f1 = start > 0.0;
    C.FC(1) = 0.2f;
    C.FC(2) = float(FOE);
    C.FC(3) = f1 ? float(start * FOF2) : float(FOE);
    C.FC(4) = float(FOF2);
    C.ZME = float(HME);
    C.ZMF2 = float(HMF2);
    LAYCTL.W = float(W);
    float a[5];
    if (tabulated) {
        double s[5];
        b0b1_shape(b1, s);
        float sb[5];
        for (int j = 0; j < 5; ++j) sb[j] = float(b0 * s[j]);
        CONTPRFL(5, B0RATIO * C.FC(4), C.FC(4), sb, C.FC(3), a);
    } else {
        const double lnr = std::log(double(C.FC(3)) / FOF2);
        fit_section([&](double u) { return -b0 * depth(FOF2 * std::exp(u * lnr), b1); }, 5, a);
    }
    for (int j = 1; j <= 5; ++j) C.AF2(j) = a[j - 1];
    C.ZMF1 = float(HMF2 - b0 * depth(C.FC(3), b1));
    NHPROF.NPTH = 0;
}

struct Case {
    double b0, b1, start;  // start 0: no F1
};

class Bottomside : public testing::WorkDir {
protected:
    void SetUp() override {
        WorkDir::SetUp();
        ASSERT_TRUE(testing::write_test_tables());
    }
};

// F2 sections starting below the tabulated range (the section is cut to
// it) and above it (each shape is cut), and without F1 (the section is cut
// at the height halfway up from the valley top).
const Case SECTIONS[] = {
    {100.0, 2.50, 0.40}, {60.0, 1.70, 0.60}, {45.0, 3.20, 0.70},
    {150.0, 1.30, 0.0},  {80.0, 4.00, 0.0},  {120.0, 2.00, 0.30},
};

TEST_F(Bottomside, RecoversThicknessAndShapeOnTheTableGrid) {
    for (const Case& c : SECTIONS) {
        reset_run_state();
        set_profile(c.b0, c.b1, c.start, true);
        CALB0B1D1();
        EXPECT_NEAR(IRIPAR.B0(), c.b0, 0.1 + 1e-4) << c.b0 << " " << c.b1;
        EXPECT_FLOAT_EQ(IRIPAR.B1(), float(c.b1)) << c.b0 << " " << c.b1;
        EXPECT_FLOAT_EQ(IRIPAR.B0(), std::round(IRIPAR.B0() * 10.0f) / 10.0f);
        // Without the N(h) table D1 is not fitted.
        EXPECT_EQ(IRIPAR.D1(), NOTCOMPUTED);
    }
}

TEST_F(Bottomside, SectionsFittedToTheFormulaOnTheirOwnRange) {
    // The five-term fit of the formula differs from the tabulated shapes by
    // up to about 1 % of B0 near the peak; B0 and B1 trade off against each
    // other on short ranges.
    for (const Case& c : SECTIONS) {
        reset_run_state();
        set_profile(c.b0, c.b1, c.start, false);
        CALB0B1D1();
        EXPECT_NEAR(IRIPAR.B0(), c.b0, 0.05 * c.b0) << c.b0 << " " << c.b1;
        EXPECT_NEAR(IRIPAR.B1(), c.b1, 0.1) << c.b0 << " " << c.b1;
        std::printf("B0 %6.1f B1 %4.2f from %4.2f foF2: B0 %6.1f B1 %4.2f\n", c.b0, c.b1, c.start, IRIPAR.B0(),
                    IRIPAR.B1());
    }
}

TEST_F(Bottomside, ComparesTheSectionOnItsUpperPartWithoutF1) {
    set_profile(80.0, 2.5, 0.0, true);
    DERPAR.ZENITH = 45.12345f;
    CALB0B1D1();
    // HT = (hmF2 - ZME - W + hmF2)/2; A holds the section re-expressed from there.
    EXPECT_FLOAT_EQ(IRIPAR.V(10), float(HMF2 - HME - W));
    EXPECT_FLOAT_EQ(IRIPAR.V(11), float((HMF2 - HME - W + HMF2) / 2.0));
    float a[5];
    for (int j = 1; j <= 5; ++j) a[j - 1] = LAYCOF.A(j);
    EXPECT_NEAR(HMF2 + testing::section_offset(a, 5, 1.0), IRIPAR.V(11), 0.01);
    EXPECT_FLOAT_EQ(DERPAR.ZENITH, 45.123f);
}

// F1 section of the IRI-shaped F1 region of shape d1 above the profile of
// set_profile: the model tabulated finely and fitted in the section basis
// from foE to foF1.
void set_f1_section(float d1) {
    auto& C = LAYCOF;
    auto& P = IRIPAR.V;
    P(1) = C.FC(3), P(2) = C.FC(4), P(3) = C.ZMF2, P(15) = C.FC(2), P(16) = C.ZME, P(10) = C.ZME + LAYCTL.W;
    P(6) = C.FC(2), P(7) = C.FC(3);
    CALHMF1IRI(P(2), P(3), IRIPAR.B0(), IRIPAR.B1(), P(7), P(8));
    IRIPAR.D1() = d1;
    CALHSTHZ(1);
    int16_t n = 0;
    IriColumn F, H, G;
    TABIRI(0.2f, n, F, H, G, 1);
    // Height at plasma frequency f from the model table (frequencies fall downward).
    auto height = [&](double f) {
        for (int i = 2; i <= n; ++i)
            if (F(i) <= f) return H(i) + (H(i - 1) - H(i)) * (f - F(i)) / (F(i - 1) - F(i) + 1e-12);
        return double(H(n));
    };
    const double lnr = std::log(double(C.FC(2)) / C.FC(3));
    float a[5];
    fit_section([&](double u) { return height(C.FC(3) * std::exp(u * lnr)) - P(8); }, 5, a);
    for (int j = 1; j <= 5; ++j) C.AF1(j) = a[j - 1];
    C.ZMF1 = P(8);
}

TEST_F(Bottomside, FitsTheF1ShapeOfAKnownD1) {
    // The pattern search starts with steps of 0.5 from 0 and refines between
    // the best value and the first step beyond it that is worse: D1 comes
    // within that first step, and close when the refinement brackets it.
    struct D1Case {
        float d1, tol;
    };
    for (const D1Case c : {D1Case{0.3f, 0.5f}, D1Case{0.8f, 0.5f}, D1Case{1.6f, 0.01f}}) {
        reset_run_state();
        set_profile(100.0, 2.5, 0.55, true);
        CALB0B1D1();
        set_f1_section(c.d1);
        NHPROF.NPTH = 1;
        CALB0B1D1();
        EXPECT_NEAR(IRIPAR.D1(), c.d1, c.tol) << c.d1;
        EXPECT_FLOAT_EQ(IRIPAR.D1(), std::round(IRIPAR.D1() * 1000.0f) / 1000.0f);
        // hmF1 where the bottomside reaches foF1; HST, HZ, T of the best D1.
        EXPECT_NEAR(IRIPAR.V(8), HMF2 - 100.0 * depth(LAYCOF.FC(3), 2.5), 0.01);
        EXPECT_FLOAT_EQ(IRIPAR.V(12), (IRIPAR.V(11) + IRIPAR.V(8)) / 2.0f);
        std::printf("D1 %.3f: fitted %.3f, hmF1 %.3f\n", c.d1, IRIPAR.D1(), IRIPAR.V(8));
    }
}

TEST_F(Bottomside, D1WithoutRoomForAnF1Region) {
    // Valley top at or above HZ: no fit.
    set_profile(100.0, 2.5, 0.55, true);
    LAYCTL.W = 70.0f;  // valley top at 180 km, close below hmF1
    NHPROF.NPTH = 1;
    CALB0B1D1();
    EXPECT_EQ(IRIPAR.D1(), 999.9f);
    int16_t ierr = 0;
    FITF1IRI(ierr);
    EXPECT_EQ(ierr, 1);
    // Without F1 D1 is 0.
    reset_run_state();
    set_profile(100.0, 2.5, 0.0, true);
    NHPROF.NPTH = 1;
    CALB0B1D1();
    EXPECT_EQ(IRIPAR.D1(), 0.0f);
}

TEST_F(Bottomside, TabulatedIriProfile) {
    // Without F1: from the F2 peak down to the valley top, foE there; the
    // valley top below HST (T > 0) and above it (T < 0).
    for (float w : {20.0f, 60.0f}) {
        reset_run_state();
        set_profile(100.0, 2.5, 0.0, true);
        LAYCTL.W = w;
        NHPROF.NPTH = 1;
        CALB0B1D1();
        ASSERT_EQ(IRIPAR.D1(), 0.0f);
        EXPECT_EQ(IRIPAR.V(13) > 0.0f, IRIPAR.V(10) < IRIPAR.V(11)) << w;
        int16_t n = 0;
        IriColumn F, H, G;
        TABIRI(1.0f, n, F, H, G, 2);
        ASSERT_GT(n, 50);
        EXPECT_EQ(F(1), LAYCOF.FC(4));
        EXPECT_EQ(H(1), LAYCOF.ZMF2);
        EXPECT_EQ(F(n), IRIPAR.V(15));
        EXPECT_EQ(H(n), IRIPAR.V(10));
        for (int i = 2; i <= n; ++i) {
            ASSERT_TRUE(std::isfinite(F(i)) && std::isfinite(G(i))) << i;
            EXPECT_LE(H(i), H(i - 1));
            EXPECT_LE(F(i), F(i - 1) + 1e-5f);
            EXPECT_GE(F(i), IRIPAR.V(15));
        }
        // The solved section's heights: on the IRI shape itself to its
        // representation error; the peak at hmF2.
        EXPECT_EQ(G(1), LAYCOF.ZMF2);
        for (int i = 2; i <= n && H(i) >= IRIPAR.V(12); ++i) EXPECT_NEAR(G(i), H(i), 1.5f) << i;
        // A finer grid stops at the table's capacity.
        TABIRI(0.1f, n, F, H, G, 2);
        EXPECT_EQ(n, MAXIRITAB);
    }
}

TEST_F(Bottomside, TiesKeepTheFirstShapeAndShapesWithoutNormAreSkipped) {
    // Three records: a zero shape, then the same shape under two B1 values.
    double shape[5];
    b0b1_shape(2.5, shape);
    std::string text = "1.5 0 0 0 0 0\n";
    for (const char* b1 : {"7.25", "3.5"}) {
        text += b1;
        for (double v : shape) {
            text += ' ';
            text += std::to_string(v);
        }
        text += "\n";
    }
    std::remove("B0B1DT.BIN");
    write_file("B0B1DT.ASC", text);
    set_profile(90.0, 2.5, 0.45, true);
    CALB0B1D1();
    EXPECT_FLOAT_EQ(IRIPAR.B1(), 7.25f);
    EXPECT_NEAR(IRIPAR.B0(), 90.0f, 0.1f);
}

TEST_F(Bottomside, MissingOrEmptyTableLeavesTheSectionAlone) {
    for (const std::string& empty : {std::string(), std::string("\n  \n")}) {
        reset_run_state();
        std::remove("B0B1DT.BIN");
        std::remove("B0B1DT.ASC");
        std::string named;  // the bad files, named before the message
        if (!empty.empty()) {
            write_file("B0B1DT.BIN", "");
            write_file("B0B1DT.ASC", empty);
            named = " ERROR: THE MODEL FILE B0B1DT.BIN IS EMPTY\n ERROR: THE MODEL FILE B0B1DT.ASC HOLDS NO DATA\n";
        }
        set_profile(80.0, 2.5, 0.45, true);
        for (int j = 1; j <= 8; ++j) LAYCOF.A(j) = 7.0f;
        IRIPAR.B0() = 55.0f;  // an earlier record's value
        ::testing::internal::CaptureStderr();
        CALB0B1D1();
        EXPECT_EQ(::testing::internal::GetCapturedStderr(), named + " CANNOT FIND THE FILE \"B0B1DT.ASC\"!\n");
        EXPECT_EQ(IRIPAR.B0(), NOTCOMPUTED);
        EXPECT_EQ(IRIPAR.B1(), NOTCOMPUTED);
        EXPECT_EQ(IRIPAR.D1(), NOTCOMPUTED);
        for (int j = 1; j <= 8; ++j) EXPECT_EQ(LAYCOF.A(j), 7.0f);
    }
}

TEST_F(Bottomside, TableIsKeptWithinARecordAndLookedForAgainWhileMissing) {
    std::remove("B0B1DT.BIN");
    std::rename("B0B1DT.ASC", "KEEP.ASC");
    set_profile(80.0, 2.5, 0.45, true);
    ::testing::internal::CaptureStderr();
    CALB0B1D1();
    ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(IRIPAR.B0(), NOTCOMPUTED);
    // The next call finds the table, and keeps it for the rest of the record.
    std::rename("KEEP.ASC", "B0B1DT.ASC");
    CALB0B1D1();
    EXPECT_NEAR(IRIPAR.B0(), 80.0f, 0.1f);
    std::rename("B0B1DT.ASC", "KEEP.ASC");
    set_profile(60.0, 1.5, 0.45, true);
    CALB0B1D1();
    EXPECT_NEAR(IRIPAR.B0(), 60.0f, 0.1f);
    EXPECT_FLOAT_EQ(IRIPAR.B1(), 1.5f);
    // The next record sees that it is gone, and then that it is back.
    recheck_model_tables();
    ::testing::internal::CaptureStderr();
    CALB0B1D1();
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), " CANNOT FIND THE FILE \"B0B1DT.ASC\"!\n");
    EXPECT_EQ(IRIPAR.B0(), NOTCOMPUTED);
    std::rename("KEEP.ASC", "B0B1DT.ASC");
    CALB0B1D1();
    EXPECT_NEAR(IRIPAR.B0(), 60.0f, 0.1f);
}

}  // namespace
}  // namespace kolm
