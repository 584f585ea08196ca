// The inversion of the real sample records: decoding and PROFIL1 per record,
// in a temporary working directory holding the model files; records per
// second. Cycling the samples changes the month at every record (a sunspot
// lookup each time); one sample repeated keeps the month.
#include <benchmark/benchmark.h>

#include "blocks/peltarscale.h"
#include "sample_records.h"

namespace {

using namespace kolm;
using kolm::bench::invert;
using kolm::bench::Samples;
using kolm::bench::samples;

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
