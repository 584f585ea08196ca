// Fixed-column formats: parsing, the output and input engines, free-format
// input, and the unit, in-memory and console statements.
#include "driver/fixed_format.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <type_traits>

#include "platform/console.h"

namespace kolm::fmt {

namespace {

// Expanded descriptor lists longer than this are refused (a repeat count typo).
constexpr std::size_t MAX_DESCS = 100000;

bool is_data(Format::Kind k) {
    return k == Format::Kind::I || k == Format::Kind::F || k == Format::Kind::E || k == Format::Kind::A ||
           k == Format::Kind::Z;
}

// ---------------------------------------------------------------- parsing

struct Parser {
    std::string_view s;
    std::size_t i = 0;
    std::string error;
    std::string* literals;

    void skip_blanks() {
        while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
    }
    bool at(char c) {
        skip_blanks();
        return i < s.size() && s[i] == c;
    }
    char peek_upper() {
        skip_blanks();
        if (i >= s.size()) return '\0';
        char c = s[i];
        return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c;
    }
    // Digits after optional blanks; -1 when there are none.
    int number() {
        skip_blanks();
        if (i >= s.size() || s[i] < '0' || s[i] > '9') return -1;
        long v = 0;
        while (i < s.size() && ((s[i] >= '0' && s[i] <= '9') || s[i] == ' ')) {
            if (s[i] != ' ') v = v * 10 + (s[i] - '0');
            if (v > 32767) {
                error = "number too large";
                return -1;
            }
            ++i;
        }
        return int(v);
    }
    bool fail(const char* msg) {
        if (error.empty()) error = msg;
        return false;
    }

    // A comma-separated list up to the closing parenthesis (consumed).
    // restart: where the last group at this level starts (top level only).
    bool list(std::vector<Format::Desc>& out, bool top, std::size_t* restart) {
        bool first = true;
        for (;;) {
            if (at(')')) {
                ++i;
                if (first && !top) return fail("empty group");
                return true;
            }
            if (!first) {
                if (at(',')) ++i;  // commas between descriptors; tolerated when left out
            }
            if (at(')')) {
                ++i;
                return true;
            }
            if (!item(out, top, restart)) return false;
            first = false;
            if (out.size() > MAX_DESCS) return fail("format too long");
        }
    }

    bool item(std::vector<Format::Desc>& out, bool top, std::size_t* restart) {
        int rep = number();
        if (!error.empty()) return false;
        if (rep == 0) return fail("repeat count 0");
        int count = rep < 0 ? 1 : rep;
        char c = peek_upper();
        if (c == '(') {
            if (!top) return fail("groups nest only one level deep");
            ++i;
            std::vector<Format::Desc> inner;
            if (!list(inner, false, nullptr)) return false;
            if (restart) *restart = out.size();
            for (int k = 0; k < count; ++k) out.insert(out.end(), inner.begin(), inner.end());
            return true;
        }
        Format::Desc d{Format::Kind::X, 0, 0, 0, 0};
        if (c == '\'' || c == '"') {
            char q = s[i++];
            std::size_t start = literals->size();
            for (;;) {
                if (i >= s.size()) return fail("unterminated literal");
                if (s[i] == q) {
                    if (i + 1 < s.size() && s[i + 1] == q) {
                        literals->push_back(q);
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                literals->push_back(s[i++]);
            }
            d.kind = Format::Kind::Lit;
            d.lit = int32_t(start);
            std::size_t len = literals->size() - start;
            if (len > 32767) return fail("literal too long");
            d.w = int16_t(len);
        } else {
            ++i;
            switch (c) {
                case 'X':
                    d.kind = Format::Kind::X;
                    d.w = int16_t(count);
                    count = 1;
                    break;
                case 'I':
                case 'Z': {
                    d.kind = c == 'I' ? Format::Kind::I : Format::Kind::Z;
                    int w = number();
                    if (w <= 0) return fail("I and Z need a width");
                    d.w = int16_t(w);
                    break;
                }
                case 'A': {
                    d.kind = Format::Kind::A;
                    int w = number();
                    if (!error.empty()) return false;
                    if (w == 0) return fail("A0");
                    d.w = int16_t(w < 0 ? 0 : w);
                    break;
                }
                case 'F':
                case 'E': {
                    d.kind = c == 'F' ? Format::Kind::F : Format::Kind::E;
                    int w = number();
                    if (w <= 0) return fail("F and E need a width");
                    if (!at('.')) return fail("F and E need decimals");
                    ++i;
                    int dd = number();
                    if (dd < 0) return fail("F and E need decimals");
                    if (d.kind == Format::Kind::E && dd == 0) return fail("E needs a mantissa digit");
                    d.w = int16_t(w);
                    d.d = int16_t(dd);
                    d.e = 2;
                    if (d.kind == Format::Kind::E && peek_upper() == 'E') {
                        ++i;
                        int e = number();
                        if (e <= 0) return fail("Ew.dEe needs exponent digits");
                        d.e = int16_t(e);
                    }
                    break;
                }
                default:
                    return fail("unknown descriptor");
            }
        }
        for (int k = 0; k < count; ++k) out.push_back(d);
        return true;
    }
};

}  // namespace

Format::Format(std::string_view text, Fit fit) : text_(text), fit_(fit) {
    Parser p{text_, 0, {}, &literals_};
    if (!p.at('(')) {
        error_ = "a format starts with (";
        return;
    }
    ++p.i;
    std::size_t restart = 0;
    if (!p.list(descs_, true, &restart)) {
        error_ = p.error;
        descs_.clear();
        return;
    }
    p.skip_blanks();
    if (p.i != text_.size()) {
        error_ = "text after the closing parenthesis";
        descs_.clear();
        return;
    }
    restart_ = restart;
    for (const Desc& d : descs_) has_data_ = has_data_ || is_data(d.kind);
    ok_ = true;
}

namespace {

// ---------------------------------------------------------------- output of one value

// Integer digits of v (no sign) written backwards from end; returns the start.
char* utoa_back(char* end, uint64_t v) {
    do {
        *--end = char('0' + v % 10);
        v /= 10;
    } while (v);
    return end;
}

void put_field(std::string& line, const char* s, std::size_t n, int w) {
    if (n > std::size_t(w)) {
        line.append(std::size_t(w), '*');
        return;
    }
    line.append(std::size_t(w) - n, ' ');
    line.append(s, n);
}

void put_int(std::string& line, int64_t v, int w) {
    char buf[24];
    char* end = buf + sizeof buf;
    uint64_t mag = v < 0 ? uint64_t(0) - uint64_t(v) : uint64_t(v);
    char* p = utoa_back(end, mag);
    if (v < 0) *--p = '-';
    put_field(line, p, std::size_t(end - p), w);
}

void put_hex(std::string& line, uint64_t v, int w) {
    char buf[24];
    char* end = buf + sizeof buf;
    char* p = end;
    do {
        *--p = "0123456789ABCDEF"[v & 15];
        v >>= 4;
    } while (v);
    put_field(line, p, std::size_t(end - p), w);
}

constexpr double POW10[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8};

// v with d decimals into buf (at least 400 bytes), point always written,
// leading 0 before the point included; no minus sign when the result is
// zero. Returns the length, or 0 when the value cannot be shown (not
// finite or absurdly long).
std::size_t fixed_text(char* buf, double v, bool single, int d) {
    if (!std::isfinite(v)) return 0;
    // A float times 10^d (d <= 8) is exact in double: round it directly,
    // halves away from zero.
    if (single && d <= 8 && std::fabs(v) * POW10[d] < 9.0e15) {
        int64_t n = std::llround(v * POW10[d]);
        uint64_t mag = n < 0 ? uint64_t(-n) : uint64_t(n);
        char tmp[32];
        char* end = tmp + sizeof tmp;
        char* p = end;
        for (int k = 0; k < d; ++k) {
            *--p = char('0' + mag % 10);
            mag /= 10;
        }
        *--p = '.';
        p = utoa_back(p, mag);
        if (n < 0) *--p = '-';
        std::size_t len = std::size_t(end - p);
        std::memcpy(buf, p, len);
        return len;
    }
    auto r = std::to_chars(buf, buf + 399, v, std::chars_format::fixed, d);
    if (r.ec != std::errc()) return 0;
    int n = int(r.ptr - buf);
    if (buf[0] == '-') {
        bool zero = true;
        for (int k = 1; k < n; ++k) zero = zero && (buf[k] == '0' || buf[k] == '.');
        if (zero) {
            std::memmove(buf, buf + 1, std::size_t(n));
            --n;
        }
    }
    if (d == 0) buf[n++] = '.';
    return std::size_t(n);
}

// Drops the 0 before the point ("0.5" -> ".5", "-0.5" -> "-.5").
std::size_t drop_lead_zero(char* s, std::size_t n) {
    std::size_t k = s[0] == '-' ? 1 : 0;
    if (n >= k + 2 && s[k] == '0' && s[k + 1] == '.') {
        std::memmove(s + k, s + k + 1, n - k - 1);
        return n - 1;
    }
    return n;
}

void put_fixed(std::string& line, double v, bool single, int w, int d, Fit fit) {
    char buf[400];
    for (int dd = std::min(d, 300); dd >= 0; --dd) {
        std::size_t n = fixed_text(buf, v, single, dd);
        if (n == 0) break;
        if (n > std::size_t(w)) n = drop_lead_zero(buf, n);
        if (n <= std::size_t(w)) {
            put_field(line, buf, n, w);
            return;
        }
        if (fit != Fit::shorten) break;
    }
    line.append(std::size_t(w), '*');
}

// 0.ddd...E+ee form with `digits` mantissa digits and at least `e` exponent
// digits (more when the exponent needs them). Returns the length, 0 when
// not finite.
std::size_t exp_text(char* buf, double v, int digits, int e) {
    if (!std::isfinite(v) || digits > 300 || e > 30) return 0;
    char tmp[420];
    int exp10 = 0;
    const char* mant;
    char zeros[400];
    if (v == 0.0) {
        std::memset(zeros, '0', std::size_t(digits));
        mant = zeros;
    } else {
        // d.ddde±xx with digits significant digits, correctly rounded.
        auto r = std::to_chars(tmp, tmp + sizeof tmp - 1, std::fabs(v), std::chars_format::scientific, digits - 1);
        if (r.ec != std::errc()) return 0;
        *r.ptr = '\0';
        // Gather the digits: tmp[0], then tmp[2..] up to 'e'.
        char* ep = std::strchr(tmp, 'e');
        if (!ep) return 0;
        exp10 = std::atoi(ep + 1) + 1;
        zeros[0] = tmp[0];
        std::size_t k = 1;
        for (char* q = tmp + 2; q < ep && k < std::size_t(digits); ++q) zeros[k++] = *q;
        mant = zeros;
    }
    std::size_t n = 0;
    if (v < 0.0) buf[n++] = '-';
    buf[n++] = '0';
    buf[n++] = '.';
    std::memcpy(buf + n, mant, std::size_t(digits));
    n += std::size_t(digits);
    buf[n++] = 'E';
    buf[n++] = exp10 < 0 ? '-' : '+';
    char eb[16];
    char* eend = eb + sizeof eb;
    char* ep = utoa_back(eend, uint64_t(exp10 < 0 ? -exp10 : exp10));
    std::size_t elen = std::size_t(eend - ep);
    for (std::size_t k = elen; k < std::size_t(e); ++k) buf[n++] = '0';
    std::memcpy(buf + n, ep, elen);
    n += elen;
    return n;
}

// Number of exponent digits in a text made by exp_text.
std::size_t exp_digits(const char* s, std::size_t n) {
    std::size_t k = n;
    while (k > 0 && s[k - 1] != '+' && s[k - 1] != '-') --k;
    return n - k;
}

void put_exp(std::string& line, double v, int w, int d, int e, Fit fit) {
    char buf[440];
    std::size_t n = exp_text(buf, v, d, e);
    if (n == 0) {
        line.append(std::size_t(w), '*');
        return;
    }
    if (exp_digits(buf, n) > std::size_t(e)) {
        if (fit != Fit::shorten) {
            line.append(std::size_t(w), '*');
            return;
        }
        // Wider exponent, fewer mantissa digits, until the field takes it.
        for (int dd = std::min(d, 300); dd >= 1; --dd) {
            n = exp_text(buf, v, dd, e);
            std::size_t m = n > std::size_t(w) ? drop_lead_zero(buf, n) : n;
            if (m <= std::size_t(w)) {
                put_field(line, buf, m, w);
                return;
            }
        }
        line.append(std::size_t(w), '*');
        return;
    }
    if (n > std::size_t(w)) n = drop_lead_zero(buf, n);
    put_field(line, buf, n, w);
}

void put_text(std::string& line, const char* s, int len, int w) {
    if (w == 0) {
        line.append(s, std::size_t(len));
    } else if (len >= w) {
        line.append(s, std::size_t(w));
    } else {
        line.append(std::size_t(w - len), ' ');
        line.append(s, std::size_t(len));
    }
}

// ---------------------------------------------------------------- item cursors

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

// ---------------------------------------------------------------- sinks and sources

struct LineSink {
    virtual IoStat put(std::string_view line) = 0;
    virtual ~LineSink() = default;
};

struct UnitSink final : LineSink {
    int32_t unit;
    explicit UnitSink(int32_t u) : unit(u) {}
    IoStat put(std::string_view line) override { return platform::write_line(unit, line); }
};

struct TextSink final : LineSink {
    std::string* out;
    int lines = 0;
    explicit TextSink(std::string* o) : out(o) {}
    IoStat put(std::string_view line) override {
        if (lines++ > 0) return IoStat::err;
        out->assign(line);
        return IoStat::ok;
    }
};

struct ConsoleSink final : LineSink {
    IoStat put(std::string_view line) override {
        platform::console_line(line);
        return IoStat::ok;
    }
};

struct LineSource {
    virtual IoStat next(std::string_view& line) = 0;
    virtual ~LineSource() = default;
};

struct UnitSource final : LineSource {
    int32_t unit;
    explicit UnitSource(int32_t u) : unit(u) {}
    IoStat next(std::string_view& line) override { return platform::read_line(unit, line); }
};

struct TextSource final : LineSource {
    std::string_view text;
    bool used = false;
    explicit TextSource(std::string_view t) : text(t) {}
    IoStat next(std::string_view& line) override {
        if (used) return IoStat::end;
        used = true;
        line = text;
        return IoStat::ok;
    }
};

// Scratch line of the output statements; reused so that a statement
// allocates nothing once it has grown to the longest line.
std::string SCRATCH;

// ---------------------------------------------------------------- output engine

IoStat run_output(const Format& f, std::span<const OutItem> items, LineSink& sink) {
    if (!f.ok()) return IoStat::err;
    const auto& ds = f.descs();
    std::string& line = SCRATCH;
    line.clear();
    Cursor<OutItem> cur(items);
    std::size_t pending = 0;  // blanks of X descriptors, written when something follows
    std::size_t i = 0;
    bool progressed = false;  // an item was written since the format last started
    for (;;) {
        if (i == ds.size()) {
            if (!cur.more()) break;
            if (!progressed) return IoStat::err;
            progressed = false;
            IoStat st = sink.put(line);
            if (st != IoStat::ok) return st;
            line.clear();
            pending = 0;
            i = f.restart();
            continue;
        }
        const Format::Desc& d = ds[i];
        if (d.kind == Format::Kind::X) {
            pending += std::size_t(d.w);
            ++i;
            continue;
        }
        if (is_data(d.kind) && !cur.more()) break;
        if (pending) {
            line.append(pending, ' ');
            pending = 0;
        }
        if (d.kind == Format::Kind::Lit) {
            line.append(f.literal(d));
            ++i;
            continue;
        }
        const OutItem& it = cur.item();
        const int32_t e = cur.e;
        switch (d.kind) {
            case Format::Kind::I:
            case Format::Kind::Z: {
                int64_t v;
                if (it.type == ItemType::i32) v = static_cast<const int32_t*>(it.p)[e];
                else if (it.type == ItemType::i16) v = static_cast<const int16_t*>(it.p)[e];
                else return IoStat::err;
                if (d.kind == Format::Kind::I) put_int(line, v, d.w);
                else put_hex(line, it.type == ItemType::i32 ? uint64_t(uint32_t(v)) : uint64_t(uint16_t(v)), d.w);
                break;
            }
            case Format::Kind::F:
            case Format::Kind::E: {
                double v;
                bool single = it.type == ItemType::f32;
                if (single) v = static_cast<const float*>(it.p)[e];
                else if (it.type == ItemType::f64) v = static_cast<const double*>(it.p)[e];
                else return IoStat::err;
                if (d.kind == Format::Kind::F) put_fixed(line, v, single, d.w, d.d, f.fit());
                else put_exp(line, v, d.w, d.d, d.e, f.fit());
                break;
            }
            case Format::Kind::A:
                if (it.type != ItemType::chars) return IoStat::err;
                put_text(line, static_cast<const char*>(it.p) + std::size_t(e) * std::size_t(it.len), it.len, d.w);
                break;
            default:
                break;
        }
        cur.next();
        progressed = true;
        ++i;
    }
    return sink.put(line);
}

// ---------------------------------------------------------------- input of one field

// Characters of a field without blanks; false when too long to be a number.
bool squeeze(std::string_view field, char* out, std::size_t cap, std::size_t& n) {
    n = 0;
    for (char c : field) {
        if (c == ' ' || c == '\t') continue;
        if (n == cap) return false;
        out[n++] = c;
    }
    return true;
}

bool parse_int(const char* s, std::size_t n, int64_t& v) {
    std::size_t k = 0;
    bool neg = false;
    if (k < n && (s[k] == '+' || s[k] == '-')) neg = s[k++] == '-';
    if (k == n) {  // blanks, or a sign alone, read as 0
        v = 0;
        return true;
    }
    uint64_t m = 0;
    for (; k < n; ++k) {
        if (s[k] < '0' || s[k] > '9') return false;
        m = m * 10 + uint64_t(s[k] - '0');
        if (m > uint64_t(std::numeric_limits<int64_t>::max())) return false;
    }
    v = neg ? -int64_t(m) : int64_t(m);
    return true;
}

// A real in the text of F and E fields (and of free format when d = 0):
// optional sign, digits with or without a point, optional exponent
// (E or D, optional sign, digits). Without a point the last d digits are
// decimals.
constexpr float POW10F[] = {1e0f, 1e1f, 1e2f, 1e3f, 1e4f, 1e5f, 1e6f, 1e7f, 1e8f, 1e9f, 1e10f};
constexpr double POW10D[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                             1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

template <class T>
bool parse_real(const char* s, std::size_t n, int d, T& v) {
    char buf[96];
    std::size_t b = 0;
    std::size_t k = 0;
    bool neg = false;
    if (k < n && (s[k] == '+' || s[k] == '-')) {
        neg = s[k] == '-';
        if (neg) buf[b++] = '-';
        ++k;
    }
    std::size_t ndig = 0;
    int frac = 0;
    bool point = false;
    uint64_t mant = 0;  // the digits as an integer while they fit
    for (; k < n; ++k) {
        char c = s[k];
        if (c >= '0' && c <= '9') {
            if (b >= 64) return false;
            buf[b++] = c;
            ++ndig;
            if (mant < (uint64_t(1) << 60)) mant = mant * 10 + uint64_t(c - '0');
            else mant = ~uint64_t(0);
            if (point) ++frac;
        } else if (c == '.' && !point) {
            point = true;
        } else {
            break;
        }
    }
    long exp = 0;
    const bool has_exp = k < n;
    if (k < n) {
        char c = s[k];
        if (c != 'E' && c != 'e' && c != 'D' && c != 'd' && c != '+' && c != '-') return false;
        if (c != '+' && c != '-') ++k;
        bool eneg = false;
        if (k < n && (s[k] == '+' || s[k] == '-')) eneg = s[k++] == '-';
        if (k == n) return false;
        for (; k < n; ++k) {
            if (s[k] < '0' || s[k] > '9') return false;
            if (exp < 100000) exp = exp * 10 + (s[k] - '0');
        }
        if (eneg) exp = -exp;
    }
    if (ndig == 0) {
        if (point || has_exp) return false;  // "." or "-." alone, or an exponent without digits
        v = T(0);
        return true;
    }
    if (!point) frac = d;
    exp -= frac;
    // Exact operands give a correctly rounded result in one operation.
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
    buf[b++] = 'e';
    {
        char eb[24];
        char* eend = eb + sizeof eb;
        char* ep = utoa_back(eend, uint64_t(exp < 0 ? -exp : exp));
        if (exp < 0) *--ep = '-';
        std::memcpy(buf + b, ep, std::size_t(eend - ep));
        b += std::size_t(eend - ep);
    }
    auto r = std::from_chars(buf, buf + b, v);
    if (r.ec == std::errc::result_out_of_range) {
        // Underflow reads as 0, overflow fails.
        if (exp < 0 && r.ptr == buf + b) {
            v = T(0);
            return true;
        }
        return false;
    }
    return r.ec == std::errc() && r.ptr == buf + b;
}

bool store_int(const InItem& it, int32_t e, int64_t v) {
    if (it.type == ItemType::i32) {
        if (v < std::numeric_limits<int32_t>::min() || v > std::numeric_limits<int32_t>::max()) return false;
        if (it.p) static_cast<int32_t*>(it.p)[e] = int32_t(v);
        return true;
    }
    if (it.type == ItemType::i16) {
        if (v < std::numeric_limits<int16_t>::min() || v > std::numeric_limits<int16_t>::max()) return false;
        if (it.p) static_cast<int16_t*>(it.p)[e] = int16_t(v);
        return true;
    }
    return false;
}

bool read_real_field(const InItem& it, int32_t e, const char* s, std::size_t n, int d) {
    if (it.type == ItemType::f32) {
        float v;
        if (!parse_real(s, n, d, v)) return false;
        if (it.p) static_cast<float*>(it.p)[e] = v;
        return true;
    }
    if (it.type == ItemType::f64) {
        double v;
        if (!parse_real(s, n, d, v)) return false;
        if (it.p) static_cast<double*>(it.p)[e] = v;
        return true;
    }
    return false;
}

// Stores a text field of width w into a fixed-length item of length L:
// w >= L the rightmost L characters, else the field left-justified and
// blank-filled. `field` holds the field's characters that lie on the line;
// the rest of the w columns are blanks.
void store_text(const InItem& it, int32_t e, std::string_view field, std::size_t w) {
    if (!it.p) return;
    char* dst = static_cast<char*>(it.p) + std::size_t(e) * std::size_t(it.len);
    std::size_t L = std::size_t(it.len);
    std::size_t from = w >= L ? w - L : 0;  // first column of the field that is stored
    std::size_t take = std::min(L, w);
    for (std::size_t k = 0; k < take; ++k) {
        std::size_t c = from + k;
        dst[k] = c < field.size() ? field[c] : ' ';
    }
    if (take < L) std::memset(dst + take, ' ', L - take);
}

// ---------------------------------------------------------------- input engine

IoStat run_input(const Format& f, std::span<const InItem> items, LineSource& src) {
    if (!f.ok()) return IoStat::err;
    const auto& ds = f.descs();
    std::string_view line;
    IoStat st = src.next(line);
    if (st != IoStat::ok) return st;
    Cursor<InItem> cur(items);
    std::size_t col = 0;
    std::size_t i = 0;
    bool progressed = false;  // an item was taken since the format last started
    for (;;) {
        if (i == ds.size()) {
            if (!cur.more()) break;
            if (!progressed) return IoStat::err;
            progressed = false;
            st = src.next(line);
            if (st != IoStat::ok) return st;
            col = 0;
            i = f.restart();
            continue;
        }
        const Format::Desc& d = ds[i];
        if (d.kind == Format::Kind::X || d.kind == Format::Kind::Lit) {
            col += std::size_t(d.w);
            ++i;
            continue;
        }
        if (!cur.more()) break;
        const InItem& it = cur.item();
        const int32_t e = cur.e;
        std::size_t w = d.w ? std::size_t(d.w) : std::size_t(it.len);
        std::string_view field = col < line.size() ? line.substr(col, w) : std::string_view();
        col += w;
        switch (d.kind) {
            case Format::Kind::I: {
                char buf[64];
                std::size_t n;
                int64_t v = 0;
                if (!squeeze(field, buf, sizeof buf, n) || !parse_int(buf, n, v)) return IoStat::err;
                if (!store_int(it, e, v)) return IoStat::err;
                break;
            }
            case Format::Kind::Z: {
                char buf[64];
                std::size_t n;
                if (!squeeze(field, buf, sizeof buf, n)) return IoStat::err;
                uint64_t u = 0;
                for (std::size_t k = 0; k < n; ++k) {
                    char c = buf[k];
                    int h = (c >= '0' && c <= '9')   ? c - '0'
                            : (c >= 'A' && c <= 'F') ? c - 'A' + 10
                            : (c >= 'a' && c <= 'f') ? c - 'a' + 10
                                                     : -1;
                    if (h < 0) return IoStat::err;
                    u = u * 16 + uint64_t(h);
                    if (u > 0xFFFFFFFFull) return IoStat::err;
                }
                // The bit pattern of the item's width.
                int64_t v;
                if (it.type == ItemType::i16) {
                    if (u > 0xFFFF) return IoStat::err;
                    v = int16_t(uint16_t(u));
                } else {
                    v = int32_t(uint32_t(u));
                }
                if (!store_int(it, e, v)) return IoStat::err;
                break;
            }
            case Format::Kind::F:
            case Format::Kind::E: {
                char buf[96];
                std::size_t n;
                if (!squeeze(field, buf, sizeof buf, n)) return IoStat::err;
                if (!read_real_field(it, e, buf, n, d.d)) return IoStat::err;
                break;
            }
            case Format::Kind::A:
                if (it.type != ItemType::chars) return IoStat::err;
                store_text(it, e, field, w);
                break;
            default:
                break;
        }
        cur.next();
        progressed = true;
        ++i;
    }
    return IoStat::ok;
}

// ---------------------------------------------------------------- free format

// Next value of a line: separators are blanks, or one comma with blanks
// around it. Returns false at the end of the line. `null` is set for an
// empty value between two commas.
struct Tokens {
    std::string_view line;
    std::size_t pos = 0;
    bool after_value = false;  // a value stands since the last comma

    void blanks() {
        while (pos < line.size() && (line[pos] == ' ' || line[pos] == '\t')) ++pos;
    }
    // Next value; false at the end of the line. A comma with no value
    // before it (",," or a leading comma) gives a null value.
    bool next(std::string_view& tok, bool& null) {
        null = false;
        blanks();
        if (pos >= line.size()) return false;
        if (line[pos] == ',') {
            ++pos;
            if (!after_value) {
                null = true;
                return true;
            }
            after_value = false;
            blanks();
            if (pos >= line.size()) return false;
            if (line[pos] == ',') {
                ++pos;
                null = true;
                return true;
            }
        }
        std::size_t start = pos;
        if (line[pos] == '\'' || line[pos] == '"') {
            char q = line[pos++];
            while (pos < line.size() && line[pos] != q) ++pos;
            tok = line.substr(start + 1, pos - start - 1);
            if (pos < line.size()) ++pos;
        } else {
            while (pos < line.size() && line[pos] != ' ' && line[pos] != '\t' && line[pos] != ',') ++pos;
            tok = line.substr(start, pos - start);
        }
        after_value = true;
        return true;
    }
};

bool store_token(const InItem& it, int32_t e, std::string_view tok) {
    switch (it.type) {
        case ItemType::i16:
        case ItemType::i32: {
            int64_t v;
            if (tok.empty() || tok.size() > 40 || !parse_int(tok.data(), tok.size(), v)) return false;
            if (tok == "+" || tok == "-") return false;
            return store_int(it, e, v);
        }
        case ItemType::f32:
        case ItemType::f64: {
            if (tok.empty() || tok == "+" || tok == "-") return false;
            return read_real_field(it, e, tok.data(), tok.size(), 0);
        }
        case ItemType::chars:
            // Left-justified: the first len characters, blank-filled.
            store_text(it, e, tok, std::min(tok.size(), std::size_t(it.len)));
            return true;
    }
    return false;
}

IoStat run_free(std::span<const InItem> items, LineSource& src) {
    Cursor<InItem> cur(items);
    std::string_view line;
    if (!cur.more()) return src.next(line);  // an empty list still takes one line
    while (cur.more()) {
        IoStat st = src.next(line);
        if (st != IoStat::ok) return st;
        Tokens t{line};
        std::string_view tok;
        bool null;
        while (cur.more() && t.next(tok, null)) {
            const InItem& it = cur.item();
            if (!null && !store_token(it, cur.e, tok)) return IoStat::err;
            cur.next();
        }
    }
    return IoStat::ok;
}

}  // namespace

// ---------------------------------------------------------------- statements

IoStat write(int32_t unit, const Format& f, std::span<const OutItem> items) {
    UnitSink sink(unit);
    return run_output(f, items, sink);
}

IoStat read(int32_t unit, const Format& f, std::span<const InItem> items) {
    UnitSource src(unit);
    return run_input(f, items, src);
}

IoStat read_free(int32_t unit, std::span<const InItem> items) {
    UnitSource src(unit);
    return run_free(items, src);
}

IoStat read_text(std::string_view line, const Format& f, std::span<const InItem> items) {
    TextSource src(line);
    return run_input(f, items, src);
}

IoStat read_text_free(std::string_view line, std::span<const InItem> items) {
    TextSource src(line);
    return run_free(items, src);
}

IoStat write_text(std::string& line, const Format& f, std::span<const OutItem> items) {
    TextSink sink(&line);
    return run_output(f, items, sink);
}

IoStat write_text(char* buf, int32_t len, const Format& f, std::span<const OutItem> items) {
    std::string line;
    IoStat st = write_text(line, f, items);
    std::size_t n = std::min(line.size(), std::size_t(len));
    std::memcpy(buf, line.data(), n);
    std::memset(buf + n, ' ', std::size_t(len) - n);
    if (st == IoStat::ok && line.size() > std::size_t(len)) st = IoStat::err;
    return st;
}

IoStat write_console(const Format& f, std::span<const OutItem> items) {
    ConsoleSink sink;
    return run_output(f, items, sink);
}

}  // namespace kolm::fmt
