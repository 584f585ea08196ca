// The kolm program as a script runs it: no file of the user's is ever lost
// (every file that was there is compared, byte for byte, before and after
// each run), and every failure shows in the exit status, on standard error
// and in the summary lines on standard output.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <csignal>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/text_units.h"
#include "sao/sao_record.h"
#include "support/kolm_process.h"
#include "support/run_fixture.h"
#include "support/work_dir.h"

namespace kolm {
namespace {

namespace fs = std::filesystem;
using kolm::testing::ProgramRun;
using kolm::testing::read_all;
using kolm::testing::Records;
using kolm::testing::sample;

constexpr int32_t TESTUNIT = 41;

// Every name under a folder with what it is: a file's bytes, a link's
// target, a FIFO, a folder.
using Snapshot = std::map<std::string, std::string>;

Snapshot snapshot(const fs::path& root) {
    Snapshot s;
    for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator(); ++it) {
        const fs::path& p = it->path();
        const std::string name = p.lexically_relative(root).string();
        const fs::file_status st = fs::symlink_status(p);
        if (fs::is_symlink(st)) s[name] = "link to " + fs::read_symlink(p).string();
        else if (fs::is_directory(st)) s[name] = "folder";
        else if (fs::is_fifo(st)) s[name] = "fifo";
        else {
            std::ifstream in(p, std::ios::binary);
            s[name] = std::string(std::istreambuf_iterator<char>(in), {});
        }
    }
    return s;
}

// Names a run leaves only when it did not clean up after itself.
bool leftover(const std::string& name) {
    const std::string base = fs::path(name).filename().string();
    return base.rfind("FILELIST.TMP", 0) == 0 || base.find(".kolm") != std::string::npos;
}

class Program : public ::testing::Test {
public:
    void SetUp() override {
        reset_run_state();
        wd.copy_models();
        Records s = read_all(sample("BC840_2009336000005.SAO"));
        ASSERT_EQ(s.size(), 1u);
        good = std::move(s.front());
        ASSERT_TRUE(fs::exists(kolm::testing::kolm_binary())) << kolm::testing::kolm_binary();
    }

    // n copies of the sample record (told apart by a digit of the day),
    // the i-th changed by edit(i, record).
    void sao(const std::string& name, int n, const std::function<void(int, SaoRecord&)>& edit = {}) const {
        fs::create_directories((wd.path() / name).parent_path());
        ASSERT_EQ(platform::open_unit(TESTUNIT, wd.at(name), platform::UnitMode::write), 0);
        for (int i = 1; i <= n; ++i) {
            auto r = std::make_unique<SaoRecord>(*good);
            r->G3(12) = char('0' + i % 10);
            if (edit) edit(i, *r);
            ASSERT_EQ(WRITSAO(TESTUNIT, *r), platform::IoStat::ok);
        }
        ASSERT_EQ(platform::close_unit(TESTUNIT), platform::IoStat::ok);
    }
    std::size_t records(const std::string& name) const { return read_all(wd.at(name)).size(); }

    ProgramRun kolm(std::vector<std::string> args, std::chrono::milliseconds timeout = std::chrono::seconds(60),
                    const std::function<bool()>& watch = {}, int sig = 0) const {
        args.insert(args.begin(), kolm::testing::kolm_binary());
        return kolm::testing::run_in(wd.path(), args, timeout, watch, sig);
    }

    kolm::testing::TempDir wd;
    std::unique_ptr<SaoRecord> good;
};

// What each case leaves: the files that may change or appear (everything
// else that was there must be as it was, and nothing left behind that looks
// like a temporary), the exit status, a text on standard error.
struct SafetyCase {
    const char* what;
    std::function<void(Program&)> setup;
    std::vector<std::string> args;
    int status;
    std::vector<std::string> may_change;
    const char* says;
    std::function<void(Program&)> check;
};

void hard_link(const Program& p, const char* target, const char* name) {
    fs::create_hard_link(p.wd.path() / target, p.wd.path() / name);
}

TEST_F(Program, NoFileOfTheUsersIsEverLost) {
    const std::string bad = "not an SAO record\n";
    const SafetyCase cases[] = {
        {"an output that is a later input of the wildcard list",
         [](Program& p) {
             p.sao("d/A", 1);
             p.sao("d/A.SAO", 2);
         },
         {"--input", "d/*.*", "--output", "d/*.SAO"}, 7, {"d/A.SAO.SAO"},
         "OUTPUT d/A.SAO IS AN INPUT FILE OF THIS RUN: d/A SKIPPED",
         [](Program& p) { EXPECT_EQ(p.records("d/A.SAO.SAO"), 2u); }},
        {"the same, spelt with ./",
         [](Program& p) {
             p.sao("d/A", 1);
             p.sao("d/A.SAO", 2);
         },
         {"--input", "d/*.*", "--output", "./d/*.SAO"}, 7, {"d/A.SAO.SAO"}, "IS AN INPUT FILE OF THIS RUN", {}},
        {"an output that is a link to an earlier input",
         [](Program& p) {
             p.sao("d/A.SAO", 1);
             p.sao("d/B.SAO", 2);
             fs::create_directories(p.wd.path() / "o");
             fs::create_symlink("../d/A.SAO", p.wd.path() / "o/B.SAO.421");
         },
         {"--input", "d/*.*", "--output", "o/*.421"}, 7, {"o/A.SAO.421"},
         "OUTPUT o/B.SAO.421 IS AN INPUT FILE OF THIS RUN", {}},
        {"an output that is a hard link to an earlier input",
         [](Program& p) {
             p.sao("d/A.SAO", 1);
             p.sao("d/B.SAO", 2);
             fs::create_directories(p.wd.path() / "o");
             hard_link(p, "d/A.SAO", "o/B.SAO.421");
         },
         {"--input", "d/*.*", "--output", "o/*.421"}, 7, {"o/A.SAO.421"},
         "OUTPUT o/B.SAO.421 IS AN INPUT FILE OF THIS RUN", {}},
        {"an existing output, headless, nothing said",
         [](Program& p) {
             p.sao("in.SAO", 1);
             p.wd.write("keep.txt", "the user's file\n");
         },
         {"--input", "in.SAO", "--output", "keep.txt"}, 6, {}, "THE OUTPUT FILE keep.txt EXISTS AND IS KEPT", {}},
        {"an existing output and an input without records",
         [&](Program& p) {
             p.wd.write("sub/bad.SAO", bad);
             p.wd.write("keep.txt", "the user's file\n");
         },
         {"--input", "sub/bad.SAO", "--output", "sub/../keep.txt"}, 6, {}, "EXISTS AND IS KEPT", {}},
        {"--overwrite and an input without records: the existing output stays",
         [&](Program& p) {
             p.wd.write("bad.SAO", bad);
             p.wd.write("keep.txt", "the user's file\n");
         },
         {"--overwrite", "--input", "bad.SAO", "--output", "keep.txt"}, 6, {}, "ARE NOT A RECORD", {}},
        {"--overwrite and a good input: the output is replaced",
         [](Program& p) {
             p.sao("in.SAO", 3);
             p.wd.write("keep.txt", "the user's file\n");
         },
         {"--overwrite", "--input", "in.SAO", "--output", "keep.txt"}, 0, {"keep.txt"}, "",
         [](Program& p) { EXPECT_EQ(p.records("keep.txt"), 3u); }},
        {"an output that is a link to a device",
         [&](Program& p) {
             p.wd.write("bad.SAO", bad);
             fs::create_symlink("/dev/null", p.wd.path() / "dev.out");
         },
         {"--input", "bad.SAO", "--output", "dev.out"}, 6, {}, "CANNOT BE OPENED (IT IS NOT A REGULAR FILE)", {}},
        {"an output that is a FIFO",
         [](Program& p) {
             p.sao("in.SAO", 1);
             ASSERT_EQ(::mkfifo(p.wd.at("out.fifo").c_str(), 0600), 0);
         },
         {"--input", "in.SAO", "--output", "out.fifo"}, 6, {}, "IT IS NOT A REGULAR FILE", {}},
        {"an input that is a FIFO",
         [](Program& p) { ASSERT_EQ(::mkfifo(p.wd.at("in.fifo").c_str(), 0600), 0); },
         {"--input", "in.fifo", "--output", "out.SAO"}, 6, {},
         "THE INPUT FILE CANNOT BE OPENED (NOT A REGULAR FILE): in.fifo SKIPPED", {}},
        {"an input that is a device", [](Program&) {}, {"--input", "/dev/null", "--output", "NONE"}, 6, {},
         "(NOT A REGULAR FILE): /dev/null SKIPPED", {}},
        {"a file list name that is a link to a user's file",
         [](Program& p) {
             p.sao("d/A.SAO", 1);
             p.wd.write("notes.txt", "the user's notes\n");
             fs::create_symlink("notes.txt", p.wd.path() / "FILELIST.TMP");
         },
         {"--input", "d/*.*", "--output", "o/*.421"}, 0, {"o", "o/A.SAO.421"}, "",
         [](Program& p) { EXPECT_EQ(p.records("o/A.SAO.421"), 1u); }},
        {"the file list of another run in the same folder",
         [](Program& p) {
             p.sao("d/A.SAO", 1);
             p.wd.write("FILELIST.TMP", "OTHER.SAO\n");
         },
         {"--input", "d/*.*", "--output", "NONE"}, 0, {}, "", {}},
        {"names with blanks at the end and a line end inside",
         [](Program& p) {
             p.sao("d/A.SAO ", 2);
             p.sao("d/A.SAO", 1);
             p.sao("d/B\nC.SAO", 3);
             p.sao("d/C.SAO", 4);
         },
         {"--input", "d/*.*", "--output", "o/*.421"}, 0,
         {"o", "o/A.SAO .421", "o/A.SAO.421", "o/B\nC.SAO.421", "o/C.SAO.421"}, "",
         [](Program& p) {
             EXPECT_EQ(p.records("o/A.SAO .421"), 2u);
             EXPECT_EQ(p.records("o/A.SAO.421"), 1u);
             EXPECT_EQ(p.records("o/B\nC.SAO.421"), 3u);
             EXPECT_EQ(p.records("o/C.SAO.421"), 4u);
         }},
    };
    for (const SafetyCase& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(wd.path() / "d");
        fs::remove_all(wd.path() / "o");
        fs::remove_all(wd.path() / "sub");
        for (const char* f : {"in.SAO", "bad.SAO", "keep.txt", "dev.out", "out.fifo", "in.fifo", "out.SAO",
                              "notes.txt", "FILELIST.TMP"})
            fs::remove(wd.path() / f);
        fs::create_directories(wd.path() / "o");
        c.setup(*this);
        const Snapshot before = snapshot(wd.path());
        const ProgramRun r = kolm(c.args, std::chrono::seconds(30));
        ASSERT_TRUE(r.started);
        EXPECT_FALSE(r.timed_out) << "the run never ended";
        EXPECT_EQ(r.exit_code, c.status) << r.err;
        EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
        const Snapshot after = snapshot(wd.path());
        for (const auto& [name, what] : before) {
            if (std::find(c.may_change.begin(), c.may_change.end(), name) != c.may_change.end()) continue;
            const auto now = after.find(name);
            if (now == after.end()) {
                ADD_FAILURE() << name << " was removed";
                continue;
            }
            EXPECT_TRUE(now->second == what) << name << " was changed";
        }
        for (const auto& [name, what] : after) {
            EXPECT_FALSE(leftover(name) && !before.count(name)) << name << " left behind";
            if (!before.count(name)) {
                EXPECT_NE(std::find(c.may_change.begin(), c.may_change.end(), name), c.may_change.end())
                    << name << " made";
            }
        }
        if (c.check) c.check(*this);
    }
}

// Stopped by a signal, or by a fatal error: the outputs of the files done
// are there, the file in progress leaves nothing, and neither does the file
// list.
TEST_F(Program, StoppedRunsLeaveNothingThatLooksComplete) {
    sao("d/a.SAO", 2);
    sao("d/big.SAO", 3000);
    const Snapshot before = snapshot(wd.path());
    for (const int sig : {SIGTERM, SIGINT}) {
        SCOPED_TRACE(sig);
        fs::remove_all(wd.path() / "o");
        fs::create_directories(wd.path() / "o");
        // Once the big file's output is begun.
        const auto begun = [&] {
            for (const auto& e : fs::directory_iterator(wd.path() / "o"))
                if (e.path().filename().string().find("big") != std::string::npos) return true;
            return false;
        };
        const ProgramRun r = kolm({"--input", "d/*.*", "--output", "o/*.421"}, std::chrono::seconds(120), begun, sig);
        EXPECT_EQ(r.signal, sig) << "exit " << r.exit_code << "\n" << r.err;
        std::vector<std::string> left;
        for (const auto& e : fs::directory_iterator(wd.path() / "o")) left.push_back(e.path().filename().string());
        EXPECT_EQ(left, std::vector<std::string>{"a.SAO.421"});
        EXPECT_EQ(records("o/a.SAO.421"), 2u);
        Snapshot after = snapshot(wd.path());
        for (const char* made : {"o", "o/a.SAO.421"}) after.erase(made);
        EXPECT_TRUE(after == before) << "an input changed or a file was left";
    }
    // A stop of the program: no model files to predict with.
    for (const auto& e : fs::directory_iterator(wd.path()))
        if (e.is_regular_file()) fs::remove(e.path());
    fs::remove_all(wd.path() / "o");
    fs::create_directories(wd.path() / "o");
    const ProgramRun r = kolm({"--input", "d/*.*", "--output", "o/*.421"});
    EXPECT_EQ(r.exit_code, 1) << r.err;
    EXPECT_NE(r.err.find("DOES NOT EXIST"), std::string::npos) << r.err;
    EXPECT_TRUE(fs::is_empty(wd.path() / "o"));
    for (const auto& e : fs::directory_iterator(wd.path())) EXPECT_FALSE(leftover(e.path().string())) << e.path();
}

void hour_25_at_2(int i, SaoRecord& r) {
    if (i == 2) std::memcpy(r.G3.data() + 24, "25", 2);
}

// Exit statuses, the summary lines on standard output and the reasons on
// standard error, from the program itself.
TEST_F(Program, ExitStatusSummaryAndReasons) {
    struct Case {
        const char* what;
        std::function<void(Program&)> setup;
        std::vector<std::string> args;
        int status;
        std::vector<std::string> summary;  // standard output, line by line
        const char* says;                  // on standard error ("" nothing asked)
    };
    const Case cases[] = {
        {"every record written", [](Program& p) { p.sao("in.SAO", 3); },
         {"--input", "in.SAO", "--output", "out.SAO"}, 0,
         {"SUMMARY OF in.SAO: 3 RECORDS READ, 3 WRITTEN TO out.SAO, 0 SKIPPED; BY STATUS 2: 3"}, ""},
        {"no output", [](Program& p) { p.sao("in.SAO", 2); }, {"--input", "in.SAO"}, 0,
         {"SUMMARY OF in.SAO: 2 RECORDS READ, 0 WRITTEN, 0 SKIPPED; BY STATUS 2: 2"}, ""},
        {"the entries refused, then EXIT", [](Program&) {}, {"--input", "missing.SAO"}, 5, {},
         "MESSAGE 5: ERROR: THE INPUT FILE SPECIFIED NOT FOUND"},
        {"no record processed", [](Program& p) { p.wd.write("bad.SAO", "not an SAO record\n"); },
         {"--input", "bad.SAO", "--output", "out.SAO"}, 6,
         {"SUMMARY OF bad.SAO: 0 RECORDS READ, 0 WRITTEN, 1 SKIPPED"},
         "THE LAST 1 LINES OF bad.SAO ARE NOT A RECORD: PASSED OVER"},
        {"a record that ends its file", [](Program& p) { p.sao("in.SAO", 4, hour_25_at_2); },
         {"--input", "in.SAO", "--output", "out.SAO"}, 7,
         {"SUMMARY OF in.SAO: 2 RECORDS READ, 1 WRITTEN TO out.SAO, 1 SKIPPED; BY STATUS 2: 1; THE REST OF THE "
          "FILE NOT READ"},
         "RECORD 2 OF in.SAO IS REJECTED: THE DAY, HOUR, MINUTE OR SECOND IS OUT OF RANGE (DAY 336 25:0:5): THE "
         "REST OF in.SAO IS NOT READ"},
        {"a truncated last record",
         [](Program& p) {
             p.sao("in.SAO", 2);
             std::string text = p.wd.read("in.SAO");
             text.resize(text.size() - 300);
             p.wd.write("in.SAO", text);
         },
         {"--input", "in.SAO", "--output", "out.SAO"}, 7,
         {"SUMMARY OF in.SAO: 2 RECORDS READ, 1 WRITTEN TO out.SAO, 1 SKIPPED; BY STATUS 2: 1"},
         "RECORD 2 OF in.SAO IS CUT SHORT: THE FILE ENDS INSIDE GROUP"},
        {"blank lines between records, named once",
         [](Program& p) {
             p.sao("a.SAO", 1);
             p.sao("b.SAO", 1);
             p.wd.write("in.SAO", p.wd.read("a.SAO") + "\n\n\n\n\n\n" + p.wd.read("b.SAO"));
         },
         {"--input", "in.SAO", "--output", "out.SAO"}, 0,
         {"SUMMARY OF in.SAO: 2 RECORDS READ, 2 WRITTEN TO out.SAO, 0 SKIPPED; BY STATUS 2: 2"},
         "6 BLANK LINES OF in.SAO AFTER RECORD 1 ARE PASSED OVER"},
        {"one blank line at the end",
         [](Program& p) {
             p.sao("a.SAO", 1);
             p.wd.write("in.SAO", p.wd.read("a.SAO") + "\n");
         },
         {"--input", "in.SAO", "--output", "out.SAO"}, 0,
         {"SUMMARY OF in.SAO: 1 RECORDS READ, 1 WRITTEN TO out.SAO, 0 SKIPPED; BY STATUS 2: 1"},
         "1 BLANK LINES OF in.SAO AFTER RECORD 1 ARE PASSED OVER"},
        {"an index cut short at the end",
         [](Program& p) {
             p.sao("a.SAO", 1);
             const std::string a = p.wd.read("a.SAO");
             p.wd.write("in.SAO", a + a.substr(0, a.find('\n') + 1));
         },
         {"--input", "in.SAO", "--output", "out.SAO"}, 7,
         {"SUMMARY OF in.SAO: 2 RECORDS READ, 1 WRITTEN TO out.SAO, 1 SKIPPED; BY STATUS 2: 1"},
         "RECORD 2 OF in.SAO IS CUT SHORT: THE FILE ENDS INSIDE ITS INDEX"},
        {"files skipped in a wildcard run",
         [](Program& p) {
             p.sao("d/A.SAO", 1);
             p.wd.write("d/B.SAO", "not an SAO record\n");
             p.sao("d/C.SAO", 2);
             p.wd.write("o/C.SAO.421", "kept\n");
         },
         {"--input", "d/*.*", "--output", "o/*.421"}, 7,
         {"SUMMARY OF d/A.SAO: 1 RECORDS READ, 1 WRITTEN TO o/A.SAO.421, 0 SKIPPED; BY STATUS 2: 1",
          "SUMMARY OF d/B.SAO: 0 RECORDS READ, 0 WRITTEN, 1 SKIPPED",
          "SUMMARY OF d/C.SAO: 0 RECORDS READ, 0 WRITTEN, 0 SKIPPED; FILE SKIPPED"},
         "THE OUTPUT FILE o/C.SAO.421 EXISTS AND IS KEPT: d/C.SAO SKIPPED"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        for (const char* f : {"in.SAO", "out.SAO", "bad.SAO", "a.SAO", "b.SAO"}) fs::remove(wd.path() / f);
        fs::remove_all(wd.path() / "d");
        fs::remove_all(wd.path() / "o");
        fs::create_directories(wd.path() / "o");
        c.setup(*this);
        const ProgramRun r = kolm(c.args);
        EXPECT_EQ(r.exit_code, c.status) << r.err;
        std::string want;
        for (const std::string& line : c.summary) want += line + "\n";
        EXPECT_EQ(r.out, want) << "standard output holds the summary lines alone";
        EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
    }
}

// An output that cannot be written to its end (the file size limit of the
// process stands in for a full disk): status 8, no output file, and an
// existing file under the name kept as it was.
TEST_F(Program, FailedWriteKeepsNoOutputAndGivesItsStatus) {
    if (!fs::exists("/usr/bin/prlimit")) GTEST_SKIP() << "no prlimit";
    sao("in.SAO", 6);
    wd.write("old.SAO", "the user's file\n");
    // A limit the program's output reaches only past its first record.
    const std::uintmax_t one = fs::file_size(wd.path() / "in.SAO") / 6;
    const std::string limit = "--fsize=" + std::to_string(one + one / 2);
    struct sigaction ignore {}, old {};
    ignore.sa_handler = SIG_IGN;
    ::sigaction(SIGXFSZ, &ignore, &old);  // inherited: the write fails instead of ending the program
    for (const char* out : {"new.SAO", "old.SAO"}) {
        SCOPED_TRACE(out);
        const ProgramRun r = kolm::testing::run_in(
            wd.path(), {"/usr/bin/prlimit", limit, "--", kolm::testing::kolm_binary(), "--overwrite", "--input",
                        "in.SAO", "--output", out});
        EXPECT_EQ(r.exit_code, 8) << r.err;
        EXPECT_NE(r.err.find("FAILED"), std::string::npos) << r.err;
        EXPECT_NE(r.out.find("OUTPUT NOT WRITTEN"), std::string::npos) << r.out;
    }
    ::sigaction(SIGXFSZ, &old, nullptr);
    EXPECT_FALSE(fs::exists(wd.path() / "new.SAO"));
    EXPECT_EQ(wd.read("old.SAO"), "the user's file\n");
    for (const auto& e : fs::directory_iterator(wd.path())) EXPECT_FALSE(leftover(e.path().string())) << e.path();
}

}  // namespace
}  // namespace kolm
