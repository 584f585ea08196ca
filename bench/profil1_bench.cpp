// The inversion of the real sample records: decoding and PROFIL1 per record,
// in a temporary working directory holding the model files; records per
// second. Cycling the samples changes the month at every record (a sunspot
// lookup each time); one sample repeated keeps the month.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "blocks/peltarscale.h"
#include "blocks/run_state.h"
#include "inversion/profil1.h"
#include "platform/text_units.h"
#include "run/record_decode.h"
#include "sao/sao_record.h"

namespace {

namespace fs = std::filesystem;
using namespace kolm;

constexpr int32_t IN = 31;

struct Samples {
    fs::path old, dir;
    std::vector<std::unique_ptr<SaoRecord>> records;

    Samples() {
        old = fs::current_path();
        std::string tmpl = (fs::temp_directory_path() / "kolm_profil1_XXXXXX").string();
        dir = mkdtemp(tmpl.data());
        for (const auto& e : fs::directory_iterator(fs::path(KOLM_SHARED_DATA) / "models"))
            fs::copy_file(e.path(), dir / e.path().filename());
        for (const auto& e : fs::directory_iterator(fs::path(KOLM_SHARED_DATA) / "sao")) {
            platform::open_unit(IN, e.path().string(), platform::UnitMode::read);
            for (;;) {
                auto r = std::make_unique<SaoRecord>();
                int32_t iend = 0;
                int16_t found = 0, ierr = 0;
                READSAO(iend, IN, *r, found, ierr);
                if (iend || ierr) break;
                records.push_back(std::move(r));
            }
            platform::close_unit(IN);
        }
        fs::current_path(dir);
        reset_run_state();
    }
    ~Samples() {
        fs::current_path(old);
        fs::remove_all(dir);
    }
};

Samples& samples() {
    static Samples s;
    return s;
}

// Decodes and inverts one record; false when the decoding rejects it.
bool invert(const SaoRecord& rec) {
    RESET_TRACES();
    if (!DECODE_RECORD(rec)) return false;
    PROFIL1();
    return true;
}

void BM_Profil1AllSamples(benchmark::State& state) {
    Samples& s = samples();
    if (s.records.empty()) {
        state.SkipWithError("no sample records");
        return;
    }
    int64_t n = 0, inverted = 0;
    for (auto _ : state)
        for (const auto& r : s.records) {
            inverted += invert(*r) && SCALE2.IQUALE(2) == 2;
            ++n;
        }
    state.SetItemsProcessed(n);
    state.counters["records/s"] = benchmark::Counter(double(n), benchmark::Counter::kIsRate);
    state.counters["profiles"] = double(inverted) / double(state.iterations());
}

void BM_Profil1OneSample(benchmark::State& state) {
    Samples& s = samples();
    const int i = int(state.range(0));
    if (i >= int(s.records.size())) {
        state.SkipWithError("no such sample");
        return;
    }
    int64_t n = 0;
    for (auto _ : state) {
        invert(*s.records[i]);
        ++n;
    }
    state.SetItemsProcessed(n);
    state.counters["records/s"] = benchmark::Counter(double(n), benchmark::Counter::kIsRate);
    state.counters["status"] = SCALE2.IQUALE(2);
}

BENCHMARK(BM_Profil1AllSamples)->Unit(benchmark::kMicrosecond)->MinTime(2.0);
BENCHMARK(BM_Profil1OneSample)->DenseRange(0, 3)->Unit(benchmark::kMicrosecond)->MinTime(1.0);

}  // namespace

BENCHMARK_MAIN();
