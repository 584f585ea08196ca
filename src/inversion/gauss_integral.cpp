// Virtual-height integrals by 16-point Gauss-Legendre quadrature.
#include "inversion/gauss_integral.h"

#include <cmath>
#include <cstdint>
#include <cstring>

#include "blocks/peltarscale.h"
#include "blocks/peltartrueh.h"
#include "blocks/run_state.h"
#include "inversion/least_squares.h"

namespace kolm {

namespace {

// Abscissae and weights of the 16-point Gauss-Legendre rule on [-1, 1]
// (the negative half, innermost last).
constexpr double X16[8] = {
    -0.989400934991649932596, -0.944575023073232576078, -0.865631202387831743880,
    -0.755404408355003033895, -0.617876244402643748447, -0.458016777657227386342,
    -0.281603550779258913230, -0.095012509837637440185};
constexpr double W16[8] = {
    0.027152459411754094852, 0.062253523938647892863, 0.095158511682492784810,
    0.124628971255533872052, 0.149595988816576732081, 0.169156519395002538189,
    0.182603415044923588867, 0.189450610455068496285};

constexpr FArray<float, NGAUSS> make_nodes() {
    FArray<float, NGAUSS> u{};
    for (int j = 0; j < 8; ++j) {
        u.v[j] = static_cast<float>((1.0 + X16[j]) / 2.0);
        u.v[15 - j] = static_cast<float>((1.0 - X16[j]) / 2.0);
    }
    return u;
}

constexpr FArray<float, NGAUSS> make_half_weights() {
    FArray<float, NGAUSS> w{};
    for (int j = 0; j < 8; ++j) {
        w.v[j] = static_cast<float>(W16[j] / 2.0);
        w.v[15 - j] = static_cast<float>(W16[j] / 2.0);
    }
    return w;
}

constexpr FArray<float, NGAUSS> make_squares(const FArray<float, NGAUSS>& u) {
    FArray<float, NGAUSS> s{};
    for (int j = 0; j < NGAUSS; ++j) s.v[j] = u.v[j] * u.v[j];
    return s;
}

}  // namespace

const FArray<float, NGAUSS> GAUSSU = make_nodes();
const FArray<float, NGAUSS> GAUSSW = make_half_weights();
const FArray<float, NGAUSS> GAUSSU2 = make_squares(make_nodes());

void GOGXCOM(float DIP) {
    const float t = std::tan(DIP);
    const float c = std::cos(DIP);
    const float s = std::sin(DIP);
    const float t2 = t * t;
    const float s2 = s * s;
    auto& R = SAOHDR.REALIN;
    R(realin::TANSQ) = t2;
    R(realin::TANSQ2) = 2.0f * t2;
    R(realin::TANSQ4) = 4.0f * t2;
    R(realin::COSSQ) = c * c;
    R(realin::SINQ1) = 4.0f * s2 / ((1.0f + s2) * (1.0f + s2));
    R(realin::SINQ2) = 2.0f * s2 / (1.0f + s2);
}

namespace {

// The solvers evaluate the group index again and again at the same points:
// every trial top of a section search, every pass of a term-by-term
// build-up and every recomputed virtual height meet the same wave
// frequencies and node plasma frequencies. Results are kept, keyed by the
// exact arguments, for the field terms they were computed with, until the
// next record.
struct GroupIndexMemo {
    static constexpr int SIZE = 1 << 14;
    struct Entry {
        uint32_t u, f, fn2, epoch;
        float g;
    };
    Entry entry[SIZE];
    uint32_t epoch;      // entries of other epochs are empty
    bool known;          // the terms of this epoch are set
    float terms[5];      // FH, TANSQ4, COSSQ, TANSQ2, TANSQ of this epoch
};
GroupIndexMemo memo;
const RunStateReset memo_reset([] { memo.known = false; });

}  // namespace

void forget_group_indices() { memo.known = false; }

namespace {

uint32_t bits(float x) {
    uint32_t b;
    std::memcpy(&b, &x, sizeof b);
    return b;
}

}  // namespace

void GOSUB(float U, float F, float FN2, float FH, float /*DIP*/, float& G) {
    const float X = FN2 / (F * F);
    const float Q0 = 1.0f - X;
    if (Q0 <= 0.0f) {
        G = 0.0f;
        return;
    }
    const auto& RI = SAOHDR.REALIN;
    const float terms[5] = {FH, RI(realin::TANSQ4), RI(realin::COSSQ), RI(realin::TANSQ2), RI(realin::TANSQ)};
    if (!memo.known || std::memcmp(terms, memo.terms, sizeof terms) != 0) {
        std::memcpy(memo.terms, terms, sizeof terms);
        memo.known = true;
        if (++memo.epoch == 0) {
            for (auto& e : memo.entry) e.epoch = 0;
            memo.epoch = 1;
        }
    }
    const uint32_t bu = bits(U), bf = bits(F), bn = bits(FN2);
    const uint32_t h = (bf * 0x9E3779B1u) ^ (bn * 0x85EBCA77u) ^ (bu * 0xC2B2AE3Du);
    GroupIndexMemo::Entry& e = memo.entry[h >> (32 - 14)];
    if (e.epoch == memo.epoch && e.u == bu && e.f == bf && e.fn2 == bn) {
        G = e.g;
        return;
    }
    const float Y = FH / F;
    const float W = RI(realin::TANSQ4) / (Y * RI(realin::COSSQ) * Y);
    const float R = std::sqrt(1.0f + W * Q0 * Q0);
    const float Q = RI(realin::TANSQ2) / (R + 1.0f);
    const float P = 1.0f + Q * Q0;
    const float T = (X + 1.0f) / R - 2.0f / (R + 1.0f);
    const float D = RI(realin::TANSQ) * X * T / (P * P);
    G = U * (1.0f + D) * std::sqrt(P / (Q + 1.0f)) / std::sqrt(Q0);
    e = {bu, bf, bn, memo.epoch, G};
}

void CDO() {
    const float FS2 = TRCSEC.FSTART * TRCSEC.FSTART;
    for (int K = 1; K <= TRCSEC.NFQ; ++K) {
        const float f2 = TRCSEC.FK(K) * TRCSEC.FK(K);
        FSQR.FSQ(K) = f2;
        FSQR.FSQD(K) = f2 > FS2 ? f2 - FS2 : 0.0f;
    }
}

void SIK() {
    const int NN = TRCSEC.NN;
    const float FEND = TRCSEC.FEND;
    const float FH = FLDPAR.FH;
    const float DIP = FLDPAR.DIP;
    const float LR = std::log(TRCSEC.FSTART / FEND);
    // Per node: the Gauss factor, the co-ordinate and its square root.
    float X[NGAUSS], SQX[NGAUSS], C[NGAUSS], G[NGAUSS];
    for (int K = 1; K <= TRCSEC.NFQ; ++K) {
        const float FSQD = FSQR.FSQD(K);
        const float F = TRCSEC.FK(K);
        if (FSQD == 0.0f || !(F < FEND)) {
            for (int N = 1; N <= NN; ++N) SMAT.S(N, K) = 0.0f;
            continue;
        }
        for (int J = 0; J < NGAUSS; ++J) {
            const float fn2 = FSQR.FSQ(K) - FSQD * GAUSSU2.v[J];
            const float fn = std::sqrt(fn2);
            GOSUB(GAUSSU.v[J], F, fn2, FH, DIP, G[J]);
            X[J] = std::log(fn / FEND) / LR;
            SQX[J] = std::sqrt(X[J]);
            C[J] = 0.5f / (LR * fn2);
        }
        for (int N = 1; N <= NN; ++N) {
            float sum = 0.0f;
            for (int J = 0; J < NGAUSS; ++J)
                sum += DTST(X[J], N) * FSQD * GAUSSW.v[J] * C[J] * G[J] / SQX[J];
            SMAT.S(N, K) = sum;
        }
    }
}

void SIKP(float FV) {
    const int NN = TRCSEC.NN;
    const float FEND = TRCSEC.FEND;
    const float FH = FLDPAR.FH;
    const float DIP = FLDPAR.DIP;
    const float LR = std::log(TRCSEC.FSTART / FEND);
    const float DV = FV * FV - TRCSEC.FSTART * TRCSEC.FSTART;
    if (!(DV > 0.0f)) {
        // Nothing of the section lies below FV.
        for (int K = 1; K <= TRCSEC.NFQ; ++K)
            for (int N = 1; N <= NN; ++N) DERPAR.SU(N, K) = 0.0f;
        return;
    }
    const float SQ = std::sqrt(DV);
    // The node plasma frequencies do not depend on the data point.
    float FN2[NGAUSS], SQX[NGAUSS];
    FArray2<float, MAXTERMS, NGAUSS> B;  // basis values per node
    for (int J = 1; J <= NGAUSS; ++J) {
        const float u = GAUSSU(J);
        FN2[J - 1] = (FV + u * SQ) * (FV - u * SQ);
        float fn = std::sqrt(FN2[J - 1]);
        if (fn >= FEND) fn = FEND - 1.0e-6f;
        const float X = std::log(fn / FEND) / LR;
        SQX[J - 1] = std::sqrt(X);
        for (int N = 1; N <= NN; ++N) B(N, J) = DTST(X, N);
    }
    for (int K = 1; K <= TRCSEC.NFQ; ++K) {
        const float F = TRCSEC.FK(K);
        float G[NGAUSS];
        for (int J = 0; J < NGAUSS; ++J) GOSUB(GAUSSU.v[J], F, FN2[J], FH, DIP, G[J]);
        for (int N = 1; N <= NN; ++N) {
            float sum = 0.0f;
            for (int J = 1; J <= NGAUSS; ++J)
                sum += B(N, J) * GAUSSW(J) * G[J - 1] / (FN2[J - 1] * SQX[J - 1]);
            DERPAR.SU(N, K) = sum * DV * 0.5f / LR;
        }
    }
}

}  // namespace kolm
