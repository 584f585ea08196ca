// Solution of an F-region section with the search of its top frequency.
#pragma once

namespace kolm {

// Solves the section loaded for region IRGN (2 F1, 3 F2): bisects the top
// frequency inside one frequency step above the scaled value, fits each
// trial, rejects those with a turning point and keeps the best residual.
// KCHK = 0 when a fit was kept (A, FEND and FC(IRGN+1) then hold it).
// Reads: LAYCOF, LAYCTL, SCLCHR, SMAT, TRCSEC.
// Writes: LAYCOF (A, FC), SMAT (KCHK), TRCSEC (FSTART, FEND).
void DENSTY(float& ERR);

// DENSTY with fewer terms: 4 down to 3 (F1) or 2 (F2), until a fit is kept.
// Reads: LAYCTL, SMAT, TRCSEC.
// Writes: LAYCOF (A), TRCSEC (NN, put back).
void FEWTERM(float& ERR);

// Adds into S the integrals SU through [FSTART, FNEW], carried from the
// basis of [FSTART, FEND] into that of [FNEW, FEND].
// Reads: DERPAR, SMAT, TRCSEC.
// Writes: SMAT (S).
void CHNGSIKP(float FNEW);

}  // namespace kolm
