// F2-layer solution.
//
// The structure follows the F1 solver: data preparation, a gap test, then a
// direct solution or the term-by-term build-up with synthetic points. An F1
// layer scaled without trace points is derived here: a first F2 pass over
// the F points from the E top gives the points up to foF1, which are solved
// as the F1 section, and the F2 section is then solved again from foF1.
#include "inversion/f2_layer.h"

#include <cmath>

#include "blocks/peltarscale.h"
#include "blocks/peltartrueh.h"
#include "blocks/status.h"
#include "inversion/data_selection.h"
#include "inversion/f1_layer.h"
#include "inversion/f_section.h"
#include "inversion/nh_table.h"
#include "inversion/peak_fit.h"
#include "inversion/section_setup.h"
#include "inversion/stage_plots.h"
#include "models/bottomside.h"
#include "models/electron_content.h"
#include "sections/coef_reexpression.h"

namespace kolm {

namespace {

constexpr int MAX_F1_POINTS = 100;  // points of an F1 layer derived without its trace

// The F points between the E top and foF1, from the last to the first,
// become the only points of the section.
int16_t take_f1_points() {
    auto& T = TRCSEC;
    float fk[MAX_F1_POINTS], ppo[MAX_F1_POINTS];
    int n = 0;
    for (int K = T.NFQ; K >= 1 && n < MAX_F1_POINTS; --K)
        if (T.FK(K) > LAYCOF.FC(2) && T.FK(K) <= SCLCHR.FOF1) {
            fk[n] = T.FK(K);
            ppo[n] = T.PPO(K);
            ++n;
        }
    refill_section(fk, ppo, n);
    return T.NFQ;
}

// Solves the F1 section from the E top to foF1 on the points taken above.
// False with the status set when the solution fails.
bool derive_f1() {
    auto& T = TRCSEC;
    auto& C = LAYCOF;
    auto& Q = SCALE2.IQUALE;
    if (take_f1_points() == 0) {
        Q(iquale::STATUS) = status::F1_TRACE;
        return false;
    }
    C.FC(3) = SCLCHR.FOF1;
    LAYCTL.IRGN = 2;
    T.NN = 3;
    float E = 0.0f;
    // FEWTERM may keep four terms; it leaves A zero above the count it used.
    const int n = fsection::solve_direct({}, E) ? 5 : T.NN;
    for (int I = 1; I <= n; ++I) C.AF1(I) = C.A(I);
    C.ER(2) = E;
    SMAT.KCHKF1 = SMAT.KCHK;
    Q(iquale::F1_CHECK) = SMAT.KCHKF1;
    if (SMAT.KCHKF1 != 0) {
        Q(iquale::STATUS) = SMAT.KCHKF1 == 1 ? status::F1_ROOTS : status::F1_OSCILLATING;
        return false;
    }
    if (!fsection::f1_peak_plausible(5)) return false;
    PARAFITF();
    EVFPLOT(evf::F1_LAYER);
    EVFPLOT(evf::NONE);
    DERPAR.HSTARTF2 = C.ZMF1;
    VALPAR.F1CASES = VALPAR.F1CASE;
    VALPAR.F1CASE = 0;
    T.FSTART = C.FC(3);
    LAYCTL.IRGN = 3;
    return true;
}

// Half-density height: the height of the section holding foF2/sqrt(2).
void half_density_height() {
    auto& C = LAYCOF;
    const float fh2 = C.FC(4) / std::sqrt(2.0f);
    float fa, fb, zm;
    float a[5] = {};
    if (C.FC(3) <= fh2) {
        fa = C.FC(3), fb = C.FC(4), zm = C.ZMF2;
        for (int I = 1; I <= 5; ++I) a[I - 1] = C.AF2(I);
    } else if (C.FC(2) <= fh2) {
        fa = C.FC(2), fb = C.FC(3), zm = C.ZMF1;
        for (int I = 1; I <= 5; ++I) a[I - 1] = C.AF1(I);
    } else {
        fa = C.FC(1), fb = C.FC(2), zm = C.ZME;
        for (int I = 1; I <= 3; ++I) a[I - 1] = C.AE(I);
    }
    for (int I = 1; I <= 5; ++I) C.A(I) = a[I - 1];
    C.ZHALF = zm + section_curve(a, 5, section_coordinate(fh2, fa, fb));
}

}  // namespace

void FPROF(float& ERR) {
    auto& T = TRCSEC;
    auto& C = LAYCOF;
    auto& Q = SCALE2.IQUALE;
    auto& V = VALPAR;
    T.FSTART = T.FEND;

    int16_t fewer = 0;
    float residual = 0.0f;
    // A second round follows the derivation of an F1 layer without trace.
    for (int round = 0; round < 2; ++round) {
        C.AF2.fill(0.0f);
        fewer = 0;
        LAYCTL.IRGN = 3;
        SETUP();
        if (T.NFQ > 0 && T.FSTART >= T.FEND) {
            Q(iquale::STATUS) = status::F2_RANGE;
            fsection::report_range_error(" F2 LAYER: FSTART,FEND=",
                                         " DATA ERROR: F2-REGION FREQUENCY RANGE ERROR!");
            return;
        }
        DATAEFFE();
        DATAUSED(1);
        if (T.NFQ > MAXTRC) {
            Q(iquale::STATUS) = status::F2_TRACE;
            return;
        }
        EVFPLOT(evf::DATA);
        if (T.NFQ <= 2) {
            Q(iquale::STATUS) = status::F2_FEW_POINTS;
            return;
        }
        if (V.F1CASE == 0 && fsection::data_start_far_above(C.FC(3))) V.F1CASE = 1;

        if (V.F1CASE == 0) {
            float E = 0.0f;
            fewer = fsection::solve_direct({.f1_delay = true, .few_points_first = true}, E) ? 1 : 0;
            ERR = E;
            residual = E;
            break;
        }
        // The build-up reports no fit error; its residual is still judged.
        // FC(4) keeps the top of the pass kept: its coefficients are fitted on
        // that range, and tabulating them up to the scaled top would bend the curve.
        fsection::solve_extrapolated(4, C.FC(2) + 0.0001f, C.AF2.data(), {.f1_delay = true}, residual);
        if (V.F1CASE != 2) break;
        if (!derive_f1()) return;
    }

    SMAT.KCHKF2 = SMAT.KCHK;
    Q(iquale::F2_CHECK) = SMAT.KCHKF2;
    if (SMAT.KCHKF2 == 1) {
        Q(iquale::STATUS) = status::F2_ROOTS;
        return;
    }
    if (SMAT.KCHKF2 != 0 || !(residual <= 99.999f)) {
        Q(iquale::STATUS) = status::F2_OSCILLATING;
        return;
    }
    for (int I = 1; I <= T.NN; ++I) C.AF2(I) = C.A(I);
    float amax;
    C.ZMF2 = fsection::peak_height(DERPAR.HSTARTF2, C.AF2.data(), T.NN, amax);
    if (!(C.ZMF2 > C.ZMF1 && C.ZMF2 <= 800.0f && amax <= 999.0f)) {
        Q(iquale::STATUS) = status::F2_TRACE;
        return;
    }
    HEIGHTCHK();
    if (Q(iquale::STATUS) != status::PROFILE_OBTAINED) return;
    Q(iquale::F2_RETRY) = fewer;
    half_density_height();
    NHTABLE(0);
    CALB0B1D1();
    CALTEC();
}

}  // namespace kolm
