// Word-at-a-time helpers of the row statements (notation/rows.h): eight
// columns of a line in one 64-bit word, byte 0 its leftmost column.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>

namespace kolm::fmt::row_bits {

constexpr uint64_t ONES = 0x0101010101010101ull;
constexpr uint64_t HIGH = 0x8080808080808080ull;
constexpr uint64_t LOW7 = 0x7f7f7f7f7f7f7f7full;
constexpr uint64_t BLANKS = ONES * uint8_t(' ');
constexpr uint64_t ZEROS = ONES * uint8_t('0');
constexpr bool SWAR = std::endian::native == std::endian::little;

inline uint64_t load8(const char* p) {
    uint64_t x;
    std::memcpy(&x, p, 8);
    return x;
}

// The eight bytes ending at end, the first `before` of them made blanks
// (they lie before the text).
inline uint64_t tail8(const char* end, int before) {
    const uint64_t x = load8(end - 8);
    if (before <= 0) return x;
    const uint64_t low = (uint64_t(1) << (8 * before)) - 1;
    return (x & ~low) | (BLANKS & low);
}

// 0x80 in every byte of x equal to c (bytes of x below 0x80).
inline uint64_t bytes_eq(uint64_t x, char c) {
    const uint64_t y = x ^ (ONES * uint8_t(c));
    return ~(y + LOW7) & HIGH;
}

// 0x80 in every byte of x that is a decimal digit (bytes below 0x80).
inline uint64_t digit_bytes(uint64_t x) {
    return (x + ONES * 0x50) & ~(x + ONES * 0x46) & HIGH;
}

// HIGH bits of bytes from to to - 1.
constexpr uint64_t high_of(int from, int to) {
    uint64_t m = 0;
    for (int k = from; k < to; ++k) m |= uint64_t(0x80) << (8 * k);
    return m;
}

}  // namespace kolm::fmt::row_bits
