// E-layer solution and the E layer's group-height contribution to the
// sections above it.
#pragma once

namespace kolm {

// Sets up, selects and fits the E layer of fixed shape; ERR := its mean
// virtual-height residual. Status 4 (frequency range) or 7 (implausible or
// non-finite result) in IQUALE(2) on failure.
// Reads: DERPAR, LAYCOF, LAYCTL, SCALE2, SMAT, TRCSEC, YLAYER.
// Writes: LAYCOF (AE), LAYCTL (IRGN), SCALE2 (IQUALE), SMAT (KCHKE).
void EPROF(float& ERR);

// DHE(K) := group height through the E layer at each data frequency of the
// current section, at least ZME. FSTART, FEND and NN are left as found.
// Reads: DERPAR, LAYCOF, TRCSEC.
// Writes: TRCSEC (DHE); the loaded section is put back.
void FNDDHE();

}  // namespace kolm
