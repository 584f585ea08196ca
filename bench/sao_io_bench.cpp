// Reading and writing a large SAO file: the station samples repeated to
// about 20 MB; throughput in bytes per second, through the row statements
// READSAO and WRITSAO use and, for comparison, through the generic engine.
// The file lives in memory, so that both directions measure the program
// against the page cache and not a disk: in /dev/shm (a tmpfs), or under
// TMPDIR when it is set. The context lines of the output name the folder
// and its file system.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
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
        const char* tmpdir = std::getenv("TMPDIR");
        const fs::path base = (tmpdir && *tmpdir) || !fs::is_directory("/dev/shm") ? fs::temp_directory_path()
                                                                                  : fs::path("/dev/shm");
        std::string tmpl = (base / "kolm_bench_XXXXXX").string();
        dir = mkdtemp(tmpl.data());
        struct statfs fsinfo {};
        const bool in_memory = statfs(dir.c_str(), &fsinfo) == 0 && fsinfo.f_type == 0x01021994;  // tmpfs
        benchmark::AddCustomContext("sao_file_folder", dir.string() + (in_memory ? " (tmpfs)" : " (not tmpfs)"));
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

// The floors of both directions: the file's bytes read, or written to a new
// file, in pieces of the units' buffer size, with nothing done to them.
void BM_ReadBytes(benchmark::State& state) {
    BigFile& f = big();
    std::vector<char> buf(1 << 16);
    for (auto _ : state) {
        const int fd = ::open(f.input.c_str(), O_RDONLY);
        while (::read(fd, buf.data(), buf.size()) > 0) {
        }
        ::close(fd);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(f.bytes));
}

void BM_WriteBytes(benchmark::State& state) {
    BigFile& f = big();
    std::ifstream in(f.input, std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const fs::path out = f.dir / "out.sao";
    for (auto _ : state) {
        state.PauseTiming();
        fs::remove(out);
        state.ResumeTiming();
        const int fd = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        for (std::size_t k = 0; k < text.size(); k += 1 << 16)
            if (::write(fd, text.data() + k, std::min<std::size_t>(1 << 16, text.size() - k)) < 0) break;
        ::close(fd);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(text.size()));
}

void BM_ReadSao(benchmark::State& state) { read_bench(state, SaoEngine::rows); }
void BM_WriteSao(benchmark::State& state) { write_bench(state, SaoEngine::rows); }
void BM_ReadSaoGeneric(benchmark::State& state) { read_bench(state, SaoEngine::generic); }
void BM_WriteSaoGeneric(benchmark::State& state) { write_bench(state, SaoEngine::generic); }

BENCHMARK(BM_ReadBytes)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_WriteBytes)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_ReadSao)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_WriteSao)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_ReadSaoGeneric)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_WriteSaoGeneric)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    big();  // the file made first: its folder is named among the context lines
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
