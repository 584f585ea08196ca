// Checks that protect the user's files: names taken, sizes of regular
// files, names too long for the system; and the roots of the browsers.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/file_checks.h"
#include "platform/roots.h"
#include "work_dir.h"

namespace kolm::platform {
namespace {

namespace fs = std::filesystem;
using FileChecks = kolm::testing::WorkDir;

TEST_F(FileChecks, NamesTakenAndFileSizes) {
    std::ofstream("three", std::ios::binary) << "abc";
    std::ofstream("empty", std::ios::binary);
    fs::create_directory("dir");
    fs::create_symlink("nowhere", "dangling");
    ::mkfifo("pipe", 0600);
    for (const char* n : {"three", "empty", "dir", "dangling", "pipe"}) EXPECT_TRUE(name_taken(n)) << n;
    EXPECT_FALSE(name_taken("free"));
    EXPECT_FALSE(name_taken(""));
    EXPECT_EQ(regular_file_size("three"), 3);
    EXPECT_EQ(regular_file_size("empty"), 0);
    for (const char* n : {"dir", "dangling", "pipe", "free"}) EXPECT_EQ(regular_file_size(n), -1) << n;
}

// What a name is, taken exactly (blanks at its end included), and one file
// under every spelling.
TEST_F(FileChecks, KindsOfNamesAndOneFileUnderEverySpelling) {
    std::ofstream("file", std::ios::binary) << "abc";
    std::ofstream("file ", std::ios::binary) << "other";
    fs::create_directory("dir");
    fs::create_symlink("nowhere", "dangling");
    fs::create_symlink("file", "link");
    fs::create_hard_link("file", "dir/hard");
    ::mkfifo("pipe", 0600);
    const std::pair<const char*, NameKind> kinds[] = {
        {"file", NameKind::regular},   {"file ", NameKind::regular}, {"link", NameKind::regular},
        {"dir", NameKind::directory},  {"pipe", NameKind::special},  {"/dev/null", NameKind::special},
        {"dangling", NameKind::dangling}, {"free", NameKind::none},  {"file  ", NameKind::none},
        {"", NameKind::none},
    };
    for (const auto& [name, kind] : kinds) EXPECT_EQ(name_kind(name), kind) << "'" << name << "'";
    const auto id = file_id("file");
    ASSERT_TRUE(id.has_value());
    for (const char* same : {"./file", "link", "dir/hard", "dir/../file"}) EXPECT_EQ(file_id(same), id) << same;
    EXPECT_NE(file_id("file "), id);
    EXPECT_FALSE(file_id("dangling").has_value());
}

TEST_F(FileChecks, NamesTooLongForTheSystem) {
    const std::string longest(255, 'N');
    EXPECT_TRUE(name_fits(longest));
    EXPECT_TRUE(name_fits("sub/" + longest));
    EXPECT_FALSE(name_fits(longest + "X"));
    EXPECT_FALSE(name_fits("missing/" + longest + "X"));
    std::string deep;
    while (deep.size() < 4200) deep += "d/";
    EXPECT_FALSE(name_fits(deep + "f"));
    EXPECT_FALSE(name_fits(""));
}

TEST(Roots, FileSystemHomeWorkingFolderAndMedia) {
    const std::vector<std::string> roots = list_roots();
    ASSERT_FALSE(roots.empty());
    EXPECT_EQ(roots.front(), "/");
    EXPECT_NE(std::find(roots.begin(), roots.end(), fs::current_path().string()), roots.end());
    for (const std::string& r : roots) EXPECT_EQ(std::count(roots.begin(), roots.end(), r), 1) << r;

    const std::string table =
        "/dev/sda1 / ext4 rw 0 0\n"
        "/dev/sdb1 /media/ana/USB\\040STICK vfat rw 0 0\n"
        "/dev/sr0 /run/media/ana/CD iso9660 ro 0 0\n"
        "/dev/sdc1 /mnt/data ext4 rw 0 0\n"
        "tmpfs /mnt tmpfs rw 0 0\n"
        "/dev/sdd1 /mediafiles ext4 rw 0 0\n"
        "proc /proc proc rw 0 0";
    EXPECT_EQ(media_mount_points(table),
              (std::vector<std::string>{"/media/ana/USB STICK", "/run/media/ana/CD", "/mnt/data"}));
}

}  // namespace
}  // namespace kolm::platform
