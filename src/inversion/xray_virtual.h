// Extraordinary-ray virtual heights recomputed from the solved profile: the
// X-wave twins of the ordinary-ray integral and of RECVIRT, each for a
// single wave frequency. Their results are drawn as a check of a solved
// section and used for nothing else.
#pragma once

#include <cstdint>

#include "blocks/farray.h"

namespace kolm {

// Work block of the extraordinary-ray routines.
struct XraywkBlock {
    float FR2;              // plasma frequency squared where the X wave of the current f reflects, MHz**2
    float DR2;              // FR2 - FSTART**2, or 0 when the wave does not enter the section
    FArray<float, 5> SX;    // integrals of basis terms 1..NN up to the reflection, km per unit coefficient
    FArray<float, 5> SXP;   // the same through the lower part of a section, up to a given plasma frequency
};
extern XraywkBlock XRAYWK;

// FR2 := f(f - FH) (0 at and below the gyrofrequency) and DR2 := FR2 - FSTART**2
// when the wave reflects above the section start (F above the X frequency
// of FSTART), else DR2 := 0.
// Reads: FLDPAR, TRCSEC.
// Writes: XRAYWK (DR2, FR2).
void CDX(float F);

// SX(1..NN) for the section FSTART..FEND and wave F from FR2 and DR2 (CDX
// first). All 0 when the wave does not enter the section or reflects at or
// above its top.
// Reads: FLDPAR, TRCSEC, XRAYWK.
// Writes: XRAYWK (SX).
void SXIK(float F);

// SXP(1..NN): the section crossed from FSTART up to plasma frequency FV by
// wave F. All 0 when FV is not above FSTART.
// Reads: FLDPAR, TRCSEC.
// Writes: XRAYWK (SXP).
void SXIKP(float FV, float F);

// G := U times the extraordinary-ray group refractive index for wave F,
// plasma frequency squared FN2, gyrofrequency FH; 0 when FN2 >= F(F - FH),
// and 0 at and below the gyrofrequency. DIP is not used: the dip enters
// through the field terms of GOGXCOM.
// Reads: SAOHDR (REALIN field terms).
// Writes: no block.
void GXSUB(float U, float F, float FN2, float FH, float DIP, float& G);

// X-wave virtual height HV at wave frequency F in region IRGN from the
// stored layer coefficients, MODE as for RECVIRT. A wave that reflects above
// the region's top has no value (HV = 9999.0). FSTART, FEND and NN are
// restored; A(1..NN) is left holding the region's coefficients.
// Reads: DERPAR, FLDPAR, LAYCOF, LAYCTL, TRCSEC, VALPAR, XRAYWK.
// Writes: LAYCOF (A), XRAYWK (SXP; SX, DR2, FR2 through CDX, SXIK); the loaded section is put back.
void RECVIRTX(float F, float& HV, int32_t MODE);

}  // namespace kolm
