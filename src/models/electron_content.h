// Total electron content of the solved profile with a Chapman topside.
#pragma once

#include <cstdint>

namespace kolm {

inline constexpr float TEC_FACTOR = 0.001238f;   // 10**16 m**-2 per MHz**2 km
inline constexpr float TEC_WEIGHT_FACTOR = 1.238e-6f;  // per table weight (1000 w)

// After a successful inversion: SHF (CALSHFPEAK) and ITEC of DERPAR from the
// E layer, the valley, the F1 and F2 sections and the topside of scale
// height SHF. ITEC = 9999.0 when a layer cannot be integrated; both 9999.0
// when the inversion failed. Leaves A(1..8) of LAYCOF holding AE(1..3) and
// five zeros, and the error flag in SCLCHR's first word: 0 done, 1 a wrong
// profile, 2 no TECCOF table.
// Reads: DERPAR, LAYCOF, LAYCTL, SCALE2.
// Writes: DERPAR (ITEC, SHF), LAYCOF (A), SCLCHR (IERR).
void CALTEC();

// TEC of the section from FS to its peak FM with coefficients AC(1..5),
// through the TECCOF weights at the ratio FS/FM. IERR 1 when FM <= 0, 2
// when the table cannot be read (each with its message), else 0.
// Reads: no block (the TECCOF table of the run).
// Writes: no block.
void TECLAYER(float FS, float FM, const float* AC, float& TEC, int16_t& IERR);

// TEC of the E-F valley of width WV and depth DV above the E section from FS
// to its peak FM with coefficients AC(1..3): a part of the E shape down to
// the floor, a linear rise part and a flat floor, WV/3 each.
// Reads: no block.
// Writes: no block.
void TECVALLEY(float FS, float FM, const float* AC, float WV, float DV, float& TEC, int16_t& IERR);

// TEC of the Chapman topside of kind K (1 or 2) above the peak FO with
// scale height H.
// Reads: no block.
// Writes: no block.
void TECTOPSIDE(int16_t K, float FO, float H, float& TEC);

}  // namespace kolm
