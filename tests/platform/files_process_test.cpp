// Path split, existence and deletion, directory listings, and the start of
// other programs with their failures.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "work_dir.h"
#include "platform/files.h"
#include "platform/process.h"

namespace {

using namespace kolm::platform;
namespace fs = std::filesystem;

// Each test in its own working directory (see tests/work_dir.h).
class InWorkDir : public kolm::testing::WorkDir {
protected:
    std::string at(const char* name) const { return (dir_ / name).string(); }
};
using Programs = InWorkDir;
using DirectoryListing = InWorkDir;
using Paths = InWorkDir;

void write(const std::string& path, const std::string& text, fs::perms perms = fs::perms::owner_read | fs::perms::owner_write) {
    std::ofstream(path, std::ios::binary) << text;
    fs::permissions(path, perms);
}

TEST_F(Paths, SplitIntoDriveDirectoryNameAndExtension) {
    struct Case {
        const char* path;
        const char* dir;
        const char* name;
        const char* ext;
    };
    const Case cases[] = {
        {"/data/A.SAO.421", "/data/", "A.SAO", ".421"},
        {"rel/dir/*.", "rel/dir/", "*", "."},
        {"data/*", "data/", "*", ""},
        {"*.*", "", "*", ".*"},
        {"home/.profile", "home/", "", ".profile"},
        {"a.d/file", "a.d/", "file", ""},
        {"/out/", "/out/", "", ""},
        {"A.SAO   ", "", "A", ".SAO"},
        {"my dir/a b.sao", "my dir/", "a b", ".sao"},
        {"", "", "", ""},
    };
    for (const Case& c : cases) {
        PathParts p = split_path(c.path);
        EXPECT_EQ(p.drive, "") << c.path;
        EXPECT_EQ(p.dir, c.dir) << c.path;
        EXPECT_EQ(p.name, c.name) << c.path;
        EXPECT_EQ(p.ext, c.ext) << c.path;
    }
}

TEST_F(Paths, ExistenceAndDeletion) {
    write(at("A.SAO"), "x");
    EXPECT_TRUE(file_exists(at("A.SAO")));
    EXPECT_TRUE(file_exists(at("A.SAO") + "  "));
    EXPECT_FALSE(file_exists(at("a.sao")));
    EXPECT_FALSE(file_exists(dir_.string()));  // a directory is no file
    EXPECT_TRUE(is_directory(dir_.string()));
    EXPECT_FALSE(file_exists(""));
    EXPECT_TRUE(delete_file(at("A.SAO")));
    EXPECT_FALSE(file_exists(at("A.SAO")));
    EXPECT_FALSE(delete_file(at("A.SAO")));
}

TEST_F(DirectoryListing, EntriesInNameOrderWithAttributes) {
    write(at("B.421"), "bb");
    write(at("A.SAO"), "aaa");
    write(at("C.EXE"), "c");
    write(at("D.SAO"), "");
    write(at("a.sao"), "lower");
    write(at(".hidden"), "h");
    fs::create_directory(at("SUB"));
    ASSERT_EQ(mkfifo((at("PIPE")).c_str(), 0600), 0);
    fs::create_symlink(at("GONE"), at("LINK"));

    struct Want {
        const char* name;
        int64_t size;
        bool hidden, system, directory;
    };
    const Want all[] = {
        {".", 0, true, false, true},     {"..", 0, true, false, true},  {".hidden", 1, true, false, false},
        {"A.SAO", 3, false, false, false}, {"B.421", 2, false, false, false}, {"C.EXE", 1, false, false, false},
        {"D.SAO", 0, false, false, false}, {"LINK", 0, false, true, false},   {"PIPE", 0, false, true, false},
        {"SUB", 0, false, false, true},  {"a.sao", 5, false, false, false},
    };
    DirListing l(at("*.*"));
    ASSERT_TRUE(l.started());
    DirEntry e;
    for (const Want& w : all) {
        ASSERT_TRUE(l.next(e)) << w.name;
        EXPECT_EQ(e.name, w.name);
        EXPECT_EQ(e.size, w.size) << w.name;
        EXPECT_EQ(e.hidden, w.hidden) << w.name;
        EXPECT_EQ(e.system, w.system) << w.name;
        EXPECT_EQ(e.directory, w.directory) << w.name;
    }
    EXPECT_FALSE(l.next(e));
    EXPECT_EQ(l.error(), FsError::no_such_file);

    std::vector<std::string> names;
    for (DirListing m(at("*.SAO")); m.next(e);) names.push_back(e.name);
    EXPECT_EQ(names, (std::vector<std::string>{"A.SAO", "D.SAO"}));  // names compare exactly
    names.clear();
    for (DirListing m(at("?.4*")); m.next(e);) names.push_back(e.name);
    EXPECT_EQ(names, (std::vector<std::string>{"B.421"}));

    DirListing none(at("*.XYZ"));
    EXPECT_TRUE(none.started());
    EXPECT_FALSE(none.next(e));
    EXPECT_EQ(none.error(), FsError::no_such_file);
    DirListing missing(at("NODIR/*.*"));
    EXPECT_FALSE(missing.started());
    EXPECT_FALSE(missing.next(e));
    EXPECT_EQ(missing.error(), FsError::no_such_file);
    EXPECT_EQ(DirListing("").error(), FsError::invalid_argument);
    EXPECT_EQ(DirListing(at("SUB/")).error(), FsError::invalid_argument);
}

TEST_F(Programs, StartFailuresAreReportedByKind) {
    write(at("data.txt"), "not a program");
    write(at("garbage"), "\x7f" "ELF junk", fs::perms::owner_all);
    write(at("script"), "#!/bin/sh\nprintf '%s|' \"$@\" > \"$0.out\"\nexit 7\n", fs::perms::owner_all);
    struct Case {
        std::string program;
        StartError error;
    };
    const Case cases[] = {
        {at("missing"), StartError::not_found},
        {at("NODIR/prog"), StartError::not_found},
        {at("data.txt"), StartError::not_executable},
        {at("garbage"), StartError::not_executable},
        {dir_.string(), StartError::not_executable},
        {"", StartError::invalid_argument},
    };
    for (const Case& c : cases) EXPECT_EQ(run_program(c.program, {}).error, c.error) << c.program;

    // A huge argument is refused before the program starts.
    const std::vector<std::string> huge = {std::string(300000, 'x')};
    EXPECT_EQ(run_program(at("script"), huge).error, StartError::arg_list_too_long);

    // Arguments go through as given, blanks and quotes included; the exit code comes back.
    const std::vector<std::string> args = {"in put.sao", "in put.sao.TMPSTD", "\"q\"", ""};
    RunResult r = run_program(at("script"), args);
    EXPECT_EQ(r.error, StartError::none);
    EXPECT_EQ(r.exit_code, 7);
    std::ifstream out(at("script") + ".out");
    std::string got((std::istreambuf_iterator<char>(out)), std::istreambuf_iterator<char>());
    EXPECT_EQ(got, "in put.sao|in put.sao.TMPSTD|\"q\"||");

    const std::vector<std::string> kill = {"-c", "kill -9 $$"};
    EXPECT_EQ(run_program("/bin/sh", kill).exit_code, -9);
}

TEST_F(Programs, CommandLineSplit) {
    struct Case {
        const char* line;
        std::vector<std::string> args;
    };
    const Case cases[] = {
        {"a.sao a.sao.TMPSTD", {"a.sao", "a.sao.TMPSTD"}},
        {"  one\t two  ", {"one", "two"}},
        {"\"my dir/a.sao\" x", {"my dir/a.sao", "x"}},
        {"pre\"fix mid\"post", {"prefix midpost"}},
        {"\"\" x", {"", "x"}},
        {"", {}},
    };
    for (const Case& c : cases) EXPECT_EQ(split_command_line(c.line), c.args) << c.line;
}

}  // namespace
