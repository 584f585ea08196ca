// Scale height at the F peak from the tabulated profile.
#pragma once

#include <cstdint>

namespace kolm {

// SHF (DERPAR, km, to 0.001 km; 9999.0 for an empty table) of Chapman kind
// K from the N(h) table of NHPROF: the E-layer scale height HE from the
// table below the E peak (ZME), then the F-layer scale height from the
// table between the valley top (ZME + W) and the F peak, the highest row.
// Only kind 2, density exponent 2, is used.
// Reads: LAYCOF, LAYCTL, NHPROF.
// Writes: DERPAR (SHF).
void CALSHFPEAK(int16_t K);

// The scale height H > -S for which (1 - ln R) Q**2 R H, R = 1 + S/H,
// meets T, by bisection between LO and HI (S <= 0 the integral of the
// squared density ratio below the peak, Q the peak-to-base density ratio),
// to 0.001 km. LO when the bracket is empty from the start.
// Reads: no block.
// Writes: no block.
float shf_bisection(float S, float Q, float T, float LO, float HI);

}  // namespace kolm
