// Row statements, input: formats of one data descriptor repeated, read a
// line at a time with the fields at fixed columns.
#include "notation/rows.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <type_traits>

#include "notation/engine.h"
#include "notation/row_bits.h"
#include "notation/row_words.h"

namespace kolm::fmt {

namespace {

using namespace row_bits;
using Kind = Format::Kind;
using Row = Format::Row;

inline unsigned digit(char c) { return unsigned(static_cast<unsigned char>(c)) - unsigned('0'); }

// ---------------------------------------------------------------- input of one field
//
// A field's w columns lie at s, blanks past the end of the line, with at
// least 16 readable bytes before s and 8 after s + w. The common texts are
// converted here, eight columns at a time; anything else (blanks inside or
// on the right, tabs, long digit strings, other characters) by the engine's
// conversion, which also decides every failure.

// One word of a number text, byte 0 its leftmost column.
struct Word {
    uint64_t value = 0;  // its digits as a number
    int digits = 0;      // how many
    int after = -1;      // digits after the point within the word; -1: no point
    bool neg = false;
    bool sign = false;   // a sign stands in it
};

// Eight digit bytes, the first in byte 0, as a number.
inline uint64_t eight_digits(uint64_t z) {
    uint64_t v = z - ZEROS;
    v = v * 10 + (v >> 8);  // pairs of digits in bytes 0, 2, 4, 6
    return (((v & 0x000000FF000000FFull) * (100 + (1000000ull << 32))) +
            (((v >> 16) & 0x000000FF000000FFull) * (1 + (10000ull << 32)))) >>
           32;
}

// A word of blanks, then (lead word only) an optional sign, then digits
// with at most one point. False for any other shape.
inline bool scan_word(uint64_t x, bool lead, Word& r) {
    if (x & HIGH) return false;
    const uint64_t dig = digit_bytes(x);
    if (dig == HIGH) {  // eight digits
        r = Word{eight_digits(x), 8, -1, false, false};
        return true;
    }
    const uint64_t blank = bytes_eq(x, ' ');
    const uint64_t nonblank = HIGH & ~blank;
    if (nonblank == 0) {
        if (!lead) return false;
        r = Word{};
        return true;
    }
    const int first = std::countr_zero(nonblank);  // bit 7 of the first column that is not blank
    if (nonblank != HIGH << (first - 7) || (blank && !lead)) return false;
    uint64_t odd = nonblank & ~dig;  // a sign, the point, or anything else
    uint64_t z = x | (blank >> 3);    // blanks as '0'
    r.sign = r.neg = false;
    const uint64_t at = uint64_t(1) << first;
    if (lead && (odd & at)) {
        const uint64_t c = (x >> (first - 7)) & 0xff;
        if (c == '-' || c == '+') {
            r.sign = true;
            r.neg = c == '-';
            odd ^= at;
            z = (z & ~(uint64_t(0xff) << (first - 7))) | (uint64_t('0') << (first - 7));
        }
    }
    r.after = -1;
    if (odd) {
        if (odd & (odd - 1)) return false;
        const int q = std::countr_zero(odd) >> 3;
        if (((x >> (8 * q)) & 0xff) != '.') return false;
        // The point taken out: the columns before it move one to the right.
        const uint64_t left = (uint64_t(1) << (8 * q)) - 1;
        const uint64_t right = q == 7 ? 0 : ~uint64_t(0) << (8 * (q + 1));
        z = (z & right) | ((z & left) << 8) | uint64_t('0');
        r.after = 7 - q;
    }
    r.value = eight_digits(z);
    r.digits = int(((dig >> 7) * ONES) >> 56);  // the digit bytes summed in the top one
    return true;
}

// A number text of n <= 16 columns ending at end: blanks, an optional sign,
// digits with at most one point. mant: the digits; after: the digits after
// the point, -1 without one.
struct Plain {
    uint64_t mant;
    int digits;
    int after;
    bool neg;
    bool sign;
};

inline bool scan_plain(const char* end, int n, Plain& p) {
    Word lo, hi;
    const uint64_t x = tail8(end, 8 - n);
    const uint64_t y = n > 8 ? tail8(end - 8, 16 - n) : BLANKS;
    if (y == BLANKS) {
        if (!scan_word(x, true, lo)) return false;
        p = Plain{lo.value, lo.digits, lo.after, lo.neg, lo.sign};
        return true;
    }
    if (!scan_word(y, true, hi) || !scan_word(x, false, lo)) return false;
    if (hi.after >= 0 && lo.after >= 0) return false;
    p.mant = hi.value * uint64_t(POW10D[lo.digits]) + lo.value;
    p.digits = hi.digits + lo.digits;
    p.after = lo.after >= 0 ? lo.after : hi.after >= 0 ? hi.after + lo.digits : -1;
    p.neg = hi.neg;
    p.sign = hi.sign;
    return true;
}

// The usual text of a number field, as the writers of the system put it:
// blanks, an optional minus, digits, and for reals the point with d digits
// after it at its own column; under Ew.dEe followed by E, a sign and e
// exponent digits. Masks precomputed per statement make the check and the
// conversion a few word operations. The point lies in one word (byte 0 its
// leftmost column); with d >= 8 a word of eight digits follows it.
struct Usual {
    bool on = false;
    int len = 0;            // columns of the plain number (before E under Ew.dEe)
    int d = 0;
    bool tail = false;      // a word of eight digits follows the word of the point
    int before = 0;         // columns of the word of the point that lie before the number: blanks
    uint64_t point = 0;     // the point's byte, and the byte itself
    uint64_t point_at = 0;
    uint64_t frac = 0;      // HIGH bits of the digits after the point
    uint64_t ints = 0;      // HIGH bits of the columns before the point
    uint64_t left = 0;      // the bytes before the point, and those after it
    uint64_t right = 0;
    bool clear_before = false;  // len > 8 without a tail: the columns before the word must be blank
};

inline uint64_t high_bytes(int from, int to) {  // HIGH bits of bytes from..to-1
    uint64_t m = 0;
    for (int k = from; k < to; ++k) m |= uint64_t(0x80) << (8 * k);
    return m;
}

inline uint64_t full_bytes(int from, int to) {
    return (high_bytes(from, to) >> 7) * 0xff;
}

// Integers: a point-free number in the last word of a field of w <= 8 columns.
inline Usual usual_int(int w) {
    Usual u;
    u.on = SWAR && w <= 8;
    u.len = w;
    u.before = 8 - w;
    u.ints = HIGH;
    return u;
}

inline Usual usual_real(int len, int d) {
    Usual u;
    u.len = len;
    u.d = d;
    int q;  // byte of the point in its word
    if (d <= 6 && len >= d + 1 && len <= 16) {
        q = 7 - d;
        u.before = std::max(0, 8 - len);
        u.clear_before = len > 8;
    } else if (d >= 8 && d <= 14 && len >= d + 1 && len <= 16) {
        q = 15 - d;
        u.tail = true;
        u.before = 16 - len;
    } else {
        return u;
    }
    u.on = SWAR;
    u.point = uint64_t(0xff) << (8 * q);
    u.point_at = uint64_t('.') << (8 * q);
    u.frac = high_bytes(q + 1, 8);
    u.ints = high_bytes(0, q);
    u.left = full_bytes(0, q);
    u.right = full_bytes(q + 1, 8);
    return u;
}

// The usual number whose last column is end[-1]. mant: its digits; the
// number of digits after the point is u.d.
inline bool usual_number(const Usual& u, const char* end, uint64_t& mant, bool& neg) {
    const char* word_end = u.tail ? end - 8 : end;
    const uint64_t x = tail8(word_end, u.before);
    if (x & HIGH) return false;
    const uint64_t dig = digit_bytes(x);
    const uint64_t blank = bytes_eq(x, ' ');
    const uint64_t minus = bytes_eq(x, '-') & u.ints;
    if ((x & u.point) != u.point_at || (dig & u.frac) != u.frac) return false;
    // Before the point: blanks, at most one minus, digits.
    const uint64_t d_int = dig & u.ints;
    const uint64_t b_int = blank & u.ints;
    if (((d_int | b_int | minus) & u.ints) != u.ints || (minus & (minus - 1)) != 0) return false;
    const uint64_t first = d_int & (0 - d_int);  // HIGH bit of the first digit (0: none)
    if (((b_int | minus) & ~(first - 1)) != 0 || (minus != 0 && b_int > minus)) return false;
    if (u.point && !u.tail && (dig & (u.ints | u.frac)) == 0) return false;  // a point alone
    if (u.clear_before && tail8(end - 8, 16 - u.len) != BLANKS) return false;
    uint64_t z = x;
    if (u.ints) {
        const uint64_t keep = (dig >> 7) * 0xff;
        z = (x & keep) | (ZEROS & ~keep);
    }
    if (u.point) z = ((z & u.left) << 8) | (z & u.right) | uint64_t('0');
    mant = eight_digits(z);
    if (u.tail) {
        const uint64_t y = load8(end - 8);
        if ((y & HIGH) || digit_bytes(y) != HIGH) return false;
        mant = mant * 100000000u + eight_digits(y);
    }
    neg = minus != 0;
    return true;
}

bool int_text(const Usual& u, const char* s, int w, int64_t& v) {
    uint64_t m;
    bool neg;
    if (u.on && usual_number(u, s + w, m, neg)) {
        v = neg ? -int64_t(m) : int64_t(m);
        return true;
    }
    if (SWAR && w <= 8) {
        Word r;
        if (scan_word(tail8(s + w, 8 - w), true, r) && r.after < 0) {
            v = r.neg ? -int64_t(r.value) : int64_t(r.value);
            return true;
        }
    }
    return int_field(std::string_view(s, std::size_t(w)), v);
}

// F and E fields. Tried in turn: the whole field as a plain number, the
// exponent form at its own columns (Ew.dEe as written: E, a sign and e
// digits in the last e + 2 columns, a plain number before them).
template <class T>
bool real_text(const Usual& plain, const Usual& expo, const char* s, int w, int d, int e, T& v) {
    uint64_t m;
    bool neg;
    if (expo.on) {
        const char* x = s + (w - e - 2);
        if (x[0] == 'E' && (x[1] == '+' || x[1] == '-')) {
            int exp = 0;
            bool digits = true;
            for (int k = 0; k < e; ++k) {
                const unsigned c = digit(x[2 + k]);
                digits = digits && c <= 9;
                exp = exp * 10 + int(c);
            }
            if (x[1] == '-') exp = -exp;
            if (digits && usual_number(expo, x, m, neg) && exact_real(m, exp - d, neg, v)) return true;
        }
    }
    if (plain.on && usual_number(plain, s + w, m, neg) && exact_real(m, -d, neg, v)) return true;
    if (SWAR) {
        Plain p;
        if (w <= 16 && scan_plain(s + w, w, p)) {
            if (p.digits == 0 && !p.sign && p.after < 0) {  // blank
                v = T(0);
                return true;
            }
            if (p.digits > 0 && exact_real(p.mant, -(p.after >= 0 ? p.after : d), p.neg, v)) return true;
        } else if (e <= 4 && w > e + 2 && w <= e + 18) {
            const char* x = s + (w - e - 2);
            const bool form = (x[0] == 'E' || x[0] == 'e' || x[0] == 'D' || x[0] == 'd') && (x[1] == '+' || x[1] == '-');
            int exp = 0;
            bool digits = form;
            for (int k = 0; digits && k < e; ++k) {
                const unsigned c = digit(x[2 + k]);
                digits = c <= 9;
                exp = exp * 10 + int(c);
            }
            if (digits && scan_plain(x, w - e - 2, p) && p.digits > 0) {
                if (x[1] == '-') exp = -exp;
                if (exact_real(p.mant, exp - (p.after >= 0 ? p.after : d), p.neg, v)) return true;
            }
        }
    }
    return real_field(std::string_view(s, std::size_t(w)), d, v);
}

// The usual texts of the SAO formats, with every mask a constant of the
// field's shape: LEN columns of a plain number ending at end, D >= 1 digits
// after the point in the last word, LEN <= 8. One test decides; the
// conversion is a few word operations.

template <int LEN, int D>
inline bool plain8(const char* end, uint64_t& mant, bool& neg) {
    static_assert(LEN >= D + 1 && LEN <= 8 && D >= 1 && D <= 6);
    constexpr int Q = 7 - D;  // byte of the point
    constexpr uint64_t FILL = LEN < 8 ? (uint64_t(1) << (8 * (8 - LEN))) - 1 : 0;
    constexpr uint64_t POINT = uint64_t(0xff) << (8 * Q), POINT_AT = uint64_t('.') << (8 * Q);
    constexpr uint64_t FRAC = high_of(Q + 1, 8), INTS = high_of(0, Q);
    constexpr uint64_t TOP = uint64_t(0x80) << (8 * (Q - 1));  // last column before the point
    constexpr uint64_t LEFT = (high_of(0, Q) >> 7) * 0xff, RIGHT = (high_of(Q + 1, 8) >> 7) * 0xff;
    uint64_t x = load8(end - 8);
    if constexpr (FILL != 0) x = (x & ~FILL) | (BLANKS & FILL);
    const uint64_t dig = digit_bytes(x);
    const uint64_t blank = bytes_eq(x, ' ');
    const uint64_t minus = bytes_eq(x, '-') & INTS;
    const uint64_t d_int = dig & INTS;
    const uint64_t first = d_int & (0 - d_int);  // first digit before the point (0: none)
    const uint64_t lead = (blank | minus) & INTS;
    const uint64_t sign_at = first ? first >> 8 : TOP;  // where a minus may stand
    const uint64_t bad = (x & HIGH) | ((x & POINT) ^ POINT_AT) | ((dig & FRAC) ^ FRAC) | ((d_int | lead) ^ INTS) |
                         (lead & ~(first - 1)) | (minus & ~sign_at);
    if (bad) return false;
    const uint64_t keep = (dig >> 7) * 0xff;
    uint64_t z = (x & keep) | (ZEROS & ~keep);
    z = ((z & LEFT) << 8) | (z & RIGHT) | uint64_t('0');
    mant = eight_digits(z);
    neg = minus != 0;
    return true;
}

// As plain8, for a number of 16 columns with D >= 9 digits after the point:
// the point in the first word, eight digits in the second.
template <int D>
inline bool plain16(const char* end, uint64_t& mant, bool& neg) {
    static_assert(D >= 9 && D <= 14);
    uint64_t hi;
    if (!plain8<8, D - 8>(end - 8, hi, neg)) return false;
    const uint64_t y = load8(end - 8);
    if ((y & HIGH) | (digit_bytes(y) ^ HIGH)) return false;
    mant = hi * 100000000u + eight_digits(y);
    return true;
}

template <int LEN, int D>
inline bool plain_number(const char* end, uint64_t& mant, bool& neg) {
    if constexpr (LEN <= 8) return plain8<LEN, D>(end, mant, neg);
    else return plain16<D>(end, mant, neg);
}

// Fw.d (or an F text under Ew.d): the plain number over all W columns.
template <int W, int D, class T>
inline bool usual_fixed(const char* s, T& v) {
    uint64_t m;
    bool neg;
    return plain_number<W, D>(s + W, m, neg) && exact_real(m, -D, neg, v);
}

// Ew.dEe as written: the plain number, then E, a sign and E digits.
template <int W, int D, int E, class T>
inline bool usual_exp(const char* s, T& v) {
    const char* x = s + (W - E - 2);
    if (x[0] != 'E' || (x[1] != '+' && x[1] != '-')) return false;
    int exp = 0;
    for (int k = 0; k < E; ++k) {
        const unsigned c = digit(x[2 + k]);
        if (c > 9) return false;
        exp = exp * 10 + int(c);
    }
    if (x[1] == '-') exp = -exp;
    uint64_t m;
    bool neg;
    return plain_number<W - E - 2, D>(x, m, neg) && exact_real(m, exp - D, neg, v);
}

// Integers of W <= 8 columns: blanks, an optional minus, digits.
template <int W>
inline bool usual_int(const char* s, int64_t& v) {
    constexpr uint64_t FILL = W < 8 ? (uint64_t(1) << (8 * (8 - W))) - 1 : 0;
    uint64_t x = load8(s + W - 8);
    if constexpr (FILL != 0) x = (x & ~FILL) | (BLANKS & FILL);
    const uint64_t dig = digit_bytes(x);
    const uint64_t minus = bytes_eq(x, '-');
    const uint64_t lead = bytes_eq(x, ' ') | minus;
    const uint64_t first = dig & (0 - dig);
    const uint64_t sign_at = first >> 8;  // a minus right before the first digit
    if ((x & HIGH) | ((dig | lead) ^ HIGH) | (lead & ~(first - 1)) | (minus & ~sign_at)) return false;
    const uint64_t keep = (dig >> 7) * 0xff;
    const int64_t m = int64_t(eight_digits((x & keep) | (ZEROS & ~keep)));
    v = minus ? -m : m;
    return true;
}

// Text item of length L from a field of w columns: w >= L the rightmost L
// characters, else the field left-justified and blank-filled.
inline void text_from(char* dst, int32_t L, const char* s, int w) {
    if (w >= L) {
        std::memcpy(dst, s + (w - L), std::size_t(L));
    } else {
        std::memcpy(dst, s, std::size_t(w));
        std::memset(dst + w, ' ', std::size_t(L - w));
    }
}

// The lines of an input statement of n fields. line(i, s, m) converts the
// m fields of a line, items i to i + m - 1, from their columns at s; false
// fails the statement. The columns outside the fields are read but never
// used (the conversions mask them or drop what they give): LEAD before the
// line and up to SPAN from its start or TAIL past its fields, whichever
// reaches further. A line that holds all its fields is converted where it
// lies (read_line keeps READ_SLACK bytes readable around it), a shorter one
// copied and padded with blanks.
constexpr std::size_t LEAD = 16, TAIL = 32, SPAN = 128;
static_assert(platform::READ_SLACK >= LEAD && platform::READ_SLACK >= std::max(TAIL, SPAN));

template <class Line>
IoStat read_lines(int32_t unit, const Row& r, int32_t n, Line&& line_of) {
    std::string_view line;
    IoStat st = platform::read_line(unit, line);
    if (st != IoStat::ok) return st;
    char pad[LEAD + std::max<std::size_t>(Format::ROW_COLUMNS + TAIL, SPAN)];
    const std::size_t w = std::size_t(r.w);
    for (int32_t i = 0; i < n;) {
        const int32_t m = std::min<int32_t>(r.per_line, n - i);
        const std::size_t cols = std::size_t(m) * w;
        const char* s = line.data();
        if (line.size() < cols) {
            const std::size_t have = line.size();
            std::memset(pad, ' ', LEAD);
            if (have) std::memcpy(pad + LEAD, line.data(), have);
            std::memset(pad + LEAD + have, ' ', std::max(cols + TAIL, SPAN) - have);
            s = pad + LEAD;
        }
        if (!line_of(i, s, m)) return IoStat::err;
        i += m;
        if (i < n) {
            st = platform::read_line(unit, line);
            if (st != IoStat::ok) return st;
        }
    }
    return IoStat::ok;
}

// The same, one field at a time: field(i, s) converts item i from its w
// columns at s.
template <class Field>
IoStat read_fields(int32_t unit, const Row& r, int32_t n, Field&& field) {
    const std::size_t w = std::size_t(r.w);
    return read_lines(unit, r, n, [&](int32_t i, const char* s, int32_t m) {
        for (int32_t j = 0; j < m; ++j, ++i, s += w)
            if (!field(i, s)) return false;
        return true;
    });
}

// Fields of eight columns four at a time: kernel(c, v) gives the mask of
// the fields among four that it converted (notation/row_words.h), their
// values in v; field(i, s) converts item i itself, for the others.
template <class Kernel, class Field>
IoStat read_words(int32_t unit, const Row& r, int32_t n, float* dst, int32_t keep, Kernel&& kernel, Field&& field) {
    return read_lines(unit, r, n, [&](int32_t i, const char* s, int32_t m) {
        for (int32_t j = 0; j < m; j += 4, i += 4, s += 32) {
            float v[4];
            const unsigned good = kernel(words::Columns(s), v);
            if (good == 0xf && j + 4 <= m && i + 4 <= keep) {
                std::memcpy(dst + i, v, sizeof v);
                continue;
            }
            const int32_t c = std::min<int32_t>(4, m - j);
            for (int32_t k = 0; k < c; ++k) {
                if (good >> k & 1) {
                    if (i + k < keep) dst[i + k] = v[k];
                } else if (!field(i + k, s + 8 * k)) {
                    return false;
                }
            }
        }
        return true;
    });
}

template <class T>
IoStat read_numbers(int32_t unit, const Format& f, T* dst, int32_t keep, int32_t n) {
    const Row& r = f.row();
    constexpr bool integer = std::is_same_v<T, int32_t>;
    const bool suits = integer ? r.kind == Kind::I : (r.kind == Kind::F || r.kind == Kind::E);
    if (r.per_line == 0 || !suits) {
        constexpr ItemType type = integer ? ItemType::i32 : std::is_same_v<T, float> ? ItemType::f32 : ItemType::f64;
        return read(unit, f, {InItem(dst, keep), InItem::skip(type, n - keep)});
    }
    const int w = r.w, d = r.d, e = r.e;
    if constexpr (integer) {
        const Usual usual = usual_int(w);
        if (w == 1)  // one digit per column, as in "(120I1)"
            return read_fields(unit, r, n, [&](int32_t i, const char* s) {
                const unsigned c = digit(*s);
                int64_t v = c;
                if (c > 9) {
                    v = 0;
                    if (*s != ' ' && !int_field(std::string_view(s, 1), v)) return false;
                }
                if (i < keep) dst[i] = int32_t(v);
                return true;
            });
        auto ints = [&](auto shaped) {
            return read_fields(unit, r, n, [&](int32_t i, const char* s) {
                int64_t v;
                if (!shaped(s, v) && !int_text(usual, s, w, v)) return false;
                if (v < std::numeric_limits<int32_t>::min() || v > std::numeric_limits<int32_t>::max()) return false;
                if (i < keep) dst[i] = int32_t(v);
                return true;
            });
        };
        // "(40I3)" and "(60I2)": a line checked at once, the plain fields
        // read as their digits (a blank as 0).
        auto plain = [&](auto width, auto shaped) {
            constexpr int W = decltype(width)::value;
            return read_lines(unit, r, n, [&](int32_t i, const char* s, int32_t m) {
                const words::LineBits bad = words::plain_ints<W>(s, m);
                const bool all = (bad.w[0] | bad.w[1]) == 0;
                for (int32_t j = 0; j < m; ++j, ++i, s += W) {
                    int64_t v;
                    if (all || words::clear<W>(bad, W * j)) {
                        v = W == 3 ? (s[0] & 15) * 100 + (s[1] & 15) * 10 + (s[2] & 15) : (s[0] & 15) * 10 + (s[1] & 15);
                    } else {
                        if (!shaped(s, v) && !int_text(usual, s, w, v)) return false;
                        if (v < std::numeric_limits<int32_t>::min() || v > std::numeric_limits<int32_t>::max())
                            return false;
                    }
                    if (i < keep) dst[i] = int32_t(v);
                }
                return true;
            });
        };
        const bool whole = words::ON && r.per_line * w <= 128;
        if (w == 3) {
            auto shaped = [](const char* s, int64_t& v) { return usual_int<3>(s, v); };
            return whole ? plain(std::integral_constant<int, 3>{}, shaped) : ints(shaped);
        }
        if (w == 2) {
            auto shaped = [](const char* s, int64_t& v) { return usual_int<2>(s, v); };
            return whole ? plain(std::integral_constant<int, 2>{}, shaped) : ints(shaped);
        }
        return ints([](const char*, int64_t&) { return false; });
    } else {
        const Usual plain = usual_real(w, d);
        const Usual expo = r.kind == Kind::E && e <= 4 && w > e + 2 ? usual_real(w - e - 2, d) : Usual{};
        auto field = [&](auto shaped) {
            return [&, shaped](int32_t i, const char* s) {
                T v;
                if (!shaped(s, v) && !real_text(plain, expo, s, w, d, e, v)) return false;
                if (i < keep) dst[i] = v;
                return true;
            };
        };
        auto reals = [&](auto shaped) { return read_fields(unit, r, n, field(shaped)); };
        if constexpr (std::is_same_v<T, float> && words::ON) {
            // The eight-column shapes, four fields at a time.
            if (w == 8 && d == 3 && r.kind == Kind::F)
                return read_words(
                    unit, r, n, dst, keep, [](const words::Columns& c, float* v) { return words::fixed8_3(c, v); },
                    field([](const char* s, T& v) { return usual_fixed<8, 3>(s, v); }));
            if (w == 8 && d == 3 && e == 1 && r.kind == Kind::E)
                return read_words(
                    unit, r, n, dst, keep,
                    [](const words::Columns& c, float* v) {
                        // A row holds one of the two shapes, rarely both.
                        const unsigned good = words::exp8_3_1(c, v);
                        if (good == 0xf) return good;
                        float f[4];
                        const unsigned fixed = words::fixed8_3(c, f);
                        for (int k = 0; k < 4; ++k)
                            if (fixed >> k & 1) v[k] = f[k];
                        return good | fixed;
                    },
                    field([](const char* s, T& v) { return usual_exp<8, 3, 1>(s, v) || usual_fixed<8, 3>(s, v); }));
        }
        // The shapes of the SAO formats.
        if (r.kind == Kind::F && d == 3) {
            if (w == 8) return reals([](const char* s, T& v) { return usual_fixed<8, 3>(s, v); });
            if (w == 7) return reals([](const char* s, T& v) { return usual_fixed<7, 3>(s, v); });
            if (w == 6) return reals([](const char* s, T& v) { return usual_fixed<6, 3>(s, v); });
        }
        if (r.kind == Kind::E) {
            if (w == 8 && d == 3 && e == 1)
                return reals([](const char* s, T& v) { return usual_exp<8, 3, 1>(s, v) || usual_fixed<8, 3>(s, v); });
            if (w == 9 && d == 4 && e == 1) return reals([](const char* s, T& v) { return usual_exp<9, 4, 1>(s, v); });
            if (w == 11 && d == 6 && e == 1)
                return reals([](const char* s, T& v) { return usual_exp<11, 6, 1>(s, v); });
            if (w == 20 && d == 12 && e == 2)
                return reals([](const char* s, T& v) { return usual_exp<20, 12, 2>(s, v); });
        }
        return reals([](const char*, T&) { return false; });
    }
}

}  // namespace

IoStat read_row(int32_t unit, const Format& f, int32_t* dst, int32_t keep, int32_t n) {
    return read_numbers(unit, f, dst, keep, n);
}

IoStat read_row(int32_t unit, const Format& f, float* dst, int32_t keep, int32_t n) {
    return read_numbers(unit, f, dst, keep, n);
}

IoStat read_row(int32_t unit, const Format& f, double* dst, int32_t keep, int32_t n) {
    return read_numbers(unit, f, dst, keep, n);
}

IoStat read_row_texts(int32_t unit, const Format& f, char* dst, int32_t len, int32_t keep, int32_t n) {
    const Row& r = f.row();
    if (r.per_line == 0 || r.kind != Kind::A)
        return read(unit, f, {InItem::texts(dst, keep, len), InItem::skip(ItemType::chars, n - keep, len)});
    const int w = r.w;
    return read_fields(unit, r, n, [&](int32_t i, const char* s) {
        if (i < keep) text_from(dst + std::size_t(i) * std::size_t(len), len, s, w);
        return true;
    });
}

}  // namespace kolm::fmt
