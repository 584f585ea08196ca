// The record road over a large SAO file (the station samples repeated to
// about 20 MB): records per second without the inversion (read, decode,
// stored-profile plots, results, write), and the whole run after the
// dialog with the inversion as it stands.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "blocks/peltarscale.h"
#include "blocks/peltartrueh.h"
#include "blocks/run_state.h"
#include "models/table_generator.h"
#include "platform/graphics.h"
#include "platform/headless.h"
#include "platform/text_units.h"
#include "run/record_decode.h"
#include "run/record_results.h"
#include "run/run_driver.h"
#include "model_dir.h"
#include "sample_file.h"
#include "sao/sao_record.h"
#include "ui/plot_frame.h"
#include "ui/plots.h"

namespace {

namespace fs = std::filesystem;
using namespace kolm;

constexpr std::size_t TARGET_BYTES = 20u << 20;
constexpr int32_t IN = 1, OUT = 3;

struct BigFile : bench::ModelDir {
    fs::path input;
    std::size_t bytes = 0;

    BigFile() : ModelDir("kolm_runbench") {
        input = dir / "big.sao";
        bytes = kolm::bench::write_repeated_samples(input, TARGET_BYTES);
    }
};

BigFile& big() {
    static BigFile f;
    return f;
}

using bench::start_run;

// Read, decode, plot the stored profiles, put the results in and write.
void BM_RecordRoadWithoutInversion(benchmark::State& state) {
    BigFile& f = big();
    start_run();
    auto rec = std::make_unique<SaoRecord>();
    const std::string out = (f.dir / "road.sao").string();
    int64_t records = 0;
    for (auto _ : state) {
        platform::open_unit(IN, f.input.string(), platform::UnitMode::read);
        platform::open_unit(OUT, out, platform::UnitMode::write);
        PLOTWN.P(9) = 1;
        int32_t iend = 0;
        int16_t found = 0;
        for (;;) {
            std::memset(static_cast<void*>(rec.get()), 0, sizeof *rec);
            reset_traces();
            READSAO(iend, IN, *rec, found, SCLCHR.IERR);
            if (iend != 0 || SCLCHR.IERR != 0) break;
            if (!decode_record(*rec)) {
                state.SkipWithError("a sample record was rejected");
                break;
            }
            ui::plot_stored_profiles(*rec);
            results_to_record(*rec, 'Y');
            if (WRITSAO(OUT, *rec) != fmt::IoStat::ok) {
                state.SkipWithError("write failed");
                break;
            }
            ++records;
        }
        platform::close_unit(IN);
        platform::close_unit(OUT);
    }
    state.counters["records/s"] = benchmark::Counter(double(records), benchmark::Counter::kIsRate);
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(f.bytes));
}

// The run driver over the file, with PROFIL1 at its place.
void BM_RunWithInversion(benchmark::State& state) {
    BigFile& f = big();
    int64_t records = 0;
    int n = 0;
    for (auto _ : state) {
        start_run();
        RUN.CONV = 'Y';
        RUN.ISTD = 1;
        RUN.INNAME = f.input.string();
        RUN.OUTNAME = (f.dir / ("run" + std::to_string(++n) + ".sao")).string();
        run_files();
        records += RUN.NPROF;
        fs::remove(RUN.OUTNAME);
    }
    state.counters["records/s"] = benchmark::Counter(double(records), benchmark::Counter::kIsRate);
}

BENCHMARK(BM_RecordRoadWithoutInversion)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_RunWithInversion)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace

BENCHMARK_MAIN();
