// Bottomside parameters B0, B1, D1.
//
// B0 and B1 compare the F2 section with tabulated IRI shapes in the
// section's own basis (coefficients on the same frequency range, inner
// product TIJTAB); D1 compares the IRI-shaped F1 region with the F1
// section height by height.
#include "models/bottomside.h"

#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include "blocks/numeric.h"
#include "blocks/peltarscale.h"
#include "blocks/peltartrueh.h"
#include "blocks/run_state.h"
#include "models/table_files.h"
#include "platform/console.h"
#include "sections/coef_reexpression.h"

namespace kolm {

TijTable TIJTAB;

namespace {

const RunStateReset reset_tij([] { TIJTAB.fill(0.0f); });

constexpr float NOD1 = 999.9f;           // D1 that cannot be fitted
constexpr float NO_MISFIT = 999999.0f;   // best misfit before the first shape
constexpr int MAX_HALVINGS = 200;        // bound of every bisection
constexpr int MAX_SEARCH_STEPS = 10000;  // bound of the D1 pattern search

// The record's values the IRI-shaped profile depends on, as IRIPAR holds them.
struct IriShape {
    float fof2, hmf2, b0, b1, hmf1, fof1, foe, hef;
};

IriShape iri_shape() {
    const auto& V = IRIPAR.V;
    return {V(iripar::FOF2), V(iripar::HMF2), V(iripar::B0),  V(iripar::B1),
            V(iripar::HMF1), V(iripar::FOF1), V(iripar::FOE), V(iripar::HEF)};
}

// Plasma frequency squared of the IRI bottomside at height h; foF2**2 at
// and above the peak.
float bottom_fn2(const IriShape& s, float h) {
    const float fo2 = s.fof2 * s.fof2;
    const float X = (s.hmf2 - h) / s.b0;
    if (!(X > 0.0f)) return fo2;
    return fo2 * std::exp(-std::pow(X, s.b1)) / std::cosh(X);
}

// The F1 height transformation of h, BASE = (hmF1 - h)/hmF1; heights at and
// above hmF1 are kept.
float f1_height_of_base(const IriShape& s, float h, float base, float d1) {
    if (!(s.hmf1 > 0.0f) || !(base > 0.0f)) return h;
    return s.hmf1 * (1.0f - std::pow(base, 1.0f + d1));
}

float f1_height(const IriShape& s, float h, float d1) {
    if (!(s.hmf1 > 0.0f)) return h;
    return f1_height_of_base(s, h, (s.hmf1 - h) / s.hmf1, d1);
}

float plasma_frequency(float fn2) { return std::sqrt(std::fmax(fn2, 0.0f)); }

// Plasma frequency of the IRI-shaped profile at h, F1-transformed when D1 is not 0.
float region_fn(const IriShape& s, float h, float d1) {
    return plasma_frequency(bottom_fn2(s, d1 != 0.0f ? f1_height(s, h, d1) : h));
}

// Heights of a solved section from FA to its peak FB at HB, ln(FA/FB) taken once.
struct SectionHeights {
    float FA, FB, HB, LR;
    float A[5];
    SectionHeights(float FA_, float FB_, float HB_, const float* A_)
        : FA(FA_), FB(FB_), HB(HB_), LR(std::log(FA_ / FB_)) {
        for (int j = 0; j < 5; ++j) A[j] = A_[j];
    }
    // The height at plasma frequency f; HB at and above FB.
    float at(float f) const {
        if (f >= FB) return HB;
        if (!(f > 0.0f) || FA == FB) return HB + section_curve(A, 5, 1.0f);
        return HB + section_curve(A, 5, std::log(f / FB) / LR);
    }
};

// Heights of the tabulation grid from PEAK, round(PEAK - k STEP) to 0.001 km,
// with their F1 bases (hmF1 - h)/hmF1, held for k = 1..N and made on the
// spot beyond.
struct HeightGrid {
    static constexpr int CAPACITY = 2 * MAXIRITAB;
    float PEAK = 0.0f, STEP = 0.0f;
    int N = 0;
    float H[CAPACITY], BASE[CAPACITY];

    HeightGrid() {}
    // The grid from PEAK down to the first height at or below BOTTOM.
    HeightGrid(const IriShape& s, float PEAK_, float STEP_, float BOTTOM) : PEAK(PEAK_), STEP(STEP_) {
        while (N < CAPACITY) {
            const float h = make(N + 1);
            H[N] = h;
            BASE[N] = (s.hmf1 - h) / s.hmf1;
            ++N;
            if (!(h > BOTTOM)) break;
        }
    }
    float make(int k) const { return round_to(PEAK - float(k) * STEP, 1000.0f); }
    bool holds(float peak, int k) const { return k >= 1 && k <= N && k <= CAPACITY && peak == PEAK; }
};

// Everything of a record the tabulation of the IRI-shaped profile reads.
struct IriTabulation {
    IriShape s;
    SectionHeights F2, F1;
    bool f1_layer;  // FC(2) differs from FC(3)
    const HeightGrid& grid;
    IriTabulation(const IriShape& s_, const HeightGrid& grid_)
        : s(s_),
          F2(LAYCOF.FC(3), LAYCOF.FC(4), LAYCOF.ZMF2, LAYCOF.AF2.data()),
          F1(LAYCOF.FC(2), LAYCOF.FC(3), LAYCOF.ZMF1, LAYCOF.AF1.data()),
          f1_layer(LAYCOF.FC(2) != LAYCOF.FC(3)),
          grid(grid_) {}
};

// HST, HZ and T of the intermediate region.
struct Intermediate {
    float hst, hz, t;
};

Intermediate hst_hz(const IriShape& s, int16_t MODE, float d1) {
    const float HU = MODE == 1 ? s.hmf1 : s.hmf2;
    const bool transform = MODE == 1 && d1 != 0.0f;
    float lo = 0.0f, hi = HU, hst = 0.0f;
    for (int it = 0; it < MAX_HALVINGS; ++it) {
        hst = 0.5f * (lo + hi);
        const float hp = transform ? f1_height(s, hst, d1) : hst;
        const float fn = plasma_frequency(bottom_fn2(s, hp));
        if ((fn - s.foe >= 0.0f && fn - s.foe < 1.0e-5f) || hi - lo < 1.0e-4f) break;
        if (s.foe >= fn)
            lo = hst;
        else
            hi = hst;
    }
    const float hz = (hst + HU) / 2.0f;
    return {hst, hz, CALTIRI(s.hef, hst, hz)};
}

// The first k after K (whose height is at or above HZ) with height(peak, k)
// below HZ, -1 when there is none up to the largest int. HEIGHT must not rise
// with k, and be not-a-number from some k on or never.
template <class Height>
int first_below(float peak, int K, float HZ, const Height& height) {
    constexpr int LAST = std::numeric_limits<int>::max();
    int lo = K, hi = K;  // height(lo) >= HZ; hi: the first candidate not yet known to be at or above
    for (int step = 1;; step = step > LAST / 2 ? LAST : 2 * step) {
        if (lo > LAST - step) {
            if (lo == LAST) return -1;
            hi = LAST;
            if (height(peak, hi) >= HZ) return -1;
            break;
        }
        hi = lo + step;
        if (!(height(peak, hi) >= HZ)) break;
        lo = hi;
    }
    // height(lo) >= HZ, not so at hi: halve to the first such k.
    while (hi - lo > 1) {
        const int mid = lo + (hi - lo) / 2;
        if (height(peak, mid) >= HZ)
            lo = mid;
        else
            hi = mid;
    }
    return hi;
}

void tabulate(const IriTabulation& tab, float STEP, int16_t MODE, float d1, const Intermediate& m, int16_t& N,
              IriColumn& F, IriColumn& H, IriColumn& G) {
    const IriShape& s = tab.s;
    const float fof2 = s.fof2, hmf2 = s.hmf2, fof1 = s.fof1, hmf1 = s.hmf1, foe = s.foe, hef = s.hef;
    const float hz = m.hz, t = m.t, hst = m.hst;
    N = 0;
    if (!(STEP > 0.0f)) return;
    auto add = [&](float f, float h) {
        if (N >= MAXIRITAB) return false;
        ++N;
        F(N) = f;
        H(N) = h;
        return true;
    };
    const HeightGrid& grid = tab.grid;
    const bool grid_step = STEP == grid.STEP;
    auto height = [&](float peak, int k) {
        return grid_step && grid.holds(peak, k) ? grid.H[k - 1] : round_to(peak - float(k) * STEP, 1000.0f);
    };

    // 1. F2 bottomside down to HZ (MODE 2), or to foF1 when D1 shapes an F1 region.
    float peak = hmf2;
    int k = 1;
    bool f1_part = MODE == 1;
    if (MODE == 2) {
        add(fof2, hmf2);
        for (;; ++k) {
            const float h = height(hmf2, k);
            if (h < hz || h < 0.0f) break;
            const float fn = plasma_frequency(bottom_fn2(s, h));
            if (d1 > 0.0f && fn <= fof1) {
                f1_part = true;
                break;
            }
            if (!add(fn, h)) break;
        }
    }
    bool model_ends = false;
    // 2. F1 region from its peak down to HZ.
    if (f1_part) {
        add(fof1, hmf1);
        if (d1 == NOD1) {
            model_ends = true;
        } else {
            peak = hmf1;
            const bool held = grid_step && grid.holds(hmf1, 1);
            for (k = 1;; ++k) {
                float h, fn;
                if (held && k <= grid.N) {
                    h = grid.H[k - 1];
                    if (h < hz) break;
                    fn = plasma_frequency(bottom_fn2(s, d1 != 0.0f ? f1_height_of_base(s, h, grid.BASE[k - 1], d1) : h));
                } else {
                    h = height(hmf1, k);
                    if (h < hz) break;
                    fn = region_fn(s, h, d1);
                }
                if (!add(std::fmax(fn, foe), h)) break;
            }
        }
    }
    // 3. Intermediate region from HZ down to the valley top.
    if (!model_ends) {
        auto intermediate = [&](float h) {
            const float root = std::sqrt(std::fmax(t * (t / 4.0f + hz - h), 0.0f));
            const float hp = hef < hst ? hz + t / 2.0f - root : hz + t / 2.0f + root;
            return std::fmax(region_fn(s, hp, d1), foe);
        };
        add(intermediate(hz), hz);
        for (;; ++k) {
            float h = height(peak, k);
            if (h >= hz) {
                // Grid points at or above HZ are passed over. The grid heights
                // do not rise with k, so the first one below HZ is found by
                // halving; a grid that does not get below HZ within the range
                // of k (a peak too high for its step, HZ of -infinity) has
                // no point in the region.
                k = first_below(peak, k, hz, height);
                if (k < 0) break;
                h = height(peak, k);
            }
            if (!(h > hef) || !add(intermediate(h), h)) break;
        }
        add(foe, hef);
    }
    // 4. The solved profile's heights at the same frequencies.
    int i = 1;
    if (MODE == 2)
        for (; i <= N; ++i) {
            G(i) = tab.F2.at(F(i));
            if (F(i) <= tab.F2.FA) {
                ++i;
                break;
            }
        }
    if (tab.f1_layer && d1 != 0.0f)
        for (; i <= N; ++i) G(i) = tab.F1.at(F(i));
    else
        for (; i <= N; ++i) G(i) = H(i);
}

// Five coefficients of LAYCOF as a plain array.
void copy5(const float* from, float* to) {
    for (int j = 0; j < 5; ++j) to[j] = from[j];
}

// The B0B1DT shapes laid out for the misfit search, LANES shapes side by
// side in vector registers, made again whenever the table's records are read
// again. Lane k of every operation is the scalar operation on shape k.
constexpr int LANES = 8;
using Lanes = float __attribute__((vector_size(4 * LANES)));

struct ShapeBlock {
    Lanes S[5];  // coefficient j+1 of each shape
    Lanes SS;    // <S, S> of each shape on its own range
    float B1[LANES];
};

struct ShapeSearch {
    const TableRecords* TABLE = nullptr;
    uint64_t READS = 0;
    int COUNT = 0;                   // shapes of the table
    std::vector<ShapeBlock> BLOCKS;  // the last one filled up with zero shapes
    // Of the record being fitted, per shape: B0, and the squared misfit RR.
    std::vector<float> B0, RR;
};
ShapeSearch SHAPES;
const RunStateReset reset_shapes([] { SHAPES = ShapeSearch{}; });

ShapeSearch& shape_search(const TableRecords& table) {
    ShapeSearch& q = SHAPES;
    if (q.TABLE == &table && q.READS == model_table_reads()) return q;
    const auto& T = SECTION_GRAM;
    q.TABLE = &table;
    q.READS = model_table_reads();
    q.COUNT = int(table.size());
    q.BLOCKS.assign((table.size() + LANES - 1) / LANES, ShapeBlock{});
    q.B0.assign(q.BLOCKS.size() * LANES, 0.0f);
    q.RR.assign(q.BLOCKS.size() * LANES, 0.0f);
    for (std::size_t k = 0; k < table.size(); ++k) {
        ShapeBlock& b = q.BLOCKS[k / LANES];
        const int lane = int(k % LANES);
        const float* S = table[k].V + 1;
        b.B1[lane] = table[k].V[0];
        for (int j = 0; j < 5; ++j) b.S[j][lane] = S[j];
        float ss = 0.0f;
        for (int i = 1; i <= 5; ++i)
            for (int j = 1; j <= 5; ++j) ss += T(i, j) * S[i - 1] * S[j - 1];
        b.SS[lane] = ss;
    }
    return q;
}

// CALB0B1 for every shape against the coefficients AP: each shape as
// tabulated (CUT) or re-expressed by M onto the section's range (ATOAP). The
// sums run in the order of CALB0B1 and ATOAP. A shape without norm or with
// B0 not finite gets RR = infinity; RR is otherwise not below 0 (a
// near-perfect match can round below zero).
void shape_misfits(ShapeSearch& q, bool CUT, const ReexpMatrix& M, const float* AP) {
    // The factors of the sums, each in every lane: T(i,j), T(i,j)*AP(i), M(i,j).
    Lanes T[5][5], TA[5][5], MB[5][5];
    for (int i = 0; i < 5; ++i)
        for (int j = 0; j < 5; ++j) {
            T[i][j] = Lanes{} + SECTION_GRAM(i + 1, j + 1);
            TA[i][j] = Lanes{} + SECTION_GRAM(i + 1, j + 1) * AP[i];
            MB[i][j] = Lanes{} + M(i + 1, j + 1);
        }
    for (std::size_t nb = 0; nb < q.BLOCKS.size(); ++nb) {
        const ShapeBlock& b = q.BLOCKS[nb];
        Lanes sp[5];
        for (int i = 0; i < 5; ++i) {
            if (CUT) {
                sp[i] = b.S[i];
                continue;
            }
            sp[i] = Lanes{};
            for (int j = i; j < 5; ++j) sp[i] += MB[i][j] * b.S[j];
        }
        Lanes as = Lanes{}, ss = CUT ? b.SS : Lanes{};
        for (int i = 0; i < 5; ++i)
            for (int j = 0; j < 5; ++j) as += TA[i][j] * sp[j];
        if (!CUT)
            for (int i = 0; i < 5; ++i)
                for (int j = 0; j < 5; ++j) ss += T[i][j] * sp[i] * sp[j];
        const Lanes b0 = as / ss;
        Lanes r[5];
        for (int i = 0; i < 5; ++i) r[i] = AP[i] - b0 * sp[i];
        Lanes rr = Lanes{};
        for (int i = 0; i < 5; ++i)
            for (int j = 0; j < 5; ++j) rr += T[i][j] * r[i] * r[j];
        for (int k = 0; k < LANES; ++k) {
            const std::size_t n = nb * LANES + std::size_t(k);
            q.B0[n] = b0[k];
            if (!(ss[k] > 0.0f) || !std::isfinite(b0[k]))
                q.RR[n] = INFINITY;
            else
                q.RR[n] = rr[k] > 0.0f ? rr[k] : 0.0f;
        }
    }
}

}  // namespace

void CALTIJ() { TIJTAB = SECTION_GRAM; }

void CALB0B1(const float* A, const float* S, float& B0, float& MISFIT) {
    const auto& T = TIJTAB;
    float as = 0.0f, ss = 0.0f;
    for (int i = 1; i <= 5; ++i)
        for (int j = 1; j <= 5; ++j) {
            as += T(i, j) * A[i - 1] * S[j - 1];
            ss += T(i, j) * S[i - 1] * S[j - 1];
        }
    if (!(ss > 0.0f) || !std::isfinite(as / ss)) {
        B0 = 0.0f;
        MISFIT = INFINITY;
        return;
    }
    B0 = as / ss;
    float rr = 0.0f;
    for (int i = 1; i <= 5; ++i)
        for (int j = 1; j <= 5; ++j) rr += T(i, j) * (A[i - 1] - B0 * S[i - 1]) * (A[j - 1] - B0 * S[j - 1]);
    // A near-perfect match can round below zero.
    MISFIT = std::sqrt(std::fmax(rr, 0.0f));
}

void CALB0B1D1() {
    auto& V = IRIPAR.V;
    auto& C = LAYCOF;
    IRIPAR.B0() = IRIPAR.B1() = IRIPAR.D1() = NOTCOMPUTED;
    // 2. The shape table.
    const TableRecords* table = b0b1dt_run_table();
    if (!table) {
        platform::console_line(" CANNOT FIND THE FILE \"B0B1DT.ASC\"!");
        return;
    }
    // 3. The F2 section.
    float FS = C.FC(3);
    const float FE = C.FC(4);
    for (int i = 1; i <= 5; ++i) C.A(i) = C.AF2(i);
    CALTIJ();
    // 4. Without an F1 layer the comparison starts at height HT: bisection
    // for its frequency, and the section re-expressed from there.
    if (C.FC(2) >= C.FC(3)) {
        V(iripar::HEF) = C.ZMF2 - C.ZME - LAYCTL.W;
        const float HT = (V(iripar::HEF) + C.ZMF2) / 2.0f;
        V(iripar::HST) = HT;
        float lo = C.FC(3), hi = C.FC(4), f = lo;
        for (int it = 0; it < MAX_HALVINGS; ++it) {
            f = 0.5f * (lo + hi);
            const float h = C.ZMF2 + section_curve(C.A.data(), 5, section_coordinate(f, C.FC(3), FE));
            if (std::fabs(h - HT) < 0.001f || hi - lo < 1.0e-6f) break;
            if (HT >= h)
                lo = f;
            else
                hi = f;
        }
        float ap[5];
        CONTPRFL(5, FS, FE, C.A.data(), f, ap);
        for (int i = 1; i <= 5; ++i) C.A(i) = ap[i - 1];
        FS = f;
    }
    // 5. The common range: from the larger start ratio to foF2.
    const float RATIO = FS / FE;
    const bool cut_section = B0RATIO >= RATIO;
    float AP[5];
    if (cut_section)
        CONTPRFL(5, FS, FE, C.A.data(), B0RATIO * FE, AP);
    else
        copy5(C.A.data(), AP);
    // 6. The shape of least misfit; ties keep the earlier record. TIJTAB is
    // SECTION_GRAM (CALTIJ above). The misfit is the root of RR: a shape
    // whose RR is not below the best one's cannot have a smaller misfit.
    ShapeSearch& q = shape_search(*table);
    ReexpMatrix M{};
    const bool reexpressed = !cut_section && reexpression_change(5, B0RATIO * FE, FE, RATIO * FE, M);
    shape_misfits(q, !reexpressed, M, AP);
    float best = NO_MISFIT, best_rr = INFINITY, best_b0 = 0.0f, best_b1 = 0.0f;
    bool found = false;
    for (int k = 0; k < q.COUNT; ++k) {
        if (!(q.RR[k] < best_rr)) continue;
        const float misfit = std::sqrt(q.RR[k]);
        if (misfit < best) {
            best = misfit;
            best_rr = q.RR[k];
            best_b0 = q.B0[k];
            best_b1 = q.BLOCKS[std::size_t(k) / LANES].B1[k % LANES];
            found = true;
        }
    }
    // 7. Results.
    DERPAR.ZENITH = round_to(DERPAR.ZENITH, 1000.0f);
    if (!found) return;
    IRIPAR.B0() = round_to(best_b0, 10.0f);
    IRIPAR.B1() = best_b1;
    // 8. D1.
    if (NHPROF.NPTH > 0) CALD1();
}

void CALD1() {
    auto& V = IRIPAR.V;
    auto& C = LAYCOF;
    IRIPAR.D1() = NOD1;
    if (IRIPAR.B0() == NOTCOMPUTED) return;
    V(iripar::FS) = C.FC(3);
    V(iripar::FOF2) = C.FC(4);
    V(iripar::HMF2) = C.ZMF2;
    V(iripar::FOE) = C.FC(2);
    V(iripar::HME) = C.ZME;
    V(iripar::HEF) = C.ZME + LAYCTL.W;
    CALHSTHZ(2);
    IRIPAR.D1() = 0.0f;
    if (C.FC(2) != C.FC(3)) {
        V(iripar::FOE1) = C.FC(2);
        V(iripar::FOF1) = C.FC(3);
        CALHMF1IRI(V(iripar::FOF2), V(iripar::HMF2), IRIPAR.B0(), IRIPAR.B1(), V(iripar::FOF1), V(iripar::HMF1));
        int16_t ierr = 0;
        FITF1IRI(ierr);
    }
}

void CALHSTHZ(int16_t MODE) {
    auto& V = IRIPAR.V;
    const Intermediate m = hst_hz(iri_shape(), MODE, V(iripar::D1));
    V(iripar::HST) = m.hst;
    V(iripar::HZ) = m.hz;
    V(iripar::T) = m.t;
}

float CALTIRI(float HEF, float HST, float HZ) {
    if (HEF == HST) return 0.0f;
    return (HZ - HST) * (HZ - HST) / (HST - HEF);
}

void CALHMF1IRI(float FOF2, float HMF2, float B0, float B1, float FOF1, float& HMF1) {
    const float fo2 = FOF2 * FOF2, f12 = FOF1 * FOF1;
    float lo = 0.0f, hi = HMF2 / B0, x = 0.0f, prev = -1.0f;
    for (int it = 0; it < MAX_HALVINGS; ++it) {
        x = 0.5f * (lo + hi);
        const float fn2 = fo2 * std::exp(-std::pow(x, B1)) / std::cosh(x);
        const float dh = B0 * x;
        if (fn2 == f12 || std::fabs(dh - prev) < 1.0e-4f) break;
        prev = dh;
        if (f12 >= fn2)
            hi = x;
        else
            lo = x;
    }
    HMF1 = round_to(HMF2 - B0 * x, 1000.0f);
}

void FITF1IRI(int16_t& IERR) {
    auto& V = IRIPAR.V;
    IERR = 0;
    const IriShape s = iri_shape();
    const float hmf1 = s.hmf1, hef = s.hef, foe = s.foe;
    // 1. Room for an F1 region above the valley.
    if (hef >= (V(iripar::HST) + hmf1) / 2.0f) {
        IRIPAR.D1() = NOD1;
        IERR = 1;
        return;
    }
    // 2. Largest D1: the F1-transformed density at the valley top mirrored
    // below it reaches foE.
    V(iripar::HST) = 2.0f * hef - hmf1;
    float lo = 0.0f, hi = 20.0f;
    for (int it = 0; it < MAX_HALVINGS && hi - lo > 1.0e-5f; ++it) {
        const float d = 0.5f * (lo + hi);
        if (bottom_fn2(s, f1_height(s, V(iripar::HST), d)) > foe * foe)
            hi = d;
        else
            lo = d;
    }
    const float dmax = lo;
    // 3. First step.
    float step;
    if (dmax > 0.5f)
        step = 0.5f;
    else if (dmax > 0.1f)
        step = 0.1f;
    else if (dmax > 0.01f)
        step = 0.01f;
    else if (dmax > 0.001f)
        step = 0.001f;
    else {
        IRIPAR.D1() = 0.0f;
        return;
    }
    // 4.-6. Pattern search from 0: on while the error falls, back with a
    // tenth of the step when it rises. The error of a D1 depends on nothing
    // else that changes here: each is evaluated once, on the 1 km grid from
    // hmF1 made once.
    const HeightGrid grid(s, hmf1, 1.0f, hef);
    const IriTabulation tab(s, grid);
    struct Trial {
        float d1, err;
        Intermediate m;
    };
    constexpr int KEPT = 64;
    Trial trials[KEPT];
    int ntrials = 0;
    float d1 = 0.0f, best = 1.0e10f, best_d1 = NOD1;
    float best_hst = V(iripar::HST), best_hz = V(iripar::HZ), best_t = V(iripar::T);
    float memory[2] = {NAN, NAN};
    int slot = 0;
    IriColumn F, H, G;
    for (int it = 0; it < MAX_SEARCH_STEPS; ++it) {
        d1 += step;
        if (d1 >= dmax) d1 = dmax - 0.001f;
        if (d1 <= 0.0f) d1 = 0.001f;
        d1 = round_to(d1, 1000.0f);
        bool better = false;
        if (d1 != memory[0] && d1 != memory[1]) {
            const Trial* trial = nullptr;
            for (int n = 0; n < ntrials && !trial; ++n)
                if (trials[n].d1 == d1) trial = &trials[n];
            Trial now;
            if (!trial) {
                now.d1 = d1;
                now.m = hst_hz(s, 1, d1);
                int16_t n = 0;
                tabulate(tab, 1.0f, 1, d1, now.m, n, F, H, G);
                float sum = 0.0f;
                for (int i = 1; i <= n; ++i) sum += std::fabs(G(i) - H(i));
                now.err = sum / float(n);
                if (ntrials < KEPT) trials[ntrials++] = now;
                trial = &now;
            }
            const float err = trial->err;
            if (!std::isfinite(err)) break;
            if (err < best) {
                best = err;
                best_d1 = d1;
                best_hst = trial->m.hst;
                best_hz = trial->m.hz;
                best_t = trial->m.t;
                memory[slot] = d1;
                slot = 1 - slot;
                better = true;
            }
        }
        if (better) continue;
        if ((step < 0.0f && d1 > best_d1) || (step > 0.0f && d1 < best_d1)) continue;
        step = step == 0.5f ? -0.1f : -step / 10.0f;
        if (!(std::fabs(step) > 0.0005f)) break;
    }
    // 7. The best D1 and its region heights.
    IRIPAR.D1() = best_d1;
    V(iripar::HST) = best_hst;
    V(iripar::HZ) = best_hz;
    V(iripar::T) = best_t;
}

void TABIRI(float STEP, int16_t& N, IriColumn& F, IriColumn& H, IriColumn& G, int16_t MODE) {
    const auto& V = IRIPAR.V;
    const HeightGrid none;
    const IriTabulation tab(iri_shape(), none);
    tabulate(tab, STEP, MODE, V(iripar::D1), {V(iripar::HST), V(iripar::HZ), V(iripar::T)}, N, F, H, G);
}

}  // namespace kolm
