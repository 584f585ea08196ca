// A temporary working directory for tests that run the program's file
// handling: created empty, made the current directory, removed at the end.
#pragma once

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

#include "platform/dialog.h"
#include "platform/graphics.h"
#include "platform/headless.h"
#include "platform/text_units.h"

namespace kolm::testing {

namespace fs = std::filesystem;

class WorkDir {
public:
    WorkDir() {
        std::string tmpl = (fs::temp_directory_path() / "kolm_run_XXXXXX").string();
        path_ = ::mkdtemp(tmpl.data());
        old_ = fs::current_path();
        fs::current_path(path_);
    }
    ~WorkDir() {
        platform::close_all_units();
        fs::current_path(old_);
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    WorkDir(const WorkDir&) = delete;
    WorkDir& operator=(const WorkDir&) = delete;

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

    // The model files the inversion reads from the working directory.
    void copy_models() const {
        for (const auto& e : fs::directory_iterator(fs::path(KOLM_SHARED_DATA) / "models"))
            fs::copy_file(e.path(), path_ / e.path().filename(), fs::copy_options::overwrite_existing);
    }

private:
    fs::path path_, old_;
};

// The user's actions for the dialogs, as an event script.
inline void script(const std::string& text) {
    std::vector<platform::headless::Event> ev;
    std::string error;
    if (!platform::headless::parse_script(text, ev, error)) std::abort();
    platform::headless::append_events(std::move(ev), "test");
}

inline std::string sample(const std::string& name) { return std::string(KOLM_SHARED_DATA) + "/sao/" + name; }

}  // namespace kolm::testing
