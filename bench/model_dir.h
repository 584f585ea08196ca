// A temporary working directory for the benchmarks that run the inversion:
// the model files of the shared data and the generated tables, made the
// current directory for as long as it lives.
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <string>

#include <cstring>

#include "blocks/peltartrueh.h"
#include "blocks/run_state.h"
#include "models/table_generator.h"
#include "platform/graphics.h"
#include "platform/headless.h"
#include "ui/plot_frame.h"

namespace kolm::bench {

struct ModelDir {
    std::filesystem::path dir, old_cwd;
    bool tables = false;  // the tables of the bottomside parameters and the electron content written

    explicit ModelDir(const std::string& prefix) {
        namespace fs = std::filesystem;
        std::string tmpl = (fs::temp_directory_path() / (prefix + "_XXXXXX")).string();
        dir = mkdtemp(tmpl.data());
        for (const auto& e : fs::directory_iterator(fs::path(KOLM_SHARED_DATA) / "models"))
            fs::copy_file(e.path(), dir / e.path().filename());
        tables = write_model_tables(dir.string());
        old_cwd = fs::current_path();
        fs::current_path(dir);
    }
    ~ModelDir() {
        std::filesystem::current_path(old_cwd);
        std::filesystem::remove_all(dir);
    }
    ModelDir(const ModelDir&) = delete;
    ModelDir& operator=(const ModelDir&) = delete;
};

// The start of a run as kolm makes it without --plots (no page goes
// anywhere, so nothing is drawn), with the dialog's answers of the README's
// example run: a 10 km table and a quasi-parabolic fit to 0.01.
inline void start_run() {
    reset_run_state();
    platform::headless::reset();
    platform::gfx::reset();
    platform::gfx::drop_pages();
    std::memcpy(SAOHDR.VERSION, "VS.04.30", 8);
    ui::GRAPHMODE();
    NHPROF.HSTEP = 10.0f;
    QPRES.ERRMAX = 0.01f;
}

}  // namespace kolm::bench
