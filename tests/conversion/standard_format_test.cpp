// Reading STANDARD records: header or date line first, constants, the date
// checks, the three blocks and how each kind of end or failure ends a
// record or the conversion.
#include <gtest/gtest.h>

#include <string>

#include "blocks/run_state.h"
#include "conversion/conversion_support.h"
#include "conversion/standard_format.h"
#include "platform/text_units.h"
#include "support/work_dir.h"

namespace kolm {
namespace {

using kolm::testing::TempDir;

constexpr int32_t UNIT = 7;

// The sample record with its F2 block ended by the end of the file.
const std::string SAMPLE = kolm::testing::STANDARD_RECORD.substr(0, kolm::testing::STANDARD_RECORD.size() - 4);

class StandardRead : public ::testing::Test {
protected:
    void SetUp() override { reset_run_state(); }
    void TearDown() override { platform::close_all_units(); }
    void open(const std::string& text) {
        wd.write("in.std", text);
        ASSERT_EQ(platform::open_unit(UNIT, wd.at("in.std"), platform::UnitMode::read), 0);
        r.TEXT.fill(' ');
        r.HEADER = false;
    }
    StdStatus next() { return read_standard(UNIT, r).status; }
    TempDir wd;
    StdRecord r{};
};

TEST_F(StandardRead, SampleRecordThenTheEnd) {
    open(SAMPLE);
    ASSERT_EQ(next(), StdStatus::record);
    EXPECT_EQ(std::string(r.TEXT.data(), 15), "STATION X  2001");
    EXPECT_EQ(r.TEXT[119], ' ');
    const float c[] = {1.2f, 60.0f, 45.0f, -105.0f, 100.0f};  // gyrofrequency, dip, latitude, longitude, sunspots
    for (int i = 1; i <= 5; ++i) EXPECT_EQ(r.CONST(i), c[i - 1]);
    EXPECT_EQ(r.JYR4, 2001);
    EXPECT_EQ(r.JDOY, 73);
    EXPECT_EQ(r.JHR, 12);
    EXPECT_EQ(r.FSTEP, 0.1f);
    EXPECT_EQ(r.E.N, 3);
    EXPECT_EQ(r.E.FC, 3.0f);
    EXPECT_EQ(r.F1.N, 0);
    EXPECT_FALSE(r.F1.present());
    EXPECT_EQ(r.F2.N, 10);
    EXPECT_EQ(r.F2.F(10), 8.0f);
    EXPECT_EQ(r.F2.H(10), 360.0f);
    EXPECT_EQ(next(), StdStatus::end);
}

TEST_F(StandardRead, RecordWithoutHeaderKeepsTheLastHeader) {
    open(std::string(SAMPLE) + "END\n2001 3 14 12 15 0\n99\nEND\n99\nEND\n7.5\n5.0 250\n");
    ASSERT_EQ(next(), StdStatus::record);
    ASSERT_EQ(next(), StdStatus::record);
    EXPECT_EQ(r.JMIN, 15);
    EXPECT_EQ(std::string(r.TEXT.data(), 9), "STATION X");
    EXPECT_EQ(r.CONST(3), 45.0f);
    EXPECT_EQ(r.F2.N, 1);
    EXPECT_EQ(r.F2.FC, 7.5f);
}

TEST_F(StandardRead, LinesThatStartARecord) {
    // A header starting with six integers is a date line.
    open("2001 3 14 12 0 0 STATION\n120\nEND\n99\nEND\n5.0\n4.0 250\n");
    ASSERT_EQ(next(), StdStatus::record);
    EXPECT_FALSE(r.HEADER);
    EXPECT_FALSE(r.E.present()) << "120 is taken as 99";
    // A blank line where a record begins is a blank header.
    open("\n45 10 1.2 60 100\n2001 3 14 12 0 0\n99\nEND\n99\nEND\n5.0\n4.0 250\n");
    ASSERT_EQ(next(), StdStatus::record);
    EXPECT_TRUE(r.HEADER);
    EXPECT_EQ(r.TEXT[0], ' ');
    // A blank line after the last record is the normal end.
    open(std::string(SAMPLE) + "END\n\n");
    ASSERT_EQ(next(), StdStatus::record);
    EXPECT_EQ(next(), StdStatus::end);
}

TEST_F(StandardRead, Dates) {
    struct Case {
        const char* line;
        bool ok;
        int16_t yr4, doy, hr;
    };
    const Case cases[] = {
        {"0 1 1 0 0 0", false, 0, 0, 0},       {"2000 1 1 0 0 0", true, 2000, 1, 0},
        {"1 2 29 0 0 0", false, 0, 0, 0},      {"4 2 29 0 0 0", true, 2004, 60, 0},
        {"2001 3 0 12 0 0", false, 0, 0, 0},   {"2001 3 -2 12 0 0", false, 0, 0, 0},
        {"2001 3 14 25 0 0", false, 0, 0, 0},  {"2001 3 14 12 60 0", false, 0, 0, 0},
        {"2001 3 14 12 0 -1", false, 0, 0, 0},
        // 24 h is 0 h of the next day, and of the next year after its last day.
        {"2001 3 14 24 0 0", true, 2001, 74, 0}, {"2001 12 31 24 0 0", true, 2002, 1, 0},
        {"2004 12 31 24 0 0", true, 2005, 1, 0}, {"2004 12 30 24 0 0", true, 2004, 366, 0},
    };
    for (const Case& c : cases) {
        open(std::string(c.line) + "\n99\nEND\n99\nEND\n5.0\n4.0 250\n");
        const StdStatus st = next();
        EXPECT_EQ(st, c.ok ? StdStatus::record : StdStatus::bad_date) << c.line;
        if (c.ok) {
            EXPECT_EQ(r.JYR4, c.yr4) << c.line;
            EXPECT_EQ(r.JDOY, c.doy) << c.line;
            EXPECT_EQ(r.JHR, c.hr) << c.line;
        }
    }
}

TEST_F(StandardRead, BlocksAndHowTheyEnd) {
    // A pair split over two lines; a comma between the values.
    open("2001 3 14 12 0 0\n2.97\n2.0\n110\n2.5,112\nEND\n99\nEND\n5.0\n4.0 250\n");
    ASSERT_EQ(next(), StdStatus::record);
    ASSERT_EQ(r.E.N, 2);
    EXPECT_EQ(r.E.H(1), 110.0f);
    EXPECT_EQ(r.E.H(2), 112.0f);
    EXPECT_EQ(r.E.FC, 2.97f) << "the E critical frequency is kept to 0.001 MHz";

    const struct {
        const char* text;
        StdStatus status;
    } ends[] = {
        {"2001 3 14 12 0 0\n3.0\n2.0 110\n", StdStatus::cut},           // the file ends inside E
        {"2001 3 14 12 0 0\n3.0\nEND\n4.0\n3.5 200\n", StdStatus::cut},  // inside F1
        {"2001 3 14 12 0 0\n3.0\nEND\n", StdStatus::cut},                // at F1's critical frequency
        {"2001 3 14 12 0 0\nX\n", StdStatus::bad_line},                  // no critical frequency
        {"HEADER\n45 10 1.2 60 X\n2001 3 14 12 0 0\n", StdStatus::bad_line},  // a word for a constant
        {"HEADER\n45 10 1.2 60\n2001 3 14 12 0 0\n", StdStatus::cut},  // the year taken as the fifth constant
        {"HEADER\n45 10 1.2 60 100\n", StdStatus::cut},
        {"HEADER\n", StdStatus::cut},
    };
    for (const auto& e : ends) {
        open(e.text);
        EXPECT_EQ(next(), e.status) << e.text;
    }
}

TEST_F(StandardRead, PairsBeyondTheCapacityAreCountedNotKept) {
    std::string text = "2001 3 14 12 0 0\n4.0\n";
    for (int i = 0; i < 151; ++i) text += std::to_string(1.0 + 0.02 * i) + " 100\n";
    open(text + "END\n99\nEND\n5.0\n4.5 250\n");
    ASSERT_EQ(next(), StdStatus::record);
    EXPECT_EQ(r.E.NREAD, 151);
    EXPECT_LE(r.E.N, 150);
    EXPECT_EQ(r.FSTEP, 0.025f);
}

}  // namespace
}  // namespace kolm
