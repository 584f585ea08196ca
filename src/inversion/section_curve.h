// True height of a solved profile section.
#pragma once

namespace kolm {

// h(F) = ZM + sqrt(X) * sum_{J=1..NN} A[J-1] * T*(J-1, X) with
// X = ln(F/FEND)/ln(FSTART/FEND) and T* the shifted Chebyshev polynomials on
// [0, 1]; A points at the section's first coefficient.
float SECTION_HEIGHT(float F, float FSTART, float FEND, float ZM, const float* A, int NN);

}  // namespace kolm
