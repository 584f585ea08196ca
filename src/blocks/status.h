// Inversion status codes, IQUALE(2): the one table of the whole system,
// beside the blocks because the inversion, the models it calls and the run
// all read the code.
//
// Only PROFILE_OBTAINED means that a profile was obtained; every other value
// stops the layer sequence at the stage that set it.
#pragma once

#include <cstdint>

namespace kolm::status {

inline constexpr int16_t NO_INVERSION = 0;      // reset value; trace rejected; illegal region; no month
inline constexpr int16_t PROFILE_OBTAINED = 2;  // set before the E layer, kept when every stage passes
inline constexpr int16_t E_RANGE = 4;           // E section start >= end
inline constexpr int16_t F2_RANGE = 5;          // F2 section has points and start >= end
inline constexpr int16_t F1_RANGE = 6;          // F1 section has points and start >= end
inline constexpr int16_t E_TRACE = 7;           // ZME outside 50..180 km, a coefficient above 999, or not finite
inline constexpr int16_t F2_TRACE = 8;          // foF2 beyond the frequency range, too many points, implausible F2
inline constexpr int16_t F1_TRACE = 9;          // too many F1 points, F1 height check failed
inline constexpr int16_t F1_THICK = 10;         // F1 solution too thick
inline constexpr int16_t F1_OSCILLATING = 11;   // F1 check code >= 2
inline constexpr int16_t F2_FEW_POINTS = 12;    // at most 2 F2 points after data selection
inline constexpr int16_t F2_OSCILLATING = 18;   // F2 check code >= 2 or mean residual > 99.999 km
inline constexpr int16_t F1_ROOTS = 25;         // F1 check code 1
inline constexpr int16_t F2_ROOTS = 26;         // F2 check code 1

struct Entry {
    int16_t code;
    const char* meaning;
};

inline constexpr Entry TABLE[] = {
    {NO_INVERSION, "no inversion"},
    {PROFILE_OBTAINED, "profile obtained"},
    {E_RANGE, "E frequency range error"},
    {F2_RANGE, "F2 frequency range error"},
    {F1_RANGE, "F1 frequency range error"},
    {E_TRACE, "E trace unreasonable"},
    {F2_TRACE, "F2 trace unreasonable"},
    {F1_TRACE, "F1 trace unreasonable"},
    {F1_THICK, "F1 solution too thick"},
    {F1_OSCILLATING, "oscillating F1 solution"},
    {F2_FEW_POINTS, "too few F2 points"},
    {F2_OSCILLATING, "oscillating F2 solution"},
    {F1_ROOTS, "F1 roots too severe to correct"},
    {F2_ROOTS, "F2 roots too severe to correct"},
};

// Meaning of a status code, or nullptr for a code outside the table.
constexpr const char* meaning(int16_t code) {
    for (const Entry& e : TABLE)
        if (e.code == code) return e.meaning;
    return nullptr;
}

}  // namespace kolm::status
