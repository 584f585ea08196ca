// Splits SAO files into one file per record, for the seed corpus of the
// fuzz targets: split_records OUTDIR FILE...
//
// A record ends at the first line after which the reader has read it whole
// (or rejected it); found by reading ever longer runs of lines, so the
// record boundaries are exactly the reader's. Each record keeps the lines
// the reader skipped in front of it.
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "fuzz_files.h"
#include "sao/sao_record.h"

namespace {

using namespace kolm;

std::vector<std::string> lines_of(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line + "\n");
    return lines;
}

// Whether the lines first..last-1 hold a record the reader reads or rejects
// before it needs another line.
bool holds_record(const std::vector<std::string>& lines, std::size_t first, std::size_t last, SaoRecord& rec) {
    const std::string probe = fuzz::scratch().at("probe.sao");
    {
        std::ofstream out(probe, std::ios::binary | std::ios::trunc);
        for (std::size_t i = first; i < last; ++i) out << lines[i];
    }
    if (platform::open_unit(1, probe, platform::UnitMode::read) != 0) fuzz::fail("probe not opened");
    fuzz::clear_record(rec);
    int32_t iend = 0;
    int16_t found = 0, ierr = 0;
    READSAO(iend, 1, rec, found, ierr);
    platform::close_unit(1);
    return iend == 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: split_records OUTDIR FILE...\n");
        return 2;
    }
    auto rec = std::make_unique<SaoRecord>();
    const std::string outdir = argv[1];
    int written = 0;
    for (int a = 2; a < argc; ++a) {
        const std::vector<std::string> lines = lines_of(argv[a]);
        const std::string base = std::filesystem::path(argv[a]).filename().string();
        std::size_t first = 0;
        int n = 0;
        while (first < lines.size()) {
            std::size_t last = first + 1;
            while (last <= lines.size() && !holds_record(lines, first, last, *rec)) ++last;
            if (last > lines.size()) last = lines.size();  // a truncated record ends the file
            std::ofstream out(outdir + "/" + base + "." + std::to_string(++n), std::ios::binary);
            for (std::size_t i = first; i < last; ++i) out << lines[i];
            ++written;
            first = last;
        }
    }
    std::printf("%d records into %s\n", written, outdir.c_str());
    return 0;
}
