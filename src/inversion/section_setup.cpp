// Section set-up for the E, F1 and F2 regions.
#include "inversion/section_setup.h"

#include <cmath>

#include "blocks/numeric.h"
#include "blocks/peltarscale.h"
#include "blocks/peltartrueh.h"
#include "blocks/run_state.h"
#include "blocks/status.h"
#include "models/predict.h"
#include "notation/fixed_format.h"

namespace kolm {

SetupState SETUPST;

namespace {

const RunStateReset reset_setup([] { SETUPST = SetupState{}; });

const fmt::Format FMT_AI4("(A,I4)");
const fmt::Format FMT_A("(A)");

bool no_height(float h) { return h == 0.0f || h >= 999.0f; }

void setup_e() {
    auto& T = TRCSEC;
    T.FSTART = 0.2f;
    T.NFQ = TRCWRK.NFQE;
    T.NN = 3;
    // The record's own predictions, made once per record; the sunspot or
    // missing-prediction test alone could leave another record's values.
    const auto& R = SAOHDR.REALIN;
    if (static_cast<float>(OPTS.ISSN) != FLDPAR.SSNREC || R(realin::FOEP) > 99.0f || !SETUPST.PREDICTED) {
        PREDICT();
        SETUPST.PREDICTED = true;
    }
    SETUPST.FOEP = R(realin::FOEP);
    SETUPST.FOF1P = R(realin::FOF1P);
    SETUPST.FOF2P = R(realin::FOF2P);
    auto& IQ = SCALE2.IQUALE;
    IQ(iquale::ETOP) = etop::TRACE;
    const float FOE = SCALE2.FOE;
    const float FQINCR = SCLCHR.FQINCR;
    if (T.NFQ == 0) {
        if (FOE <= 0.0f || FOE > 50.0f) {
            T.FEND = SETUPST.FOEP;
            IQ(iquale::ETOP) = etop::PREDICTED;
        } else {
            T.FEND = FOE;
            IQ(iquale::ETOP) = etop::SCALED;
        }
        const float FMINF = SCLCHR.FMINF;
        if (FMINF <= SETUPST.FOEP) T.FEND = FMINF > 0.3f ? FMINF - FQINCR + 0.2f * FQINCR : 0.0f;
    } else if (FOE <= 0.3f || FOE >= 99.0f) {
        T.FEND = SETUPST.FOEP;
    } else {
        T.FEND = grid_floor(FOE, FQINCR) + 0.2f * FQINCR;
    }
    for (int I = 1; I <= T.NFQ; ++I) {
        T.FK(I) = TRCWRK.TF(I);
        T.PPO(I) = TRCWRK.TH(I);
    }
    LAYCOF.FC(1) = T.FSTART;
    LAYCOF.FC(2) = T.FEND;
}

void setup_f1() {
    auto& T = TRCSEC;
    auto& W = TRCWRK;
    const int NFQE = W.NFQE;
    T.FSTART = LAYCOF.FC(2);
    T.NFQ = W.NFQF1;
    if (T.NFQ == 0) {
        T.FEND = T.FSTART;
    } else {
        const float FQINCR = SCLCHR.FQINCR;
        T.FEND = grid_floor(SCLCHR.FOF1, FQINCR);
        // Boundary search: last valid F1 point, first valid F2 point.
        bool f2_bottom = false;
        SETUPST.NBADF1 = 0;
        int top = 0;
        for (int I = NFQE + W.NFQF1; I >= NFQE + 1; --I) {
            if (!no_height(W.TH(I))) {
                top = I;
                break;
            }
            ++SETUPST.NBADF1;
        }
        if (top > 0) {
            SETUPST.HF1TOP = W.TH(top);
            SETUPST.FF1TOP = W.TF(top);
            SETUPST.NBADF2 = 0;
            int bottom = 0;
            for (int I = NFQE + W.NFQF1 + 1; I <= NFQE + W.NFQF1 + W.NFQF; ++I) {
                if (!no_height(W.TH(I))) {
                    bottom = I;
                    break;
                }
                ++SETUPST.NBADF2;
            }
            if (bottom > 0) {
                f2_bottom = true;
                SETUPST.HF2BOT = W.TH(bottom);
                SETUPST.FF2BOT = W.TF(bottom);
                if (SETUPST.NBADF1 != 0 || SETUPST.NBADF2 != 0) {
                    // Move the boundary and re-divide the points by frequency.
                    float& FOF1 = SCLCHR.FOF1;
                    if (SETUPST.HF1TOP > SETUPST.HF2BOT)
                        FOF1 = SETUPST.FF1TOP;
                    else
                        FOF1 = grid_floor((SETUPST.FF1TOP + SETUPST.FF2BOT) * 0.5f, FQINCR);
                    T.FEND = FOF1;
                    const int last = NFQE + W.NFQF1 + W.NFQF;
                    W.NFQF1 = 0;
                    W.NFQF = 0;
                    for (int I = NFQE + 1; I <= last; ++I) {
                        if (W.TF(I) <= FOF1)
                            ++W.NFQF1;
                        else
                            ++W.NFQF;
                    }
                    T.NFQ = W.NFQF1;
                }
            }
        }
        for (int I = 1; I <= T.NFQ; ++I) {
            T.FK(I) = W.TF(NFQE + I);
            T.PPO(I) = W.TH(NFQE + I);
        }
        // An unusable last height takes the F2 bottom height of this search;
        // without one the point stays as it is (the data selection drops it).
        if (T.NFQ > 0 && f2_bottom && no_height(T.PPO(T.NFQ))) T.PPO(T.NFQ) = SETUPST.HF2BOT;
    }
    T.NN = 5;
    LAYCOF.FC(3) = T.FEND;
}

void setup_f2() {
    auto& T = TRCSEC;
    auto& W = TRCWRK;
    if (SCALE2.IQUALE(iquale::F1_SCALED) == 0) LAYCOF.FC(3) = LAYCOF.FC(2);
    T.FSTART = LAYCOF.FC(3);
    T.NFQ = W.NFQF;
    if (T.NFQ == 0) return;
    T.FEND = grid_floor(SCLCHR.FOF2, SCLCHR.FQINCR);
    const int base = VALPAR.F1CASE == 2 ? W.NFQE : W.NFQE + W.NFQF1;
    for (int I = 1; I <= T.NFQ; ++I) {
        T.FK(I) = W.TF(base + I);
        T.PPO(I) = W.TH(base + I);
    }
    T.NN = 5;
    LAYCOF.FC(4) = T.FEND;
}

}  // namespace

void setup_new_record() { SETUPST.PREDICTED = false; }

void SETUP() {
    switch (LAYCTL.IRGN) {
        case 1: setup_e(); break;
        case 2: setup_f1(); break;
        case 3: setup_f2(); break;
        default: {
            SCALE2.IQUALE(iquale::STATUS) = status::NO_INVERSION;
            fmt::write_console(FMT_AI4, {" ILLEGAL VALUE OF IRGN=", LAYCTL.IRGN});
            fmt::write_console(FMT_A, {" DATA ERROR: NO PROFILE INVERTED!"});
        }
    }
}

}  // namespace kolm
