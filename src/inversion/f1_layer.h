// The F1 layer: its section solution, the height check of a solved F
// section against its data, and the F1 group delay for the F2 data.
#pragma once

namespace kolm {

// Solves the F1 section from the E top FC(2) to the F1 top FC(3); ERR gets
// the F1 fit error. Outcome in IQUALE(2) and F1CASE.
// Reads: DERPAR, LAYCOF, LAYCTL, SCALE2, SCLCHR, SMAT, TRCSEC, TRCWRK, VALPAR.
// Writes: DERPAR (HSTARTF2), LAYCOF (AF1, FC, ZMF1), LAYCTL (IRGN), SCALE2 (IQUALE), SMAT (KCHKF1), VALPAR (F1CASE,
//   F1CASES).
void F1PROF(float& ERR);

// Checks the solved section of region IRGN against its data: the true
// height must stay below the observed virtual heights. Sets IQUALE(2) to 9
// (F1) or 8 (F2, E) on failure.
// Reads: LAYCOF, LAYCTL, SCALE2, TRCSEC.
// Writes: SCALE2 (IQUALE).
void HEIGHTCHK();

// DHF1(1..1024): group-height increment through the F1 layer for the data
// frequencies of the current section. FSTART and FEND are kept.
// Reads: DERPAR, LAYCOF, TRCSEC.
// Writes: VALPAR (DHF1); the loaded section is put back.
void FNDDHF1();

}  // namespace kolm
