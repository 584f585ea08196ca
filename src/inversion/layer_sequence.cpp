// Layer sequence of the inversion.
#include "inversion/layer_sequence.h"

#include <cmath>

#include "blocks/peltarscale.h"
#include "blocks/peltartrueh.h"
#include "blocks/run_state.h"
#include "inversion/e_layer.h"
#include "inversion/gauss_integral.h"
#include "inversion/status.h"

namespace kolm {

FieldTermState FIELDST;

namespace {

const RunStateReset reset_field([] { FIELDST = FieldTermState{}; });

constexpr float MAXDIP = 1.569051f;

}  // namespace

void DECIDE() {
    auto& IQ = SCALE2.IQUALE;
    // 1. Clamps.
    if (FLDPAR.FH < 1.0e-7f) FLDPAR.FH = 1.0e-7f;
    if (std::fabs(FLDPAR.DIP) > MAXDIP) FLDPAR.DIP = MAXDIP;
    // 2. Field terms, recomputed whenever the record's dip differs from the
    // one they were computed for (records of different stations in one run).
    if (!FIELDST.DONE || FIELDST.FIELDDIP != FLDPAR.DIP) {
        GOGXCOM(FLDPAR.DIP);
        FIELDST.DONE = true;
        FIELDST.FIELDDIP = FLDPAR.DIP;
    }
    // 3. Clears.
    for (int K = 1; K <= MAXTRC; ++K) {
        TRCSEC.DHE(K) = 0.0f;
        TRCSEC.DHV(K) = 0.0f;
        VALPAR.DHF1(K) = 0.0f;
    }
    SMAT.NG = 16;
    IQ(2) = status::PROFILE_OBTAINED;
    IQ(3) = IQ(7) = IQ(8) = IQ(11) = IQ(12) = 0;

    // 4. E layer.
    EPROF(LAYCOF.ER(1));
    if (IQ(2) == status::PROFILE_OBTAINED) {
        // Plots of the E layer (stages 1 and 5) go here.

        // LATER STAGES, in this order, each ending the sequence (to the
        // E-block fit) when IQUALE(2) is no longer 2:
        //  5. valley: MAHAGULY; plot stage 2.
        //  6. when FOF1 > 50.0 go to 9.
        //  7. F1 layer: F1PROF(ER(2)); F1CASE = 2 goes to 9.
        //  8. HEIGHTCHK (status above 2 ends); PARAFITF; plot stages 3, 5.
        //  9. F2 layer: FPROF(ER(3)); also ends when KCHK > 0.
        // 10. PARAFITF; plot stages 4, 5.
        // 11. QPFIT; NHTABLE(1).
    }
    // 12. E-block fit, for every record that reaches the sequence:
    //     EAPROF(EBLOCK.EERR) goes here.
}

}  // namespace kolm
