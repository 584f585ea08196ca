// Many fields at once for the row statements (notation/rows.cpp): the
// columns are classed with SSE2 and the usual texts checked with a few
// operations on the bit masks of the classes. Four fields of eight columns
// (the "(15F8.3)" and "(15E8.3E1)" rows of the SAO record) have their digits
// turned into numbers in the vector registers; the integer rows "(40I3)"
// and "(60I2)" are checked a whole line at a time. The fields that do not
// have the usual shape are left to their field conversions.
#pragma once

#include <cstdint>
#include <cstring>

#include "notation/engine.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace kolm::fmt {

namespace words {

#if defined(__SSE2__)

inline constexpr bool ON = true;

constexpr uint32_t rep(uint32_t byte) { return 0x01010101u * byte; }

inline uint32_t mask32(__m128i lo, __m128i hi) {
    return uint32_t(_mm_movemask_epi8(lo)) | (uint32_t(_mm_movemask_epi8(hi)) << 16);
}

// The classes of the 32 columns at s.
struct Columns {
    const char* s;
    __m128i x[2];
    __m128i digit[2];  // the value of each digit column, 0 elsewhere
    uint32_t dig = 0, blank = 0, minus = 0, point = 0;

    explicit Columns(const char* at) : s(at) {
        const __m128i zero = _mm_set1_epi8('0'), nine = _mm_set1_epi8(9);
        __m128i is_digit[2], is_blank[2], is_minus[2], is_point[2];
        for (int h = 0; h < 2; ++h) {
            x[h] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + 16 * h));
            const __m128i t = _mm_sub_epi8(x[h], zero);
            is_digit[h] = _mm_cmpeq_epi8(_mm_min_epu8(t, nine), t);
            digit[h] = _mm_and_si128(t, is_digit[h]);
            is_blank[h] = _mm_cmpeq_epi8(x[h], _mm_set1_epi8(' '));
            is_minus[h] = _mm_cmpeq_epi8(x[h], _mm_set1_epi8('-'));
            is_point[h] = _mm_cmpeq_epi8(x[h], _mm_set1_epi8('.'));
        }
        dig = mask32(is_digit[0], is_digit[1]);
        blank = mask32(is_blank[0], is_blank[1]);
        minus = mask32(is_minus[0], is_minus[1]);
        point = mask32(is_point[0], is_point[1]);
    }
    uint32_t equal(char c) const {
        const __m128i b = _mm_set1_epi8(c);
        return mask32(_mm_cmpeq_epi8(x[0], b), _mm_cmpeq_epi8(x[1], b));
    }
};

// Eight digit values in each 64-bit lane (column 0 in its low byte) as the
// number they spell, for the four lanes of a and b.
inline __m128i eight_digit_numbers(__m128i a, __m128i b) {
    const __m128i low = _mm_set1_epi16(0x00ff);
    auto pairs = [&](__m128i v) {  // 10 * even column + odd column, in 16 bits
        return _mm_add_epi16(_mm_mullo_epi16(_mm_and_si128(v, low), _mm_set1_epi16(10)), _mm_srli_epi16(v, 8));
    };
    const __m128i hundreds = _mm_set1_epi32(0x00010064);  // (100, 1)
    const __m128i qa = _mm_madd_epi16(pairs(a), hundreds), qb = _mm_madd_epi16(pairs(b), hundreds);
    return _mm_madd_epi16(_mm_packs_epi32(qa, qb), _mm_set1_epi32(0x00012710));  // (10000, 1)
}

// Bytes of one 64-bit lane, as a lane mask.
inline __m128i lane_bytes(int from, int to) {
    uint64_t m = 0;
    for (int k = from; k < to; ++k) m |= uint64_t(0xff) << (8 * k);
    return _mm_set1_epi64x(int64_t(m));
}

// Under F8.3: the usual text of each field is blanks, an optional minus, one
// or more digits ending in column 3, the point in column 4 and three
// digits; its value the number of its seven digits divided by 1000 (the
// engine's exact case). Returns bit k set when field k has that shape, its
// value in v[k].
inline unsigned fixed8_3(const Columns& c, float v[4]) {
    const uint32_t before_digit = c.dig >> 1;  // columns followed by a digit
    const uint32_t bad = (~c.point & rep(0x10)) | (~c.dig & rep(0xE8)) | (~(c.dig | c.blank | c.minus) & rep(0x07)) |
                         ((c.dig | c.minus) & ~before_digit & rep(0x07));
    unsigned good = 0;
    for (int k = 0; k < 4; ++k) good |= unsigned(((bad >> (8 * k)) & 0xff) == 0) << k;
    if (!good) return 0;
    // The point taken out: columns 0 to 3 move one to the right.
    const __m128i left = lane_bytes(0, 4), right = lane_bytes(5, 8);
    __m128i z[2];
    for (int h = 0; h < 2; ++h)
        z[h] = _mm_or_si128(_mm_slli_epi64(_mm_and_si128(c.digit[h], left), 8), _mm_and_si128(c.digit[h], right));
    const __m128 x = _mm_div_ps(_mm_cvtepi32_ps(eight_digit_numbers(z[0], z[1])), _mm_set1_ps(POW10F[3]));
    // A minus in a field: the sign of its value.
    const __m128i zero = _mm_setzero_si128();
    const __m128i minus_lo = _mm_cmpeq_epi8(c.x[0], _mm_set1_epi8('-'));
    const __m128i minus_hi = _mm_cmpeq_epi8(c.x[1], _mm_set1_epi8('-'));
    const __m128i counts = _mm_packs_epi32(_mm_sad_epu8(minus_lo, zero), _mm_sad_epu8(minus_hi, zero));
    const __m128i sign = _mm_and_si128(_mm_cmpgt_epi32(counts, zero), _mm_set1_epi32(int32_t(0x80000000u)));
    _mm_storeu_ps(v, _mm_xor_ps(x, _mm_castsi128_ps(sign)));
    return good;
}

// Under E8.3E1 as written ("0.495E+3", "-.611E+2"): a digit, blank or minus,
// the point, three digits, E, a sign and one digit, with an exponent the
// engine's exact case takes (E-8 and E-9 are not). Returns bit k set when
// field k has that shape, its value in v[k].
inline unsigned exp8_3_1(const Columns& c, float v[4]) {
    const uint32_t sign = c.equal('+') | c.minus;
    // Exponent digits up to 7 after a minus.
    const __m128i seven = _mm_set1_epi8(7);
    uint32_t small = 0;
    {
        const __m128i t0 = _mm_sub_epi8(c.x[0], _mm_set1_epi8('0')), t1 = _mm_sub_epi8(c.x[1], _mm_set1_epi8('0'));
        small = mask32(_mm_cmpeq_epi8(_mm_min_epu8(t0, seven), t0), _mm_cmpeq_epi8(_mm_min_epu8(t1, seven), t1));
    }
    const uint32_t bad = (~(c.dig | c.blank | c.minus) & rep(0x01)) | (~c.point & rep(0x02)) | (~c.dig & rep(0x9C)) |
                         (~c.equal('E') & rep(0x20)) | (~sign & rep(0x40)) | ((c.minus << 1) & ~small & rep(0x80));
    unsigned good = 0;
    for (int k = 0; k < 4; ++k) good |= unsigned(((bad >> (8 * k)) & 0xff) == 0) << k;
    if (!good) return 0;
    // The mantissa's digits (columns 0, 2, 3, 4) to columns 4 to 7.
    const __m128i first = lane_bytes(0, 1), rest = lane_bytes(2, 5);
    __m128i z[2];
    for (int h = 0; h < 2; ++h)
        z[h] = _mm_or_si128(_mm_slli_epi64(_mm_and_si128(c.digit[h], first), 32),
                            _mm_slli_epi64(_mm_and_si128(c.digit[h], rest), 24));
    alignas(16) int32_t m[4];
    _mm_store_si128(reinterpret_cast<__m128i*>(m), eight_digit_numbers(z[0], z[1]));
    for (int k = 0; k < 4; ++k) {
        if (!(good >> k & 1)) continue;
        const char* f = c.s + 8 * k;
        const int e = f[7] - '0';
        exact_real(uint64_t(m[k]), (f[6] == '-' ? -e : e) - 3, f[0] == '-', v[k]);
    }
    return good;
}

// Columns 0 to 127 of a line, bit j of word j / 64 for column j.
struct LineBits {
    uint64_t w[2];
};

// Bits of the last column of every field of W columns.
template <int W>
constexpr LineBits last_columns() {
    LineBits b{{0, 0}};
    for (int j = W - 1; j < 128; j += W) b.w[j / 64] |= uint64_t(1) << (j % 64);
    return b;
}

// Integers of W = 2 or 3 columns, m fields at s with m * W <= 128 (128
// columns readable): the columns that spoil the plain text of their field,
// blanks then digits (blank fields read as 0). A field whose columns are all
// clear reads as its digits.
template <int W>
inline LineBits plain_ints(const char* s, int m) {
    static_assert(W == 2 || W == 3);
    constexpr LineBits LAST = last_columns<W>();
    LineBits dig{{0, 0}}, blank{{0, 0}};
    const __m128i zero = _mm_set1_epi8('0'), nine = _mm_set1_epi8(9), blanks = _mm_set1_epi8(' ');
    for (int c = 0; c < 8; ++c) {
        const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + 16 * c));
        const __m128i t = _mm_sub_epi8(x, zero);
        const uint64_t d = uint32_t(_mm_movemask_epi8(_mm_cmpeq_epi8(_mm_min_epu8(t, nine), t)));
        const uint64_t b = uint32_t(_mm_movemask_epi8(_mm_cmpeq_epi8(x, blanks)));
        dig.w[c / 4] |= d << (16 * (c % 4));
        blank.w[c / 4] |= b << (16 * (c % 4));
    }
    const int cols = m * W;
    const uint64_t used[2] = {cols >= 64 ? ~uint64_t(0) : (uint64_t(1) << cols) - 1,
                              cols <= 64 ? 0 : cols >= 128 ? ~uint64_t(0) : (uint64_t(1) << (cols - 64)) - 1};
    // A digit followed by a blank within its field.
    const uint64_t next_blank[2] = {(blank.w[0] >> 1) | (blank.w[1] << 63), blank.w[1] >> 1};
    LineBits bad;
    for (int h = 0; h < 2; ++h)
        bad.w[h] = ((~(dig.w[h] | blank.w[h])) | (dig.w[h] & next_blank[h] & ~LAST.w[h])) & used[h];
    return bad;
}

// Whether columns from to from + W - 1 are clear.
template <int W>
inline bool clear(const LineBits& bad, int from) {
    bool ok = true;
    for (int k = from; k < from + W; ++k) ok = ok && !(bad.w[k / 64] >> (k % 64) & 1);
    return ok;
}

#else

inline constexpr bool ON = false;

struct LineBits {
    uint64_t w[2];
};
template <int W>
inline LineBits plain_ints(const char*, int) {
    return {{~uint64_t(0), ~uint64_t(0)}};
}
template <int W>
inline bool clear(const LineBits&, int) {
    return false;
}

struct Columns {
    explicit Columns(const char*) {}
};
inline unsigned fixed8_3(const Columns&, float*) { return 0; }
inline unsigned exp8_3_1(const Columns&, float*) { return 0; }

#endif

}  // namespace words

}  // namespace kolm::fmt
