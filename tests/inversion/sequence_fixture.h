// The blocks of a record as its F2 stage plot sees them, for the tests that
// look at the F stages' own state: the layers solved up to and including the
// F2 stage, the F2 section and its data loaded, the boundaries in their
// mid-inversion meaning.
//
// The record runs through PROFIL1 as in a run; a drawing side installed for
// the run takes a copy of the blocks when the F2 stage draws its topside,
// and the copy is put back once PROFIL1 has ended (the steps after the F2
// stage, the E-block fit and the end step, overwrite the section data and
// put the boundaries into output order). The semi-thickness fit before the
// plot leaves the upper half of the layer loaded: the section gets its own
// start back.
#pragma once

#include <memory>

#include <gtest/gtest.h>

#include "blocks/peltarscale.h"
#include "blocks/peltartrueh.h"
#include "blocks/status.h"
#include "inversion/inversion_test.h"
#include "inversion/profil1.h"
#include "inversion/stage_plots.h"
#include "inversion/synthetic_record.h"
#include "inversion/xray_virtual.h"
#include "record_fixture.h"

namespace kolm::testrec {

// The shared blocks, copied and put back as a whole.
struct BlockCopy {
    SclchrBlock sclchr = SCLCHR;
    Scale2Block scale2 = SCALE2;
    TimebkBlock timebk = TIMEBK;
    TrcrawBlock trcraw = TRCRAW;
    SaohdrBlock saohdr = SAOHDR;
    OptsBlock opts = OPTS;
    FldparBlock fldpar = FLDPAR;
    TrcwrkBlock trcwrk = TRCWRK;
    TrcsecBlock trcsec = TRCSEC;
    LayctlBlock layctl = LAYCTL;
    LaycofBlock laycof = LAYCOF;
    YlayerBlock ylayer = YLAYER;
    ValparBlock valpar = VALPAR;
    DerparBlock derpar = DERPAR;
    IriparBlock iripar = IRIPAR;
    NhprofBlock nhprof = NHPROF;
    QpresBlock qpres = QPRES;
    QpworkBlock qpwork = QPWORK;
    EblockBlock eblock = EBLOCK;
    PredstBlock predst = PREDST;
    UrsicfBlock ursicf = URSICF;
    RedhvBlock redhv = REDHV;
    SmatBlock smat = SMAT;
    PlotwnBlock plotwn = PLOTWN;
    FsqrBlock fsqr = FSQR;
    XraywkBlock xraywk = XRAYWK;

    void restore() const {
        SCLCHR = sclchr, SCALE2 = scale2, TIMEBK = timebk, TRCRAW = trcraw, SAOHDR = saohdr, OPTS = opts;
        FLDPAR = fldpar, TRCWRK = trcwrk, TRCSEC = trcsec, LAYCTL = layctl, LAYCOF = laycof, YLAYER = ylayer;
        VALPAR = valpar, DERPAR = derpar, IRIPAR = iripar, NHPROF = nhprof, QPRES = qpres, QPWORK = qpwork;
        EBLOCK = eblock, PREDST = predst, URSICF = ursicf, REDHV = redhv, SMAT = smat, PLOTWN = plotwn, FSQR = fsqr;
        XRAYWK = xraywk;
    }
};

// Draws nothing; copies the blocks at the F2 stage's topside.
class F2StageCopy final : public StageDrawing {
public:
    std::unique_ptr<BlockCopy> copy;
    bool active() const override { return false; }
    void trace() override {}
    void header() override {}
    void section(int32_t, float, float, float, int32_t, const float*) override {}
    void valley(float, float, float, const float*, float, float) override {}
    void topside(int16_t, int16_t) override { copy = std::make_unique<BlockCopy>(); }
    void data(int32_t) override {}
    void curve(int32_t, const CurvePoint*, int32_t) override {}
};

// The record through PROFIL1, the blocks left as the F2 stage plot saw them.
// A record that does not reach the F2 stage plot keeps the state PROFIL1
// left (its status tells why).
inline void solve_through_f2(const Record& r) {
    load(r);
    F2StageCopy at_f2;
    set_stage_drawing(&at_f2);
    PROFIL1();
    set_stage_drawing(nullptr);
    if (!at_f2.copy) return;
    at_f2.copy->restore();
    TRCSEC.FSTART = LAYCOF.FC(3);
}

// Tests on the synthetic day sounding with an F1 layer, solved up to its F2
// stage with a 1 km table: the F2 section is loaded.
class SolvedDayTest : public InversionTest {
protected:
    void solve_day() {
        float first_f;
        NHPROF.HSTEP = 1.0f;
        solve_through_f2(synth::make_record({"day, F1", synth::day(true, 11), true, 4.3, 11, 0.2f}, first_f));
        ASSERT_EQ(SCALE2.IQUALE(iquale::STATUS), status::PROFILE_OBTAINED);
        ASSERT_EQ(LAYCTL.IRGN, 3);
    }
};

}  // namespace kolm::testrec
