// Segment solvers of the quasi-parabolic fit: growth of an anchored segment
// point by point, the final coefficients of a chosen range, the straight
// valley segment and the rounding to significant digits.
#include "models/qp_solvers.h"

#include <algorithm>
#include <bit>
#include <climits>
#include <cmath>
#include <cstring>
#include <memory>
#if defined(__SSE2__)
#include <immintrin.h>
#endif

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

// A constant of the machine, not of the run.
const QpIsa PROCESSOR_QP_ISA = [] {
#if defined(__SSE2__)
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") ? QpIsa::avx2 : QpIsa::sse2;
#else
    return QpIsa::sse2;
#endif
}();

// The variant the growths that record nothing run in.
struct QpIsaState {
    QpIsa isa = PROCESSOR_QP_ISA;
};
QpIsaState QPISA;
const RunStateReset reset_qpisa([] { QPISA = QpIsaState{}; });

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
// operation does), and comparisons of them lane by lane: a lane of a mask
// is all ones where the comparison holds (false when either side is NaN,
// as in the scalar comparison).
typedef double v2 __attribute__((vector_size(16)));
#if defined(__SSE2__)
// The masks as the processor's own comparisons give them: combined and
// tested without being turned into integers lane by lane.
using m2 = __m128d;
m2 lt(v2 a, v2 b) { return _mm_cmplt_pd(a, b); }
m2 le(v2 a, v2 b) { return _mm_cmple_pd(a, b); }
m2 both(m2 a, m2 b) { return _mm_and_pd(a, b); }
m2 but_not(m2 a, m2 b) { return _mm_andnot_pd(b, a); }
// Lane 0 of the mask as bit 0, lane 1 as bit 1.
int lane_bits(m2 m) { return _mm_movemask_pd(m); }
#else
using m2 = decltype(v2{} < v2{});
m2 lt(v2 a, v2 b) { return a < b; }
m2 le(v2 a, v2 b) { return a <= b; }
m2 both(m2 a, m2 b) { return a & b; }
m2 but_not(m2 a, m2 b) { return a & ~b; }
int lane_bits(m2 m) { return int(m[0] & 1) | int(m[1] & 2); }
#endif

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

// Points t, t + 2, ... two at a time while t + 1 <= stop (points up to
// stop built and regular: S3 and dx**2 positive), as take(t) and take(t +
// 1) would take them: the sums and bounds run on in sequence, the rest lane
// by lane with the same operations in the same order. Leaves t at the first
// point of the last pair tried and run after the last pair taken whole;
// returns how many points of that pair were taken (2 when every pair was).
template <Keep KEEP, int STEP>
inline int take_pairs(int& t, int stop, const Anchor& a, const QpTerms::Row& row, Run& run, const Record& rec) {
    const double *py = row.y.data(), *pw = row.w.data(), *pdx = row.dx.data(), *pS2 = row.S2.data(),
                 *pS3 = row.S3.data(), *pinv = row.inv.data();
    const v2 Y0v = {a.Y0, a.Y0}, D0v = {a.D0, a.D0}, Tv = {a.T, a.T}, zero = {0.0, 0.0};
    double S1 = run.S1;
    v2 lov = {run.lo, run.lo}, hiv = {run.hi, run.hi};
    do {
        const int u = t - 1;
        const v2 y = load2(py + u), dx = load2(pdx + u), S3 = load2(pS3 + u);
        const v2 yd = y - Y0v, p = yd * load2(pw + u);
        const double s0 = S1 + p[0], s1 = s0 + p[1];
        const v2 N = load2(pS2 + u) * D0v + v2{s0, s1};
        const v2 slope = D0v * S3 - (N + N) * dx;
        const m2 slope_ok = STEP < 0 ? le(slope, zero) : le(zero, slope);
        const m2 vertex_between = lt(D0v * slope, zero);
        const v2 r = yd + D0v * dx, ty = Tv * y, inv = load2(pinv + u);
        const v2 los = (r - ty) * inv, his = (r + ty) * inv;
        // As std::max(lo, x) and std::min(hi, x) take them: x NaN leaves
        // the bound. Neither these nor lo and hi are ever NaN, so the
        // bounds after both points follow from the two lanes: lane 1 as
        // std::max(la[0], la[1]) (std::min) takes it.
        const v2 la = los > lov ? los : lov, ha = his < hiv ? his : hiv;
        const v2 la0 = {la[0], la[0]}, ha0 = {ha[0], ha[0]};
        const v2 lo1 = la > la0 ? la : la0, hi1 = ha < ha0 ? ha : ha0;
        const m2 ok =
            both(both(but_not(both(lt(y, Y0v), slope_ok), vertex_between), le(lo1 * S3, N)), le(N, hi1 * S3));
        const int okbits = lane_bits(ok);
        if constexpr (KEEP == Keep::values) {
            // The model at both points (A = N / S3, S3 being positive), as
            // take records it: the second point only when the first one
            // is taken, since the growth tries it only then.
            const v2 X0v = {a.X0, a.X0}, A = N / S3;
            const v2 B = D0v - 2.0 * A * X0v, C = (A * X0v - D0v) * X0v + Y0v;
            const int i = a.k0 + STEP * t, j = i + STEP;
            const v2 x = {QPWORK.XQ(i), QPWORK.XQ(j)};
            const v2 value = (A * x + B) * x + C, slope_at = 2.0 * A * x + B;
            double discard[2];
            (*rec.yfit)(i) = value[0];
            (*rec.dyfit)(i) = slope_at[0];
            const bool second = okbits & 1;
            *(second ? &(*rec.yfit)(j) : &discard[0]) = value[1];
            *(second ? &(*rec.dyfit)(j) : &discard[1]) = slope_at[1];
        }
        if (okbits != 3) return okbits & 1;
        S1 = s1;
        lov = v2{lo1[1], lo1[1]};
        hiv = v2{hi1[1], hi1[1]};
        t += 2;
    } while (t + 1 <= stop);
    run = {S1, lov[0], hiv[0]};
    return 2;
}

#if defined(__SSE2__)
// Points t, t + 4, ... four at a time while t + 3 <= stop (points up to
// stop built and regular), for a growth that records nothing, as take
// would take them one by one: S1 runs on in sequence, the bounds as running
// maximum and minimum, the rest lane by lane with the same operations in
// the same order. Leaves t at the first point of the last group tried and
// run after the last group taken whole; returns how many points of that
// group were taken (4 when every group was). Compiled for AVX2 on its own:
// only called where the processor has it.
template <int STEP>
[[gnu::target("avx2"), gnu::noinline]] int take_quads(int& t, int stop, const Anchor& a, const QpTerms::Row& row,
                                                      Run& run) {
    const double *py = row.y.data(), *pw = row.w.data(), *pdx = row.dx.data(), *pS2 = row.S2.data(),
                 *pS3 = row.S3.data(), *pinv = row.inv.data();
    const __m256d Y0v = _mm256_set1_pd(a.Y0), D0v = _mm256_set1_pd(a.D0), Tv = _mm256_set1_pd(a.T),
                  zero = _mm256_setzero_pd();
    double S1 = run.S1;
    __m256d lov = _mm256_set1_pd(run.lo), hiv = _mm256_set1_pd(run.hi);
    do {
        const int u = t - 1;
        const __m256d y = _mm256_loadu_pd(py + u), dx = _mm256_loadu_pd(pdx + u), S3 = _mm256_loadu_pd(pS3 + u);
        const __m256d yd = y - Y0v, p = yd * _mm256_loadu_pd(pw + u);
        const double s0 = S1 + p[0], s1 = s0 + p[1], s2 = s1 + p[2], s3 = s2 + p[3];
        const __m256d N = _mm256_loadu_pd(pS2 + u) * D0v + _mm256_setr_pd(s0, s1, s2, s3);
        const __m256d slope = D0v * S3 - (N + N) * dx;
        const __m256d slope_ok =
            STEP < 0 ? _mm256_cmp_pd(slope, zero, _CMP_LE_OQ) : _mm256_cmp_pd(zero, slope, _CMP_LE_OQ);
        const __m256d vertex_between = _mm256_cmp_pd(D0v * slope, zero, _CMP_LT_OQ);
        const __m256d r = yd + D0v * dx, ty = Tv * y, inv = _mm256_loadu_pd(pinv + u);
        const __m256d los = (r - ty) * inv, his = (r + ty) * inv;
        // max(x, lo) is x > lo ? x : lo and min(x, hi) x < hi ? x : hi, as
        // std::max(lo, x) and std::min(hi, x) take them: x NaN leaves the
        // bound. These are never NaN, nor are lo and hi, so the bound after
        // each point is the running maximum (minimum) over the lanes up to
        // it, in any order: shifted by one lane, then by two.
        __m256d lo = _mm256_max_pd(los, lov), hi = _mm256_min_pd(his, hiv);
        lo = _mm256_max_pd(lo, _mm256_permute4x64_pd(lo, _MM_SHUFFLE(2, 1, 0, 0)));
        hi = _mm256_min_pd(hi, _mm256_permute4x64_pd(hi, _MM_SHUFFLE(2, 1, 0, 0)));
        lo = _mm256_max_pd(lo, _mm256_permute4x64_pd(lo, _MM_SHUFFLE(1, 0, 0, 0)));
        hi = _mm256_min_pd(hi, _mm256_permute4x64_pd(hi, _MM_SHUFFLE(1, 0, 0, 0)));
        const __m256d below = _mm256_and_pd(_mm256_cmp_pd(y, Y0v, _CMP_LT_OQ), slope_ok);
        const __m256d within =
            _mm256_and_pd(_mm256_cmp_pd(lo * S3, N, _CMP_LE_OQ), _mm256_cmp_pd(N, hi * S3, _CMP_LE_OQ));
        const int okbits = _mm256_movemask_pd(_mm256_and_pd(_mm256_andnot_pd(vertex_between, below), within));
        // The points taken: those before the first one that is not.
        if (okbits != 15) return std::countr_one(unsigned(okbits));
        S1 = s3;
        lov = _mm256_permute4x64_pd(lo, _MM_SHUFFLE(3, 3, 3, 3));
        hiv = _mm256_permute4x64_pd(hi, _MM_SHUFFLE(3, 3, 3, 3));
        t += 4;
    } while (t + 3 <= stop);
    run = {S1, lov[0], hiv[0]};
    return 4;
}
#endif

// Grows the segment anchored at a.k0 (value a.Y0, slope a.D0) point by
// point towards limit: downward (STEP -1, limit < k0, the model must fall
// with height below the anchor: slope <= 0) or upward (STEP +1, slope >=
// 0). A point is taken while its value lies below the anchor value, the
// slope condition holds, the parabola's vertex does not lie strictly
// between the anchor and the point (tested when D0 and A are non-zero), and
// the segment error is within E. Returns the last point taken: limit when
// it was reached, k0 when none was.
//
// The tests run on A = N / S3 without dividing, the slope at the point
// being D0 - 2 A dx (dx = X0 - x). Where the errors are not recorded, the
// error test is whether A lies within the bounds of the residuals that
// pass: with the model in the anchored form, Y0 - D0 dx + A dx**2, point j
// allows (r_j - T y_j) / dx_j**2 <= A <= (r_j + T y_j) / dx_j**2, r_j = y_j
// - Y0 + D0 dx_j; a point at the anchor's radius allows every A or none.
// The terms that do not depend on Y0 and D0 come from `terms`.
template <Keep KEEP, int STEP>
[[gnu::always_inline]] inline int16_t grow(const Anchor& a, int16_t limit, const Record& rec, QpTerms& terms) {
    const int16_t k0 = a.k0;
    const int tmax = STEP < 0 ? k0 - limit : limit - k0;
    const QpTerms::Row* row = &terms.row(k0, STEP);
    Run run;
    int t = 1;
    [[maybe_unused]] const bool quads = KEEP == Keep::nothing && QPISA.isa == QpIsa::avx2;
    for (;;) {
        if (row->built < std::min(t + 1, tmax)) row = &terms.extend(k0, STEP, t + 1, tmax);
        if constexpr (KEEP != Keep::errors) {
            const int stop = std::min(std::min(row->built, tmax), row->irregular - 1);
#if defined(__SSE2__)
            if (quads && t + 3 <= stop) {
                const int taken = take_quads<STEP>(t, stop, a, *row, run);
                if (taken < 4) {
                    t += taken;
                    break;
                }
                if (t > tmax) return limit;
                continue;
            }
#endif
            if (t + 1 <= stop) {
                const int taken = take_pairs<KEEP, STEP>(t, stop, a, *row, run, rec);
                if (taken < 2) {
                    t += taken;
                    break;
                }
                if (t > tmax) return limit;
                continue;
            }
        }
        if (!take<KEEP, STEP>(t, a, *row, run, rec)) break;
        if (++t > tmax) return limit;
    }
    // Every point taken lies below Y0, so this is k0 only when none was.
    return int16_t(k0 + STEP * (t - 1));
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
    const Anchor a{k0, QPWORK.XQ(k0), Y0, D0, KEEP == Keep::errors ? 0.0 : passing_limit(E), E};
    return limit < k0 ? grow<KEEP, -1>(a, limit, rec, *terms) : grow<KEEP, 1>(a, limit, rec, *terms);
}

}  // namespace

QpIsa processor_qp_isa() { return PROCESSOR_QP_ISA; }

void set_qp_isa(QpIsa isa) { QPISA.isa = isa == QpIsa::avx2 ? PROCESSOR_QP_ISA : QpIsa::sse2; }

QpIsa qp_isa() { return QPISA.isa; }

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

int16_t QPFIT13_LOWEST(int16_t K1, int16_t KLO, int16_t KHI, const QpValues& YFIT2, const QpValues& DYFIT2, float E,
                       int16_t best, QpTerms* terms) {
    std::unique_ptr<QpTerms> own;
    if (!terms) {
        own = std::make_unique<QpTerms>();
        terms = own.get();
    }
    // What is the same for every anchor is taken once; the bookkeeping
    // runs without branches, as a growth that takes no point is common.
    const double T = passing_limit(E);
    for (int16_t KU = KLO; KU <= KHI; ++KU) {
        const Anchor a{KU, QPWORK.XQ(KU), YFIT2(KU), DYFIT2(KU), T, E};
        const int16_t K13 = KU > K1 ? grow<Keep::nothing, -1>(a, K1, {}, *terms)
                                    : grow<Keep::nothing>(KU, K1, a.Y0, a.D0, E, {}, terms);
        if (K13 == K1 && KU != K1) return K1;
        best = K13 != KU && K13 < best ? K13 : best;
    }
    return best;
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
