// Monthly sunspot numbers.
#pragma once

#include <cstdint>

namespace kolm {

// Monthly sunspot number SSNM and its deviation SSNDEV for year IYR4 and MONTH;
// SSNM = -1 (SSNDEV = 0) when no value can be given.
void SSN_NOAA(int16_t IYR4, int16_t MONTH, float& SSNM, float& SSNDEV);

}  // namespace kolm
