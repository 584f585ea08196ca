// E-F valley model.
//
// Above the E peak the plasma frequency falls from foE (FVAL0) to the floor
// FVAL over WV2 km in the mirror image of the E shape, stays at FVAL for WV3
// km and rises linearly back to foE over WV4 km. The width W and the
// floor-to-peak density ratio follow from the solar zenith angle.
#include "inversion/valley.h"

#include <cmath>

#include "blocks/numeric.h"
#include "blocks/peltarscale.h"
#include "blocks/peltartrueh.h"
#include "inversion/data_selection.h"
#include "inversion/gauss_integral.h"
#include "inversion/round4.h"
#include "inversion/section_guard.h"
#include "inversion/section_setup.h"
#include "models/solar_position.h"
#include "sections/coef_reexpression.h"

namespace kolm {

namespace {

// Lowest virtual height of the section now loaded.
void lower_hmin(float& hmin) {
    for (int K = 1; K <= TRCSEC.NFQ; ++K)
        if (TRCSEC.PPO(K) < hmin) hmin = TRCSEC.PPO(K);
}

}  // namespace

void MAHAGULY() {
    auto& V = VALPAR;
    LAYCTL.W = 0.0f;
    LAYCTL.D = 0.0f;
    V.WV1 = V.WV2 = V.WV3 = V.WV4 = 0.0f;
    V.FVAL = V.FVAL0 = 0.0f;
    V.AVAL.fill(0.0f);
    DERPAR.HSTARTF1 = DERPAR.HSTARTF2 = LAYCOF.ZME;
    V.F1CASE = V.F1CASES = 0;
    // The F sections are set up only to find the lowest F virtual height;
    // the range of the section loaded on entry comes back at the end.
    const SectionGuard keep(SectionGuard::Keep::range);

    // Lowest F virtual height: the F1 points, and the F2 points too when
    // there are fewer than four F1 points.
    float hmin = 9999.0f;
    if (TRCWRK.NFQF1 > 0) {
        LAYCTL.IRGN = 2;
        SETUP();
        DATAEFFE();
        lower_hmin(hmin);
    }
    if (TRCWRK.NFQF1 < 4) {
        LAYCTL.IRGN = 3;
        SETUP();
        DATAEFFE();
        lower_hmin(hmin);
    }
    if (SCLCHR.CHR11 == 0.0f || SCLCHR.CHR11 >= NOTCOMPUTED) SCLCHR.CHR11 = hmin;

    // Solar zenith angle at the local time of the sounding.
    const auto& T = TIMEBK;
    float lt = T.IHR + T.MINU / 60.0f + T.ISEC / 3600.0f + SAOHDR.REALIN(realin::LON) / 15.0f;
    if (lt < 0.0f) lt += 24.0f;
    if (lt >= 24.0f) lt -= 24.0f;
    float declin, chi, sunrise, sunset;
    SOCO(T.IDAY, lt, SAOHDR.REALIN(realin::LAT), SAOHDR.REALIN(realin::LON), declin, chi, sunrise, sunset);
    DERPAR.ZENITH = lt < 12.0f ? -chi : chi;

    const float c = std::cos(chi * 3.1415927f / 180.0f) + 0.05f;
    float w = 59.45f - 14.63f * std::log((std::fabs(c) + c + 0.05f) / (0.05f - c + std::fabs(c)));
    const float cap = 0.7f * (hmin - LAYCOF.ZME);
    if (cap < w) w = cap;
    w = round_to(w, 10.0f);
    LAYCTL.W = w;

    const float foe = LAYCOF.FC(2);
    if (!(w > 0.0f)) {
        LAYCTL.W = 0.0f;
        LAYCTL.D = 0.0f;
        V.FVAL0 = V.FVAL = foe;
    } else {
        const float e = std::exp((59.45f - w) / 14.63f);
        float r = 0.49f + 0.46f * (e - 1.0f) / (e + 1.0f);
        if (r > 1.0f) r = 1.0f;
        V.FVAL = foe * std::sqrt(r);
        V.FVAL0 = foe;
        float d = foe - V.FVAL;
        if (V.FVAL < 0.2f) {
            V.FVAL = 0.2f;
            d = foe - 0.2f;
        }
        ROUND4(d, LAYCTL.D);

        // Part 2 mirrors the E shape on FVAL..foE, scaled to span WV2 km; E
        // coefficients that re-express to a zero sum give the sqrt(X) shape.
        V.WV2 = (w - V.WV1) / 3.0f;
        auto& A = LAYCOF.A;
        CONTPRFL(3, LAYCOF.FC(1), foe, LAYCOF.AE.data(), V.FVAL, A.data());
        const float sum = A(1) + A(2) + A(3);
        for (int i = 1; i <= 3; ++i) V.AVAL(i) = A(i) * V.WV2 / (-sum);
        if (sum == 0.0f || !std::isfinite(V.AVAL(1) + V.AVAL(2) + V.AVAL(3))) {
            V.AVAL(1) = -V.WV2;
            V.AVAL(2) = V.AVAL(3) = 0.0f;
        }
        V.WV3 = V.WV2;
        V.WV4 = w - V.WV1 - V.WV2 - V.WV3;
    }
    DERPAR.HSTARTF1 = DERPAR.HSTARTF2 = LAYCOF.ZME + LAYCTL.W;
}

void FNDDHV() {
    auto& T = TRCSEC;
    const auto& V = VALPAR;
    T.DHV.fill(0.0f);
    if (LAYCTL.W <= V.WV1) return;
    const SectionGuard keep(SectionGuard::Keep::section);
    const float FH = FLDPAR.FH, DIP = FLDPAR.DIP;

    // Part 2, the mirrored E shape: its integrals through FVAL..FVAL0.
    if (V.WV2 > 0.0f) {
        T.FSTART = V.FVAL;
        T.FEND = V.FVAL0;
        T.NN = 3;
        SIKP(T.FEND);
    }
    // Part 4 nodes: fN**2 = FE**2 - u**2 (FE**2 - FVAL**2), the same for every wave.
    const float fe = T.FEND;
    const float sd = std::sqrt(fe * fe - V.FVAL * V.FVAL);
    NodeArray fn2, rootfn2, gnode;
    for (int j = 1; j <= NGAUSS; ++j) {
        fn2(j) = (fe - GAUSSU(j) * sd) * (fe + GAUSSU(j) * sd);
        rootfn2(j) = std::sqrt(fn2(j));
    }
    const bool part4 = V.WV4 > 0.0f && fe > V.FVAL;
    const float factor4 = part4 ? (V.WV4 / (fe - V.FVAL)) * (fe * fe - V.FVAL * V.FVAL) : 0.0f;

    for (int K = 1; K <= T.NFQ; ++K) {
        const float F = T.FK(K);
        float g2 = 0.0f, g3 = 0.0f, g4 = 0.0f;
        if (V.WV2 > 0.0f) {
            for (int J = 1; J <= 3; ++J) g2 += DERPAR.SU(J, K) * V.AVAL(J);
            if (g2 < V.WV2) g2 = V.WV2;
        }
        if (V.WV3 > 0.0f) {
            float g;
            GOSUB(1.0f, F, V.FVAL * V.FVAL, FH, DIP, g);
            g3 = V.WV3 * g;
            if (g3 < V.WV3) g3 = V.WV3;
        }
        if (part4) {
            node_group_indices(F, fn2, FH, gnode);
            float sum = 0.0f;
            for (int j = 1; j <= NGAUSS; ++j) sum += GAUSSW(j) * gnode(j) / rootfn2(j);
            g4 = factor4 * sum;
            if (g4 < V.WV4) g4 = V.WV4;
        } else if (V.WV4 > 0.0f) {
            g4 = V.WV4;
        }
        T.DHV(K) = g4 + g3 + g2;
    }
}

}  // namespace kolm
