// The cost of the plot pages: the whole run after the dialog over the
// station samples repeated to 1000 records, once with every record's page
// written as SVG into a folder, once without any page sink (the command
// line without --plots). Records per second of each.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "blocks/peltarscale.h"
#include "blocks/run_state.h"
#include "models/table_generator.h"
#include "run/run_driver.h"
#include "platform/graphics.h"
#include "platform/headless.h"
#include "ui/plot_frame.h"

namespace {

namespace fs = std::filesystem;
using namespace kolm;

constexpr int REPEATS = 250;  // four sample records each

struct Input {
    fs::path dir, old_cwd, file;
    Input() {
        std::string tmpl = (fs::temp_directory_path() / "kolm_plotsbench_XXXXXX").string();
        dir = mkdtemp(tmpl.data());
        std::string samples;
        for (const auto& e : fs::directory_iterator(fs::path(KOLM_SHARED_DATA) / "sao")) {
            std::ifstream in(e.path(), std::ios::binary);
            std::stringstream ss;
            ss << in.rdbuf();
            samples += ss.str();
        }
        file = dir / "big.sao";
        std::ofstream out(file, std::ios::binary);
        for (int i = 0; i < REPEATS; ++i) out << samples;
        for (const auto& e : fs::directory_iterator(fs::path(KOLM_SHARED_DATA) / "models"))
            fs::copy_file(e.path(), dir / e.path().filename());
        // The tables of the bottomside parameters and the electron content.
        write_model_tables(dir.string());
        old_cwd = fs::current_path();
        fs::current_path(dir);
    }
    ~Input() {
        fs::current_path(old_cwd);
        fs::remove_all(dir);
    }
};

Input& input() {
    static Input in;
    return in;
}

void run(bool pages, benchmark::State& state) {
    Input& in = input();
    int64_t records = 0;
    int n = 0;
    for (auto _ : state) {
        const fs::path plots = in.dir / ("plots" + std::to_string(++n));
        reset_run_state();
        platform::headless::reset();
        platform::gfx::reset();
        if (pages) {
            fs::create_directories(plots);
            platform::gfx::set_plot_folder(plots.string());
        } else {
            platform::gfx::drop_pages();
        }
        std::memcpy(SAOHDR.VERSION, "VS.04.30", 8);
        ui::GRAPHMODE();
        RUN.CONV = 'Y';
        RUN.ISTD = 1;
        RUN.INNAME = in.file.string();
        RUN.OUTNAME = "NONE";
        run_files();
        platform::gfx::finish_page();
        records += RUN.NPROF;
        state.PauseTiming();
        fs::remove_all(plots);
        state.ResumeTiming();
    }
    state.counters["records/s"] = benchmark::Counter(double(records), benchmark::Counter::kIsRate);
}

void BM_RunWithoutPages(benchmark::State& state) { run(false, state); }
void BM_RunWithPages(benchmark::State& state) { run(true, state); }

BENCHMARK(BM_RunWithoutPages)->Unit(benchmark::kMillisecond)->MinTime(3.0);
BENCHMARK(BM_RunWithPages)->Unit(benchmark::kMillisecond)->MinTime(3.0);

}  // namespace

BENCHMARK_MAIN();
