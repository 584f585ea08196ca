// Set-up of one profile section: its frequency range, data points and number
// of terms, for the region IRGN (1 E, 2 F1, 3 F2).
#pragma once

#include <cstdint>

namespace kolm {

// Kept between calls: the predictions copied at the last E set-up and what
// the F1/F2 boundary search found.
struct SetupState {
    float FOEP, FOF1P, FOF2P;  // predicted foE, foF1, foF2, MHz
    float HF1TOP, FF1TOP;      // last valid F1 point: height km, frequency MHz
    float HF2BOT, FF2BOT;      // first valid F2 point
    int16_t NBADF1, NBADF2;    // invalid points passed over on each side
    bool PREDICTED;            // the predictions were made for the current record
};
extern SetupState SETUPST;

// Prepares the section of region IRGN (LAYCTL) from the working trace: FSTART,
// FEND, NFQ, NN, FK, PPO of TRCSEC and the boundary frequencies FC. The E
// set-up also decides the source of the E top (IQUALE(1)) and makes the
// record's predictions; the F1 set-up may move the F1/F2 boundary (FOF1,
// NFQF1, NFQF). An IRGN outside 1..3 gives status 0 and two console lines.
// Reads: FLDPAR, LAYCOF, LAYCTL, OPTS, SAOHDR, SCALE2, SCLCHR, TRCSEC, TRCWRK, VALPAR.
// Writes: LAYCOF (FC), SCALE2 (IQUALE), TRCSEC (FSTART, FEND, NFQ, NN, FK, PPO), TRCWRK (NFQF1, NFQF).
void SETUP();

// Marks the predictions as not yet made for the record now being inverted.
// Reads: no block.
// Writes: no block.
void setup_new_record();

}  // namespace kolm
