// Profile table and end step of the inversion.
#include "inversion/profile_table.h"

#include <cmath>

#include "blocks/numeric.h"
#include "blocks/peltarscale.h"
#include "blocks/peltartrueh.h"
#include "blocks/status.h"
#include "inversion/recomputed_virtual.h"
#include "sections/coef_reexpression.h"

namespace kolm {

namespace {

constexpr float EDGE = 0.005f;  // MHz: no model virtual height this close to a section's ends

// The working trace as runs of ascending frequency (E, F1, F2 points), each
// with a cursor: the table's frequencies ascend, so the first trace point
// matching a row is found in one pass over the trace.
class TraceMatch {
public:
    TraceMatch(int npts, float tol) : tol_(tol) {
        const auto& TF = TRCWRK.TF;
        for (int I = 1; I <= npts; ++I) {
            if (nruns_ > 0 && TF(I) > TF(I - 1)) {
                last_[nruns_ - 1] = I;
                continue;
            }
            if (nruns_ == MAXRUNS) break;
            cursor_[nruns_] = last_[nruns_] = I;
            ++nruns_;
        }
    }
    // TH of the first trace point within the tolerance of F, or 9999.0.
    float height_at(float F) {
        const auto& W = TRCWRK;
        for (int r = 0; r < nruns_; ++r) {
            int& c = cursor_[r];
            while (c <= last_[r] && W.TF(c) <= F - tol_) ++c;
            if (c <= last_[r] && std::fabs(F - W.TF(c)) < tol_) return W.TH(c);
        }
        return NOTCOMPUTED;
    }

private:
    static constexpr int MAXRUNS = 16;
    float tol_;
    int nruns_ = 0;
    int last_[MAXRUNS] = {}, cursor_[MAXRUNS] = {};
};

float sum5(const FArray<float, 7>& a) {
    float s = 0.0f;
    for (int I = 1; I <= 5; ++I) s += a(I);
    return s;
}

// The E layer of this record was solved: the sequence passed the E stage.
// Status 8 before the sequence (foF2 beyond the frequency range) leaves the
// E boundary at its reset value 0.
bool e_layer_solved() {
    const int16_t st = SCALE2.IQUALE(iquale::STATUS);
    if (st == status::NO_INVERSION || st == status::E_RANGE || st == status::E_TRACE) return false;
    return LAYCOF.FC(2) > 0.0f;
}

}  // namespace

void PELTARTABLE() {
    if (SCALE2.IQUALE(iquale::STATUS) != status::PROFILE_OBTAINED) return;
    auto& W = TRCWRK;
    auto& T = TRCSEC;
    auto& C = LAYCOF;
    auto& A = C.A;
    // 1. Counts and section arrays cleared; the working trace is still read.
    int npts = W.NFQE + W.NFQF1 + W.NFQF;
    if (npts > MAXTRC) npts = MAXTRC;
    TraceMatch trace(npts, 0.01f * SCLCHR.FQINCR);
    W.NFQE = W.NFQF1 = W.NFQF = 0;
    T.NFQ = 0;
    T.FK.fill(0.0f);
    T.PPO.fill(0.0f);
    int16_t* count[3] = {&W.NFQE, &W.NFQF1, &W.NFQF};

    // 2. Start at the E start frequency.
    int prev = 4;
    int M = 1;
    float F = C.FC(1);
    float HP = 0.0f;
    float ZB = 0.0f, DH = 0.0f;
    float zb_f1 = 0.0f;
    bool f1_seen = false;
    float last_f = -INFINITY;
    // 3. Along the frequency grid up to the F2 top.
    for (;;) {
        F = round_to(F, 1000.0f);
        if (F >= C.FC(4)) break;
        // A step too small to move the 0.001 MHz grid would never reach the top.
        if (!(F > last_f)) break;
        last_f = F;
        int R = 0;
        for (int r = 1; r <= 3 && R == 0; ++r)
            if (C.FC(r) <= F && F < C.FC(r + 1)) R = r;
        if (R == 0) {
            // Boundaries out of order: no section holds this frequency.
            F += SCLCHR.FQINCR;
            continue;
        }
        if (R != prev) {
            prev = R;
            LAYCTL.IRGN = static_cast<int16_t>(R);
            T.FSTART = C.FC(R);
            T.FEND = C.FC(R + 1);
            switch (R) {
                case 1:
                    T.NN = 3;
                    ZB = C.ZME;
                    for (int I = 1; I <= 3; ++I) A(I) = C.AE(I);
                    DH = 2.0f;
                    break;
                case 2:
                    T.NN = 5;
                    ZB = C.ZME + LAYCTL.W - sum5(C.AF1);
                    zb_f1 = ZB;
                    f1_seen = true;
                    for (int I = 1; I <= 5; ++I) A(I) = C.AF1(I);
                    DH = 5.0f;
                    break;
                default:
                    T.NN = 5;
                    if (C.FC(2) == C.FC(3))
                        ZB = C.ZME + LAYCTL.W - sum5(C.AF2);
                    else if (f1_seen)
                        ZB = zb_f1 - sum5(C.AF2);
                    else
                        ZB = C.ZMF2;  // the F1 section had no table frequency
                    for (int I = 1; I <= 5; ++I) A(I) = C.AF2(I);
                    DH = 5.0f;
                    break;
            }
        }
        // True height on the section curve.
        const float H = ZB + section_curve(A.data(), T.NN, section_coordinate(F, T.FSTART, T.FEND));
        if (std::fabs(H - HP) < DH) {
            F += SCLCHR.FQINCR;
            continue;
        }
        // A row: model virtual height (computed for kept rows only), observed one.
        float HV = NOTCOMPUTED;
        const bool near_start = R > 1 && std::fabs(F - T.FSTART) <= EDGE;
        if (!near_start && !(std::fabs(F - T.FEND) <= EDGE)) RECVIRT(F, HV, RV_ALL);
        T.FK(M) = F;
        W.TZ(M) = H;
        HP = H;
        ++*count[R - 1];
        T.PPO(M) = trace.height_at(F);
        W.TVM(M) = HV;
        ++M;
        if (M > MAXTRC) break;
        F += SCLCHR.FQINCR;
    }

    // 4. The rows become TF, TH.
    W.TF.fill(0.0f);
    W.TH.fill(0.0f);
    T.NFQ = static_cast<int16_t>(W.NFQE + W.NFQF1 + W.NFQF);
    for (int I = 1; I <= T.NFQ; ++I) {
        W.TF(I) = T.FK(I);
        W.TH(I) = T.PPO(I);
    }
}

void TOPELTAR() {
    auto& C = LAYCOF;
    auto& IQ = SCALE2.IQUALE;
    const bool solved = IQ(iquale::STATUS) == status::PROFILE_OBTAINED;
    // 1. The profile table.
    PELTARTABLE();
    // 2. foE from the E section, where this record solved it; a record
    //    whose E layer was not solved keeps its scaled foE.
    if (e_layer_solved()) {
        if (IQ(iquale::ETOP) == etop::TRACE || IQ(iquale::ETOP) == etop::SCALED)
            SCALE2.FOE = C.FC(2);
        else if (IQ(iquale::ETOP) == etop::PREDICTED)
            SCALE2.FOE = NOHEIGHT;
    }
    // 3. The profile's critical frequencies.
    if (solved) {
        if (C.FC(2) < C.FC(3) && C.FC(3) < C.FC(4)) SCLCHR.FOF1 = C.FC(3);
        SAOHDR.REALIN(realin::FMAX) = C.FC(4);
        SCLCHR.FOF2 = C.FC(4);
    }
    // 4. Boundaries in output order: FC(2) the F2 start, FC(4) the F1 start
    //    (the E top), 0 without a usable F1 layer. A rejected F1 layer (root
    //    flag set) leaves FC(2) at the E top, the end of the E section.
    const bool f1_rejected = SMAT.KCHKF1 > 0;
    C.FC(4) = C.FC(2);
    if (!f1_rejected) C.FC(2) = C.FC(3);
    if (IQ(iquale::F1_SCALED) == 0 || f1_rejected) C.FC(4) = 0.0f;
    // 5. Five coefficients per section are reported.
    TRCSEC.NN = 5;
    SCLCHR.NCOEF = 5;
    // 6. A predicted E top without a profile has no E coefficients.
    if (!solved && IQ(iquale::ETOP) == etop::PREDICTED) C.AE.fill(0.0f);
    // 7. Reported valley; without a profile no valley and no F coefficients.
    auto& L = LAYCTL;
    L.WOUT = L.W;
    L.DOUT = L.D;
    L.W = 0.0f;
    L.D = 0.0f;
    if (!solved) {
        L.WOUT = 0.0f;
        L.DOUT = 0.0f;
        C.AF1.fill(0.0f);
        C.AF2.fill(0.0f);
    }
    // 8. Fit errors to 0.001 km.
    for (int I = 1; I <= 3; ++I) C.ER(I) = round_to(C.ER(I), 1000.0f);
}

}  // namespace kolm
