// Reading and writing a large SAO file: the station samples repeated to
// about 20 MB in a temporary directory (TMPDIR); throughput in bytes per
// second, through the row statements READSAO and WRITSAO use and, for
// comparison, through the generic engine.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "platform/text_units.h"
#include "sample_file.h"
#include "sao/sao_record.h"

namespace {

namespace fs = std::filesystem;
using namespace kolm;

constexpr std::size_t TARGET_BYTES = 20u << 20;
constexpr int32_t IN = 31, OUT = 33;

struct BigFile {
    fs::path dir;
    fs::path input;
    std::size_t bytes = 0;
    std::vector<std::unique_ptr<SaoRecord>> records;  // one of each sample, for writing
    std::size_t cycles = 0;                           // passes over records that make ~bytes

    BigFile() {
        std::string tmpl = (fs::temp_directory_path() / "kolm_bench_XXXXXX").string();
        dir = mkdtemp(tmpl.data());
        input = dir / "big.sao";
        bytes = kolm::bench::write_repeated_samples(input, TARGET_BYTES);

        platform::open_unit(IN, input.string(), platform::UnitMode::read);
        for (;;) {
            auto r = std::make_unique<SaoRecord>();
            int32_t iend = 0;
            int16_t found = 0, ierr = 0;
            READSAO(iend, IN, *r, found, ierr);
            if (iend || ierr || records.size() == 4) break;
            r->DFI(80) = 5;
            records.push_back(std::move(r));
        }
        platform::close_unit(IN);

        fs::path one = dir / "one.sao";
        platform::open_unit(OUT, one.string(), platform::UnitMode::write);
        for (auto& r : records) (void)WRITSAO(OUT, *r);
        platform::close_unit(OUT);
        std::size_t cycle = fs::file_size(one);
        cycles = cycle ? (bytes + cycle - 1) / cycle : 0;
    }
    ~BigFile() { fs::remove_all(dir); }
};

BigFile& big() {
    static BigFile f;
    return f;
}

void read_bench(benchmark::State& state, SaoEngine engine) {
    BigFile& f = big();
    auto rec = std::make_unique<SaoRecord>();
    std::size_t n = 0;
    for (auto _ : state) {
        platform::open_unit(IN, f.input.string(), platform::UnitMode::read);
        int32_t iend = 0;
        int16_t found = 0, ierr = 0;
        for (;;) {
            read_sao(iend, IN, *rec, found, ierr, engine);
            if (iend || ierr) break;
            ++n;
        }
        platform::close_unit(IN);
        if (!iend) state.SkipWithError("a record failed to read");
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(f.bytes));
    state.counters["records"] = double(n) / double(state.iterations());
}

void write_bench(benchmark::State& state, SaoEngine engine) {
    BigFile& f = big();
    if (f.records.empty()) {
        state.SkipWithError("no sample records");
        return;
    }
    const fs::path out = f.dir / "out.sao";
    std::size_t written = 0;
    for (auto _ : state) {
        // A new file each pass: emptying the last one would wait for the
        // file system to write it out.
        state.PauseTiming();
        fs::remove(out);
        state.ResumeTiming();
        platform::open_unit(OUT, out.string(), platform::UnitMode::write);
        bool good = true;
        for (std::size_t c = 0; c < f.cycles && good; ++c)
            for (auto& r : f.records) good = good && write_sao(OUT, *r, engine) == fmt::IoStat::ok;
        if (platform::close_unit(OUT) != fmt::IoStat::ok || !good) state.SkipWithError("write failed");
        written += fs::file_size(out);
    }
    state.SetBytesProcessed(int64_t(written));
}

void BM_ReadSao(benchmark::State& state) { read_bench(state, SaoEngine::rows); }
void BM_WriteSao(benchmark::State& state) { write_bench(state, SaoEngine::rows); }
void BM_ReadSaoGeneric(benchmark::State& state) { read_bench(state, SaoEngine::generic); }
void BM_WriteSaoGeneric(benchmark::State& state) { write_bench(state, SaoEngine::generic); }

BENCHMARK(BM_ReadSao)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_WriteSao)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_ReadSaoGeneric)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_WriteSaoGeneric)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace

BENCHMARK_MAIN();
