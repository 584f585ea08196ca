// The former bottomside routines (namespace kolm::reference), kept for the
// differential tests: the same interfaces, blocks and side effects as the
// routines of models/bottomside.h.
#pragma once

#include <cstdint>

#include "models/bottomside.h"

namespace kolm::reference {

void CALB0B1D1();
void CALTIJ();
void CALB0B1(const float* A, const float* S, float& B0, float& MISFIT);
void CALD1();
void CALHSTHZ(int16_t MODE);
float CALTIRI(float HEF, float HST, float HZ);
void CALHMF1IRI(float FOF2, float HMF2, float B0, float B1, float FOF1, float& HMF1);
void FITF1IRI(int16_t& IERR);
void TABIRI(float STEP, int16_t& N, IriColumn& F, IriColumn& H, IriColumn& G, int16_t MODE);

}  // namespace kolm::reference
