// Fixed-column formats: the output engine and the output statements on
// units, in memory and on the console.
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <system_error>

#include "notation/engine.h"
#include "notation/fixed_format.h"
#include "platform/console.h"

namespace kolm::fmt {

namespace {

// ---------------------------------------------------------------- output of one value

void put_field(std::string& line, const char* s, std::size_t n, int w) {
    if (n > std::size_t(w)) {
        line.append(std::size_t(w), '*');
        return;
    }
    line.append(std::size_t(w) - n, ' ');
    line.append(s, n);
}

}  // namespace

void put_int(std::string& line, int64_t v, int w) {
    char buf[24];
    char* end = buf + sizeof buf;
    uint64_t mag = v < 0 ? uint64_t(0) - uint64_t(v) : uint64_t(v);
    char* p = utoa_back(end, mag);
    if (v < 0) *--p = '-';
    put_field(line, p, std::size_t(end - p), w);
}

namespace {

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

// v with d decimals into buf (at least 400 bytes), point always written,
// leading 0 before the point included; no minus sign when the result is
// zero. Returns the length, or 0 when the value cannot be shown (not
// finite or absurdly long).
std::size_t fixed_text(char* buf, double v, bool single, int d) {
    if (!std::isfinite(v)) return 0;
    // A float times 10^d (d <= 8) is exact in double: round it directly,
    // halves away from zero.
    if (single && d <= 8 && std::fabs(v) * POW10D[d] < 9.0e15) {
        int64_t n = std::llround(v * POW10D[d]);
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

}  // namespace

// False, with nothing written, when the value cannot be shown in the field.
bool put_fixed(std::string& line, double v, bool single, int w, int d, Fit fit) {
    char buf[400];
    for (int dd = std::min(d, 300); dd >= 0; --dd) {
        std::size_t n = fixed_text(buf, v, single, dd);
        if (n == 0) break;
        if (n > std::size_t(w)) n = drop_lead_zero(buf, n);
        if (n <= std::size_t(w)) {
            put_field(line, buf, n, w);
            return true;
        }
        if (fit != Fit::shorten) break;
    }
    return false;
}

namespace {

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

}  // namespace

// False, with nothing written, when the value cannot be shown in the field.
bool put_exp(std::string& line, double v, int w, int d, int e, Fit fit) {
    char buf[440];
    std::size_t n = exp_text(buf, v, d, e);
    if (n == 0) return false;
    if (exp_digits(buf, n) > std::size_t(e)) {
        if (fit != Fit::shorten) return false;
        // Wider exponent, fewer mantissa digits, until the field takes it.
        for (int dd = std::min(d, 300); dd >= 1; --dd) {
            n = exp_text(buf, v, dd, e);
            std::size_t m = n > std::size_t(w) ? drop_lead_zero(buf, n) : n;
            if (m <= std::size_t(w)) {
                put_field(line, buf, m, w);
                return true;
            }
        }
        return false;
    }
    if (n > std::size_t(w)) n = drop_lead_zero(buf, n);
    if (n > std::size_t(w)) return false;
    put_field(line, buf, n, w);
    return true;
}

// A real under F or E: the value, else the format's marker, else asterisks.
void put_real(std::string& line, const Format& f, const Format::Desc& d, double v, bool single) {
    auto put = [&](double x) {
        return d.kind == Format::Kind::F ? put_fixed(line, x, single, d.w, d.d, f.fit())
                                         : put_exp(line, x, d.w, d.d, d.e, f.fit());
    };
    if (put(v)) return;
    if (f.has_marker() && put(f.marker())) return;
    line.append(std::size_t(d.w), '*');
}

namespace {

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

// Scratch line of the output statements; reused so that a statement
// allocates nothing once it has grown to the longest line.
std::string SCRATCH;
// Scratch field of shows().
std::string SHOWN;

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
                put_real(line, f, d, v, single);
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
}  // namespace

IoStat write(int32_t unit, const Format& f, std::span<const OutItem> items) {
    UnitSink sink(unit);
    return run_output(f, items, sink);
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

bool shows(const Format& f, double v, bool single) {
    for (const Format::Desc& d : f.descs()) {
        if (d.kind != Format::Kind::F && d.kind != Format::Kind::E) continue;
        if (!std::isfinite(v)) return false;
        // Well inside the field with all its decimals: no need to write it
        // (the columns before the point hold the sign and the integer digits).
        if (d.kind == Format::Kind::F) {
            const int digits = d.w - d.d - 1 - (v < 0.0 ? 1 : 0);
            if (digits >= 1 && digits <= 8 && std::fabs(v) < POW10D[digits] - 1.0) return true;
        }
        std::string& scratch = SHOWN;
        scratch.clear();
        return d.kind == Format::Kind::F ? put_fixed(scratch, v, single, d.w, d.d, f.fit())
                                         : put_exp(scratch, v, d.w, d.d, d.e, f.fit());
    }
    return false;
}

IoStat write_console(const Format& f, std::span<const OutItem> items) {
    ConsoleSink sink;
    return run_output(f, items, sink);
}

}  // namespace kolm::fmt
