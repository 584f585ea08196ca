// Decoding of records into the shared working data: time-stamp layouts and
// rejections, sounder steps, characteristics, traces and the E-layer block.
#include <gtest/gtest.h>

#include <bit>
#include <cstring>
#include <memory>
#include <string>

#include "blocks/numeric.h"
#include "blocks/peltarscale.h"
#include "blocks/peltartrueh.h"
#include "blocks/run_state.h"
#include "run/record_decode.h"

namespace kolm {
namespace {

// Group 3 from a text, blank-padded to 120 columns.
void set_ts(SaoRecord& r, const std::string& s, int32_t dfi3) {
    std::memset(r.G3.data(), ' ', 120);
    std::memcpy(r.G3.data(), s.data(), s.size());
    r.DFI(3) = dfi3;
}

// A digit-layout time stamp (columns 1 to 55): year, day, time, then the
// sounder digits with the frequency step in column 35, the height step in 54
// and the start height in 55.
std::string digit_stamp(const std::string& date11, char fstep = '2', char hstep = '1', char start = '1',
                        const std::string& station = "123") {
    std::string s(55, '0');
    s.replace(0, 11, date11);
    s.replace(40, 3, station);
    s[34] = fstep;
    s[53] = hstep;
    s[54] = start;
    return s;
}

class DecodeTest : public ::testing::Test {
protected:
    void SetUp() override {
        reset_run_state();
        rec = std::make_unique<SaoRecord>();
        *rec = SaoRecord{};
        rec->DFI(80) = 5;
        reset_traces();
    }
    std::unique_ptr<SaoRecord> rec;
};

TEST_F(DecodeTest, DtorHasTheSinglePrecisionBitPattern) {
    EXPECT_EQ(std::bit_cast<uint32_t>(DTOR), 0x3C8EFA35u);
    EXPECT_EQ(CHAR_NUM('7'), 7);
    EXPECT_EQ(CHAR_NUM(' '), -16);
    EXPECT_EQ(CHAR_NUM('A'), 17);
}

struct StampCase {
    const char* name;
    std::string ts;
    int32_t dfi3;
    bool ok;
    int16_t yr, day, hr, mi, sec;
    int32_t station;
};

TEST_F(DecodeTest, TimeStampLayoutsAndRejections) {
    // Time stamps of two of the sample stations.
    const std::string fe = "FE20093361202000005093360000051152000001000060C3100012161201404151534003123C0";
    const std::string ff = "FF201724809051245009339331201000002515000000502107301000080205120000A05040000";
    const StampCase cases[] = {
        {"digits", digit_stamp("97123123045"), 55, true, 97, 123, 12, 30, 45, 123},
        {"digits at 76 columns", digit_stamp("05366235959"), 76, true, 5, 366, 23, 59, 59, 123},
        {"FE shifted by 19", fe, 77, true, 9, 336, 0, 0, 5, 140},
        {"AA shifted by 19", "AA" + fe.substr(2), 77, true, 9, 336, 0, 0, 5, 140},
        {"FF own columns", ff, 77, true, 17, 248, 12, 45, 0, 933},
        {"unknown prefix", "XY" + digit_stamp("97123123045").substr(2), 77, false, 0, 0, 0, 0, 0, 0},
        {"lower-case prefix", "ff" + ff.substr(2), 77, false, 0, 0, 0, 0, 0, 0},
        {"day 0", digit_stamp("97000123045"), 55, false, 97, 0, 12, 30, 45, 123},
        {"day 367", digit_stamp("97367123045"), 55, false, 97, 367, 12, 30, 45, 123},
        {"hour 24", digit_stamp("97123243045"), 55, false, 97, 123, 24, 30, 45, 123},
        {"minute 60", digit_stamp("97123126045"), 55, false, 97, 123, 12, 60, 45, 123},
        {"second 60", digit_stamp("97123123060"), 55, false, 97, 123, 12, 30, 60, 123},
        {"blank hour", digit_stamp("97123  3045"), 55, false, 97, 123, -176, 30, 45, 123},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        set_ts(*rec, c.ts, c.dfi3);
        EXPECT_EQ(decode_time_stamp(rec->DFI(3), rec->G3.data()), c.ok);
        if (!c.ok) {
            // The whole decoding says why.
            EXPECT_FALSE(decode_record(*rec));
            EXPECT_EQ(DECWRK.FAULT, c.station == 0 ? DecodeFault::layout : DecodeFault::date_time);
        }
        if (c.station == 0) continue;  // no layout: nothing decoded
        EXPECT_EQ(TIMEBK.IYR, c.yr);
        EXPECT_EQ(TIMEBK.IDAY, c.day);
        EXPECT_EQ(TIMEBK.IHR, c.hr);
        EXPECT_EQ(TIMEBK.MINU, c.mi);
        EXPECT_EQ(TIMEBK.ISEC, c.sec);
        EXPECT_EQ(PLOTWN.P(8), c.station);
    }
}

struct StepCase {
    const char* name;
    std::string ts;
    int32_t dfi3;
    bool ok;
    float fq, hgrid, base;
};

TEST_F(DecodeTest, SounderStepsByLayout) {
    // FF layout: frequency step digits in 33-36, start height in 56-59, height step letter in 60.
    auto ff = [](const char* fq4, const char* start4, char h) {
        std::string s = "FF2017248090512450093" + std::string(11, '0');
        s += fq4;
        s += std::string(19, '0');
        s += start4;
        s += h;
        return s;
    };
    const StepCase cases[] = {
        {"digits 0.2/2.5/0", digit_stamp("97123123045", '0', '0', '0'), 55, true, 0.2f, 2.5f, 0.0f},
        {"digits 0.1/5/10", digit_stamp("97123123045", '1', '1', '1'), 55, true, 0.1f, 5.0f, 5.0f},
        {"digits 0.05/10/60", digit_stamp("97123123045", '2', '2', '2'), 55, true, 0.05f, 10.0f, 50.0f},
        {"digits 0.025/10/160", digit_stamp("97123123045", '3', '7', '3'), 55, true, 0.025f, 10.0f, 150.0f},
        {"digits 0.01", digit_stamp("97123123045", '4', '1', '1'), 55, true, 0.01f, 5.0f, 5.0f},
        {"digits other 0.005", digit_stamp("97123123045", 'X', '1', '1'), 55, true, 0.005f, 5.0f, 5.0f},
        {"digits start 9 undefined", digit_stamp("97123123045", '2', '1', '9'), 55, false, 0.05f, 5.0f, -999.0f},
        {"FF 0.025 and A", ff("0025", "0080", 'A'), 77, true, 0.01f * 2.0f + 0.001f * 5.0f, 10.0f, 70.0f},
        {"FF 1.000 and 2", ff("1000", "0060", '2'), 77, true, 1.0f, 2.5f, 57.5f},
        {"FF 0.050 and 5", ff("0050", "0100", '5'), 77, true, 0.05f, 5.0f, 95.0f},
        {"FF height letter unknown", ff("0050", "0100", 'B'), 77, false, 0.05f, 0.0f, 100.0f},
        {"FF zero frequency step", ff("0000", "0100", 'A'), 77, false, 0.0f, 10.0f, 90.0f},
        {"FF negative frequency step", ff("0-10", "0100", 'A'), 77, false, -0.29f, 10.0f, 90.0f},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        set_ts(*rec, c.ts, c.dfi3);
        ASSERT_TRUE(decode_time_stamp(rec->DFI(3), rec->G3.data()));
        EXPECT_EQ(decode_steps(rec->G3.data()), c.ok);
        if (!c.ok) {
            EXPECT_FALSE(decode_record(*rec));
            EXPECT_EQ(DECWRK.FAULT, DecodeFault::steps);
        }
        EXPECT_NEAR(SCLCHR.FQINCR, c.fq, 1e-6f);
        EXPECT_FLOAT_EQ(SCLCHR.HGRID, c.hgrid);
        EXPECT_FLOAT_EQ(SCLCHR.BASEHT, c.base);
    }
}

// A decodable record: digit layout, 0.05 MHz and 5 km steps, start 10 km.
void usable(SaoRecord& r) {
    set_ts(r, digit_stamp("97123123045", '2', '1', '1'), 55);
    r.DFI(1) = 5;
    r.DFI(4) = 31;
    r.G1(1) = 1.4f;
    r.G1(2) = 72.9f;
    r.G1(3) = 40.0f;
    r.G1(4) = 255.0f;
    r.G1(5) = 21.8f;
    r.G4(1) = 5.03f;   // foF2
    r.G4(2) = 999.0f;  // no F1
    r.G4(9) = 3.0f;    // foE
}

TEST_F(DecodeTest, TraceRowsEndAtTheCriticalFrequency) {
    usable(*rec);
    rec->DFI(7) = 3;
    const float h[] = {250.0f, 240.0f, 260.0f};
    for (int i = 1; i <= 3; ++i) rec->R7(i) = h[i - 1];
    ASSERT_TRUE(decode_record(*rec));
    EXPECT_FLOAT_EQ(TRCRAW.TRACEL(98, 2), 250.0f);
    EXPECT_FLOAT_EQ(TRCRAW.TRACEL(99, 2), 240.0f);
    EXPECT_FLOAT_EQ(TRCRAW.TRACEL(100, 2), 260.0f);
    EXPECT_FLOAT_EQ(TRCRAW.TRACEL(97, 2), NOHEIGHT);
    EXPECT_EQ(TRCRAW.ITRCF(99, 2), 47);  // (240 - 5) / 5
    EXPECT_EQ(TRCRAW.ITRCF(101, 2), NOPOINT);
    // No F1 layer: the lowest F2 height goes to MINHF(1).
    EXPECT_EQ(SCALE2.IQUALE(4), 0);
    EXPECT_EQ(SCLCHR.MINHF(1), 99);
    EXPECT_FLOAT_EQ(DECWRK.HLOW(1), 240.0f);
    EXPECT_EQ(SCLCHR.IFOM, 100);
    EXPECT_EQ(SCALE2.IFOE, 60);
    EXPECT_EQ(SCALE2.IQUALE(1), 2);  // no E trace
    // Station constants.
    EXPECT_FLOAT_EQ(SCLCHR.FH2, 0.7f);
    EXPECT_FLOAT_EQ(FLDPAR.DIP, 72.9f * DTOR);
    EXPECT_FLOAT_EQ(SCLCHR.DIP, FLDPAR.DIP);
    EXPECT_FLOAT_EQ(SAOHDR.REALIN(2), 255.0f);
    EXPECT_EQ(OPTS.ISSN, 21);
}

TEST_F(DecodeTest, IntegerHeightsAtOldCodesAndF1WinsSharedRows) {
    usable(*rec);
    rec->DFI(80) = 0;
    rec->G4(2) = 4.0f;  // F1 scaled
    rec->DFI(7) = 2;    // F2 rows 99, 100
    rec->G7(1) = 300;
    rec->G7(2) = 320;
    rec->R7(1) = 1.0f;  // real copies are not used at code 0
    rec->DFI(12) = 22;  // F1 rows 59..80; ITRCF of row 80 from F1
    for (int i = 1; i <= 22; ++i) rec->G12(i) = 200 + i;
    rec->DFI(17) = 2;
    rec->G17(1) = 110;
    rec->G17(2) = 999;  // heights of 999 stored like any other
    ASSERT_TRUE(decode_record(*rec));
    EXPECT_FLOAT_EQ(TRCRAW.TRACEL(99, 2), 300.0f);
    EXPECT_FLOAT_EQ(TRCRAW.TRACEL(80, 2), 222.0f);
    EXPECT_FLOAT_EQ(TRCRAW.TRACEL(59, 2), 201.0f);
    EXPECT_EQ(SCALE2.IQUALE(4), 1);
    EXPECT_EQ(SCLCHR.MINHF(2), 99);  // F2 lowest with an F1 layer
    EXPECT_EQ(SCLCHR.MINHF(1), 59);  // F1 lowest
    EXPECT_EQ(SCALE2.IQUALE(1), 1);
    EXPECT_FLOAT_EQ(TRCRAW.TRACEL(60, 3), 999.0f);
    EXPECT_FLOAT_EQ(TRCRAW.TRACEL(59, 3), 110.0f);
    EXPECT_EQ(SCLCHR.IFOF1, 80);
}

TEST_F(DecodeTest, RowsOutsideTheArraysAreDroppedPointByPoint) {
    usable(*rec);
    rec->G3(35) = '4';  // 0.01 MHz
    rec->G4(1) = 10.24f;  // top row 1024
    rec->DFI(7) = 3;
    for (int i = 1; i <= 3; ++i) rec->R7(i) = 200.0f + float(i);
    rec->G4(9) = 0.02f;  // E top row 2, three points: row 0 dropped
    rec->DFI(17) = 3;
    for (int i = 1; i <= 3; ++i) rec->R17(i) = 100.0f + float(i);
    ASSERT_TRUE(decode_record(*rec));
    EXPECT_FLOAT_EQ(TRCRAW.TRACEL(1024, 2), 203.0f);
    EXPECT_FLOAT_EQ(TRCRAW.TRACEL(1022, 2), 201.0f);
    EXPECT_FLOAT_EQ(TRCRAW.TRACEL(2, 3), 103.0f);
    EXPECT_FLOAT_EQ(TRCRAW.TRACEL(1, 3), 102.0f);

    // F1 with a count above the group's 150 ending at row 1100: points
    // 1..74 land in rows 951..1024, the rest is dropped; the lowest height
    // is taken only from the points kept.
    reset_traces();
    rec->DFI(7) = 0;
    rec->DFI(17) = 0;
    rec->G4(2) = 11.0f;
    rec->DFI(12) = 178;
    for (int i = 1; i <= 150; ++i) rec->R12(i) = 300.0f - float(i);
    ASSERT_TRUE(decode_record(*rec));
    EXPECT_EQ(DECWRK.NF1, 150);
    EXPECT_FLOAT_EQ(TRCRAW.TRACEL(951, 2), 299.0f);
    EXPECT_FLOAT_EQ(TRCRAW.TRACEL(1024, 2), 226.0f);
    EXPECT_FLOAT_EQ(TRCRAW.TRACEL(950, 2), NOHEIGHT);
    EXPECT_EQ(SCLCHR.MINHF(1), 1024);
    EXPECT_FLOAT_EQ(DECWRK.HLOW(1), 226.0f);
}

TEST_F(DecodeTest, CharacteristicsAndRejectionsOfTheRecord) {
    usable(*rec);
    rec->G4(2) = 1000.0f;
    ASSERT_TRUE(decode_record(*rec));
    EXPECT_FLOAT_EQ(SCLCHR.FOF1, 999.9f);
    EXPECT_EQ(SCALE2.IQUALE(4), 0);
    EXPECT_EQ(SCLCHR.IFOF1, NOPOINT);

    usable(*rec);
    rec->G4(1) = 99.5f;
    EXPECT_TRUE(decode_record(*rec)) << "no F2 trace: foF2 not checked";
    EXPECT_EQ(SCLCHR.IFOM, NOPOINT);
    rec->DFI(7) = 1;
    rec->R7(1) = 200.0f;
    EXPECT_FALSE(decode_record(*rec)) << "F2 trace with foF2 above 99 MHz";
    EXPECT_EQ(DECWRK.FAULT, DecodeFault::fof2);

    // Slots 32 to 43 reach the members only when group 4 has them.
    usable(*rec);
    LAYCOF.ZMF2 = 7.0f;
    rec->G4(32) = 280.0f;
    ASSERT_TRUE(decode_record(*rec));
    EXPECT_FLOAT_EQ(LAYCOF.ZMF2, 7.0f);
    rec->DFI(4) = 43;
    rec->G4(41) = 123.0f;
    ASSERT_TRUE(decode_record(*rec));
    EXPECT_FLOAT_EQ(LAYCOF.ZMF2, 280.0f);
    EXPECT_FLOAT_EQ(IRIPAR.B0(), 123.0f);
}

TEST_F(DecodeTest, EBlockOnlyWithMatchingCounts) {
    usable(*rec);
    rec->DFI(47) = 20;
    rec->DFI(50) = 19;
    for (int k = 1; k <= 20; ++k) {
        rec->G47(k) = 100.0f + float(k);
        rec->G50(k) = 1.0f + 0.1f * float(k);
    }
    EBLOCK.EF(1) = 5.0f;  // what the reader left from group 59
    ASSERT_TRUE(decode_record(*rec));
    for (int k = 1; k <= MAXEPTS; ++k) {
        ASSERT_EQ(EBLOCK.EF(k), 0.0f);
        ASSERT_EQ(EBLOCK.EH(k), 0.0f);
    }
    rec->DFI(50) = 20;
    ASSERT_TRUE(decode_record(*rec));
    EXPECT_FLOAT_EQ(EBLOCK.EH(20), 120.0f);
    EXPECT_FLOAT_EQ(EBLOCK.EF(1), 1.1f);
    EXPECT_EQ(EBLOCK.EF(21), 0.0f);
}

TEST_F(DecodeTest, ResetPutsTheMarkersBack) {
    TRCRAW.ITRCF(5, 2) = 3;
    TRCRAW.TRACEL(5, 3) = 100.0f;
    TRCWRK.TF(7) = 2.0f;
    SCALE2.IQUALE(2) = 2;
    DECWRK.HLOW(2) = 100.0f;
    reset_traces();
    EXPECT_EQ(TRCRAW.ITRCF(5, 2), NOPOINT);
    EXPECT_FLOAT_EQ(TRCRAW.TRACEL(5, 3), NOHEIGHT);
    EXPECT_EQ(TRCWRK.TF(7), 0.0f);
    EXPECT_EQ(SCALE2.IQUALE(2), 0);
    EXPECT_FLOAT_EQ(DECWRK.HLOW(2), NOHEIGHT);
}

}  // namespace
}  // namespace kolm
