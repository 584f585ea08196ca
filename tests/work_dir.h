// A fresh temporary working directory for tests that read data files.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "blocks/run_state.h"

namespace kolm::testing {

namespace fs = std::filesystem;

// Each test runs in its own empty directory and from a fresh run state.
class WorkDir : public ::testing::Test {
protected:
    void SetUp() override {
        reset_run_state();
        old_ = fs::current_path();
        static int serial = 0;
        dir_ = fs::temp_directory_path() /
               ("kolm_test_" + std::to_string(::getpid()) + "_" + std::to_string(++serial));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        fs::current_path(dir_);
    }
    void TearDown() override {
        fs::current_path(old_);
        fs::remove_all(dir_);
    }
    static void write_file(const std::string& name, const std::string& bytes) {
        std::ofstream(name, std::ios::binary) << bytes;
    }
    // A file of the shared model data, copied under the given name.
    static void copy_model(const std::string& from, const std::string& to) {
        fs::copy_file(fs::path(KOLM_SHARED_DATA) / "models" / from, to, fs::copy_options::overwrite_existing);
    }
    // Every file of the shared model data (URSI maps, sunspot history, ...).
    static void copy_all_models() {
        for (const auto& e : fs::directory_iterator(fs::path(KOLM_SHARED_DATA) / "models"))
            copy_model(e.path().filename().string(), e.path().filename().string());
    }
    fs::path old_, dir_;
};

}  // namespace kolm::testing
