// Reading, writing and run cache of the TECCOF and B0B1DT tables.
#include "models/table_files.h"

#include <bit>
#include <cstdint>

#include "blocks/run_state.h"
#include "platform/data_files.h"
#include "platform/text_units.h"

namespace kolm {

const fmt::Format TECCOF_FORMAT("(F5.3,5(E14.6))");

namespace {

constexpr int32_t DATA_UNIT = 4;
constexpr std::size_t RECORD_BYTES = 4 * TABLE_VALUES;

// The tables as read in this run; a table is read once, when first needed
// and found.
struct ModelTableState {
    TableRecords TECCOF;
    TableRecords B0B1DT;
    bool TECCOF_READ = false;
    bool B0B1DT_READ = false;
};
ModelTableState MODELTABLES;
const RunStateReset reset_tables([] { MODELTABLES = ModelTableState{}; });

bool read_binary(const std::string& path, TableRecords& records) {
    static_assert(sizeof(float) == 4);
    std::vector<unsigned char> bytes;
    if (platform::read_whole_file(path, bytes) != 0) return false;
    const std::size_t n = bytes.size() / RECORD_BYTES;
    records.resize(n);
    for (std::size_t r = 0; r < n; ++r)
        for (int k = 0; k < TABLE_VALUES; ++k) {
            const unsigned char* b = bytes.data() + r * RECORD_BYTES + 4 * k;
            const uint32_t u = uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24;
            records[r].V[k] = std::bit_cast<float>(u);
        }
    return n > 0;
}

bool blank(std::string_view line) { return line.find_first_not_of(" \t") == std::string_view::npos; }

bool read_text(const std::string& path, const fmt::Format* format, TableRecords& records) {
    records.clear();
    if (platform::open_unit(DATA_UNIT, path, platform::UnitMode::read) != 0) return false;
    for (;;) {
        TableRecord rec{};
        const fmt::InItem item(rec.V, TABLE_VALUES);
        fmt::IoStat st;
        if (format) {
            // One record per line.
            std::string_view line;
            st = platform::read_line(DATA_UNIT, line);
            if (st == fmt::IoStat::ok && blank(line)) continue;
            if (st == fmt::IoStat::ok) st = fmt::read_text(line, *format, {item});
        } else {
            // Six values from the start of a line on, over as many lines as they take.
            st = fmt::read_free(DATA_UNIT, {item});
        }
        if (st != fmt::IoStat::ok) break;
        records.push_back(rec);
    }
    platform::close_unit(DATA_UNIT);
    return !records.empty();
}

std::string file_name(std::string_view name, std::string_view ext) {
    std::string s(name);
    s += '.';
    s += ext;
    return s;
}

const TableRecords* cached(std::string_view name, const fmt::Format* format, TableRecords& table, bool& read) {
    if (!read) read = read_table_files(name, format, table);
    return read ? &table : nullptr;
}

}  // namespace

bool read_table_files(std::string_view NAME, const fmt::Format* ASC_FORMAT, TableRecords& records) {
    records.clear();
    std::string path = platform::find_data_file(file_name(NAME, "BIN"));
    if (!path.empty() && read_binary(path, records)) return true;
    path = platform::find_data_file(file_name(NAME, "ASC"));
    if (!path.empty() && read_text(path, ASC_FORMAT, records)) return true;
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

const TableRecords* teccof_run_table() {
    return cached("TECCOF", &TECCOF_FORMAT, MODELTABLES.TECCOF, MODELTABLES.TECCOF_READ);
}

const TableRecords* b0b1dt_run_table() {
    return cached("B0B1DT", nullptr, MODELTABLES.B0B1DT, MODELTABLES.B0B1DT_READ);
}

}  // namespace kolm
