// End step of every inverted record: the profile table in the autoscaler's
// true-height layout, the solved critical frequencies back into the scaled
// characteristics, and the boundaries, valley and fit errors as the output
// record takes them.
#pragma once

namespace kolm {

// The end step: PELTARTABLE, then foE, foF1, foF2 and FMAX from the solved
// boundaries, FC(2) := the F2 start and FC(4) := the F1 start (0.0 without
// a usable F1 layer), the reported valley width and depth, the results of a
// failed inversion cleared, the fit errors to 0.001 km.
// Reads: LAYCOF, LAYCTL, SCALE2, SMAT.
// Writes: LAYCOF (AE, AF1, AF2, ER, FC), LAYCTL (D, DOUT, W, WOUT), SAOHDR (REALIN FMAX), SCALE2 (FOE), SCLCHR (FOF1,
//   FOF2, NCOEF), TRCSEC (NN).
void TOPELTAR();

// With a profile (IQUALE(2) = 2): one row per frequency step from FC(1)
// where the true height has moved by 2 km (E) or 5 km (F1, F2) since the
// last row: TF frequency, TH observed virtual height (9999.0 none), TVM model
// virtual height (9999.0 next to a section boundary), TZ true height, with
// the rows per section in NFQE, NFQF1, NFQF. Otherwise nothing.
// Reads: LAYCOF, LAYCTL, SCALE2, SCLCHR, TRCWRK.
// Writes: LAYCOF (A), LAYCTL (IRGN), TRCSEC (FEND, FK, FSTART, NFQ, NN, PPO), TRCWRK (NFQE, NFQF, NFQF1, TF, TH, TVM,
//   TZ).
void PELTARTABLE();

}  // namespace kolm
