// Section set-up of the E, F1 and F2 regions from the working trace.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "blocks/peltarscale.h"
#include "blocks/peltartrueh.h"
#include "blocks/status.h"
#include "inversion/section_setup.h"
#include "inversion_test.h"

namespace kolm {
namespace {

class SectionSetup : public testrec::InversionTest {
protected:
    void SetUp() override {
        InversionTest::SetUp();
        SCLCHR.FQINCR = 0.1f;
        SAOHDR.REALIN(43) = 3.0f;
        OPTS.ISSN = 50;
        FLDPAR.SSNREC = 50.0f;
        SAOHDR.REALIN(1) = 50.0f;
        SAOHDR.REALIN(2) = 10.0f;
        TIMEBK.IYR = TIMEBK.IYR4 = 2009;
        TIMEBK.IDAY = 180;
        TIMEBK.MONTH = 6;
        TIMEBK.MDAY = 29;
        TIMEBK.IHR = 12;
    }
    // Working trace: (frequency, height) per layer, frequencies as k * 0.1.
    void trace(const std::vector<std::pair<int, float>>& e, const std::vector<std::pair<int, float>>& f1,
               const std::vector<std::pair<int, float>>& f2) {
        int k = 0;
        for (const auto* part : {&e, &f1, &f2})
            for (const auto& p : *part) {
                ++k;
                TRCWRK.TF(k) = float(p.first) * 0.1f;
                TRCWRK.TH(k) = p.second;
            }
        TRCWRK.NFQE = int16_t(e.size());
        TRCWRK.NFQF1 = int16_t(f1.size());
        TRCWRK.NFQF = int16_t(f2.size());
    }
    void setup(int irgn) {
        LAYCTL.IRGN = int16_t(irgn);
        SETUP();
    }
};

TEST_F(SectionSetup, ERegionWithoutTraceTakesThePredictionOrTheScaledFoE) {
    trace({}, {}, {{60, 250.0f}});
    SCLCHR.FMINF = 20.0f;  // above any predicted foE
    SCALE2.FOE = 0.0f;
    setup(1);
    EXPECT_EQ(SCALE2.IQUALE(1), 2);
    EXPECT_EQ(TRCSEC.FEND, SAOHDR.REALIN(43));
    EXPECT_EQ(TRCSEC.FEND, SETUPST.FOEP);
    EXPECT_EQ(TRCSEC.NFQ, 0);
    EXPECT_EQ(TRCSEC.NN, 3);
    SCALE2.FOE = 3.0f;
    setup(1);
    EXPECT_EQ(SCALE2.IQUALE(1), 3);
    EXPECT_EQ(TRCSEC.FEND, 3.0f);
    EXPECT_EQ(LAYCOF.FC(1), 0.2f);
    EXPECT_EQ(LAYCOF.FC(2), 3.0f);
    // The F trace starting at 0.25 MHz, below the predicted foE: top 0.
    SCLCHR.FMINF = 0.25f;
    setup(1);
    EXPECT_EQ(TRCSEC.FEND, 0.0f);
    // Starting at 2.0 MHz: one step below FMINF plus a fifth of a step when
    // that is below the predicted foE.
    SCLCHR.FMINF = 2.0f;
    setup(1);
    if (2.0f <= SETUPST.FOEP) {
        EXPECT_FLOAT_EQ(TRCSEC.FEND, 2.0f - 0.1f + 0.02f);
    } else {
        EXPECT_EQ(TRCSEC.FEND, 3.0f);
    }
}

TEST_F(SectionSetup, ERegionWithTraceSnapsFoEToTheGrid) {
    trace({{10, 100.0f}, {20, 105.0f}, {29, 130.0f}}, {}, {});
    SCLCHR.FQINCR = 0.05f;
    SCALE2.FOE = 2.95f;
    setup(1);
    EXPECT_EQ(SCALE2.IQUALE(1), 1);
    EXPECT_NEAR(TRCSEC.FEND, 2.96f, 1e-5f);
    EXPECT_EQ(TRCSEC.NFQ, 3);
    EXPECT_FLOAT_EQ(TRCSEC.FK(3), 2.9f);
    EXPECT_EQ(TRCSEC.PPO(3), 130.0f);
    EXPECT_EQ(TRCSEC.FSTART, 0.2f);
    // An unusable scaled foE gives the predicted one.
    SCALE2.FOE = 0.3f;
    setup(1);
    EXPECT_EQ(TRCSEC.FEND, SETUPST.FOEP);
}

TEST_F(SectionSetup, F1WithValidBoundaryPointsKeepsFoF1) {
    trace({{20, 100.0f}}, {{30, 180.0f}, {35, 190.0f}, {40, 200.0f}}, {{41, 210.0f}, {50, 230.0f}});
    LAYCOF.FC(2) = 2.6f;
    SCLCHR.FOF1 = 4.04f;
    setup(2);
    EXPECT_EQ(SCLCHR.FOF1, 4.04f);
    EXPECT_FLOAT_EQ(TRCSEC.FEND, 4.0f);
    EXPECT_EQ(TRCSEC.FSTART, 2.6f);
    EXPECT_EQ(TRCSEC.NFQ, 3);
    EXPECT_EQ(TRCSEC.NN, 5);
    EXPECT_EQ(LAYCOF.FC(3), TRCSEC.FEND);
    EXPECT_EQ(TRCWRK.NFQF1, 3);
    EXPECT_EQ(TRCWRK.NFQF, 2);
    EXPECT_FLOAT_EQ(TRCSEC.FK(1), 3.0f);
    EXPECT_EQ(TRCSEC.PPO(3), 200.0f);
}

TEST_F(SectionSetup, F1BoundaryMovesToTheMeanAndRedividesThePoints) {
    // F1 2.0..3.0 with the last two heights missing, F2 from 3.1 (valid).
    std::vector<std::pair<int, float>> f1, f2;
    for (int k = 20; k <= 30; ++k) f1.push_back({k, k >= 29 ? 999.0f : 160.0f + float(k)});
    for (int k = 31; k <= 50; ++k) f2.push_back({k, 200.0f + float(k)});
    trace({{10, 100.0f}}, f1, f2);
    LAYCOF.FC(2) = 1.5f;
    SCLCHR.FOF1 = 3.0f;
    setup(2);
    // Top valid F1 point 2.8 (188 km) below the F2 bottom 3.1 (231 km): the
    // boundary is the grid point at or below 2.95.
    EXPECT_FLOAT_EQ(SCLCHR.FOF1, 2.9f);
    EXPECT_EQ(TRCSEC.FEND, SCLCHR.FOF1);
    EXPECT_EQ(TRCWRK.NFQF1, 10);
    EXPECT_EQ(TRCWRK.NFQF, 21);
    EXPECT_EQ(TRCSEC.NFQ, 10);
    EXPECT_EQ(SETUPST.NBADF1, 2);
    EXPECT_EQ(SETUPST.NBADF2, 0);
    // The missing last height takes the F2 bottom height.
    EXPECT_EQ(TRCSEC.PPO(10), 231.0f);
    EXPECT_EQ(TRCSEC.PPO(9), 188.0f);
}

TEST_F(SectionSetup, F1TopAboveF2BottomTakesTheF1TopFrequency) {
    trace({}, {{20, 200.0f}, {25, 240.0f}}, {{26, 999.0f}, {27, 230.0f}});
    LAYCOF.FC(2) = 1.5f;
    SCLCHR.FOF1 = 2.5f;
    setup(2);
    EXPECT_EQ(SCLCHR.FOF1, TRCWRK.TF(2));
    EXPECT_EQ(TRCWRK.NFQF1, 2);
    EXPECT_EQ(TRCWRK.NFQF, 2);
}

TEST_F(SectionSetup, F1RedivisionThatEmptiesTheF1Layer) {
    trace({}, {{29, 200.0f}, {30, 999.0f}}, {{31, 210.0f}});
    TRCWRK.TF(1) = 2.95f;
    TRCWRK.TF(2) = 2.97f;
    TRCWRK.TF(3) = 3.0f;
    LAYCOF.FC(2) = 1.5f;
    SCLCHR.FOF1 = 2.97f;
    setup(2);
    EXPECT_FLOAT_EQ(SCLCHR.FOF1, 2.9f);
    EXPECT_EQ(TRCWRK.NFQF1, 0);
    EXPECT_EQ(TRCWRK.NFQF, 3);
    EXPECT_EQ(TRCSEC.NFQ, 0);
}

TEST_F(SectionSetup, F1WithoutPointsAndTheF2Region) {
    trace({{20, 100.0f}}, {}, {{40, 210.0f}, {50, 230.0f}, {60, 250.0f}});
    LAYCOF.FC(2) = 2.6f;
    setup(2);
    EXPECT_EQ(TRCSEC.FEND, 2.6f);
    EXPECT_EQ(LAYCOF.FC(3), 2.6f);
    EXPECT_EQ(TRCSEC.NN, 5);
    // F2 without F1: starts at the E top.
    SCALE2.IQUALE(4) = 0;
    LAYCOF.FC(3) = 7.0f;
    SCLCHR.FOF2 = 6.27f;
    setup(3);
    EXPECT_EQ(LAYCOF.FC(3), 2.6f);
    EXPECT_EQ(TRCSEC.FSTART, 2.6f);
    EXPECT_FLOAT_EQ(TRCSEC.FEND, 6.2f);
    EXPECT_EQ(LAYCOF.FC(4), TRCSEC.FEND);
    EXPECT_EQ(TRCSEC.NFQ, 3);
    EXPECT_EQ(TRCSEC.PPO(1), 210.0f);
    EXPECT_EQ(TRCSEC.NN, 5);
    // Without F2 points FEND, NN and FC(4) stay.
    TRCWRK.NFQF = 0;
    TRCSEC.NN = 2;
    setup(3);
    EXPECT_EQ(TRCSEC.NFQ, 0);
    EXPECT_FLOAT_EQ(TRCSEC.FEND, 6.2f);
    EXPECT_EQ(TRCSEC.NN, 2);
    EXPECT_FLOAT_EQ(LAYCOF.FC(4), 6.2f);
}

TEST_F(SectionSetup, F2AfterAnF1LayerWithoutPoints) {
    trace({{20, 100.0f}}, {}, {{40, 210.0f}, {50, 230.0f}});
    VALPAR.F1CASE = 2;
    SCALE2.IQUALE(4) = 1;
    LAYCOF.FC(3) = 3.0f;
    SCLCHR.FOF2 = 6.0f;
    setup(3);
    EXPECT_EQ(TRCSEC.FSTART, 3.0f);
    EXPECT_EQ(TRCSEC.PPO(1), 210.0f);
    EXPECT_EQ(TRCSEC.PPO(2), 230.0f);
}

TEST_F(SectionSetup, IllegalRegionGivesStatus0AndTwoLines) {
    SCALE2.IQUALE(2) = 2;
    TRCSEC.FSTART = 1.25f;
    ::testing::internal::CaptureStderr();
    setup(4);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              " ILLEGAL VALUE OF IRGN=   4\n DATA ERROR: NO PROFILE INVERTED!\n");
    EXPECT_EQ(SCALE2.IQUALE(2), status::NO_INVERSION);
    EXPECT_EQ(TRCSEC.FSTART, 1.25f);
}

}  // namespace
}  // namespace kolm
