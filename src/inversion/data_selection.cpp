// Data selection and smoothing of a section.
#include "inversion/data_selection.h"

#include <algorithm>
#include <cmath>

#include "blocks/peltarscale.h"
#include "blocks/peltartrueh.h"
#include "notation/fixed_format.h"

namespace kolm {

namespace {

const fmt::Format FMT_A("(A)");

// Height at which the current region starts.
float region_start_height() {
    const float base = SCLCHR.HGRID + SCLCHR.BASEHT;
    float h = base;
    if (LAYCTL.IRGN == 2) h = DERPAR.HSTARTF1;
    if (LAYCTL.IRGN == 3) h = DERPAR.HSTARTF2;
    if (h < base) h = base;
    if (h < 0.0f) h = 0.0f;
    return h;
}

// Working-trace indices of the current region's points.
void layer_range(int& first, int& last) {
    const auto& W = TRCWRK;
    switch (LAYCTL.IRGN) {
        case 1: first = 1; last = W.NFQE; break;
        case 2: first = W.NFQE + 1; last = W.NFQE + W.NFQF1; break;
        default: first = W.NFQE + W.NFQF1 + 1; last = W.NFQE + W.NFQF1 + W.NFQF; break;
    }
    last = std::min(last, MAXTRC);
}

// Working-trace indices of the trace the current region belongs to: the E
// trace, or the F trace (F1 and F2 points together, one continuous trace).
void trace_range(int& first, int& last) {
    const auto& W = TRCWRK;
    if (LAYCTL.IRGN == 1) {
        first = 1;
        last = W.NFQE;
    } else {
        first = W.NFQE + 1;
        last = W.NFQE + W.NFQF1 + W.NFQF;
    }
    last = std::min(last, MAXTRC);
}

}  // namespace

void refill_section(const float* f, const float* h, int n) {
    auto& T = TRCSEC;
    T.FK.fill(0.0f);
    T.PPO.fill(0.0f);
    for (int I = 1; I <= n; ++I) {
        T.FK(I) = f[I - 1];
        T.PPO(I) = h[I - 1];
    }
    T.NFQ = static_cast<int16_t>(n);
}

void DATAEFFE() {
    auto& T = TRCSEC;
    if (T.NFQ == 0) return;
    const float HREG = region_start_height();
    float f[MAXTRC], h[MAXTRC];
    int n = 0;
    for (int K = 1; K <= T.NFQ; ++K) {
        const float p = T.PPO(K);
        if (HREG <= p && p < 999.0f) {
            f[n] = T.FK(K);
            h[n] = p;
            ++n;
        }
    }
    refill_section(f, h, n);
}

void DATAUSED(int /*MODE*/) {
    auto& T = TRCSEC;
    const int NFQ = T.NFQ;
    if (NFQ == 0) return;
    float DF = 0.0f, DH = 0.0f;
    if (LAYCTL.IRGN > 2) {
        DF = static_cast<float>(NFQ / 20 + 1) * SCLCHR.FQINCR;
        DH = std::min(5.0f * static_cast<float>(NFQ / 20), 30.0f);
    }
    float FLOW = T.FSTART;
    if (LAYCTL.IRGN == 3 && TRCWRK.NFQE + TRCWRK.NFQF1 <= 0) FLOW = T.FSTART + 0.03f * (T.FEND - T.FSTART);

    int K1 = 0;
    for (int K = 1; K <= NFQ; ++K)
        if (T.FK(K) >= FLOW) {
            K1 = K;
            break;
        }
    if (K1 == 0) {
        T.NFQ = 0;
        return;
    }
    float f[MAXTRC], h[MAXTRC];
    int n = 0;
    float slope = 0.0f;
    bool full = false;
    auto keep = [&](int K, float height) {
        if (n >= MAXTRC) {
            if (!full) fmt::write_console(FMT_A, {" ARRAY DIMENSION IS TOO SMALL!"});
            full = true;
            return;
        }
        f[n] = T.FK(K);
        h[n] = height;
        ++n;
    };
    float pv;
    THSMOOTH(K1, pv, slope);
    keep(K1, pv);
    int KT = K1 + 1;
    if (K1 + 1 < NFQ - 4) {
        for (int K = K1 + 1; K <= NFQ - 4; ++K) {
            const float FL = f[n - 1], HL = h[n - 1];
            if (T.FK(K) - FL > DF || std::fabs(T.PPO(K) - HL) >= DH) {
                THSMOOTH(K, pv, slope);
                keep(K, pv);
            }
        }
        KT = NFQ - 3;
    }
    for (int K = KT; K <= NFQ && !full; ++K) {
        if (K == KT) {
            keep(K, T.PPO(K));
        } else {
            THSMOOTH(K, pv, slope);
            keep(K, pv);
        }
    }
    refill_section(f, h, n);
}

void THSMOOTH(int K, float& PVALUE, float& SLOPE) {
    const auto& T = TRCSEC;
    const auto& W = TRCWRK;
    const float HREG = region_start_height();
    const float F = T.FK(K);
    SLOPE = 9999.9f;
    // Only the current layer's points of the working trace are searched.
    int first, last;
    layer_range(first, last);
    int I = 0;
    for (int J = first; J <= last; ++J)
        if (std::fabs(F - W.TF(J)) < 0.0001f) {
            I = J;
            break;
        }
    if (I == 0) {
        PVALUE = T.PPO(K);
        return;
    }
    PVALUE = W.TH(I);
    // The window may reach across the F1/F2 boundary: the section's frequency
    // range decides which neighbours count.
    trace_range(first, last);
    const float FQINCR = SCLCHR.FQINCR;
    float S0 = 0, S1 = 0, S2 = 0, S3 = 0, S4 = 0, S5 = 0, S6 = 0, S7 = 0;
    int n = 0;
    for (int j = -3; j <= 3; ++j) {
        const int L = I + j;
        if (L < first || L > last) continue;
        const float y = W.TH(L);
        const float tf = W.TF(L);
        if (!(HREG <= y && y < 999.0f)) continue;
        if (!(T.FSTART < tf && tf < T.FEND + 0.5f * FQINCR)) continue;
        const float x = static_cast<float>(j);
        S0 += 1.0f;
        S1 += x;
        S2 += x * x;
        S3 += x * x * x;
        S4 += x * x * x * x;
        S5 += y;
        S6 += x * y;
        S7 += x * x * y;
        ++n;
    }
    if (n < 4) return;
    // Cramer's rule on [S0 S1 S2; S1 S2 S3; S2 S3 S4] (a, b, c) = (S5, S6, S7).
    auto det3 = [](float a11, float a12, float a13, float a21, float a22, float a23, float a31, float a32,
                   float a33) {
        return a11 * (a22 * a33 - a23 * a32) - a12 * (a21 * a33 - a23 * a31) + a13 * (a21 * a32 - a22 * a31);
    };
    const float D = det3(S0, S1, S2, S1, S2, S3, S2, S3, S4);
    if (D == 0.0f) return;
    const float DA = det3(S5, S1, S2, S6, S2, S3, S7, S3, S4);
    const float DB = det3(S0, S5, S2, S1, S6, S3, S2, S7, S4);
    PVALUE = DA / D;
    SLOPE = DB / D / FQINCR;
}

}  // namespace kolm
