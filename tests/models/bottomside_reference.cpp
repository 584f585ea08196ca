// The bottomside fit as it was before the shapes were compared side by side
// and the D1 search evaluated each trial once: the reference the present
// routines must match bit for bit. Same blocks, same table cache.
#include "bottomside_reference.h"

#include <cmath>

#include "blocks/numeric.h"
#include "blocks/peltarscale.h"
#include "blocks/peltartrueh.h"
#include "models/table_files.h"
#include "platform/console.h"
#include "sections/coef_reexpression.h"

namespace kolm::reference {

namespace {

constexpr float NOD1 = 999.9f;           // D1 that cannot be fitted
constexpr float NO_MISFIT = 999999.0f;   // best misfit before the first shape
constexpr int MAX_HALVINGS = 200;        // bound of every bisection
constexpr int MAX_SEARCH_STEPS = 10000;  // bound of the D1 pattern search

// Plasma frequency squared of the IRI bottomside at height h; foF2**2 at
// and above the peak.
float bottom_fn2(float h) {
    const auto& V = IRIPAR.V;
    const float fo2 = V(iripar::FOF2) * V(iripar::FOF2);
    const float X = (V(iripar::HMF2) - h) / V(iripar::B0);
    if (!(X > 0.0f)) return fo2;
    return fo2 * std::exp(-std::pow(X, V(iripar::B1))) / std::cosh(X);
}

// The F1 height transformation; heights at and above hmF1 are kept.
float f1_height(float h, float d1) {
    const auto& V = IRIPAR.V;
    const float hm = V(iripar::HMF1);
    if (!(hm > 0.0f)) return h;
    const float base = (hm - h) / hm;
    if (!(base > 0.0f)) return h;
    return hm * (1.0f - std::pow(base, 1.0f + d1));
}

// Plasma frequency of the IRI-shaped profile at h, F1-transformed when D1 is not 0.
float region_fn(float h) {
    const auto& V = IRIPAR.V;
    const float d1 = V(iripar::D1);
    const float fn2 = bottom_fn2(d1 != 0.0f ? f1_height(h, d1) : h);
    return std::sqrt(std::fmax(fn2, 0.0f));
}

// Height of the solved section from FA to its peak FB at HB at the plasma frequency f.
float section_height(float f, float FA, float FB, float HB, const float* A) {
    if (f >= FB) return HB;
    if (!(f > 0.0f) || FA == FB) return HB + section_curve(A, 5, 1.0f);
    return HB + section_curve(A, 5, section_coordinate(f, FA, FB));
}

// CONTPRFL as it was, every basis change made anew.
void CONTPRFL(int16_t NN, float F1, float F0, const float* A, float F2, float* AP) {
    const int n = NN > MAXREEXP ? MAXREEXP : (NN < 0 ? 0 : NN);
    float in[MAXREEXP];
    for (int j = 0; j < n; ++j) in[j] = A[j];
    float lambda = NAN;
    if (F2 != F1 && F1 > 0.0f && F0 > 0.0f && F2 > 0.0f && F1 != F0)
        lambda = std::log(F2 / F0) / std::log(F1 / F0);
    if (!(lambda >= 0.0f) || !std::isfinite(lambda)) {
        for (int j = 0; j < n; ++j) AP[j] = in[j];
        return;
    }
    ReexpMatrix TL, S;
    SETLAMPT(NN, lambda, TL);
    SETS(NN, TL, S);
    ATOAP(NN, S, in, AP);
}

// Five coefficients of LAYCOF as a plain array.
void copy5(const float* from, float* to) {
    for (int j = 0; j < 5; ++j) to[j] = from[j];
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
    // 6. The shape of least misfit; ties keep the earlier record.
    float best = NO_MISFIT, best_b0 = 0.0f, best_b1 = 0.0f;
    bool found = false;
    for (const TableRecord& rec : *table) {
        const float* S = rec.V + 1;
        float SP[5];
        if (cut_section)
            copy5(S, SP);
        else
            CONTPRFL(5, B0RATIO * FE, FE, S, RATIO * FE, SP);
        float b0, misfit;
        CALB0B1(AP, SP, b0, misfit);
        if (misfit < best) {
            best = misfit;
            best_b0 = b0;
            best_b1 = rec.V[0];
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
    const float HU = MODE == 1 ? V(iripar::HMF1) : V(iripar::HMF2);
    const float foe = V(iripar::FOE);
    const bool transform = MODE == 1 && V(iripar::D1) != 0.0f;
    float lo = 0.0f, hi = HU, hst = 0.0f;
    for (int it = 0; it < MAX_HALVINGS; ++it) {
        hst = 0.5f * (lo + hi);
        const float hp = transform ? f1_height(hst, V(iripar::D1)) : hst;
        const float fn = std::sqrt(std::fmax(bottom_fn2(hp), 0.0f));
        if ((fn - foe >= 0.0f && fn - foe < 1.0e-5f) || hi - lo < 1.0e-4f) break;
        if (foe >= fn)
            lo = hst;
        else
            hi = hst;
    }
    V(iripar::HST) = hst;
    V(iripar::HZ) = (hst + HU) / 2.0f;
    V(iripar::T) = CALTIRI(V(iripar::HEF), V(iripar::HST), V(iripar::HZ));
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
    const float hmf1 = V(iripar::HMF1), hef = V(iripar::HEF), foe = V(iripar::FOE);
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
        if (bottom_fn2(f1_height(V(iripar::HST), d)) > foe * foe)
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
    // tenth of the step when it rises.
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
            IRIPAR.D1() = d1;
            CALHSTHZ(1);
            int16_t n = 0;
            reference::TABIRI(1.0f, n, F, H, G, 1);
            float sum = 0.0f;
            for (int i = 1; i <= n; ++i) sum += std::fabs(G(i) - H(i));
            const float err = sum / float(n);
            if (!std::isfinite(err)) break;
            if (err < best) {
                best = err;
                best_d1 = d1;
                best_hst = V(iripar::HST);
                best_hz = V(iripar::HZ);
                best_t = V(iripar::T);
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
    auto& C = LAYCOF;
    const float fof2 = V(iripar::FOF2), hmf2 = V(iripar::HMF2), fof1 = V(iripar::FOF1), hmf1 = V(iripar::HMF1);
    const float foe = V(iripar::FOE), hef = V(iripar::HEF), hz = V(iripar::HZ), t = V(iripar::T), hst = V(iripar::HST);
    const float d1 = V(iripar::D1);
    N = 0;
    if (!(STEP > 0.0f)) return;
    auto add = [&](float f, float h) {
        if (N >= MAXIRITAB) return false;
        ++N;
        F(N) = f;
        H(N) = h;
        return true;
    };
    auto grid = [&](float peak, int k) { return round_to(peak - float(k) * STEP, 1000.0f); };

    // 1. F2 bottomside down to HZ (MODE 2), or to foF1 when D1 shapes an F1 region.
    float peak = hmf2;
    int k = 1;
    bool f1_part = MODE == 1;
    if (MODE == 2) {
        add(fof2, hmf2);
        for (;; ++k) {
            const float h = grid(hmf2, k);
            if (h < hz || h < 0.0f) break;
            const float fn = std::sqrt(std::fmax(bottom_fn2(h), 0.0f));
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
            for (k = 1;; ++k) {
                const float h = grid(hmf1, k);
                if (h < hz || !add(std::fmax(region_fn(h), foe), h)) break;
            }
        }
    }
    // 3. Intermediate region from HZ down to the valley top.
    if (!model_ends) {
        auto intermediate = [&](float h) {
            const float root = std::sqrt(std::fmax(t * (t / 4.0f + hz - h), 0.0f));
            const float hp = hef < hst ? hz + t / 2.0f - root : hz + t / 2.0f + root;
            return std::fmax(region_fn(hp), foe);
        };
        add(intermediate(hz), hz);
        for (;; ++k) {
            const float h = grid(peak, k);
            if (h >= hz) continue;
            if (!(h > hef) || !add(intermediate(h), h)) break;
        }
        add(foe, hef);
    }
    // 4. The solved profile's heights at the same frequencies.
    int i = 1;
    if (MODE == 2)
        for (; i <= N; ++i) {
            G(i) = section_height(F(i), C.FC(3), C.FC(4), C.ZMF2, C.AF2.data());
            if (F(i) <= C.FC(3)) {
                ++i;
                break;
            }
        }
    const bool f1_section = C.FC(2) != C.FC(3) && d1 != 0.0f;
    for (; i <= N; ++i)
        G(i) = f1_section ? section_height(F(i), C.FC(2), C.FC(3), C.ZMF1, C.AF1.data()) : H(i);
}

}  // namespace kolm::reference
