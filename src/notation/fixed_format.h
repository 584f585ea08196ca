// Fixed-column formatted input and output.
//
// Every text file of the system is read and written through format texts
// such as "(16F7.3)", "(40I3)", "(F5.3,5(E14.6))" or "(' IYEARPRE,IYEAR=',2I5)".
// A Format is parsed once from its text and then used by any number of
// statements; a statement never re-parses and allocates nothing per value.
//
// Descriptors: Iw, Fw.d, Ew.d, Ew.dEe, Aw, A, Zw, nX and quoted literals
// ('...' or "...", a doubled quote stands for itself), each with an
// optional repeat count, and one level of parenthesised groups with an
// optional repeat count, e.g. 5(E14.6).
//
// Statement rules:
//  - Each item takes the next data descriptor (I F E A Z); X and literals
//    are performed when reached. When the items run out the statement ends
//    (literals standing before the next data descriptor are still written).
//  - When the descriptors run out and items remain, the line ends and the
//    format starts again on a new line: from the last top-level group when
//    the format has one, else from its first descriptor. So "(kXw)" over n
//    items takes ceil(n/k) lines, the last one short.
//  - A statement over zero items still writes one empty line (output) or
//    consumes one line (input).
//  - Output: numbers right-justified, asterisks over the whole field when a
//    value does not fit (or the format's marker value, when it has one);
//    the statement still succeeds.
//  - Input: a field takes exactly its w columns (a short line reads as
//    padded with blanks), blanks inside numbers are ignored, a blank field
//    reads as 0; F and E read the same text; a field that does not convert
//    fails the statement (ERR). After any input statement the file stands
//    at the start of the line after the last line it used (for a failure,
//    the line on which it failed).
//  - Free-format input: values separated by blanks or one comma, over as
//    many lines as needed, blank lines passed over; the rest of the last
//    line used is dropped. END when the file ends first.
//  - In-memory statements treat a string as one line: under a format,
//    columns beyond its end read as blanks and a statement that needs a
//    second line gives END; under free format fewer values than items give
//    END; writing more than one line gives ERR.
//
// Status: IoStat::ok, IoStat::end (the file ended before the statement was
// satisfied) or IoStat::err (any other failure, including an invalid format
// or an item whose type does not suit its descriptor).
#pragma once

#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "blocks/farray.h"
#include "platform/text_units.h"

namespace kolm::fmt {

using platform::IoStat;

enum class ItemType : uint8_t { i16, i32, f32, f64, chars };

// One entry of an output list: a scalar, `count` consecutive values
// (an array section), or `count` texts of `len` characters each, back to
// back. Each value counts as one item for the line breaking.
struct OutItem {
    const void* p;
    int32_t count;
    int32_t len;  // characters per text (chars only)
    ItemType type;

    OutItem(const int16_t& v) : p(&v), count(1), len(0), type(ItemType::i16) {}
    OutItem(const int32_t& v) : p(&v), count(1), len(0), type(ItemType::i32) {}
    OutItem(const float& v) : p(&v), count(1), len(0), type(ItemType::f32) {}
    OutItem(const double& v) : p(&v), count(1), len(0), type(ItemType::f64) {}
    OutItem(const char& c) : p(&c), count(1), len(1), type(ItemType::chars) {}
    OutItem(std::string_view s) : p(s.data()), count(1), len(int32_t(s.size())), type(ItemType::chars) {}
    OutItem(const char* s) : OutItem(std::string_view(s)) {}
    OutItem(const std::string& s) : OutItem(std::string_view(s)) {}

    OutItem(const int16_t* a, int32_t n) : p(a), count(n), len(0), type(ItemType::i16) {}
    OutItem(const int32_t* a, int32_t n) : p(a), count(n), len(0), type(ItemType::i32) {}
    OutItem(const float* a, int32_t n) : p(a), count(n), len(0), type(ItemType::f32) {}
    OutItem(const double* a, int32_t n) : p(a), count(n), len(0), type(ItemType::f64) {}

    // n one-character items (a character array written under "(120A1)").
    static OutItem chars(const char* a, int32_t n) { return texts(a, n, 1); }
    // n texts of len characters each, stored back to back.
    static OutItem texts(const char* a, int32_t n, int32_t len) {
        OutItem it(std::string_view(a, 0));
        it.count = n;
        it.len = len;
        return it;
    }
};

// One entry of an input list; the same shapes as OutItem. A text item has
// a fixed length: Aw stores the rightmost len characters of a wider field,
// or a narrower field left-justified and filled with blanks.
struct InItem {
    void* p;  // nullptr: values are converted (and checked) but dropped
    int32_t count;
    int32_t len;
    ItemType type;

    InItem(int16_t& v) : p(&v), count(1), len(0), type(ItemType::i16) {}
    InItem(int32_t& v) : p(&v), count(1), len(0), type(ItemType::i32) {}
    InItem(float& v) : p(&v), count(1), len(0), type(ItemType::f32) {}
    InItem(double& v) : p(&v), count(1), len(0), type(ItemType::f64) {}
    InItem(char& c) : p(&c), count(1), len(1), type(ItemType::chars) {}
    // The string's current size is the item's fixed length.
    InItem(std::string& s) : p(s.data()), count(1), len(int32_t(s.size())), type(ItemType::chars) {}

    InItem(int16_t* a, int32_t n) : p(a), count(n), len(0), type(ItemType::i16) {}
    InItem(int32_t* a, int32_t n) : p(a), count(n), len(0), type(ItemType::i32) {}
    InItem(float* a, int32_t n) : p(a), count(n), len(0), type(ItemType::f32) {}
    InItem(double* a, int32_t n) : p(a), count(n), len(0), type(ItemType::f64) {}

    static InItem text(char* a, int32_t len) { return texts(a, 1, len); }
    static InItem chars(char* a, int32_t n) { return texts(a, n, 1); }
    static InItem texts(char* a, int32_t n, int32_t len) {
        InItem it(a, 0, ItemType::chars);
        it.count = n;
        it.len = len;
        return it;
    }
    // n values of the given type read and dropped (len for texts).
    static InItem skip(ItemType t, int32_t n, int32_t len = 1) {
        InItem it(nullptr, n, t);
        it.len = t == ItemType::chars ? len : 0;
        return it;
    }

private:
    InItem(void* a, int32_t n, ItemType t) : p(a), count(n), len(0), type(t) {}
};

// Elements 1..n of a one-based array as one list entry.
template <class T, int N>
OutItem out(const FArray<T, N>& a, int32_t n) {
    assert(n >= 0 && n <= N);
    return OutItem(a.data(), n);
}
template <class T, int N>
InItem in(FArray<T, N>& a, int32_t n) {
    assert(n >= 0 && n <= N);
    return InItem(a.data(), n);
}

// Output of a number that does not fit its field.
enum class Fit {
    asterisks,  // w asterisks
    shorten,    // F: fewer decimals (the point kept); E: more exponent digits
                // and fewer mantissa digits; asterisks only when even that fails
};

// A parsed format. Construction never throws: an invalid text gives a
// Format whose ok() is false, and every statement under it fails with ERR.
class Format {
public:
    Format() = default;
    explicit Format(std::string_view text, Fit fit = Fit::asterisks);
    // With a marker: a number that cannot be shown at all (not finite, or
    // too large for its field) is written as the marker instead of
    // asterisks, which no reader takes back.
    Format(std::string_view text, Fit fit, double marker);

    bool ok() const { return ok_; }
    const std::string& error() const { return error_; }  // why the text is not a format
    const std::string& text() const { return text_; }

    enum class Kind : uint8_t { I, F, E, A, Z, X, Lit };
    struct Desc {
        Kind kind;
        int16_t w;    // columns; 0 under A: the item's length; Lit: the literal's length
        int16_t d;    // decimals / mantissa digits
        int16_t e;    // exponent digits under E (2 unless Ew.dEe)
        int32_t lit;  // Lit: offset of its text in literals()
    };
    // Descriptors with repeat counts expanded; the format restarts at
    // descs()[restart()] when it runs out.
    const std::vector<Desc>& descs() const { return descs_; }
    std::size_t restart() const { return restart_; }
    bool has_data() const { return has_data_; }
    Fit fit() const { return fit_; }
    bool has_marker() const { return has_marker_; }
    double marker() const { return marker_; }

    // A format of one data descriptor repeated, "(kIw)", "(kFw.d)",
    // "(kEw.dEe)" or "(kAw)" with k * w <= ROW_COLUMNS: the shapes of the
    // SAO record, which the row statements (notation/rows.h) handle. per_line
    // is 0 for every other format.
    static constexpr int ROW_COLUMNS = 512;
    struct Row {
        Kind kind = Kind::X;
        int16_t per_line = 0;
        int16_t w = 0, d = 0, e = 0;
    };
    const Row& row() const { return row_; }
    std::string_view literal(const Desc& d) const { return std::string_view(literals_).substr(d.lit, d.w); }

private:
    std::string text_;
    std::string error_;
    std::string literals_;
    std::vector<Desc> descs_;
    std::size_t restart_ = 0;
    bool ok_ = false;
    bool has_data_ = false;
    Fit fit_ = Fit::asterisks;
    bool has_marker_ = false;
    double marker_ = 0.0;
    Row row_;
};

// Formatted statements on units (see platform/text_units.h).
IoStat write(int32_t unit, const Format& f, std::span<const OutItem> items);
IoStat read(int32_t unit, const Format& f, std::span<const InItem> items);
inline IoStat write(int32_t unit, const Format& f, std::initializer_list<OutItem> items) {
    return write(unit, f, std::span<const OutItem>(items.begin(), items.size()));
}
inline IoStat read(int32_t unit, const Format& f, std::initializer_list<InItem> items) {
    return read(unit, f, std::span<const InItem>(items.begin(), items.size()));
}

// Free-format read from a unit.
IoStat read_free(int32_t unit, std::span<const InItem> items);
inline IoStat read_free(int32_t unit, std::initializer_list<InItem> items) {
    return read_free(unit, std::span<const InItem>(items.begin(), items.size()));
}

// In-memory reads: the string is one line.
IoStat read_text(std::string_view line, const Format& f, std::span<const InItem> items);
IoStat read_text_free(std::string_view line, std::span<const InItem> items);
inline IoStat read_text(std::string_view line, const Format& f, std::initializer_list<InItem> items) {
    return read_text(line, f, std::span<const InItem>(items.begin(), items.size()));
}
inline IoStat read_text_free(std::string_view line, std::initializer_list<InItem> items) {
    return read_text_free(line, std::span<const InItem>(items.begin(), items.size()));
}

// In-memory writes. Into a std::string: the line as written (ERR when the
// statement needs more than one line). Into a fixed-length buffer: the line
// blank-padded to len (ERR, with the buffer holding what fits, when longer).
IoStat write_text(std::string& line, const Format& f, std::span<const OutItem> items);
IoStat write_text(char* buf, int32_t len, const Format& f, std::span<const OutItem> items);
inline IoStat write_text(std::string& line, const Format& f, std::initializer_list<OutItem> items) {
    return write_text(line, f, std::span<const OutItem>(items.begin(), items.size()));
}
inline IoStat write_text(char* buf, int32_t len, const Format& f, std::initializer_list<OutItem> items) {
    return write_text(buf, len, f, std::span<const OutItem>(items.begin(), items.size()));
}

// Whether the value shows in the field of the format's first F or E
// descriptor (shortened when the format shortens), neither as asterisks
// nor as the format's marker. False when the format has no such descriptor.
bool shows(const Format& f, double v, bool single);

// Writes the statement's lines to the text console.
IoStat write_console(const Format& f, std::span<const OutItem> items);
inline IoStat write_console(const Format& f, std::initializer_list<OutItem> items) {
    return write_console(f, std::span<const OutItem>(items.begin(), items.size()));
}

}  // namespace kolm::fmt
