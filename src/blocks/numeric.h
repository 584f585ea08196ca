// Conversions of the run driver that never overflow.
#pragma once

#include <cstdint>

namespace kolm {

// Truncation toward zero; values beyond the 32-bit range (and NaN) saturate.
inline int32_t trunc_i32(float x) {
    if (!(x > -2147483520.0f)) return INT32_MIN;  // also NaN
    if (!(x < 2147483520.0f)) return INT32_MAX;
    return int32_t(x);
}

// A 32-bit value into a 16-bit field, saturated.
inline int16_t sat_i16(int32_t v) {
    if (v > INT16_MAX) return INT16_MAX;
    if (v < INT16_MIN) return INT16_MIN;
    return int16_t(v);
}

// An index count limited to 0..cap.
inline int32_t clamp_count(int32_t n, int32_t cap) { return n < 0 ? 0 : (n > cap ? cap : n); }

}  // namespace kolm
