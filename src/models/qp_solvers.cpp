// Segment solvers of the quasi-parabolic fit: growth of an anchored segment
// point by point, the final coefficients of a chosen range, the straight
// valley segment and the rounding to significant digits.
#include "models/qp_solvers.h"

#include <cmath>

#include "blocks/peltartrueh.h"

namespace kolm {

namespace {

// A rounded error can stay within E only while the raw residual is below
// E times this (three digits round by at most half a unit in 100).
constexpr double ROUNDING_MARGIN = 1.006;

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
// anchor k0 (excluded) and i (included), rounded to three digits. With
// exact false the scan stops at the first residual that cannot round to E
// or below, and the value returned only tells that it exceeds E.
float segment_error(int k0, int i, const Coefficients& m, float E, bool exact) {
    const int step = i < k0 ? -1 : 1;
    const double stop = double(E) * ROUNDING_MARGIN;
    double worst = 0.0;
    for (int j = k0 + step;; j += step) {
        const double y = QPWORK.YQ(j);
        const double r = std::fabs((y - m.at(QPWORK.XQ(j))) / y);
        if (!(r <= worst)) worst = r;  // NaN is kept
        if (!exact && !(worst <= stop)) return float(worst);
        if (j == i) break;
    }
    TRNKV(3, worst);
    return float(worst);
}

// The values of A for which every relative residual so far stays within T.
// With the model in the anchored form, Y0 - D0 dx + A dx**2 (dx = X0 - x),
// point j allows (r_j - T y_j) / dx_j**2 <= A <= (r_j + T y_j) / dx_j**2,
// r_j = y_j - Y0 + D0 dx_j. The tightest limits are kept as fractions with
// positive denominators and compared by cross-multiplication, as is A
// itself (N / S3 of the sums).
struct Bounds {
    double T;
    double lo_n = -INFINITY, lo_d = 1.0, hi_n = INFINITY, hi_d = 1.0;

    void add(double r, double y, double d) {
        if (d > 0.0) {
            const double l = r - T * y, h = r + T * y;
            if (l * lo_d > lo_n * d) {
                lo_n = l;
                lo_d = d;
            }
            if (h * hi_d < hi_n * d) {
                hi_n = h;
                hi_d = d;
            }
        } else if (!(std::fabs(r) <= T * y)) {
            lo_n = INFINITY;
        }
    }
    // Whether A = N / S3 (S3 > 0) lies within.
    bool contains(double N, double S3) const { return N * lo_d >= lo_n * S3 && N * hi_d <= hi_n * S3; }
};

// Where a growth records what it finds at each point tried.
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
// The tests run on A = N / S3 without dividing: with dx = X0 - x the slope
// at the point is D0 - 2 A dx and the vertex lies at -D0 / (2 A) from X0.
// Without a record of the errors, most points are decided by the bounds
// alone: within E less the rounding margin they are taken, beyond E plus
// the margin they are not; only those between are scanned.
int16_t grow(int16_t k0, int16_t limit, double Y0, double D0, float E, const Record& rec) {
    if (limit == k0) return k0;
    const int step = limit < k0 ? -1 : 1;
    const double X0 = QPWORK.XQ(k0);
    Sums s{X0, Y0, D0};
    Bounds surely_within{double(E) * (2.0 - ROUNDING_MARGIN)}, maybe_within{double(E) * ROUNDING_MARGIN};
    int i = k0 + step;
    for (;;) {
        s.add(i);
        const double x = QPWORK.XQ(i), y = QPWORK.YQ(i), dx = X0 - x;
        // A = N / S3; a point at the anchor's own radius gives A = 0.
        const bool curved = s.S3 > 0.0;
        const double N = curved ? s.S2 * D0 + s.S1 : 0.0, S3 = curved ? s.S3 : 1.0;
        Coefficients m{};
        if (rec.yfit) {
            m = s.solve();
            (*rec.yfit)(i) = m.at(x);
            (*rec.dyfit)(i) = m.slope(x);
        }
        // Slope times S3: D0 S3 - 2 N dx.
        const double slope = D0 * S3 - 2.0 * N * dx;
        bool ok = y < Y0 && (step < 0 ? slope <= 0.0 : slope >= 0.0);
        if (ok && D0 != 0.0 && N != 0.0) {
            // Vertex offset p / q from X0, strictly between 0 and x - X0 = -dx.
            const double p = -D0 * S3, q = 2.0 * N;
            ok = !(p * q * -dx > 0.0 && std::fabs(p) < std::fabs(dx * q));
        }
        if (rec.errpt) {
            const float err = segment_error(k0, i, m, E, true);
            (*rec.errpt)(i) = err;
            ok = ok && err <= E;
        } else if (ok) {
            const double r = y - Y0 + D0 * dx, d = dx * dx;
            surely_within.add(r, y, d);
            maybe_within.add(r, y, d);
            if (!surely_within.contains(N, S3)) {
                if (!rec.yfit) m = s.solve();
                ok = maybe_within.contains(N, S3) && segment_error(k0, i, m, E, false) <= E;
            }
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
    KOUT = grow(K2, K1, YFIT(K2), DYFIT(K2), E, {&YFIT, &DYFIT, &ERRPT});
}

void QPFIT12(int16_t K1, int16_t KT, int16_t& KOUT, const QpValues& YFIT, const QpValues& DYFIT, QpValues& YFIT2,
             QpValues& DYFIT2, float E) {
    KOUT = grow(KT, K1, YFIT(KT), DYFIT(KT), E, {&YFIT2, &DYFIT2, nullptr});
}

void QPFIT13(int16_t K1, int16_t KU, int16_t& KOUT, const QpValues& YFIT2, const QpValues& DYFIT2, float E) {
    KOUT = grow(KU, K1, YFIT2(KU), DYFIT2(KU), E, {});
}

void QPFIT21(int16_t K1, int16_t K2, int16_t& KOUT, QpValues& YFIT, QpValues& DYFIT, QpErrors& ERRPT, float E) {
    KOUT = grow(K1, K2, YFIT(K1), DYFIT(K1), E, {&YFIT, &DYFIT, &ERRPT});
}

void QPFIT22(int16_t KT, int16_t K2, int16_t& KOUT, const QpValues& YFIT, const QpValues& DYFIT, float E) {
    KOUT = grow(KT, K2, YFIT(KT), DYFIT(KT), E, {});
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
    const double scale = std::pow(10.0, K);
    v = std::round(scale * v) / scale;
    V = v * p * s;
}

}  // namespace kolm
