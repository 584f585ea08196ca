// Placeholder until the sunspot table is read: no monthly value is known.
#include "models/sunspot.h"

namespace kolm {

void SSN_NOAA(int16_t, int16_t, float& SSNM, float& SSNDEV) {
    SSNM = -1.0f;
    SSNDEV = 0.0f;
}

}  // namespace kolm
