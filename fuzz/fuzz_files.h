// Files and record loops shared by the fuzz targets.
//
// Each input is written into a scratch folder of its own (made once per
// process under $TMPDIR or /tmp, removed at exit) and read through the
// program's units, as the run reads its input files.
#pragma once

#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>

#include "platform/text_units.h"
#include "sao/sao_record.h"

namespace kolm::fuzz {

// A failed check: the fuzzer reports the input as a crash.
[[noreturn]] inline void fail(const char* what) {
    std::fprintf(stderr, "fuzz check failed: %s\n", what);
    std::abort();
}
#define KOLM_FUZZ_CHECK(cond) \
    do {                      \
        if (!(cond)) ::kolm::fuzz::fail(#cond); \
    } while (0)

class ScratchDir {
public:
    ScratchDir() {
        const char* tmp = std::getenv("TMPDIR");
        std::string tmpl = std::string(tmp && *tmp ? tmp : "/tmp") + "/kolm_fuzz_XXXXXX";
        if (::mkdtemp(tmpl.data()) == nullptr) fail("no scratch folder");
        path_ = tmpl;
    }
    ~ScratchDir() {
        platform::close_all_units();
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    std::string at(const char* name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

// The scratch folder of the process.
inline ScratchDir& scratch() {
    static ScratchDir dir;
    return dir;
}

inline void write_bytes(const std::string& path, const uint8_t* data, std::size_t size) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), std::streamsize(size));
    if (!out) fail("scratch file not written");
}

inline std::string read_bytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// A record as at the start of a run: numbers 0, texts blank.
inline void clear_record(SaoRecord& r) {
    std::memset(static_cast<void*>(&r), 0, sizeof r);
    for (auto* text : {&r.G2L1, &r.G2L2, &r.G3, &r.G54, &r.G55}) text->fill(' ');
}

// Every record of the file on the unit, through READSAO to the end of the
// file: each one read whole goes to use(rec). Records that fail are passed
// over, as the reader leaves the file after them.
template <class Use>
void each_record(const std::string& path, int32_t unit, SaoRecord& rec, Use use) {
    if (platform::open_unit(unit, path, platform::UnitMode::read) != 0) fail("scratch file not opened");
    int16_t found = 0, ierr = 0;
    for (;;) {
        clear_record(rec);
        int32_t iend = 0;
        READSAO(iend, unit, rec, found, ierr);
        if (iend != 0) break;
        if (ierr == 0) use(rec);
    }
    platform::close_unit(unit);
}

}  // namespace kolm::fuzz
