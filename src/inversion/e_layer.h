// E-layer solution and the E layer's group-height contribution to the
// sections above it.
#pragma once

namespace kolm {

// Sets up, selects and fits the E layer of fixed shape; ERR := its mean
// virtual-height residual. Status 4 (frequency range) or 7 (implausible or
// non-finite result) in IQUALE(2) on failure.
void EPROF(float& ERR);

// DHE(K) := group height through the E layer at each data frequency of the
// current section, at least ZME. FSTART, FEND and NN are left as found.
void FNDDHE();

}  // namespace kolm
