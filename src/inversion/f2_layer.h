// The F2 layer: the top section of the bottomside profile.
#pragma once

namespace kolm {

// Solves the F2 section from FC(3) to the F2 top FC(4), deriving an F1
// layer first when one is scaled without trace points; ERR gets the F2 fit
// error. On success also the half-density height ZHALF and the 1 km N(h)
// table. Outcome in IQUALE(2).
// Reads: DERPAR, LAYCOF, LAYCTL, SCALE2, SCLCHR, SMAT, TRCSEC, VALPAR.
// Writes: DERPAR (HSTARTF2), LAYCOF (A, AF1, AF2, ER, FC, ZHALF, ZMF1, ZMF2), LAYCTL (IRGN), SCALE2 (IQUALE), SMAT
//   (KCHKF1, KCHKF2), TRCSEC (FSTART, NN), VALPAR (F1CASE, F1CASES).
void FPROF(float& ERR);

}  // namespace kolm
