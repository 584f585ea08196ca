// Fuzz target: the SAO reader on any text. Every record READSAO reads whole
// is written by WRITSAO at code 5, as the run writes it, and must read back
// alone, with the index as written; once written, a record read back is
// written again as the same text.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>

#include "fuzz_files.h"
#include "platform/text_units.h"
#include "sao/sao_record.h"

namespace {

using namespace kolm;
using fuzz::scratch;

constexpr int32_t IN_UNIT = 1, OUT_UNIT = 3, BACK_UNIT = 4;

// Writes rec alone into path; the file's text.
std::string write_alone(const std::string& path, SaoRecord& rec) {
    if (platform::open_unit(OUT_UNIT, path, platform::UnitMode::write) != 0) fuzz::fail("output not opened");
    KOLM_FUZZ_CHECK(WRITSAO(OUT_UNIT, rec) == platform::IoStat::ok);
    platform::close_unit(OUT_UNIT);
    return fuzz::read_bytes(path);
}

// The first line in which the two texts differ, on standard error.
void show_difference(const std::string& a, const std::string& b) {
    std::size_t i = 0, line = 1, start = 0;
    for (; i < a.size() && i < b.size() && a[i] == b[i]; ++i)
        if (a[i] == '\n') {
            ++line;
            start = i + 1;
        }
    auto rest = [&](const std::string& s) { return s.substr(start, s.find('\n', start) - start); };
    std::fprintf(stderr, "line %zu, column %zu:\n  written: [%s]\n  again:   [%s]\n", line, i - start + 1,
                 rest(a).c_str(), rest(b).c_str());
}

// Writes rec, reads it back and checks the index; the record read back into back.
void write_and_read(SaoRecord& rec, SaoRecord& back, std::string& text) {
    static auto reading = std::make_unique<SaoRecord>();
    text = write_alone(scratch().at("written.sao"), rec);
    // The index as the writer announces it: no true heights, no group 40 at
    // codes 0 and 1, counts capped at its capacities (those of groups the
    // reader did not read, such as companions of an absent lead group).
    FArray<int32_t, SAO_NDFI> expected = rec.DFI;
    for (int g = 1; g <= SAO_NGROUPS; ++g)
        if (g != 2) expected(g) = std::min(expected(g), int32_t(SAO_GROUPS[g].cap_write));
    if (rec.DFI(80) < 2) expected(40) = 0;
    int records = 0;
    fuzz::each_record(scratch().at("written.sao"), BACK_UNIT, *reading, [&](SaoRecord& r) {
        ++records;
        for (int g = 1; g <= SAO_NDFI; ++g) {
            if (r.DFI(g) == expected(g)) continue;
            std::fprintf(stderr, "index entry %d: written %d, read %d\nwritten:\n%s", g, int(expected(g)),
                         int(r.DFI(g)), text.c_str());
            fuzz::fail("the index read back is not the one written");
        }
        back = r;
    });
    if (records != 1) {
        std::fprintf(stderr, "written:\n%s", text.c_str());
        fuzz::fail("the record written does not read back");
    }
}

void round_trip(SaoRecord& rec) {
    // Written at code 5, as the run writes every record.
    if (rec.DFI(80) < 2) sao_heights_to_reals(rec);
    rec.DFI(80) = 5;
    static auto once = std::make_unique<SaoRecord>();
    static auto twice = std::make_unique<SaoRecord>();
    std::string first, second, third;
    write_and_read(rec, *once, first);
    // What the writer wrote holds the values to the precision of its fields
    // (the derived densities come from the values before rounding): from
    // there on a record reads and writes the same text.
    write_and_read(*once, *twice, second);
    third = write_alone(scratch().at("written.sao"), *twice);
    if (third != second) {
        show_difference(second, third);
        fuzz::fail("a record read back is written differently");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    static auto rec = std::make_unique<SaoRecord>();
    const std::string in = scratch().at("input.sao");
    fuzz::write_bytes(in, data, size);
    fuzz::each_record(in, IN_UNIT, *rec, [](SaoRecord& r) { round_trip(r); });
    return 0;
}
