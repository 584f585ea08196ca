// Layer sequence of one record: E layer, valley, F1 layer, F2 layer, the
// derived products and the E-block fit, each stage handing over through the
// shared blocks and stopping the sequence on a failure status.
#pragma once

namespace kolm {

// Field terms in use: computed for the dip FIELDDIP when DONE.
struct FieldTermState {
    bool DONE;
    float FIELDDIP;
};
extern FieldTermState FIELDST;

// Reads: FLDPAR, LAYCOF, SCALE2, SCLCHR, SMAT, TRCSEC, VALPAR.
// Writes: FLDPAR (DIP, FH), LAYCOF (ER), SCALE2 (IQUALE), SMAT (NG), TRCSEC (DHE, DHV), VALPAR (DHF1).
void DECIDE();

}  // namespace kolm
