// Path split, existence and deletion, directory listings, and the start of
// other programs with their failures.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/process.h"

namespace {

using namespace kolm::platform;
namespace fs = std::filesystem;

struct TempDir {
    fs::path path;
    TempDir() {
        std::string t = (fs::temp_directory_path() / "kolm-fs-XXXXXX").string();
        path = mkdtemp(t.data());
    }
    ~TempDir() { fs::remove_all(path); }
    std::string operator/(const char* name) const { return (path / name).string(); }
};

void write(const std::string& path, const std::string& text, fs::perms perms = fs::perms::owner_read | fs::perms::owner_write) {
    std::ofstream(path, std::ios::binary) << text;
    fs::permissions(path, perms);
}

TEST(Paths, SplitIntoDriveDirectoryNameAndExtension) {
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

TEST(Paths, ExistenceAndDeletion) {
    TempDir t;
    write(t / "A.SAO", "x");
    EXPECT_TRUE(file_exists(t / "A.SAO"));
    EXPECT_TRUE(file_exists(t / "A.SAO" + "  "));
    EXPECT_FALSE(file_exists(t / "a.sao"));
    EXPECT_FALSE(file_exists(t.path.string()));  // a directory is no file
    EXPECT_TRUE(is_directory(t.path.string()));
    EXPECT_FALSE(file_exists(""));
    EXPECT_TRUE(delete_file(t / "A.SAO"));
    EXPECT_FALSE(file_exists(t / "A.SAO"));
    EXPECT_FALSE(delete_file(t / "A.SAO"));
}

TEST(DirectoryListing, EntriesInNameOrderWithAttributes) {
    TempDir t;
    write(t / "B.421", "bb");
    write(t / "A.SAO", "aaa");
    write(t / "C.EXE", "c");
    write(t / "D.SAO", "");
    write(t / "a.sao", "lower");
    write(t / ".hidden", "h");
    fs::create_directory(t / "SUB");
    ASSERT_EQ(mkfifo((t / "PIPE").c_str(), 0600), 0);
    fs::create_symlink(t / "GONE", t / "LINK");

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
    DirListing l(t / "*.*");
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
    for (DirListing m(t / "*.SAO"); m.next(e);) names.push_back(e.name);
    EXPECT_EQ(names, (std::vector<std::string>{"A.SAO", "D.SAO"}));  // names compare exactly
    names.clear();
    for (DirListing m(t / "?.4*"); m.next(e);) names.push_back(e.name);
    EXPECT_EQ(names, (std::vector<std::string>{"B.421"}));

    DirListing none(t / "*.XYZ");
    EXPECT_TRUE(none.started());
    EXPECT_FALSE(none.next(e));
    EXPECT_EQ(none.error(), FsError::no_such_file);
    DirListing missing(t / "NODIR/*.*");
    EXPECT_FALSE(missing.started());
    EXPECT_FALSE(missing.next(e));
    EXPECT_EQ(missing.error(), FsError::no_such_file);
    EXPECT_EQ(DirListing("").error(), FsError::invalid_argument);
    EXPECT_EQ(DirListing(t / "SUB/").error(), FsError::invalid_argument);
}

TEST(Programs, StartFailuresAreReportedByKind) {
    TempDir t;
    write(t / "data.txt", "not a program");
    write(t / "garbage", "\x7f" "ELF junk", fs::perms::owner_all);
    write(t / "script", "#!/bin/sh\nprintf '%s|' \"$@\" > \"$0.out\"\nexit 7\n", fs::perms::owner_all);
    struct Case {
        std::string program;
        StartError error;
    };
    const Case cases[] = {
        {t / "missing", StartError::not_found},
        {t / "NODIR/prog", StartError::not_found},
        {t / "data.txt", StartError::not_executable},
        {t / "garbage", StartError::not_executable},
        {t.path.string(), StartError::not_executable},
        {"", StartError::invalid_argument},
    };
    for (const Case& c : cases) EXPECT_EQ(run_program(c.program, {}).error, c.error) << c.program;

    // A huge argument is refused before the program starts.
    const std::vector<std::string> huge = {std::string(300000, 'x')};
    EXPECT_EQ(run_program(t / "script", huge).error, StartError::arg_list_too_long);

    // Arguments go through as given, blanks and quotes included; the exit code comes back.
    const std::vector<std::string> args = {"in put.sao", "in put.sao.TMPSTD", "\"q\"", ""};
    RunResult r = run_program(t / "script", args);
    EXPECT_EQ(r.error, StartError::none);
    EXPECT_EQ(r.exit_code, 7);
    std::ifstream out(t / "script" + ".out");
    std::string got((std::istreambuf_iterator<char>(out)), std::istreambuf_iterator<char>());
    EXPECT_EQ(got, "in put.sao|in put.sao.TMPSTD|\"q\"||");

    const std::vector<std::string> kill = {"-c", "kill -9 $$"};
    EXPECT_EQ(run_program("/bin/sh", kill).exit_code, -9);
}

TEST(Programs, CommandLineSplit) {
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
