// Values of the input that the output must carry through the whole run:
// a value no SAO field can show skips its record with a console line naming
// it; heights that the old version codes hold as integers go out as read.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>

#include "platform/text_units.h"
#include "run/run_driver.h"
#include "sao/sao_record.h"
#include "support/run_fixture.h"
#include "support/work_dir.h"

namespace kolm {
namespace {

using kolm::testing::read_all;
using kolm::testing::Records;
using kolm::testing::sample;

class RecordValues : public kolm::testing::RunFixture {
protected:
    void SetUp() override {
        RunFixture::SetUp();
        Records s = read_all(sample("BC840_2009336000005.SAO"));
        ASSERT_EQ(s.size(), 1u);
        good = std::move(s.front());
    }
    // The records written one after another into the file.
    void write_file(const std::string& name, const Records& recs) {
        ASSERT_EQ(platform::open_unit(40, wd.at(name), platform::UnitMode::write), 0);
        for (const auto& r : recs) ASSERT_EQ(WRITSAO(40, *r), platform::IoStat::ok);
        ASSERT_EQ(platform::close_unit(40), platform::IoStat::ok);
    }
    Records copies(int n) {
        Records recs;
        for (int i = 1; i <= n; ++i) {
            recs.push_back(std::make_unique<SaoRecord>(*good));
            recs.back()->G3(12) = char('0' + i);  // tell the records apart (day of month digit)
        }
        return recs;
    }
    std::unique_ptr<SaoRecord> good;
};

// Line `line` (0-based) of the text with a field replaced.
std::string replace_field(std::string text, int line, std::size_t col, const std::string& field) {
    std::size_t at = 0;
    for (; line > 0; --line) at = text.find('\n', at) + 1;
    text.replace(at + col, field.size(), field);
    return text;
}

// The reader takes "1.0E38" from the F7.3 field of the gyrofrequency (and
// "-1.0E+07" from an F8.3 characteristic), which the writer could only write
// as asterisks: the record is skipped with its reason, the others go on.
TEST_F(RecordValues, ValueNoFieldShowsSkipsItsRecordWithItsReason) {
    struct Case {
        int line;  // in the record: group 1 is its third line, group 4 starts on the sixth
        std::size_t col;
        const char* field;
        const char* reason;
    } cases[] = {
        {2, 0, " 1.0E38", "VALUE 1E+38 OF GROUP 1 ITEM 1 DOES NOT FIT ITS FIELD"},
        {5, 8, "-1.0E+07", "VALUE -1E+07 OF GROUP 4 ITEM 2 DOES NOT FIT ITS FIELD"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reason);
        reset_run_state();
        write_file("in.SAO", copies(3));
        std::string text = wd.read("in.SAO");
        const int per_record = int(std::count(text.begin(), text.end(), '\n')) / 3;
        wd.write("in.SAO", replace_field(text, per_record + c.line, c.col, c.field));
        run_files(wd.at("in.SAO"), wd.at("out.SAO"));
        EXPECT_NE(err.find(" RECORD 2 OF " + wd.at("in.SAO") + " (" + c.reason + "): SKIPPED"), std::string::npos)
            << err;
        EXPECT_NE(out.find(", 1 SKIPPED;"), std::string::npos) << out;
        const Records back = read_all(wd.at("out.SAO"));
        ASSERT_EQ(back.size(), 2u);
        EXPECT_EQ(back[0]->G3(12), '1');
        EXPECT_EQ(back[1]->G3(12), '3');
        std::filesystem::remove(wd.at("out.SAO"));
    }
}

// Codes 0 and 1 read the second-family heights as integers only; the run
// writes code 5, which takes them from the real copies: they go out as read.
TEST_F(RecordValues, OldCodeRecordKeepsItsSecondFamilyHeights) {
    Records recs = copies(1);
    SaoRecord& r = *recs.front();
    r.DFI(80) = 0;
    for (int g : {9, 14, 19}) r.DFI(g) = 0;  // amplitudes above 99, which "(60I2)" cannot hold
    r.DFI(22) = 3;
    for (int i = 1; i <= 3; ++i) r.G22(i) = 240 + 10 * i;
    write_file("in.SAO", recs);
    run_files(wd.at("in.SAO"), wd.at("out.SAO"));
    const Records back = read_all(wd.at("out.SAO"));
    ASSERT_EQ(back.size(), 1u);
    EXPECT_EQ(back[0]->DFI(80), 5);
    ASSERT_EQ(back[0]->DFI(22), 3);
    for (int i = 1; i <= 3; ++i) EXPECT_EQ(back[0]->R22(i), float(240 + 10 * i)) << i;
}

}  // namespace
}  // namespace kolm
