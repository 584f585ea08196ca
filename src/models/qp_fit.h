// Quasi-parabolic fit of the electron-density profile.
//
// Once per ionogram the N(h) table (NHPROF) is re-expressed as a chain of
// at most 20 segments, each fN**2 = A x**2 + B x + C in x = 1/r (r = h +
// 6370 km), joined with equal value and slope except across the valley
// segment, each within the relative accuracy ERRMAX of QPRES. The segments
// land in QPRES from the bottom up; NSEG = 0 means no fit.
#pragma once

#include <cstdint>

namespace kolm {

// Prepares the points of the table in QPWORK and fits them to the accuracy
// ERRMAX; the second valley width of VALPAR becomes W/3. No fit (NSEG = 0)
// when ERRMAX is not positive, the table is empty or holds more than 500
// rows, or the table lacks the E peak or the valley thirds.
// Reads: LAYCOF, LAYCTL, NHPROF, QPRES.
// Writes: QPRES (NSEG), QPWORK (RQ, XQ, YQ), VALPAR (WV2); the segments through DOFITTING.
void QPFIT();

// Places the segments over the N points of QPWORK: the F layer from the top
// point N down to KV2, the E layer from its peak KE up to KV1, the valley
// from KV1 to KV2 and the E layer from KE down to point 1. E is the pass
// accuracy: each failed pass doubles it, up to a pass at or above 0.1 after
// which the fit gives up with NSEG = 0. Needs 1 <= KE < KV1 < KV2 < N <= 500
// (else NSEG = 0); KE = 1 gives no segment below the E peak.
// Reads: QPWORK.
// Writes: QPRES (ASEG, BSEG, CSEG, ESEG, NSEG, RSEG).
void DOFITTING(int16_t& KE, int16_t& KV1, int16_t& KV2, int16_t& N, float& E);

}  // namespace kolm
