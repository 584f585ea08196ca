// Segment solvers of the quasi-parabolic fit.
//
// Every segment is fN**2 = A x**2 + B x + C in x = 1/r (r the geocentric
// radius, km) over the points RQ, XQ, YQ of QPWORK (index = ascending
// height). A segment anchored at point k0 with value Y0 and slope D0 =
// dfN**2/dx has one free parameter A:
//     B = D0 - 2 A X0,  C = (A X0 - D0) X0 + Y0,  X0 = XQ(k0),
// chosen by least squares of the relative residual (YQ - model)/YQ over the
// segment's points other than the anchor. A segment's error is the largest
// relative residual over those points, rounded to three significant digits.
#pragma once

#include <cstdint>

#include "blocks/farray.h"
#include "blocks/peltarscale.h"

namespace kolm {

using QpValues = FArray<double, MAXQPPTS>;   // model values or slopes per point
using QpErrors = FArray<float, MAXQPPTS>;    // segment error per point

// Grows a segment downward from the anchor K2 (value YFIT(K2), slope
// DYFIT(K2)) towards K1. Records YFIT, DYFIT and ERRPT at every point tried.
// KOUT: the lowest point reached within E (K1 when the limit is reached, K2
// when no point can be added).
// Reads: QPWORK.
// Writes: no block.
void QPFIT11(int16_t K1, int16_t K2, int16_t& KOUT, QpValues& YFIT, QpValues& DYFIT, QpErrors& ERRPT, float E);

// Look-ahead: a segment anchored at KT on YFIT, DYFIT grown downward to K1;
// records YFIT2, DYFIT2. KOUT as for QPFIT11.
// Reads: QPWORK.
// Writes: no block.
void QPFIT12(int16_t K1, int16_t KT, int16_t& KOUT, const QpValues& YFIT, const QpValues& DYFIT, QpValues& YFIT2,
             QpValues& DYFIT2, float E);

// Second look-ahead: anchored at KU on YFIT2, DYFIT2, grown downward to K1;
// only KOUT.
// Reads: QPWORK.
// Writes: no block.
void QPFIT13(int16_t K1, int16_t KU, int16_t& KOUT, const QpValues& YFIT2, const QpValues& DYFIT2, float E);

// Grows a segment upward from the anchor K1 towards K2 (the E layer above its
// peak). Records YFIT, DYFIT and ERRPT. KOUT: the highest point reached
// within E (K2 at the limit, K1 when no point can be added).
// Reads: QPWORK.
// Writes: no block.
void QPFIT21(int16_t K1, int16_t K2, int16_t& KOUT, QpValues& YFIT, QpValues& DYFIT, QpErrors& ERRPT, float E);

// Look-ahead upward from KT on YFIT, DYFIT to K2; only KOUT.
// Reads: QPWORK.
// Writes: no block.
void QPFIT22(int16_t KT, int16_t K2, int16_t& KOUT, const QpValues& YFIT, const QpValues& DYFIT, float E);

// Final coefficients of the segment over K1..K2, anchored at K2 below the E
// peak and above the first valley point (K1 < KE or K2 > KV1), else at K1.
// Returns false (A, B, C unchanged) when there is no such segment: an index
// 0, K1 >= K2, or not KE < KV1 < KV2.
// Reads: QPWORK.
// Writes: no block.
bool QPFIT3(int16_t K1, int16_t K2, const QpValues& YFIT, const QpValues& DYFIT, int16_t KE, int16_t KV1,
            int16_t KV2, double& A, double& B, double& C);

// The valley segment: the straight line in x from (XQ(K1), Y1) to
// (XQ(K2), Y2), A = 0, and its error over K1..K2 (reported, never a reason
// to reject). Returns false when the two points share one abscissa.
// Reads: QPWORK.
// Writes: no block.
bool QPFIT3V(int16_t K1, int16_t K2, double Y1, double Y2, double& A, double& B, double& C, float& ERR);

// V rounded to K significant digits (halves away from zero); 0 stays 0 and a
// value that is not finite is left as it is.
// Reads: no block.
// Writes: no block.
void TRNKV(int32_t K, double& V);

}  // namespace kolm
