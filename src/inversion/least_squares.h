// Least-squares fit of a section's coefficients: the basis polynomials, the
// reduced virtual heights with the normal equations, and the solver.
#pragma once

#include <cstdint>

#include "blocks/farray.h"
#include "blocks/peltarscale.h"

namespace kolm {

// Normal equations: rows and columns 1..NN, the right-hand side in column NN+1.
using NormalMatrix = FArray2<float, MAXTERMS, MAXTERMS + 1>;

// Value at X of basis polynomial N (1..8) of the table CV.
// Reads: TRCSEC (CV).
// Writes: no block.
float DTST(float X, int N);

// REDHV(1..NFQ) and the normal equations AM of the current section.
// Reads: SMAT, TRCSEC, VALPAR.
// Writes: REDHV.
void ESTAB(NormalMatrix& AM);

// Solves the N equations AM (destroyed) by Gauss-Jordan elimination with
// full pivoting into X(1..N); a singular system gives X(1..N) = 0.
// Reads: no block.
// Writes: no block.
void EQUTN(NormalMatrix& AM, int N, FArray<float, MAXTERMS>& X);

}  // namespace kolm
