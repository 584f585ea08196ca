// Cost of the quasi-parabolic fit per sample record: the fit alone on the
// 1 km table the inversion leaves for it, and the record's inversion with
// the fit at accuracy 0 (none), 0.01 and 0.001 and the user's 10 km table.
// Arguments: record index, accuracy in thousandths.
#include <benchmark/benchmark.h>

#include "blocks/peltarscale.h"
#include "blocks/peltartrueh.h"
#include "blocks/status.h"
#include "models/qp_fit.h"
#include "sample_records.h"

namespace {

using namespace kolm;
using kolm::bench::invert;
using kolm::bench::samples;

// The record inverted with a 1 km table and no fit, the table cut back to
// the F2 peak: the table the fit reads. The end step of the inversion has
// moved the valley width to its reported copy; the fit places the valley
// thirds by it, so it goes back. False when there is no profile.
bool fit_input(int i) {
    auto& s = samples();
    if (i >= int(s.records.size())) return false;
    NHPROF.HSTEP = 1.0f;
    QPRES.ERRMAX = 0.0f;
    if (!invert(*s.records[size_t(i)]) || SCALE2.IQUALE(iquale::STATUS) != status::PROFILE_OBTAINED) return false;
    int16_t n = 1;
    while (n < NHPROF.NPTH && NHPROF.HTAB(n) < LAYCOF.ZMF2 - 0.0005f) ++n;
    NHPROF.NPTH = n;
    LAYCTL.W = LAYCTL.WOUT;
    return true;
}

void BM_QpFit(benchmark::State& state) {
    const int i = int(state.range(0));
    if (!fit_input(i)) {
        state.SkipWithError("no profile");
        return;
    }
    QPRES.ERRMAX = float(state.range(1)) / 1000.0f;
    for (auto _ : state) QPFIT();
    // A fit that gives up at once would time nothing of interest.
    if (QPRES.NSEG == 0) state.SkipWithError("the fit gave no segments");
    state.SetLabel(samples().names[size_t(i)]);
    state.counters["points"] = NHPROF.NPTH;
    state.counters["segments"] = QPRES.NSEG;
}

void BM_InversionWithFit(benchmark::State& state) {
    auto& s = samples();
    const int i = int(state.range(0));
    if (i >= int(s.records.size())) {
        state.SkipWithError("no such sample");
        return;
    }
    NHPROF.HSTEP = 10.0f;
    QPRES.ERRMAX = float(state.range(1)) / 1000.0f;
    for (auto _ : state) invert(*s.records[size_t(i)]);
    state.SetLabel(s.names[size_t(i)]);
    state.counters["status"] = SCALE2.IQUALE(iquale::STATUS);
    state.counters["segments"] = QPRES.NSEG;
}

BENCHMARK(BM_QpFit)->ArgsProduct({{0, 1, 2, 3}, {10, 1}})->Unit(benchmark::kMicrosecond)->MinTime(0.5);
BENCHMARK(BM_InversionWithFit)->ArgsProduct({{0, 1, 2, 3}, {0, 10, 1}})->Unit(benchmark::kMicrosecond)->MinTime(0.5);

}  // namespace

BENCHMARK_MAIN();
