// Sturm-sequence count of the turning points of a section.
#include "inversion/monotonicity.h"

#include "blocks/peltartrueh.h"

namespace kolm {

namespace {

int sign_of(float x) { return x > 0.0f ? 1 : (x < 0.0f ? -1 : 0); }

int abs_of(int x) { return x < 0 ? -x : x; }

}  // namespace

void CHECKH(int16_t& ICHK) {
    const int NN = TRCSEC.NN;
    const auto& A = LAYCOF.A;
    const auto& CV = TRCSEC.CV;
    // Sturm rows by ascending powers: row R, column I = coefficient of X**(I-1).
    FArray2<float, MAXTERMS, MAXTERMS> T{};
    for (int I = 1; I <= NN; ++I) {
        float c = 0.0f;
        for (int J = I; J <= NN; ++J) c += A(J) * CV(J, J - I + 1);
        T(1, I) = c;
    }
    // The polynomial's true degree: a zero leading coefficient would otherwise
    // make the derivative's leading coefficient zero and break the division.
    int L1 = NN;
    while (L1 > 1 && T(1, L1) == 0.0f) --L1;
    for (int I = 1; I <= L1 - 1; ++I) T(2, I) = static_cast<float>(I) * T(1, I + 1);
    int L2 = L1 - 1;

    int rdiv = 0, rdsr = 1, rres = 2;
    int last = 2;
    while (L2 > 1) {
        ++rdiv;
        ++rdsr;
        ++rres;
        for (int I = 1; I <= L1; ++I) T(rres, I) = T(rdiv, I);
        for (;;) {
            const float d = T(rdsr, L2);
            const float Q = d == 0.0f ? 0.0f : T(rres, L1) / d;
            T(rres, L1) = 0.0f;
            for (int I = 1; I <= L2 - 1; ++I)
                T(rres, I + L1 - L2) = T(rres, I + L1 - L2) - T(rdsr, I) * Q;
            int M = 1;
            for (int I = L1 - 1; I >= 1; --I)
                if (T(rres, I) != 0.0f) {
                    M = I;
                    break;
                }
            L1 = M;
            if (L2 > L1) break;
        }
        for (int I = 1; I <= L1; ++I) T(rres, I) = -T(rres, I);
        const int count = L1;
        L1 = L2;
        L2 = count;
        last = rres;
    }

    int s0[MAXTERMS + 1], s1[MAXTERMS + 1];
    for (int R = 1; R <= last; ++R) {
        s0[R] = sign_of(T(R, 1));
        float sum = 0.0f;
        for (int I = 1; I <= NN; ++I) sum += T(R, I);
        s1[R] = sign_of(sum);
    }
    int n = 0;
    for (int R = 1; R < last; ++R) {
        int d = abs_of(s0[R + 1]) + abs_of(s0[R]);
        if (d != 0) n += abs_of(s0[R + 1] - s0[R]) / d;
        d = abs_of(s1[R + 1]) + abs_of(s1[R]);
        if (d != 0) n -= abs_of(s1[R + 1] - s1[R]) / d;
    }
    ICHK = static_cast<int16_t>(n);
}

}  // namespace kolm

