// The two tables that come beside the program: TECCOF, the integration
// weights of the electron content, and B0B1DT, the bottomside shapes. Each
// is a list of records of six reals (a key and five values), held as
// NAME.BIN, 24-byte records of six little-endian 32-bit reals back to back,
// or as NAME.ASC, one record per line; the binary form is preferred.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "notation/fixed_format.h"

namespace kolm {

inline constexpr int TABLE_VALUES = 6;  // reals per record: the key, then five values

struct TableRecord {
    float V[TABLE_VALUES];
};
using TableRecords = std::vector<TableRecord>;

// Records of the table NAME ("TECCOF", "B0B1DT") from the working
// directory: NAME.BIN when it is good, else NAME.ASC read line by line under
// ASC_FORMAT, or free-format when ASC_FORMAT is null; blank lines are passed
// over. A form is bad when it is empty, holds no record, ends inside a
// record (a binary size that is not whole records, a text line shorter than
// ASC_FORMAT, a free-format record cut short), holds a value that does not
// read or is not finite, or, as text, bytes no text holds. False, and no
// records, when neither form is good.
bool read_table_files(std::string_view NAME, const fmt::Format* ASC_FORMAT, TableRecords& records);

// Writes NAME.BIN and NAME.ASC into the directory DIR, the text form one
// record per line under ASC_FORMAT. The binary records hold the values as
// the text reads back, so both forms are the same table. False when a file
// could not be written.
bool write_table_files(const std::string& DIR, std::string_view NAME, const fmt::Format& ASC_FORMAT,
                       const TableRecords& records);

// The text layout of TECCOF.ASC: the key ratio, then five weights.
extern const fmt::Format TECCOF_FORMAT;

// The tables of the run: read at their first use and kept with their files'
// identities. While a table is found its files are checked once per record
// (after recheck_model_tables), so a file changed or removed during the run
// is seen at the next record; while it is not found, every call looks for it
// again. A bad form is named on the console once and counts as missing.
// Null while neither form is good.
const TableRecords* teccof_run_table();
const TableRecords* b0b1dt_run_table();

// How many times table records were read in this run: records a run table
// returned are unchanged while this count is.
uint64_t model_table_reads();

// The next use of each table checks its files again (called for each record).
void recheck_model_tables();

}  // namespace kolm
