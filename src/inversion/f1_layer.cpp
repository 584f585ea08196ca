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

#include "blocks/numeric.h"
#include "blocks/peltarscale.h"
#include "blocks/peltartrueh.h"
#include "blocks/status.h"
#include "inversion/data_selection.h"
#include "inversion/e_layer.h"
#include "inversion/f_section.h"
#include "inversion/gauss_integral.h"
#include "inversion/recomputed_virtual.h"
#include "inversion/section_guard.h"
#include "inversion/section_setup.h"
#include "inversion/section_top.h"
#include "inversion/stage_plots.h"
#include "inversion/valley.h"
#include "platform/console.h"
#include "sections/coef_reexpression.h"

namespace kolm {


void F1PROF(float& ERR) {
    auto& T = TRCSEC;
    auto& C = LAYCOF;
    auto& Q = SCALE2.IQUALE;
    C.ZMF1 = C.ZME + LAYCTL.W;
    C.AF1.fill(0.0f);
    SMAT.KCHKF1 = 0;
    ERR = 0.0f;

    // F1 scaled without trace points: the F2 stage derives it.
    if (SCLCHR.FOF1 < NO_F1_FOF1 && TRCWRK.NFQF1 == 0) {
        C.FC(3) = C.FC(2);
        VALPAR.F1CASE = 2;
        return;
    }
    int16_t fewer = 0;
    LAYCTL.IRGN = 2;
    SETUP();
    if (T.NFQ > 0 && T.FSTART >= T.FEND) {
        Q(iquale::STATUS) = status::F1_RANGE;
        fsection::report_range_error(" F1 LAYER: FSTART,FEND=", " DATA ERROR: F1-REGION FREQUENCY RANGE ERROR!");
        return;
    }
    DATAEFFE();
    DATAUSED(1);
    // No usable point left is as unreasonable as too many.
    if (T.NFQ > MAXTRC || T.NFQ <= 0) {
        Q(iquale::STATUS) = status::F1_TRACE;
        return;
    }
    EVFPLOT(evf::DATA);
    if (fsection::data_start_far_above(C.FC(2))) VALPAR.F1CASE = 1;

    // The extrapolation path reports no fit error.
    if (VALPAR.F1CASE == 0) {
        float E = 0.0f;
        fewer = fsection::solve_direct({}, E) ? 1 : 0;
        ERR = E;
    } else {
        float E = 0.0f;
        fsection::solve_extrapolated(3, C.FC(2), C.AF1.data(), {}, E);
    }

    SMAT.KCHKF1 = SMAT.KCHK;
    Q(iquale::F1_CHECK) = SMAT.KCHKF1;
    if (SMAT.KCHKF1 == 1) {
        Q(iquale::STATUS) = status::F1_ROOTS;
        return;
    }
    if (SMAT.KCHKF1 != 0) {
        Q(iquale::STATUS) = status::F1_OSCILLATING;
        return;
    }
    VALPAR.F1CASES = VALPAR.F1CASE;
    VALPAR.F1CASE = 0;

    for (int I = 1; I <= T.NN; ++I) C.AF1(I) = C.A(I);
    if (!fsection::f1_peak_plausible(T.NN)) return;
    DERPAR.HSTARTF2 = C.ZMF1;
    Q(iquale::F1_RETRY) = fewer;
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
    if (r >= 5.0f) SCALE2.IQUALE(iquale::STATUS) = LAYCTL.IRGN == 2 ? status::F1_TRACE : status::F2_TRACE;
}

void FNDDHF1() {
    auto& T = TRCSEC;
    const auto& C = LAYCOF;
    VALPAR.DHF1.fill(0.0f);
    if (C.FC(2) == C.FC(3)) return;
    const SectionGuard keep(SectionGuard::Keep::section);
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
}

}  // namespace kolm
