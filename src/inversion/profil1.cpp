// Inversion driver.
#include "inversion/profil1.h"

#include <cmath>
#include <cstring>

#include "blocks/peltarscale.h"
#include "blocks/peltartrueh.h"
#include "blocks/run_state.h"
#include "blocks/status.h"
#include "inversion/gauss_integral.h"
#include "inversion/layer_sequence.h"
#include "inversion/profile_table.h"
#include "inversion/section_setup.h"
#include "inversion/working_trace.h"
#include "models/calendar.h"
#include "models/sunspot.h"
#include "models/table_files.h"
#include "notation/fixed_format.h"

namespace kolm {

Profil1State PROFIL1ST;

namespace {

const RunStateReset reset_profil1([] { PROFIL1ST = Profil1State{}; });

const fmt::Format FMT_A2F104("(A,2F10.4)");
const fmt::Format FMT_A("(A)");

// Basis polynomial N in falling powers: 2 sqrt(X) d/dX [sqrt(X) T*(N-1, X)].
constexpr float CVROWS[MAXTERMS][MAXTERMS] = {
    {1},
    {6, -1},
    {40, -24, 1},
    {224, -240, 54, -1},
    {1152, -1792, 800, -96, 1},
    {5632, -11520, 7840, -2000, 150, -1},
    {26624, -67584, 62208, -25088, 4200, -216, 1},
    {122880, -372736, 433664, -241920, 65856, -7840, 294, -1},
};

// Every result of the previous record, so that a record that fails is never
// reported with another record's profile.
void reset_results() {
    std::memcpy(SAOHDR.VERSION, VERSION_TEXT, 8);
    SMAT.KCHK = SMAT.KCHKE = SMAT.KCHKF1 = SMAT.KCHKF2 = 0;
    LAYCOF.ER.fill(0.0f);
    auto& IQ = SCALE2.IQUALE;
    IQ(iquale::STATUS) = status::NO_INVERSION;
    IQ(iquale::F2_CHECK) = IQ(iquale::E_CHECK) = IQ(iquale::F1_CHECK) = IQ(iquale::UNUSED9) = IQ(iquale::F1_RETRY) = IQ(iquale::F2_RETRY) = IQ(iquale::E_FITTED) = 0;
    TRCSEC.NN = 0;
    LAYCOF.FC.fill(0.0f);
    YLAYER.YE = YLAYER.YF1 = YLAYER.YF2 = NOTCOMPUTED;
    IRIPAR.B0() = IRIPAR.B1() = IRIPAR.D1() = NOTCOMPUTED;
    DERPAR.SHF = DERPAR.ITEC = NOTCOMPUTED;
    QPRES.NSEG = 0;
    // Working trace, section data, coefficient sets, peak heights.
    TRCWRK.TF.fill(0.0f);
    TRCWRK.TH.fill(0.0f);
    TRCWRK.TVM.fill(0.0f);
    TRCWRK.TZ.fill(0.0f);
    TRCSEC.FK.fill(0.0f);
    TRCSEC.PPO.fill(0.0f);
    LAYCOF.AE.fill(0.0f);
    LAYCOF.AF1.fill(0.0f);
    LAYCOF.AF2.fill(0.0f);
    LAYCOF.A.fill(0.0f);
    LAYCOF.ZME = LAYCOF.ZMF2 = LAYCOF.ZMF1 = 0.0f;
    SMAT.NG = NGAUSS;
    LAYCTL.WOUT = LAYCTL.DOUT = 0.0f;
    // The N(h) table and the E-block fit results (its input arrays stay).
    NHPROF.NPTH = 0;
    EBLOCK.EFEND = 0.0f;
    EBLOCK.EA.fill(0.0f);
    EBLOCK.EZM = EBLOCK.EERR = EBLOCK.EH0 = 0.0f;
    EBLOCK.ENTAB = 0;
    setup_new_record();
}

// Four-digit year, month and day of month; false when the day of year has
// no month (day 366 of a common year).
bool complete_date() {
    auto& T = TIMEBK;
    T.IYR4 = T.IYR;
    if (T.IYR < 1000) T.IYR4 = static_cast<int16_t>(T.IYR > 70 ? T.IYR + 1900 : T.IYR + 2000);
    month_of_day(T.IYR4, T.IDAY, T.MONTH, T.MDAY);
    return T.IDAY >= 1 && T.IDAY <= 365 + (leap_year(T.IYR4) ? 1 : 0);
}

// Monthly sunspot number, looked up once per (year, month).
void update_sunspot() {
    auto& T = TIMEBK;
    if (PREDST.MONTH != T.MONTH || PREDST.IYR4 != T.IYR4) {
        PREDST.MONTH = T.MONTH;
        PREDST.IYR4 = T.IYR4;
        SSN_NOAA(T.IYR4, T.MONTH, PROFIL1ST.SSNM, FLDPAR.SSNDEV);
    }
    // A month without a value keeps the record's own number.
    if (PROFIL1ST.SSNM >= 0.0f) OPTS.ISSN = static_cast<int16_t>(std::trunc(PROFIL1ST.SSNM));
}

// End step of every record that passed the parameter check.
void finish() {
    SCALE2.IQUALE(iquale::ETOP_COPY) = 0;
    TOPELTAR();
}

}  // namespace

void SETCV() {
    TRCSEC.CV.fill(0.0f);
    for (int N = 1; N <= MAXTERMS; ++N)
        for (int I = 1; I <= N; ++I) TRCSEC.CV(N, I) = CVROWS[N - 1][I - 1];
}

void PROFIL1() {
    reset_results();
    recheck_model_tables();
    FLDPAR.SSNREC = static_cast<float>(OPTS.ISSN);
    if (!complete_date()) {
        // No month: no sunspot lookup, no prediction, no inversion.
        finish();
        return;
    }
    update_sunspot();

    FLDPAR.DIP = SCLCHR.DIP;
    FLDPAR.FH = 2.0f * SCLCHR.FH2;
    const float FQINCR = SCLCHR.FQINCR;
    if (FLDPAR.FH <= 0.0f || FQINCR <= 0.0f) {
        fmt::write_console(FMT_A2F104, {"     DIP ANGLE(RADIANS), GYROFREQUENCY (MHZ)=", FLDPAR.DIP, FLDPAR.FH});
        fmt::write_console(FMT_A2F104, {"     FQINCR (MHZ)=", FQINCR});
        fmt::write_console(FMT_A, {"      DATA ERROR: INVERSION IS IMPOSSIBLE!"});
        return;
    }
    SETCV();

    auto& IQ = SCALE2.IQUALE;
    if (SCLCHR.FOF2 < 100.0f && SCLCHR.IFOM > MAXTRC) {
        IQ(iquale::STATUS) = status::F2_TRACE;
        finish();
        return;
    }
    float& FMAX = SAOHDR.REALIN(realin::FMAX);
    if (FMAX <= SCLCHR.FOF2) FMAX = SCLCHR.FOF2 + FQINCR / 10.0f;
    FLDPAR.FMAXC = FMAX;
    FLDPAR.FMAXSQ = FMAX * FMAX;
    IQ(iquale::ETOP_COPY) = IQ(iquale::ETOP);
    if (IQ(iquale::ETOP) > 0) FLDPAR.FOESQ = SCALE2.FOE * SCALE2.FOE;
    IQ(iquale::F1_SCALED) = SCLCHR.FOF1 > NO_F1_FOF1 ? 0 : 1;

    int16_t IOK = 0;
    SETRCE(IOK);
    if (IOK == 1) DECIDE();
    finish();
}

}  // namespace kolm
