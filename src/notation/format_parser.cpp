// Fixed-column formats: parsing of a format text into its descriptor list.
#include "notation/fixed_format.h"


#include "notation/engine.h"

namespace kolm::fmt {

namespace {

// Expanded descriptor lists longer than this are refused (a repeat count typo).
constexpr std::size_t MAX_DESCS = 100000;

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

    // One data descriptor repeated, restarting at the first one.
    if (descs_.empty()) return;
    const Desc& d0 = descs_.front();
    bool row = restart_ == 0 && d0.w > 0 &&
               (d0.kind == Kind::I || d0.kind == Kind::F || d0.kind == Kind::E || d0.kind == Kind::A) &&
               descs_.size() * std::size_t(d0.w) <= std::size_t(ROW_COLUMNS);
    for (const Desc& d : descs_)
        row = row && d.kind == d0.kind && d.w == d0.w && d.d == d0.d && d.e == d0.e;
    if (row) row_ = Row{d0.kind, int16_t(descs_.size()), d0.w, d0.d, d0.e};
}

Format::Format(std::string_view text, Fit fit, double marker) : Format(text, fit) {
    has_marker_ = true;
    marker_ = marker;
}

}  // namespace kolm::fmt
