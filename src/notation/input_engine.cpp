// Fixed-column formats: the input engine, free-format input and the input
// statements on units and in memory.
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <system_error>
#include <type_traits>

#include "notation/engine.h"
#include "notation/fixed_format.h"

namespace kolm::fmt {

namespace {

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
    if (exact_real(mant, exp, neg, v)) return true;
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

}  // namespace

bool int_field(std::string_view field, int64_t& v) {
    char buf[64];
    std::size_t n;
    return squeeze(field, buf, sizeof buf, n) && parse_int(buf, n, v);
}

bool real_field(std::string_view field, int d, float& v) {
    char buf[96];
    std::size_t n;
    return squeeze(field, buf, sizeof buf, n) && parse_real(buf, n, d, v);
}

bool real_field(std::string_view field, int d, double& v) {
    char buf[96];
    std::size_t n;
    return squeeze(field, buf, sizeof buf, n) && parse_real(buf, n, d, v);
}

namespace {

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

}  // namespace kolm::fmt
