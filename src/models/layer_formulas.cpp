// foE and foF1 formulas of the reference ionosphere.
#include "models/layer_formulas.h"

#include <cmath>

#include "blocks/numeric.h"

namespace kolm {

float FOEPIRI(float COV, float XHI, float& XHIM, float ALAT) {
    // Solar activity and latitude factors.
    const float a = 1.0f + 0.0094f * (COV - 66.0f);
    const float sl = std::cos(ALAT * DTOR);
    float sm, cl;
    if (ALAT < 32.0f) {
        sm = -1.93f + 1.92f * sl;
        cl = 23.0f + 116.0f * sl;
    } else {
        sm = 0.11f - 0.49f * sl;
        cl = 92.0f + 35.0f * sl;
    }

    // Noon factor; the noon angle is kept just short of the horizon.
    if (XHIM >= 90.0f) XHIM = 89.999f;
    const float b = std::pow(std::cos(XHIM * DTOR), sm);

    // Zenith-angle factor, with the angle bent below 90 degrees at night.
    const float sp = (ALAT > 12.0f) ? 1.2f : 1.31f;
    const float xhic = XHI - 3.0f * std::log(1.0f + std::exp((XHI - 89.98f) / 3.0f));
    const float d = std::pow(std::cos(xhic * DTOR), sp);

    // Fourth power of foE, not below the night floor.
    float f4 = a * b * cl * d;
    const float smin = (0.121f + 0.0015f * (COV - 60.0f)) * (0.121f + 0.0015f * (COV - 60.0f));
    if (smin > f4) f4 = smin;
    return std::pow(f4, 0.25f);
}

float FOF1ED(float ALAT, float R, float XHI) {
    // Limit zenith angle for the sunspot number.
    const float chi0 = 49.84733f + 0.349504f * ALAT;
    const float chi100 = 38.96113f + 0.509932f * ALAT;
    const float chim = chi0 + (chi100 - chi0) * R / 100.0f;
    // The horizon bound keeps the power of the cosine defined for sunspot
    // numbers that push the limit angle past 90 degrees.
    if (XHI > chim || XHI >= 90.0f) return 0.0f;

    const float f0 = 4.35f + ALAT * (0.0058f - 0.00012f * ALAT);
    const float f100 = 5.348f + ALAT * (0.011f - 0.00023f * ALAT);
    const float fs = f0 + (f100 - f0) * R / 100.0f;
    const float xmue = 0.093f + ALAT * (0.0046f - 0.000054f * ALAT) + 0.0003f * R;
    return fs * std::pow(std::cos(XHI * DTOR), xmue);
}

}  // namespace kolm
