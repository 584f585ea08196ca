// Semi-thickness of the F1 or F2 layer near its peak.
#pragma once

#include "sections/coef_reexpression.h"

namespace kolm {

// Q(I,J): integral over [0, 1] of X T*(I-1)(X) T*(J-1)(X), the Gram matrix
// of the section basis sqrt(X) T*(J-1)(X) for the first five terms.
inline const ReexpMatrix& PEAKQ = SECTION_GRAM;

// Semi-thickness of the layer of region IRGN (2 F1 into YF1, 3 F2 into YF2):
// the scale of the reference shape that best matches the layer's upper half
// (middle frequency to peak), bounded by the parabola through the layer's
// start point and peak. 9999.0 when the bound or the scale is not a positive
// finite number. Other regions: nothing written. Leaves FSTART, FEND of
// TRCSEC on the upper half and the reference shape in A.
// Reads: DERPAR, LAYCOF, LAYCTL, TRCSEC.
// Writes: TRCSEC (FEND, FSTART), YLAYER (YF1, YF2); A through ZEROPROF.
void PARAFITF();

}  // namespace kolm
