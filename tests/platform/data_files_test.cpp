// Data-file lookup in the working directory and whole-block binary reads.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <vector>

#include "platform/data_files.h"
#include "work_dir.h"

namespace kolm::platform {
namespace {

using DataFiles = kolm::testing::WorkDir;

TEST_F(DataFiles, ExactNameFirstThenLetterCase) {
    write_file("ursi11.asc", "x");
    EXPECT_EQ(find_data_file("URSI11.ASC"), "ursi11.asc");
    write_file("URSI11.ASC", "y");
    EXPECT_EQ(find_data_file("URSI11.ASC"), "URSI11.ASC");
    write_file("Ursi12.Asc", "z");
    write_file("ursi12.asc", "z");
    EXPECT_EQ(find_data_file("URSI12.ASC"), "Ursi12.Asc");  // first in byte order
    EXPECT_EQ(find_data_file("URSI13.ASC"), "");
    EXPECT_EQ(find_data_file("URSI1.ASC"), "");             // a prefix is not a match
    std::filesystem::create_directory("sunspt.asc");
    EXPECT_EQ(find_data_file("SUNSPT.ASC"), "");            // directories are not data files
}

// Waits until the identity of PATH is settled (a few clock ticks of the
// file system); false when it is not within three seconds.
bool settle(const std::string& path, FileIdentity& id) {
    bool regular;
    for (int i = 0; i < 300; ++i) {
        if (file_identity(path, id, regular) && id.settled) return true;
        ::usleep(10000);
    }
    return false;
}

TEST_F(DataFiles, IdentityChangesWithTheContentsAndSettles) {
    FileIdentity id, again;
    bool regular = true;
    EXPECT_FALSE(file_identity("NONE.ASC", id, regular));
    write_file("A.ASC", "12345");
    ASSERT_TRUE(file_identity("A.ASC", id, regular));
    EXPECT_TRUE(regular);
    EXPECT_EQ(id.size, 5);
    EXPECT_FALSE(id.settled);  // just written: a change of the same size may not show yet
    ASSERT_TRUE(settle("A.ASC", id));
    ASSERT_TRUE(file_identity("A.ASC", again, regular));
    EXPECT_TRUE(same_identity(id, again));
    struct {
        const char* why;
        void (*change)();
    } changes[] = {
        {"rewritten in place, same size", [] { write_file("A.ASC", "54321"); }},
        {"replaced by a rename", [] {
             write_file("B.ASC", "12345");
             std::filesystem::rename("B.ASC", "A.ASC");
         }},
        {"permissions changed", [] {
             std::filesystem::permissions("A.ASC", std::filesystem::perms::owner_write,
                                          std::filesystem::perm_options::remove);
         }},
    };
    for (const auto& c : changes) {
        SCOPED_TRACE(c.why);
        ASSERT_TRUE(settle("A.ASC", id));
        c.change();
        ASSERT_TRUE(file_identity("A.ASC", again, regular));
        EXPECT_FALSE(same_identity(id, again));
    }
    std::filesystem::create_directory("D");
    ASSERT_TRUE(file_identity("D", id, regular));
    EXPECT_FALSE(regular);
}

TEST_F(DataFiles, KeptLookupFollowsTheEntriesOfTheDirectory) {
    DataFileLookup lookup;
    FileIdentity dir;
    write_file("sunspt.asc", "x");
    ASSERT_TRUE(settle(".", dir));
    EXPECT_EQ(find_data_file("SUNSPT.ASC", lookup), "sunspt.asc");
    EXPECT_TRUE(lookup.kept);  // nothing changed in the directory lately
    EXPECT_EQ(find_data_file("SUNSPT.ASC", lookup), "sunspt.asc");
    // An entry of another letter case that sorts first, then the exact name.
    write_file("SunSpt.asc", "y");
    EXPECT_EQ(find_data_file("SUNSPT.ASC", lookup), "SunSpt.asc");
    EXPECT_FALSE(lookup.kept);  // the directory has just changed
    write_file("SUNSPT.ASC", "z");
    EXPECT_EQ(find_data_file("SUNSPT.ASC", lookup), "SUNSPT.ASC");
    std::filesystem::remove("SUNSPT.ASC");
    std::filesystem::remove("SunSpt.asc");
    std::filesystem::remove("sunspt.asc");
    EXPECT_EQ(find_data_file("SUNSPT.ASC", lookup), "");
    // A link to no file yet is looked at again even in a settled directory:
    // its target appears in another directory.
    std::filesystem::create_directory("sub");
    std::filesystem::create_symlink("sub/later.asc", "SUNSPT.ASC");
    ASSERT_TRUE(settle(".", dir));
    EXPECT_EQ(find_data_file("SUNSPT.ASC", lookup), "");
    EXPECT_FALSE(lookup.kept);
    write_file("sub/later.asc", "w");
    EXPECT_EQ(find_data_file("SUNSPT.ASC", lookup), "SUNSPT.ASC");
}

TEST_F(DataFiles, BinaryReadsTakeTheFirstBytesOrReportShortFiles) {
    write_file("D.BIN", std::string("\x01\x02\x03\x04\x05", 5));
    unsigned char buf[5] = {};
    EXPECT_EQ(read_file_bytes("D.BIN", buf, 4), 0);
    EXPECT_EQ(buf[3], 4);
    EXPECT_EQ(read_file_bytes("D.BIN", buf, 5), 0);
    unsigned char big[8] = {};
    EXPECT_EQ(read_file_bytes("D.BIN", big, 8), -1);
    EXPECT_EQ(read_file_bytes("NONE.BIN", big, 8), ENOENT);
}

TEST_F(DataFiles, WholeFilesReadAndWritten) {
    std::vector<unsigned char> bytes(20000);
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<unsigned char>(i * 7);
    ASSERT_EQ(write_file_bytes("T.BIN", bytes.data(), bytes.size()), 0);
    std::vector<unsigned char> back{1, 2, 3};
    ASSERT_EQ(read_whole_file("T.BIN", back), 0);
    EXPECT_EQ(back, bytes);
    ASSERT_EQ(write_file_bytes("T.BIN", bytes.data(), 0), 0);  // emptied
    ASSERT_EQ(read_whole_file("T.BIN", back), 0);
    EXPECT_TRUE(back.empty());
    back.assign(3, 1);
    EXPECT_EQ(read_whole_file("NONE.BIN", back), ENOENT);
    EXPECT_TRUE(back.empty());
    EXPECT_NE(write_file_bytes("no_such_dir/T.BIN", bytes.data(), 1), 0);
}

}  // namespace
}  // namespace kolm::platform
