// The E-F valley: its empirical model from the solar zenith angle and the
// group-height increment that F-region echoes pick up crossing it.
#pragma once

namespace kolm {

// Builds the valley model of the current record after the E layer: W, D,
// the valley parts in VALPAR, ZENITH, HSTARTF1 and HSTARTF2, h'F when
// missing. Leaves the section of the lowest F region loaded.
void MAHAGULY();

// DHV(1..1024): group-height increment through the valley for the data
// frequencies of the current section. FSTART, FEND, NN are kept; SU is not.
void FNDDHV();

}  // namespace kolm
