// Helpers of the conversion tests: a checksum of a file's bytes, and a
// test-only STANDARD writer that turns an SAO record into a STANDARD record.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

#include "blocks/peltarscale.h"
#include "run/record_decode.h"
#include "sao/sao_record.h"
#include "models/calendar.h"

namespace kolm::testing {

// A STANDARD record: header, constants (a longitude wider than seven
// columns), date 2001-03-14 12:00:00, E at 3.0 MHz with three pairs, no F1,
// F2 at 8.0 MHz with ten pairs at 0.5 MHz spacing, each block closed by END.
inline const std::string STANDARD_RECORD =
    "STATION X  2001\n"
    "45.0 -105.0 1.2 60.0 100\n"
    "2001 3 14 12 0 0\n"
    "3.0\n2.0 110\n2.5 112\n3.0 120\nEND\n"
    "99\nEND\n"
    "8.0\n3.5 220\n4.0 222\n4.5 225\n5.0 230\n5.5 236\n6.0 245\n6.5 258\n7.0 275\n7.5 300\n8.0 360\nEND\n";

// FNV-1a of a file's bytes; 0 when it cannot be read.
inline uint64_t checksum(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return 0;
    uint64_t h = 1469598103934665603ull;
    for (std::istreambuf_iterator<char> it(in), end; it != end; ++it) {
        h ^= static_cast<unsigned char>(*it);
        h *= 1099511628211ull;
    }
    return h;
}

// One SAO record as a STANDARD record: its text line as header, the
// station constants, the date of its time stamp, and each trace with its
// critical frequency (99 when the record has none).
inline std::string standard_text(const SaoRecord& r) {
    std::string out(r.G2L1.data(), SAO_TEXT);
    while (!out.empty() && out.back() == ' ') out.pop_back();
    out += '\n';
    char buf[160];
    std::snprintf(buf, sizeof buf, "%.3f %.3f %.3f %.3f %.1f\n", double(r.G1(3)), double(r.G1(4)), double(r.G1(1)),
                  double(r.G1(2)), double(r.G1(5)));
    out += buf;
    reset_traces();
    if (!decode_time_stamp(r.DFI(3), r.G3.data())) return {};
    const TimebkBlock& t = TIMEBK;
    const int16_t yr4 = int16_t(t.IYR < 50 ? 2000 + t.IYR : t.IYR < 100 ? 1900 + t.IYR : t.IYR);
    int16_t month = 0, mday = 0;
    month_of_day(yr4, t.IDAY, month, mday);
    std::snprintf(buf, sizeof buf, "%d %d %d %d %d %d\n", yr4, month, mday, t.IHR, t.MINU, t.ISEC);
    out += buf;
    struct Layer {
        float fc;
        int32_t n;
        const float* f;
        const float* h;
    };
    const Layer layers[] = {{r.G4(9), r.DFI(17), r.G21.data(), r.R17.data()},
                            {r.G4(2), r.DFI(12), r.G16.data(), r.R12.data()},
                            {r.G4(1), r.DFI(7), r.G11.data(), r.R7.data()}};
    for (const Layer& L : layers) {
        std::snprintf(buf, sizeof buf, "%.3f\n", double(L.fc < 99.0f ? L.fc : 99.0f));
        out += buf;
        for (int32_t i = 0; i < L.n; ++i) {
            std::snprintf(buf, sizeof buf, "%.3f %.1f\n", double(L.f[i]), double(L.h[i]));
            out += buf;
        }
        out += "END\n";
    }
    return out;
}

}  // namespace kolm::testing
