// Results back into the record: time-stamp rebuild, program stamp,
// characteristics, result groups and edit flags.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <tuple>

#include "blocks/peltarscale.h"
#include "blocks/peltartrueh.h"
#include "blocks/run_state.h"
#include "run/record_decode.h"
#include "run/record_results.h"

namespace kolm {
namespace {

std::string line120(const std::string& s) {
    std::string l(120, ' ');
    l.replace(0, s.size(), s);
    return l;
}

std::string stamped(const std::string& text) {
    std::string l = text.size() == 120 ? text : line120(text);
    stamp_text(l.data(), "VS.04.30");
    return l;
}

TEST(StampText, PlacesAndReplacesTheStamp) {
    EXPECT_EQ(stamped("STATION X"), line120("STATION X, QZ 4.30"));
    EXPECT_EQ(stamped("STATION X, QZ 4.21"), line120("STATION X, QZ 4.30"));
    EXPECT_EQ(stamped(""), line120("QZ 4.30"));
    // A second run changes nothing more.
    EXPECT_EQ(stamped(stamped("STATION X")), line120("STATION X, QZ 4.30"));

    // Text up to column 111 still takes the whole stamp; longer text gives
    // up its last columns so that the stamp ends at column 120.
    const std::string t111(111, 'T');
    EXPECT_EQ(stamped(t111), t111 + ", QZ 4.30");
    const std::string t115(115, 'T');
    EXPECT_EQ(stamped(t115), std::string(111, 'T') + ", QZ 4.30");
    EXPECT_EQ(stamped(stamped(t115)), std::string(111, 'T') + ", QZ 4.30");
    // A full line: columns 1-7.
    const std::string full(120, 'T');
    EXPECT_EQ(stamped(full), "QZ 4.30" + std::string(113, 'T'));
    EXPECT_EQ(stamped(stamped(full)), "QZ 4.30" + std::string(113, 'T'));
}

TEST(Pref4qvs, MovesTheDigitsAndWritesTheDate) {
    std::string ts(120, ' ');
    std::string digits;  // the 58 columns that move
    for (int i = 0; i < 58; ++i) digits += char('0' + (i * 7) % 10);
    ts.replace(0, digits.size(), digits);
    ts[100] = 'Z';
    PREF4QVS('Y', ts.data(), 1997, 123, 5, 3, 12, 30, 45);
    EXPECT_EQ(ts.substr(0, 19), "FE19971230503123045");
    EXPECT_EQ(ts.substr(19, 58), digits);
    EXPECT_EQ(ts[100], 'Z');
    PREF4QVS('N', ts.data(), 2005, 7, 1, 7, 0, 5, 9);
    EXPECT_EQ(ts.substr(0, 19), "AA20050070107000509");
    // A field value with more digits than its columns, or a negative one.
    PREF4QVS('Y', ts.data(), 12345, 7, 1, 7, 0, 5, -3);
    EXPECT_EQ(ts.substr(0, 19), "FE*345007010700050*");
}

class ResultsTest : public ::testing::Test {
protected:
    void SetUp() override {
        reset_run_state();
        std::memcpy(SAOHDR.VERSION, "VS.04.30", 8);
        rec = std::make_unique<SaoRecord>();
        *rec = SaoRecord{};
        SaoRecord& r = *rec;
        r.DFI(1) = 5;
        r.DFI(2) = 1;
        std::memcpy(r.G2L1.data(), line120("STATION X").data(), 120);
        const std::string ts = line120("FF20172480905124500933");
        std::memcpy(r.G3.data(), ts.data(), 120);
        r.DFI(3) = 77;
        r.DFI(4) = 31;
        r.DFI(80) = 5;
        for (int i = 1; i <= 43; ++i) r.G4(i) = 1000.0f + float(i);
        SCLCHR.FOF2 = 5.03f;
        SCLCHR.FOF1 = 999.9f;
        SCLCHR.FQINCR = 0.05f;
        SCALE2.IQUALE(1) = 1;
    }
    std::unique_ptr<SaoRecord> rec;
};

TEST_F(ResultsTest, StatusOtherThanTwoDropsTheResults) {
    SCALE2.IQUALE(2) = 8;
    LAYCOF.FC(1) = 0.2f;  // an E section was solved before the F2 failure
    LAYCOF.FC(2) = 3.1f;
    LAYCOF.ZMF2 = 250.0f;
    YLAYER.YE = 20.0f;
    SCALE2.FOE = 3.1f;
    DERPAR.FOF2P = 6.0f;
    results_to_record(*rec, 'Y');
    SaoRecord& r = *rec;
    EXPECT_EQ(r.DFI(4), 43);
    for (int i : {32, 33, 34, 37, 38, 39, 40, 41, 42, 43}) EXPECT_EQ(r.G4(i), 9999.0f) << i;
    EXPECT_EQ(r.G4(35), 6.0f);
    EXPECT_EQ(r.G4(4), 1004.0f);  // own slots go back unchanged
    EXPECT_EQ(r.G4(2), 1002.0f) << "the record's own marker for no foF1, not 999.9";
    // Own slots beyond the 31 the record carried go out as not available.
    EXPECT_EQ(r.G4(36), 9999.0f);
    EXPECT_EQ(r.G4(16), 20.0f);
    EXPECT_EQ(r.G4(9), 3.1f);  // observed E top
    EXPECT_NEAR(r.G4(27), 0.03f, 1e-5f);
    EXPECT_EQ(r.DFI(37), 0);
    EXPECT_EQ(r.DFI(38), 0);
    EXPECT_EQ(r.DFI(42), 0);
    EXPECT_EQ(r.DFI(39), 7) << "E trace and status not 7";
    EXPECT_EQ(r.DFI(40), 0);
    EXPECT_EQ(r.DFI(57), 0);
    EXPECT_EQ(r.DFI(80), 5);
    EXPECT_EQ(std::string(r.G3.data(), 22), "FF20172480905124500933") << "FF time stamp kept";
    EXPECT_EQ(std::string(r.G2L1.data(), 120), line120("STATION X, QZ 4.30"));

    SCALE2.IQUALE(2) = 7;
    results_to_record(*rec, 'Y');
    EXPECT_EQ(r.DFI(39), 0);
    EXPECT_EQ(r.G4(36), 9999.0f);

    // No E section: the inversion never reached the E layer (status 0, or
    // foF2 beyond the sounding), or it failed on the E frequency range.
    for (auto [code, fc1, fc2] : {std::tuple{0, 0.0f, 0.0f}, {8, 0.0f, 0.0f}, {4, 3.2f, 3.1f}}) {
        SCALE2.IQUALE(2) = int16_t(code);
        LAYCOF.FC(1) = fc1;
        LAYCOF.FC(2) = fc2;
        results_to_record(*rec, 'Y');
        EXPECT_EQ(r.DFI(39), 0) << "status " << code;
    }

    // A record that carried all 43 slots keeps its own; a real foF1 goes out.
    r.DFI(4) = 43;
    r.G4(36) = 1036.0f;
    SCLCHR.FOF1 = 4.2f;
    results_to_record(*rec, 'Y');
    EXPECT_EQ(r.G4(36), 1036.0f);
    EXPECT_EQ(r.G4(2), 4.2f);
}

TEST_F(ResultsTest, ProfileGroupsWithStatusTwo) {
    SCALE2.IQUALE(2) = 2;
    SCALE2.IQUALE(4) = 1;
    SCLCHR.FOF1 = 4.0f;
    LAYCOF.FC(1) = 0.8f;
    LAYCOF.FC(2) = 4.0f;
    LAYCOF.FC(4) = 3.0f;
    LAYCOF.ZMF2 = 280.0f;
    LAYCOF.ZMF1 = 200.0f;
    LAYCOF.ZME = 110.0f;
    LAYCOF.ER(1) = 0.5f;
    LAYCOF.ER(2) = 1.5f;
    LAYCOF.ER(3) = 2.5f;
    LAYCOF.ZHALF = 240.0f;
    SAOHDR.REALIN(45) = 5.02f;
    for (int i = 1; i <= 5; ++i) {
        LAYCOF.AF2(i) = float(i);
        LAYCOF.AF1(i) = float(10 + i);
    }
    LAYCOF.AE(3) = -7.0f;
    LAYCTL.WOUT = 12.0f;
    LAYCTL.DOUT = 0.3f;
    QPRES.NSEG = 3;
    for (int i = 0; i <= 3; ++i) QPRES.RSEG(i) = 6470.0 + 10.0 * i;
    QPRES.ESEG(3) = 0.25f;
    NHPROF.NPTH = 999;
    NHPROF.HTAB(999) = 900.0f;
    NHPROF.FNTAB(999) = 1.5f;
    EBLOCK.EFEND = 3.0f;
    EBLOCK.ENTAB = 12;
    EBLOCK.EH(12) = 112.0f;
    EBLOCK.EF(12) = 2.9f;
    results_to_record(*rec, 'Y');
    SaoRecord& r = *rec;
    EXPECT_EQ(r.G4(32), 280.0f);
    EXPECT_EQ(r.G4(33), 200.0f);
    ASSERT_EQ(r.DFI(37), 10);
    EXPECT_EQ(r.G37(1), 4.0f);
    EXPECT_EQ(r.G37(2), 5.02f);
    EXPECT_EQ(r.G37(4), 2.5f);
    EXPECT_EQ(r.G37(9), 5.0f);
    EXPECT_EQ(r.G37(10), 240.0f);
    ASSERT_EQ(r.DFI(38), 9);
    EXPECT_EQ(r.G38(1), 3.0f);
    EXPECT_EQ(r.G38(4), 1.5f);
    EXPECT_EQ(r.G38(9), 15.0f);
    ASSERT_EQ(r.DFI(39), 7);
    EXPECT_EQ(r.G39(2), 3.0f);
    EXPECT_EQ(r.G39(7), -7.0f);
    ASSERT_EQ(r.DFI(42), 2);
    EXPECT_EQ(r.G42(1), 12.0f);
    ASSERT_EQ(r.DFI(40), 19);
    EXPECT_EQ(r.G40(13), 6490.0);
    EXPECT_EQ(r.G40(14), 6500.0);
    EXPECT_EQ(r.G40(18), 0.25);
    EXPECT_EQ(r.G40(19), 6370.0);
    EXPECT_EQ(r.DFI(51), 999);
    EXPECT_EQ(r.DFI(53), 999);
    EXPECT_EQ(r.G51(999), 900.0f);
    EXPECT_EQ(r.G52(999), 1.5f);
    ASSERT_EQ(r.DFI(57), 7);
    EXPECT_EQ(r.G57(1), 0.2f);
    EXPECT_EQ(r.DFI(60), 12);
    EXPECT_EQ(r.G58(12), 112.0f);
    EXPECT_EQ(r.G59(12), 2.9f);

    // An F1 root flag drops groups 37 and 38; foF1 above foF2 drops its characteristics.
    SMAT.KCHKF1 = 1;
    SCLCHR.FOF1 = 6.0f;
    results_to_record(*rec, 'Y');
    EXPECT_EQ(r.DFI(37), 0);
    EXPECT_EQ(r.DFI(38), 0);
    EXPECT_EQ(r.G4(33), 9999.0f);
    EXPECT_EQ(r.G4(38), 9999.0f);
    EXPECT_EQ(r.G4(32), 280.0f);
    // Group 39 without F1 start frequency takes FC(2); a predicted E top writes 9999 for foE.
    LAYCOF.FC(4) = 0.0f;
    SCALE2.IQUALE(1) = 2;
    results_to_record(*rec, 'Y');
    EXPECT_EQ(r.G39(2), 4.0f);
    EXPECT_EQ(r.G4(9), 9999.0f);
}

TEST_F(ResultsTest, FlagsEditFlagsAndCharacteristic27) {
    SaoRecord& r = *rec;
    SCLCHR.FOF2 = 99.0f;
    r.DFI(5) = 0;
    SCALE2.IQUALE(2) = 4;
    results_to_record(r, 'Y');
    EXPECT_EQ(r.G4(27), 1027.0f) << "foF2 of 99 leaves slot 27";
    EXPECT_EQ(r.DFI(5), 0) << "no analysis flags go out";
    EXPECT_EQ(r.G5(2), 4);

    r.DFI(5) = 60;
    r.G5(30) = 3;
    SCALE2.IQUALE(10) = 6;
    results_to_record(r, 'Y');
    EXPECT_EQ(r.G5(10), 6);
    EXPECT_EQ(r.G5(30), 3);

    // Code 1 input: items 50-54 of group 41 move into group 56.
    r.DFI(80) = 1;
    r.DFI(41) = 120;
    for (int i = 50; i <= 54; ++i) r.G41(i) = i - 49;
    r.G56(4) = 0;
    results_to_record(r, 'Y');
    EXPECT_EQ(r.DFI(56), 120);
    EXPECT_EQ(r.G56(1), 1);
    EXPECT_EQ(r.G56(5), 5);
    EXPECT_EQ(r.G56(4), 5) << "item 4 raised by one";
    EXPECT_EQ(r.G41(52), 0);
    // The run counter stops at 9: ten runs over the same record keep it readable.
    for (int run = 0; run < 10; ++run) results_to_record(r, 'Y');
    EXPECT_EQ(r.G56(4), 9);
    EXPECT_EQ(r.G56(1), 1) << "code 5 records keep group 56";
}

TEST_F(ResultsTest, RecordWithoutTextGetsABlankStampedLine) {
    SaoRecord& r = *rec;
    r.DFI(2) = 0;
    std::memcpy(r.G2L1.data(), line120("JUNK LINE BEFORE THE INDEX").data(), 120);
    results_to_record(r, 'Y');
    EXPECT_EQ(r.DFI(2), 1);
    EXPECT_EQ(std::string(r.G2L1.data(), 120), line120("QZ 4.30"));
}

TEST_F(ResultsTest, DigitLayoutRoundTripsThroughTheRebuild) {
    SaoRecord& r = *rec;
    std::string digits(55, '0');
    digits.replace(0, 11, "97123123045");
    digits.replace(40, 3, "456");
    digits[34] = '3';
    digits[53] = '0';
    digits[54] = '2';
    std::memcpy(r.G3.data(), line120(digits).data(), 120);
    r.DFI(3) = 55;
    r.DFI(80) = 0;
    ASSERT_TRUE(decode_record(r));
    TIMEBK.IYR4 = 1997;  // completed by the inversion
    TIMEBK.MONTH = 5;
    TIMEBK.MDAY = 3;
    results_to_record(r, 'Y');
    EXPECT_EQ(r.DFI(3), 77);
    EXPECT_EQ(std::string(r.G3.data(), 19), "FE19971230503123045");
    EXPECT_EQ(std::string(r.G3.data() + 19, 55), digits);
    const TimebkBlock before = TIMEBK;
    const float fq = SCLCHR.FQINCR, hg = SCLCHR.HGRID, base = SCLCHR.BASEHT;
    TIMEBK = TimebkBlock{};
    ASSERT_TRUE(decode_record(r));
    EXPECT_EQ(TIMEBK.IYR, before.IYR);
    EXPECT_EQ(TIMEBK.IDAY, before.IDAY);
    EXPECT_EQ(TIMEBK.IHR, before.IHR);
    EXPECT_EQ(TIMEBK.MINU, before.MINU);
    EXPECT_EQ(TIMEBK.ISEC, before.ISEC);
    EXPECT_EQ(PLOTWN.P(8), 456);
    EXPECT_EQ(SCLCHR.FQINCR, fq);
    EXPECT_EQ(SCLCHR.HGRID, hg);
    EXPECT_EQ(SCLCHR.BASEHT, base);
    // A second run keeps the rebuilt group 3.
    const std::string once(r.G3.data(), 120);
    results_to_record(r, 'Y');
    EXPECT_EQ(std::string(r.G3.data(), 120), once);
}

}  // namespace
}  // namespace kolm
