// Pieces shared by the parser and the output and input engines of the
// fixed-column formats.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>

#include "notation/fixed_format.h"

namespace kolm::fmt {

inline bool is_data(Format::Kind k) {
    return k == Format::Kind::I || k == Format::Kind::F || k == Format::Kind::E || k == Format::Kind::A ||
           k == Format::Kind::Z;
}

// Powers of ten exact in float and in double: a digit string that fits the
// mantissa, scaled by one of them, is correctly rounded in one operation.
inline constexpr float POW10F[] = {1e0f, 1e1f, 1e2f, 1e3f, 1e4f, 1e5f, 1e6f, 1e7f, 1e8f, 1e9f, 1e10f};
inline constexpr double POW10D[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                    1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// The exact case of real input: a digit string that fits the mantissa,
// scaled by an exact power of ten, correctly rounded in one operation.
// False when the text needs the general conversion.
template <class T>
inline bool exact_real(uint64_t mant, int exp, bool neg, T& v) {
    if constexpr (std::is_same_v<T, float>) {
        if (mant <= (uint64_t(1) << 24) && exp >= -10 && exp <= 10) {
            float x = float(mant);
            x = exp < 0 ? x / POW10F[-exp] : x * POW10F[exp];
            v = neg ? -x : x;
            return true;
        }
    } else {
        if (mant <= (uint64_t(1) << 53) && exp >= -22 && exp <= 22) {
            double x = double(mant);
            x = exp < 0 ? x / POW10D[-exp] : x * POW10D[exp];
            v = neg ? -x : x;
            return true;
        }
    }
    return false;
}

// Integer digits of v (no sign) written backwards from end; returns the start.
inline char* utoa_back(char* end, uint64_t v) {
    do {
        *--end = char('0' + v % 10);
        v /= 10;
    } while (v);
    return end;
}

// Walks the values of an item list one element at a time.
template <class Item>
struct Cursor {
    std::span<const Item> items;
    std::size_t k = 0;  // current entry
    int32_t e = 0;      // element within it

    explicit Cursor(std::span<const Item> it) : items(it) { settle(); }
    void settle() {
        while (k < items.size() && e >= items[k].count) {
            ++k;
            e = 0;
        }
    }
    bool more() const { return k < items.size(); }
    const Item& item() const { return items[k]; }
    void next() {
        ++e;
        settle();
    }
};

// Field conversions of the engines, also the reference cases of the row
// statements (notation/rows.h). Input: the field's characters on the line
// (blanks ignored); false when the text does not convert (an integer beyond
// 64 bits, a real beyond the item's range). Output: appends exactly w
// characters; put_fixed and put_exp write nothing and return false when the
// value cannot be shown, put_real then writes the format's marker or
// asterisks.
bool int_field(std::string_view field, int64_t& v);
bool real_field(std::string_view field, int d, float& v);
bool real_field(std::string_view field, int d, double& v);
void put_int(std::string& line, int64_t v, int w);
bool put_fixed(std::string& line, double v, bool single, int w, int d, Fit fit);
bool put_exp(std::string& line, double v, int w, int d, int e, Fit fit);
void put_real(std::string& line, const Format& f, const Format::Desc& d, double v, bool single);

}  // namespace kolm::fmt
