// Segment solvers of the quasi-parabolic fit: growth of an anchored segment
// point by point, the final coefficients of a chosen range, the straight
// valley segment and the rounding to significant digits.
#include "models/qp_solvers.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <memory>

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

// Two doubles operated on lane by lane (each lane rounds as the scalar
// operation does), and the lanes' comparison results.
typedef double v2 __attribute__((vector_size(16)));
using m2 = decltype(v2{} < v2{});

v2 load2(const double* p) {
    v2 v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

// What a growth records at each point tried: the model value and slope
// and the segment error (the growing segment), the model value and slope
// only (the first look-ahead), or nothing (the second look-ahead).
enum class Keep { errors, values, nothing };

struct Record {
    QpValues* yfit = nullptr;
    QpValues* dyfit = nullptr;
    QpErrors* errpt = nullptr;
};

// A growth: the anchor k0 with value Y0 and slope D0, the accuracy E and
// the largest relative residual T that passes it.
struct Anchor {
    int16_t k0;
    double X0, Y0, D0, T;
    float E;
};

// What the growth carries from point to point: S1 = sum (y - Y0) dx**2 /
// y**2, and the bounds lo..hi on A of the points taken (see grow).
struct Run {
    double S1 = 0.0, lo = -INFINITY, hi = INFINITY;
};

// Point t of the growth: whether it is taken.
template <Keep KEEP, int STEP>
inline bool take(int t, const Anchor& a, const QpTerms::Row& row, Run& run, const Record& rec) {
    const int i = a.k0 + STEP * t, u = t - 1;
    const double y = row.y[u], yd = y - a.Y0, dx = row.dx[u], D0 = a.D0;
    run.S1 += yd * row.w[u];
    // A = N / S3; a point at the anchor's own radius gives A = 0.
    const bool curved = row.S3[u] > 0.0;
    const double N = curved ? row.S2[u] * D0 + run.S1 : 0.0, S3 = curved ? row.S3[u] : 1.0;
    Coefficients m{};
    if constexpr (KEEP != Keep::nothing) {
        const double A = curved ? N / S3 : 0.0;
        m = {A, D0 - 2.0 * A * a.X0, (A * a.X0 - D0) * a.X0 + a.Y0};
        const double x = QPWORK.XQ(i);
        (*rec.yfit)(i) = m.at(x);
        (*rec.dyfit)(i) = m.slope(x);
    }
    // The slope is linear in x, D0 at the anchor and D0 - 2 A dx here
    // (taken times S3): the vertex lies strictly between the two exactly
    // when the slopes have opposite signs.
    const double slope = D0 * S3 - 2.0 * N * dx;
    const bool slope_ok = STEP < 0 ? slope <= 0.0 : slope >= 0.0;
    const bool vertex_between = D0 * slope < 0.0;
    const bool ok = y < a.Y0 && slope_ok && !vertex_between;
    if constexpr (KEEP == Keep::errors) {
        const float err = segment_error(a.k0, i, m);
        (*rec.errpt)(i) = err;
        return ok && err <= a.E;
    } else {
        const double r = yd + D0 * dx, ty = a.T * y, inv = row.inv[u];
        if (inv > 0.0) {
            run.lo = std::max(run.lo, (r - ty) * inv);
            run.hi = std::min(run.hi, (r + ty) * inv);
        } else if (!(std::fabs(r) <= ty)) {
            run.lo = INFINITY;
        }
        return ok && (N >= run.lo * S3) & (N <= run.hi * S3);
    }
}

// Grows the segment anchored at k0 (value Y0, slope D0) point by point
// towards limit: downward (STEP -1, limit < k0, the model must fall with
// height below the anchor: slope <= 0) or upward (STEP +1, slope >= 0). A
// point is taken while its value lies below the anchor value, the slope
// condition holds, the parabola's vertex does not lie strictly between the
// anchor and the point (tested when D0 and A are non-zero), and the segment
// error is within E. Returns the last point taken: limit when it was
// reached, k0 when none was.
//
// The tests run on A = N / S3 without dividing, the slope at the point
// being D0 - 2 A dx (dx = X0 - x). Where the errors are not recorded, the
// error test is whether A lies within the bounds of the residuals that
// pass: with the model in the anchored form, Y0 - D0 dx + A dx**2, point j
// allows (r_j - T y_j) / dx_j**2 <= A <= (r_j + T y_j) / dx_j**2, r_j = y_j
// - Y0 + D0 dx_j; a point at the anchor's radius allows every A or none.
// The terms that do not depend on Y0 and D0 come from `terms`.
template <Keep KEEP, int STEP>
int16_t grow(int16_t k0, int16_t limit, double Y0, double D0, float E, const Record& rec, QpTerms& terms) {
    const int tmax = STEP < 0 ? k0 - limit : limit - k0;
    const Anchor a{k0, QPWORK.XQ(k0), Y0, D0, KEEP == Keep::errors ? 0.0 : passing_limit(E), E};
    const QpTerms::Row* row = &terms.row(k0, STEP);
    Run run;
    int t = 1;
    for (;;) {
        if (row->built < std::min(t + 1, tmax)) row = &terms.extend(k0, STEP, t + 1, tmax);
        if (!take<KEEP, STEP>(t, a, *row, run, rec)) break;
        if (++t > tmax) return limit;
    }
    const int16_t out = int16_t(k0 + STEP * (t - 1));
    return QPWORK.YQ(out) >= Y0 ? k0 : out;
}

// A growth that records nothing, as it goes: the next point t, what it
// carries, the last point the two-point step may reach (built, within the
// limit and regular: S3 and dx**2 positive), and once done the point grow
// returns. Growths of different anchors share nothing but `terms`, whose
// rows hold values of the points and the anchor alone, the same however
// far and in whatever order they were built: lanes may run side by side.
template <int STEP>
struct Lane {
    Anchor a;
    int16_t limit;
    int tmax;
    QpTerms* terms;
    const QpTerms::Row* row;
    Run run{};
    int t = 1, stop = 0;
    bool done = false;
    int16_t out = 0;

    Lane(int16_t k0, int16_t lim, double Y0, double D0, float E, double T, QpTerms& kept)
        : a{k0, QPWORK.XQ(k0), Y0, D0, T, E}, limit(lim), tmax(STEP < 0 ? k0 - lim : lim - k0), terms(&kept),
          row(&kept.row(k0, STEP)) {}

    // The row built for points t and t + 1 (as far as the limit), and stop.
    void prepare() {
        if (row->built < std::min(t + 1, tmax)) row = &terms->extend(a.k0, STEP, t + 1, tmax);
        stop = std::min(std::min(row->built, tmax), row->irregular - 1);
    }
    bool two_ready() const { return t + 1 <= stop; }
    // The growth ends with point t - 1 the last taken.
    void end() {
        const int16_t last = int16_t(a.k0 + STEP * (t - 1));
        out = QPWORK.YQ(last) >= a.Y0 ? a.k0 : last;
        done = true;
    }
    void reach_limit() {
        out = limit;
        done = true;
    }
};

// Points t and t + 1 of a lane, both built and regular: the operations of
// take(t) and take(t + 1) in the same order, the sum and bounds running on
// in sequence and the rest lane by lane. Whether the first and both are
// taken, and the sum and bounds after both.
struct TwoPoints {
    double S1, lo, hi;
    bool first, both;
};

template <int STEP>
inline TwoPoints two_points(const Lane<STEP>& l) {
    const QpTerms::Row& row = *l.row;
    const int u = l.t - 1;
    const v2 Y0v = {l.a.Y0, l.a.Y0}, D0v = {l.a.D0, l.a.D0}, Tv = {l.a.T, l.a.T}, zero = {0.0, 0.0};
    const v2 y = load2(row.y.data() + u), dx = load2(row.dx.data() + u), S3 = load2(row.S3.data() + u);
    const v2 yd = y - Y0v, p = yd * load2(row.w.data() + u);
    const double s0 = l.run.S1 + p[0], s1 = s0 + p[1];
    const v2 N = load2(row.S2.data() + u) * D0v + v2{s0, s1};
    const v2 slope = D0v * S3 - 2.0 * N * dx;
    const m2 slope_ok = STEP < 0 ? slope <= zero : slope >= zero;
    const m2 vertex_between = D0v * slope < zero;
    const v2 r = yd + D0v * dx, ty = Tv * y, inv = load2(row.inv.data() + u);
    const v2 los = (r - ty) * inv, his = (r + ty) * inv;
    // As std::max(lo, x) and std::min(hi, x) take them: x NaN leaves the
    // bound; lo and hi are never NaN.
    const v2 lov = {l.run.lo, l.run.lo}, hiv = {l.run.hi, l.run.hi};
    const v2 la = los > lov ? los : lov, ha = his < hiv ? his : hiv;
    const double lo1 = std::max(la[0], la[1]), hi1 = std::min(ha[0], ha[1]);
    const m2 ok = (y < Y0v) & slope_ok & ~vertex_between & (N >= v2{la[0], lo1} * S3) & (N <= v2{ha[0], hi1} * S3);
    return {s1, lo1, hi1, ok[0] != 0, (ok[0] & ok[1]) != 0};
}

// The lane goes on past both points, or ends after those it takes.
template <int STEP>
inline void advance(Lane<STEP>& l, const TwoPoints& p) {
    if (!p.both) {
        l.t += p.first;
        l.end();
        return;
    }
    l.run = {p.S1, p.lo, p.hi};
    l.t += 2;
    if (l.t > l.tmax) l.reach_limit();
}

// One step of a lane that prepare() has readied: two points or one.
template <int STEP>
inline void step(Lane<STEP>& l) {
    if (l.two_ready()) {
        advance(l, two_points(l));
    } else if (!take<Keep::nothing, STEP>(l.t, l.a, *l.row, l.run, Record{})) {
        l.end();
    } else if (++l.t > l.tmax) {
        l.reach_limit();
    }
}

// A lane grown to its end on its own.
template <int STEP>
void finish(Lane<STEP>& l) {
    while (!l.done) {
        l.prepare();
        step(l);
        while (!l.done && l.two_ready()) advance(l, two_points(l));
    }
}

// Two lanes grown to their ends side by side: while both are on built
// regular points, one point of each per step, lane by lane in the two
// halves of a vector (the operations of take() for each), so that their
// sums and bounds run on at once. Each lane takes the points it would
// take alone.
template <int STEP>
void finish_both(Lane<STEP>& l1, Lane<STEP>& l2) {
    const v2 Y0v = {l1.a.Y0, l2.a.Y0}, D0v = {l1.a.D0, l2.a.D0}, Tv = {l1.a.T, l2.a.T}, zero = {0.0, 0.0};
    while (!l1.done && !l2.done) {
        l1.prepare();
        l2.prepare();
        const int n = std::min(l1.stop - l1.t, l2.stop - l2.t) + 1;
        if (n <= 0) {
            step(l1);
            step(l2);
            continue;
        }
        const QpTerms::Row &r1 = *l1.row, &r2 = *l2.row;
        const double *y1 = r1.y.data() + (l1.t - 1), *y2 = r2.y.data() + (l2.t - 1);
        const double *w1 = r1.w.data() + (l1.t - 1), *w2 = r2.w.data() + (l2.t - 1);
        const double *dx1 = r1.dx.data() + (l1.t - 1), *dx2 = r2.dx.data() + (l2.t - 1);
        const double *S21 = r1.S2.data() + (l1.t - 1), *S22 = r2.S2.data() + (l2.t - 1);
        const double *S31 = r1.S3.data() + (l1.t - 1), *S32 = r2.S3.data() + (l2.t - 1);
        const double *inv1 = r1.inv.data() + (l1.t - 1), *inv2 = r2.inv.data() + (l2.t - 1);
        v2 S1 = {l1.run.S1, l2.run.S1}, lo = {l1.run.lo, l2.run.lo}, hi = {l1.run.hi, l2.run.hi};
        int k = 0;
        m2 ok{};
        v2 S1n{}, lon{}, hin{};
        for (; k < n; ++k) {
            const v2 y = {y1[k], y2[k]}, dx = {dx1[k], dx2[k]}, S3 = {S31[k], S32[k]};
            const v2 yd = y - Y0v;
            S1n = S1 + yd * v2{w1[k], w2[k]};
            const v2 N = v2{S21[k], S22[k]} * D0v + S1n;
            const v2 slope = D0v * S3 - 2.0 * N * dx;
            const m2 slope_ok = STEP < 0 ? slope <= zero : slope >= zero;
            const m2 vertex_between = D0v * slope < zero;
            const v2 r = yd + D0v * dx, ty = Tv * y, inv = {inv1[k], inv2[k]};
            // As std::max(lo, x) and std::min(hi, x) take them: x NaN
            // leaves the bound; lo and hi are never NaN.
            const v2 los = (r - ty) * inv, his = (r + ty) * inv;
            lon = los > lo ? los : lo;
            hin = his < hi ? his : hi;
            ok = (y < Y0v) & slope_ok & ~vertex_between & (N >= lon * S3) & (N <= hin * S3);
            if (!(ok[0] & ok[1])) break;
            S1 = S1n;
            lo = lon;
            hi = hin;
        }
        Lane<STEP>* lanes[2] = {&l1, &l2};
        for (int j = 0; j < 2; ++j) {
            Lane<STEP>& l = *lanes[j];
            l.t += k;
            if (k < n && !ok[j]) {
                l.end();
                continue;
            }
            if (k < n) {
                l.run = {S1n[j], lon[j], hin[j]};
                ++l.t;
            } else {
                l.run = {S1[j], lo[j], hi[j]};
            }
            if (l.t > l.tmax) l.reach_limit();
        }
    }
    finish(l1);
    finish(l2);
}

// Growth in either direction, with the kept terms or with terms of its own.
template <Keep KEEP>
int16_t grow(int16_t k0, int16_t limit, double Y0, double D0, float E, const Record& rec, QpTerms* terms) {
    if (limit == k0) return k0;
    std::unique_ptr<QpTerms> own;
    if (!terms) {
        own = std::make_unique<QpTerms>();
        terms = own.get();
    }
    if constexpr (KEEP == Keep::nothing) {
        const auto alone = [&](auto lane) {
            finish(lane);
            return lane.out;
        };
        const double T = passing_limit(E);
        return limit < k0 ? alone(Lane<-1>(k0, limit, Y0, D0, E, T, *terms))
                          : alone(Lane<1>(k0, limit, Y0, D0, E, T, *terms));
    } else {
        return limit < k0 ? grow<KEEP, -1>(k0, limit, Y0, D0, E, rec, *terms)
                          : grow<KEEP, 1>(k0, limit, Y0, D0, E, rec, *terms);
    }
}

}  // namespace

const QpTerms::Row& QpTerms::row(int16_t k0, int step) {
    Row& r = rows_[step > 0][k0];
    if (r.gen != gen_) {
        r.built = 0;
        r.irregular = INT_MAX;
        r.gen = gen_;
    }
    return r;
}

const QpTerms::Row& QpTerms::extend(int16_t k0, int step, int t, int tmax) {
    // A few terms ahead: most growths go on past the point asked for.
    constexpr int AHEAD = 8;
    row(k0, step);
    Row& r = rows_[step > 0][k0];
    const int upto = std::max(std::min(t, tmax), std::min(r.built + AHEAD, tmax));
    if (int(r.y.size()) < upto) {
        const size_t cap = size_t(std::max(upto, 2 * int(r.y.size())));
        for (std::vector<double>* v : {&r.y, &r.w, &r.dx, &r.S2, &r.S3, &r.inv}) v->resize(cap);
    }
    const double X0 = QPWORK.XQ(k0);
    double S2 = r.built > 0 ? r.S2[size_t(r.built - 1)] : 0.0, S3 = r.built > 0 ? r.S3[size_t(r.built - 1)] : 0.0;
    for (int u = r.built + 1; u <= upto; ++u) {
        const int i = k0 + step * u;
        const double dx = X0 - QPWORK.XQ(i), y = QPWORK.YQ(i);
        const double w = dx * dx / (y * y);
        S2 += dx * w;
        S3 += dx * dx * w;
        const double d = dx * dx, inv = d > 0.0 ? 1.0 / d : -1.0;
        if (!(S3 > 0.0 && inv > 0.0) && r.irregular == INT_MAX) r.irregular = u;
        const size_t k = size_t(u - 1);
        r.y[k] = y;
        r.w[k] = w;
        r.dx[k] = dx;
        r.S2[k] = S2;
        r.S3[k] = S3;
        r.inv[k] = inv;
    }
    r.built = std::max(r.built, upto);
    return r;
}

void QPFIT11(int16_t K1, int16_t K2, int16_t& KOUT, QpValues& YFIT, QpValues& DYFIT, QpErrors& ERRPT, float E,
             QpTerms* terms) {
    KOUT = grow<Keep::errors>(K2, K1, YFIT(K2), DYFIT(K2), E, {&YFIT, &DYFIT, &ERRPT}, terms);
}

void QPFIT12(int16_t K1, int16_t KT, int16_t& KOUT, const QpValues& YFIT, const QpValues& DYFIT, QpValues& YFIT2,
             QpValues& DYFIT2, float E, QpTerms* terms) {
    KOUT = grow<Keep::values>(KT, K1, YFIT(KT), DYFIT(KT), E, {&YFIT2, &DYFIT2, nullptr}, terms);
}

void QPFIT13(int16_t K1, int16_t KU, int16_t& KOUT, const QpValues& YFIT2, const QpValues& DYFIT2, float E,
             QpTerms* terms) {
    KOUT = grow<Keep::nothing>(KU, K1, YFIT2(KU), DYFIT2(KU), E, {}, terms);
}

void second_look_aheads(int16_t K1, int16_t KU, int16_t& KOUT1, int16_t& KOUT2, const QpValues& YFIT2,
                        const QpValues& DYFIT2, float E, QpTerms* terms) {
    const int16_t KV = int16_t(KU + 1);
    if (!(K1 < KU)) {
        QPFIT13(K1, KU, KOUT1, YFIT2, DYFIT2, E, terms);
        QPFIT13(K1, KV, KOUT2, YFIT2, DYFIT2, E, terms);
        return;
    }
    std::unique_ptr<QpTerms> own;
    if (!terms) {
        own = std::make_unique<QpTerms>();
        terms = own.get();
    }
    const double T = passing_limit(E);
    Lane<-1> l1(KU, K1, YFIT2(KU), DYFIT2(KU), E, T, *terms), l2(KV, K1, YFIT2(KV), DYFIT2(KV), E, T, *terms);
    finish_both(l1, l2);
    KOUT1 = l1.out;
    KOUT2 = l2.out;
}

void QPFIT21(int16_t K1, int16_t K2, int16_t& KOUT, QpValues& YFIT, QpValues& DYFIT, QpErrors& ERRPT, float E,
             QpTerms* terms) {
    KOUT = grow<Keep::errors>(K1, K2, YFIT(K1), DYFIT(K1), E, {&YFIT, &DYFIT, &ERRPT}, terms);
}

void QPFIT22(int16_t KT, int16_t K2, int16_t& KOUT, const QpValues& YFIT, const QpValues& DYFIT, float E,
             QpTerms* terms) {
    KOUT = grow<Keep::nothing>(KT, K2, YFIT(KT), DYFIT(KT), E, {}, terms);
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
