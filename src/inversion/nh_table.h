// The N(h) table: the solved layers tabulated as plasma frequency against
// true height on a regular height grid, with the valley and a Chapman topside.
#pragma once

#include <cstdint>

#include "blocks/farray.h"
#include "blocks/peltarscale.h"

namespace kolm {

using NhColumn = FArray<float, MAXNH>;

// MODE 0: 1 km table without topside; MODE 1: the user's HSTEP with the
// topside. Writes NPTH, FNTAB, HTAB of NHPROF; HSTEP is left as it was.
// Reads: DERPAR, LAYCOF, LAYCTL, NHPROF, SCALE2.
// Writes: LAYCOF (A, ZME rounded to 0.001 km), NHPROF (NPTH, FNTAB, HTAB).
void NHTABLE(int32_t MODE);

// Appends the rows of the layer section from FA to its peak FB at height HB.
// Reads: no block.
// Writes: no block (the table comes as arguments).
void TABLYR(float HSTEP, float FA, float FB, float HB, const float* A, int16_t& NPTH, NhColumn& FN,
            NhColumn& HT);

// Appends the rows of the E-F valley of width W and depth D above the E
// peak (FB, HB); HB is rounded in place to 0.001 km.
// Reads: no block.
// Writes: no block (the table comes as arguments).
void TABVAL(float HSTEP, float W, float D, float FA, float FB, float& HB, const float* AE, int16_t& NPTH,
            NhColumn& FN, NhColumn& HT);

// Appends the Chapman topside above the F2 peak (FB, HB) with scale 1.6*SH;
// nothing when SH is 0 or not computed (9999.0).
// Reads: no block.
// Writes: no block (the table comes as arguments).
void TABTOP(float HSTEP, float FB, float HB, float SH, int16_t& NPTH, NhColumn& FN, NhColumn& HT);

}  // namespace kolm
