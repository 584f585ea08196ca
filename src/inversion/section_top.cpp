// Section top search.
//
// The top plasma frequency of an F section is known only to one frequency
// step. Each trial top is fitted with data taken from just below the lowest
// data frequency (FLO) while the coefficients still describe the section
// from its start FS0: the integrals below FLO are added through a basis
// change, and the solution is re-expressed from [FLO, top] onto [FS0, top].
#include "inversion/section_top.h"

#include <cmath>

#include "blocks/peltarscale.h"
#include "blocks/peltartrueh.h"
#include "blocks/run_state.h"
#include "inversion/gauss_integral.h"
#include "inversion/least_squares.h"
#include "inversion/monotonicity.h"
#include "inversion/recomputed_virtual.h"
#include "sections/coef_reexpression.h"

namespace kolm {

namespace {

// The bisection bracket outlives the call: a region outside 2..3 reuses it.
struct DenstyState {
    float FA = 0.0f;
    float FB = 0.0f;
};
DenstyState densty;
const RunStateReset densty_reset([] { densty = DenstyState{}; });

// Trials per search: the bracket of one step shrinks below 0.0015 MHz in
// a few halvings; the bound only guards against a degenerate step.
constexpr int MAX_TRIALS = 64;

constexpr int16_t NO_FIT = 2;

}  // namespace

void CHNGSIKP(float FNEW) {
    const auto& T = TRCSEC;
    const float lambda = std::log(T.FSTART / T.FEND) / std::log(FNEW / T.FEND);
    ReexpMatrix LM, SM;
    SETLAMPT(T.NN, lambda, LM);
    SETS(T.NN, LM, SM);
    const int nn = T.NN < MAXREEXP ? T.NN : MAXREEXP;
    for (int K = 1; K <= T.NFQ; ++K)
        for (int N = 1; N <= nn; ++N) {
            float add = 0.0f;
            for (int M = 1; M <= N; ++M) add += DERPAR.SU(M, K) * SM(M, N);
            SMAT.S(N, K) = SMAT.S(N, K) + add;
        }
}

void DENSTY(float& ERR) {
    auto& T = TRCSEC;
    auto& A = LAYCOF.A;
    const int nn = T.NN;
    const float FS0 = T.FSTART;
    const float fq = SCLCHR.FQINCR;

    if (LAYCTL.IRGN == 3) {
        densty.FA = LAYCOF.FC(4);
        densty.FB = LAYCOF.FC(4) + fq;
    } else if (LAYCTL.IRGN == 2) {
        densty.FA = LAYCOF.FC(3);
        densty.FB = LAYCOF.FC(3) + fq - 0.005f;
    }
    float FA = densty.FA, FB = densty.FB;
    float fmid = std::round((FA + FB) / 2.0f * 100.0f / fq) * fq / 100.0f;

    // A section without data points has no fit.
    if (T.NFQ <= 0) {
        SMAT.KCHK = NO_FIT;
        T.FEND = fmid;
        return;
    }
    float FLO = (T.FK(1) < T.FK(T.NFQ) ? T.FK(1) : T.FK(T.NFQ)) - fq;
    if (FLO < FS0) FLO = FS0;

    int16_t best_code = NO_FIT;
    float best_err = 9999.0f, best_top = 0.0f;
    float best_a[MAXTERMS] = {};
    int16_t ICHK = NO_FIT;
    NormalMatrix AM;
    FArray<float, MAXTERMS> SOL;

    // At least one trial, also when the bracket is narrower than the tolerance.
    for (int trial = 0; trial < MAX_TRIALS && (trial == 0 || FB - FA >= 0.0015f); ++trial) {
        T.FEND = std::round(1000.0f * ((FA + FB) / 2.0f)) / 1000.0f;
        T.FSTART = FLO;
        CDO();
        SIK();
        if (FLO != FS0) {
            T.FSTART = FS0;
            SIKP(FLO);
            CHNGSIKP(FLO);
        }
        ESTAB(AM);
        EQUTN(AM, nn, SOL);
        CONTPRFL(static_cast<int16_t>(nn), FLO, T.FEND, SOL.data(), FS0, A.data());
        bool finite = true;
        for (int I = 1; I <= nn; ++I) {
            A(I) = std::round(10.0f * A(I)) / 10.0f;
            finite = finite && std::isfinite(A(I));
        }
        // A non-finite trial counts as one with turning points.
        ICHK = NO_FIT;
        if (finite) CHECKH(ICHK);
        if (best_code == 0 && ICHK > 0) break;
        float err = 0.0f;
        if (ICHK == 0) {
            // Without the basis change S already spans [FS0, top].
            if (FLO != FS0)
                ERROR1(err);
            else
                err = mean_residual();
            if (!std::isfinite(err)) {
                ICHK = NO_FIT;
                if (best_code == 0) break;
            } else {
                ERR = err;
            }
        }
        if (ICHK == 0) {
            if (err >= best_err) break;
            best_code = 0;
            best_err = err;
            best_top = T.FEND;
            for (int I = 1; I <= nn; ++I) best_a[I - 1] = A(I);
            FB = T.FEND;
        } else if (ICHK == 1) {
            FA = T.FEND;
        } else {
            FB = T.FEND;
        }
    }

    if (best_code == 0) {
        fmid = best_top;
        if (LAYCTL.IRGN >= 1 && LAYCTL.IRGN <= 3) LAYCOF.FC(LAYCTL.IRGN + 1) = best_top;
        ERR = best_err;
        ICHK = 0;
        for (int I = 1; I <= nn; ++I) A(I) = best_a[I - 1];
    }
    SMAT.KCHK = ICHK;
    T.FSTART = FS0;
    T.FEND = fmid;
}

void FEWTERM(float& ERR) {
    auto& T = TRCSEC;
    const int16_t saved = T.NN;
    const int16_t lowest = LAYCTL.IRGN == 2 ? 3 : 2;
    for (int16_t n = 4; n >= lowest; --n) {
        T.NN = n;
        LAYCOF.A.fill(0.0f);
        DENSTY(ERR);
        if (SMAT.KCHK == 0) break;
    }
    T.NN = saved;
}

}  // namespace kolm
