// The working trace: the record's E, F1 and F2 trace points as one list of
// (frequency, virtual height) with a count per layer.
#pragma once

#include <cstdint>

namespace kolm {

// Builds TF, TH, NFQE, NFQF1, NFQF of TRCWRK from the traces and checks them
// against the scaled critical frequencies. IOK := 1 when accepted; else 0 and
// status 0 (also for a trace range beyond the 1024-row arrays).
// Reads: DERPAR, SCALE2, SCLCHR, TRCRAW, TRCWRK.
// Writes: SCALE2 (IQUALE), TRCWRK (NFQE, NFQF1, NFQF, TF, TH).
void SETRCE(int16_t& IOK);

}  // namespace kolm
