// Standard-layer shapes and the E layer of fixed shape.
#include "inversion/starting_shapes.h"

#include <algorithm>
#include <cmath>

#include "blocks/numeric.h"
#include "blocks/peltarscale.h"
#include "blocks/peltartrueh.h"
#include "inversion/gauss_integral.h"

namespace kolm {

namespace {

// Row by row: ratio, c1 .. c5.
constexpr float ROWS[NSHAPE][6] = {
    {0.005f, -1.7351f, 1.001118f, -0.3568693f, 0.1180432f, -0.03402434f},
    {0.01f, -1.688817f, 0.9210147f, -0.3043246f, 0.09140201f, -0.02343926f},
    {0.015f, -1.658222f, 0.8692091f, -0.2722215f, 0.07641795f, -0.01807277f},
    {0.02f, -1.634558f, 0.8298489f, -0.2488848f, 0.06618311f, -0.01467684f},
    {0.03f, -1.597854f, 0.7701722f, -0.2153288f, 0.05248997f, -0.01050872f},
    {0.04f, -1.568931f, 0.7244564f, -0.1911747f, 0.04341798f, -0.008006235f},
    {0.05f, -1.544497f, 0.68683f, -0.1723389f, 0.03682078f, -0.006328847f},
    {0.06f, -1.523009f, 0.6545538f, -0.156949f, 0.03175237f, -0.005128347f},
    {0.07f, -1.503613f, 0.6261119f, -0.1439832f, 0.02771392f, -0.004230644f},
    {0.08f, -1.48578f, 0.6005714f, -0.1328202f, 0.02441129f, -0.003537866f},
    {0.09f, -1.46916f, 0.5773144f, -0.1230529f, 0.02165712f, -0.002990347f},
    {0.1f, -1.453509f, 0.5559089f, -0.1143992f, 0.01932509f, -0.002549486f},
    {0.12f, -1.424441f, 0.5174711f, -0.09967033f, 0.01559592f, -0.001890946f},
    {0.14f, -1.397596f, 0.4835379f, -0.08753245f, 0.0127576f, -0.001431344f},
    {0.16f, -1.372369f, 0.4530469f, -0.0773155f, 0.01053937f, -0.001099803f},
    {0.18f, -1.348354f, 0.4252916f, -0.06858005f, 0.008771372f, -0.0008546725f},
    {0.2f, -1.325265f, 0.3997768f, -0.0610217f, 0.007340847f, -0.0006699599f},
    {0.25f, -1.270337f, 0.3436293f, -0.04596533f, 0.004780527f, -0.0003740196f},
    {0.3f, -1.217818f, 0.295746f, -0.0348153f, 0.003151476f, -0.0002132444f},
    {0.35f, -1.166406f, 0.2540446f, -0.02635325f, 0.002082637f, -0.0001224322f},
    {0.4f, -1.115214f, 0.2172348f, -0.01983832f, 0.001369252f, -7.003431e-05f},
    {0.45f, -1.063555f, 0.1844602f, -0.01478536f, 0.0008895471f, -3.954131e-05f},
    {0.5f, -1.010837f, 0.1551246f, -0.01085884f, 0.0005671074f, -2.183023e-05f},
    {0.55f, -0.9564884f, 0.1287998f, -0.007816707f, 0.0003520325f, -1.166357e-05f},
    {0.6f, -0.8998995f, 0.105173f, -0.005478315f, 0.0002107468f, -5.955428e-06f},
    {0.65f, -0.8403621f, 0.08401555f, -0.003704964f, 0.0001201464f, -2.858653e-06f},
    {0.7f, -0.7769829f, 0.0651647f, -0.002387484f, 6.407401e-05f, -1.260508e-06f},
    {0.75f, -0.7085443f, 0.04851378f, -0.00143797f, 3.111102e-05f, -4.930514e-07f},
    {0.8f, -0.6332394f, 0.03401046f, -0.0007840417f, 1.315061e-05f, -1.614858e-07f},
    {0.85f, -0.5480871f, 0.02166466f, -0.0003646222f, 4.451772e-06f, -3.977745e-08f},
    {0.9f, -0.4473402f, 0.01157585f, -0.0001265771f, 1.001333e-06f, -5.795651e-09f},
    {0.95f, -0.3162492f, 0.004020674f, -2.144504e-05f, 8.254496e-08f, -2.324272e-10f},
    {0.995f, -0.1000001f, 0.0001252089f, -6.536561e-08f, 2.457544e-11f, -7.1956e-15f},
};

constexpr FArray2<float, NSHAPE, 6> make_table() {
    FArray2<float, NSHAPE, 6> t{};
    for (int r = 0; r < NSHAPE; ++r)
        for (int c = 0; c < 6; ++c) t.v[r + NSHAPE * c] = ROWS[r][c];
    return t;
}

// Standard E layer from the unit shape in A: peak 110 km, semi-thickness 20 km.
void standard_layer() {
    auto& AE = LAYCOF.AE;
    LAYCOF.ZME = 110.0f;
    SCALE2.HME = LAYCOF.ZME;
    YLAYER.YE = 20.0f;
    float sum = 0.0f;
    for (int N = 1; N <= TRCSEC.NN; ++N) {
        AE(N) = round_to(LAYCOF.A(N) * 20.0f, 10.0f);
        sum += AE(N);
    }
    DERPAR.HSTART = LAYCOF.ZME + sum;
}

}  // namespace

const FArray2<float, NSHAPE, 6> SHAPETAB = make_table();

void ZEROPROF(int IROW) {
    // The table has five coefficients; a longer section gets those five.
    const int NN = std::min<int>(TRCSEC.NN, 5);
    auto& A = LAYCOF.A;
    if (IROW > NSHAPE) return;
    if (IROW >= 1) {
        for (int J = 1; J <= NN; ++J) A(J) = SHAPETAB(IROW, J + 1);
        return;
    }
    float R = TRCSEC.FSTART / TRCSEC.FEND;
    if (R < 0.005f) R = 0.005f;
    if (R > 0.995f) R = 0.995f;
    int row = NSHAPE;
    float prev = 0.0f;
    for (int I = 1; I <= NSHAPE; ++I) {
        if (SHAPETAB(I, 1) >= R && prev <= R) {
            row = I;
            break;
        }
        prev = SHAPETAB(I, 1);
    }
    if (row == 1) {
        for (int J = 1; J <= NN; ++J) A(J) = SHAPETAB(1, J + 1);
        return;
    }
    float key = SHAPETAB(row, 1);
    float kprev = SHAPETAB(row - 1, 1);
    if (R < 0.2f) {
        R = std::log(R);
        key = std::log(key);
        kprev = std::log(kprev);
    }
    for (int J = 1; J <= NN; ++J)
        A(J) = ((R - kprev) * SHAPETAB(row, J + 1) + (key - R) * SHAPETAB(row - 1, J + 1)) /
               (key - kprev);
}

void ECHAPMAN(float& ERR) {
    const int NN = TRCSEC.NN;
    const int NFQ = TRCSEC.NFQ;
    auto& A = LAYCOF.A;
    auto& AE = LAYCOF.AE;
    ERR = 0.0f;
    ZEROPROF(0);
    // Points at or above the section top are not integrated and take no part.
    const float FEND = TRCSEC.FEND;
    int used = 0;
    for (int K = 1; K <= NFQ; ++K)
        if (TRCSEC.FK(K) < FEND) ++used;
    if (used <= 3) {
        standard_layer();
        SCALE2.IQUALE(19) = 1;
        return;
    }
    CDO();
    SIK();
    const auto& S = SMAT.S;
    float SP = 0.0f, SG = 0.0f, SPG = 0.0f, SGG = 0.0f;
    for (int K = 1; K <= NFQ; ++K) {
        if (!(TRCSEC.FK(K) < FEND)) continue;
        float G = 0.0f;
        for (int N = 1; N <= NN; ++N) G += S(N, K) * A(N);
        const float P = TRCSEC.PPO(K);
        SP += P;
        SG += G;
        SPG += P * G;
        SGG += G * G;
    }
    const float DEN = static_cast<float>(used) * SGG - SG * SG;
    float H0, SCALE;
    if (DEN == 0.0f) {
        H0 = 80.0f;
        SCALE = (SPG - SG * H0) / SGG;
    } else {
        H0 = (SP * SGG - SG * SPG) / DEN;
        if (H0 < 75.0f) {
            H0 = 75.0f;
            SCALE = (SPG - SG * H0) / SGG;
        } else if (H0 > 90.0f) {
            H0 = 90.0f;
            SCALE = (SPG - SG * H0) / SGG;
        } else {
            SCALE = (static_cast<float>(used) * SPG - SG * SP) / DEN;
        }
    }
    H0 = round_to(H0, 10.0f);
    float sum = 0.0f;
    for (int N = 1; N <= NN; ++N) {
        A(N) = std::round(1000.0f * A(N) * SCALE) / 1000.0f;  // products in this order
        AE(N) = A(N);
        sum += AE(N);
    }
    LAYCOF.ZME = H0 - sum;
    SCALE2.HME = LAYCOF.ZME;
    DERPAR.HSTART = H0;
    YLAYER.YE = SCALE;
    float res = 0.0f;
    for (int K = 1; K <= NFQ; ++K) {
        if (!(TRCSEC.FK(K) < FEND)) continue;
        float hv = 0.0f;
        for (int N = 1; N <= NN; ++N) hv += S(N, K) * AE(N);
        res += std::fabs(TRCSEC.PPO(K) - DERPAR.HSTART - hv);
    }
    ERR = res / static_cast<float>(used);
    SCALE2.IQUALE(19) = 0;
}

}  // namespace kolm
