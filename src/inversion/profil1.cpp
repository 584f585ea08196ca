// Placeholder until the inversion stages are built.
#include "inversion/profil1.h"

namespace kolm {

void PROFIL1() {}

}  // namespace kolm
