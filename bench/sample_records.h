// The records of the shared sample files, read once, and a working
// directory holding the model files that the inversion reads.
#pragma once

#include <unistd.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "blocks/run_state.h"
#include "inversion/profil1.h"
#include "models/table_generator.h"
#include "platform/text_units.h"
#include "run/record_decode.h"
#include "sao/sao_record.h"
#include "model_dir.h"

namespace kolm::bench {

struct Samples : ModelDir {
    std::vector<std::unique_ptr<SaoRecord>> records;
    std::vector<std::string> names;  // file of each record

    Samples() : ModelDir("kolm_samples") {
        namespace fs = std::filesystem;
        constexpr int32_t IN = 31;
        for (const auto& e : fs::directory_iterator(fs::path(KOLM_SHARED_DATA) / "sao")) {
            platform::open_unit(IN, e.path().string(), platform::UnitMode::read);
            for (;;) {
                auto r = std::make_unique<SaoRecord>();
                int32_t iend = 0;
                int16_t found = 0, ierr = 0;
                READSAO(iend, IN, *r, found, ierr);
                if (iend || ierr) break;
                records.push_back(std::move(r));
                names.push_back(e.path().filename().string());
            }
            platform::close_unit(IN);
        }
        reset_run_state();
    }
};

inline Samples& samples() {
    static Samples s;
    return s;
}

// Decodes and inverts one record; false when the decoding rejects it.
inline bool invert(const SaoRecord& rec) {
    reset_traces();
    if (!decode_record(rec)) return false;
    PROFIL1();
    return true;
}

}  // namespace kolm::bench
