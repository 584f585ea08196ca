// E-block profile fit.
//
// The unit E shape from 0.2 MHz to just above the block's last frequency
// gives each point a group-height contribution G; the straight line
// height = H0 + scale * G through the block's virtual heights gives the base
// height and the scale of the layer.
#include "inversion/e_block_fit.h"

#include <cmath>

#include "blocks/numeric.h"
#include "blocks/peltarscale.h"
#include "blocks/peltartrueh.h"
#include "inversion/gauss_integral.h"
#include "inversion/nh_table.h"
#include "inversion/starting_shapes.h"

namespace kolm {

namespace {

constexpr float ESTART = 0.2f;   // start plasma frequency of the fitted layer, MHz
constexpr float H0_SINGLE = 80.0f;  // base height when the points fix only the scale, km

// The block's points up to the first frequency 0 into the section arrays.
// False when the frequencies are not positive and ascending.
bool take_block() {
    auto& T = TRCSEC;
    const auto& B = EBLOCK;
    T.NFQ = 0;
    T.FEND = 0.0f;
    bool ascending = true;
    for (int I = 1; I <= MAXEPTS; ++I) {
        const float f = B.EF(I);
        if (f == 0.0f) break;
        if (!(f > T.FEND)) ascending = false;
        ++T.NFQ;
        T.FK(T.NFQ) = f;
        T.PPO(T.NFQ) = B.EH(I);
        T.FEND = f;
    }
    return ascending;
}

// The fitted layer tabulated into EF, EH; the table keeps its first 150 rows.
void tabulate(float HSTEP) {
    auto& B = EBLOCK;
    auto& A = LAYCOF.A;
    B.EF.fill(0.0f);
    B.EH.fill(0.0f);
    A.fill(0.0f);
    for (int J = 1; J <= 3; ++J) A(J) = B.EA(J);
    NhColumn fn, ht;
    int16_t n = 0;
    TABLYR(HSTEP, TRCSEC.FSTART, TRCSEC.FEND, B.EZM, A.data(), n, fn, ht);
    const int rows = n < MAXEPTS ? n : MAXEPTS;
    for (int K = 1; K <= rows; ++K) {
        B.EF(K) = fn(K);
        B.EH(K) = ht(K);
    }
    B.ENTAB = rows;
}

}  // namespace

void EAPROF(float& ERR) {
    auto& T = TRCSEC;
    auto& B = EBLOCK;
    auto& A = LAYCOF.A;
    const auto& S = SMAT.S;
    // 1.-2. The block's points; an empty block leaves the results as they are.
    const bool ascending = take_block();
    if (T.FEND == 0.0f) return;
    // 3. The layer from 0.2 MHz to a fifth of a step above the last point.
    T.NN = 3;
    T.FSTART = ESTART;
    T.FEND = T.FEND + 0.2f * SCLCHR.FQINCR;
    B.EFEND = T.FEND;
    if (!ascending) {
        B.EFEND = 0.0f;
        return;
    }
    // 4. Unit shape for this range and its integrals.
    ZEROPROF(0);
    CDO();
    SIK();
    // 5.-6. Straight line PPO = H0 + SCL * G over the points (all lie below FEND).
    const int NFQ = T.NFQ;
    const ShapeLineSums L = shape_line_sums();
    const float SP = L.SP, SG = L.SG, SPG = L.SPG, SGG = L.SGG;
    const float D = static_cast<float>(NFQ) * SGG - SG * SG;
    float H0, SCL;
    if (D != 0.0f) {
        H0 = (SGG * SP - SPG * SG) / D;
        SCL = (static_cast<float>(NFQ) * SPG - SG * SP) / D;
    } else if (SGG != 0.0f) {
        H0 = H0_SINGLE;
        SCL = (SPG - H0_SINGLE * SG) / SGG;
    } else {
        // No point inside the layer: the scale is undefined.
        B.EFEND = 0.0f;
        return;
    }
    // 7.-8. Base height to 0.1 km, coefficients to 0.001, peak below the base.
    B.EH0 = round_to(H0, 10.0f);
    float sum = 0.0f;
    for (int J = 1; J <= 3; ++J) {
        A(J) = round_to(A(J) * SCL, 1000.0f);
        B.EA(J) = A(J);
        sum += B.EA(J);
    }
    B.EZM = B.EH0 - sum;
    // 9. Mean absolute residual of the rounded layer.
    float res = 0.0f;
    for (int K = 1; K <= NFQ; ++K) {
        float hv = 0.0f;
        for (int J = 1; J <= 3; ++J) hv += S(J, K) * B.EA(J);
        res += std::fabs(T.PPO(K) - B.EH0 - hv);
    }
    ERR = res / static_cast<float>(NFQ);
    B.EERR = ERR;
    B.ENTAB = 0;
    // 10. The table of the fitted layer.
    if (NHPROF.HSTEP <= 0.0f) return;
    tabulate(NHPROF.HSTEP);
}

}  // namespace kolm
