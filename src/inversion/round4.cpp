// Four significant digits of the decimal form of a real.
//
// The value is taken in its shortest decimal form (the digits that read back
// as the same 32-bit real), and that decimal is rounded, so 0.0012345 gives
// 0.001235 although its binary value lies just below the half.
#include "inversion/round4.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace kolm {

void ROUND4(float X, float& Y) {
    if (X == 0.0f || !std::isfinite(X)) {
        Y = X;
        return;
    }
    char buf[64];
    const auto res = std::to_chars(buf, buf + sizeof buf - 1, std::fabs(X), std::chars_format::scientific);
    *res.ptr = '\0';
    // buf: d[.ddd...]e[+-]xx
    int digits[12] = {};
    int nd = 0;
    const char* p = buf;
    for (; *p && *p != 'e'; ++p)
        if (*p >= '0' && *p <= '9' && nd < 12) digits[nd++] = *p - '0';
    int exponent = std::atoi(p + 1);
    // Keep four digits, half away from zero on the fifth.
    int mant = 0;
    for (int i = 0; i < 4; ++i) mant = mant * 10 + digits[i];
    if (digits[4] >= 5) ++mant;
    if (mant >= 10000) {
        mant /= 10;
        ++exponent;
    }
    char out[32];
    std::snprintf(out, sizeof out, "%s%d.%03de%d", X < 0.0f ? "-" : "", mant / 1000, mant % 1000, exponent);
    Y = std::strtof(out, nullptr);
}

}  // namespace kolm
