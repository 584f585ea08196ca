// The group table of the SAO record and the format slots of each version code.
#include "driver/sao_record.h"

namespace kolm {

namespace {
constexpr SaoKind I = SaoKind::I, R = SaoKind::R, D = SaoKind::D, A = SaoKind::A, T = SaoKind::T,
                  H = SaoKind::H;
}  // namespace

//  slot_in, slot_out, kind, cap_read, cap_real, cap_write, cap_temp
const SaoGroup SAO_GROUPS[SAO_NGROUPS + 1] = {
    {0, 0, I, 0, 0, 0, 0},
    {2, 2, R, 16, 0, 16, 5},          // 1 geophysical constants
    {3, 3, T, 2, 0, 2, 1},            // 2 system text (lines)
    {4, 4, A, 120, 0, 120, 60},       // 3 time stamp
    {5, 5, R, 120, 0, 120, 45},       // 4 characteristics
    {6, 6, I, 60, 0, 60, 20},         // 5 analysis flags
    {2, 2, R, 16, 0, 16, 16},         // 6
    {1, 1, H, 400, 400, 400, 400},    // 7 F2 virtual heights
    {1, 0, H, 400, 1000, 0, 400},     // 8 F2 true heights
    {10, 10, I, 400, 0, 400, 400},    // 9 amplitudes
    {7, 7, I, 400, 0, 400, 400},      // 10 Doppler digits
    {8, 8, R, 400, 0, 400, 400},      // 11 frequencies
    {1, 1, H, 150, 150, 150, 150},    // 12 F1
    {1, 0, H, 150, 1000, 0, 150},     // 13
    {10, 10, I, 150, 0, 150, 150},    // 14
    {7, 7, I, 150, 0, 150, 150},      // 15
    {8, 8, R, 150, 0, 150, 150},      // 16
    {1, 1, H, 150, 150, 150, 150},    // 17 E
    {1, 0, H, 150, 1000, 0, 150},     // 18
    {10, 10, I, 150, 0, 150, 150},    // 19
    {7, 7, I, 150, 0, 150, 150},      // 20
    {8, 8, R, 150, 0, 150, 150},      // 21
    {1, 1, H, 400, 400, 400, 400},    // 22 second F2 family
    {10, 10, I, 400, 0, 400, 400},    // 23
    {7, 7, I, 400, 0, 400, 400},      // 24
    {8, 8, R, 400, 0, 400, 400},      // 25
    {1, 1, H, 150, 150, 150, 150},    // 26 second F1 family
    {10, 10, I, 150, 0, 150, 150},    // 27
    {7, 7, I, 150, 0, 150, 150},      // 28
    {8, 8, R, 150, 0, 150, 150},      // 29
    {1, 1, H, 150, 150, 150, 150},    // 30 second E family
    {10, 10, I, 150, 0, 150, 150},    // 31
    {7, 7, I, 150, 0, 150, 150},      // 32
    {8, 8, R, 150, 0, 150, 150},      // 33
    {6, 6, I, 20, 0, 20, 20},         // 34
    {6, 6, I, 20, 0, 20, 20},         // 35
    {6, 6, I, 20, 0, 20, 20},         // 36
    {9, 9, R, 20, 0, 20, 20},         // 37 coefficient sets
    {9, 9, R, 20, 0, 20, 20},         // 38
    {9, 9, R, 20, 0, 20, 20},         // 39
    {12, 12, D, 121, 0, 121, 20},     // 40 quasi-parabolic segments (20 reals at codes 0, 1)
    {7, 7, I, 120, 0, 120, 120},      // 41
    {9, 9, R, 20, 0, 20, 20},         // 42 valley
    {1, 1, H, 150, 150, 150, 0},      // 43 third family
    {10, 10, I, 150, 0, 150, 0},      // 44
    {7, 7, I, 150, 0, 150, 0},        // 45
    {8, 8, R, 150, 0, 150, 0},        // 46
    {1, 1, R, 150, 0, 150, 0},        // 47 E-block heights
    {10, 10, I, 150, 0, 150, 0},      // 48
    {7, 7, I, 150, 0, 150, 0},        // 49
    {8, 8, R, 150, 0, 150, 0},        // 50
    {11, 1, R, 999, 0, 500, 0},       // 51 N(h) true heights
    {11, 1, R, 999, 0, 500, 0},       // 52 N(h) plasma frequencies
    {11, 11, R, 999, 0, 500, 0},      // 53 electron densities (derived)
    {4, 4, A, 120, 0, 120, 0},        // 54
    {4, 4, A, 120, 0, 120, 0},        // 55
    {7, 7, I, 120, 0, 120, 0},        // 56 edit flags
    {9, 9, R, 20, 0, 20, 0},          // 57 E-profile parameters
    {11, 11, R, 150, 0, 150, 0},      // 58 E-profile heights
    {11, 11, R, 150, 0, 150, 0},      // 59 E-profile plasma frequencies
    {11, 11, R, 150, 0, 150, 0},      // 60 electron densities (derived)
};

namespace {

// Slot texts per column: code 0, code 1, code 2 and above.
const char* const SLOT_TEXT[13][3] = {
    {nullptr, nullptr, nullptr},
    {"(40I3)", "(40I3)", "(15F8.3)"},
    {"(16F7.3)", "(16F7.3)", "(16F7.3)"},
    {"(A120)", "(A120)", "(A120)"},
    {"(120A1)", "(120A1)", "(120A1)"},
    {"(15F8.3)", "(15F8.3)", "(15F8.3)"},
    {"(60I2)", "(60I2)", "(60I2)"},
    {"(120I1)", "(120I1)", "(120I1)"},
    {"(20F6.3)", "(20F6.3)", "(15F8.3)"},
    {"(13E9.4E1)", "(10E11.6E1)", "(10E11.6E1)"},
    {"(60I2)", "(60I2)", "(40I3)"},
    {"(15E8.3E1)", "(15E8.3E1)", "(15E8.3E1)"},
    {"(6E20.12)", "(6E20.12)", "(6E20.12)"},
};

struct SlotFormats {
    fmt::Format col[13][3];
    fmt::Format slot10_code1_write{"(40I3)"};
    fmt::Format index{"(40I3)"};
    SlotFormats() {
        for (int s = 1; s <= 12; ++s)
            for (int c = 0; c < 3; ++c) col[s][c] = fmt::Format(SLOT_TEXT[s][c]);
    }
};

const SlotFormats& slots() {
    static const SlotFormats f;
    return f;
}

}  // namespace

const fmt::Format& sao_slot_format(int slot, int32_t code, bool writing) {
    assert(slot >= 1 && slot <= 12);
    int c = code == 0 ? 0 : code == 1 ? 1 : 2;
    if (writing && slot == 10 && c == 1) return slots().slot10_code1_write;
    return slots().col[slot][c];
}

const fmt::Format& sao_index_format() { return slots().index; }

}  // namespace kolm
