// Section height from its shifted-Chebyshev coefficients.
#include "inversion/section_curve.h"

#include <cmath>

namespace kolm {

float SECTION_HEIGHT(float F, float FSTART, float FEND, float ZM, const float* A, int NN) {
    const float X = std::log(F / FEND) / std::log(FSTART / FEND);
    const float T1 = 2.0f * X - 1.0f;
    float tprev = 1.0f;  // T*(0)
    float t = T1;        // T*(1)
    float sum = 0.0f;
    for (int J = 1; J <= NN; ++J) {
        if (J == 1) {
            sum += A[0];
        } else if (J == 2) {
            sum += A[1] * T1;
        } else {
            const float tn = 2.0f * T1 * t - tprev;
            tprev = t;
            t = tn;
            sum += A[J - 1] * t;
        }
    }
    return ZM + std::sqrt(X) * sum;
}

}  // namespace kolm
