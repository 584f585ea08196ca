// F1-layer solution, height check of a solved F section, F1 group delay.
//
// When the F1 data start well above the E top, the section is built up one
// term at a time: each pass fits the data together with synthetic points
// below the first data frequency whose virtual heights come from the
// previous pass. A pass that fails ends the build-up and the last good pass
// stands; when the first pass fails there is no solution.
#include "inversion/f1_layer.h"

#include <cmath>
#include <cstdio>

#include "blocks/peltarscale.h"
#include "blocks/peltartrueh.h"
#include "inversion/data_selection.h"
#include "inversion/e_layer.h"
#include "inversion/gauss_integral.h"
#include "inversion/recomputed_virtual.h"
#include "inversion/section_setup.h"
#include "inversion/section_top.h"
#include "inversion/status.h"
#include "inversion/valley.h"
#include "platform/console.h"
#include "sections/coef_reexpression.h"

namespace kolm {

namespace fsection {

void report_range_error(const char* layer_line, const char* error_line) {
    char line[96];
    std::snprintf(line, sizeof line, "%s%8.3f%8.3f", layer_line, TRCSEC.FSTART, TRCSEC.FEND);
    platform::console_line(line);
    platform::console_line(error_line);
}

bool data_start_far_above(float lower) {
    const auto& T = TRCSEC;
    float dfmin = 99.0f;
    for (int I = 2; I <= T.NFQ; ++I) {
        const float df = T.FK(I) - T.FK(I - 1);
        if (df < dfmin) dfmin = df;
    }
    // trunc(gap/dfmin) > 4, without forming an integer from a huge quotient.
    return (T.FK(1) - lower) / dfmin >= 5.0f;
}

namespace {

// Appends the synthetic points after the first `kept` points of the section.
void append_synthetic_points(int kept, float FLOW) {
    auto& T = TRCSEC;
    T.NFQ = static_cast<int16_t>(kept);
    const float first = T.FK(1);
    for (int J = 1; T.NFQ < MAXTRC; ++J) {
        const float F = std::round((first - J * SCLCHR.FQINCR) * 1000.0f) / 1000.0f;
        if (F <= FLOW) break;
        float hv;
        RECVIRT(F, hv, RV_ALL);
        ++T.NFQ;
        T.FK(T.NFQ) = F;
        T.PPO(T.NFQ) = hv;
    }
}

}  // namespace

float peak_height(float start, const float* COEF, int n, float& amax) {
    float sum = 0.0f;
    amax = 0.0f;
    for (int I = 0; I < n; ++I) {
        sum += COEF[I];
        if (std::fabs(COEF[I]) > amax) amax = std::fabs(COEF[I]);
    }
    return start - sum;
}

bool f1_peak_plausible(int n) {
    auto& C = LAYCOF;
    float amax;
    C.ZMF1 = peak_height(DERPAR.HSTARTF1, C.AF1.data(), n, amax);
    if (C.ZMF1 > C.ZME && C.ZMF1 <= 300.0f && amax <= 999.0f) return true;
    SCALE2.IQUALE(2) = status::F1_THICK;
    return false;
}

bool solve_direct(bool f1_delay, bool few_points_first, float& E) {
    FNDDHE();
    FNDDHV();
    if (f1_delay) FNDDHF1();
    bool fewer = few_points_first && TRCSEC.NFQ <= 5;
    if (!fewer) {
        DENSTY(E);
        fewer = SMAT.KCHK != 0;
    }
    if (!fewer) return false;
    FEWTERM(E);
    return SMAT.KCHK == 0;
}

bool solve_extrapolated(int top_index, float FLOW, float* COEF, bool f1_delay, float& E) {
    auto& T = TRCSEC;
    auto& C = LAYCOF;
    const float top = C.FC(top_index);
    const int16_t count = T.NFQ;
    float kept_a[MAXTERMS] = {};
    int16_t kept_nn = 0;
    float kept_top = top, kept_e = E;
    T.NN = 1;
    for (;;) {
        FNDDHE();
        FNDDHV();
        if (f1_delay) FNDDHF1();
        C.FC(top_index) = top;
        float e = E;
        DENSTY(e);
        if (SMAT.KCHK != 0) break;
        kept_nn = T.NN;
        kept_top = T.FEND;
        kept_e = e;
        for (int I = 1; I <= kept_nn; ++I) kept_a[I - 1] = COEF[I - 1] = C.A(I);
        append_synthetic_points(count, FLOW);
        if (T.NN > 4) break;
        ++T.NN;
    }
    if (kept_nn == 0) return false;
    SMAT.KCHK = 0;
    T.NN = kept_nn;
    T.FEND = kept_top;
    C.FC(top_index) = kept_top;
    C.A.fill(0.0f);
    for (int I = 1; I <= kept_nn; ++I) C.A(I) = kept_a[I - 1];
    E = kept_e;
    return true;
}

}  // namespace fsection

void F1PROF(float& ERR) {
    auto& T = TRCSEC;
    auto& C = LAYCOF;
    auto& Q = SCALE2.IQUALE;
    C.ZMF1 = C.ZME + LAYCTL.W;
    C.AF1.fill(0.0f);
    SMAT.KCHKF1 = 0;
    ERR = 0.0f;

    // F1 scaled without trace points: the F2 stage derives it.
    if (SCLCHR.FOF1 < 50.0f && TRCWRK.NFQF1 == 0) {
        C.FC(3) = C.FC(2);
        VALPAR.F1CASE = 2;
        return;
    }
    int16_t fewer = 0;
    LAYCTL.IRGN = 2;
    SETUP();
    if (T.NFQ > 0 && T.FSTART >= T.FEND) {
        Q(2) = status::F1_RANGE;
        fsection::report_range_error(" F1 LAYER: FSTART,FEND=", " DATA ERROR: F1-REGION FREQUENCY RANGE ERROR!");
        return;
    }
    DATAEFFE();
    DATAUSED(1);
    // No usable point left is as unreasonable as too many.
    if (T.NFQ > MAXTRC || T.NFQ <= 0) {
        Q(2) = status::F1_TRACE;
        return;
    }
    if (fsection::data_start_far_above(C.FC(2))) VALPAR.F1CASE = 1;

    // The extrapolation path reports no fit error.
    if (VALPAR.F1CASE == 0) {
        float E = 0.0f;
        fewer = fsection::solve_direct(false, false, E) ? 1 : 0;
        ERR = E;
    } else {
        float E = 0.0f;
        fsection::solve_extrapolated(3, C.FC(2), C.AF1.data(), false, E);
    }

    SMAT.KCHKF1 = SMAT.KCHK;
    Q(8) = SMAT.KCHKF1;
    if (SMAT.KCHKF1 == 1) {
        Q(2) = status::F1_ROOTS;
        return;
    }
    if (SMAT.KCHKF1 != 0) {
        Q(2) = status::F1_OSCILLATING;
        return;
    }
    VALPAR.F1CASES = VALPAR.F1CASE;
    VALPAR.F1CASE = 0;

    for (int I = 1; I <= T.NN; ++I) C.AF1(I) = C.A(I);
    if (!fsection::f1_peak_plausible(T.NN)) return;
    DERPAR.HSTARTF2 = C.ZMF1;
    Q(11) = fewer;
}

void HEIGHTCHK() {
    const auto& T = TRCSEC;
    const auto& C = LAYCOF;
    float zm;
    switch (LAYCTL.IRGN) {
        case 1: zm = C.ZME; break;
        case 2: zm = C.ZMF1; break;
        default: zm = C.ZMF2; break;
    }
    const int nn = T.NN < 5 ? T.NN : 5;
    float bad_span = 0.0f, good_f = T.FK(1), ftop = 0.0f;
    bool in_bad = false;
    for (int K = 1; K <= T.NFQ; ++K) {
        const float f = T.FK(K);
        if (f <= ftop) break;  // points appended below the data
        ftop = f;
        const float h = zm + section_curve(C.A.data(), nn, section_coordinate(f, T.FSTART, T.FEND));
        if (in_bad && T.PPO(K) > h) {
            bad_span += f - good_f;
            in_bad = false;
        }
        if (T.PPO(K) <= h) in_bad = true;
        if (!in_bad) good_f = f;
    }
    const float span = T.FEND - T.FK(1);
    const float r = span > 0.0f ? bad_span / span * 100.0f : 0.0f;
    if (r >= 5.0f) SCALE2.IQUALE(2) = LAYCTL.IRGN == 2 ? status::F1_TRACE : status::F2_TRACE;
}

void FNDDHF1() {
    auto& T = TRCSEC;
    const auto& C = LAYCOF;
    VALPAR.DHF1.fill(0.0f);
    if (C.FC(2) == C.FC(3)) return;
    const float fstart = T.FSTART, fend = T.FEND;
    const int16_t nn = T.NN;
    // All five F1 terms, whatever the term count of the section being solved.
    T.FSTART = C.FC(2);
    T.FEND = C.FC(3);
    T.NN = 5;
    SIKP(T.FEND);
    const float dz = C.ZMF1 - DERPAR.HSTARTF1;
    for (int K = 1; K <= T.NFQ; ++K) {
        float d = 0.0f;
        for (int J = 1; J <= 5; ++J) d += DERPAR.SU(J, K) * C.AF1(J);
        VALPAR.DHF1(K) = d < dz ? dz : d;
    }
    T.FSTART = fstart;
    T.FEND = fend;
    T.NN = nn;
}

}  // namespace kolm
