// End step of the inversion: each step of the boundary and characteristic
// hand-over on blocks set by hand, and the profile table of solved records
// checked against the section curves evaluated independently.
#include "inversion/profile_table.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <vector>

#include "blocks/peltarscale.h"
#include "blocks/peltartrueh.h"
#include "blocks/run_state.h"
#include "blocks/status.h"
#include "inversion/gauss_integral.h"
#include "inversion/inversion_test.h"
#include "inversion/profil1.h"
#include "inversion/reference.h"
#include "inversion/synthetic_record.h"

namespace kolm {
namespace {

// A plausible solved record in the blocks: E to 3.01 MHz, F1 to 4.3, F2 to 8.0.
void set_solved_blocks() {
    reset_run_state();
    SETCV();
    SCLCHR.FQINCR = 0.05f;
    FLDPAR.FH = 1.3f;
    FLDPAR.DIP = 1.1f;
    GOGXCOM(FLDPAR.DIP);
    auto& C = LAYCOF;
    C.FC(1) = 0.2f, C.FC(2) = 3.01f, C.FC(3) = 4.3f, C.FC(4) = 8.0f;
    C.AE(1) = -25.0f, C.AE(2) = 7.0f, C.AE(3) = -1.0f;
    C.ZME = 110.0f;
    LAYCTL.W = 20.0f;
    LAYCTL.D = 0.15f;
    const float af1[5] = {-40.0f, -15.0f, 4.0f, -1.5f, 0.5f};
    const float af2[5] = {-60.0f, -2.0f, -5.0f, 0.7f, -0.5f};
    for (int i = 1; i <= 5; ++i) C.AF1(i) = af1[i - 1], C.AF2(i) = af2[i - 1];
    float s1 = 0.0f, s2 = 0.0f;
    for (int i = 1; i <= 5; ++i) s1 += af1[i - 1], s2 += af2[i - 1];
    DERPAR.HSTART = C.ZME + (C.AE(1) + C.AE(2) + C.AE(3));
    DERPAR.HSTARTF1 = C.ZME + LAYCTL.W;
    C.ZMF1 = DERPAR.HSTARTF1 - s1;
    DERPAR.HSTARTF2 = C.ZMF1;
    C.ZMF2 = C.ZMF1 - s2;
    C.ER(1) = 1.23456f, C.ER(2) = 0.0004f, C.ER(3) = 12.3449f;
    SCALE2.FOE = 3.0f;
    SCLCHR.FOF1 = 4.32f;
    SCLCHR.FOF2 = 8.03f;
    SAOHDR.REALIN(realin::FMAX) = 8.033f;
    auto& IQ = SCALE2.IQUALE;
    IQ(iquale::ETOP) = 1;
    IQ(iquale::STATUS) = status::PROFILE_OBTAINED;
    IQ(iquale::F1_SCALED) = 1;
}

// Each step of the hand-over, for solved and failed records. Boundaries in
// are start of E, E top, F1 top, F2 top; out the output order.
TEST(ProfileEndStep, BoundariesCharacteristicsAndClearsByStatus) {
    constexpr float KEEP = -1.0f;  // expected: the value set before
    struct Case {
        const char* what;
        int16_t status, iq1, iq4, kchkf1;
        float fc2, fc3, fc4;                 // in; FC(1) = 0.2
        float foe, fof1, fof2, fmax;         // out (KEEP: unchanged)
        float out2, out4;                    // FC(2), FC(4) out
        bool valley, f_coefficients, e_coefficients;
    } cases[] = {
        {"F1, solved", 2, 1, 1, 0, 3.01f, 4.3f, 8.0f, 3.01f, 4.3f, 8.0f, 8.0f, 4.3f, 3.01f, true, true, true},
        {"no F1, solved", 2, 1, 0, 0, 3.01f, 3.01f, 8.0f, 3.01f, KEEP, 8.0f, 8.0f, 3.01f, 0.0f, true, true, true},
        {"F1 top not below the F2 top", 2, 1, 1, 0, 3.01f, 8.0f, 8.0f, 3.01f, KEEP, 8.0f, 8.0f, 8.0f, 3.01f, true,
         true, true},
        {"predicted E top, solved", 2, 2, 0, 0, 1.1f, 1.1f, 8.0f, 999.9f, KEEP, 8.0f, 8.0f, 1.1f, 0.0f, true, true,
         true},
        {"scaled foE without trace, solved", 2, 3, 0, 0, 3.01f, 3.01f, 8.0f, 3.01f, KEEP, 8.0f, 8.0f, 3.01f, 0.0f,
         true, true, true},
        {"F2 failed after the E layer", 18, 1, 0, 0, 3.01f, 3.01f, 8.0f, 3.01f, KEEP, KEEP, KEEP, 3.01f, 0.0f,
         false, false, true},
        {"F2 failed, predicted E top", 18, 2, 0, 0, 1.1f, 1.1f, 8.0f, 999.9f, KEEP, KEEP, KEEP, 1.1f, 0.0f, false,
         false, false},
        {"F1 failed", 10, 1, 1, 0, 3.01f, 4.3f, 0.0f, 3.01f, KEEP, KEEP, KEEP, 4.3f, 3.01f, false, false, true},
        // Repairs: a rejected F1 layer leaves the E top as the end of the E
        // section; a record whose E layer was not solved keeps its scaled foE.
        {"F1 roots", 25, 1, 1, 1, 3.01f, 4.3f, 0.0f, 3.01f, KEEP, KEEP, KEEP, 3.01f, 0.0f, false, false, true},
        {"oscillating F1", 11, 1, 1, 2, 3.01f, 4.3f, 0.0f, 3.01f, KEEP, KEEP, KEEP, 3.01f, 0.0f, false, false, true},
        {"trace rejected", 0, 1, 1, 0, 0.0f, 0.0f, 0.0f, KEEP, KEEP, KEEP, KEEP, 0.0f, 0.0f, false, false, true},
        {"foF2 beyond the frequency range", 8, 1, 0, 0, 0.0f, 0.0f, 0.0f, KEEP, KEEP, KEEP, KEEP, 0.0f, 0.0f,
         false, false, true},
        {"E layer unreasonable", 7, 1, 0, 0, 3.01f, 0.0f, 0.0f, KEEP, KEEP, KEEP, KEEP, 0.0f, 0.0f, false, false,
         true},
        {"E frequency range error", 4, 3, 0, 0, 0.1f, 0.0f, 0.0f, KEEP, KEEP, KEEP, KEEP, 0.0f, 0.0f, false,
         false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        set_solved_blocks();
        auto& C = LAYCOF;
        auto& IQ = SCALE2.IQUALE;
        IQ(iquale::STATUS) = c.status;
        IQ(iquale::ETOP) = c.iq1;
        IQ(iquale::F1_SCALED) = c.iq4;
        SMAT.KCHKF1 = c.kchkf1;
        C.FC(2) = c.fc2, C.FC(3) = c.fc3, C.FC(4) = c.fc4;
        const float foe = SCALE2.FOE, fof1 = SCLCHR.FOF1, fof2 = SCLCHR.FOF2, fmax = SAOHDR.REALIN(realin::FMAX);
        TRCSEC.NN = 3;
        TOPELTAR();
        EXPECT_FLOAT_EQ(SCALE2.FOE, c.foe == KEEP ? foe : c.foe);
        EXPECT_FLOAT_EQ(SCLCHR.FOF1, c.fof1 == KEEP ? fof1 : c.fof1);
        EXPECT_FLOAT_EQ(SCLCHR.FOF2, c.fof2 == KEEP ? fof2 : c.fof2);
        EXPECT_FLOAT_EQ(SAOHDR.REALIN(realin::FMAX), c.fmax == KEEP ? fmax : c.fmax);
        EXPECT_FLOAT_EQ(C.FC(1), 0.2f);
        EXPECT_FLOAT_EQ(C.FC(2), c.out2);
        EXPECT_FLOAT_EQ(C.FC(3), c.fc3);
        EXPECT_FLOAT_EQ(C.FC(4), c.out4);
        EXPECT_EQ(TRCSEC.NN, 5);
        EXPECT_EQ(SCLCHR.NCOEF, 5);
        // The valley goes to the reported pair, and is cleared for the next record.
        EXPECT_FLOAT_EQ(LAYCTL.WOUT, c.valley ? 20.0f : 0.0f);
        EXPECT_FLOAT_EQ(LAYCTL.DOUT, c.valley ? 0.15f : 0.0f);
        EXPECT_EQ(LAYCTL.W, 0.0f);
        EXPECT_EQ(LAYCTL.D, 0.0f);
        EXPECT_EQ(C.AF1(1) != 0.0f, c.f_coefficients);
        EXPECT_EQ(C.AF2(5) != 0.0f, c.f_coefficients);
        EXPECT_EQ(C.AE(3) != 0.0f, c.e_coefficients);
        // Fit errors to 0.001 km.
        EXPECT_FLOAT_EQ(C.ER(1), 1.235f);
        EXPECT_FLOAT_EQ(C.ER(2), 0.0f);
        EXPECT_FLOAT_EQ(C.ER(3), 12.345f);
    }
}

// Height of the section curve (double precision) at plasma frequency f.
double section_height(double f, double fs, double fe, double zm, const float* a, int nn) {
    std::vector<double> c(a, a + nn);
    return zm + testref::section_offset(f, fs, fe, c);
}

class ProfileTable : public testrec::InversionTest {};

// A day sounding with F1 through the inversion: the table follows the
// section curves, with a row wherever the height has moved by 2 km (E) or
// 5 km (F1, F2) since the last row, the observed virtual height where the
// trace has a point and the model virtual height away from section ends.
TEST_F(ProfileTable, RowsFollowTheSectionCurvesOfASolvedRecord) {
    float first_f;
    const testrec::Record r = synth::make_record({"day, F1", synth::day(true, 11), true, 4.3, 11, 0.2f}, first_f);
    testrec::load(r);
    PROFIL1();
    ASSERT_EQ(SCALE2.IQUALE(iquale::STATUS), status::PROFILE_OBTAINED);
    const auto& W = TRCWRK;
    const auto& C = LAYCOF;
    // Boundaries as the sections were solved: the end step left the E top
    // in FC(4) and the F2 top in foF2.
    const double fc[5] = {0.0, C.FC(1), C.FC(4), C.FC(3), SCLCHR.FOF2};
    ASSERT_GT(fc[2], 0.2);
    ASSERT_LT(fc[2], fc[3]);
    const double zb[4] = {0.0, C.ZME, C.ZMF1, C.ZMF2};
    auto section = [&](double f) { return f < fc[2] ? 1 : f < fc[3] ? 2 : 3; };
    auto height = [&](double f) {
        const int s = section(f);
        const float* a = s == 1 ? C.AE.data() : s == 2 ? C.AF1.data() : C.AF2.data();
        return section_height(f, fc[s], fc[s + 1], zb[s], a, s == 1 ? 3 : 5);
    };
    // The trace as recorded: frequency on the grid -> virtual height.
    std::map<long, float> trace;
    auto key = [](double f) { return std::lround(f * 1000.0); };
    for (const testrec::Trace* t : {&r.e, &r.f1, &r.f2}) {
        const int n = int(t->heights.size());
        for (int i = 0; i < n; ++i) trace[key(synth::grid(t->fc) - float(n - 1 - i) * synth::STEP)] = t->heights[size_t(i)];
    }

    const int n = W.NFQE + W.NFQF1 + W.NFQF;
    ASSERT_GT(W.NFQE, 3);
    ASSERT_GT(W.NFQF1, 3);
    ASSERT_GT(W.NFQF, 5);
    EXPECT_EQ(TRCSEC.NFQ, n);
    EXPECT_FLOAT_EQ(W.TF(1), 0.2f);
    EXPECT_NEAR(W.TZ(1), C.ZME + C.AE(1) + C.AE(2) + C.AE(3), 0.01f) << "the E base";
    std::vector<double> misfit;
    for (int m = 1; m <= n; ++m) {
        SCOPED_TRACE(W.TF(m));
        const double f = W.TF(m);
        const int s = section(f);
        EXPECT_EQ(s, m <= W.NFQE ? 1 : m <= W.NFQE + W.NFQF1 ? 2 : 3) << "rows counted per section";
        EXPECT_NEAR(W.TZ(m), height(f), 0.02);
        const double dh = s == 1 ? 2.0 : 5.0;
        if (m > 1) {
            EXPECT_GT(f, W.TF(m - 1));
            EXPECT_GE(std::fabs(W.TZ(m) - W.TZ(m - 1)), dh - 0.01);
            // No row at the grid frequencies between: the height had not moved enough.
            for (double g = W.TF(m - 1) + synth::STEP; g < f - 0.001; g += synth::STEP) {
                const double dg = section(g) == 1 ? 2.0 : 5.0;
                EXPECT_LT(std::fabs(height(g) - W.TZ(m - 1)), dg + 0.01) << g;
            }
        }
        const auto it = trace.find(key(f));
        if (it != trace.end() && it->second < 999.0f) {
            EXPECT_EQ(W.TH(m), it->second);
        } else {
            EXPECT_EQ(W.TH(m), NOTCOMPUTED);
        }
        const bool near_end = std::fabs(f - fc[s + 1]) <= 0.005 || (s > 1 && std::fabs(f - fc[s]) <= 0.005);
        if (near_end) {
            EXPECT_EQ(W.TVM(m), NOTCOMPUTED);
        } else if (W.TH(m) != NOTCOMPUTED) {
            misfit.push_back(std::fabs(W.TVM(m) - W.TH(m)));
        }
    }
    // The model virtual heights reproduce the observed ones of the fit (but
    // next to the cusps, where the virtual heights change fastest).
    ASSERT_GT(misfit.size(), 10u);
    std::sort(misfit.begin(), misfit.end());
    EXPECT_LT(misfit[misfit.size() / 2], 2.0);
    // Beyond the table nothing is left of the working trace.
    EXPECT_EQ(W.TF(n + 1), 0.0f);
    EXPECT_EQ(W.TH(n + 1), 0.0f);
}

// Without a profile there is no table: the working trace stays.
TEST_F(ProfileTable, FailedRecordKeepsItsWorkingTrace) {
    float first_f;
    testrec::Record r = synth::make_record({"day, no F1", synth::day(false, 11), true, 0.0, 11, 0.2f}, first_f);
    r.f2.heights.resize(2);
    r.f2.fc = r.fminf + synth::STEP;
    r.fof2 = r.f2.fc;
    testrec::load(r);
    PROFIL1();
    ASSERT_EQ(SCALE2.IQUALE(iquale::STATUS), status::F2_FEW_POINTS);
    const auto& W = TRCWRK;
    EXPECT_EQ(W.NFQE, int(r.e.heights.size()));
    EXPECT_EQ(W.NFQF, 2);
    EXPECT_FLOAT_EQ(W.TF(1), 1.0f);
    EXPECT_EQ(W.TH(1), r.e.heights[0]);
    EXPECT_EQ(W.TVM(1), 0.0f);
    EXPECT_EQ(W.TZ(1), 0.0f);
}

// An F1 section narrower than one frequency step has no table frequency:
// the F2 rows stand on the F2 peak height of the record.
TEST(ProfileTableByHand, F1SectionWithoutTableFrequency) {
    set_solved_blocks();
    auto& C = LAYCOF;
    C.FC(2) = 3.01f;
    C.FC(3) = 3.04f;  // the grid 0.2 + k 0.05 has no point in [3.01, 3.04)
    C.ZMF2 = 300.0f;
    PELTARTABLE();
    const auto& W = TRCWRK;
    EXPECT_EQ(W.NFQF1, 0);
    ASSERT_GT(W.NFQF, 3);
    for (int m = W.NFQE + 1; m <= W.NFQE + W.NFQF; ++m)
        EXPECT_NEAR(W.TZ(m), section_height(W.TF(m), 3.04, 8.0, 300.0, C.AF2.data(), 5), 0.02) << W.TF(m);
}

// A frequency step below the 0.001 MHz table grid cannot advance the table:
// it ends instead of running without end.
TEST(ProfileTableByHand, StepBelowTheTableGridEnds) {
    set_solved_blocks();
    SCLCHR.FQINCR = 0.0004f;
    PELTARTABLE();
    const auto& W = TRCWRK;
    EXPECT_EQ(W.NFQE, 1);
    EXPECT_EQ(W.NFQF1 + W.NFQF, 0);
    EXPECT_FLOAT_EQ(W.TF(1), 0.2f);
}

}  // namespace
}  // namespace kolm
