// Data-file lookup in the working directory and whole-block binary reads.
#include <gtest/gtest.h>

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
