// Segment solvers of the quasi-parabolic fit: growth of an anchored segment
// point by point, the final coefficients of a chosen range, the straight
// valley segment and the rounding to significant digits.
#include "models/qp_solvers.h"

#include <algorithm>
#include <cmath>

#include "blocks/numeric.h"
#include "blocks/peltartrueh.h"
#include "blocks/run_state.h"

namespace kolm {

namespace {

// The largest relative residual whose value rounded to three digits still
// passes the accuracy E, kept for the last E asked for.
struct QpLimitState {
    float E = -1.0f;
    double T = 0.0;
};
QpLimitState QPLIMIT;
const RunStateReset reset_qplimit([] { QPLIMIT = QpLimitState{}; });

// An error passes E when its three-digit value is within E.
bool passes(double err, float E) {
    TRNKV(3, err);
    return float(err) <= E;
}

// Rounding is monotonic, so the residuals that pass form [0, T]: T by
// bisection between 0 (passes) and 2 E (fails).
double passing_limit(float E) {
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
float segment_error(int k0, int i, const Coefficients& m) {
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

}  // namespace

void QPFIT11(int16_t K1, int16_t K2, int16_t& KOUT, QpValues& YFIT, QpValues& DYFIT, QpErrors& ERRPT, float E) {
    KOUT = grow<Keep::errors>(K2, K1, YFIT(K2), DYFIT(K2), E, {&YFIT, &DYFIT, &ERRPT});
}

void QPFIT12(int16_t K1, int16_t KT, int16_t& KOUT, const QpValues& YFIT, const QpValues& DYFIT, QpValues& YFIT2,
             QpValues& DYFIT2, float E) {
    KOUT = grow<Keep::values>(KT, K1, YFIT(KT), DYFIT(KT), E, {&YFIT2, &DYFIT2, nullptr});
}

void QPFIT13(int16_t K1, int16_t KU, int16_t& KOUT, const QpValues& YFIT2, const QpValues& DYFIT2, float E) {
    KOUT = grow<Keep::nothing>(KU, K1, YFIT2(KU), DYFIT2(KU), E, {});
}

void QPFIT21(int16_t K1, int16_t K2, int16_t& KOUT, QpValues& YFIT, QpValues& DYFIT, QpErrors& ERRPT, float E) {
    KOUT = grow<Keep::errors>(K1, K2, YFIT(K1), DYFIT(K1), E, {&YFIT, &DYFIT, &ERRPT});
}

void QPFIT22(int16_t KT, int16_t K2, int16_t& KOUT, const QpValues& YFIT, const QpValues& DYFIT, float E) {
    KOUT = grow<Keep::nothing>(KT, K2, YFIT(KT), DYFIT(KT), E, {});
}

bool QPFIT3(int16_t K1, int16_t K2, const QpValues& YFIT, const QpValues& DYFIT, int16_t KE, int16_t KV1,
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

bool QPFIT3V(int16_t K1, int16_t K2, double Y1, double Y2, double& A, double& B, double& C, float& ERR) {
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

void TRNKV(int32_t K, double& V) {
    // 1. Zero, and a value without digits, stay as they are.
    double v = V;
    if (v == 0.0 || !std::isfinite(v)) return;
    // 2. Sign and magnitude.
    const double s = v > 0.0 ? 1.0 : -1.0;
    v = std::fabs(v);
    double p = 1.0;
    // 3. Mantissa into (0.1, 1].
    while (v < 1.0) {
        v *= 10.0;
        p /= 10.0;
    }
    while (v > 1.0) {
        v /= 10.0;
        p *= 10.0;
    }
    // 4. K digits, halves away from zero.
    v = round_to(v, std::pow(10.0, K));
    V = v * p * s;
}

}  // namespace kolm
