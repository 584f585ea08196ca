// E-layer solution.
#include "inversion/e_layer.h"

#include <cmath>

#include "blocks/peltarscale.h"
#include "blocks/peltartrueh.h"
#include "blocks/status.h"
#include "inversion/data_selection.h"
#include "inversion/gauss_integral.h"
#include "inversion/section_guard.h"
#include "inversion/section_setup.h"
#include "inversion/stage_plots.h"
#include "inversion/starting_shapes.h"
#include "notation/fixed_format.h"

namespace kolm {

namespace {

const fmt::Format FMT_A2F83("(A,2F8.3)");
const fmt::Format FMT_A("(A)");

}  // namespace

void EPROF(float& ERR) {
    auto& AE = LAYCOF.AE;
    auto& IQ = SCALE2.IQUALE;
    AE.fill(0.0f);
    SMAT.KCHKE = 0;
    ERR = 0.0f;
    LAYCTL.IRGN = 1;
    SETUP();
    if (TRCSEC.FSTART >= TRCSEC.FEND) {
        IQ(iquale::STATUS) = status::E_RANGE;
        fmt::write_console(FMT_A2F83, {" E LAYER: FSTART,FEND=", TRCSEC.FSTART, TRCSEC.FEND});
        fmt::write_console(FMT_A, {" DATA ERROR: E-REGION FREQUENCY RANGE ERROR!"});
        return;
    }
    DATAEFFE();
    EVFPLOT(evf::DATA);
    float E = 0.0f;
    ECHAPMAN(E);
    ERR = E;
    float AMAX = 0.0f;
    bool finite = std::isfinite(LAYCOF.ZME) && std::isfinite(E) && std::isfinite(DERPAR.HSTART) &&
                  std::isfinite(YLAYER.YE);
    for (int I = 1; I <= TRCSEC.NN; ++I) {
        finite = finite && std::isfinite(AE(I));
        AMAX = std::fmax(AMAX, std::fabs(AE(I)));
    }
    if (!finite || LAYCOF.ZME < 50.0f || LAYCOF.ZME > 180.0f || AMAX > 999.0f) {
        IQ(iquale::STATUS) = status::E_TRACE;
        return;
    }
    SMAT.KCHKE = 0;
    IQ(iquale::E_CHECK) = SMAT.KCHKE;
}

void FNDDHE() {
    auto& T = TRCSEC;
    for (int K = 1; K <= MAXTRC; ++K) T.DHE(K) = 0.0f;
    const SectionGuard keep(SectionGuard::Keep::section);
    T.FSTART = LAYCOF.FC(1);
    T.FEND = LAYCOF.FC(2);
    T.NN = 3;
    SIKP(T.FEND);
    const auto& SU = DERPAR.SU;
    const auto& AE = LAYCOF.AE;
    for (int K = 1; K <= T.NFQ; ++K) {
        float sum = 0.0f;
        for (int J = 1; J <= 3; ++J) sum += SU(J, K) * AE(J);
        float d = DERPAR.HSTART + sum;
        if (d < LAYCOF.ZME) d = LAYCOF.ZME;
        T.DHE(K) = d;
    }
}

}  // namespace kolm
