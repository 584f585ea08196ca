// Units on text files: line ends, buffering, write errors, stop handling.
#include <gtest/gtest.h>

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <vector>

#include "platform/console.h"
#include "platform/temporaries.h"
#include "platform/text_units.h"
#include "support/slurp.h"

namespace kolm::platform {
namespace {

using kolm::testing::slurp;

namespace fs = std::filesystem;

class TextUnits : public ::testing::Test {
protected:
    void SetUp() override {
        std::string tmpl = (fs::temp_directory_path() / "kolm_units_XXXXXX").string();
        dir_ = mkdtemp(tmpl.data());
    }
    void TearDown() override {
        close_all_units();
        fs::remove_all(dir_);
    }
    std::string file(const char* name, const std::string& content = {}) const {
        std::string p = (fs::path(dir_) / name).string();
        if (!content.empty()) std::ofstream(p, std::ios::binary) << content;
        return p;
    }
    std::string dir_;
};

TEST_F(TextUnits, ReadsLfCrlfMixedAndAnUnterminatedLastLine) {
    ASSERT_EQ(open_unit(1, file("in.txt", "one\r\ntwo\n\r\nlast"), UnitMode::read), 0);
    std::string_view line;
    const char* expect[] = {"one", "two", "", "last"};
    for (const char* e : expect) {
        ASSERT_EQ(read_line(1, line), IoStat::ok);
        EXPECT_EQ(line, e);
    }
    EXPECT_EQ(read_line(1, line), IoStat::end);
    EXPECT_EQ(read_line(1, line), IoStat::end);
    ASSERT_EQ(rewind_unit(1), IoStat::ok);
    ASSERT_EQ(read_line(1, line), IoStat::ok);
    EXPECT_EQ(line, "one");
    EXPECT_EQ(close_unit(1), IoStat::ok);
    EXPECT_EQ(read_line(1, line), IoStat::err);  // closed
}

TEST_F(TextUnits, LinesAcrossTheBufferEdgeAndOverlongLines) {
    // Lines of up to MAX_LINE characters read whole, also across the edge of
    // the input buffer; a longer one is ERR and passed over, once counted, and
    // the line after it reads. Output lines have no bound.
    const std::string longest(MAX_LINE, 'x');
    const std::string over(MAX_LINE + 1, 'y');
    const std::string big(200000, 'z');
    std::string content;
    for (int i = 0; i < 3000; ++i) content += std::to_string(i) + "\n";
    content += longest + "\r\n" + over + "\n" + big + "\r\nend\n" + longest + "\n" + over;
    ASSERT_EQ(open_unit(2, file("big.txt", content), UnitMode::read), 0);
    std::string_view line;
    for (int i = 0; i < 3000; ++i) {
        ASSERT_EQ(read_line(2, line), IoStat::ok);
        ASSERT_EQ(line, std::to_string(i));
    }
    ASSERT_EQ(read_line(2, line), IoStat::ok);
    EXPECT_EQ(line, longest);
    EXPECT_EQ(long_lines(2), 0u);
    EXPECT_EQ(read_line(2, line), IoStat::err);  // one character too many
    EXPECT_EQ(read_line(2, line), IoStat::err);  // far longer than the buffer
    EXPECT_EQ(long_lines(2), 2u);
    ASSERT_EQ(read_line(2, line), IoStat::ok);
    EXPECT_EQ(line, "end");
    ASSERT_EQ(read_line(2, line), IoStat::ok);
    EXPECT_EQ(line, longest);
    EXPECT_EQ(read_line(2, line), IoStat::err);  // the last line, without terminator
    EXPECT_EQ(read_line(2, line), IoStat::end);
    EXPECT_EQ(long_lines(2), 3u);

    std::string out = file("big_out.txt");
    ASSERT_EQ(open_unit(3, out, UnitMode::write), 0);
    EXPECT_EQ(write_line(3, "a"), IoStat::ok);
    EXPECT_EQ(write_line(3, big), IoStat::ok);
    EXPECT_EQ(write_line(3, "b"), IoStat::ok);
    EXPECT_EQ(close_unit(3), IoStat::ok);
    EXPECT_EQ(slurp(out), "a\n" + big + "\nb\n");
}

// Peak resident memory of the process in kB.
long peak_kb() {
    struct rusage ru;
    getrusage(RUSAGE_SELF, &ru);
    return ru.ru_maxrss;
}

TEST_F(TextUnits, InputWithoutLineEndsCostsBoundedMemoryAndTime) {
    // A file of 40 MB without a line end: ERR once, then the input ends
    // after MAX_LINE_SKIP bytes; no line is kept in memory. (A device that
    // never ends a line is no regular file and is refused at the open.)
    const std::string p = file("noline.txt");
    {
        std::ofstream f(p, std::ios::binary);
        const std::string chunk(1 << 20, 'a');
        for (int i = 0; i < 40; ++i) f << chunk;
    }
    const long before = peak_kb();
    const auto start = std::chrono::steady_clock::now();
    std::string_view line;
    ASSERT_EQ(open_unit(4, p, UnitMode::read), 0);
    EXPECT_EQ(read_line(4, line), IoStat::err);
    EXPECT_EQ(read_line(4, line), IoStat::end);
    EXPECT_EQ(long_lines(4), 1u);
    EXPECT_EQ(close_unit(4), IoStat::ok);
    if (fs::exists("/dev/zero")) {
        EXPECT_EQ(open_unit(4, "/dev/zero", UnitMode::read), NOT_REGULAR_FILE);
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
    EXPECT_LT(peak_kb() - before, 8 * 1024) << "kB more at the peak";

    // A line that ends after the first megabytes is passed over.
    const std::string q = file("late.txt", std::string(5 << 20, 'b') + "\nafter\n");
    ASSERT_EQ(open_unit(4, q, UnitMode::read), 0);
    EXPECT_EQ(read_line(4, line), IoStat::err);
    ASSERT_EQ(read_line(4, line), IoStat::ok);
    EXPECT_EQ(line, "after");
    // Rewinding reads the file again from its start.
    ASSERT_EQ(rewind_unit(4), IoStat::ok);
    EXPECT_EQ(read_line(4, line), IoStat::err);
    EXPECT_EQ(long_lines(4), 2u);
}

TEST_F(TextUnits, WriteEmptiesAppendContinuesRemoveDeletes) {
    std::string p = file("o.txt", "old contents\n");
    ASSERT_EQ(open_unit(3, p, UnitMode::write), 0);
    EXPECT_EQ(write_line(3, "new"), IoStat::ok);
    EXPECT_EQ(close_unit(3), IoStat::ok);
    EXPECT_EQ(slurp(p), "new\n");
    ASSERT_EQ(open_unit(3, p, UnitMode::append), 0);
    EXPECT_EQ(write_line(3, "more"), IoStat::ok);
    EXPECT_EQ(close_unit(3), IoStat::ok);
    EXPECT_EQ(slurp(p), "new\nmore\n");
    ASSERT_EQ(open_unit(3, p, UnitMode::append), 0);
    EXPECT_EQ(close_unit(3, CloseMode::remove), IoStat::ok);
    EXPECT_FALSE(fs::exists(p));
    EXPECT_EQ(close_unit(3), IoStat::ok);  // not open: nothing happens
}

TEST_F(TextUnits, CreateNeverOpensAnExistingName) {
    const std::string kept = file("kept.txt", "the user's\n");
    EXPECT_EQ(open_unit(3, kept, UnitMode::create), EEXIST);
    EXPECT_EQ(slurp(kept), "the user's\n");
    const std::string link = file("link");
    fs::create_symlink(file("nowhere"), link);
    EXPECT_EQ(open_unit(3, link, UnitMode::create), EEXIST) << "not even through a link to nothing";
    EXPECT_FALSE(fs::exists(file("nowhere")));
    const std::string fresh = file("new.txt");
    ASSERT_EQ(open_unit(3, fresh, UnitMode::create), 0);
    EXPECT_EQ(write_line(3, "made"), IoStat::ok);
    EXPECT_EQ(close_unit(3), IoStat::ok);
    EXPECT_EQ(slurp(fresh), "made\n");
}

TEST_F(TextUnits, OpenFailuresAndWrongDirections) {
    EXPECT_NE(open_unit(1, file("missing.txt"), UnitMode::read), 0);
    EXPECT_FALSE(unit_is_open(1));
    EXPECT_NE(open_unit(MAX_UNIT + 1, file("x.txt"), UnitMode::write), 0);
    EXPECT_NE(open_unit(-1, file("x.txt"), UnitMode::write), 0);
    EXPECT_NE(open_unit(4, "", UnitMode::write), 0);
    ASSERT_EQ(open_unit(1, file("r.txt", "x\n"), UnitMode::read), 0);
    EXPECT_EQ(write_line(1, "no"), IoStat::err);  // opened for reading
    EXPECT_EQ(write_line(9, "no"), IoStat::err);  // not open
    ASSERT_EQ(open_unit(3, file("w.txt"), UnitMode::write), 0);
    std::string_view line;
    EXPECT_EQ(read_line(3, line), IoStat::err);  // opened for writing
}

TEST_F(TextUnits, DiskFullIsReportedAndSticks) {
    if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
    ASSERT_EQ(open_unit(3, "/dev/full", UnitMode::write), 0);
    // The first lines sit in the buffer; the failure shows at the latest on flush.
    EXPECT_EQ(write_line(3, "record"), IoStat::ok);
    EXPECT_EQ(flush_unit(3), IoStat::err);
    EXPECT_EQ(write_line(3, "next"), IoStat::err);
    EXPECT_EQ(close_unit(3), IoStat::err);
    // A long stream fails during writing already.
    ASSERT_EQ(open_unit(3, "/dev/full", UnitMode::write), 0);
    std::string line(100, 'x');
    IoStat st = IoStat::ok;
    for (int i = 0; i < 2000 && st == IoStat::ok; ++i) st = write_line(3, line);
    EXPECT_EQ(st, IoStat::err);
    close_unit(3);
}

TEST_F(TextUnits, StopFlushesAndKeepsOpenOutput) {
    std::string p = file("kept.txt");
    EXPECT_EXIT(
        {
            open_unit(3, p, UnitMode::write);
            write_line(3, "written before the stop");
            stop_program("stopping");
        },
        ::testing::ExitedWithCode(1), "");
    EXPECT_EQ(slurp(p), "written before the stop\n");
}

// Names in the folder, hidden ones included.
std::vector<std::string> names_in(const std::string& dir) {
    std::vector<std::string> n;
    for (const auto& e : fs::directory_iterator(dir)) n.push_back(e.path().filename().string());
    std::sort(n.begin(), n.end());
    return n;
}

// A staged output is a hidden file beside its name until it is kept; then
// it takes the name (replacing a file only when told to), removed or
// failed it leaves nothing, and an existing file under the name stays.
TEST_F(TextUnits, StagedOutputTakesItsNameOnlyWhenKept) {
    struct Case {
        const char* what;
        bool existing, replace;
        CloseMode close;
        IoStat status;
        const char* content;  // of the name afterwards ("" none)
    };
    const Case cases[] = {
        {"new, kept", false, false, CloseMode::keep, IoStat::ok, "record\n"},
        {"new, removed", false, false, CloseMode::remove, IoStat::ok, ""},
        {"existing, replaced", true, true, CloseMode::keep, IoStat::ok, "record\n"},
        {"existing, removed", true, true, CloseMode::remove, IoStat::ok, "old\n"},
        {"appeared meanwhile, not to be replaced", true, false, CloseMode::keep, IoStat::err, "old\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string target = file("out.SAO");
        fs::remove(target);
        ASSERT_EQ(open_unit_staged(3, target, c.replace), 0);
        if (c.existing) std::ofstream(target) << "old\n";
        const std::vector<std::string> during = names_in(dir_);
        ASSERT_EQ(during.size(), c.existing ? 2u : 1u);
        EXPECT_EQ(during.front().rfind(".out.SAO.kolm.", 0), 0u) << during.front();
        EXPECT_EQ(write_line(3, "record"), IoStat::ok);
        EXPECT_EQ(close_unit(3, c.close), c.status);
        EXPECT_EQ(names_in(dir_), *c.content ? std::vector<std::string>{"out.SAO"} : std::vector<std::string>{});
        if (*c.content) {
            EXPECT_EQ(slurp(target), c.content);
        }
    }
    // A stop removes a staged output and keeps a plain one.
    fs::remove(file("out.SAO"));
    const std::string plain = file("plain.txt"), staged = file("staged.txt");
    EXPECT_EXIT(
        {
            open_unit(4, plain, UnitMode::write);
            write_line(4, "kept");
            open_unit_staged(3, staged, false);
            write_line(3, "never under its name");
            stop_program("stopping");
        },
        ::testing::ExitedWithCode(1), "");
    EXPECT_EQ(names_in(dir_), std::vector<std::string>{"plain.txt"});
}

// Input comes from regular files only: a FIFO without a writer and a device
// are refused at once instead of blocking or reading for ever.
TEST_F(TextUnits, InputIsARegularFile) {
    const std::string fifo = file("pipe");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    fs::create_directories(dir_ + "/dir");
    for (const std::string& p : {fifo, std::string("/dev/zero"), dir_ + "/dir"}) {
        EXPECT_EQ(open_unit(1, p, UnitMode::read), NOT_REGULAR_FILE) << p;
        EXPECT_FALSE(unit_is_open(1));
    }
    EXPECT_EQ(open_error_text(NOT_REGULAR_FILE), "NOT A REGULAR FILE");
    ASSERT_EQ(open_unit(1, file("r.txt", "a\nb\nc\n"), UnitMode::read), 0);
    std::string_view line;
    EXPECT_EQ(read_line(1, line), IoStat::ok);
    EXPECT_EQ(read_line(1, line), IoStat::ok);
    EXPECT_EQ(lines_read(1), 2);
    rewind_unit(1);
    EXPECT_EQ(lines_read(1), 0);
}

// A new file of its own never opens what is there: a link by its stem
// stays as it was, and two calls give two files.
TEST_F(TextUnits, NewFileIsCreatedExclusively) {
    const std::string victim = file("victim", "keep\n");
    const std::string stem = dir_ + "/LIST";
    fs::create_symlink(victim, stem);
    std::string a, b;
    ASSERT_EQ(open_unit_new(2, stem, a), 0);
    ASSERT_EQ(open_unit_new(3, stem, b), 0);
    EXPECT_NE(a, b);
    EXPECT_EQ(a.rfind(stem + ".", 0), 0u) << a;
    write_line(2, "list");
    close_unit(2);
    close_unit(3);
    EXPECT_EQ(slurp(victim), "keep\n");
    EXPECT_EQ(slurp(a), "list\n");
}

// SIGTERM and SIGINT remove the files tracked, then end the program by the
// signal; files no longer tracked stay.
TEST_F(TextUnits, InterruptRemovesTheTrackedFiles) {
    for (const int sig : {SIGTERM, SIGINT}) {
        const std::string gone = file("gone.tmp", "x"), kept = file("kept.txt", "x");
        EXPECT_EXIT(
            {
                remove_temporaries_on_interrupt();
                track_temporary(gone);
                forget_temporary(track_temporary(kept));
                ::raise(sig);
            },
            ::testing::KilledBySignal(sig), "");
        EXPECT_FALSE(fs::exists(gone));
        EXPECT_TRUE(fs::exists(kept));
    }
}

}  // namespace
}  // namespace kolm::platform
