// Semi-thickness of a layer near its peak.
//
// The upper half of the layer (from the middle frequency to the peak) is
// re-expressed on its own co-ordinate and compared with the reference layer
// shape on the same range: the least-squares factor in the norm of the
// section basis is the semi-thickness, bounded by the parabola through the
// layer's start point and peak.
#include "inversion/peak_fit.h"

#include <cmath>

#include "blocks/numeric.h"
#include "blocks/peltarscale.h"
#include "blocks/peltartrueh.h"
#include "inversion/starting_shapes.h"
#include "sections/coef_reexpression.h"

namespace kolm {

namespace {

constexpr int NQ = 5;

bool positive_finite(float x) { return x > 0.0f && std::isfinite(x); }

}  // namespace

void PARAFITF() {
    const int irgn = LAYCTL.IRGN;
    if (irgn != 2 && irgn != 3) return;
    auto& T = TRCSEC;
    auto& C = LAYCOF;
    const float fbase = C.FC(irgn);
    const float fpeak = C.FC(irgn + 1);
    const float* AL = irgn == 2 ? C.AF1.data() : C.AF2.data();
    const float ZM = irgn == 2 ? C.ZMF1 : C.ZMF2;
    const float HS = irgn == 2 ? DERPAR.HSTARTF1 : DERPAR.HSTARTF2;

    // 1. The upper half of the layer: middle frequency to the peak.
    T.FEND = fpeak;
    T.FSTART = (fbase + fpeak) / 2.0f;
    // 2. The layer's five coefficients re-expressed on that range.
    float AP[NQ] = {};
    CONTPRFL(NQ, fbase, T.FEND, AL, T.FSTART, AP);
    // 3. Bound: the parabola through the start point and the peak.
    const float ratio = fbase / fpeak;
    const float YMAX = (ZM - HS) / std::sqrt(1.0f - ratio * ratio);
    // 4. Reference shape on the same range; terms it does not fill count as 0.
    ZEROPROF(0);
    const int nref = clamp_count(T.NN, NQ);
    float REF[NQ] = {};
    for (int J = 1; J <= nref; ++J) REF[J - 1] = C.A(J);
    // 5. Least-squares scale of the reference shape onto the upper half.
    float num = 0.0f, den = 0.0f;
    for (int I = 1; I <= NQ; ++I)
        for (int J = 1; J <= NQ; ++J) {
            num += PEAKQ(I, J) * REF[J - 1] * AP[I - 1];
            den += PEAKQ(I, J) * REF[I - 1] * REF[J - 1];
        }
    float Y = num / den;
    // 6. Bounded by the parabola; a bound or scale that is no positive
    //    finite length leaves the semi-thickness undetermined.
    if (YMAX < Y) Y = YMAX;
    if (!positive_finite(YMAX) || !positive_finite(Y)) Y = NOTCOMPUTED;
    if (irgn == 2)
        YLAYER.YF1 = Y;
    else
        YLAYER.YF2 = Y;
}

}  // namespace kolm
