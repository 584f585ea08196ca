// Fuzz target: an SAO input file through the whole run after the dialog
// (reading, decoding, the inversion, the results and the writer), as kolm
// runs it headless with a height step of 10 km and an accuracy of 0.01.
// Every record handed to the inversion is written, and the output reads
// back record for record and decodes again.
//
// The model files and the TECCOF and B0B1DT tables must be in the current
// directory, as for kolm (tools/fuzz sets up such a folder).
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>

#include "blocks/peltarscale.h"
#include "blocks/peltartrueh.h"
#include "blocks/run_state.h"
#include "fuzz_files.h"
#include "platform/backend.h"
#include "platform/data_files.h"
#include "platform/graphics.h"
#include "platform/headless.h"
#include "run/record_decode.h"
#include "run/run_driver.h"
#include "sao/sao_record.h"
#include "ui/plot_frame.h"

namespace {

using namespace kolm;

// The headless answers without the console: a run on a fuzzed file talks a lot.
class QuietBackend final : public platform::Backend {
public:
    int32_t run_modal(platform::Dialog& dlg) override { return platform::headless::run_modal(dlg); }
    void console_line(std::string_view) override {}
    void result_line(std::string_view) override {}
    void message_box(std::string_view, std::string_view) override {}
    void pause(std::string_view) override {}
    // The model files are in place: no record may stop the program.
    [[noreturn]] void stop(std::string_view text) override {
        std::fprintf(stderr, "fatal stop: %.*s\n", int(text.size()), text.data());
        fuzz::fail("the run stopped on a record");
    }
};

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    for (const char* name : {"SUNSPT.ASC", "URSI11.ASC", "FIELDG-1973.txt", "TECCOF.BIN", "B0B1DT.BIN"}) {
        if (platform::find_data_file(name).empty()) {
            std::fprintf(stderr, "record_run_fuzz: %s is not in the current directory (see tools/fuzz)\n", name);
            std::exit(2);
        }
    }
    static QuietBackend quiet;
    platform::install_backend(&quiet);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    static auto back = std::make_unique<SaoRecord>();
    const std::string in = fuzz::scratch().at("input.sao");
    const std::string out = fuzz::scratch().at("output.sao");
    fuzz::write_bytes(in, data, size);
    std::error_code ec;
    std::filesystem::remove(out, ec);

    reset_run_state();
    platform::headless::reset();
    platform::gfx::reset();
    std::memcpy(SAOHDR.VERSION, VERSION_TEXT, 8);
    ui::GRAPHMODE();
    NHPROF.HSTEP = 10.0f;
    QPRES.ERRMAX = 0.01f;
    RUN.CONV = 'Y';
    RUN.ISTD = 1;
    RUN.INNAME = in;
    RUN.OUTNAME = out;
    run_files();
    const int32_t inverted = RUN.NPROF;

    if (inverted == 0) {
        KOLM_FUZZ_CHECK(!std::filesystem::exists(out));
        return 0;
    }
    int32_t records = 0;
    reset_run_state();
    fuzz::each_record(out, 2, *back, [&](SaoRecord& r) {
        ++records;
        reset_traces();
        KOLM_FUZZ_CHECK(decode_record(r));
    });
    KOLM_FUZZ_CHECK(records == inverted);
    return 0;
}
