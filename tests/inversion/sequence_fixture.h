// The layers of a record solved up to and including the F2 stage, with that
// stage's section data and the boundaries in their mid-inversion meaning
// left in place, for the tests that look at the F stages' own state.
//
// PROFIL1 runs first (date, sunspot number, predictions, field terms); the
// E-block fit and the end step that close it overwrite the section data and
// put the boundaries into output order. The record is therefore decoded
// again and its stages up to F2 run once more, in the layer sequence's order
// with their stage plots (which leave the section state as the sequence does).
#pragma once

#include "blocks/peltarscale.h"
#include "blocks/peltartrueh.h"
#include "blocks/status.h"
#include "inversion/e_layer.h"
#include "inversion/f1_layer.h"
#include "inversion/f2_layer.h"
#include "inversion/gauss_integral.h"
#include "inversion/peak_fit.h"
#include "inversion/profil1.h"
#include "inversion/stage_plots.h"
#include "inversion/valley.h"
#include "inversion/working_trace.h"
#include "record_fixture.h"

namespace kolm::testrec {

inline void solve_through_f2(const Record& r) {
    load(r);
    PROFIL1();
    if (SCALE2.IQUALE(2) != status::PROFILE_OBTAINED) return;
    // The record's predictions, which decoding it again would replace.
    auto& R = SAOHDR.REALIN;
    const float p43 = R(43), p44 = R(44), p46 = R(46);
    const float foep = DERPAR.FOEP, fof1p = DERPAR.FOF1P, fof2p = DERPAR.FOF2P;
    load(r);
    R(43) = p43, R(44) = p44, R(46) = p46;
    DERPAR.FOEP = foep, DERPAR.FOF1P = fof1p, DERPAR.FOF2P = fof2p;
    LAYCOF.FC.fill(0.0f);
    LAYCOF.ER.fill(0.0f);
    SMAT.KCHK = SMAT.KCHKE = SMAT.KCHKF1 = SMAT.KCHKF2 = 0;
    int16_t iok = 0;
    SETRCE(iok);
    if (iok != 1) return;
    // The layer sequence up to the F2 stage.
    for (int K = 1; K <= MAXTRC; ++K) TRCSEC.DHE(K) = TRCSEC.DHV(K) = VALPAR.DHF1(K) = 0.0f;
    SMAT.NG = 16;
    forget_group_indices();
    auto& IQ = SCALE2.IQUALE;
    IQ(2) = status::PROFILE_OBTAINED;
    IQ(3) = IQ(7) = IQ(8) = IQ(11) = IQ(12) = 0;
    EPROF(LAYCOF.ER(1));
    if (IQ(2) != status::PROFILE_OBTAINED) return;
    EVFPLOT(1);
    EVFPLOT(5);
    MAHAGULY();
    if (IQ(2) != status::PROFILE_OBTAINED) return;
    EVFPLOT(2);
    if (SCLCHR.FOF1 <= 50.0f) {
        F1PROF(LAYCOF.ER(2));
        if (VALPAR.F1CASE != 2) {
            if (IQ(2) != status::PROFILE_OBTAINED) return;
            HEIGHTCHK();
            if (IQ(2) > status::PROFILE_OBTAINED) return;
            PARAFITF();
            EVFPLOT(3);
            EVFPLOT(5);
        }
    }
    FPROF(LAYCOF.ER(3));
}

}  // namespace kolm::testrec
