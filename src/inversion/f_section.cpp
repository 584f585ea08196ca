// Steps shared by the F1 and F2 solvers.
//
// When the data of an F section start well above its lower boundary, the
// section is built up one term at a time: each pass fits the data together
// with synthetic points below the first data frequency whose virtual
// heights come from the previous pass. A pass that fails ends the build-up
// and the last good pass stands; when the first pass fails there is no
// solution.
#include "inversion/f_section.h"

#include <cmath>
#include <cstdio>

#include "blocks/numeric.h"
#include "blocks/peltarscale.h"
#include "blocks/peltartrueh.h"
#include "blocks/status.h"
#include "inversion/e_layer.h"
#include "inversion/f1_layer.h"
#include "inversion/recomputed_virtual.h"
#include "inversion/section_top.h"
#include "inversion/valley.h"
#include "platform/console.h"

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
        const float F = round_to(first - J * SCLCHR.FQINCR, 1000.0f);
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
    SCALE2.IQUALE(iquale::STATUS) = status::F1_THICK;
    return false;
}

bool solve_direct(const SolveOptions& how, float& E) {
    FNDDHE();
    FNDDHV();
    if (how.f1_delay) FNDDHF1();
    bool fewer = how.few_points_first && TRCSEC.NFQ <= 5;
    if (!fewer) {
        DENSTY(E);
        fewer = SMAT.KCHK != 0;
    }
    if (!fewer) return false;
    FEWTERM(E);
    return SMAT.KCHK == 0;
}

bool solve_extrapolated(int top_index, float FLOW, float* COEF, const SolveOptions& how, float& E) {
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
        if (how.f1_delay) FNDDHF1();
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

}  // namespace kolm
