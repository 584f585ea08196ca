// Quasi-parabolic fit: the points of the N(h) table, the placing of the
// segments stage by stage, and their order from the bottom up.
#include "models/qp_fit.h"

#include <cmath>
#include <utility>

#include "blocks/numeric.h"
#include "blocks/peltarscale.h"
#include "blocks/peltartrueh.h"
#include "blocks/run_state.h"
#include "models/qp_solvers.h"

namespace kolm {

namespace {

constexpr double EARTH_RADIUS = 6370.0;       // km
constexpr float GIVE_UP = 0.1f;               // no pass after one at this accuracy or above
// The E peak and the valley thirds are matched to the table rows within
// this: the table writes the E peak before it rounds ZME to 0.001 km, and
// rounds each valley third from the unrounded ZME.
constexpr float BOUNDARY_TOLERANCE = 0.0015f; // km
constexpr float F1_TOLERANCE = 0.0001f;       // km
// Segment placements per pass; a pass that needs more is taken as failed.
constexpr int MAX_PLACEMENTS = 20 * MAXQPPTS;

// Working state of DOFITTING, reset at each pass.
struct QpfitState {
    FArray<int16_t, MAXQPSEG> KJT;   // top point of each stored segment, 0 empty
    QpValues YFIT, DYFIT;            // model value and slope of the growing segment
    QpValues YFIT2, DYFIT2;          // the same for the look-ahead
    QpErrors ERRPT;                  // segment error when it reached each point
    int16_t L;                       // next slot from the top: segments are stored from 20 down
    int16_t KLAST;                   // bottom point of the last segment grown in this stage, 0 none
    int16_t LSTAGE;                  // slot of the first segment of this stage plus one
    int16_t IVALLEY;                 // the valley was reached in this pass
    float ESAVE;                     // accuracy of the pass
    QpTerms terms;                   // the growths' terms of the points of this fit
};
QpfitState QPSTATE;
const RunStateReset reset_qpfit([] { QPSTATE = QpfitState{}; });

// Stores the segment with top point K2 in the next slot; false when the 20
// slots are used.
bool store(int16_t K2, double A, double B, double C, float err) {
    auto& S = QPSTATE;
    auto& Q = QPRES;
    if (--S.L < 1) return false;
    S.KJT(S.L) = K2;
    Q.RSEG(S.L) = QPWORK.RQ(K2);
    Q.ASEG(S.L) = A;
    Q.BSEG(S.L) = B;
    Q.CSEG(S.L) = C;
    Q.ESEG(S.L) = err;
    return true;
}

// Final coefficients of K1..K2 stored with err; false when either fails.
bool place(int16_t K1, int16_t K2, int16_t KE, int16_t KV1, int16_t KV2, float err, double* top_value = nullptr,
           double at_x = 0.0) {
    auto& S = QPSTATE;
    double A = 0.0, B = 0.0, C = 0.0;
    if (!QPFIT3(K1, K2, S.YFIT, S.DYFIT, KE, KV1, KV2, A, B, C)) return false;
    if (top_value) *top_value = (A * at_x + B) * at_x + C;
    return store(K2, A, B, C, err);
}

// A new stage: backtracking may take back only segments it grew itself.
void start_stage() {
    QPSTATE.KLAST = 0;
    QPSTATE.LSTAGE = QPSTATE.L;
}

// The look-ahead of a partial growth from K2 that reached KOUT: the join
// point KT (KOUT..K2-1) from which the rest of the stage down to K1 goes
// furthest in one segment, or else in two. 0 when no join continues.
int16_t join_below(int16_t K1, int16_t K2, int16_t KOUT, float E) {
    auto& S = QPSTATE;
    int16_t KBEST = 9999, KNEW = 0;
    for (int16_t KT = KOUT; KT <= K2 - 1; ++KT) {
        int16_t K12 = 0;
        QPFIT12(K1, KT, K12, S.YFIT, S.DYFIT, S.YFIT2, S.DYFIT2, E, &S.terms);
        if (K12 == KT) continue;
        if (K12 == K1) return KT;
        // The second look-ahead from every point KU = K12..KT-1.
        const int16_t K13 = QPFIT13_LOWEST(K1, K12, int16_t(KT - 1), S.YFIT2, S.DYFIT2, E, KBEST, &S.terms);
        if (K13 == K1) return KT;
        if (K13 < KBEST) {
            KBEST = K13;
            KNEW = KT;
        }
    }
    return KNEW;
}

// The same upward, in the E layer above its peak: the join point KT
// (KOUT down to K1+1) from which a segment reaches K2 or goes highest.
int16_t join_above(int16_t K1, int16_t K2, int16_t KOUT, float E) {
    auto& S = QPSTATE;
    int16_t KBEST = 0, KNEW = 0;
    for (int16_t KT = KOUT; KT >= K1 + 1; --KT) {
        int16_t K22 = 0;
        QPFIT22(KT, K2, K22, S.YFIT, S.DYFIT, E, &S.terms);
        if (K22 == K2) return KT;
        if (K22 > KBEST) {
            KBEST = K22;
            KNEW = KT;
        }
    }
    return KNEW;
}

// E layer above its peak, from KE up to KV1, then the valley segment from
// KV1 to KV2 joining the E layer's value at KV1 to the F layer's value YV2.
bool e_upper_and_valley(int16_t KE, int16_t KV1, int16_t KV2, double YV2, float E) {
    auto& S = QPSTATE;
    int16_t K1 = KE, K2 = KV1, KOUT = 0;
    S.YFIT(KE) = QPWORK.YQ(KE);  // the E peak, slope 0
    S.DYFIT(KE) = 0.0;
    S.DYFIT(KV1) = 0.0;
    for (;;) {
        QPFIT21(K1, K2, KOUT, S.YFIT, S.DYFIT, S.ERRPT, E, &S.terms);
        if (KOUT == K1) return false;
        if (KOUT == K2) break;
        const int16_t KNEW = KOUT == K1 + 1 ? KOUT : join_above(K1, K2, KOUT, E);
        if (KNEW <= K1) return false;
        // The segment K1..KNEW, anchored at its bottom.
        if (!place(K1, KNEW, KE, KV1, KV2, S.ERRPT(KNEW))) return false;
        K1 = KNEW;
        K2 = KV1;
    }
    // The last E segment reaches KV1; its value there starts the valley.
    double YV1 = 0.0;
    if (!place(K1, KOUT, KE, KV1, KV2, S.ERRPT(KOUT), &YV1, QPWORK.XQ(KV1))) return false;
    double A = 0.0, B = 0.0, C = 0.0;
    float err = 0.0f;
    if (!QPFIT3V(KV1, KV2, YV1, YV2, A, B, C, err)) return false;
    return store(KV2, A, B, C, err);
}

// One pass at accuracy E over the N points; false when it fails.
bool fit_pass(int16_t KE, int16_t KV1, int16_t KV2, int16_t N, float& E) {
    auto& S = QPSTATE;
    // 2. Pass start; stage F from the top point, the F peak (slope 0), down to KV2.
    QPRES.NSEG = 0;
    S.KJT.fill(0);
    S.YFIT.fill(0.0);
    S.DYFIT.fill(0.0);
    S.ERRPT.fill(0.0f);
    S.IVALLEY = 0;
    S.L = MAXQPSEG + 1;
    start_stage();
    int16_t K2 = N, K1 = KV2;
    S.YFIT(N) = QPWORK.YQ(N);
    S.DYFIT(N) = 0.0;

    for (int placements = 0; placements < MAX_PLACEMENTS; ++placements) {
        // 3. Growth from the anchor K2 towards the stage limit K1.
        const int16_t K1SAVE = K1;
        int16_t KOUT = 0, KNEW = 0;
        QPFIT11(K1, K2, KOUT, S.YFIT, S.DYFIT, S.ERRPT, E, &S.terms);
        if (KOUT != K2) {
            // b. The last segment: the E bottomside reached down to half its points.
            if (K2 == 2 || (K2 <= KE && KOUT <= K2 / 2)) return place(KOUT, K2, KE, KV1, KV2, S.ERRPT(KOUT));
            if (KOUT == K1) {
                // c. The stage limit: the E bottomside ends the fit ...
                if (K1 != KV2) return place(KOUT, K2, KE, KV1, KV2, S.ERRPT(KOUT));
                // ... the F layer ends at KV2: the E layer above its peak and the valley follow.
                if (S.IVALLEY == 0) {
                    S.IVALLEY = 1;
                    S.ESAVE = E;
                }
                double YV2 = 0.0;
                if (!place(KV2, K2, KE, KV1, KV2, S.ERRPT(KOUT), &YV2, QPWORK.XQ(KV2))) return false;
                if (!e_upper_and_valley(KE, KV1, KV2, YV2, E)) return false;
                E = S.ESAVE;
                // Nothing below an E peak that is the lowest point.
                if (KE == 1) return true;
                // Stage E bottom: from the E peak (slope 0) down to point 1.
                K2 = KE;
                K1 = 1;
                S.YFIT(KE) = QPWORK.YQ(KE);
                S.DYFIT(KE) = 0.0;
                start_stage();
                continue;
            }
            // d. Partial reach: a one-point segment, or the best join below.
            KNEW = KOUT == K2 - 1 ? KOUT : join_below(K1, K2, KOUT, E);
        }
        // 4. No join: take back the stage's last segment and regrow it one
        // point shorter at its lower end.
        if (KNEW == 0) {
            if (S.L >= S.LSTAGE || S.KLAST == 0) return false;
            K2 = S.KJT(S.L);
            S.KJT(S.L) = 0;
            KNEW = int16_t(S.KLAST + 1);
            ++S.L;
        }
        K1 = KNEW;
        S.KLAST = KNEW;
        if (K1 >= K2) return false;
        if (!place(K1, K2, KE, KV1, KV2, S.ERRPT(KNEW))) return false;
        // The next segment starts at the bottom of this one.
        K2 = KNEW;
        K1 = K1SAVE;
    }
    return false;
}

// 8. Slots in the order of their top points from the bottom up, the base of
// the lowest segment where its fN**2 falls to zero, and the count.
void order_segments() {
    auto& S = QPSTATE;
    auto& Q = QPRES;
    const auto swap_slots = [&](int i, int j) {
        std::swap(S.KJT(i), S.KJT(j));
        std::swap(Q.RSEG(i), Q.RSEG(j));
        std::swap(Q.ASEG(i), Q.ASEG(j));
        std::swap(Q.BSEG(i), Q.BSEG(j));
        std::swap(Q.CSEG(i), Q.CSEG(j));
        std::swap(Q.ESEG(i), Q.ESEG(j));
    };
    for (int i = 1; i < MAXQPSEG; ++i)
        for (int j = i + 1; j <= MAXQPSEG; ++j)
            if (S.KJT(j) < S.KJT(i)) swap_slots(i, j);
    int empty = 0;
    while (empty < MAXQPSEG && S.KJT(empty + 1) == 0) ++empty;
    if (empty > 0) {
        for (int i = 1; i + empty <= MAXQPSEG; ++i) swap_slots(i, i + empty);
        for (int i = MAXQPSEG - empty + 1; i <= MAXQPSEG; ++i) {
            S.KJT(i) = 0;
            Q.RSEG(i) = Q.ASEG(i) = Q.BSEG(i) = Q.CSEG(i) = 0.0;
            Q.ESEG(i) = 0.0f;
        }
    }
    int16_t n = 0;
    while (n < MAXQPSEG && S.KJT(n + 1) != 0) ++n;
    if (n == 0) return;

    const double A = Q.ASEG(1), B = Q.BSEG(1), C = Q.CSEG(1);
    double base;
    if (C == 0.0) {
        base = B != 0.0 ? -A / B : QPWORK.RQ(1);
    } else {
        const double D = B * B - 4.0 * A * C;
        if (D >= 0.0) {
            base = (-B + std::sqrt(D)) / (2.0 * C);
        } else {
            base = -B / (2.0 * C);
            if (base < QPWORK.RQ(1)) base = QPWORK.RQ(1);
        }
    }
    TRNKV(7, base);
    Q.RSEG(0) = base;

    // Nothing that is not a number goes out as a segment.
    bool finite = std::isfinite(Q.RSEG(0));
    for (int i = 1; i <= n; ++i)
        finite = finite && std::isfinite(Q.RSEG(i)) && std::isfinite(Q.ASEG(i)) && std::isfinite(Q.BSEG(i)) &&
                 std::isfinite(Q.CSEG(i)) && std::isfinite(Q.ESEG(i));
    Q.NSEG = finite ? n : 0;
}

// The row of the table nearest h within tol, 0 when none is.
int16_t nearest_row(float h, float tol) {
    int16_t best = 0;
    float dbest = tol;
    for (int16_t i = 1; i <= NHPROF.NPTH; ++i) {
        const float d = std::fabs(NHPROF.HTAB(i) - h);
        if (d < dbest) {
            dbest = d;
            best = i;
        }
    }
    return best;
}

}  // namespace

void DOFITTING(int16_t& KE, int16_t& KV1, int16_t& KV2, int16_t& N, float& E) {
    // 1. An accuracy, and stages that lie within the points in their order.
    if (!(E > 0.0f)) return;
    QPRES.NSEG = 0;
    if (!(KE >= 1 && KE < KV1 && KV1 < KV2 && KV2 < N && N <= MAXQPPTS)) return;
    QPSTATE.ESAVE = E;
    QPSTATE.terms.clear();  // the points are those of this fit
    for (;;) {
        if (fit_pass(KE, KV1, KV2, N, E)) {
            order_segments();
            return;
        }
        // 9. A failed pass doubles the accuracy, up to a pass at 0.1 or above.
        E = QPSTATE.ESAVE;
        if (E >= GIVE_UP) {
            QPRES.NSEG = 0;
            return;
        }
        E = 2.0f * E;
        QPSTATE.ESAVE = E;
    }
}

void QPFIT() {
    auto& Q = QPRES;
    const auto& T = NHPROF;
    // 1. Accuracy and table size.
    Q.NSEG = 0;
    float E = Q.ERRMAX;
    if (!(Q.ERRMAX > 0.0f) || T.NPTH <= 0 || T.NPTH > MAXQPPTS) return;

    // 2. Valley thirds above the E peak.
    const float W = LAYCTL.W, ZME = LAYCOF.ZME, ZMF1 = LAYCOF.ZMF1;
    VALPAR.WV2 = W / 3.0f;
    const float HV1 = float(round_to(double(ZME + W / 3.0f), 1000.0));
    const float HV2 = float(round_to(double(W / 3.0f + W / 3.0f + ZME), 1000.0));
    const float HV3 = float(round_to(double(ZME + W), 1000.0));
    const int16_t rowE = nearest_row(ZME, BOUNDARY_TOLERANCE);
    const int16_t rowV1 = nearest_row(HV1, BOUNDARY_TOLERANCE);
    const int16_t rowV2 = nearest_row(HV2, BOUNDARY_TOLERANCE);
    const int16_t rowV3 = nearest_row(HV3, BOUNDARY_TOLERANCE);

    // 3. The points: every row but the valley top and the F1 peak (which
    // join layers with a kink), and but rows without a positive plasma
    // frequency. The E peak and valley thirds become point indices.
    int16_t KE = 0, KV1 = 0, KV2 = 0, N = 0;
    for (int16_t i = 1; i <= T.NPTH; ++i) {
        const float h = T.HTAB(i), fn = T.FNTAB(i);
        if (i == rowV3 || std::fabs(h - ZMF1) < F1_TOLERANCE) continue;
        if (!(fn > 0.0f) || !std::isfinite(fn) || !std::isfinite(h)) continue;
        ++N;
        QPWORK.RQ(N) = round_to(double(h) + EARTH_RADIUS, 1000.0);
        QPWORK.XQ(N) = 1.0 / QPWORK.RQ(N);
        QPWORK.YQ(N) = double(fn) * double(fn);
        if (i == rowE) KE = N;
        if (i == rowV1) KV1 = N;
        if (i == rowV2) KV2 = N;
    }
    // 4. The segments.
    DOFITTING(KE, KV1, KV2, N, E);
}

}  // namespace kolm
