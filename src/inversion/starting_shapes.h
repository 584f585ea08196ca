// Fixed layer shapes: the standard-layer coefficient table and the E layer
// fitted with that shape.
#pragma once

#include <cstdint>

#include "blocks/farray.h"

namespace kolm {

inline constexpr int NSHAPE = 33;

// Shape table: column 1 the ratio FSTART/FEND (0.005 .. 0.995), columns 2..6
// the coefficients c1..c5 of the unit layer in the basis of CV.
extern const FArray2<float, NSHAPE, 6> SHAPETAB;

// A(1..NN) := the unit shape: IROW <= 0 interpolates the table at the current
// FSTART/FEND, 1..33 copies that row, above 33 leaves A unchanged.
// Reads: TRCSEC.
// Writes: LAYCOF (A).
void ZEROPROF(int IROW);

// Sums of the straight line PPO = H0 + SCALE * G over the section points
// below FEND, G = sum of S(N,K) A(N), N = 1..NN: the group height of the
// shape in A. n counts the points summed.
struct ShapeLineSums {
    float SP, SG, SPG, SGG;
    int n;
};
// Reads: LAYCOF, SMAT, TRCSEC.
// Writes: no block.
ShapeLineSums shape_line_sums();

// Fits the E layer of fixed shape to the E section (base height held to
// 75..90 km), or sets the standard E layer for fewer than four points.
// ERR := the mean absolute virtual-height residual (0 for the standard layer).
// Reads: DERPAR, LAYCOF, SCALE2, SMAT, TRCSEC, YLAYER.
// Writes: DERPAR (HSTART), LAYCOF (A, AE, ZME), SCALE2 (HME, IQUALE), YLAYER (YE).
void ECHAPMAN(float& ERR);

}  // namespace kolm
