// Ordinary-ray virtual heights recomputed from a solved or trial profile.
#pragma once

#include <cstdint>

namespace kolm {

// Model virtual height of data point K of the current section from S and A.
// Reads: DERPAR, LAYCOF, LAYCTL, SMAT, TRCSEC, VALPAR.
// Writes: no block.
void VIRTUAL(int16_t K, float& HV);

// Same, from the S that is already built (no rebuild of the integrals).
// Reads: DERPAR, LAYCOF, LAYCTL, SMAT, TRCSEC, VALPAR.
// Writes: no block.
float virtual_height(int K);

// Mean absolute virtual-height residual of the current section; S is rebuilt
// for the current FSTART, FEND and data. 9999.0 for a section without points.
// Reads: DERPAR, LAYCOF, LAYCTL, TRCSEC, VALPAR.
// Writes: no block of its own (see CDO, SIK).
void ERROR1(float& ERR);

// ERROR1 on the S already built for the current FSTART, FEND and data.
// Reads: DERPAR, LAYCOF, LAYCTL, SMAT, TRCSEC, VALPAR.
// Writes: no block.
float mean_residual();

// Modes of RECVIRT.
inline constexpr int16_t RV_OWN = 1;     // the region's own layer
inline constexpr int16_t RV_E = 2;       // the E layer (region 1: its start height)
inline constexpr int16_t RV_VALLEY = 3;  // the valley
inline constexpr int16_t RV_F1 = 4;      // the F1 layer
inline constexpr int16_t RV_ALL = 5;     // the complete virtual height

// A(1..n) := the stored coefficients of region irgn (1 E: 3, 2 F1: 5,
// 3 F2: 5); returns n.
// Reads: LAYCOF.
// Writes: LAYCOF (A).
int16_t load_region_coefficients(int irgn);

// Virtual height at wave frequency F of region IRGN from the stored layer
// coefficients, by MODE. A frequency above the region's top has no value
// (HV = 9999.0). The section state (FSTART, FEND, NN, NFQ, FK(1), S(.,1)) is
// restored; A(1..NN) is left holding the region's coefficients.
// Reads: DERPAR, FLDPAR, LAYCOF, LAYCTL, SMAT, TRCSEC, VALPAR.
// Writes: LAYCOF (A), DERPAR (SU) through SIKP; the loaded section is put back.
void RECVIRT(float F, float& HV, int16_t MODE);

}  // namespace kolm
