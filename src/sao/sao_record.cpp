// The group table of the SAO record and the format slots of each version code.
#include "sao/sao_record.h"

namespace kolm {

namespace {

constexpr SaoKind I = SaoKind::I, R = SaoKind::R, D = SaoKind::D, A = SaoKind::A, T = SaoKind::T,
                  H = SaoKind::H;
constexpr int16_t F2 = MAXF2PTS, F1 = MAXF1PTS, E = MAXEPTS, NH = MAXNH, F3 = SAO_FAMILY3, C = SAO_CONSTS,
                  L = SAO_LINE, S = SAO_SHORT, TH = SAO_TRUE_HEIGHTS;
constexpr bool V2 = true, BOTH = true;

void put(SaoGroupData& d, int32_t* p) { d.ints = p; }
void put(SaoGroupData& d, float* p) { d.reals = p; }
void put(SaoGroupData& d, double* p) { d.dbls = p; }
void put(SaoGroupData& d, char* p) { d.chars = p; }

// The arrays of a group: the record members listed.
template <auto... M>
SaoGroupData at(SaoRecord& r) {
    SaoGroupData d{nullptr, nullptr, nullptr, nullptr};
    (put(d, (r.*M).data()), ...);
    return d;
}

using Rec = SaoRecord;

}  // namespace

// slot_in, slot_out, kind, cap_read, cap_real, cap_write, cap_temp, companion_of, fixed_v2, both_heights, arrays
const SaoGroup SAO_GROUPS[SAO_NGROUPS + 1] = {
    {0, 0, I, 0, 0, 0, 0, 0, false, false, at<>},
    {2, 2, R, C, 0, C, 5, 0, false, false, at<&Rec::G1>},                // 1 geophysical constants
    {3, 3, T, 2, 0, 2, 1, 0, false, false, at<&Rec::G2L1>},              // 2 system text (lines)
    {4, 4, A, L, 0, L, 60, 0, false, false, at<&Rec::G3>},               // 3 time stamp
    {5, 5, R, L, 0, L, 45, 0, false, false, at<&Rec::G4>},               // 4 characteristics
    {6, 6, I, SAO_FLAGS, 0, SAO_FLAGS, 20, 0, false, false, at<&Rec::G5>},  // 5 analysis flags
    {2, 2, R, C, 0, C, C, 0, false, false, at<&Rec::G6>},                // 6
    {1, 1, H, F2, F2, F2, F2, 0, false, BOTH, at<&Rec::G7, &Rec::R7>},   // 7 F2 virtual heights
    {1, 0, H, F2, TH, 0, F2, 0, false, false, at<&Rec::G8, &Rec::R8>},   // 8 F2 true heights
    {10, 10, I, F2, 0, F2, F2, 0, false, false, at<&Rec::G9>},           // 9 amplitudes
    {7, 7, I, F2, 0, F2, F2, 0, false, false, at<&Rec::G10>},            // 10 Doppler digits
    {8, 8, R, F2, 0, F2, F2, 0, false, false, at<&Rec::G11>},            // 11 frequencies
    {1, 1, H, F1, F1, F1, F1, 0, false, BOTH, at<&Rec::G12, &Rec::R12>}, // 12 F1
    {1, 0, H, F1, TH, 0, F1, 0, false, false, at<&Rec::G13, &Rec::R13>}, // 13
    {10, 10, I, F1, 0, F1, F1, 0, false, false, at<&Rec::G14>},          // 14
    {7, 7, I, F1, 0, F1, F1, 0, false, false, at<&Rec::G15>},            // 15
    {8, 8, R, F1, 0, F1, F1, 0, false, false, at<&Rec::G16>},            // 16
    {1, 1, H, E, E, E, E, 0, false, BOTH, at<&Rec::G17, &Rec::R17>},     // 17 E
    {1, 0, H, E, TH, 0, E, 0, false, false, at<&Rec::G18, &Rec::R18>},   // 18
    {10, 10, I, E, 0, E, E, 0, false, false, at<&Rec::G19>},             // 19
    {7, 7, I, E, 0, E, E, 0, false, false, at<&Rec::G20>},               // 20
    {8, 8, R, E, 0, E, E, 0, false, false, at<&Rec::G21>},               // 21
    {1, 1, H, F2, F2, F2, F2, 0, false, false, at<&Rec::G22, &Rec::R22>}, // 22 second F2 family
    {10, 10, I, F2, 0, F2, F2, 0, false, false, at<&Rec::G23>},          // 23
    {7, 7, I, F2, 0, F2, F2, 0, false, false, at<&Rec::G24>},            // 24
    {8, 8, R, F2, 0, F2, F2, 0, false, false, at<&Rec::G25>},            // 25
    {1, 1, H, F1, F1, F1, F1, 0, false, false, at<&Rec::G26, &Rec::R26>}, // 26 second F1 family
    {10, 10, I, F1, 0, F1, F1, 0, false, false, at<&Rec::G27>},          // 27
    {7, 7, I, F1, 0, F1, F1, 0, false, false, at<&Rec::G28>},            // 28
    {8, 8, R, F1, 0, F1, F1, 0, false, false, at<&Rec::G29>},            // 29
    {1, 1, H, E, E, E, E, 0, false, false, at<&Rec::G30, &Rec::R30>},    // 30 second E family
    {10, 10, I, E, 0, E, E, 0, false, false, at<&Rec::G31>},             // 31
    {7, 7, I, E, 0, E, E, 0, false, false, at<&Rec::G32>},               // 32
    {8, 8, R, E, 0, E, E, 0, false, false, at<&Rec::G33>},               // 33
    {6, 6, I, S, 0, S, S, 0, false, false, at<&Rec::G34>},               // 34
    {6, 6, I, S, 0, S, S, 0, false, false, at<&Rec::G35>},               // 35
    {6, 6, I, S, 0, S, S, 0, false, false, at<&Rec::G36>},               // 36
    {9, 9, R, S, 0, S, S, 0, false, false, at<&Rec::G37>},               // 37 coefficient sets
    {9, 9, R, S, 0, S, S, 0, false, false, at<&Rec::G38>},               // 38
    {9, 9, R, S, 0, S, S, 0, false, false, at<&Rec::G39>},               // 39
    // 40 quasi-parabolic segments (20 reals into G42 at codes 0 and 1)
    {12, 12, D, SAO_QP, 0, SAO_QP, S, 0, false, false, at<&Rec::G40, &Rec::G42>},
    {7, 7, I, L, 0, L, L, 0, false, false, at<&Rec::G41>},               // 41
    {9, 9, R, S, 0, S, S, 0, false, false, at<&Rec::G42>},               // 42 valley
    {1, 1, H, F3, F3, F3, 0, 0, false, false, at<&Rec::G43, &Rec::R43>}, // 43 third family
    {10, 10, I, F3, 0, F3, 0, 0, false, false, at<&Rec::G44>},           // 44
    {7, 7, I, F3, 0, F3, 0, 0, false, false, at<&Rec::G45>},             // 45
    {8, 8, R, F3, 0, F3, 0, 0, false, false, at<&Rec::G46>},             // 46
    {1, 1, R, E, 0, E, 0, 0, V2, false, at<&Rec::G47>},                  // 47 E-block heights
    {10, 10, I, E, 0, E, 0, 0, false, false, at<&Rec::G48>},             // 48
    {7, 7, I, E, 0, E, 0, 0, false, false, at<&Rec::G49>},               // 49
    {8, 8, R, E, 0, E, 0, 0, false, false, at<&Rec::G50>},               // 50
    {11, 1, R, NH, 0, NH, 0, 0, V2, false, at<&Rec::G51>},               // 51 N(h) true heights
    {11, 1, R, NH, 0, NH, 0, 51, V2, false, at<&Rec::G52>},              // 52 N(h) plasma frequencies
    {11, 11, R, NH, 0, NH, 0, 51, V2, false, at<>},                      // 53 electron densities (derived)
    {4, 4, A, L, 0, L, 0, 0, false, false, at<&Rec::G54>},               // 54
    {4, 4, A, L, 0, L, 0, 0, false, false, at<&Rec::G55>},               // 55
    {7, 7, I, L, 0, L, 0, 0, false, false, at<&Rec::G56>},               // 56 edit flags
    {9, 9, R, S, 0, S, 0, 0, false, false, at<&Rec::G57>},               // 57 E-profile parameters
    {11, 11, R, E, 0, E, 0, 0, V2, false, at<&Rec::G58>},                // 58 E-profile heights
    {11, 11, R, E, 0, E, 0, 58, V2, false, at<&Rec::G59>},               // 59 E-profile plasma frequencies
    {11, 11, R, E, 0, E, 0, 58, V2, false, at<>},                        // 60 electron densities (derived)
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
                out[s][c] = fmt::Format(SLOT_TEXT[s][c], fmt::Fit::shorten, NOTCOMPUTED);
            }
        out[10][1] = fmt::Format("(40I3)", fmt::Fit::shorten, NOTCOMPUTED);
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

}  // namespace kolm
