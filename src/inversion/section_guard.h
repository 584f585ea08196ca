// The section being solved, kept across a routine that loads another
// section into TRCSEC to integrate through it (the E layer, the valley, the
// F1 layer below the section) and put back when the routine's scope ends.
#pragma once

#include <cstdint>

#include "blocks/peltartrueh.h"

namespace kolm {

class SectionGuard {
public:
    enum class Keep {
        range,        // FSTART and FEND
        section,      // FSTART, FEND and NN
        first_point,  // FSTART, FEND, NN, NFQ, FK(1) and the kernel column S(.,1)
    };

    explicit SectionGuard(Keep what) : what_(what), fstart_(TRCSEC.FSTART), fend_(TRCSEC.FEND), nn_(TRCSEC.NN) {
        if (what_ != Keep::first_point) return;
        nfq_ = TRCSEC.NFQ;
        fk1_ = TRCSEC.FK(1);
        for (int N = 1; N <= MAXTERMS; ++N) s1_[N - 1] = SMAT.S(N, 1);
    }

    ~SectionGuard() {
        TRCSEC.FSTART = fstart_;
        TRCSEC.FEND = fend_;
        if (what_ == Keep::range) return;
        TRCSEC.NN = nn_;
        if (what_ != Keep::first_point) return;
        TRCSEC.NFQ = nfq_;
        TRCSEC.FK(1) = fk1_;
        for (int N = 1; N <= MAXTERMS; ++N) SMAT.S(N, 1) = s1_[N - 1];
    }

    SectionGuard(const SectionGuard&) = delete;
    SectionGuard& operator=(const SectionGuard&) = delete;

private:
    Keep what_;
    float fstart_, fend_;
    int16_t nn_;
    int16_t nfq_ = 0;
    float fk1_ = 0.0f;
    float s1_[MAXTERMS] = {};
};

}  // namespace kolm
