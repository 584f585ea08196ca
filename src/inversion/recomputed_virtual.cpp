// Recomputed virtual heights.
#include "inversion/recomputed_virtual.h"

#include <cmath>

#include "blocks/peltarscale.h"
#include "blocks/peltartrueh.h"
#include "inversion/gauss_integral.h"
#include "inversion/section_guard.h"
#include "inversion/valley_rise.h"

namespace kolm {

float virtual_height(int K) {
    const auto& T = TRCSEC;
    float hv = 0.0f;
    for (int N = 1; N <= T.NN; ++N) hv += SMAT.S(N, K) * LAYCOF.A(N);
    switch (LAYCTL.IRGN) {
        case 1: hv += DERPAR.HSTART; break;
        case 2: hv += T.DHE(K) + T.DHV(K); break;
        case 3: hv += T.DHE(K) + T.DHV(K) + VALPAR.DHF1(K); break;
        default: break;
    }
    return hv;
}

void VIRTUAL(int16_t K, float& HV) { HV = virtual_height(K); }

float mean_residual() {
    const int nfq = TRCSEC.NFQ;
    if (nfq <= 0) return NOTCOMPUTED;
    float sum = 0.0f;
    for (int K = 1; K <= nfq; ++K) sum += std::fabs(virtual_height(K) - TRCSEC.PPO(K));
    return sum / nfq;
}

void ERROR1(float& ERR) {
    if (TRCSEC.NFQ <= 0) {
        ERR = NOTCOMPUTED;
        return;
    }
    CDO();
    SIK();
    ERR = mean_residual();
}

namespace {

// Integral of the section from FSTART up to FEND for the one wave in FK(1):
// sum over N = 1..nn of SU(N,1)*coef(N).
float crossing(float fstart, float fend, int16_t nn, const float* coef) {
    auto& T = TRCSEC;
    T.FSTART = fstart;
    T.FEND = fend;
    T.NN = nn;
    SIKP(T.FEND);
    float sum = 0.0f;
    for (int N = 1; N <= nn; ++N) sum += DERPAR.SU(N, 1) * coef[N - 1];
    return sum;
}

float valley_part(float F) {
    const auto& V = VALPAR;
    const float FH = FLDPAR.FH, DIP = FLDPAR.DIP;
    float part = 0.0f;
    if (V.WV1 > 0.0f) {
        float p = V.WV1;
        if (V.FVAL0 != 0.0f) {
            float g;
            GOSUB(1.0f, F, V.FVAL0 * V.FVAL0, FH, DIP, g);
            p = V.WV1 * g;
            if (p < V.WV1) p = V.WV1;
        }
        part += p;
    }
    if (V.WV1 >= LAYCTL.W) return part;
    if (V.WV2 > 0.0f) {
        float p = crossing(V.FVAL, LAYCOF.FC(2), 3, V.AVAL.data());
        if (p < V.WV2) p = V.WV2;
        part += p;
    }
    if (V.WV3 > 0.0f) {
        float g;
        GOSUB(1.0f, F, V.FVAL * V.FVAL, FH, DIP, g);
        float p = V.WV3 * g;
        if (p < V.WV3) p = V.WV3;
        part += p;
    }
    if (V.WV4 > 0.0f) {
        // Plasma frequency linear in height from FVAL up to the current FEND.
        part += valley_rise_delay(F, TRCSEC.FEND, [FH](float f, const NodeArray& fn2, NodeArray& g) {
            node_group_indices(f, fn2, FH, g);
        });
    }
    return part;
}

}  // namespace

int16_t load_region_coefficients(int irgn) {
    auto& C = LAYCOF;
    if (irgn == 1) {
        for (int i = 1; i <= 3; ++i) C.A(i) = C.AE(i);
        return 3;
    }
    for (int i = 1; i <= 5; ++i) C.A(i) = irgn == 2 ? C.AF1(i) : C.AF2(i);
    return 5;
}

void RECVIRT(float F, float& HV, int16_t MODE) {
    auto& T = TRCSEC;
    auto& C = LAYCOF;
    const int irgn = LAYCTL.IRGN;
    HV = 0.0f;
    if (irgn < 1 || irgn > 3) {
        HV = NOTCOMPUTED;
        return;
    }
    const SectionGuard keep(SectionGuard::Keep::first_point);
    T.NFQ = 1;
    T.FK(1) = F;
    T.FSTART = C.FC(irgn);
    T.FEND = C.FC(irgn + 1);
    float epart = 0.0f, vpart = 0.0f, f1part = 0.0f;
    const bool own = MODE != RV_E && MODE != RV_VALLEY && MODE != RV_F1;

    if (own && !(F <= T.FEND)) {
        HV = NOTCOMPUTED;
    } else {
        if (own) {
            T.NN = load_region_coefficients(irgn);
            // At the region's top the wave reflects at the peak: the kernel,
            // which leaves a wave at or above the top out, integrates it from
            // just below.
            if (F == T.FEND) T.FK(1) = std::nextafter(F, 0.0f);
            CDO();
            SIK();
            T.FK(1) = F;
            for (int N = 1; N <= T.NN; ++N) HV += SMAT.S(N, 1) * C.A(N);
        }
        if (MODE != RV_OWN && MODE != RV_VALLEY && MODE != RV_F1) {
            if (irgn == 1) {
                epart = DERPAR.HSTART;
            } else {
                epart = DERPAR.HSTART + crossing(C.FC(1), C.FC(2), 3, C.AE.data());
                if (C.ZME > epart) epart = C.ZME;
            }
        }
        const bool more = MODE != RV_OWN && MODE != RV_E;
        if (more && irgn > 1 && MODE != RV_F1) vpart = valley_part(F);
        if (more && MODE != RV_VALLEY && irgn == 3 && C.FC(2) != C.FC(3))
            f1part = crossing(C.FC(2), C.FC(3), 5, C.AF1.data());
        HV = HV + f1part + vpart + epart;
    }
}

}  // namespace kolm
