// The run driver: single-file and wildcard runs, output "NONE", the
// overwrite warning, the rules that keep or delete an output, records that
// end a file or are skipped, and every sample file through the whole run.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "blocks/peltarscale.h"
#include "blocks/peltartrueh.h"
#include "blocks/run_state.h"
#include "platform/graphics.h"
#include "platform/headless.h"
#include "platform/text_units.h"
#include "run/run_driver.h"
#include "sao/sao_record.h"
#include "support/run_fixture.h"
#include "support/work_dir.h"
#include "ui/cover.h"
#include "ui/plot_frame.h"

namespace kolm {
namespace {

namespace fs = std::filesystem;
using kolm::testing::sample;
using kolm::testing::read_all;
using kolm::testing::Records;

constexpr int32_t TESTUNIT = 40;

void write_all(const std::string& path, const Records& recs) {
    fs::create_directories(fs::path(path).parent_path());
    ASSERT_EQ(platform::open_unit(TESTUNIT, path, platform::UnitMode::write), 0);
    for (const auto& r : recs) ASSERT_EQ(WRITSAO(TESTUNIT, *r), platform::IoStat::ok);
    ASSERT_EQ(platform::close_unit(TESTUNIT), platform::IoStat::ok);
}

std::unique_ptr<SaoRecord> copy(const SaoRecord& r) { return std::make_unique<SaoRecord>(r); }

class RunTest : public kolm::testing::RunFixture {
protected:
    void SetUp() override {
        RunFixture::SetUp();
        Records s = read_all(sample("BC840_2009336000005.SAO"));
        ASSERT_EQ(s.size(), 1u);
        good = std::move(s.front());
    }

    // n copies of the sample record, the i-th changed by edit(i, record).
    void make_file(const std::string& name, int n, void (*edit)(int, SaoRecord&) = nullptr) {
        Records recs;
        for (int i = 1; i <= n; ++i) {
            recs.push_back(copy(*good));
            recs.back()->G3(12) = char('0' + i % 10);  // tell the records apart (day of month digit)
            if (edit) edit(i, *recs.back());
        }
        write_all(wd.at(name), recs);
    }

    std::unique_ptr<SaoRecord> good;
};

void bad_prefix_at_2(int i, SaoRecord& r) {
    if (i == 2) std::memcpy(r.G3.data(), "XY", 2);
}
void hour_25_at_4(int i, SaoRecord& r) {
    if (i == 4) std::memcpy(r.G3.data() + 24, "25", 2);  // hour of the shifted digit layout
}
void bad_prefix(int, SaoRecord& r) { std::memcpy(r.G3.data(), "XY", 2); }

TEST_F(RunTest, SingleFileRunWritesEveryRecordAsCode5) {
    make_file("in.SAO", 3);
    run("text 1000 in.SAO\ntext 1022 out.SAO\nclick 1\n");
    EXPECT_FALSE(warned());
    EXPECT_EQ(RUN.NPROF, 3);
    const Records back = read_all(wd.at("out.SAO"));
    ASSERT_EQ(back.size(), 3u);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(back[i]->DFI(80), 5);
        EXPECT_EQ(back[i]->G3(12), char('0' + (i + 1))) << "records in input order";
        EXPECT_EQ(std::string(back[i]->G2L1.data(), 22), "BC840 BOULDER, QZ 4.30");
    }
    EXPECT_TRUE(wd.exists("in.SAO"));
}

TEST_F(RunTest, OutputNoneStillInvertsButWritesNothing) {
    make_file("in.SAO", 2);
    const auto before = std::distance(fs::directory_iterator(wd.path()), fs::directory_iterator());
    run("text 1000 in.SAO\nclick 1\n");
    EXPECT_EQ(RUN.NPROF, 2);
    EXPECT_FALSE(warned());
    EXPECT_EQ(std::distance(fs::directory_iterator(wd.path()), fs::directory_iterator()), before);
    EXPECT_EQ(err.find("117"), std::string::npos) << "no overwrite warning";
}

TEST_F(RunTest, ExitInTheDialogTouchesNothing) {
    run("");
    EXPECT_FALSE(warned());
    EXPECT_EQ(RUN.NPROF, 0);
}

TEST_F(RunTest, RejectedRecordEndsItsFile) {
    make_file("in.SAO", 10, hour_25_at_4);
    run("text 1000 in.SAO\ntext 1022 out.SAO\nclick 1\n");
    EXPECT_EQ(RUN.NPROF, 3) << "records 5 to 10 are never read";
    EXPECT_EQ(read_all(wd.at("out.SAO")).size(), 3u);
    EXPECT_FALSE(warned());
}

TEST_F(RunTest, SingleRunWithNoRecordInvertedDeletesItsOutputAndWarns) {
    make_file("in.SAO", 1, bad_prefix);
    run("text 1000 in.SAO\ntext 1022 out.SAO\nclick 1\n");
    EXPECT_FALSE(wd.exists("out.SAO"));
    EXPECT_TRUE(warned());
}

TEST_F(RunTest, WildcardRunSkipsBlankListLinesAndKeepsOutputsByTheFoundRule) {
    make_file("data/A.SAO", 2);
    make_file("data/B.SAO", 2, bad_prefix);  // a complete record, rejected by the decoding
    make_file("data/C.SAO", 3, bad_prefix_at_2);
    wd.write("out/.keep", "");
    wd.write("FILELIST.TMP.list", "A.SAO\n\n   \nB.SAO\nMISSING.SAO\nC.SAO\n");
    ui::FILELST.name = "FILELIST.TMP.list";
    run_files("data/*.*", "out/X.421");
    EXPECT_EQ(RUN.NPROF, 3);
    EXPECT_EQ(read_all(wd.at("out/A.SAO.421")).size(), 2u);
    ASSERT_TRUE(wd.exists("out/B.SAO.421")) << "kept: a complete record was read";
    EXPECT_EQ(wd.read("out/B.SAO.421"), "");
    EXPECT_FALSE(wd.exists("out/MISSING.SAO.421"));
    EXPECT_EQ(read_all(wd.at("out/C.SAO.421")).size(), 1u) << "the file ends at its rejected record";
    EXPECT_FALSE(wd.exists("FILELIST.TMP.list")) << "the list is deleted at the end";
    EXPECT_FALSE(warned());
}

TEST_F(RunTest, WildcardRunThroughTheDialog) {
    make_file("data/A.SAO", 1);
    make_file("data/B.SAO", 2);
    wd.write("out/.keep", "");
    run("text 1000 data/*.SAO\ntext 1022 out/X.421\nclick 1\n");
    EXPECT_EQ(read_all(wd.at("out/A.SAO.421")).size(), 1u);
    EXPECT_EQ(read_all(wd.at("out/B.SAO.421")).size(), 2u);
    EXPECT_TRUE(ui::FILELST.name.empty());
    for (const auto& e : fs::directory_iterator(wd.path()))
        EXPECT_NE(e.path().filename().string().rfind("FILELIST.TMP", 0), 0u) << e.path();
}

TEST_F(RunTest, WildcardRunWhereNoFileOpensCreatesNothingAndWarns) {
    wd.write("FILELIST.TMP.list", "GONE1.SAO\nGONE2.SAO\n");
    ui::FILELST.name = "FILELIST.TMP.list";
    wd.write("out/.keep", "");
    run_files("data/*.*", "out/X.421");
    EXPECT_TRUE(warned());
    EXPECT_FALSE(wd.exists("FILELIST.TMP.list"));
    EXPECT_EQ(std::distance(fs::directory_iterator(wd.path() / "out"), fs::directory_iterator()), 1);
}

TEST_F(RunTest, OverwriteWarningKeptNameOverwrites) {
    make_file("in.SAO", 1);
    wd.write("out.SAO", "old content\n");
    run("text 1000 in.SAO\ntext 1022 out.SAO\nclick 1\nclick 1\n");
    EXPECT_NE(err.find("out.SAO EXISTS already"), std::string::npos);
    EXPECT_EQ(read_all(wd.at("out.SAO")).size(), 1u);
    EXPECT_EQ(wd.read("out.SAO").find("old content"), std::string::npos);
}

TEST_F(RunTest, OverwriteWarningNewNameIsCheckedAgain) {
    make_file("in.SAO", 1);
    wd.write("out.SAO", "old content\n");
    wd.write("second.SAO", "second old\n");
    run("text 1000 in.SAO\ntext 1022 out.SAO\nclick 1\n"
        "text 1000 second.SAO\nclick 1\n"   // also exists: asked again
        "text 1000 third.SAO\nclick 1\n");
    EXPECT_EQ(wd.read("out.SAO"), "old content\n");
    EXPECT_EQ(wd.read("second.SAO"), "second old\n");
    EXPECT_EQ(read_all(wd.at("third.SAO")).size(), 1u);
}

TEST_F(RunTest, OutputRenamedToTheInputIsRefused) {
    make_file("in.SAO", 1);
    const std::string input = wd.read("in.SAO");
    wd.write("out.SAO", "old content\n");
    run("text 1000 in.SAO\ntext 1022 out.SAO\nclick 1\ntext 1000 in.SAO\nclick 1\nexpect 8\n");
    EXPECT_EQ(wd.read("in.SAO"), input) << "the input is never overwritten";
    EXPECT_EQ(wd.read("out.SAO"), "old content\n");
    EXPECT_NE(err.find("OUTPUT in.SAO IS AN INPUT FILE OF THIS RUN: in.SAO SKIPPED"), std::string::npos) << err;
    EXPECT_TRUE(warned());
}

TEST_F(RunTest, OutputThatCannotBeOpenedSkipsTheFile) {
    make_file("in.SAO", 1);
    fs::create_directories(wd.path() / "res.SAO");  // a directory where the output file should be
    run("text 1000 in.SAO\ntext 1022 res.SAO\nclick 1\n");
    EXPECT_NE(err.find("CANNOT BE OPENED (IT IS A DIRECTORY): in.SAO SKIPPED"), std::string::npos) << err;
    EXPECT_TRUE(fs::is_directory(wd.path() / "res.SAO"));
    EXPECT_TRUE(warned());
}

// Record 2 of three broken in its index line: the reader rejects it with
// the reason named, and the retry finds record 3.
TEST_F(RunTest, UnreadableRecordAfterAGoodOneIsSkipped) {
    struct Case {
        const char* what;
        void (*damage)(std::string& text, std::size_t index);
        const char* reason;
    };
    const Case cases[] = {
        {"entry 1 is 0", [](std::string& t, std::size_t i) { t.replace(i, 3, "  0"); },
         "ITS INDEX IS NOT VALID (ENTRY 1 IS 0)"},
        // Padded to 10,000 columns: beyond the input's line bound.
        {"overlong line", [](std::string& t, std::size_t i) { t.insert(t.find('\n', i), std::string(10000, ' ')); },
         "A LINE IS LONGER THAN 8192 CHARACTERS"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        make_file("in.SAO", 3);
        std::string text = wd.read("in.SAO");
        const std::string first_index = text.substr(0, 3);
        std::size_t second = text.find(first_index, 1);
        while (second != std::string::npos && text[second - 1] != '\n') second = text.find(first_index, second + 1);
        ASSERT_NE(second, std::string::npos);
        c.damage(text, second);
        wd.write("in.SAO", text);
        fs::remove(wd.path() / "out.SAO");
        run("text 1000 in.SAO\ntext 1022 out.SAO\nclick 1\n");
        EXPECT_NE(err.find(std::string("RECORD 2 OF in.SAO COULD NOT BE READ (") + c.reason + "): SKIPPED"),
                  std::string::npos)
            << err;
        const Records back = read_all(wd.at("out.SAO"));
        ASSERT_EQ(back.size(), 2u);
        EXPECT_EQ(back[0]->G3(12), '1');
        EXPECT_EQ(back[1]->G3(12), '3');
    }
}

// A record in the digit layout (group 3 of 55 columns) goes out with the
// rebuilt 77-column group 3; the columns moved in from beyond the digits are
// blanks, never bytes the record did not hold.
void digit_layout(int, SaoRecord& r) {
    std::memmove(r.G3.data(), r.G3.data() + 19, 55);
    std::memset(r.G3.data() + 55, 0, 65);
    r.DFI(3) = 55;
}

TEST_F(RunTest, DigitLayoutRecordGoesOutAsPlainText) {
    make_file("in.SAO", 2, digit_layout);
    run("text 1000 in.SAO\ntext 1022 out.SAO\nclick 1\n");
    const std::string text = wd.read("out.SAO");
    EXPECT_EQ(text.find('\0'), std::string::npos) << "no NUL bytes in the output";
    const Records back = read_all(wd.at("out.SAO"));
    ASSERT_EQ(back.size(), 2u);
    for (const auto& b : back) {
        EXPECT_EQ(b->DFI(3), 77);
        EXPECT_EQ(std::string(b->G3.data(), 2), "FE");
        EXPECT_EQ(std::string(b->G3.data() + 74, 3), "   ");
    }
}

// Every sample file through the whole program: one code-5 record per input
// record, readable again, with the traces and characteristics of the input.
TEST_F(RunTest, EverySampleFileComesOutAsCode5Records) {
    const fs::path samples = fs::path(KOLM_SHARED_DATA) / "sao";
    fs::create_directories(wd.path() / "data");
    for (const auto& e : fs::directory_iterator(samples))
        fs::copy_file(e.path(), wd.path() / "data" / e.path().filename());
    wd.write("out/.keep", "");
    run("text 1000 data/*.*\ntext 1022 out/X.421\nclick 1\n");
    EXPECT_FALSE(warned());
    int files = 0;
    for (const auto& e : fs::directory_iterator(samples)) {
        const std::string name = e.path().filename().string();
        SCOPED_TRACE(name);
        ++files;
        const Records in = read_all(e.path().string());
        const Records back = read_all(wd.at("out/" + name + ".421"));
        ASSERT_FALSE(in.empty());
        ASSERT_EQ(back.size(), in.size());
        for (std::size_t k = 0; k < in.size(); ++k) {
            const SaoRecord& a = *in[k];
            const SaoRecord& b = *back[k];
            EXPECT_EQ(b.DFI(80), 5);
            for (int g : {7, 9, 10, 11, 12, 16, 17, 21}) EXPECT_EQ(b.DFI(g), a.DFI(g)) << "group " << g;
            for (int i = 1; i <= a.DFI(7); ++i) {
                EXPECT_FLOAT_EQ(b.R7(i), a.R7(i));
                EXPECT_FLOAT_EQ(b.G11(i), a.G11(i));
            }
            for (int i = 1; i <= a.DFI(12); ++i) EXPECT_FLOAT_EQ(b.R12(i), a.R12(i));
            for (int i = 1; i <= a.DFI(17); ++i) EXPECT_FLOAT_EQ(b.R17(i), a.R17(i));
            for (int i = 1; i <= 4; ++i) EXPECT_FLOAT_EQ(b.G1(i), a.G1(i));
            EXPECT_EQ(std::string(b.G3.data(), size_t(a.DFI(3))), std::string(a.G3.data(), size_t(a.DFI(3))));
            // Characteristics as scaled (slots the inversion does not fill);
            // foF1 above 999 is written as 999.9. A solved record carries the
            // profile's foF2 and foF1, the peak frequencies of groups 37 and 38.
            for (int i : {3, 4, 5, 6, 7, 8, 10, 12, 13, 14, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26})
                EXPECT_FLOAT_EQ(b.G4(i), a.G4(i)) << "characteristic " << i;
            if (b.G5(2) == 2) {
                EXPECT_NEAR(b.G4(1), b.G37(2), 0.0005f);
                EXPECT_NEAR(b.G4(1), a.G4(1), 0.03f);
            } else {
                EXPECT_FLOAT_EQ(b.G4(1), a.G4(1));
            }
            if (b.G5(2) == 2 && b.DFI(38) > 0) {
                EXPECT_NEAR(b.G4(2), b.G38(2), 0.0005f);
                EXPECT_NEAR(b.G4(2), a.G4(2), 0.03f);
            } else {
                EXPECT_FLOAT_EQ(b.G4(2), a.G4(2)) << "no foF1: the record's own marker";
            }
        }
    }
    EXPECT_EQ(files, 4);
}

}  // namespace
}  // namespace kolm
