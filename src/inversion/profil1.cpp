// Inversion driver.
#include "inversion/profil1.h"

#include "blocks/peltartrueh.h"

namespace kolm {

namespace {

// Basis polynomial N in falling powers: 2 d/dX [sqrt(X) T*(N-1, X)] * sqrt(X).
constexpr float CVROWS[MAXTERMS][MAXTERMS] = {
    {1},
    {6, -1},
    {40, -24, 1},
    {224, -240, 54, -1},
    {1152, -1792, 800, -96, 1},
    {5632, -11520, 7840, -2000, 150, -1},
    {26624, -67584, 62208, -25088, 4200, -216, 1},
    {122880, -372736, 433664, -241920, 65856, -7840, 294, -1},
};

}  // namespace

void SETCV() {
    TRCSEC.CV.fill(0.0f);
    for (int N = 1; N <= MAXTERMS; ++N)
        for (int I = 1; I <= N; ++I) TRCSEC.CV(N, I) = CVROWS[N - 1][I - 1];
}

void PROFIL1() {}

}  // namespace kolm
