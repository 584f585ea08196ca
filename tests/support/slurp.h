// The bytes of a file as a string (empty when it cannot be read).
#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace kolm::testing {

inline std::string slurp(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

}  // namespace kolm::testing
