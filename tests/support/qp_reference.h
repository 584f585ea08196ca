// The quasi-parabolic fit as it was first written, every growth computing
// its sums and bounds afresh from the points: the reference that the fit
// must reproduce bit for bit (segments, errors, doubled accuracies, and
// what a failed pass leaves in QPRES). It works on the same blocks (QPWORK,
// QPRES, VALPAR) with state of its own. Kept unchanged on purpose.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <utility>

#include "blocks/farray.h"
#include "blocks/numeric.h"
#include "blocks/peltarscale.h"
#include "blocks/peltartrueh.h"
#include "blocks/run_state.h"
#include "models/qp_solvers.h"

namespace kolm::testing::qpref {

using kolm::QpErrors;
using kolm::QpValues;
using kolm::TRNKV;

// The largest relative residual whose value rounded to three digits still
// passes the accuracy E, kept for the last E asked for.
struct QpLimitState {
    float E = -1.0f;
    double T = 0.0;
};
inline QpLimitState QPLIMIT;
inline const RunStateReset reset_qplimit([] { QPLIMIT = QpLimitState{}; });

// An error passes E when its three-digit value is within E.
inline bool passes(double err, float E) {
    TRNKV(3, err);
    return float(err) <= E;
}

// Rounding is monotonic, so the residuals that pass form [0, T]: T by
// bisection between 0 (passes) and 2 E (fails).
inline double passing_limit(float E) {
    if (QPLIMIT.E != E) {
        double lo = 0.0, hi = 2.0 * double(E);
        for (int k = 0; k < 80 && lo < hi; ++k) {
            const double mid = 0.5 * (lo + hi);
            if (mid <= lo || mid >= hi) break;
            (passes(mid, E) ? lo : hi) = mid;
        }
        QPLIMIT.E = E;
        QPLIMIT.T = lo;
    }
    return QPLIMIT.T;
}

struct Coefficients {
    double A, B, C;
    double at(double x) const { return (A * x + B) * x + C; }
    double slope(double x) const { return 2.0 * A * x + B; }
};

// Least-squares sums of the points taken so far, relative to the anchor:
// S1 = sum (y - Y0) dx**2 / y**2, S2 = sum dx**3 / y**2, S3 = sum dx**4 / y**2.
struct Sums {
    double X0, Y0, D0;
    double S1 = 0.0, S2 = 0.0, S3 = 0.0;

    void add(int i) {
        const double dx = X0 - QPWORK.XQ(i), y = QPWORK.YQ(i);
        const double w = dx * dx / (y * y);
        S1 += (y - Y0) * w;
        S2 += dx * w;
        S3 += dx * dx * w;
    }
    // A point at the anchor's own radius fixes no curvature: A = 0 there.
    Coefficients solve() const {
        const double A = S3 > 0.0 ? (S2 * D0 + S1) / S3 : 0.0;
        return {A, D0 - 2.0 * A * X0, (A * X0 - D0) * X0 + Y0};
    }
};

// Largest relative residual of the segment over the points between the
// anchor k0 (excluded) and i (included), rounded to three digits.
inline float segment_error(int k0, int i, const Coefficients& m) {
    const int step = i < k0 ? -1 : 1;
    double worst = 0.0;
    for (int j = k0 + step;; j += step) {
        const double y = QPWORK.YQ(j);
        const double r = std::fabs((y - m.at(QPWORK.XQ(j))) / y);
        if (!(r <= worst)) worst = r;  // NaN is kept
        if (j == i) break;
    }
    TRNKV(3, worst);
    return float(worst);
}

// The values of A for which every relative residual so far stays within T.
// With the model in the anchored form, Y0 - D0 dx + A dx**2 (dx = X0 - x),
// point j allows (r_j - T y_j) / dx_j**2 <= A <= (r_j + T y_j) / dx_j**2,
// r_j = y_j - Y0 + D0 dx_j; a point at the anchor's radius allows every A
// or none.
struct Bounds {
    double T;
    double lo = -INFINITY, hi = INFINITY;

    void add(double r, double y, double dx) {
        const double d = dx * dx;
        if (d > 0.0) {
            const double inv = 1.0 / d;
            lo = std::max(lo, (r - T * y) * inv);
            hi = std::min(hi, (r + T * y) * inv);
        } else if (!(std::fabs(r) <= T * y)) {
            lo = INFINITY;
        }
    }
    // Whether A = N / S3 (S3 > 0) lies within.
    bool contains(double N, double S3) const { return (N >= lo * S3) & (N <= hi * S3); }
};

// What a growth records at each point tried: the model value and slope
// and the segment error (the growing segment), the model value and slope
// only (the first look-ahead), or nothing (the second look-ahead).
enum class Keep { errors, values, nothing };

struct Record {
    QpValues* yfit = nullptr;
    QpValues* dyfit = nullptr;
    QpErrors* errpt = nullptr;
};

// Grows the segment anchored at k0 (value Y0, slope D0) point by point
// towards limit: downward (limit < k0, the model must fall with height
// below the anchor: slope <= 0) or upward (slope >= 0). A point is taken
// while its value lies below the anchor value, the slope condition holds,
// the parabola's vertex does not lie strictly between the anchor and the
// point (tested when D0 and A are non-zero), and the segment error is
// within E. Returns the last point taken: limit when it was reached, k0
// when none was.
//
// The tests run on A = N / S3 without dividing, the slope at the point
// being D0 - 2 A dx (dx = X0 - x). Where the errors are not recorded, the
// error test is whether A lies within the bounds of the residuals that pass.
template <Keep KEEP>
int16_t grow(int16_t k0, int16_t limit, double Y0, double D0, float E, const Record& rec) {
    if (limit == k0) return k0;
    const int step = limit < k0 ? -1 : 1;
    const double X0 = QPWORK.XQ(k0);
    Sums s{X0, Y0, D0};
    Bounds within{KEEP == Keep::errors ? 0.0 : passing_limit(E)};
    int i = k0 + step;
    for (;;) {
        s.add(i);
        const double x = QPWORK.XQ(i), y = QPWORK.YQ(i), dx = X0 - x;
        // A = N / S3; a point at the anchor's own radius gives A = 0.
        const bool curved = s.S3 > 0.0;
        const double N = curved ? s.S2 * D0 + s.S1 : 0.0, S3 = curved ? s.S3 : 1.0;
        Coefficients m{};
        if constexpr (KEEP != Keep::nothing) {
            m = s.solve();
            (*rec.yfit)(i) = m.at(x);
            (*rec.dyfit)(i) = m.slope(x);
        }
        // The slope is linear in x, D0 at the anchor and D0 - 2 A dx here
        // (taken times S3): the vertex lies strictly between the two exactly
        // when the slopes have opposite signs.
        const double slope = D0 * S3 - 2.0 * N * dx;
        const bool slope_ok = step < 0 ? slope <= 0.0 : slope >= 0.0;
        const bool vertex_between = D0 * slope < 0.0;
        bool ok = y < Y0 && slope_ok && !vertex_between;
        if constexpr (KEEP == Keep::errors) {
            const float err = segment_error(k0, i, m);
            (*rec.errpt)(i) = err;
            ok = ok && err <= E;
        } else {
            within.add(y - Y0 + D0 * dx, y, dx);
            ok = ok && within.contains(N, S3);
        }
        if (!ok) break;
        i += step;
        if (step < 0 ? i < limit : i > limit) return limit;
    }
    const int16_t out = int16_t(i - step);
    return QPWORK.YQ(out) >= Y0 ? k0 : out;
}

inline void QPFIT11(int16_t K1, int16_t K2, int16_t& KOUT, QpValues& YFIT, QpValues& DYFIT, QpErrors& ERRPT, float E) {
    KOUT = grow<Keep::errors>(K2, K1, YFIT(K2), DYFIT(K2), E, {&YFIT, &DYFIT, &ERRPT});
}

inline void QPFIT12(int16_t K1, int16_t KT, int16_t& KOUT, const QpValues& YFIT, const QpValues& DYFIT, QpValues& YFIT2,
             QpValues& DYFIT2, float E) {
    KOUT = grow<Keep::values>(KT, K1, YFIT(KT), DYFIT(KT), E, {&YFIT2, &DYFIT2, nullptr});
}

inline void QPFIT13(int16_t K1, int16_t KU, int16_t& KOUT, const QpValues& YFIT2, const QpValues& DYFIT2, float E) {
    KOUT = grow<Keep::nothing>(KU, K1, YFIT2(KU), DYFIT2(KU), E, {});
}

inline void QPFIT21(int16_t K1, int16_t K2, int16_t& KOUT, QpValues& YFIT, QpValues& DYFIT, QpErrors& ERRPT, float E) {
    KOUT = grow<Keep::errors>(K1, K2, YFIT(K1), DYFIT(K1), E, {&YFIT, &DYFIT, &ERRPT});
}

inline void QPFIT22(int16_t KT, int16_t K2, int16_t& KOUT, const QpValues& YFIT, const QpValues& DYFIT, float E) {
    KOUT = grow<Keep::nothing>(KT, K2, YFIT(KT), DYFIT(KT), E, {});
}

inline bool QPFIT3(int16_t K1, int16_t K2, const QpValues& YFIT, const QpValues& DYFIT, int16_t KE, int16_t KV1,
            int16_t KV2, double& A, double& B, double& C) {
    // 1. A range and the stage indices that define a segment.
    if (K1 < 1 || K2 > MAXQPPTS || K1 >= K2 || !(KE < KV1 && KV1 < KV2)) return false;
    // 2. Anchor: the top below the E peak and in the F layer, else the bottom.
    const bool top = K1 < KE || K2 > KV1;
    const int16_t k0 = top ? K2 : K1;
    // 3. Sums from the anchor outward, as the growth took them.
    Sums s{QPWORK.XQ(k0), YFIT(k0), DYFIT(k0)};
    if (top)
        for (int i = K2 - 1; i >= K1; --i) s.add(i);
    else
        for (int i = K1 + 1; i <= K2; ++i) s.add(i);
    const Coefficients m = s.solve();
    if (!std::isfinite(m.A) || !std::isfinite(m.B) || !std::isfinite(m.C)) return false;
    A = m.A;
    B = m.B;
    C = m.C;
    return true;
}

inline bool QPFIT3V(int16_t K1, int16_t K2, double Y1, double Y2, double& A, double& B, double& C, float& ERR) {
    const double x1 = QPWORK.XQ(K1), x2 = QPWORK.XQ(K2);
    if (x1 == x2) return false;
    A = 0.0;
    B = (Y1 - Y2) / (x1 - x2);
    C = Y1 - B * x1;
    double worst = 0.0;
    for (int i = K1; i <= K2; ++i) {
        const double y = QPWORK.YQ(i);
        const double r = std::fabs((B * QPWORK.XQ(i) + C - y) / y);
        if (!(r <= worst)) worst = r;
    }
    TRNKV(3, worst);
    ERR = float(worst);
    return std::isfinite(B) && std::isfinite(C) && std::isfinite(worst);
}

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
};
inline QpfitState QPSTATE;
inline const RunStateReset reset_qpfit([] { QPSTATE = QpfitState{}; });

// Stores the segment with top point K2 in the next slot; false when the 20
// slots are used.
inline bool store(int16_t K2, double A, double B, double C, float err) {
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
inline bool place(int16_t K1, int16_t K2, int16_t KE, int16_t KV1, int16_t KV2, float err, double* top_value = nullptr,
           double at_x = 0.0) {
    auto& S = QPSTATE;
    double A = 0.0, B = 0.0, C = 0.0;
    if (!qpref::QPFIT3(K1, K2, S.YFIT, S.DYFIT, KE, KV1, KV2, A, B, C)) return false;
    if (top_value) *top_value = (A * at_x + B) * at_x + C;
    return store(K2, A, B, C, err);
}

// A new stage: backtracking may take back only segments it grew itself.
inline void start_stage() {
    QPSTATE.KLAST = 0;
    QPSTATE.LSTAGE = QPSTATE.L;
}

// The look-ahead of a partial growth from K2 that reached KOUT: the join
// point KT (KOUT..K2-1) from which the rest of the stage down to K1 goes
// furthest in one segment, or else in two. 0 when no join continues.
inline int16_t join_below(int16_t K1, int16_t K2, int16_t KOUT, float E) {
    auto& S = QPSTATE;
    int16_t KBEST = 9999, KNEW = 0;
    for (int16_t KT = KOUT; KT <= K2 - 1; ++KT) {
        int16_t K12 = 0;
        qpref::QPFIT12(K1, KT, K12, S.YFIT, S.DYFIT, S.YFIT2, S.DYFIT2, E);
        if (K12 == KT) continue;
        if (K12 == K1) return KT;
        for (int16_t KU = K12; KU <= KT - 1; ++KU) {
            int16_t K13 = 0;
            qpref::QPFIT13(K1, KU, K13, S.YFIT2, S.DYFIT2, E);
            if (K13 == KU) continue;
            if (K13 == K1) return KT;
            if (K13 < KBEST) {
                KBEST = K13;
                KNEW = KT;
            }
        }
    }
    return KNEW;
}

// The same upward, in the E layer above its peak: the join point KT
// (KOUT down to K1+1) from which a segment reaches K2 or goes highest.
inline int16_t join_above(int16_t K1, int16_t K2, int16_t KOUT, float E) {
    auto& S = QPSTATE;
    int16_t KBEST = 0, KNEW = 0;
    for (int16_t KT = KOUT; KT >= K1 + 1; --KT) {
        int16_t K22 = 0;
        qpref::QPFIT22(KT, K2, K22, S.YFIT, S.DYFIT, E);
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
inline bool e_upper_and_valley(int16_t KE, int16_t KV1, int16_t KV2, double YV2, float E) {
    auto& S = QPSTATE;
    int16_t K1 = KE, K2 = KV1, KOUT = 0;
    S.YFIT(KE) = QPWORK.YQ(KE);  // the E peak, slope 0
    S.DYFIT(KE) = 0.0;
    S.DYFIT(KV1) = 0.0;
    for (;;) {
        qpref::QPFIT21(K1, K2, KOUT, S.YFIT, S.DYFIT, S.ERRPT, E);
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
    if (!qpref::QPFIT3V(KV1, KV2, YV1, YV2, A, B, C, err)) return false;
    return store(KV2, A, B, C, err);
}

// One pass at accuracy E over the N points; false when it fails.
inline bool fit_pass(int16_t KE, int16_t KV1, int16_t KV2, int16_t N, float& E) {
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
        qpref::QPFIT11(K1, K2, KOUT, S.YFIT, S.DYFIT, S.ERRPT, E);
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
inline void order_segments() {
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
inline int16_t nearest_row(float h, float tol) {
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

inline void DOFITTING(int16_t& KE, int16_t& KV1, int16_t& KV2, int16_t& N, float& E) {
    // 1. An accuracy, and stages that lie within the points in their order.
    if (!(E > 0.0f)) return;
    QPRES.NSEG = 0;
    if (!(KE >= 1 && KE < KV1 && KV1 < KV2 && KV2 < N && N <= MAXQPPTS)) return;
    QPSTATE.ESAVE = E;
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

inline void QPFIT() {
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
    qpref::DOFITTING(KE, KV1, KV2, N, E);
}

}  // namespace kolm::testing::qpref
