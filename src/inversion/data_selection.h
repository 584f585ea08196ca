// Selection of a section's data points: removal of unusable heights, thinning
// of dense F2 traces and local smoothing of the kept heights.
#pragma once

#include <cstdint>

namespace kolm {

// Section arrays FK, PPO (all 1024 cleared first) and NFQ from a list of n points.
// Reads: no block.
// Writes: TRCSEC (FK, PPO, NFQ).
void refill_section(const float* f, const float* h, int n);

// Keeps, in order, the section points with region start height <= PPO < 999.
// Reads: DERPAR, LAYCTL, SCLCHR, TRCSEC.
// Writes: TRCSEC (FK, PPO, NFQ).
void DATAEFFE();

// Thins the section points (F2 only; F1 and E keep all) and replaces the kept
// heights by THSMOOTH values. MODE is 1 (select with smoothing).
// Reads: LAYCTL, SCLCHR, TRCSEC, TRCWRK.
// Writes: TRCSEC (FK, PPO, NFQ).
void DATAUSED(int MODE);

// Smoothed virtual height PVALUE (km) and slope SLOPE (km/MHz, 9999.9 when no
// fit was made) at section point K, from a quadratic fit over up to seven
// neighbouring working-trace points of the current layer.
// Reads: DERPAR, LAYCTL, SCLCHR, TRCSEC, TRCWRK.
// Writes: no block.
void THSMOOTH(int K, float& PVALUE, float& SLOPE);

}  // namespace kolm
