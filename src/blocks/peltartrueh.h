// Shared blocks of the true-height data: FLDPAR, TRCWRK, TRCSEC, LAYCTL,
// LAYCOF, YLAYER, VALPAR, DERPAR, IRIPAR, NHPROF, QPRES, EBLOCK, PREDST,
// REDHV, SMAT, PLOTWN. One instance of each for the whole run. Members that only
// one stage uses are added by that stage beside the listed ones.
#pragma once

#include <cstdint>

#include "blocks/peltarscale.h"

namespace kolm {

// Field and station parameters.
struct FldparBlock {
    float FOESQ;    // station latitude (degrees) from group 1; the inversion overwrites with foE squared
    float FMAXSQ;   // station longitude (degrees); later the maximum frequency squared
    float DIP;      // radians
    float FH;       // gyrofrequency, MHz
    float SSNREC;   // the record's own sunspot number
    float SSNDEV;   // deviation of the monthly sunspot number
    float FLD7;     // reals of the inversion
    float FLD8;
    float FMAXC;    // copy of the maximum frequency FMAX
};

// Working trace of the inversion.
struct TrcwrkBlock {
    FArray<float, MAXTRC> TF;   // trace frequencies, MHz
    FArray<float, MAXTRC> TH;   // trace virtual heights, km
    FArray<float, MAXTRC> TVM;
    FArray<float, MAXTRC> TZ;
    int16_t NFQE;
    int16_t NFQF1;
    int16_t NFQF;
};

// Profile section being solved.
struct TrcsecBlock {
    FArray<float, MAXTRC> FK;    // data frequencies, MHz
    FArray<float, MAXTRC> PPO;   // observed virtual heights, km
    FArray<float, MAXTRC> DHE;   // group-height increment of the E layer, km
    FArray<float, MAXTRC> DHV;   // group-height increment of the valley, km
    int16_t NFQ;                 // number of data points
    int16_t NN;                  // number of polynomial terms
    float FSTART;                // section start plasma frequency, MHz
    float FEND;                  // section top, MHz
    FArray2<float, MAXTERMS, MAXTERMS> CV;  // basis table, row N = polynomial N in falling powers
};

// Region index and valley.
struct LayctlBlock {
    float WOUT;     // valley width as written to the record, km
    float DOUT;     // valley depth as written to the record
    int16_t IRGN;   // region 1 E, 2 F1, 3 F2
    float W;        // valley width, km
    float D;        // valley depth
};

// Layer coefficients.
struct LaycofBlock {
    FArray<float, MAXTERMS> A;   // the section being solved
    FArray<float, 3> AE;
    FArray<float, 7> AF2;
    FArray<float, 7> AF1;
    float ZME;
    float ZMF2;
    float ZMF1;
    float LCF1;     // reals of the inversion
    float LCF2;
    FArray<float, 3> ER;   // fit errors of E, F1, F2, km
    FArray<float, 4> FC;   // boundary frequencies, MHz
    float ZHALF;           // true height where the plasma frequency is foF2/sqrt(2), km
};

// Layer semi-thicknesses.
struct YlayerBlock {
    float YE;
    float YF1;
    float YF2;
    float YX;
};

// E-F valley model and the F1 group delays.
struct ValparBlock {
    float WV1, WV2, WV3, WV4;  // the four parts of W, km
    float FVAL;                // valley-floor plasma frequency, MHz
    float FVAL0;               // plasma frequency at both valley ends, MHz
    FArray<float, 3> AVAL;     // shape coefficients of part WV2
    int32_t F1CASE;
    int32_t F1CASES;
    FArray<float, MAXTRC> DHF1;  // F1 group-height increment, km
};

// Derived parameters.
struct DerparBlock {
    float SHF;      // F-peak scale height, km
    float ITEC;     // total electron content
    float FOEP;     // predicted foE, MHz
    float FOF1P;    // predicted foF1, 999.9 none
    float FOF2P;    // predicted foF2
    float ZENITH;   // solar zenith angle, degrees, negative before local noon
    float SUNRISE;  // UT hours; 99.0 / -99.0 when the sun does not rise or set
    float SUNSET;
    float HSTART;   // start height of the E section, km
    float HSTARTF1;
    float HSTARTF2;
    FArray2<float, 5, MAXTRC> SU;  // group-delay contributions per frequency
};

// Slots of the bottomside parameters IRIPAR.V.
namespace iripar {
inline constexpr int FS = 1;    // F2 section start frequency, MHz
inline constexpr int FOF2 = 2;  // F2 peak frequency, MHz
inline constexpr int HMF2 = 3;  // F2 peak height, km
inline constexpr int B0 = 4;    // thickness of the F2 bottomside, km
inline constexpr int B1 = 5;    // shape of the F2 bottomside
inline constexpr int FOE1 = 6;  // E top below the F1 layer, MHz
inline constexpr int FOF1 = 7;  // F1 peak frequency, MHz
inline constexpr int HMF1 = 8;  // F1 peak height of the bottomside shape, km
inline constexpr int D1 = 9;    // shape of the F1 region
inline constexpr int HEF = 10;  // valley top, km
inline constexpr int HST = 11;  // height where the bottomside shape reaches foE, km
inline constexpr int HZ = 12;   // middle of the intermediate region, km
inline constexpr int T = 13;    // parameter of the intermediate region
inline constexpr int FOE = 15;  // E peak frequency, MHz
inline constexpr int HME = 16;  // E peak height, km
}  // namespace iripar

// Bottomside parameters.
struct IriparBlock {
    FArray<float, 16> V;  // slots in iripar::
    float& B0() { return V(iripar::B0); }
    float& B1() { return V(iripar::B1); }
    float& D1() { return V(iripar::D1); }
};

// Final N(h) profile.
struct NhprofBlock {
    float HSTEP;                 // table height step, km; 0 no table
    int16_t NPTH;                // at most 999
    FArray<float, MAXNH> FNTAB;  // plasma frequencies, MHz (group 52)
    FArray<float, MAXNH> HTAB;   // true heights, km (group 51)
};

// Quasi-parabolic fit.
struct QpresBlock {
    float ERRMAX;   // relative accuracy; 0 no fit
    int16_t NSEG;   // 0..20
    FArrayLo<double, 0, MAXQPSEG> RSEG;
    FArray<double, MAXQPSEG> ASEG;
    FArray<double, MAXQPSEG> BSEG;
    FArray<double, MAXQPSEG> CSEG;
    FArray<float, MAXQPSEG> ESEG;
};

// Points of the quasi-parabolic fit, ascending height; the count is the fit's own.
struct QpworkBlock {
    FArray<double, MAXQPPTS> RQ;   // radius, km, to 0.001 km
    FArray<double, MAXQPPTS> XQ;   // 1/RQ
    FArray<double, MAXQPPTS> YQ;   // plasma frequency squared, MHz**2
};

// E-layer block.
struct EblockBlock {
    FArray<float, MAXEPTS> EF;   // MHz
    FArray<float, MAXEPTS> EH;   // km
    float EFEND;                 // > 0 when a profile exists
    FArray<float, 3> EA;
    float EZM;
    float EERR;
    float EH0;
    int32_t ENTAB;
};

// Prediction state: the month cache of the monthly sunspot lookup, shared by
// the inversion driver and PREDICT, and a real never changed. The cache is
// keyed by year and month (the same month of another year must not reuse the
// number): whoever first sees TIMEBK's (IYR4, MONTH) differ from (IYR4, MONTH)
// here stores both and calls SSN_NOAA(IYR4, MONTH, SSNM, SSNDEV). The
// inversion driver keeps SSNM and SSNDEV for the cached month and sets ISSN to
// SSNM truncated only when SSNM >= 0; SSNM = -1 (no monthly value) leaves the
// record's own sunspot number in ISSN.
struct PredstBlock {
    int16_t MONTH;   // -1 at start
    float PRED2;     // -100.0 at start
    int16_t IYR4;    // -1 at start
};

// URSI foF2 map coefficients of the month, D(k,i,s): Fourier coefficient k
// (1..13) of geographic coefficient i (1..76) at sunspot level s (1: sunspot
// number 0, 2: sunspot number 100). A prediction writes the set interpolated
// for its sunspot number over level 1.
struct UrsicfBlock {
    FArray2<float, 13, 76> D1;
    FArray2<float, 13, 76> D2;
};

// Reduced virtual heights left by the least-squares fit.
struct RedhvBlock {
    FArray<float, MAXTRC> REDHV;
};

// Virtual-height kernel and the solvers' check flags.
struct SmatBlock {
    FArray2<float, MAXTERMS, MAXTRC> S;  // km per unit coefficient: (basis term, data point)
    int16_t NG;       // Gauss points, 16
    int16_t KCHK;     // check code of the last section solution
    int16_t KCHKE;    // E check code
    int16_t KCHKF1;   // F1 root flag
    int16_t KCHKF2;   // F2 root flag
};

// Squared data frequencies of the section and their excess over FSTART squared.
struct FsqrBlock {
    FArray<float, MAXTRC> FSQ;   // FK(K)**2, MHz**2
    FArray<float, MAXTRC> FSQD;  // FK(K)**2 - FSTART**2 when positive, else 0
};

// Slots of the plot window PLOTWN.P.
namespace plotwn {
inline constexpr int XMAX = 1;      // window width in pixels - 1
inline constexpr int YMAX = 2;      // window height in pixels - 1
inline constexpr int LEFT = 3;      // frame left X0
inline constexpr int TOP = 4;       // frame top Y0
inline constexpr int RIGHT = 5;     // frame right X1
inline constexpr int BOTTOM = 6;    // frame bottom Y1
inline constexpr int FSCALE = 7;    // frequency scale S: 1, or 2 above 13 MHz
inline constexpr int STATION = 8;   // station number of the record
inline constexpr int GRAPHICS = 9;  // graphics on: drawing routines draw only while it is not 0
}  // namespace plotwn

// Plot window, nine 32-bit integers (see the graphics window set-up).
struct PlotwnBlock {
    FArray<int32_t, 9> P;  // slots in plotwn::
};

extern FldparBlock FLDPAR;
extern TrcwrkBlock TRCWRK;
extern TrcsecBlock TRCSEC;
extern LayctlBlock LAYCTL;
extern LaycofBlock LAYCOF;
extern YlayerBlock YLAYER;
extern ValparBlock VALPAR;
extern DerparBlock DERPAR;
extern IriparBlock IRIPAR;
extern NhprofBlock NHPROF;
extern QpresBlock QPRES;
extern QpworkBlock QPWORK;
extern EblockBlock EBLOCK;
extern PredstBlock PREDST;
extern UrsicfBlock URSICF;
extern RedhvBlock REDHV;
extern SmatBlock SMAT;
extern PlotwnBlock PLOTWN;
extern FsqrBlock FSQR;

}  // namespace kolm
