// Fixed-shape E layer fitted to the record's E block.
#pragma once

namespace kolm {

// Fits the E layer of fixed shape (base height and scale) to the E-block
// points of EBLOCK (EF, EH up to the first frequency 0) and, with a table
// step HSTEP > 0, tabulates the fitted layer into EF, EH (at most 150 rows).
// Results: EFEND, EA, EZM, EERR, EH0, ENTAB; ERR := the mean absolute
// residual (the caller passes EERR). An empty block leaves every result as it
// was; a block that cannot be fitted (frequencies not ascending, or no point
// inside the layer) gets EFEND = 0, no profile. Overwrites the section data
// of TRCSEC, A and S: it runs after every other stage of the record.
// Reads: EBLOCK, LAYCOF, NHPROF, SCLCHR, SMAT, TRCSEC.
// Writes: EBLOCK (EA, EERR, EF, EFEND, EH, EH0, ENTAB, EZM), LAYCOF (A), TRCSEC (FEND, FK, FSTART, NFQ, NN, PPO).
void EAPROF(float& ERR);

}  // namespace kolm
