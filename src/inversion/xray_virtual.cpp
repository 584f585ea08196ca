// Extraordinary-ray virtual heights.
//
// Same substitutions as the ordinary-ray integrals, for one wave at a time:
// the X wave of frequency f reflects where the plasma frequency squared is
// f(f - FH) instead of f**2.
#include "inversion/xray_virtual.h"

#include <cmath>

#include "blocks/peltarscale.h"
#include "blocks/peltartrueh.h"
#include "blocks/run_state.h"
#include "inversion/gauss_integral.h"
#include "inversion/least_squares.h"
#include "inversion/recomputed_virtual.h"
#include "inversion/section_guard.h"
#include "inversion/valley_rise.h"

namespace kolm {

XraywkBlock XRAYWK;

namespace {

const RunStateReset reset_xraywk([] { XRAYWK = XraywkBlock{}; });

constexpr int MAXX = 5;  // basis terms of the X-wave integrals

// Plasma frequency squared where the X wave of frequency F reflects; 0 at
// and below the gyrofrequency.
float x_reflection(float F, float FH) { return F > FH ? F * (F - FH) : 0.0f; }

int terms() { return TRCSEC.NN < MAXX ? TRCSEC.NN : MAXX; }

}  // namespace

void CDX(float F) {
    auto& X = XRAYWK;
    const float FH = FLDPAR.FH, FS = TRCSEC.FSTART;
    X.DR2 = 0.0f;
    X.FR2 = x_reflection(F, FH);
    // X frequency reflecting at the section start.
    const float FXS = (std::sqrt(FH * FH + 4.0f * FS * FS) + FH) / 2.0f;
    if (F > FXS) X.DR2 = X.FR2 - FS * FS;
}

void SXIK(float F) {
    auto& X = XRAYWK;
    const int NN = terms();
    const float FEND = TRCSEC.FEND;
    const float FH = FLDPAR.FH, DIP = FLDPAR.DIP;
    const float LR = std::log(TRCSEC.FSTART / FEND);
    X.SX.fill(0.0f);
    // Not entering the section, reflecting at or above its top, or a range
    // without a co-ordinate (start not above 0 or not below the top).
    if (X.DR2 == 0.0f || !(TRCSEC.FSTART > 0.0f) || !(LR < 0.0f) || !(X.FR2 <= FEND * FEND)) return;
    for (int J = 1; J <= NGAUSS; ++J) {
        const float fn2 = X.FR2 - GAUSSU2(J) * X.DR2;
        const float fn = std::sqrt(fn2);
        float G;
        GXSUB(GAUSSU(J), F, fn2, FH, DIP, G);
        const float XC = std::log(fn / FEND) / LR;
        const float c = GAUSSW(J) * X.DR2 * (0.5f / (LR * fn2)) * G / std::sqrt(XC);
        for (int N = 1; N <= NN; ++N) X.SX(N) += DTST(XC, N) * c;
    }
}

void SXIKP(float FV, float F) {
    auto& X = XRAYWK;
    const int NN = terms();
    const float FSTART = TRCSEC.FSTART, FEND = TRCSEC.FEND;
    const float FH = FLDPAR.FH, DIP = FLDPAR.DIP;
    const float LR = std::log(FSTART / FEND);
    const float DV = FV * FV - FSTART * FSTART;
    X.SXP.fill(0.0f);
    if (!(DV > 0.0f) || !(FSTART > 0.0f) || !(LR < 0.0f)) return;
    const float SQ = std::sqrt(DV);
    for (int J = 1; J <= NGAUSS; ++J) {
        const float u = GAUSSU(J);
        const float fn2 = (FV + u * SQ) * (FV - u * SQ);
        float fn = std::sqrt(fn2);
        if (fn >= FEND) fn = FEND - 1.0e-6f;  // the co-ordinate only
        const float XC = std::log(fn / FEND) / LR;
        float G;
        GXSUB(u, F, fn2, FH, DIP, G);
        const float c = GAUSSW(J) * G / (fn2 * std::sqrt(XC));
        for (int N = 1; N <= NN; ++N) X.SXP(N) += DTST(XC, N) * c;
    }
    for (int N = 1; N <= NN; ++N) X.SXP(N) *= DV * 0.5f / LR;
}

void GXSUB(float U, float F, float FN2, float FH, float /*DIP*/, float& G) {
    G = 0.0f;
    const float AX = F * (F - FH);
    // At and below the gyrofrequency there is no X-wave reflection to reach.
    if (!(AX > 0.0f)) return;
    const float XP = FN2 / AX;
    if (!(XP < 1.0f)) return;
    const auto& RI = SAOHDR.REALIN;
    const float Q0 = 1.0f - XP;
    const float YP = FH / std::sqrt(AX);
    const float B = (std::sqrt(YP * YP + 4.0f) - YP) / 2.0f;
    const float C1 = B * YP;
    const float C2 = 1.0f - C1;
    const float C3 = C2 * XP;
    const float C5 = (B / YP) * Q0;
    const float C6 = (C5 + 2.0f) * C5;
    const float R = std::sqrt(1.0f + RI(realin::SINQ1) * C6);
    const float Q = RI(realin::SINQ2) / (R + 1.0f);
    const float C7 = C6 * C1;
    const float P = C5 + C2 - C7 * Q;
    const float N2 = (1.0f - Q) * C7 / P;
    const float T = 2.0f * C6 / (R + 1.0f) - (C6 + 1.0f) * (C3 + 1.0f) / R;
    const float D1 = 1.0f + C3 * (1.0f + 0.5f * RI(realin::SINQ2) * T) / (P * P);
    G = std::sqrt(U * U / N2) * D1;
}

namespace {

// X wave F through the section fstart..fend up to its top: sum over
// N = 1..nn of SXP(N)*coef(N).
float crossing(float F, float fstart, float fend, int16_t nn, const float* coef) {
    auto& T = TRCSEC;
    T.FSTART = fstart;
    T.FEND = fend;
    T.NN = nn;
    SXIKP(T.FEND, F);
    float sum = 0.0f;
    for (int N = 1; N <= nn; ++N) sum += XRAYWK.SXP(N) * coef[N - 1];
    return sum;
}

// Valley pieces 2 to 4 (the model has no piece 1), each at least its thickness.
float valley_part(float F) {
    const auto& V = VALPAR;
    const float FH = FLDPAR.FH, DIP = FLDPAR.DIP;
    float part = 0.0f;
    if (V.WV2 > 0.0f) part += std::fmax(crossing(F, V.FVAL, LAYCOF.FC(2), 3, V.AVAL.data()), V.WV2);
    if (V.WV3 > 0.0f) {
        float g;
        GXSUB(1.0f, F, V.FVAL * V.FVAL, FH, DIP, g);
        part += std::fmax(V.WV3 * g, V.WV3);
    }
    if (V.WV4 > 0.0f) {
        // Plasma frequency linear in height from FVAL up to the current FEND.
        part += valley_rise_delay(F, TRCSEC.FEND, [FH, DIP](float f, const NodeArray& fn2, NodeArray& g) {
            for (int J = 1; J <= NGAUSS; ++J) GXSUB(GAUSSU(J), f, fn2(J), FH, DIP, g(J));
        });
    }
    return part;
}

}  // namespace

void RECVIRTX(float F, float& HV, int32_t MODE) {
    auto& T = TRCSEC;
    auto& C = LAYCOF;
    const int irgn = LAYCTL.IRGN;
    HV = 0.0f;
    if (irgn < 1 || irgn > 3) {
        HV = NOTCOMPUTED;
        return;
    }
    // 1. Keep the section limits and term count (put back on return).
    const SectionGuard keep(SectionGuard::Keep::section);
    T.FSTART = C.FC(irgn);
    T.FEND = C.FC(irgn + 1);
    const bool own = MODE != RV_E && MODE != RV_VALLEY && MODE != RV_F1;

    if (own && !(x_reflection(F, FLDPAR.FH) <= T.FEND * T.FEND)) {
        HV = NOTCOMPUTED;
    } else {
        // 2. Own layer.
        if (own) {
            T.NN = load_region_coefficients(irgn);
            CDX(F);
            SXIK(F);
            for (int N = 1; N <= T.NN; ++N) HV += C.A(N) * XRAYWK.SX(N);
        }
        // 3. E layer: its start height, and the E section crossed below the F regions.
        float epart = 0.0f, vpart = 0.0f, f1part = 0.0f;
        if (MODE != RV_OWN && MODE != RV_VALLEY && MODE != RV_F1) {
            epart = DERPAR.HSTART;
            if (irgn > 1) epart = std::fmax(DERPAR.HSTART + crossing(F, C.FC(1), C.FC(2), 3, C.AE.data()), C.ZME);
        }
        // 4. Valley; 5. F1 layer below the F2 region.
        const bool more = MODE != RV_OWN && MODE != RV_E;
        if (more && irgn > 1 && MODE != RV_F1 && LAYCTL.W != 0.0f) vpart = valley_part(F);
        if (more && MODE != RV_VALLEY && irgn == 3 && C.FC(2) != C.FC(3))
            f1part = crossing(F, C.FC(2), C.FC(3), 5, C.AF1.data());
        HV = HV + f1part + vpart + epart;
    }
}

}  // namespace kolm
