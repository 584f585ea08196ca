// Monotonicity check of a trial section.
#pragma once

#include <cstdint>

namespace kolm {

// Number of distinct real zeros of the slope polynomial sum A(N)*DTST(X, N),
// N = 1..NN, on the section (X in [0, 1]) by a Sturm sequence: V(0) - V(1).
// 0 means the section height rises monotonically.
// Reads: LAYCOF, TRCSEC.
// Writes: no block.
void CHECKH(int16_t& ICHK);

}  // namespace kolm
