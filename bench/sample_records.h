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
#include "sample_file.h"

namespace kolm::bench {

struct Samples : ModelDir {
    std::vector<std::unique_ptr<SaoRecord>> records;
    std::vector<std::string> names;  // file of each record

    Samples() : ModelDir("kolm_samples") {
        namespace fs = std::filesystem;
        for (const auto& e : fs::directory_iterator(fs::path(KOLM_SHARED_DATA) / "sao")) {
            for (auto& r : read_file_records(e.path().string())) {
                records.push_back(std::move(r));
                names.push_back(e.path().filename().string());
            }
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
