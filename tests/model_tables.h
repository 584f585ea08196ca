// The TECCOF and B0B1DT tables for tests: those the build's table generator
// wrote, or made here by the same code when the build has none.
#pragma once

#include <filesystem>
#include <string>

#include "models/table_files.h"
#include "models/table_generator.h"

namespace kolm::testing {

inline const TableRecords& teccof_table() {
    static const TableRecords t = teccof_records();
    return t;
}

inline const TableRecords& b0b1dt_table() {
    static const TableRecords t = b0b1dt_records();
    return t;
}

// Writes both forms of both tables into DIR ("" the working directory).
inline bool write_test_tables(const std::string& dir = "") {
    namespace fs = std::filesystem;
    const fs::path built = fs::path(KOLM_BINARY_DIR) / "tables";
    const char* names[] = {"TECCOF.BIN", "TECCOF.ASC", "B0B1DT.BIN", "B0B1DT.ASC"};
    bool complete = true;
    for (const char* n : names) complete = complete && fs::is_regular_file(built / n);
    if (complete) {
        std::error_code ec;
        for (const char* n : names) {
            fs::copy_file(built / n, fs::path(dir.empty() ? "." : dir) / n, fs::copy_options::overwrite_existing, ec);
            if (ec) return false;
        }
        return true;
    }
    return write_table_files(dir, "TECCOF", TECCOF_FORMAT, teccof_table()) &&
           write_table_files(dir, "B0B1DT", B0B1DT_FORMAT, b0b1dt_table());
}

}  // namespace kolm::testing
