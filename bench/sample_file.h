// A large SAO input for the benchmarks: the station samples of the shared
// data, one after another, repeated until the file holds about target bytes.
#pragma once

#include <cstddef>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <memory>
#include <string>
#include <vector>

#include "platform/text_units.h"
#include "sao/sao_record.h"

namespace kolm::bench {

// Writes the file; the number of bytes written.
inline std::size_t write_repeated_samples(const std::filesystem::path& path, std::size_t target) {
    std::string samples;
    for (const auto& e : std::filesystem::directory_iterator(std::filesystem::path(KOLM_SHARED_DATA) / "sao")) {
        std::ifstream in(e.path(), std::ios::binary);
        std::stringstream ss;
        ss << in.rdbuf();
        samples += ss.str();
        if (!samples.empty() && samples.back() != '\n') samples += '\n';
    }
    std::ofstream out(path, std::ios::binary);
    std::size_t bytes = 0;
    while (bytes < target && !samples.empty()) {
        out << samples;
        bytes += samples.size();
    }
    return bytes;
}

// The records of one SAO file up to its first that does not read.
inline std::vector<std::unique_ptr<SaoRecord>> read_file_records(const std::string& path) {
    constexpr int32_t IN = 32;
    std::vector<std::unique_ptr<SaoRecord>> records;
    if (platform::open_unit(IN, path, platform::UnitMode::read) != 0) return records;
    for (;;) {
        auto r = std::make_unique<SaoRecord>();
        int32_t iend = 0;
        int16_t found = 0, ierr = 0;
        READSAO(iend, IN, *r, found, ierr);
        if (iend || ierr) break;
        records.push_back(std::move(r));
    }
    platform::close_unit(IN);
    return records;
}

}  // namespace kolm::bench
