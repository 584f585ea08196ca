// Layer sequence of the inversion.
#include "inversion/layer_sequence.h"

#include <cmath>

#include "blocks/peltarscale.h"
#include "blocks/peltartrueh.h"
#include "blocks/run_state.h"
#include "blocks/status.h"
#include "inversion/e_block_fit.h"
#include "inversion/e_layer.h"
#include "inversion/f1_layer.h"
#include "inversion/f2_layer.h"
#include "inversion/gauss_integral.h"
#include "inversion/nh_table.h"
#include "inversion/peak_fit.h"
#include "inversion/stage_plots.h"
#include "inversion/valley.h"
#include "models/qp_fit.h"

namespace kolm {

FieldTermState FIELDST;

namespace {

const RunStateReset reset_field([] { FIELDST = FieldTermState{}; });

constexpr float MAXDIP = 1.569051f;

// Steps 5 to 11: valley, F1, F2 and the final table; any failure status
// ends them (the sequence goes on with the E-block fit).
void layers_above_e() {
    auto& IQ = SCALE2.IQUALE;
    // 5. Valley.
    MAHAGULY();
    if (IQ(iquale::STATUS) != status::PROFILE_OBTAINED) return;
    EVFPLOT(evf::VALLEY);

    // 6.-8. F1 layer, when one is scaled; without trace points the F2 stage derives it.
    if (SCLCHR.FOF1 <= NO_F1_FOF1) {
        F1PROF(LAYCOF.ER(2));
        if (VALPAR.F1CASE != 2) {
            if (IQ(iquale::STATUS) != status::PROFILE_OBTAINED) return;
            HEIGHTCHK();
            if (IQ(iquale::STATUS) > status::PROFILE_OBTAINED) return;
            PARAFITF();
            EVFPLOT(evf::F1_LAYER);
            EVFPLOT(evf::NONE);
        }
    }
    // 9. F2 layer, with its height check and 1 km table.
    FPROF(LAYCOF.ER(3));
    if (IQ(iquale::STATUS) != status::PROFILE_OBTAINED || SMAT.KCHK > 0) return;
    // 10. Semi-thickness of the F2 layer and its plots.
    PARAFITF();
    EVFPLOT(evf::F2_LAYER);
    EVFPLOT(evf::NONE);
    // 11. Quasi-parabolic segments of the 1 km table, then the final table.
    QPFIT();
    NHTABLE(1);
}

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
    SMAT.NG = NGAUSS;
    IQ(iquale::STATUS) = status::PROFILE_OBTAINED;
    IQ(iquale::F2_CHECK) = IQ(iquale::E_CHECK) = IQ(iquale::F1_CHECK) = IQ(iquale::F1_RETRY) = IQ(iquale::F2_RETRY) = 0;

    // 4. E layer.
    EPROF(LAYCOF.ER(1));
    if (IQ(iquale::STATUS) == status::PROFILE_OBTAINED) {
        EVFPLOT(evf::E_LAYER);
        EVFPLOT(evf::NONE);
        layers_above_e();
    }
    // 12. E-block fit, for every record that reaches the sequence.
    EAPROF(EBLOCK.EERR);
}

}  // namespace kolm
