// Bottomside parameters of the International Reference Ionosphere from the
// solved profile: thickness B0 and shape B1 of the F2 bottomside, the F1
// shape D1 with the F1 peak height, and the intermediate region.
//
// IRI bottomside: fN**2 = foF2**2 exp(-X**B1)/cosh(X), X = (hmF2 - h)/B0.
// F1 region: the bottomside at h' = hmF1 (1 - ((hmF1 - h)/hmF1)**(1 + D1)).
// Results in IRIPAR, slots iripar:: (9999.0 not determined; D1 999.9 when
// it cannot be fitted).
#pragma once

#include <cstdint>

#include "blocks/farray.h"

namespace kolm {

// fN/foF2 at X = 1 for every B1: sqrt(2/(e**2 + 1)); the tabulated shapes
// span [B0RATIO foF2, foF2].
inline constexpr float B0RATIO = 0.48827f;

inline constexpr int MAXIRITAB = 500;  // points of the IRI-shaped table

// Inner products of the section basis: TIJTAB(i,j) = integral over u of
// u T*(i-1)(u) T*(j-1)(u), i, j = 1..5.
using TijTable = FArray2<float, 5, 5>;
extern TijTable TIJTAB;

using IriColumn = FArray<float, MAXIRITAB>;

// B0, B1 from the B0B1DT shape with the least misfit to the F2 section of
// LAYCOF, then D1 (CALD1) when the N(h) table holds points. Rounds ZENITH to
// 0.001; leaves A(1..5) of LAYCOF holding the F2 coefficients compared.
// Without the table: message, B0 = B1 = D1 = 9999.0, LAYCOF untouched.
// Reads: DERPAR, LAYCOF, LAYCTL, NHPROF.
// Writes: DERPAR (ZENITH), IRIPAR (B0, B1, D1, HEF, HST), LAYCOF (A).
void CALB0B1D1();

// Fills TIJTAB: the Gram matrix of the section basis (SECTION_GRAM).
// Reads: no block.
// Writes: TIJTAB.
void CALTIJ();

// Scale B0 of shape S best fitting the coefficients A, and the misfit
// sqrt(<A - B0 S, A - B0 S>). A shape of no norm gives B0 = 0 and an
// infinite misfit.
// Reads: TIJTAB.
// Writes: no block.
void CALB0B1(const float* A, const float* S, float& B0, float& MISFIT);

// hmF1 of the IRI shape and D1 (999.9 when B0 is not determined).
// Reads: IRIPAR, LAYCOF, LAYCTL.
// Writes: IRIPAR (V 1-3, 6-10, 15, 16: the profile's frequencies and heights, D1).
void CALD1();

// HST, the height where the IRI-shaped profile reaches foE below HU (MODE 1:
// hmF1, F1-transformed when D1 is not 0; MODE 2: hmF2), HZ = (HST + HU)/2,
// and T of the intermediate region, into IRIPAR(11..13).
// Reads: IRIPAR.
// Writes: IRIPAR (HST, HZ, T).
void CALHSTHZ(int16_t MODE);

// Intermediate-region parameter: 0 when HEF = HST, else (HZ - HST)**2/(HST - HEF).
// Reads: no block.
// Writes: no block.
float CALTIRI(float HEF, float HST, float HZ);

// HMF1: the height below HMF2 where the bottomside reaches FOF1, to 0.001 km.
// Reads: no block.
// Writes: no block.
void CALHMF1IRI(float FOF2, float HMF2, float B0, float B1, float FOF1, float& HMF1);

// D1 by a pattern search on the mean height difference between the
// IRI-shaped F1 region and the F1 section; IERR 1 when the valley top
// leaves no room for an F1 region (D1 = 999.9), else 0.
// Reads: IRIPAR.
// Writes: IRIPAR (D1, HST, HZ, T).
void FITF1IRI(int16_t& IERR);

// N points (F, H) of the IRI-shaped profile on a STEP km grid counted from
// the layer peaks (MODE 2 from the F2 peak, MODE 1 from the F1 peak), and G,
// the solved profile's heights at the same frequencies.
// Reads: IRIPAR, LAYCOF.
// Writes: no block.
void TABIRI(float STEP, int16_t& N, IriColumn& F, IriColumn& H, IriColumn& G, int16_t MODE);

}  // namespace kolm
