// The group table of the SAO record and the format slots of each version code.
#include "sao/sao_record.h"

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
    {11, 1, R, 999, 0, 999, 0},       // 51 N(h) true heights
    {11, 1, R, 999, 0, 999, 0},       // 52 N(h) plasma frequencies
    {11, 11, R, 999, 0, 999, 0},      // 53 electron densities (derived)
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
    fmt::Format in[13][3];
    fmt::Format out[13][3];
    fmt::Format index{"(40I3)"};
    SlotFormats() {
        for (int s = 1; s <= 12; ++s)
            for (int c = 0; c < 3; ++c) {
                in[s][c] = fmt::Format(SLOT_TEXT[s][c]);
                out[s][c] = fmt::Format(SLOT_TEXT[s][c], fmt::Fit::shorten);
            }
        out[10][1] = fmt::Format("(40I3)", fmt::Fit::shorten);
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
    return writing ? slots().out[slot][c] : slots().in[slot][c];
}

const fmt::Format& sao_index_format() { return slots().index; }

SaoGroupData sao_group_data(SaoRecord& r, int g) {
    SaoGroupData d{nullptr, nullptr, nullptr, nullptr};
    switch (g) {
        case 1: d.reals = r.G1.data(); break;
        case 2: d.chars = r.G2L1.data(); break;
        case 3: d.chars = r.G3.data(); break;
        case 4: d.reals = r.G4.data(); break;
        case 5: d.ints = r.G5.data(); break;
        case 6: d.reals = r.G6.data(); break;
        case 7: d.ints = r.G7.data(); d.reals = r.R7.data(); break;
        case 8: d.ints = r.G8.data(); d.reals = r.R8.data(); break;
        case 9: d.ints = r.G9.data(); break;
        case 10: d.ints = r.G10.data(); break;
        case 11: d.reals = r.G11.data(); break;
        case 12: d.ints = r.G12.data(); d.reals = r.R12.data(); break;
        case 13: d.ints = r.G13.data(); d.reals = r.R13.data(); break;
        case 14: d.ints = r.G14.data(); break;
        case 15: d.ints = r.G15.data(); break;
        case 16: d.reals = r.G16.data(); break;
        case 17: d.ints = r.G17.data(); d.reals = r.R17.data(); break;
        case 18: d.ints = r.G18.data(); d.reals = r.R18.data(); break;
        case 19: d.ints = r.G19.data(); break;
        case 20: d.ints = r.G20.data(); break;
        case 21: d.reals = r.G21.data(); break;
        case 22: d.ints = r.G22.data(); d.reals = r.R22.data(); break;
        case 23: d.ints = r.G23.data(); break;
        case 24: d.ints = r.G24.data(); break;
        case 25: d.reals = r.G25.data(); break;
        case 26: d.ints = r.G26.data(); d.reals = r.R26.data(); break;
        case 27: d.ints = r.G27.data(); break;
        case 28: d.ints = r.G28.data(); break;
        case 29: d.reals = r.G29.data(); break;
        case 30: d.ints = r.G30.data(); d.reals = r.R30.data(); break;
        case 31: d.ints = r.G31.data(); break;
        case 32: d.ints = r.G32.data(); break;
        case 33: d.reals = r.G33.data(); break;
        case 34: d.ints = r.G34.data(); break;
        case 35: d.ints = r.G35.data(); break;
        case 36: d.ints = r.G36.data(); break;
        case 37: d.reals = r.G37.data(); break;
        case 38: d.reals = r.G38.data(); break;
        case 39: d.reals = r.G39.data(); break;
        case 40: d.dbls = r.G40.data(); d.reals = r.G42.data(); break;
        case 41: d.ints = r.G41.data(); break;
        case 42: d.reals = r.G42.data(); break;
        case 43: d.ints = r.G43.data(); d.reals = r.R43.data(); break;
        case 44: d.ints = r.G44.data(); break;
        case 45: d.ints = r.G45.data(); break;
        case 46: d.reals = r.G46.data(); break;
        case 47: d.reals = r.G47.data(); break;
        case 48: d.ints = r.G48.data(); break;
        case 49: d.ints = r.G49.data(); break;
        case 50: d.reals = r.G50.data(); break;
        case 51: d.reals = r.G51.data(); break;
        case 52: d.reals = r.G52.data(); break;
        case 53: break;
        case 54: d.chars = r.G54.data(); break;
        case 55: d.chars = r.G55.data(); break;
        case 56: d.ints = r.G56.data(); break;
        case 57: d.reals = r.G57.data(); break;
        case 58: d.reals = r.G58.data(); break;
        case 59: d.reals = r.G59.data(); break;
        case 60: break;
        default: assert(false); break;
    }
    return d;
}

}  // namespace kolm
