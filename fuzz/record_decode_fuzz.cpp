// Fuzz target: the decoding of every record the reader reads from any text,
// as the run decodes it (trace blocks reset first), and the plot of the
// profile sections stored in the record. A record the decoding accepts has
// usable sounder steps and a date and time in range.
#include <cstddef>
#include <cstdint>
#include <memory>

#include "blocks/peltarscale.h"
#include "blocks/run_state.h"
#include "fuzz_files.h"
#include "run/record_decode.h"
#include "sao/sao_record.h"
#include "ui/plot_frame.h"
#include "ui/plots.h"

namespace {

using namespace kolm;

void decode(const SaoRecord& rec) {
    reset_traces();
    if (!decode_record(rec)) return;
    KOLM_FUZZ_CHECK(SCLCHR.FQINCR > 0.0f && SCLCHR.HGRID > 0.0f && SCLCHR.BASEHT != UNDEFINED_BASE);
    const TimebkBlock& t = TIMEBK;
    KOLM_FUZZ_CHECK(t.IDAY >= 1 && t.IDAY <= 366 && t.IHR >= 0 && t.IHR <= 23 && t.MINU >= 0 && t.MINU <= 59 &&
                    t.ISEC >= 0 && t.ISEC <= 59);
    ui::plot_stored_profiles(rec);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    reset_run_state();
    ui::GRAPHMODE();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    static auto rec = std::make_unique<SaoRecord>();
    const std::string in = fuzz::scratch().at("input.sao");
    fuzz::write_bytes(in, data, size);
    fuzz::each_record(in, 1, *rec, decode);
    return 0;
}
