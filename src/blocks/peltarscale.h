// Shared blocks of the scaled-ionogram data: SCLCHR, SCALE2, TIMEBK, TRCRAW,
// SAOHDR, OPTS. One instance of each for the whole run; the routines read
// and write them directly. Members are in declaration order; members that
// only one stage uses are added by that stage beside the listed ones.
#pragma once

#include <cstdint>

#include "blocks/farray.h"

namespace kolm {

// Markers.
inline constexpr int16_t NOPOINT = 9999;        // no trace point / no frequency index
inline constexpr float NOHEIGHT = 999.9f;       // no trace height or frequency; a characteristic not given
inline constexpr float NOTCOMPUTED = 9999.0f;   // quantity not computed
inline constexpr float UNDEFINED_BASE = -999.0f; // start height not defined

// The program's version text, stamped into SAOHDR.VERSION (8 characters).
inline constexpr char VERSION_TEXT[9] = "VS.04.30";

// foF1 from which on a record has no F1 layer. The routines compare it as
// they were specified: the record decoding and the F1 stage's test for a
// layer without trace points take foF1 < 50 as an F1 layer, the inversion's
// entry and its layer sequence foF1 <= 50. Only foF1 = 50.0 exactly falls
// between; records mark an absent F1 by 999.9 or more and real values lie
// far below, so the edges are kept as they are.
inline constexpr float NO_F1_FOF1 = 50.0f;

// Capacities.
inline constexpr int MAXTRC = 1024;   // frequency rows per trace column and per section array
inline constexpr int MAXF2PTS = 400;  // F2 trace points in a record
inline constexpr int MAXF1PTS = 150;  // F1 trace points in a record
inline constexpr int MAXEPTS = 150;   // E trace points in a record and in the E-layer block
inline constexpr int MAXNH = 999;     // points of the N(h) profile
inline constexpr int MAXNHOUT = MAXNH;  // of which the SAO writer takes: every point
inline constexpr int MAXQPSEG = 20;   // quasi-parabolic segments
inline constexpr int MAXQPPTS = 500;  // points of the quasi-parabolic fit
inline constexpr int MAXTERMS = 8;    // polynomial terms per section
inline constexpr int NFLAGS = 20;     // analysis flags IQUALE
inline constexpr int NREALIN = 100;   // header reals

// Scaled characteristics and sounder grid.
struct SclchrBlock {
    int16_t IERR;          // reader's error flag; later the electron-content error flag
    float HGRID;           // sounder height step, km
    float BASEHT;          // start height minus HGRID, km; -999.0 undefined
    float FQINCR;          // frequency step, MHz
    int16_t MINFF;         // frequency index of FMINF; 9999 none
    FArray<int16_t, 2> MINHF;  // frequency indices of the lowest trace heights
    int16_t IFOM;          // frequency index of FOF2; 9999 none
    float CHR11;           // group-4 slot 11, lowest F virtual height h'F, km
    float FOF1;            // F1 critical frequency, MHz; 999.9 none; >= 50 no F1 layer
    float CHR25;           // group-4 slot 25, carried
    float CHR3;            // group-4 slot 3, carried
    float CHR12;           // group-4 slot 12, carried
    float CHR17;           // group-4 slot 17, carried
    float FOF2;            // F2 critical frequency, MHz
    float FMINF;           // lowest F frequency, MHz
    float CHR10;           // group-4 slot 10, carried
    int16_t IFOF1;         // frequency index of FOF1; 9999 none
    float FH2;             // half the gyrofrequency of group 1, MHz
    int16_t NCOEF;         // number of profile coefficients reported
    float DIP;             // magnetic dip, radians
    int16_t IFOEP;         // frequency index of the predicted foE
    int16_t IFOF1P;        // frequency index of the predicted foF1; 9999 above 20 MHz
    int16_t IFOF2P;        // frequency index of the predicted foF2
};

// Slots of the analysis flags IQUALE (all 20 go out as items 1-20 of group 5).
namespace iquale {
inline constexpr int ETOP = 1;           // source of the E-layer top (values in etop::)
inline constexpr int STATUS = 2;         // inversion status (inversion/status.h)
inline constexpr int F2_CHECK = 3;       // F2 check code
inline constexpr int F1_SCALED = 4;      // 1 when an F1 layer is scaled, else 0
inline constexpr int E_CHECK = 7;        // E check code
inline constexpr int F1_CHECK = 8;       // F1 check code
inline constexpr int UNUSED9 = 9;        // 0 for every record
inline constexpr int GROUP5_ITEM10 = 10; // item 10 of group 5 as read, written back
inline constexpr int F1_RETRY = 11;      // 1 when the F1 solution needed fewer terms
inline constexpr int F2_RETRY = 12;      // the same for F2
inline constexpr int E_FITTED = 19;      // E layer fitted (1) or the standard layer (0)
inline constexpr int ETOP_COPY = 20;     // ETOP while the layers are solved, else 0
}  // namespace iquale

// Values of IQUALE(ETOP): where the top of the E layer comes from.
namespace etop {
inline constexpr int16_t TRACE = 1;      // the E trace
inline constexpr int16_t PREDICTED = 2;  // the model prediction
inline constexpr int16_t SCALED = 3;     // the scaled foE, without an E trace
}  // namespace etop

// E-layer characteristics and analysis flags.
struct Scale2Block {
    int16_t IFOE;          // frequency index of FOE; 9999 none
    float FOE;             // MHz
    float HME;             // E peak height as scaled (slot 15), mirrors ZME
    float CHR6;            // characteristic 6
    int16_t MINFE;         // frequency index of FMINE; 9999 none
    float CHR13;           // characteristic 13
    float FMINE;           // MHz
    float CHR14;           // characteristic 14
    float CHR21;           // characteristic 21
    float CHR18;           // characteristic 18
    FArray<int16_t, NFLAGS> IQUALE;  // analysis flags, slots in iquale::
};

// Date and time of the record.
struct TimebkBlock {
    int16_t IDAY;   // day of year 1..366
    int16_t IHR;    // 0..23
    int16_t ISEC;   // 0..59
    int16_t IYR;    // two year digits as scaled
    int16_t MINU;   // 0..59
    int16_t IYR4;   // four-digit year
    int16_t MONTH;
    int16_t MDAY;
};

// Traces as read: column 2 the F trace (F2 and F1), column 3 the E trace.
struct TrcrawBlock {
    FArray2<int16_t, MAXTRC, 3> ITRCF;  // height index per frequency row; 9999 no point
    FArray2<float, MAXTRC, 3> TRACEL;   // heights, km; 999.9 none
};

// Slots of the header reals REALIN.
namespace realin {
inline constexpr int LAT = 1;           // station latitude, degrees
inline constexpr int LON = 2;           // station longitude, degrees
inline constexpr int SINQ1 = 41;        // field terms of the group index from the dip
inline constexpr int SINQ2 = 42;
inline constexpr int FOEP = 43;         // predicted foE, MHz
inline constexpr int FOF1P = 44;        // predicted foF1, MHz
inline constexpr int FMAX = 45;         // F2 peak frequency of the profile, MHz
inline constexpr int FOF2P = 46;        // predicted foF2, MHz
inline constexpr int COSSQ = 47;        // further field terms
inline constexpr int TANSQ4 = 48;
inline constexpr int TANSQ2 = 49;
inline constexpr int TANSQ = 50;
inline constexpr int NOON_ZENITH = 96;  // solar zenith angle at local noon, degrees
inline constexpr int SUNRISE = 97;      // universal time of sunrise, hours
inline constexpr int SUNSET = 98;       // universal time of sunset, hours
}  // namespace realin

// Header: version text and the header reals.
struct SaohdrBlock {
    char HEAD[8];
    char VERSION[8];   // VERSION_TEXT, no terminator
    char HEADX[32];
    FArray<float, NREALIN> REALIN;  // slots in realin::
};

// Run options.
struct OptsBlock {
    int16_t ISSN;    // sunspot number of the record (monthly value during the inversion)
    int16_t IDEBUG;  // debug level, 0 in every run
    FArray<int16_t, 8> IOPT;  // option words that no routine sets
};

extern SclchrBlock SCLCHR;
extern Scale2Block SCALE2;
extern TimebkBlock TIMEBK;
extern TrcrawBlock TRCRAW;
extern SaohdrBlock SAOHDR;
extern OptsBlock OPTS;

}  // namespace kolm
