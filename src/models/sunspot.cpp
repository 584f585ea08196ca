// Monthly sunspot numbers: the history file, the prediction of the current
// cycle from the earlier ones, and the regression.
#include "models/sunspot.h"

#include <cmath>

namespace kolm {

bool PERD(const CyclePairs& X, const CyclePairs& Y, int16_t IFIRST, int32_t N, FArray<float, 5>& P) {
    // Pairs used: from the eighth (the early cycles are left out) unless told.
    const int32_t first = (IFIRST == 0) ? 8 : IFIRST;
    if (first < 1 || N > SSN_MAX_CYCLES) return false;
    const int32_t np = N - first + 1;
    if (np < 3) return false;
    const float x0 = P(3);

    float sx = 0.0f, sy = 0.0f, sxy = 0.0f, sxx = 0.0f, syy = 0.0f;
    for (int32_t i = first; i <= N; ++i) {
        sx += X(i);
        sy += Y(i);
        sxy += X(i) * Y(i);
        sxx += X(i) * X(i);
        syy += Y(i) * Y(i);
    }
    const float fnp = float(np);
    const float dxx = fnp * sxx - sx * sx;
    if (!(dxx > 0.0f)) return false;

    // Line through the means.
    const float xm = sx / fnp;
    P(1) = sy / fnp;
    P(2) = (fnp * sxy - sx * sy) / dxx;
    P(3) = P(1) + P(2) * (x0 - xm);

    // Residual spread and the interval half-widths.
    const float vx = dxx / ((fnp - 1.0f) * fnp);
    const float vy = (fnp * syy - sy * sy) / ((fnp - 1.0f) * fnp);
    const float s = std::sqrt(std::fabs((vy - P(2) * P(2) * vx) * (fnp - 1.0f) / (fnp - 2.0f)));
    const float q = std::fabs((x0 - xm) * (x0 - xm) / ((fnp - 1.0f) * vx) + 1.0f / fnp + 1.0f);
    P(4) = 1.812f * s * std::sqrt(q);
    P(5) = 1.812f * s / std::sqrt((fnp - 1.0f) * std::fabs(vx));
    return true;
}

void SSN_NOAA(int16_t, int16_t, float& SSNM, float& SSNDEV) {
    SSNM = -1.0f;
    SSNDEV = 0.0f;
}

}  // namespace kolm
