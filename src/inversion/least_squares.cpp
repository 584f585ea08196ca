// Basis polynomials, normal equations and their Gauss-Jordan solution.
#include "inversion/least_squares.h"

#include <cmath>

#include "blocks/peltartrueh.h"

namespace kolm {

float DTST(float X, int N) {
    const auto& CV = TRCSEC.CV;
    float Y = CV(N, 1);
    for (int I = 2; I <= N; ++I) Y = Y * X + CV(N, I);
    return Y;
}

void ESTAB(NormalMatrix& AM) {
    const int NFQ = TRCSEC.NFQ;
    const int NN = TRCSEC.NN;
    for (int K = 1; K <= NFQ; ++K) {
        float r = TRCSEC.PPO(K) - TRCSEC.DHE(K) - TRCSEC.DHV(K) - VALPAR.DHF1(K);
        REDHV.REDHV(K) = r < 0.0f ? 0.0f : r;
    }
    const auto& S = SMAT.S;
    for (int I = 1; I <= NN; ++I) {
        for (int J = 1; J <= NN; ++J) {
            float sum = 0.0f;
            for (int K = 1; K <= NFQ; ++K) sum += S(I, K) * S(J, K);
            AM(I, J) = sum;
        }
        float rhs = 0.0f;
        for (int K = 1; K <= NFQ; ++K) rhs += S(I, K) * REDHV.REDHV(K);
        AM(I, NN + 1) = rhs;
    }
}

void EQUTN(NormalMatrix& AM, int N, FArray<float, MAXTERMS>& X) {
    int IROW[MAXTERMS + 2], ICOL[MAXTERMS + 2];
    for (int I = 1; I <= N + 1; ++I) {
        IROW[I] = I;
        ICOL[I] = I;
    }
    for (int K = 1; K <= N; ++K) {
        float best = 0.0f;
        int IP = K, JP = K;
        for (int I = K; I <= N; ++I)
            for (int J = K; J <= N; ++J) {
                const float a = std::fabs(AM(IROW[I], ICOL[J]));
                if (a > best) {
                    best = a;
                    IP = I;
                    JP = J;
                }
            }
        if (best == 0.0f) {
            // Singular: no solution is reported as all unknowns zero.
            for (int I = 1; I <= N; ++I) X(I) = 0.0f;
            return;
        }
        int t = IROW[K];
        IROW[K] = IROW[IP];
        IROW[IP] = t;
        t = ICOL[K];
        ICOL[K] = ICOL[JP];
        ICOL[JP] = t;
        const int IR = IROW[K], IC = ICOL[K];
        const float PIV = AM(IR, IC);
        for (int J = K; J <= N + 1; ++J) AM(IR, ICOL[J]) = AM(IR, ICOL[J]) / PIV;
        for (int L = 1; L <= N; ++L) {
            if (L == IR) continue;
            const float F = AM(L, IC);
            for (int J = K; J <= N + 1; ++J) AM(L, ICOL[J]) = AM(L, ICOL[J]) - AM(IR, ICOL[J]) * F;
        }
    }
    for (int I = 1; I <= N; ++I) X(ICOL[I]) = AM(IROW[I], N + 1);
}

}  // namespace kolm
