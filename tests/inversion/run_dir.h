// A temporary working directory holding copies of the shared model files
// (sunspot table, URSI coefficients), made the current directory while a
// test suite runs the inversion, and removed afterwards.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <unistd.h>

#include "blocks/run_state.h"

namespace kolm::testrec {

class RunDir {
public:
    RunDir() {
        namespace fs = std::filesystem;
        old_ = fs::current_path();
        std::string tmpl = (fs::temp_directory_path() / "kolm_inv_XXXXXX").string();
        if (mkdtemp(tmpl.data()) == nullptr) return;
        dir_ = tmpl;
        const fs::path models = fs::path(KOLM_SHARED_DATA) / "models";
        std::error_code ec;
        for (const auto& e : fs::directory_iterator(models, ec))
            if (e.is_regular_file()) fs::copy_file(e.path(), dir_ / e.path().filename(), ec);
        fs::current_path(dir_);
    }
    ~RunDir() {
        std::error_code ec;
        std::filesystem::current_path(old_, ec);
        if (!dir_.empty()) std::filesystem::remove_all(dir_, ec);
    }
    const std::filesystem::path& path() const { return dir_; }

private:
    std::filesystem::path old_, dir_;
};

// Base of the tests that run the inversion: a fresh run in a working
// directory with the model files.
class InversionTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { dir_ = new RunDir(); }
    static void TearDownTestSuite() {
        delete dir_;
        dir_ = nullptr;
    }
    void SetUp() override { reset_run_state(); }

private:
    static inline RunDir* dir_ = nullptr;
};

}  // namespace kolm::testrec
