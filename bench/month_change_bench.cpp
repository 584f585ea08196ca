// The whole run after the dialog over the synthetic sets: records per second
// where every record brings a new month (the model data of its month and
// year looked up at each record), and over a station-year of 15-minute
// soundings (35,040 records, the months in order).
#include <benchmark/benchmark.h>

#include <stdlib.h>

#include <cstring>
#include <filesystem>
#include <string>

#include "blocks/peltarscale.h"
#include "blocks/peltartrueh.h"
#include "blocks/run_state.h"
#include "models/table_generator.h"
#include "platform/graphics.h"
#include "platform/headless.h"
#include "run/run_driver.h"
#include "model_dir.h"
#include "synthetic_sets.h"
#include "ui/plot_frame.h"

namespace {

namespace fs = std::filesystem;
using namespace kolm;

// A working directory with the model files, the tables and both sets.
struct SetsDir : bench::ModelDir {
    fs::path month_changing, station_year;
    bool ok = false;

    SetsDir() : ModelDir("kolm_monthbench") {
        month_changing = dir / "months.sao";
        station_year = dir / "year.sao";
        ok = tables && bench::write_month_changing_set(month_changing.string(), 3000) &&
             bench::write_station_year(station_year.string());
    }
};

SetsDir& sets() {
    static SetsDir s;
    return s;
}

void run_over(benchmark::State& state, const fs::path& input) {
    if (!sets().ok) {
        state.SkipWithError("the synthetic sets could not be written");
        return;
    }
    int64_t records = 0;
    for (auto _ : state) {
        bench::start_run();
        RUN.CONV = 'Y';
        RUN.ISTD = 1;
        RUN.INNAME = input.string();
        RUN.OUTNAME = (sets().dir / "out.sao").string();
        run_files();
        records += RUN.NPROF;
        fs::remove(RUN.OUTNAME);
    }
    state.counters["records/s"] = benchmark::Counter(double(records), benchmark::Counter::kIsRate);
}

void BM_RunMonthChanging(benchmark::State& state) { run_over(state, sets().month_changing); }
void BM_RunStationYear(benchmark::State& state) { run_over(state, sets().station_year); }

BENCHMARK(BM_RunMonthChanging)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_RunStationYear)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
