// Data-file lookup in the working directory and whole-block binary reads.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>

#include "platform/data_files.h"

namespace kolm::platform {
namespace {

namespace fs = std::filesystem;

// Runs the test in a fresh temporary working directory.
class DataFiles : public ::testing::Test {
protected:
    void SetUp() override {
        old_ = fs::current_path();
        dir_ = fs::temp_directory_path() / ("kolm_data_files_" + std::to_string(::getpid()));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        fs::current_path(dir_);
    }
    void TearDown() override {
        fs::current_path(old_);
        fs::remove_all(dir_);
    }
    static void write(const std::string& name, const std::string& bytes) {
        std::ofstream(name, std::ios::binary) << bytes;
    }
    fs::path old_, dir_;
};

TEST_F(DataFiles, ExactNameFirstThenLetterCase) {
    write("ursi11.asc", "x");
    EXPECT_EQ(find_data_file("URSI11.ASC"), "ursi11.asc");
    write("URSI11.ASC", "y");
    EXPECT_EQ(find_data_file("URSI11.ASC"), "URSI11.ASC");
    write("Ursi12.Asc", "z");
    write("ursi12.asc", "z");
    EXPECT_EQ(find_data_file("URSI12.ASC"), "Ursi12.Asc");  // first in byte order
    EXPECT_EQ(find_data_file("URSI13.ASC"), "");
    EXPECT_EQ(find_data_file("URSI1.ASC"), "");             // a prefix is not a match
    fs::create_directory("sunspt.asc");
    EXPECT_EQ(find_data_file("SUNSPT.ASC"), "");            // directories are not data files
}

TEST_F(DataFiles, BinaryReadsTakeTheFirstBytesOrReportShortFiles) {
    write("D.BIN", std::string("\x01\x02\x03\x04\x05", 5));
    unsigned char buf[5] = {};
    EXPECT_EQ(read_file_bytes("D.BIN", buf, 4), 0);
    EXPECT_EQ(buf[3], 4);
    EXPECT_EQ(read_file_bytes("D.BIN", buf, 5), 0);
    unsigned char big[8] = {};
    EXPECT_EQ(read_file_bytes("D.BIN", big, 8), -1);
    EXPECT_EQ(read_file_bytes("NONE.BIN", big, 8), ENOENT);
}

}  // namespace
}  // namespace kolm::platform
