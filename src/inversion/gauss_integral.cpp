// Virtual-height integrals by 16-point Gauss-Legendre quadrature.
#include "inversion/gauss_integral.h"

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "blocks/numeric.h"
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

// The per-wave terms of the group index: F**2 and W = TANSQ4/(Y COSSQ Y).
struct WaveTerms {
    float F2, W;
};

WaveTerms wave_terms(float F, float FH) {
    const auto& RI = SAOHDR.REALIN;
    const float Y = FH / F;
    return {F * F, RI(realin::TANSQ4) / (Y * RI(realin::COSSQ) * Y)};
}

// U times the group index at plasma frequency squared FN2, for Q0 = 1 - X > 0.
// The same operations in the same order for one node as for all nodes at once.
inline float group_index(float U, float Q0, float X, float W, float TANSQ2, float TANSQ) {
    const float R = std::sqrt(1.0f + W * Q0 * Q0);
    const float Q = TANSQ2 / (R + 1.0f);
    const float P = 1.0f + Q * Q0;
    const float T = (X + 1.0f) / R - 2.0f / (R + 1.0f);
    const float D = TANSQ * X * T / (P * P);
    return U * (1.0f + D) * std::sqrt(P / (Q + 1.0f)) / std::sqrt(Q0);
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
    const WaveTerms w = wave_terms(F, FH);
    G = group_index(U, Q0, X, w.W, RI(realin::TANSQ2), RI(realin::TANSQ));
}

void CDO() {
    const float FS2 = TRCSEC.FSTART * TRCSEC.FSTART;
    for (int K = 1; K <= TRCSEC.NFQ; ++K) {
        const float f2 = TRCSEC.FK(K) * TRCSEC.FK(K);
        FSQR.FSQ(K) = f2;
        FSQR.FSQD(K) = f2 > FS2 ? f2 - FS2 : 0.0f;
    }
}

// The node loops are compiled twice: for SSE2, which every x86-64 processor
// has, and for AVX2, eight floats per instruction. Both variants use only
// operations IEEE arithmetic rounds exactly (add, subtract, multiply,
// divide, square root; no fused multiply-add, -ffp-contract=off) and call
// the same logarithm, so they give the same floats. The bodies below are
// inlined into each variant.
#define NODE_KERNEL [[gnu::always_inline]] inline

// The loops over the nodes stay rolled until the vectoriser has seen them:
// unrolled early, as small loops over local arrays are, they stay scalar.
#define NODE_LOOP _Pragma("GCC unroll 1")

namespace {

NODE_KERNEL void group_indices_body(float F, const NodeArray& FN2, float FH, NodeArray& G) {
    const auto& RI = SAOHDR.REALIN;
    const WaveTerms w = wave_terms(F, FH);
    const float TANSQ2 = RI(realin::TANSQ2), TANSQ = RI(realin::TANSQ);
    // Every node is evaluated and the nodes at or beyond reflection are then
    // masked to +0: a loop without branches over the 16 nodes, which
    // vectorises (a conditional would leave the divisions in a branch).
    for (int J = 0; J < NGAUSS; ++J) {
        const float X = FN2.v[J] / w.F2;
        const float Q0 = 1.0f - X;
        const float g = group_index(GAUSSU.v[J], Q0, X, w.W, TANSQ2, TANSQ);
        const uint32_t keep = Q0 <= 0.0f ? 0u : ~0u;
        G.v[J] = std::bit_cast<float>(std::bit_cast<uint32_t>(g) & keep);
    }
}

// Section co-ordinates X(J) = ln(fn(J)/FEND)/LR of the node plasma
// frequencies fn(J) and their square roots. The logarithms are the only
// library calls; the divisions and roots around them vectorise.
NODE_KERNEL void node_coordinates(const NodeArray& fn, float FEND, float LR, NodeArray& X, NodeArray& SQX) {
    NodeArray ratio;
    NODE_LOOP for (int J = 0; J < NGAUSS; ++J) ratio.v[J] = fn.v[J] / FEND;
    for (int J = 0; J < NGAUSS; ++J) X.v[J] = std::log(ratio.v[J]);
    NODE_LOOP for (int J = 0; J < NGAUSS; ++J) {
        X.v[J] = X.v[J] / LR;
        SQX.v[J] = std::sqrt(X.v[J]);
    }
}

// B(J) := DTST(X(J), N) for all nodes.
NODE_KERNEL void node_basis(const NodeArray& X, int N, NodeArray& B) {
    const auto& CV = TRCSEC.CV;
    NODE_LOOP for (int J = 0; J < NGAUSS; ++J) B.v[J] = CV(N, 1);
    for (int I = 2; I <= N; ++I) {
        const float c = CV(N, I);
        NODE_LOOP for (int J = 0; J < NGAUSS; ++J) B.v[J] = B.v[J] * X.v[J] + c;
    }
}

// The sum of the node terms in node order.
NODE_KERNEL float node_sum(const NodeArray& t) {
    float sum = 0.0f;
    for (int J = 0; J < NGAUSS; ++J) sum += t.v[J];
    return sum;
}

NODE_KERNEL void sik_body() {
    const int NN = TRCSEC.NN;
    const float FEND = TRCSEC.FEND;
    const float FH = FLDPAR.FH;
    const float LR = std::log(TRCSEC.FSTART / FEND);
    // Per node: plasma frequency squared and its root, co-ordinate and its
    // root, the Gauss factor and the group index.
    NodeArray FN2, FN, X, SQX, C, G, B, t;
    for (int K = 1; K <= TRCSEC.NFQ; ++K) {
        const float FSQD = FSQR.FSQD(K);
        const float F = TRCSEC.FK(K);
        if (FSQD == 0.0f || !(F < FEND)) {
            for (int N = 1; N <= NN; ++N) SMAT.S(N, K) = 0.0f;
            continue;
        }
        const float FSQ = FSQR.FSQ(K);
        NODE_LOOP for (int J = 0; J < NGAUSS; ++J) {
            FN2.v[J] = FSQ - FSQD * GAUSSU2.v[J];
            FN.v[J] = std::sqrt(FN2.v[J]);
            C.v[J] = 0.5f / (LR * FN2.v[J]);
        }
        group_indices_body(F, FN2, FH, G);
        node_coordinates(FN, FEND, LR, X, SQX);
        for (int N = 1; N <= NN; ++N) {
            node_basis(X, N, B);
            NODE_LOOP for (int J = 0; J < NGAUSS; ++J) t.v[J] = B.v[J] * FSQD * GAUSSW.v[J] * C.v[J] * G.v[J] / SQX.v[J];
            SMAT.S(N, K) = node_sum(t);
        }
    }
}

// The node terms of SIKP, which do not depend on the data points: per node
// the plasma frequency squared, the denominator fn**2 sqrt(X) and the basis
// values times the weight. The recomputed virtual heights cross the same
// few sections (E, valley, F1) for one wave after another, so the terms of
// the last ranges are kept, by the bit patterns of FSTART, FEND and FV with
// the term count and the basis table they were formed with.
struct CrossingNodes {
    bool known = false;
    uint32_t fs = 0, fe = 0, fv = 0;
    int16_t nn = 0;
    FArray2<float, MAXTERMS, MAXTERMS> CV{};
    NodeArray FN2{}, DEN{};
    FArray<NodeArray, MAXTERMS> BW{};
};
struct CrossingMemo {
    static constexpr int SIZE = 4;
    CrossingNodes entry[SIZE];
    int next = 0;  // the entry replaced next
};
CrossingMemo crossings;
const RunStateReset crossings_reset([] { crossings = CrossingMemo{}; });

NODE_KERNEL const CrossingNodes& crossing_nodes(float FV, float SQ, float LR) {
    const int NN = TRCSEC.NN;
    const float FEND = TRCSEC.FEND;
    const uint32_t fs = std::bit_cast<uint32_t>(TRCSEC.FSTART), fe = std::bit_cast<uint32_t>(FEND),
                   fv = std::bit_cast<uint32_t>(FV);
    // Rows 1..NN of the basis table, the part the terms use.
    const size_t cv_bytes = sizeof(float) * MAXTERMS * size_t(clamp_count(NN, MAXTERMS));
    for (const CrossingNodes& e : crossings.entry)
        if (e.known && e.fs == fs && e.fe == fe && e.fv == fv && e.nn == NN &&
            std::memcmp(e.CV.v, TRCSEC.CV.v, cv_bytes) == 0)
            return e;
    CrossingNodes& e = crossings.entry[crossings.next];
    crossings.next = (crossings.next + 1) % CrossingMemo::SIZE;
    e.known = true;
    e.fs = fs;
    e.fe = fe;
    e.fv = fv;
    e.nn = int16_t(NN);
    std::memcpy(e.CV.v, TRCSEC.CV.v, cv_bytes);
    NodeArray FN, X, SQX, B;
    NODE_LOOP for (int J = 0; J < NGAUSS; ++J) {
        const float u = GAUSSU.v[J];
        e.FN2.v[J] = (FV + u * SQ) * (FV - u * SQ);
        const float fn = std::sqrt(e.FN2.v[J]);
        FN.v[J] = fn >= FEND ? FEND - 1.0e-6f : fn;
    }
    node_coordinates(FN, FEND, LR, X, SQX);
    NODE_LOOP for (int J = 0; J < NGAUSS; ++J) e.DEN.v[J] = e.FN2.v[J] * SQX.v[J];
    for (int N = 1; N <= NN; ++N) {
        node_basis(X, N, B);
        NODE_LOOP for (int J = 0; J < NGAUSS; ++J) e.BW(N).v[J] = B.v[J] * GAUSSW.v[J];
    }
    return e;
}

NODE_KERNEL void sikp_body(float FV) {
    const int NN = TRCSEC.NN;
    const float FH = FLDPAR.FH;
    const float LR = std::log(TRCSEC.FSTART / TRCSEC.FEND);
    const float DV = FV * FV - TRCSEC.FSTART * TRCSEC.FSTART;
    if (!(DV > 0.0f)) {
        // Nothing of the section lies below FV.
        for (int K = 1; K <= TRCSEC.NFQ; ++K)
            for (int N = 1; N <= NN; ++N) DERPAR.SU(N, K) = 0.0f;
        return;
    }
    const CrossingNodes& nodes = crossing_nodes(FV, std::sqrt(DV), LR);
    NodeArray G, t;
    for (int K = 1; K <= TRCSEC.NFQ; ++K) {
        group_indices_body(TRCSEC.FK(K), nodes.FN2, FH, G);
        for (int N = 1; N <= NN; ++N) {
            NODE_LOOP for (int J = 0; J < NGAUSS; ++J) t.v[J] = nodes.BW(N).v[J] * G.v[J] / nodes.DEN.v[J];
            DERPAR.SU(N, K) = node_sum(t) * DV * 0.5f / LR;
        }
    }
}

void group_indices_sse2(float F, const NodeArray& FN2, float FH, NodeArray& G) {
    group_indices_body(F, FN2, FH, G);
}
[[gnu::target("avx2")]] void group_indices_avx2(float F, const NodeArray& FN2, float FH, NodeArray& G) {
    group_indices_body(F, FN2, FH, G);
}
void sik_sse2() { sik_body(); }
[[gnu::target("avx2")]] void sik_avx2() { sik_body(); }
void sikp_sse2(float FV) { sikp_body(FV); }
[[gnu::target("avx2")]] void sikp_avx2(float FV) { sikp_body(FV); }

// AVX2 where the processor has it and the system keeps its registers (the
// check covers both). A constant of the machine, not of the run.
const NodeIsa PROCESSOR_ISA = [] {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") ? NodeIsa::avx2 : NodeIsa::sse2;
}();

}  // namespace

NodeIsa processor_node_isa() { return PROCESSOR_ISA; }

void node_group_indices(NodeIsa isa, float F, const NodeArray& FN2, float FH, NodeArray& G) {
    if (isa == NodeIsa::avx2)
        group_indices_avx2(F, FN2, FH, G);
    else
        group_indices_sse2(F, FN2, FH, G);
}

void node_group_indices(float F, const NodeArray& FN2, float FH, NodeArray& G) {
    node_group_indices(PROCESSOR_ISA, F, FN2, FH, G);
}

void SIK(NodeIsa isa) {
    if (isa == NodeIsa::avx2)
        sik_avx2();
    else
        sik_sse2();
}

void SIK() { SIK(PROCESSOR_ISA); }

void SIKP(NodeIsa isa, float FV) {
    if (isa == NodeIsa::avx2)
        sikp_avx2(FV);
    else
        sikp_sse2(FV);
}

void SIKP(float FV) { SIKP(PROCESSOR_ISA, FV); }

}  // namespace kolm
