// Temporary working directories for tests that read or write files.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>

#include "blocks/run_state.h"
#include "platform/text_units.h"

namespace kolm::testing {

namespace fs = std::filesystem;

// Created empty and made the current directory; at the end every unit is
// closed, the old directory restored and the directory removed.
class TempDir {
public:
    TempDir() {
        std::string tmpl = (fs::temp_directory_path() / "kolm_test_XXXXXX").string();
        if (::mkdtemp(tmpl.data()) == nullptr) throw fs::filesystem_error("mkdtemp", std::error_code(errno, std::generic_category()));
        path_ = tmpl;
        old_ = fs::current_path();
        fs::current_path(path_);
    }
    ~TempDir() {
        platform::close_all_units();
        std::error_code ec;
        fs::current_path(old_, ec);
        fs::remove_all(path_, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const fs::path& path() const { return path_; }
    // Absolute path of a name inside the directory.
    std::string at(const std::string& name) const { return (path_ / name).string(); }

    void write(const std::string& name, const std::string& text) const {
        fs::create_directories((path_ / name).parent_path());
        std::ofstream(path_ / name, std::ios::binary) << text;
    }
    std::string read(const std::string& name) const {
        std::ifstream in(path_ / name, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    bool exists(const std::string& name) const { return fs::exists(path_ / name); }

    // The model files the program reads from the working directory.
    void copy_models() const {
        for (const auto& e : fs::directory_iterator(fs::path(KOLM_SHARED_DATA) / "models"))
            fs::copy_file(e.path(), path_ / e.path().filename(), fs::copy_options::overwrite_existing);
    }

private:
    fs::path path_, old_;
};

// Test fixture: each test runs in its own empty directory and from a fresh run state.
class WorkDir : public ::testing::Test {
protected:
    void SetUp() override {
        reset_run_state();
        tmp_.emplace();
        dir_ = tmp_->path();
    }
    void TearDown() override { tmp_.reset(); }

    static void write_file(const std::string& name, const std::string& bytes) {
        std::ofstream(name, std::ios::binary) << bytes;
    }
    // A file of the shared model data, copied under the given name.
    static void copy_model(const std::string& from, const std::string& to) {
        fs::copy_file(fs::path(KOLM_SHARED_DATA) / "models" / from, to, fs::copy_options::overwrite_existing);
    }
    // Every file of the shared model data (URSI maps, sunspot history, ...).
    void copy_all_models() const { tmp_->copy_models(); }

    std::optional<TempDir> tmp_;
    fs::path dir_;
};

}  // namespace kolm::testing
