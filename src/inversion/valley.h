// The E-F valley: its empirical model from the solar zenith angle and the
// group-height increment that F-region echoes pick up crossing it.
#pragma once

namespace kolm {

// Builds the valley model of the current record after the E layer: W, D,
// the valley parts in VALPAR, ZENITH, HSTARTF1 and HSTARTF2, h'F when
// missing. Leaves the section of the lowest F region loaded.
// Reads: DERPAR, LAYCOF, LAYCTL, SAOHDR, SCLCHR, TIMEBK, TRCSEC, TRCWRK, VALPAR.
// Writes: DERPAR (HSTARTF1, HSTARTF2, ZENITH), LAYCOF (A), LAYCTL (D, IRGN, W), SCLCHR (CHR11), VALPAR (AVAL,
//   F1CASE, F1CASES, FVAL, FVAL0, WV1-WV4).
void MAHAGULY();

// DHV(1..1024): group-height increment through the valley for the data
// frequencies of the current section. FSTART, FEND, NN are kept; SU is not.
// Reads: DERPAR, FLDPAR, LAYCTL, TRCSEC, VALPAR.
// Writes: TRCSEC (DHV); the loaded section is put back.
void FNDDHV();

}  // namespace kolm
