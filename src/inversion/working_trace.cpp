// Working trace of the inversion.
#include "inversion/working_trace.h"

#include "blocks/peltarscale.h"
#include "blocks/peltartrueh.h"
#include "blocks/status.h"
#include "inversion/stage_plots.h"

namespace kolm {

namespace {

constexpr float TOL = 0.0001f;

bool row_in_arrays(int I) { return I >= 1 && I <= MAXTRC; }

}  // namespace

void SETRCE(int16_t& IOK) {
    auto& W = TRCWRK;
    const auto& R = TRCRAW;
    const float FQINCR = SCLCHR.FQINCR;
    int K = 0;
    W.NFQE = W.NFQF1 = W.NFQF = 0;
    IOK = 0;
    // Adds a point; false when the list is full.
    auto add = [&](float F, float H, int16_t& count) {
        if (K >= MAXTRC) return false;
        ++K;
        W.TF(K) = F;
        W.TH(K) = H;
        ++count;
        return true;
    };
    auto reject = [&] {
        SCALE2.IQUALE(iquale::STATUS) = status::NO_INVERSION;
        IOK = 0;
    };

    // E part.
    const int MINFE = SCALE2.MINFE, IFOE = SCALE2.IFOE;
    const float FMINE = SCALE2.FMINE, FOE = SCALE2.FOE;
    if (!(MINFE <= 0 || MINFE > 900 || FMINE > 900.0f || FOE <= 0.0f || FOE > 100.0f || IFOE < MINFE)) {
        if (!row_in_arrays(IFOE)) return reject();
        for (int I = MINFE; I <= IFOE; ++I) {
            const float F = static_cast<float>(I - MINFE) * FQINCR + FMINE;
            if (F > FOE + TOL) return reject();
            const float H = R.TRACEL(I, 3);
            if (H > 0.0f && H < 999.0f && !add(F, H, W.NFQE)) return reject();
        }
    }

    // F set-up; an unusable FMINF skips the whole F part.
    int I1 = SCLCHR.MINFF;
    float FS = 0.0f, FLIM = 0.0f;
    if (I1 >= NOPOINT || SCLCHR.FMINF > 100.0f) {
        I1 = NOPOINT;
    } else {
        FS = SCLCHR.FMINF;
        FLIM = FOE;
        if (FOE <= 0.0f || FOE > 10.0f) FLIM = DERPAR.FOEP;
        if (SCLCHR.FMINF - FQINCR < FLIM) FLIM = SCLCHR.FMINF - FQINCR;

        // F1 part.
        if (SCALE2.IQUALE(iquale::F1_SCALED) == 1 && SCLCHR.IFOF1 >= SCLCHR.MINFF) {
            const int MINFF = SCLCHR.MINFF, IFOF1 = SCLCHR.IFOF1;
            if (!row_in_arrays(MINFF) || !row_in_arrays(IFOF1)) return reject();
            float F = 0.0f;
            for (int I = MINFF; I <= IFOF1; ++I) {
                F = static_cast<float>(I - MINFF) * FQINCR + SCLCHR.FMINF;
                if (F <= FLIM - TOL || F > SCLCHR.FOF1 + TOL) return reject();
                const int16_t idx = R.ITRCF(I, 2);
                if (idx > 0 && idx < 512 && !add(F, R.TRACEL(I, 2), W.NFQF1)) return reject();
            }
            I1 = IFOF1 + 1;
            FS = F + FQINCR;
            FLIM = SCLCHR.FOF1;
        }
    }

    // F2 part.
    const int IFOM = SCLCHR.IFOM;
    if (!(I1 >= NOPOINT || (SCLCHR.FOF2 < 100.0f && IFOM < I1)) && I1 <= IFOM) {
        if (!row_in_arrays(I1) || !row_in_arrays(IFOM)) return reject();
        for (int I = I1; I <= IFOM; ++I) {
            const float F = static_cast<float>(I - I1) * FQINCR + FS;
            if (F <= FLIM - TOL || F > SCLCHR.FOF2 + TOL) return reject();
            const int16_t idx = R.ITRCF(I, 2);
            if (idx > 0 && idx < 512 && !add(F, R.TRACEL(I, 2), W.NFQF)) return reject();
        }
    }

    if (K == 0) return reject();
    IOK = 1;
    EVFPLOT(evf::TRACE);
}

}  // namespace kolm
