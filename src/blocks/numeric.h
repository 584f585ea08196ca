// The numeric helper: conversions that never overflow, degrees to radians,
// rounding to a decimal grid and truncation onto the sounder grid.
#pragma once

#include <cmath>
#include <cstdint>

namespace kolm {

// pi/180 in single precision (bit pattern 3C8EFA35).
inline constexpr float DTOR = 0.017453292f;
// pi/180 as the 64-bit model routines write it (the decimal 0.0174532925).
inline constexpr double DTOR64 = 0.0174532925;

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

// x rounded to the nearest multiple of 1/scale (scale 1000: to 0.001).
inline float round_to(float x, float scale) { return std::round(x * scale) / scale; }
// The same in 64 bits, for the routines that compute in 64-bit reals.
inline double round_to(double x, double scale) { return std::round(x * scale) / scale; }

// Whole grid steps in x: values stored as decimals (frequencies to the kHz,
// heights) are taken onto the grid with half a thousandth of slack, so that
// 5.999999 on a 0.05 MHz grid counts 120 steps, not 119.
inline int32_t grid_index(float x, float step) { return trunc_i32((x + 0.0005f) / step); }
// x truncated onto the grid of the given step, as a value.
inline float grid_floor(float x, float step) { return std::trunc((x + 0.0005f) / step) * step; }

}  // namespace kolm
