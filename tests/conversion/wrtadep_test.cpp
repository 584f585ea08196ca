// The temporary writer's records read back by the SAO reader: version code
// 0, the groups present, the digit time stamp, and one text line.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "blocks/run_state.h"
#include "conversion/wrtadep.h"
#include "run/record_decode.h"
#include "platform/text_units.h"
#include "support/work_dir.h"

namespace kolm {
namespace {

using kolm::testing::TempDir;

constexpr int32_t UNIT = 8;

class Wrtadep : public ::testing::Test {
protected:
    void SetUp() override {
        reset_run_state();
        std::memset(static_cast<void*>(rec.get()), 0, sizeof *rec);
        rec->G2L1.fill(' ');
        std::memcpy(rec->G2L1.data(), "HEADER TEXT", 11);
        rec->DFI(1) = 5;
        rec->DFI(2) = 1;
        rec->DFI(3) = 55;
        rec->DFI(4) = 31;
        for (int i = 1; i <= 5; ++i) rec->G1(i) = float(i);
        rec->G1(4) = -105.25f;  // a longitude wider than F7.3
        for (int i = 1; i <= 31; ++i) rec->G4(i) = 999.9f;
        digits.fill(0);
        const int32_t ts[] = {0, 1, 0, 7, 3, 1, 2, 0, 0, 0, 7};
        for (int i = 1; i <= 11; ++i) digits(i) = ts[i - 1];
        digits(35) = 1;
        digits(54) = 1;
        digits(55) = 2;
        // An E layer only: 2.0 .. 2.3 MHz, no height at 2.1.
        rec->DFI(17) = rec->DFI(21) = 4;
        const int32_t h[] = {110, 999, 115, 120};
        for (int i = 1; i <= 4; ++i) {
            rec->G17(i) = h[i - 1];
            rec->G21(i) = 2.0f + 0.1f * float(i - 1);
        }
    }
    void TearDown() override { platform::close_all_units(); }

    std::unique_ptr<SaoRecord> write_and_read() {
        EXPECT_EQ(platform::open_unit(UNIT, wd.at("t.TMPSAO"), platform::UnitMode::write), 0);
        EXPECT_EQ(WRTADEP(UNIT, *rec, digits), fmt::IoStat::ok);
        platform::close_unit(UNIT);
        auto back = std::make_unique<SaoRecord>();
        EXPECT_EQ(platform::open_unit(UNIT, wd.at("t.TMPSAO"), platform::UnitMode::read), 0);
        int32_t iend = 0;
        int16_t found = 0, ierr = 0;
        READSAO(iend, UNIT, *back, found, ierr);
        EXPECT_EQ(ierr, 0);
        EXPECT_EQ(found, 1);
        READSAO(iend, UNIT, *back, found, ierr);
        EXPECT_EQ(iend, 1) << "one record and nothing after it";
        platform::close_unit(UNIT);
        return back;
    }

    TempDir wd;
    std::unique_ptr<SaoRecord> rec = std::make_unique<SaoRecord>();
    FArray<int32_t, 60> digits;
};

TEST_F(Wrtadep, ELayerRecordReadsBackAsCode0) {
    const auto back = write_and_read();
    EXPECT_EQ(back->DFI(80), 0);
    for (int g : {7, 11, 12, 16}) EXPECT_EQ(back->DFI(g), 0) << "group " << g;
    EXPECT_EQ(back->DFI(17), 4);
    EXPECT_EQ(back->DFI(21), 4);
    EXPECT_EQ(back->G17(2), 999);
    EXPECT_EQ(back->G17(4), 120);
    EXPECT_FLOAT_EQ(back->G21(4), 2.3f);
    EXPECT_EQ(std::string(back->G3.data(), 11), "01073120007");
    EXPECT_EQ(back->G3(35), '1');
    EXPECT_EQ(back->G3(55), '2');
    EXPECT_FLOAT_EQ(back->G1(4), -105.25f) << "written in seven columns with fewer decimals";
    EXPECT_EQ(std::string(back->G2L1.data(), 11), "HEADER TEXT");
    EXPECT_FLOAT_EQ(back->G4(31), 999.9f);

    // The digit layout decodes to the date and steps of the conversion.
    reset_traces();
    ASSERT_TRUE(decode_time_stamp(back->DFI(3), back->G3.data()));
    ASSERT_TRUE(decode_steps(back->G3.data()));
}

TEST_F(Wrtadep, OneTextLineAndNothingBeyondGroup42) {
    rec->DFI(2) = 2;
    std::memcpy(rec->G2L2.data(), "SECOND", 6);
    rec->DFI(51) = 3;  // not written: the index announces 0
    const auto back = write_and_read();
    EXPECT_EQ(back->DFI(2), 1) << "the index announces the one line written";
    EXPECT_NE(back->G2L2(1), 'S');
    EXPECT_EQ(back->DFI(3), 55) << "the lines after the text are read as what they are";
    EXPECT_EQ(back->DFI(51), 0);
}

}  // namespace
}  // namespace kolm
