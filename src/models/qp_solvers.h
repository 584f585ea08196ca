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
#include <vector>

#include "blocks/farray.h"
#include "blocks/peltarscale.h"

namespace kolm {

using QpValues = FArray<double, MAXQPPTS>;   // model values or slopes per point
using QpErrors = FArray<float, MAXQPPTS>;    // segment error per point

// The parts of a growth's least-squares sums and error bounds that depend on
// the points and the anchor alone, not on the anchor's value and slope. The
// look-ahead grows segments from every anchor of a stage with ever other
// values and slopes; it takes these terms from here, built once per anchor,
// direction and point in the order a growth adds them (so every sum has
// the same bits as when added afresh). Valid for one set of points in
// QPWORK: clear() whenever the points change.
class QpTerms {
public:
    // The terms of one anchor k0 and direction, point t (t = 1 the neighbour
    // of the anchor) at index t - 1 for t = 1..built, with dx = XQ(k0) -
    // XQ(point):
    struct Row {
        std::vector<double> y;    // YQ(point)
        std::vector<double> w;    // dx**2 / y**2
        std::vector<double> dx;
        std::vector<double> S2;   // sum of dx**3 / y**2 over points 1..t
        std::vector<double> S3;   // sum of dx**4 / y**2 over points 1..t
        std::vector<double> inv;  // 1 / dx**2; -1 when dx**2 is not positive
        int built = 0;
        int irregular = 0;        // the first point with S3 or dx**2 not positive
        uint32_t gen = 0;         // the set of points the row was built on
    };

    void clear() { ++gen_; }
    // The row of anchor k0 in direction step (-1 down, +1 up) as built so far.
    const Row& row(int16_t k0, int step);
    // The row built up to point t at least, and a few points further as
    // long as they stay within tmax.
    const Row& extend(int16_t k0, int step, int t, int tmax);

private:
    Row rows_[2][MAXQPPTS + 1];
    uint32_t gen_ = 1;
};

// The variant the growths that record nothing (the second look-ahead and
// the upward one) run in: SSE2, two points at a time (the portable code
// where the build has no SSE2), or AVX2, four points at a time. Both give
// the same bits.
enum class QpIsa : int8_t { sse2, avx2 };

// AVX2 where the processor has it and the system keeps its registers, else
// SSE2: the variant a run starts with.
QpIsa processor_qp_isa();

// The variant from now on (AVX2 only where processor_qp_isa() has it, else
// SSE2); reset_run_state() returns to processor_qp_isa(). For tests that
// compare the variants.
void set_qp_isa(QpIsa isa);
QpIsa qp_isa();

// The growths take the terms of their anchor from `terms` when given (the
// points of QPWORK must be those it was built on), else they build them.

// Grows a segment downward from the anchor K2 (value YFIT(K2), slope
// DYFIT(K2)) towards K1. Records YFIT, DYFIT and ERRPT at every point tried.
// KOUT: the lowest point reached within E (K1 when the limit is reached, K2
// when no point can be added).
// Reads: QPWORK.
// Writes: no block.
void QPFIT11(int16_t K1, int16_t K2, int16_t& KOUT, QpValues& YFIT, QpValues& DYFIT, QpErrors& ERRPT, float E,
             QpTerms* terms = nullptr);

// Look-ahead: a segment anchored at KT on YFIT, DYFIT grown downward to K1;
// records YFIT2, DYFIT2. KOUT as for QPFIT11.
// Reads: QPWORK.
// Writes: no block.
void QPFIT12(int16_t K1, int16_t KT, int16_t& KOUT, const QpValues& YFIT, const QpValues& DYFIT, QpValues& YFIT2,
             QpValues& DYFIT2, float E, QpTerms* terms = nullptr);

// Second look-ahead: anchored at KU on YFIT2, DYFIT2, grown downward to K1;
// only KOUT.
// Reads: QPWORK.
// Writes: no block.
void QPFIT13(int16_t K1, int16_t KU, int16_t& KOUT, const QpValues& YFIT2, const QpValues& DYFIT2, float E,
             QpTerms* terms = nullptr);

// QPFIT13 from every anchor KU = KLO..KHI in turn: K1 as soon as one of
// them reaches K1, else the lowest point below `best` that one reaches
// (one that adds no point, KOUT = KU, counts not), else best.
// Reads: QPWORK.
// Writes: no block.
int16_t QPFIT13_LOWEST(int16_t K1, int16_t KLO, int16_t KHI, const QpValues& YFIT2, const QpValues& DYFIT2, float E,
                       int16_t best, QpTerms* terms = nullptr);

// Grows a segment upward from the anchor K1 towards K2 (the E layer above its
// peak). Records YFIT, DYFIT and ERRPT. KOUT: the highest point reached
// within E (K2 at the limit, K1 when no point can be added).
// Reads: QPWORK.
// Writes: no block.
void QPFIT21(int16_t K1, int16_t K2, int16_t& KOUT, QpValues& YFIT, QpValues& DYFIT, QpErrors& ERRPT, float E,
             QpTerms* terms = nullptr);

// Look-ahead upward from KT on YFIT, DYFIT to K2; only KOUT.
// Reads: QPWORK.
// Writes: no block.
void QPFIT22(int16_t KT, int16_t K2, int16_t& KOUT, const QpValues& YFIT, const QpValues& DYFIT, float E,
             QpTerms* terms = nullptr);

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
