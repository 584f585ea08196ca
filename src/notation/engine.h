// Pieces shared by the parser and the output and input engines of the
// fixed-column formats.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "notation/fixed_format.h"

namespace kolm::fmt {

inline bool is_data(Format::Kind k) {
    return k == Format::Kind::I || k == Format::Kind::F || k == Format::Kind::E || k == Format::Kind::A ||
           k == Format::Kind::Z;
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

}  // namespace kolm::fmt
