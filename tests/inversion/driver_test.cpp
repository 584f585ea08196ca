// The inversion driver and the layer sequence: date completion, sunspot
// month cache, parameter checks, the per-record resets and the field terms.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>

#include "blocks/peltarscale.h"
#include "blocks/peltartrueh.h"
#include "blocks/status.h"
#include "inversion/layer_sequence.h"
#include "inversion/profil1.h"
#include "inversion_test.h"
#include "record_fixture.h"

namespace kolm {
namespace {

class Driver : public testrec::InversionTest {};

// A record that the inversion accepts: E trace of a parabolic layer, F2 trace.
testrec::Record good_record() {
    testrec::Record r;
    r.foe = 3.01f;
    r.e = testrec::parabolic_e_trace(3.01, 110.0, 24.0, 1.0, 0.05f, 1.2, 65.0 * M_PI / 180.0, &r.fmine);
    r.fminf = 4.0f;
    r.fof2 = 4.5f;
    r.f2.fc = 4.5f;
    r.f2.heights.assign(11, 250.0f);
    return r;
}

TEST_F(Driver, DateCompletion) {
    struct Case {
        int16_t iyr, iday, iyr4, month, mday;
    };
    const Case cases[] = {
        {70, 100, 2070, 4, 10}, {71, 100, 1971, 4, 10}, {1999, 100, 1999, 4, 10},
        {0, 1, 2000, 1, 1},     {2000, 31, 2000, 1, 31}, {2000, 32, 2000, 2, 1},
        {2000, 60, 2000, 2, 29}, {2000, 61, 2000, 3, 1}, {1900, 60, 1900, 3, 1},
        {2009, 365, 2009, 12, 31}, {2008, 366, 2008, 12, 31}, {2009, 59, 2009, 2, 28},
    };
    for (const Case& c : cases) {
        reset_run_state();
        testrec::Record r = good_record();
        r.iyr = c.iyr;
        r.iday = c.iday;
        r.gyro = 0.0f;  // stops after the date and sunspot steps
        testrec::load(r);
        TIMEBK.IYR = c.iyr;  // the year as given: two digits, or all four
        ::testing::internal::CaptureStderr();
        PROFIL1();
        ::testing::internal::GetCapturedStderr();
        EXPECT_EQ(TIMEBK.IYR4, c.iyr4) << c.iyr << " " << c.iday;
        EXPECT_EQ(TIMEBK.MONTH, c.month) << c.iyr << " " << c.iday;
        EXPECT_EQ(TIMEBK.MDAY, c.mday) << c.iyr << " " << c.iday;
    }
}

TEST_F(Driver, DayWithoutMonthIsNotInverted) {
    testrec::Record r = good_record();
    r.iyr = 2009;
    r.iday = 366;
    testrec::load(r);
    PROFIL1();
    EXPECT_EQ(SCALE2.IQUALE(2), status::NO_INVERSION);
    EXPECT_EQ(PREDST.MONTH, -1);  // no sunspot lookup
    EXPECT_EQ(PREDST.IYR4, -1);
    EXPECT_EQ(LAYCOF.ZME, 0.0f);
    EXPECT_EQ(TRCWRK.NFQE, 0);
    EXPECT_EQ(OPTS.ISSN, 80);
    // Day 366 of a leap year is inverted.
    reset_run_state();
    r.iyr = 2008;
    testrec::load(r);
    PROFIL1();
    EXPECT_EQ(SCALE2.IQUALE(2), status::PROFILE_OBTAINED);
}

TEST_F(Driver, SunspotMonthCacheIsKeyedByYearAndMonth) {
    testrec::Record r = good_record();
    r.iyr = 2009;
    r.iday = 180;  // June
    r.ssn = 80.0f;
    testrec::load(r);
    // A cached June 2009 value: no lookup, the record takes the cached value.
    PREDST.MONTH = 6;
    PREDST.IYR4 = 2009;
    PROFIL1ST.SSNM = 12.7f;
    PROFIL1();
    EXPECT_EQ(OPTS.ISSN, 12);
    EXPECT_EQ(FLDPAR.SSNREC, 80.0f);
    EXPECT_EQ(PROFIL1ST.SSNM, 12.7f);
    // Same month of another year: a new lookup replaces the cached value.
    r.iyr = 2010;
    r.ssn = 33.0f;
    testrec::load(r);
    PROFIL1();
    EXPECT_EQ(PREDST.IYR4, 2010);
    EXPECT_EQ(PREDST.MONTH, 6);
    EXPECT_NE(PROFIL1ST.SSNM, 12.7f);
    EXPECT_EQ(FLDPAR.SSNREC, 33.0f);
    if (PROFIL1ST.SSNM >= 0.0f) {
        EXPECT_EQ(OPTS.ISSN, int16_t(std::trunc(PROFIL1ST.SSNM)));
    } else {
        EXPECT_EQ(OPTS.ISSN, 33);  // no monthly value: the record's own number stays
    }
}

TEST_F(Driver, EveryRecordUsesItsOwnPredictions) {
    // Record B alone.
    testrec::Record b = good_record();
    b.lat = -33.3f;
    b.lon = 26.5f;
    b.ihr = 6;
    testrec::load(b);
    PROFIL1();
    const float fof2_b = SAOHDR.REALIN(46);
    const float foe_b = SAOHDR.REALIN(43);
    const float ssnm = PROFIL1ST.SSNM;
    ASSERT_GT(fof2_b, 0.0f);
    // Record A of another station, then B with its own sunspot number equal
    // to the monthly one and a predicted foE of its own from the record: B
    // still gets its own predictions, not A's.
    reset_run_state();
    testrec::Record a = good_record();
    a.lat = 69.6f;
    a.lon = 19.2f;
    a.ihr = 18;
    testrec::load(a);
    PROFIL1();
    const float fof2_a = SAOHDR.REALIN(46);
    ASSERT_NE(fof2_a, fof2_b);
    if (ssnm >= 0.0f) b.ssn = std::trunc(ssnm);
    b.foe_pred = 2.5f;
    testrec::load(b);
    PROFIL1();
    EXPECT_EQ(SAOHDR.REALIN(46), fof2_b);
    EXPECT_EQ(SAOHDR.REALIN(43), foe_b);
}

TEST_F(Driver, ParameterCheckStopsWithThreeLines) {
    testrec::Record r = good_record();
    r.gyro = 0.0f;
    testrec::load(r);
    SCALE2.IQUALE(20) = 77;
    ::testing::internal::CaptureStderr();
    PROFIL1();
    const std::string out = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(out,
              "     DIP ANGLE(RADIANS), GYROFREQUENCY (MHZ)=    1.1345    0.0000\n"
              "     FQINCR (MHZ)=    0.0500\n"
              "      DATA ERROR: INVERSION IS IMPOSSIBLE!\n");
    EXPECT_EQ(SCALE2.IQUALE(2), status::NO_INVERSION);
    EXPECT_EQ(SCALE2.IQUALE(20), 77);
    EXPECT_EQ(std::memcmp(SAOHDR.VERSION, "VS.04.30", 8), 0);
    reset_run_state();
    testrec::load(good_record());
    SCLCHR.FQINCR = 0.0f;
    ::testing::internal::CaptureStderr();
    PROFIL1();
    EXPECT_NE(::testing::internal::GetCapturedStderr().find("INVERSION IS IMPOSSIBLE"), std::string::npos);
}

TEST_F(Driver, FoF2BeyondTheFrequencyRangeGivesStatus8) {
    testrec::Record r = good_record();
    testrec::load(r);
    SCLCHR.FOF2 = 99.9f;
    SCLCHR.IFOM = 1025;
    PROFIL1();
    EXPECT_EQ(SCALE2.IQUALE(2), status::F2_TRACE);
    EXPECT_EQ(SCALE2.IQUALE(20), 0);
    // foF2 100.0 is not a scaled value: no status 8 (the trace reaches past
    // the arrays, so the working trace is rejected instead).
    reset_run_state();
    testrec::load(r);
    SCLCHR.FOF2 = 100.0f;
    SCLCHR.IFOM = 1025;
    PROFIL1();
    EXPECT_EQ(SCALE2.IQUALE(2), status::NO_INVERSION);
}

TEST_F(Driver, MaximumFrequencyAndF1Flag) {
    testrec::Record r = good_record();
    r.fof2 = 8.0f;
    r.f2.fc = 8.0f;
    r.f2.heights.assign(81, 250.0f);
    testrec::load(r);
    SAOHDR.REALIN(45) = 8.0f;
    PROFIL1();
    // The raised maximum frequency is what the inversion works with; the end
    // step then makes FMAX the F2 peak frequency of the profile.
    ASSERT_EQ(SCALE2.IQUALE(2), status::PROFILE_OBTAINED);
    EXPECT_FLOAT_EQ(SAOHDR.REALIN(45), SCLCHR.FOF2);
    EXPECT_NEAR(SCLCHR.FOF2, 8.0f, 0.05f);
    EXPECT_FLOAT_EQ(FLDPAR.FMAXC, 8.005f);
    EXPECT_FLOAT_EQ(FLDPAR.FMAXSQ, 8.005f * 8.005f);
    EXPECT_FLOAT_EQ(FLDPAR.FOESQ, 3.01f * 3.01f);
    EXPECT_EQ(SCALE2.IQUALE(4), 0);
    EXPECT_EQ(SCALE2.IQUALE(20), 0);
    for (float fof1 : {50.0f, 50.01f}) {
        reset_run_state();
        testrec::load(r);
        SCLCHR.FOF1 = fof1;
        PROFIL1();
        EXPECT_EQ(SCALE2.IQUALE(4), fof1 <= 50.0f ? 1 : 0) << fof1;
    }
}

TEST_F(Driver, EveryResultIsResetOnEveryPath) {
    testrec::load(good_record());
    PROFIL1();
    ASSERT_EQ(SCALE2.IQUALE(2), status::PROFILE_OBTAINED);
    ASSERT_GT(LAYCOF.ZME, 0.0f);
    // Results that later stages of the record would have left.
    NHPROF.NPTH = 55;
    EBLOCK.EFEND = 3.2f;
    EBLOCK.EA(1) = -20.0f;
    EBLOCK.EZM = 105.0f;
    EBLOCK.EERR = 0.3f;
    EBLOCK.EH0 = 85.0f;
    EBLOCK.ENTAB = 12;
    LAYCOF.AF1(1) = -30.0f;
    LAYCOF.AF2(2) = 5.0f;
    LAYCOF.ZMF1 = 190.0f;
    LAYCOF.ZMF2 = 300.0f;
    LAYCOF.FC(4) = 7.0f;
    LAYCTL.WOUT = 20.0f;
    SMAT.KCHKF2 = 1;
    TRCWRK.TVM(3) = 280.0f;
    TRCWRK.TZ(3) = 220.0f;
    QPRES.NSEG = 4;
    YLAYER.YF2 = 80.0f;
    DERPAR.ITEC = 12.0f;
    IRIPAR.B0() = 100.0f;
    SCALE2.IQUALE(3) = 1;
    SCALE2.IQUALE(12) = 1;

    // The next record fails at once (gyrofrequency 0).
    testrec::Record bad = good_record();
    bad.gyro = 0.0f;
    testrec::load(bad);
    ::testing::internal::CaptureStderr();
    PROFIL1();
    ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(NHPROF.NPTH, 0);
    EXPECT_EQ(EBLOCK.EFEND, 0.0f);
    EXPECT_EQ(EBLOCK.EA(1), 0.0f);
    EXPECT_EQ(EBLOCK.EZM, 0.0f);
    EXPECT_EQ(EBLOCK.EERR, 0.0f);
    EXPECT_EQ(EBLOCK.EH0, 0.0f);
    EXPECT_EQ(EBLOCK.ENTAB, 0);
    for (int i = 1; i <= 3; ++i) EXPECT_EQ(LAYCOF.AE(i), 0.0f);
    EXPECT_EQ(LAYCOF.AF1(1), 0.0f);
    EXPECT_EQ(LAYCOF.AF2(2), 0.0f);
    EXPECT_EQ(LAYCOF.ZME, 0.0f);
    EXPECT_EQ(LAYCOF.ZMF1, 0.0f);
    EXPECT_EQ(LAYCOF.ZMF2, 0.0f);
    EXPECT_EQ(LAYCOF.FC(4), 0.0f);
    EXPECT_EQ(LAYCOF.ER(1), 0.0f);
    EXPECT_EQ(LAYCTL.WOUT, 0.0f);
    EXPECT_EQ(SMAT.KCHKF2, 0);
    EXPECT_EQ(TRCWRK.TVM(3), 0.0f);
    EXPECT_EQ(TRCWRK.TZ(3), 0.0f);
    EXPECT_EQ(QPRES.NSEG, 0);
    EXPECT_EQ(YLAYER.YE, NOTCOMPUTED);
    EXPECT_EQ(YLAYER.YF2, NOTCOMPUTED);
    EXPECT_EQ(DERPAR.ITEC, NOTCOMPUTED);
    EXPECT_EQ(DERPAR.SHF, NOTCOMPUTED);
    EXPECT_EQ(IRIPAR.B0(), NOTCOMPUTED);
    EXPECT_EQ(SCALE2.IQUALE(2), 0);
    EXPECT_EQ(SCALE2.IQUALE(3), 0);
    EXPECT_EQ(SCALE2.IQUALE(12), 0);
    EXPECT_EQ(SCALE2.IQUALE(19), 0);
    // The record's E-block input stays for the E-block fit.
    reset_run_state();
    testrec::Record withblock = good_record();
    withblock.eblock = {{1.0f, 100.0f}, {2.0f, 110.0f}};
    testrec::load(withblock);
    PROFIL1();
    EXPECT_EQ(EBLOCK.EF(2), 2.0f);
    EXPECT_EQ(EBLOCK.EH(2), 110.0f);
}

TEST_F(Driver, RejectedTraceSkipsTheLayers) {
    testrec::Record r = good_record();
    r.e.heights.assign(r.e.heights.size(), NOHEIGHT);  // E points without heights
    r.f2.heights.clear();
    r.fminf = 0.0f;  // no F trace
    testrec::load(r);
    PROFIL1();
    EXPECT_EQ(SCALE2.IQUALE(2), status::NO_INVERSION);
    EXPECT_EQ(LAYCOF.ZME, 0.0f);
    EXPECT_EQ(SCALE2.IQUALE(20), 0);
}

TEST_F(Driver, BasisTable) {
    SETCV();
    const float row8[8] = {122880, -372736, 433664, -241920, 65856, -7840, 294, -1};
    for (int i = 1; i <= 8; ++i) EXPECT_EQ(TRCSEC.CV(8, i), row8[i - 1]);
    EXPECT_EQ(TRCSEC.CV(1, 1), 1.0f);
    EXPECT_EQ(TRCSEC.CV(1, 2), 0.0f);
    EXPECT_EQ(TRCSEC.CV(5, 6), 0.0f);
    EXPECT_EQ(TRCSEC.CV(3, 2), -24.0f);
}

class LayerSequence : public testrec::InversionTest {};

TEST_F(LayerSequence, GyrofrequencyAndDipAreClamped) {
    testrec::Record r = good_record();
    r.gyro = 2.0e-8f;  // positive, so the driver accepts it
    r.dip_deg = -89.96f;
    testrec::load(r);
    PROFIL1();
    EXPECT_EQ(FLDPAR.FH, 1.0e-7f);
    EXPECT_EQ(FLDPAR.DIP, 1.569051f);
    EXPECT_EQ(SCALE2.IQUALE(2), status::PROFILE_OBTAINED);
    EXPECT_NEAR(SAOHDR.REALIN(50), std::pow(std::tan(1.569051), 2), 1e-4 * 328281.0);
}

TEST_F(LayerSequence, FieldTermsFollowTheRecordsDip) {
    testrec::Record r = good_record();
    r.dip_deg = 70.0f;
    testrec::load(r);
    PROFIL1();
    const double t1 = std::tan(double(FLDPAR.DIP));
    EXPECT_NEAR(SAOHDR.REALIN(50), t1 * t1, 1e-4 * t1 * t1);
    const float zme70 = LAYCOF.ZME;
    // A record of another station in the same run gets its own field terms
    // and the same profile as when it is the first record of a run.
    r.dip_deg = 20.0f;
    testrec::load(r);
    PROFIL1();
    const double t2 = std::tan(double(FLDPAR.DIP));
    EXPECT_NEAR(SAOHDR.REALIN(50), t2 * t2, 1e-4 * t2 * t2);
    EXPECT_NEAR(SAOHDR.REALIN(47), std::pow(std::cos(double(FLDPAR.DIP)), 2), 1e-6);
    const float zme20 = LAYCOF.ZME;
    reset_run_state();
    testrec::load(r);
    PROFIL1();
    EXPECT_EQ(LAYCOF.ZME, zme20);
    (void)zme70;
}

TEST_F(LayerSequence, FailedELayerStopsTheSequence) {
    testrec::Record r = good_record();
    for (float& h : r.e.heights) h += 300.0f;
    testrec::load(r);
    PROFIL1();
    EXPECT_EQ(SCALE2.IQUALE(2), status::E_TRACE);
    EXPECT_EQ(LAYCTL.W, 0.0f);
    EXPECT_EQ(LAYCOF.ZMF2, 0.0f);
    EXPECT_EQ(SCALE2.IQUALE(7), 0);
}

}  // namespace
}  // namespace kolm
