// Reading, writing and run cache of the TECCOF and B0B1DT tables.
#include "models/table_files.h"

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>

#include "blocks/run_state.h"
#include "models/model_files.h"
#include "platform/data_files.h"
#include "platform/text_units.h"

namespace kolm {

const fmt::Format TECCOF_FORMAT("(F5.3,5(E14.6))");

namespace {

constexpr int32_t DATA_UNIT = 4;
constexpr std::size_t RECORD_BYTES = 4 * TABLE_VALUES;

// The whole file into bytes; false, with its fault, when it cannot be read
// or is empty.
bool read_bytes(const std::string& path, std::vector<unsigned char>& bytes, Fault& fault) {
    if (const int err = platform::read_whole_file(path, bytes); err != 0) {
        fault = {FileFault::unreadable, std::strerror(err)};
        return false;
    }
    if (bytes.empty()) {
        fault = {FileFault::empty, {}};
        return false;
    }
    return true;
}

bool read_binary(const std::string& path, TableRecords& records, Fault& fault) {
    static_assert(sizeof(float) == 4);
    records.clear();
    std::vector<unsigned char> bytes;
    if (!read_bytes(path, bytes, fault)) return false;
    if (bytes.size() % RECORD_BYTES != 0) {
        fault = {FileFault::truncated, std::to_string(bytes.size()) + " BYTES, NOT WHOLE RECORDS OF " +
                                           std::to_string(RECORD_BYTES)};
        return false;
    }
    const std::size_t n = bytes.size() / RECORD_BYTES;
    records.resize(n);
    for (std::size_t r = 0; r < n; ++r)
        for (int k = 0; k < TABLE_VALUES; ++k) {
            const unsigned char* b = bytes.data() + r * RECORD_BYTES + 4 * k;
            const uint32_t u = uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24;
            records[r].V[k] = std::bit_cast<float>(u);
        }
    for (std::size_t r = 0; r < n; ++r)
        if (!all_finite(records[r].V, TABLE_VALUES)) {
            fault = {FileFault::not_finite, "RECORD " + std::to_string(r + 1)};
            records.clear();
            return false;
        }
    return true;
}

bool blank(std::string_view line) { return line.find_first_not_of(" \t") == std::string_view::npos; }

// Columns of one record line under FORMAT.
std::size_t record_columns(const fmt::Format& format) {
    std::size_t n = 0;
    for (const fmt::Format::Desc& d : format.descs()) n += std::size_t(d.w);
    return n;
}

// The records of the text file: one per line under FORMAT (lines shorter
// than the format are cut off), or free-format over as many lines as the six
// values take when FORMAT is null. Blank lines are passed over.
bool parse_text(const fmt::Format* format, TableRecords& records, Fault& fault) {
    const std::size_t columns = format ? record_columns(*format) : 0;
    for (int n = 1;; ++n) {
        TableRecord rec{};
        const fmt::InItem item(rec.V, TABLE_VALUES);
        const std::string at = "RECORD " + std::to_string(n);
        fmt::IoStat st;
        if (format) {
            std::string_view line;
            st = platform::read_line(DATA_UNIT, line);
            if (st == fmt::IoStat::ok && blank(line)) {
                --n;
                continue;
            }
            if (st == fmt::IoStat::ok && line.size() < columns) {
                fault = {FileFault::truncated, at};
                return false;
            }
            if (st == fmt::IoStat::ok) st = fmt::read_text(line, *format, {item});
        } else {
            // A value not given keeps 0; a record that the end of the file
            // cuts short stores some values and none after them.
            const float none = std::numeric_limits<float>::quiet_NaN();
            std::fill(rec.V, rec.V + TABLE_VALUES, none);
            st = fmt::read_free(DATA_UNIT, {item});
            bool some = false;
            for (float& v : rec.V) {
                some = some || !std::isnan(v);
                if (std::isnan(v)) v = 0.0f;
            }
            if (st == fmt::IoStat::end && some) {
                fault = {FileFault::truncated, at};
                return false;
            }
        }
        if (st == fmt::IoStat::end) break;
        if (st != fmt::IoStat::ok) {
            fault = {FileFault::bad_value, at};
            return false;
        }
        if (!all_finite(rec.V, TABLE_VALUES)) {
            fault = {FileFault::not_finite, at};
            return false;
        }
        records.push_back(rec);
    }
    if (records.empty()) fault = {FileFault::no_data, {}};
    return !records.empty();
}

bool read_text(const std::string& path, const fmt::Format* format, TableRecords& records, Fault& fault) {
    records.clear();
    std::vector<unsigned char> bytes;
    if (!read_bytes(path, bytes, fault)) return false;
    if (holds_control_bytes(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()))) {
        fault = {FileFault::not_text, {}};
        return false;
    }
    if (const int err = platform::open_unit(DATA_UNIT, path, platform::UnitMode::read); err != 0) {
        fault = {FileFault::unreadable, std::strerror(err)};
        return false;
    }
    const bool ok = parse_text(format, records, fault);
    platform::close_unit(DATA_UNIT);
    if (!ok) records.clear();
    return ok;
}

std::string file_name(std::string_view name, std::string_view ext) {
    std::string s(name);
    s += '.';
    s += ext;
    return s;
}

// One form of a table as read in this run, kept with the file's identity.
struct TableForm {
    ModelFile FILE;
    bool GOOD = false;  // the file held gave RECORDS
    TableRecords RECORDS;
};

// Both forms of a table; CHECKED: the files were checked for this record.
struct HeldTable {
    TableForm BIN, ASC;
    const TableRecords* USED = nullptr;
    bool CHECKED = false;
};

// The tables as read in this run.
// READS counts the reads of a form's records.
struct ModelTableState {
    HeldTable TECCOF;
    HeldTable B0B1DT;
    uint64_t READS = 0;
};
ModelTableState MODELTABLES;
const RunStateReset reset_tables([] { MODELTABLES = ModelTableState{}; });

// The records of one form, read only when its file is new or changed; null
// when it is missing or bad. A bad file is named on the console.
const TableRecords* form_records(const std::string& name, const fmt::Format* format, bool binary, TableForm& form) {
    std::string path;
    platform::FileIdentity now;
    switch (check_model_file(name, form.FILE, path, now)) {
        case FileCheck::held: return form.GOOD ? &form.RECORDS : nullptr;
        case FileCheck::missing: return nullptr;
        case FileCheck::changed: break;
    }
    Fault fault;
    ++MODELTABLES.READS;
    form.GOOD = binary ? read_binary(path, form.RECORDS, fault) : read_text(path, format, form.RECORDS, fault);
    // A file that cannot be opened is tried again at its next use.
    if (form.GOOD || fault.what != FileFault::unreadable) hold_model_file(form.FILE, now);
    if (!form.GOOD) report_bad_model_file(form.FILE, path, now, fault);
    return form.GOOD ? &form.RECORDS : nullptr;
}

// The table in use: its files are checked once per record while it is
// found, at every call while it is not.
const TableRecords* run_table(std::string_view name, const fmt::Format* format, HeldTable& t) {
    if (t.CHECKED && t.USED) return t.USED;
    t.USED = form_records(file_name(name, "BIN"), nullptr, true, t.BIN);
    if (!t.USED) t.USED = form_records(file_name(name, "ASC"), format, false, t.ASC);
    t.CHECKED = true;
    return t.USED;
}

}  // namespace

bool read_table_files(std::string_view NAME, const fmt::Format* ASC_FORMAT, TableRecords& records) {
    records.clear();
    Fault fault;
    std::string path = platform::find_data_file(file_name(NAME, "BIN"));
    if (!path.empty() && read_binary(path, records, fault)) return true;
    path = platform::find_data_file(file_name(NAME, "ASC"));
    if (!path.empty() && read_text(path, ASC_FORMAT, records, fault)) return true;
    records.clear();
    return false;
}

bool write_table_files(const std::string& DIR, std::string_view NAME, const fmt::Format& ASC_FORMAT,
                       const TableRecords& records) {
    const std::string base = (DIR.empty() ? std::string() : DIR + "/") + std::string(NAME);
    if (platform::open_unit(DATA_UNIT, base + ".ASC", platform::UnitMode::write) != 0) return false;
    std::vector<unsigned char> bytes;
    bytes.reserve(records.size() * RECORD_BYTES);
    bool ok = true;
    for (const TableRecord& rec : records) {
        // The binary record takes the values as the text line gives them back.
        std::string line;
        TableRecord back{};
        ok = ok && fmt::write_text(line, ASC_FORMAT, {fmt::OutItem(rec.V, TABLE_VALUES)}) == fmt::IoStat::ok &&
             fmt::read_text(line, ASC_FORMAT, {fmt::InItem(back.V, TABLE_VALUES)}) == fmt::IoStat::ok &&
             platform::write_line(DATA_UNIT, line) == fmt::IoStat::ok;
        if (!ok) break;
        for (float v : back.V) {
            const uint32_t u = std::bit_cast<uint32_t>(v);
            for (int k = 0; k < 4; ++k) bytes.push_back(static_cast<unsigned char>(u >> (8 * k)));
        }
    }
    ok = platform::close_unit(DATA_UNIT) == fmt::IoStat::ok && ok;
    return ok && platform::write_file_bytes(base + ".BIN", bytes.data(), bytes.size()) == 0;
}

const TableRecords* teccof_run_table() { return run_table("TECCOF", &TECCOF_FORMAT, MODELTABLES.TECCOF); }

const TableRecords* b0b1dt_run_table() { return run_table("B0B1DT", nullptr, MODELTABLES.B0B1DT); }

uint64_t model_table_reads() { return MODELTABLES.READS; }

void recheck_model_tables() {
    MODELTABLES.TECCOF.CHECKED = false;
    MODELTABLES.B0B1DT.CHECKED = false;
}

}  // namespace kolm
