// Row statements, output: formats of one data descriptor repeated, written
// a line at a time with the fields at fixed columns.
#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <string>
#include <type_traits>

#include "notation/engine.h"
#include "notation/row_bits.h"
#include "notation/rows.h"

namespace kolm::fmt {

namespace {

using namespace row_bits;
using Kind = Format::Kind;
using Row = Format::Row;

// ---------------------------------------------------------------- output of one field
//
// A field's text is built backward in a blank buffer and stored
// right-justified so that its last column lands at the field's end. The
// fields of a line are stored from the last to the first: a store of 16 or
// 32 bytes blanks columns before the field, which the fields to its left
// then cover. The common cases are formatted here; a value that does not
// fit, is not finite, or lies too close to a rounding tie is written by the
// engine's conversion.

struct FieldText {
    char b[32];
    char* p = b + sizeof b;
    FieldText() { std::memset(b, ' ', sizeof b); }
    std::size_t size() const { return std::size_t(b + sizeof b - p); }
    void put(char c) { *--p = c; }
    // Digits of v, at least `least` of them (leading zeros).
    void digits(uint64_t v, int least = 1) {
        char* const end = p;
        do {
            *--p = char('0' + v % 10);
            v /= 10;
        } while (v);
        while (end - p < least) *--p = '0';
    }
};

// Stores t right-justified over the w columns that end at end (t.size() <= w).
inline void store(char* end, int w, const FieldText& t) {
    if (w <= 16) {
        std::memcpy(end - 16, t.b + 16, 16);
    } else if (w <= 32) {
        std::memcpy(end - 32, t.b, 32);
    } else {
        std::memset(end - w, ' ', std::size_t(w) - t.size());
        std::memcpy(end - t.size(), t.p, t.size());
    }
}

template <class Put>
void via_engine(char* end, int w, Put&& put) {
    std::string s;
    put(s);
    std::memcpy(end - w, s.data(), std::size_t(w));
}

void int_out(char* end, int64_t v, int w) {
    FieldText t;
    t.digits(v < 0 ? uint64_t(0) - uint64_t(v) : uint64_t(v));
    if (v < 0) t.put('-');
    if (t.size() <= std::size_t(w)) store(end, w, t);
    else std::memset(end - w, '*', std::size_t(w));
}

// A 32-bit real under Fw.d: the engine's exact rounding of v * 10^d, halves
// away from zero, and its "0" before the point left out when the field has
// no room for it. False when the engine must write it.
bool fixed_out(char* end, double v, int w, int d) {
    if (d > 8 || !(std::fabs(v) * POW10D[d] < 9.0e15)) return false;
    const double y = v * POW10D[d];
    int64_t n = int64_t(y);
    const double rest = y - double(n);
    if (rest >= 0.5) ++n;
    else if (rest <= -0.5) --n;
    uint64_t mag = n < 0 ? uint64_t(0) - uint64_t(n) : uint64_t(n);
    FieldText t;
    for (int k = 0; k < d; ++k) {
        t.put(char('0' + mag % 10));
        mag /= 10;
    }
    t.put('.');
    const std::size_t sign = n < 0 ? 1 : 0;
    if (mag != 0 || t.size() + 1 + sign <= std::size_t(w)) t.digits(mag);
    if (n < 0) t.put('-');
    if (t.size() > std::size_t(w)) return false;
    store(end, w, t);
    return true;
}

// The eight decimal digits of n < 10^8, the first in byte 0, as characters.
inline uint64_t eight_chars(uint32_t n) {
    uint64_t x = uint64_t(n / 10000) | (uint64_t(n % 10000) << 32);  // two lanes of four digits
    const uint64_t hundreds = ((x * 5243) >> 19) & 0x0000007F0000007Full;
    x = ((x - hundreds * 100) << 16) | hundreds;  // four lanes of two digits
    const uint64_t tens = ((x * 103) >> 10) & 0x000F000F000F000Full;
    x = ((x - tens * 10) << 8) | tens;  // eight digits
    return x | ZEROS;
}

// A 32-bit real under Fw.3, w = 6, 7 or 8, built in one word: the rounding
// of fixed_out, the digits at once. The word's columns before the field
// are of no concern (the fields to the left cover them). False when the
// number needs more columns (or the general case).
template <int W>
inline bool fixed3_out(char* end, double v) {
    static_assert(W >= 6 && W <= 8);
    constexpr uint64_t LIMIT = W == 8 ? 10000000 : W == 7 ? 1000000 : 100000;
    constexpr int FIRST = 8 - W;                 // first column of the field in the word
    constexpr uint64_t LEADING = high_of(FIRST, 3);  // columns before the units column
    if (!(std::fabs(v) * 1000.0 < 9.0e15)) return false;
    // y is exact (a float times 1000), and so is y + 0.5 away from zero
    // while |y| < 2^52: its truncation is the rounding, without a branch
    // on the data (which mispredicts).
    const double y = v * 1000.0;
    const int64_t n = int64_t(y + std::copysign(0.5, y));
    const uint64_t mag = n < 0 ? uint64_t(0) - uint64_t(n) : uint64_t(n);
    if (mag >= LIMIT) return false;
    const uint64_t digits = eight_chars(uint32_t(mag));  // "0iiiifff"
    uint64_t out = ((digits >> 8) & 0xFFFFFFFFull) | (uint64_t('.') << 32) | (digits & 0xFFFFFF0000000000ull);
    // Zeros before the first digit of the integer part become blanks.
    const uint64_t nonzero = (~bytes_eq(out, '0') & LEADING) | (uint64_t(0x80) << 24);
    const int p = std::countr_zero(nonzero) >> 3;
    const uint64_t blank = (uint64_t(1) << (8 * p)) - 1;
    out = (out & ~blank) | (BLANKS & blank);
    if (n < 0) {
        if (p <= FIRST) return false;
        out = (out & ~(uint64_t(0xff) << (8 * (p - 1)))) | (uint64_t('-') << (8 * (p - 1)));
    }
    std::memcpy(end - 8, &out, 8);
    return true;
}

// v under Ew.dEe: the mantissa is v scaled by an exact power of ten and
// rounded to d digits; the scaling errs by far less than the distance to a
// tie that is demanded, so the digits are those of the exactly rounded
// value. False when the engine must write it.
bool exp_out(char* end, double v, int w, int d, int e) {
    if (d > 12 || e > 9) return false;
    uint64_t m = 0;
    int k = 0;  // decimal exponent: 0.1 <= mantissa < 1
    if (v != 0.0) {
        const double a = std::fabs(v);
        const int b = int((std::bit_cast<uint64_t>(a) >> 52) & 0x7ff);
        if (b == 0 || b == 0x7ff) return false;  // subnormal, infinite or NaN
        // a lies in [2^(b-1023), 2^(b-1022)): k is about (b-1022) log10(2).
        const double l = double(b - 1023) * 0.30102999566398120;
        k = int(l);
        if (double(k) > l) --k;
        ++k;
        double s = 0.0;
        for (int pass = 0;; ++pass) {
            const int p = d - k;
            if (p > 22 || p < -22) return false;
            s = p >= 0 ? a * POW10D[p] : a / POW10D[-p];
            if (s >= POW10D[d]) ++k;
            else if (s < POW10D[d - 1]) --k;
            else break;
            if (pass == 1) return false;
        }
        m = uint64_t(s);
        const double frac = s - double(m);
        if (std::fabs(frac - 0.5) < 1e-3) return false;
        if (frac > 0.5) ++m;
        if (m == uint64_t(POW10D[d])) {
            m /= 10;
            ++k;
        }
    }
    FieldText t;
    t.digits(uint64_t(k < 0 ? -k : k), e);
    if (t.size() > std::size_t(e)) return false;  // the engine shortens or writes asterisks
    t.put(k < 0 ? '-' : '+');
    t.put('E');
    t.digits(m, d);
    t.put('.');
    const std::size_t sign = v < 0.0 ? 1 : 0;
    if (t.size() + 1 + sign <= std::size_t(w)) t.put('0');
    if (sign) t.put('-');
    if (t.size() > std::size_t(w)) return false;
    store(end, w, t);
    return true;
}

// The D digits of m < 10^D (D <= 16, leading zeros) at p.
template <int D>
inline void put_digits(char* p, uint64_t m) {
    if constexpr (D <= 8) {
        const uint64_t x = eight_chars(uint32_t(m));
        std::memcpy(p, reinterpret_cast<const char*>(&x) + (8 - D), D);
    } else {
        const uint64_t hi = eight_chars(uint32_t(m / 100000000u)), lo = eight_chars(uint32_t(m % 100000000u));
        std::memcpy(p, reinterpret_cast<const char*>(&hi) + (16 - D), D - 8);
        std::memcpy(p + (D - 8), &lo, 8);
    }
}

// exp_out for one shape of field, the shapes of the record: the same
// scaling, decisions and rounding, the text put at constant columns. False
// where exp_out takes another course (it then decides).
template <int W, int D, int E>
inline bool exp_shaped(char* end, double v) {
    static_assert(D >= 1 && D <= 12 && (E == 1 || E == 2) && W >= D + E + 4);
    uint64_t m = 0;
    int k = 0;
    if (v != 0.0) {
        const double a = std::fabs(v);
        const int b = int((std::bit_cast<uint64_t>(a) >> 52) & 0x7ff);
        if (b == 0 || b == 0x7ff) return false;
        const double l = double(b - 1023) * 0.30102999566398120;
        k = int(l);
        if (double(k) > l) --k;
        ++k;
        // The first scaling, and the second when the first gives D + 1
        // digits; each a product or a quotient by an exact power (the other
        // operation by 1), chosen without a branch on the data.
        const int p = D - k;
        if (p > 22 || p < -21) return false;
        auto scale = [a](int q) {
            const double up = a * POW10D[q > 0 ? q : 0], down = a / POW10D[q < 0 ? -q : 0];
            return q >= 0 ? up : down;
        };
        const double s0 = scale(p), s1 = scale(p - 1);
        const bool up = s0 >= POW10D[D];
        const double s = up ? s1 : s0;
        k += up;
        if (s >= POW10D[D] || s < POW10D[D - 1]) return false;
        m = uint64_t(s);
        const double frac = s - double(m);
        if (std::fabs(frac - 0.5) < 1e-3) return false;
        m += uint64_t(frac > 0.5);
        if (m == uint64_t(POW10D[D])) {
            m /= 10;
            ++k;
        }
    }
    const unsigned ek = unsigned(k < 0 ? -k : k);
    if (ek >= (E == 1 ? 10u : 100u)) return false;
    // [blanks][-][0].<D digits>E<sign><E digits>; the 0 where the field
    // has room for it.
    char* const point = end - (D + E + 3);
    const bool neg = v < 0.0;
    point[0] = '.';
    put_digits<D>(point + 1, m);
    point[D + 1] = 'E';
    point[D + 2] = k < 0 ? '-' : '+';
    if constexpr (E == 1) {
        point[D + 3] = char('0' + ek);
    } else {
        point[D + 3] = char('0' + ek / 10);
        point[D + 4] = char('0' + ek % 10);
    }
    if constexpr (D + E + 5 <= W) {  // always the 0
        point[-1] = '0';
        point[-2] = neg ? '-' : ' ';
        std::memset(end - W, ' ', std::size_t(W - (D + E + 5)));
    } else {  // the 0, or the minus in its place
        point[-1] = neg ? '-' : '0';
        std::memset(end - W, ' ', std::size_t(W - (D + E + 4)));
    }
    return true;
}

// Integers of W = 2 or 3 columns from 0 to 10^W - 1: the digits after blanks.
template <int W>
inline bool small_int(char* end, int32_t v) {
    static_assert(W == 2 || W == 3);
    if (v < 0 || v >= (W == 3 ? 1000 : 100)) return false;
    const unsigned u = unsigned(v);
    end[-1] = char('0' + u % 10);
    if constexpr (W == 3) {
        end[-2] = u >= 10 ? char('0' + u / 10 % 10) : ' ';
        end[-3] = u >= 100 ? char('0' + u / 100) : ' ';
    } else {
        end[-2] = u >= 10 ? char('0' + u / 10) : ' ';
    }
    return true;
}

// The lines of an output statement of n fields (one empty line for none).
// put(i, end) writes field i into the w columns that end at end; the fields
// of a line go from the last to the first.
template <class Put>
IoStat write_lines(int32_t unit, const Row& r, int32_t n, Put&& put) {
    if (n <= 0) return platform::write_line(unit, std::string_view("", 0));
    constexpr std::size_t LEAD = 32;
    char buf[LEAD + Format::ROW_COLUMNS];
    char* const line = buf + LEAD;
    const std::size_t w = std::size_t(r.w);
    for (int32_t i = 0; i < n;) {
        const int32_t m = std::min<int32_t>(r.per_line, n - i);
        for (int32_t j = m - 1; j >= 0; --j) put(i + j, line + std::size_t(j + 1) * w);
        i += m;
        const IoStat st = platform::write_line(unit, std::string_view(line, std::size_t(m) * w));
        if (st != IoStat::ok) return st;
    }
    return IoStat::ok;
}

template <class T>
IoStat write_reals(int32_t unit, const Format& f, const T* src, int32_t n) {
    const Row& r = f.row();
    constexpr bool single = std::is_same_v<T, float>;
    // Fixed point of 64-bit reals has no case of its own here.
    if (r.per_line == 0 || !(r.kind == Kind::E || (single && r.kind == Kind::F)))
        return write(unit, f, {OutItem(src, n)});
    const int w = r.w, d = r.d, e = r.e;
    // A value the fast forms do not take goes through the engine's own
    // conversion: shortened, else the format's marker, else asterisks.
    const Format::Desc& desc = *std::find_if(f.descs().begin(), f.descs().end(), [](const Format::Desc& x) {
        return x.kind == Kind::F || x.kind == Kind::E;
    });
    auto engine = [&](char* end, double v) {
        via_engine(end, w, [&](std::string& s) { put_real(s, f, desc, v, single); });
    };
    if constexpr (single && SWAR) {
        auto fixed3 = [&](auto put) {
            return write_lines(unit, r, n, [&](int32_t i, char* end) {
                const double v = src[i];
                if (!put(end, v) && !fixed_out(end, v, w, d)) engine(end, v);
            });
        };
        if (r.kind == Kind::F && d == 3) {
            if (w == 8) return fixed3([](char* end, double v) { return fixed3_out<8>(end, v); });
            if (w == 7) return fixed3([](char* end, double v) { return fixed3_out<7>(end, v); });
            if (w == 6) return fixed3([](char* end, double v) { return fixed3_out<6>(end, v); });
        }
    }
    if (r.kind == Kind::F)
        return write_lines(unit, r, n, [&](int32_t i, char* end) {
            const double v = src[i];
            if (!fixed_out(end, v, w, d)) engine(end, v);
        });
    auto expo = [&](auto shaped) {
        return write_lines(unit, r, n, [&](int32_t i, char* end) {
            const double v = src[i];
            if (!shaped(end, v) && !exp_out(end, v, w, d, e)) engine(end, v);
        });
    };
    // The shapes of the record.
    if (w == 8 && d == 3 && e == 1) return expo([](char* end, double v) { return exp_shaped<8, 3, 1>(end, v); });
    if (w == 11 && d == 6 && e == 1) return expo([](char* end, double v) { return exp_shaped<11, 6, 1>(end, v); });
    if (w == 9 && d == 4 && e == 1) return expo([](char* end, double v) { return exp_shaped<9, 4, 1>(end, v); });
    if (w == 20 && d == 12 && e == 2) return expo([](char* end, double v) { return exp_shaped<20, 12, 2>(end, v); });
    return expo([](char*, double) { return false; });
}

}  // namespace

IoStat write_row(int32_t unit, const Format& f, const int32_t* src, int32_t n) {
    const Row& r = f.row();
    if (r.per_line == 0 || r.kind != Kind::I) return write(unit, f, {OutItem(src, n)});
    const int w = r.w;
    if (w == 1)  // one digit per column, as in "(120I1)"
        return write_lines(unit, r, n, [&](int32_t i, char* end) {
            const int32_t v = src[i];
            if (v >= 0 && v <= 9) end[-1] = char('0' + v);
            else end[-1] = '*';
        });
    if (w == 3)
        return write_lines(unit, r, n, [&](int32_t i, char* end) {
            if (!small_int<3>(end, src[i])) int_out(end, src[i], w);
        });
    if (w == 2)
        return write_lines(unit, r, n, [&](int32_t i, char* end) {
            if (!small_int<2>(end, src[i])) int_out(end, src[i], w);
        });
    return write_lines(unit, r, n, [&](int32_t i, char* end) { int_out(end, src[i], w); });
}

IoStat write_row(int32_t unit, const Format& f, const float* src, int32_t n) {
    return write_reals(unit, f, src, n);
}

IoStat write_row(int32_t unit, const Format& f, const double* src, int32_t n) {
    return write_reals(unit, f, src, n);
}

IoStat write_row_texts(int32_t unit, const Format& f, const char* src, int32_t len, int32_t n) {
    const Row& r = f.row();
    if (r.per_line == 0 || r.kind != Kind::A) return write(unit, f, {OutItem::texts(src, n, len)});
    const int w = r.w;
    // Aw: the first w characters of a longer item, a shorter one after blanks.
    return write_lines(unit, r, n, [&](int32_t i, char* end) {
        const char* s = src + std::size_t(i) * std::size_t(len);
        if (len >= w) {
            std::memcpy(end - w, s, std::size_t(w));
        } else {
            std::memset(end - w, ' ', std::size_t(w - len));
            std::memcpy(end - len, s, std::size_t(len));
        }
    });
}

}  // namespace kolm::fmt
