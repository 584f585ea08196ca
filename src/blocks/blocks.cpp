// The one instance of each shared block, and the start-of-run reset.
#include <cstring>
#include <vector>

#include "blocks/peltarscale.h"
#include "blocks/peltartrueh.h"
#include "blocks/run_state.h"

namespace kolm {

SclchrBlock SCLCHR;
Scale2Block SCALE2;
TimebkBlock TIMEBK;
TrcrawBlock TRCRAW;
SaohdrBlock SAOHDR;
OptsBlock OPTS;

FldparBlock FLDPAR;
TrcwrkBlock TRCWRK;
TrcsecBlock TRCSEC;
LayctlBlock LAYCTL;
LaycofBlock LAYCOF;
YlayerBlock YLAYER;
ValparBlock VALPAR;
DerparBlock DERPAR;
IriparBlock IRIPAR;
NhprofBlock NHPROF;
QpresBlock QPRES;
QpworkBlock QPWORK;
EblockBlock EBLOCK;
PredstBlock PREDST;
UrsicfBlock URSICF;
RedhvBlock REDHV;
SmatBlock SMAT;
PlotwnBlock PLOTWN;
FsqrBlock FSQR;

namespace {

std::vector<std::function<void()>>& registry() {
    static std::vector<std::function<void()>> fns;
    return fns;
}

template <class T>
void zero(T& block) {
    static_assert(std::is_trivially_copyable_v<T>);
    std::memset(static_cast<void*>(&block), 0, sizeof block);
}

void reset_blocks() {
    zero(SCLCHR); zero(SCALE2); zero(TIMEBK); zero(TRCRAW); zero(SAOHDR); zero(OPTS);
    zero(FLDPAR); zero(TRCWRK); zero(TRCSEC); zero(LAYCTL); zero(LAYCOF); zero(YLAYER);
    zero(VALPAR); zero(DERPAR); zero(IRIPAR); zero(NHPROF); zero(QPRES); zero(QPWORK); zero(EBLOCK);
    zero(PREDST); zero(REDHV); zero(SMAT); zero(PLOTWN); zero(URSICF); zero(FSQR);
    PREDST.MONTH = -1;
    PREDST.PRED2 = -100.0f;
    PREDST.IYR4 = -1;
}

// Blocks start a run at their start values even before the first reset call.
const bool blocks_initialised = (reset_blocks(), true);

}  // namespace

RunStateReset::RunStateReset(std::function<void()> fn) { registry().push_back(std::move(fn)); }

void reset_run_state() {
    reset_blocks();
    for (auto& fn : registry()) fn();
}

}  // namespace kolm
