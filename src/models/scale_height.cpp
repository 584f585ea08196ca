// F-peak scale height.
//
// A Chapman layer of scale height H has the integral of its squared density
// ratio from the peak down to a base of density ratio 1/Q equal to
// H (1 - e**(1 - t)), with Q**2 = e**(t - 1)/t; the bisection looks for the
// H that the tabulated integral and ratio give.
#include "models/scale_height.h"

#include <cmath>

#include "blocks/numeric.h"
#include "blocks/peltarscale.h"
#include "blocks/peltartrueh.h"

namespace kolm {

namespace {

// Heights of the table are kept to 0.001 km; the E peak and the valley top
// are matched within that.
constexpr float HEIGHT_TOL = 0.001f;
constexpr int MAX_HALVINGS = 200;

constexpr float E_BASE_FN2 = 0.04f;  // plasma frequency squared at the E start, 0.2 MHz
constexpr float E_TARGET = 3.0f;     // target and lower bracket of the E-layer scale height

// Trapezoid of the squared density ratio between rows i and i+1 (negative).
float trapezoid(int i, float peak2) {
    const auto& T = NHPROF;
    const float a = T.FNTAB(i) * T.FNTAB(i) / peak2, b = T.FNTAB(i + 1) * T.FNTAB(i + 1) / peak2;
    return 0.5f * (T.HTAB(i) - T.HTAB(i + 1)) * (a * a + b * b);
}

}  // namespace

float shf_bisection(float S, float Q, float T, float LO, float HI) {
    float e = 1.0e-6f, P = -9999.0f, H = LO;
    for (int it = 0; it < MAX_HALVINGS; ++it) {
        const float width = HI - LO;
        if (std::fabs(width - P) < 1.0e-5f) {
            H = -S + e;
            break;
        }
        if (width < 0.0005f) break;
        P = width;
        H = 0.5f * (HI + LO);
        if (H < -S) H = -S + e;
        const float R = 1.0f + S / H;
        if (R <= 0.0f) {
            e *= 2.0f;
            continue;
        }
        const float G = (1.0f - std::log(R)) * Q * Q * R * H;
        if (G > T)
            HI = H;
        else
            LO = H;
    }
    return round_to(H, 1000.0f);
}

void CALSHFPEAK(int16_t K) {
    (void)K;  // kind 2: density exponent 2
    const auto& T = NHPROF;
    const int n = T.NPTH;
    DERPAR.SHF = NOTCOMPUTED;
    if (n <= 0) return;
    const float zme = LAYCOF.ZME, hv = LAYCTL.W + zme;

    // Valley top IV (the lowest row at or above it) and the E peak, from the
    // top down; without a row at the E peak, the row nearest it.
    int iv = n, ipeak = 0, inear = n;
    for (int i = n - 1; i >= 1; --i) {
        const float h = T.HTAB(i);
        if (std::fabs(h - zme) < std::fabs(T.HTAB(inear) - zme)) inear = i;
        if (h >= hv - HEIGHT_TOL)
            iv = i;
        else if (std::fabs(h - zme) <= HEIGHT_TOL)
            ipeak = i;
    }
    const float pe2 = ipeak > 0 ? T.FNTAB(ipeak) * T.FNTAB(ipeak) : T.FNTAB(inear) * T.FNTAB(inear);

    // E layer: the integral below its peak.
    float he = E_TARGET;
    if (pe2 > 0.0f) {
        float se = 0.0f;
        for (int i = n - 1; i >= 1; --i)
            if (T.HTAB(i) < zme - HEIGHT_TOL) se += trapezoid(i, pe2);
        he = shf_bisection(se, pe2 / E_BASE_FN2, E_TARGET, E_TARGET, -10.0f * se);
    }

    // F layer: the integral from the valley top to the peak.
    const float pf2 = T.FNTAB(n) * T.FNTAB(n), pb2 = T.FNTAB(iv) * T.FNTAB(iv);
    if (!(pf2 > 0.0f && pb2 > 0.0f)) {
        DERPAR.SHF = he;
        return;
    }
    float sf = 0.0f;
    for (int i = n - 1; i >= iv; --i) sf += trapezoid(i, pf2);
    DERPAR.SHF = shf_bisection(sf, pf2 / pb2, he, he, -2.0f * sf);
}

}  // namespace kolm
