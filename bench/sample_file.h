// A large SAO input for the benchmarks: the station samples of the shared
// data, one after another, repeated until the file holds about target bytes.
#pragma once

#include <cstddef>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

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

}  // namespace kolm::bench
