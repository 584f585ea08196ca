// Rounding to four significant decimal digits.
#pragma once

namespace kolm {

// Y := X rounded to four significant digits, as the value is written in
// decimal (0.dddd times a power of ten), halves away from zero.
// Reads: no block.
// Writes: no block.
void ROUND4(float X, float& Y);

}  // namespace kolm
