// The TECCOF and B0B1DT tables for tests: made by the table generator once
// per test program and written into a test's working directory.
#pragma once

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
    return write_table_files(dir, "TECCOF", TECCOF_FORMAT, teccof_table()) &&
           write_table_files(dir, "B0B1DT", B0B1DT_FORMAT, b0b1dt_table());
}

}  // namespace kolm::testing
