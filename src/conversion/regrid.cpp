// Snapping, calendar, cleaning and re-gridding of STANDARD records.
#include "conversion/regrid.h"

#include <algorithm>
#include <cmath>

#include "blocks/numeric.h"
#include "blocks/peltarscale.h"
#include "models/calendar.h"

namespace kolm {

namespace {

constexpr int32_t NOHEIGHT_I3 = 999;
constexpr int32_t GRID_POINTS = 800;

// The coarsest of the grids 0.1, 0.05, 0.025 MHz that holds p thousandths
// of a MHz (p a multiple of 25).
float coarsest_step(int64_t p) {
    if (p % 100 == 0) return 0.1f;
    if (p % 50 == 0) return 0.05f;
    return 0.025f;
}

// Keeps the pairs of L for which keep(F) holds, in order.
template <class Keep>
void keep_pairs(StdLayer& L, Keep keep) {
    int32_t j = 0;
    for (int32_t i = 1; i <= L.N; ++i) {
        if (!keep(L.F(i))) continue;
        ++j;
        L.F(j) = L.F(i);
        L.H(j) = L.H(i);
    }
    L.N = j;
}

// Removes the pairs at or below `bound`; when any goes, so do those at 0 or below.
void remove_up_to(StdLayer& L, float bound) {
    const bool loses = std::any_of(L.F.data(), L.F.data() + L.N, [bound](float f) { return f <= bound; });
    if (loses) keep_pairs(L, [bound](float f) { return f > bound && f > 0.0f; });
}

}  // namespace

void GRIDDATA(float& F, float& H, float& FSTEP) {
    if (F > 0.0f && F < 1000.0f) {
        // F in thousandths of a MHz, exact in double; lo and hi are the
        // multiples of 25 around it.
        const double x = double(F) * 1000.0;
        const int64_t lo = 25 * int64_t(std::floor(x / 25.0));
        const int64_t hi = lo + 25;
        // The decimal midpoint as the reader forms a number with four
        // decimals: one correctly rounded division of exact operands.
        const float mid = float(10 * lo + 125) / 10000.0f;
        int64_t p = F < mid ? lo : hi;
        if (F == mid) p = coarsest_step(hi) > coarsest_step(lo) ? hi : lo;
        F = float(p) / 1000.0f;
        const float s = coarsest_step(p);
        if (s < FSTEP) FSTEP = s;
    }
    if (H > 0.0f) H = round_to(H, 1.0f);  // the nearest whole km, a half up
}

void DATETODAY(int16_t JYR, int16_t JMON, int16_t JDAY, int16_t& JYR4, int16_t& JDOY, int32_t& JERR) {
    JYR4 = JYR;
    if (JYR < 1000) JYR4 = int16_t(JYR < 50 ? JYR + 2000 : JYR + 1900);
    const bool leap = leap_year(JYR4);
    JERR = 0;
    if (JMON < 1 || JMON > 12) {
        JERR = 1;
        return;
    }
    const int32_t before = JMON > 1 ? NDAYS(JMON - 1) : 0;
    const int32_t length = NDAYS(JMON) - before;
    if (JMON == 2 && JDAY > 28 + (leap ? 1 : 0)) {
        JERR = 2;
        return;
    }
    if (JMON != 2 && JDAY > length) {
        JERR = 3;
        return;
    }
    JDOY = int16_t(JDAY + before + (leap && JMON > 2 ? 1 : 0));
}

void clean_block(StdLayer& L) {
    if (!L.present()) {
        L.N = 0;
        return;
    }
    if (L.N <= 0) return;
    L.FC = std::max(L.FC, L.F(1));
    // A pair goes when it lies within 0.001 MHz of the last pair kept (not
    // of the pair before it: of three equal frequencies the third would
    // stay, and a repeated frequency stops the matching of every later
    // height on the grid).
    float kept = L.F(1);
    int32_t j = 1;
    for (int32_t i = 2; i <= L.N; ++i) {
        L.FC = std::max(L.FC, L.F(i));
        if (L.F(i) <= 0.0f || std::fabs(L.F(i) - kept) < 0.001f) continue;
        kept = L.F(i);
        ++j;
        L.F(j) = L.F(i);
        L.H(j) = L.H(i);
    }
    L.N = j;
}

void normalise_critical(StdRecord& r) {
    for (StdLayer* L : {&r.F1, &r.F2}) {
        if (!L->present()) continue;
        L->FC = round_to(L->FC, 1000.0f);
        const float k = std::round(L->FC / r.FSTEP);
        const float X = round_to(k * r.FSTEP, 1000.0f);
        if (r.FSTEP == 0.025f || std::fabs(L->FC - X) < 0.25f * r.FSTEP) L->FC = X;
    }
    for (StdLayer* L : {&r.E, &r.F1, &r.F2})
        if (L->FC <= 0.0f) L->FC = L->N == 0 ? STD_ABSENT : L->F(L->N);
}

bool layer_order(const StdRecord& r) {
    const float e = r.E.FC, f1 = r.F1.FC, f2 = r.F2.FC;
    const bool e_absent = e >= STD_ABSENT, f1_absent = f1 >= STD_ABSENT;
    return (e_absent || e + 0.0001f < f1) && (e_absent || e + 0.0001f < f2) && (f1_absent || f1 + 0.0001f < f2);
}

void clean_traces(StdRecord& r) {
    if (r.F2.N > 0 && r.F2.present()) {
        if (r.F1.present())
            remove_up_to(r.F2, r.F1.FC);
        else if (r.E.present())
            remove_up_to(r.F2, r.E.FC);
    }
    if (r.F1.N > 0 && r.F1.present() && r.E.present()) remove_up_to(r.F1, r.E.FC);
}

float lowest_f(const StdRecord& r) {
    if (r.F1.present() && r.F1.first() > 0.0f) return r.F1.first();
    if (r.F2.present() && r.F2.first() > 0.0f) return r.F2.first();
    return NOHEIGHT;
}

float lowest_e(const StdRecord& r) { return r.E.present() && r.E.first() > 0.0f ? r.E.first() : NOHEIGHT; }

void time_stamp_digits(const StdRecord& r, FArray<int32_t, 60>& D) {
    D.fill(0);
    auto digits = [&D](int32_t at, int32_t value, int32_t n) {
        for (int32_t i = n - 1; i >= 0; --i) {
            D(at + i) = value % 10;
            value /= 10;
        }
    };
    digits(1, r.JYR4 % 100, 2);
    digits(3, r.JDOY, 3);
    digits(6, r.JHR, 2);
    digits(8, r.JMIN, 2);
    digits(10, r.JSEC, 2);
    D(34) = 1;
    D(35) = r.FSTEP == 0.05f ? 2 : r.FSTEP == 0.025f ? 3 : 1;
    if (r.F2.present()) digits(36, trunc_i32(r.F2.FC) + 1, 2);
    D(54) = 1;
    D(55) = 2;
}

GridResult regrid(const StdRecord& r, SaoRecord& out) {
    GridResult res{GridFault::none, nullptr, 0, 0};
    struct Target {
        const StdLayer& L;
        const char* name;
        int hgroup, fgroup;
        int32_t* heights;
        float* freqs;
        int32_t cap;
    };
    const Target targets[] = {
        {r.F2, "F2", 7, 11, out.G7.data(), out.G11.data(), STD_CAP_F2},
        {r.F1, "F1", 12, 16, out.G12.data(), out.G16.data(), STD_CAP_F1},
        {r.E, "E", 17, 21, out.G17.data(), out.G21.data(), STD_CAP_E},
    };
    for (const Target& t : targets) out.DFI(t.hgroup) = out.DFI(t.fgroup) = 0;
    if (r.E.N == 0 && r.F1.N == 0 && r.F2.N == 0) return res;

    FArray<float, GRID_POINTS> G;
    G(1) = 0.2f;
    for (int32_t i = 2; i <= GRID_POINTS; ++i) G(i) = round_to(G(i - 1) + r.FSTEP, 1000.0f);

    for (const Target& t : targets) {
        const StdLayer& L = t.L;
        if (L.N <= 0) continue;
        // F2 above a present F1 starts at the first grid frequency above
        // foF1; every other trace at its first pair.
        const bool above_f1 = &L == &r.F2 && r.F1.present();
        const float x = L.first();
        int32_t start = 0, end = 0;
        bool closed = false;
        for (int32_t i = 1; i <= GRID_POINTS; ++i) {
            if (start == 0 && (above_f1 ? G(i) > r.F1.FC : std::fabs(G(i) - x) < 0.0005f)) start = i;
            if (G(i) > L.FC) {
                closed = true;
                break;
            }
            end = i;
        }
        const int32_t n = end - start + 1;
        res.layer = t.name;
        res.cap = t.cap;
        if (start == 0 || n <= 0) res.fault = GridFault::off_grid;
        else if (!closed) res.fault = GridFault::beyond_grid;
        else if (n > t.cap) res.fault = GridFault::over_capacity;
        if (res.fault != GridFault::none) return res;
        // One height per grid frequency: the pairs matched in order, 999
        // where none was given.
        int32_t k = 1;
        for (int32_t j = 1; j <= n; ++j) {
            const float f = G(start + j - 1);
            t.freqs[j - 1] = f;
            int32_t h = NOHEIGHT_I3;
            if (k <= L.N && std::fabs(f - L.F(k)) < 0.0005f) {
                h = trunc_i32(L.H(k));
                ++k;
                if (h > 999 || h < -99) {  // beyond three columns: no height
                    h = NOHEIGHT_I3;
                    ++res.unfit;
                }
            }
            t.heights[j - 1] = h;
        }
        out.DFI(t.hgroup) = out.DFI(t.fgroup) = n;
    }
    res.layer = nullptr;
    res.cap = 0;
    return res;
}

}  // namespace kolm
