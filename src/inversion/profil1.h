// True-height inversion of the current record: the driver and its basis table.
#pragma once

namespace kolm {

// Kept between records: the monthly sunspot number of the cached month
// (the month cache itself is PREDST, shared with the predictions).
struct Profil1State {
    float SSNM;
};
extern Profil1State PROFIL1ST;

// Inverts the decoded record held in the shared blocks; results in the blocks.
// Resets every result of the previous record first, on every path.
// Reads: DERPAR, EBLOCK, FLDPAR, LAYCOF, NHPROF, OPTS, PREDST, SAOHDR, SCALE2, SCLCHR, SMAT, TIMEBK, TRCSEC, TRCWRK.
// Writes: DERPAR, EBLOCK, FLDPAR, IRIPAR, LAYCOF, LAYCTL, NHPROF, OPTS, PREDST, QPRES, SAOHDR (VERSION), SCALE2,
//   SMAT, TIMEBK (IYR4, MONTH, MDAY), TRCSEC, TRCWRK, YLAYER.
void PROFIL1();

// Fills the basis table CV of TRCSEC: row N holds the N coefficients, in
// falling powers of the section co-ordinate, of basis polynomial N.
// Reads: no block.
// Writes: TRCSEC (CV).
void SETCV();

}  // namespace kolm
