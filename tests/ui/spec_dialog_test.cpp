// The specification dialog driven by event scripts: acceptance, the checks
// and their messages, the exclusive format boxes, the number boxes, the
// "NONE" rule, the file list of a wildcard input and the cover screen.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "blocks/peltartrueh.h"
#include "blocks/run_state.h"
#include "platform/graphics.h"
#include "platform/headless.h"
#include "support/work_dir.h"
#include "ui/cover.h"
#include "ui/plot_frame.h"

namespace kolm::ui {
namespace {

using kolm::testing::script;
using kolm::testing::TempDir;

class SpecDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        reset_run_state();
        platform::headless::reset();
        platform::gfx::reset();
        wd.write("A.SAO", "record\n");
        wd.write("A.DAT", "record\n");
    }
    void TearDown() override {
        EXPECT_EQ(platform::headless::failures(), 0) << "script events or expectations not met";
        EXPECT_EQ(platform::headless::pending_events(), 0u);
    }
    // Runs the dialog on the script; true when it closed with a specification.
    bool run(const std::string& events) {
        script(events);
        INNAME = "untouched";
        DODIALOG1(CONV, PROG, ISTD, INNAME, OUTNAME, HSTEP, ERRMAX);
        return !INNAME.empty();
    }
    TempDir wd;
    char CONV = '?';
    std::string PROG, INNAME, OUTNAME;
    int32_t ISTD = -1;
    float HSTEP = -1.0f, ERRMAX = -1.0f;
};

TEST_F(SpecDialogTest, OkWithNothingGivesMessage2AndExitLeavesTheInputBlank) {
    EXPECT_FALSE(run("click 1\nexpect 2\n"));
    EXPECT_EQ(INNAME, "");
}

TEST_F(SpecDialogTest, AcceptsAnSaoFileWithDefaults) {
    ASSERT_TRUE(run("text 1000 A.SAO\nclick 1\n"));
    EXPECT_EQ(CONV, 'Y');
    EXPECT_EQ(ISTD, 1);
    EXPECT_EQ(INNAME, "A.SAO");
    EXPECT_EQ(OUTNAME, "NONE");
    EXPECT_EQ(HSTEP, 0.0f);
    EXPECT_EQ(ERRMAX, 0.0f);
}

TEST_F(SpecDialogTest, PathsKeepInnerBlanksAndCase) {
    wd.write("my dir/B.SAO", "record\n");
    wd.write("Out Dir/.keep", "");
    ASSERT_TRUE(run("text 1000 \"  my dir/B.SAO  \"\ntext 1022 \" Out Dir/Res.sao \"\nclick 1\n"));
    EXPECT_EQ(INNAME, "my dir/B.SAO");
    EXPECT_EQ(OUTNAME, "Out Dir/Res.sao");
}

TEST_F(SpecDialogTest, BrowseButtonsFillTheirBoxes) {
    // The working folder is one of the browsers' roots.
    const std::string here = std::filesystem::current_path().string();
    ASSERT_TRUE(run("click 4\nselect 1041 " + here + "\nselect 1038 A.SAO\nclick 1\nclick 1\n"));
    EXPECT_EQ(INNAME, here + "/A.SAO");
    EXPECT_EQ(OUTNAME, here + "/A.SAO.421");

    // All files of a folder: a wildcard input, with its file list.
    ASSERT_TRUE(run("click 4\nselect 1041 " + here + "\nselect 1048 *.* (ALL FILES LISTED BELOW)\nclick 1\n"
                    "text 1022 NONE\nclick 1\n"));
    EXPECT_EQ(INNAME, here + "/*.*");
    EXPECT_EQ(wd.read(FILELST.name), "A.DAT\nA.SAO\n");

    // The program browser; a cancelled browser changes nothing.
    wd.write("conv.sh", "#!/bin/sh\n");
    ASSERT_TRUE(run("check 1010 1\nclick 5\nselect 1041 " + here + "\nselect 1038 conv.sh\nclick 1\n"
                    "click 4\nclick 2\ntext 1000 A.DAT\nclick 1\n"));
    EXPECT_EQ(PROG, here + "/conv.sh");
    EXPECT_EQ(INNAME, "A.DAT");
    EXPECT_EQ(OUTNAME, "NONE");
}

TEST_F(SpecDialogTest, EmptiedOutputBoxShowsNone) {
    ASSERT_TRUE(run("text 1022 out.SAO\ntext 1022 \"\"\ntext 1000 A.SAO\nclick 1\n"));
    EXPECT_EQ(OUTNAME, "NONE");
}

TEST_F(SpecDialogTest, NoneInAnyCaseMeansNoOutput) {
    ASSERT_TRUE(run("text 1022 none\ntext 1000 A.SAO\nclick 1\n"));
    EXPECT_EQ(OUTNAME, "NONE");
    EXPECT_FALSE(wd.exists("none"));
}

TEST_F(SpecDialogTest, NumberBoxesAreCheckedAtEveryKeystroke) {
    // Each message is answered with its OK button (id 1 of the message dialog).
    ASSERT_TRUE(run("type 1014 -\nexpect 0\nclick 1\ntype 1014 10.5\ntype 1015 0.01\ntype 1015 1.2.\nexpect 0\n"
                    "click 1\ntype 1015 0.05\ntype 1014 1E\nexpect 0\nclick 1\ntext 1000 A.SAO\nclick 1\n"));
    EXPECT_EQ(HSTEP, 0.0f) << "reset to 0.0 by the last bad keystroke";
    EXPECT_FLOAT_EQ(ERRMAX, 0.05f);
    ASSERT_TRUE(run("type 1014 10.5\ntype 1015 \" .01\"\ntext 1000 A.SAO\nclick 1\n"));
    EXPECT_FLOAT_EQ(HSTEP, 10.5f);
    EXPECT_FLOAT_EQ(ERRMAX, 0.01f);
    ASSERT_TRUE(run("text 1014 \"\"\ntext 1015 .\ntext 1000 A.SAO\nclick 1\n"));
    EXPECT_EQ(HSTEP, 0.0f) << "a blank box reads as 0";
    EXPECT_EQ(ERRMAX, 0.0f) << "a lone point reads as 0";
}

TEST_F(SpecDialogTest, FormatBoxesAreExclusive) {
    wd.write("conv.sh", "#!/bin/sh\n");
    // Clicking the ticked SAO box ticks STANDARD: a .SAO input then mismatches.
    EXPECT_FALSE(run("click 1071\ntext 1000 A.SAO\nclick 1\nexpect 19\n"));
    // ANY OF OTHERS unticked again gives SAO back.
    ASSERT_TRUE(run("check 1010 1\ncheck 1010 0\ntext 1000 A.SAO\nclick 1\n"));
    EXPECT_EQ(CONV, 'Y');
    EXPECT_EQ(ISTD, 1);
    ASSERT_TRUE(run("check 1007 1\ntext 1000 A.DAT\nclick 1\n"));
    EXPECT_EQ(CONV, 'N');
    EXPECT_EQ(ISTD, 1);
    ASSERT_TRUE(run("check 1010 1\ntext 1001 conv.sh\ntext 1000 A.DAT\nclick 1\n"));
    EXPECT_EQ(CONV, 'N');
    EXPECT_EQ(ISTD, 0);
    EXPECT_EQ(PROG, "conv.sh");
    // Ticking another box blanks and disables the program box.
    ASSERT_TRUE(run("check 1010 1\ntext 1001 conv.sh\ncheck 1007 1\ntext 1000 A.DAT\nclick 1\n"));
    EXPECT_EQ(ISTD, 1);
}

struct MessageCase {
    const char* name;
    const char* events;
    int code;
};

TEST_F(SpecDialogTest, EveryCheckShowsItsMessageAndTheDialogComesBack) {
    wd.write("X.arp", "record\n");
    wd.write("data/A.SAO", "record\n");
    const MessageCase cases[] = {
        {"no program", "check 1010 1\ntext 1000 A.DAT\nclick 1\n", 16},
        {"program missing", "check 1010 1\ntext 1001 /no/such/prog\ntext 1000 A.DAT\nclick 1\n", 17},
        {"extension 421", "text 1000 X.421\nclick 1\n", 18},
        {"extension ARP", "text 1000 data/X.ARP\nclick 1\n", 18},
        {"STANDARD with .SAO", "check 1007 1\ntext 1000 A.SAO\nclick 1\n", 19},
        {"single file missing", "text 1000 NOFILE.DAT\nclick 1\n", 5},
        {"other wildcard forms are single names", "text 1000 data/A*.SAO\nclick 1\n", 5},
        {"no file matches", "text 1000 data/*.XYZ\nclick 1\n", 5},
        {"directory missing", "text 1000 nodir/*.*\nclick 1\n", 5},
        {"output directory missing", "text 1000 A.SAO\ntext 1022 nodir/out.SAO\nclick 1\n", 21},
        {"output is the input", "text 1000 A.SAO\ntext 1022 ./A.SAO\nclick 1\n", 8},
        {"wildcard outputs are the inputs", "text 1000 data/*.*\ntext 1022 data/X\nclick 1\n", 8},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_FALSE(run(std::string(c.events) + "expect " + std::to_string(c.code) + "\n"));
        EXPECT_EQ(platform::headless::failures(), 0);
    }
    // Exact case: X.arp passes the extension check.
    ASSERT_TRUE(run("text 1000 X.arp\nclick 1\n"));
}

TEST_F(SpecDialogTest, EntriesAreKeptAfterAMessage) {
    ASSERT_TRUE(run("type 1014 123.5\ntype 1015 0.25\ntext 1000 A.SAO\ntext 1022 nodir/x\nclick 1\nexpect 21\n"
                    "click 1\ntext 1022 NONE\nclick 1\n"));
    EXPECT_FLOAT_EQ(HSTEP, 123.5f) << "shown in a wider field and read back";
    EXPECT_FLOAT_EQ(ERRMAX, 0.25f);
    EXPECT_EQ(INNAME, "A.SAO");
}

TEST(NumberBoxText, FourColumnsOrWider) {
    EXPECT_EQ(number_box_text(0.0f, 1), " 0.0");
    EXPECT_EQ(number_box_text(0.5f, 1), " 0.5");
    EXPECT_EQ(number_box_text(10.0f, 1), "10.0");
    EXPECT_EQ(number_box_text(123.5f, 1), "123.5");
    EXPECT_EQ(number_box_text(0.0f, 2), "0.00");
    EXPECT_EQ(number_box_text(0.01f, 2), "0.01");
    EXPECT_EQ(number_box_text(12.5f, 2), "12.50");
    // Values just below 1 that round up to 1 keep their digit: the box must
    // not turn them into 0 (no table, no fit) when the dialog comes back.
    EXPECT_EQ(number_box_text(0.96f, 1), " 1.0");
    EXPECT_EQ(number_box_text(0.999f, 2), "1.00");
}

TEST_F(SpecDialogTest, OutputProbeLeavesAUsersFileAlone) {
    wd.write("outdir/KOLM_TEST", "keep me\n");
    ASSERT_TRUE(run("text 1000 A.SAO\ntext 1022 outdir/out.SAO\nclick 1\n"));
    EXPECT_EQ(wd.read("outdir/KOLM_TEST"), "keep me\n");
    int n = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(wd.path() / "outdir")) ++n;
    EXPECT_EQ(n, 1) << "the probe file is removed";
}

struct ListCase {
    const char* pattern;
    const char* list;
};

TEST_F(SpecDialogTest, WildcardInputWritesTheFileList) {
    wd.write("data/A.SAO", "record\n");
    wd.write("data/B.421", "record\n");
    wd.write("data/C.EXE", "record\n");
    wd.write("data/c.exe", "record\n");
    wd.write("data/x.Arp", "record\n");
    wd.write("data/D.SAO", "");
    wd.write("data/sub/F.SAO", "record\n");
    wd.write("data/.hidden", "record\n");
    wd.write("data/E.TXT", "record\n");
    wd.write("data/lower.sao", "record\n");
    wd.write("data/A.TXT", "record\n");
    const ListCase cases[] = {
        {"data/*.*", "A.SAO\nA.TXT\nE.TXT\nlower.sao\n"},
        {"data/*", "A.SAO\nA.TXT\nE.TXT\nlower.sao\n"},
        {"data/*.", "A.SAO\nA.TXT\nE.TXT\nlower.sao\n"},
        {"data/*.SAO", "A.SAO\n"},
        {"data/*.sao", "lower.sao\n"},
        {"data/A.*", "A.SAO\nA.TXT\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pattern);
        ASSERT_TRUE(run(std::string("text 1000 ") + c.pattern + "\nclick 1\n"));
        EXPECT_EQ(INNAME, c.pattern);
        EXPECT_EQ(wd.read(FILELST.name), c.list);
    }
    // A search that finds nothing removes the list.
    const std::string last = FILELST.name;
    EXPECT_FALSE(run("text 1000 data/*.XYZ\nclick 1\nexpect 5\n"));
    EXPECT_TRUE(FILELST.name.empty());
    EXPECT_FALSE(wd.exists(last));
    // The list never names itself, nor the list of another run here.
    wd.write("FILELIST.TMP.4711-abcdef", "A.SAO\n");
    ASSERT_TRUE(run("text 1000 *.*\nclick 1\n"));
    EXPECT_EQ(wd.read(FILELST.name), "A.DAT\nA.SAO\n");
}

// The list is a new file of this run: a "FILELIST.TMP" that is there (here
// a link to a user's file) is never written through, each search makes a
// list of its own and removes the one before, refused entries leave none,
// and names with blanks at the end or a line end inside come back as
// themselves.
TEST_F(SpecDialogTest, FileListIsTheRunsOwnAndKeepsEveryName) {
    wd.write("data/A.SAO", "record\n");
    wd.write("data/B C  ", "record\n");
    wd.write("data/D\nE.SAO", "record\n");
    wd.write("data/back\\n", "record\n");
    wd.write("victim", "keep me\n");
    std::filesystem::create_symlink("victim", wd.path() / "FILELIST.TMP");
    ASSERT_TRUE(run("text 1000 data/*.*\nclick 1\n"));
    const std::string first = FILELST.name;
    EXPECT_EQ(first.rfind("FILELIST.TMP.", 0), 0u) << first;
    EXPECT_EQ(wd.read("victim"), "keep me\n");
    EXPECT_TRUE(std::filesystem::is_symlink(wd.path() / "FILELIST.TMP"));
    EXPECT_EQ(wd.read(first), "A.SAO\nB C  \nD\\nE.SAO\nback\\\\n\n");

    ASSERT_TRUE(run("text 1000 data/*.SAO\nclick 1\n"));
    EXPECT_NE(FILELST.name, first);
    EXPECT_FALSE(wd.exists(first)) << "the earlier list of the run is removed";
    const std::string second = FILELST.name;
    EXPECT_FALSE(run("text 1000 data/*.*\ntext 1022 missing/X.421\nclick 1\nexpect 21\n"));
    EXPECT_TRUE(FILELST.name.empty());
    EXPECT_FALSE(wd.exists(second));
    int lists = 0;
    for (const auto& e : std::filesystem::directory_iterator(wd.path()))
        lists += e.path().filename().string().rfind("FILELIST.TMP.", 0) == 0 ? 1 : 0;
    EXPECT_EQ(lists, 0);

    const char* names[] = {"plain.SAO", "tail  ", "line\nend", "cr\rlf", "back\\slash", "end\\", "\\n"};
    for (const char* name : names) {
        const std::string line = filelist_line(name);
        EXPECT_EQ(line.find('\n'), std::string::npos) << name;
        EXPECT_EQ(filelist_name(line), name) << line;
    }
}

TEST_F(SpecDialogTest, CoverShowsTitleAndVersion) {
    GRAPHMODE();
    script("text 1000 A.SAO\nclick 1\n");
    COVER("VS.04.30", CONV, PROG, ISTD, INNAME, OUTNAME, HSTEP, ERRMAX);
    EXPECT_EQ(INNAME, "A.SAO");
    const platform::gfx::Page& page = platform::gfx::page();
    bool title = false, version = false;
    for (const auto& op : page.ops) {
        if (op.kind != platform::gfx::OpKind::text) continue;
        title = title || page.text(op) == "KOLM";
        version = version || page.text(op) == "VERSION 4.30";
    }
    EXPECT_TRUE(title);
    EXPECT_TRUE(version);
    EXPECT_EQ(page.ops.front().kind, platform::gfx::OpKind::filled_rectangle);
    EXPECT_EQ(page.ops.front().x2, PLOTWN.P(1));
}

}  // namespace
}  // namespace kolm::ui
