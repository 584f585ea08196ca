// Fixed-column formats: descriptors on output and input, line breaking,
// zero-item statements, groups and literals, free format, in-memory text.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

#include "notation/fixed_format.h"
#include "platform/text_units.h"
#include "support/slurp.h"

namespace kolm::fmt {
namespace {

using kolm::testing::slurp;

namespace fs = std::filesystem;
using platform::IoStat;

std::string out1(const char* format, OutItem item, Fit fit = Fit::asterisks) {
    std::string s;
    EXPECT_EQ(write_text(s, Format(format, fit), {item}), IoStat::ok) << format;
    return s;
}

TEST(FixedFormatOutput, WorkedExamplesAndFieldRules) {
    struct Case {
        const char* format;
        double value;
        bool single;
        const char* written;
    } cases[] = {
        {"(F7.3)", 12.5, true, " 12.500"},
        {"(F7.3)", -3.14159, true, " -3.142"},
        {"(F7.3)", 1234.5, true, "*******"},
        {"(F7.3)", 0.5, true, "  0.500"},
        {"(F4.3)", 0.5, true, ".500"},           // no room for the 0 before the point
        {"(F5.3)", -0.5, true, "-.500"},
        {"(F6.3)", -0.0001, true, " 0.000"},     // rounds to zero: no minus sign
        {"(F8.3)", 9999.0, true, "9999.000"},
        {"(F6.1)", 0.05, true, "   0.1"},        // 0.05f lies just above the half
        {"(F6.2)", 2.675, false, "  2.67"},      // 2.675 lies just below the half
        {"(F4.0)", 7.5, true, "  8."},
        {"(E9.4E1)", 0.002718, true, "0.2718E-2"},
        {"(E9.4E1)", -0.002718, true, "-.2718E-2"},
        {"(E9.4E1)", 1.0e12, true, "*********"},
        {"(E11.6E1)", 6370.25, true, "0.637025E+4"},
        {"(E20.12)", 6370.0, false, "  0.637000000000E+04"},
        {"(E8.3E1)", 1238000.0, true, "0.124E+7"},
        {"(E10.4)", 0.0, true, "0.0000E+00"},
        {"(E10.4)", 99996.0, true, "0.1000E+06"},  // rounding carries into the exponent
        {"(E12.4)", -1.5e-20, false, " -0.1500E-19"},
        {"(E14.6)", 1.0e100, false, "**************"},  // three exponent digits do not fit E
    };
    for (const Case& c : cases) {
        std::string s = c.single ? out1(c.format, float(c.value)) : out1(c.format, c.value);
        EXPECT_EQ(s, c.written) << c.format << " " << c.value;
    }
}

TEST(FixedFormatOutput, IntegersHexAndText) {
    int32_t v7 = 7, v999 = 999, vm5 = -5, v1000 = 1000;
    EXPECT_EQ(out1("(I3)", v7), "  7");
    EXPECT_EQ(out1("(I3)", v999), "999");
    EXPECT_EQ(out1("(I3)", vm5), " -5");
    EXPECT_EQ(out1("(I3)", v1000), "***");
    int16_t s = -12;
    EXPECT_EQ(out1("(I4)", s), " -12");
    int32_t hex[3] = {7, 10, 255};
    EXPECT_EQ(out1("(3Z2)", OutItem(hex, 3)), " 7 AFF");
    EXPECT_EQ(out1("(A5)", "ab"), "   ab");
    EXPECT_EQ(out1("(A2)", "abcdef"), "ab");
    EXPECT_EQ(out1("(A)", "ab  "), "ab  ");  // A keeps trailing blanks
    EXPECT_EQ(out1("(3X,A1)", 'q'), "   q");
    std::string s2;
    int32_t d = 3;
    EXPECT_EQ(write_text(s2, Format("(A,I2,2X)"), {"a", d}), IoStat::ok);
    EXPECT_EQ(s2, "a 3");  // blanks of a trailing X are not written
}

TEST(FixedFormatOutput, ShortenFitsDecimalsAndExponentsOnlyWhenAsked) {
    EXPECT_EQ(out1("(F7.3)", -105.25f), "*******");
    EXPECT_EQ(out1("(F7.3)", -105.25f, Fit::shorten), "-105.25");
    EXPECT_EQ(out1("(F7.3)", 1234.5f, Fit::shorten), "1234.50");
    EXPECT_EQ(out1("(F7.3)", 123456.7f, Fit::shorten), "123457.");
    EXPECT_EQ(out1("(F7.3)", 12345678.0f, Fit::shorten), "*******");  // not even the integer part
    EXPECT_EQ(out1("(E11.6E1)", 1.5e12f), "***********");
    EXPECT_EQ(out1("(E11.6E1)", 1.5e12f, Fit::shorten), ".150000E+13");
    EXPECT_EQ(out1("(E9.4E1)", -2.5e-11f, Fit::shorten), "-.250E-10");
    EXPECT_EQ(out1("(E9.4E1)", 0.002718f, Fit::shorten), "0.2718E-2");  // fitting values unchanged
}

// A value no field can show goes out as the format's marker, which reads back;
// a value that fits, shortened or not, is written as before.
TEST(FixedFormatOutput, MarkerStandsForValuesTheFieldCannotShow) {
    const float inf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    struct Case {
        const char* format;
        double value;
        bool single;
        const char* text;
    } cases[] = {
        {"(F7.3)", 1.0e38f, true, "9999.00"},
        {"(F7.3)", -12345678.0f, true, "9999.00"},
        {"(F8.3)", nan, true, "9999.000"},
        {"(F6.3)", inf, true, "9999.0"},
        {"(E11.6E1)", -inf, true, "0.999900E+4"},
        {"(E8.3E1)", nan, true, "0.100E+5"},
        {"(E20.12)", nan, false, "  0.999900000000E+04"},
        {"(F7.3)", 123456.7f, true, "123457."},
        {"(E9.4E1)", 1.0e38f, true, ".1000E+39"},
        {"(F8.3)", 9999.0f, true, "9999.000"},
    };
    for (const Case& c : cases) {
        const float f = float(c.value);
        std::string s;
        const OutItem item = c.single ? OutItem(f) : OutItem(c.value);
        EXPECT_EQ(write_text(s, Format(c.format, Fit::shorten, 9999.0), {item}), IoStat::ok) << c.format;
        EXPECT_EQ(s, c.text) << c.format;
        float back = 0.0f;
        EXPECT_EQ(read_text(s, Format(c.format), {back}), IoStat::ok) << s;
    }
    // Without the marker the field stays asterisks.
    EXPECT_EQ(out1("(F7.3)", nan, Fit::shorten), "*******");
}

TEST(FixedFormatOutput, LineBreakingAndZeroItems) {
    std::vector<int32_t> ints(80);
    for (int i = 0; i < 80; ++i) ints[i] = i;
    std::string s;
    EXPECT_EQ(write_text(s, Format("(40I3)"), {OutItem(ints.data(), 40)}), IoStat::ok);
    EXPECT_EQ(s.size(), 120u);
    // More than one line does not fit a string.
    EXPECT_EQ(write_text(s, Format("(40I3)"), {OutItem(ints.data(), 41)}), IoStat::err);
    EXPECT_EQ(write_text(s, Format("(16F7.3)"), {OutItem(static_cast<const float*>(nullptr), 0)}), IoStat::ok);
    EXPECT_EQ(s, "");
    // A literal before the first data descriptor is written even for zero items.
    EXPECT_EQ(write_text(s, Format("(' N=',I3)"), {OutItem(ints.data(), 0)}), IoStat::ok);
    EXPECT_EQ(s, " N=");
    char buf[12];
    int32_t m = 1;
    EXPECT_EQ(write_text(buf, 12, Format("(A,I2,A)"), {"URSI", m + 10, ".BIN"}), IoStat::ok);
    EXPECT_EQ(std::string(buf, 12), "URSI11.BIN  ");
    EXPECT_EQ(write_text(buf, 4, Format("(A)"), {"TOOLONG"}), IoStat::err);
    EXPECT_EQ(std::string(buf, 4), "TOOL");
}

TEST(FixedFormatOutput, GroupsLiteralsAndMismatches) {
    std::string s;
    int32_t a = 1750, b = 1748;
    EXPECT_EQ(write_text(s, Format("(' IYEARPRE,IYEAR=',2I5)"), {a, b}), IoStat::ok);
    EXPECT_EQ(s, " IYEARPRE,IYEAR= 1750 1748");
    float w[6] = {0.125f, 1.0f, -2.0f, 3.5e-3f, 0.0f, 1e5f};
    EXPECT_EQ(write_text(s, Format("(F5.3,5(E14.6))"), {OutItem(w, 6)}), IoStat::ok);
    EXPECT_EQ(s, "0.125  0.100000E+01 -0.200000E+01  0.350000E-02  0.000000E+00  0.100000E+06");
    float q[4] = {1.0f, 2.0f, 3.0f, 4.0f};
    EXPECT_EQ(write_text(s, Format("(1X,4E15.8)"), {OutItem(q, 4)}), IoStat::ok);
    EXPECT_EQ(s, "  0.10000000E+01 0.20000000E+01 0.30000000E+01 0.40000000E+01");
    EXPECT_EQ(write_text(s, Format("('it''s',A)"), {"!"}), IoStat::ok);
    EXPECT_EQ(s, "it's!");
    int32_t n = 5;
    EXPECT_EQ(write_text(s, Format("(F5.1)"), {n}), IoStat::err);         // integer under F
    EXPECT_EQ(write_text(s, Format("(I5)"), {"x"}), IoStat::err);         // text under I
    EXPECT_EQ(write_text(s, Format("(I5"), {n}), IoStat::err);            // not a format
    EXPECT_EQ(write_text(s, Format("('x')"), {n}), IoStat::err);          // no data descriptor
    EXPECT_EQ(write_text(s, Format("(I3,('x'))"), {n, n}), IoStat::err);  // restart group without one
}

TEST(FixedFormatParse, AcceptsAndRejects) {
    for (const char* ok : {"(40I3)", "  (16F7.3)", "(13E9.4E1)", "(A120)", "(120Z1)", "(A,2F10.4)", "(80A)",
                           "(F5.3,5(E14.6))", "(1X,4E15.8)", "(' ICYCLE,NCYCLES=',2I5)", "(i3, f6.2)", "()"}) {
        EXPECT_TRUE(Format(ok).ok()) << ok;
    }
    for (const char* bad : {"", "I3", "(I3", "(I)", "(F7)", "(E9.0)", "(Q3)", "(2(3(I1)))", "('abc)", "(0I3)",
                            "(I3) x"}) {
        Format f(bad);
        EXPECT_FALSE(f.ok()) << bad;
        EXPECT_FALSE(f.error().empty()) << bad;
    }
    Format f("(2I2,3(F4.1))");
    ASSERT_TRUE(f.ok());
    EXPECT_EQ(f.descs().size(), 5u);
    EXPECT_EQ(f.restart(), 2u);  // a format that runs out starts again at its last group
}

TEST(FixedFormatInput, FieldRules) {
    struct Case {
        const char* format;
        const char* text;
        IoStat status;
        double value;
    } reals[] = {
        {"(F8.3)", "     123", IoStat::ok, 0.123},
        {"(F8.3)", "     1.5", IoStat::ok, 1.5},
        {"(F8.3)", "        ", IoStat::ok, 0.0},
        {"(F8.3)", " 245.500", IoStat::ok, 245.5},
        {"(E8.3E1)", " 245.500", IoStat::ok, 245.5},   // F text under E
        {"(F8.3)", "0.124E+7", IoStat::ok, 1240000.0}, // E text under F
        {"(F8.3)", "-.25E-10", IoStat::ok, -2.5e-11},
        {"(F8.3)", "1 2 . 5 ", IoStat::ok, 12.5},      // blanks ignored
        {"(F8.3)", "  12-3  ", IoStat::ok, 0.012e-3},  // exponent sign without E
        {"(F4.1)", "12", IoStat::ok, 1.2},             // short line padded with blanks
        {"(F7.3)", "*******", IoStat::err, 0.0},
        {"(F8.3)", "  12.3.4", IoStat::err, 0.0},
        {"(F8.3)", "    abc ", IoStat::err, 0.0},
        {"(F8.3)", "    1E  ", IoStat::err, 0.0},
        {"(F8.3)", "     E12", IoStat::err, 0.0},      // an exponent needs a number before it
        {"(E8.3E1)", "   .E+3", IoStat::err, 0.0},
        {"(E20.12)", "  0.637000000000E+04", IoStat::ok, 6370.0},
    };
    for (const Case& c : reals) {
        double d = -1.0;
        float f = -1.0f;
        EXPECT_EQ(read_text(c.text, Format(c.format), {d}), c.status) << c.format << " [" << c.text << "]";
        EXPECT_EQ(read_text(c.text, Format(c.format), {f}), c.status) << c.format << " [" << c.text << "]";
        if (c.status == IoStat::ok) {
            EXPECT_DOUBLE_EQ(d, c.value) << c.text;
            EXPECT_EQ(f, float(c.value)) << c.text;
        }
    }
    struct ICase {
        const char* format;
        const char* text;
        IoStat status;
        int32_t value;
    } ints[] = {
        {"(I4)", " 1 2", IoStat::ok, 12},  {"(I4)", "    ", IoStat::ok, 0},   {"(I3)", " -5", IoStat::ok, -5},
        {"(I3)", "+42", IoStat::ok, 42},   {"(I3)", "***", IoStat::err, 0},   {"(I3)", "1.0", IoStat::err, 0},
        {"(I1)", "9", IoStat::ok, 9},      {"(Z2)", " F", IoStat::ok, 15},    {"(Z2)", " G", IoStat::err, 0},
        {"(2X,I2)", "99 7", IoStat::ok, 7}, {"(I3)", "", IoStat::ok, 0},
    };
    for (const ICase& c : ints) {
        int32_t v = -1;
        EXPECT_EQ(read_text(c.text, Format(c.format), {v}), c.status) << c.format << " [" << c.text << "]";
        if (c.status == IoStat::ok) {
            EXPECT_EQ(v, c.value) << c.text;
        }
    }
    int16_t small = 0;
    EXPECT_EQ(read_text("99999", Format("(I5)"), {small}), IoStat::err);  // beyond a 16-bit item
}

TEST(FixedFormatInput, TextFields) {
    char item[4];
    EXPECT_EQ(read_text("abcdef", Format("(A6)"), {InItem::text(item, 4)}), IoStat::ok);
    EXPECT_EQ(std::string(item, 4), "cdef");  // w >= L: the rightmost L
    EXPECT_EQ(read_text("ab", Format("(A2)"), {InItem::text(item, 4)}), IoStat::ok);
    EXPECT_EQ(std::string(item, 4), "ab  ");  // w < L: left-justified, blank-filled
    EXPECT_EQ(read_text("xyz", Format("(A)"), {InItem::text(item, 4)}), IoStat::ok);
    EXPECT_EQ(std::string(item, 4), "xyz ");  // short line: padded with blanks
    EXPECT_EQ(read_text("abc", Format("(A6)"), {InItem::text(item, 4)}), IoStat::ok);
    EXPECT_EQ(std::string(item, 4), "c   ");  // rightmost 4 of "abc   "
    char chars[5];
    EXPECT_EQ(read_text("FF20", Format("(120A1)"), {InItem::chars(chars, 5)}), IoStat::ok);
    EXPECT_EQ(std::string(chars, 5), "FF20 ");
    std::string name(8, '?');
    EXPECT_EQ(read_text("A.SAO", Format("(A)"), {name}), IoStat::ok);
    EXPECT_EQ(name, "A.SAO   ");
}

TEST(FixedFormatInput, InMemoryNeedsOnlyOneLine) {
    int32_t v[3] = {0, 0, 0};
    EXPECT_EQ(read_text("  1  2  3", Format("(3I3)"), {InItem(v, 3)}), IoStat::ok);
    EXPECT_EQ(v[2], 3);
    EXPECT_EQ(read_text("  1  2", Format("(2I3)"), {InItem(v, 3)}), IoStat::end);  // a second line is needed
    float w[6];
    EXPECT_EQ(read_text("0.345  0.123456E+01 -0.500000E+00", Format("(F5.3,5(E14.6))"), {InItem(w, 6)}),
              IoStat::ok);
    EXPECT_FLOAT_EQ(w[0], 0.345f);
    EXPECT_FLOAT_EQ(w[1], 1.23456f);
    EXPECT_FLOAT_EQ(w[2], -0.5f);
    EXPECT_EQ(w[5], 0.0f);  // fields beyond the line are blanks
}

TEST(FixedFormatInput, FreeFormat) {
    int32_t v[6] = {};
    EXPECT_EQ(read_text_free("1 2, 3 ,4  5", {InItem(v, 6)}), IoStat::end);  // five values for six items
    EXPECT_EQ(v[4], 5);
    EXPECT_EQ(read_text_free("1 2 3 4 5 6 7", {InItem(v, 6)}), IoStat::ok);
    EXPECT_EQ(v[5], 6);
    EXPECT_EQ(read_text_free("7,,9", {InItem(v, 3)}), IoStat::ok);  // an empty value leaves its item
    EXPECT_EQ(v[0], 7);
    EXPECT_EQ(v[1], 2);
    EXPECT_EQ(v[2], 9);
    float x = 0, y = 0;
    EXPECT_EQ(read_text_free(" -1.5e2 3", {x, y}), IoStat::ok);
    EXPECT_EQ(x, -150.0f);
    EXPECT_EQ(y, 3.0f);
    EXPECT_EQ(read_text_free("END", {x}), IoStat::err);
    EXPECT_EQ(read_text_free("E10", {x}), IoStat::err);  // a word, not the number 0
    int32_t i = 0;
    EXPECT_EQ(read_text_free("2.5", {i}), IoStat::err);  // an integer item needs digits only
    char word[6];
    EXPECT_EQ(read_text_free("'ab cd' 4", {InItem::text(word, 6), i}), IoStat::ok);
    EXPECT_EQ(std::string(word, 6), "ab cd ");
    EXPECT_EQ(i, 4);
}

class TempDir {
public:
    TempDir() {
        std::string tmpl = (fs::temp_directory_path() / "kolm_ff_XXXXXX").string();
        path_ = mkdtemp(tmpl.data());
    }
    ~TempDir() { fs::remove_all(path_); }
    std::string file(const char* name, const std::string& content = {}) const {
        std::string p = (fs::path(path_) / name).string();
        if (!content.empty()) std::ofstream(p, std::ios::binary) << content;
        return p;
    }

private:
    std::string path_;
};


TEST(FixedFormatUnits, LinesOnFilesFollowTheStatementRules) {
    TempDir dir;
    const int32_t u = 11;
    std::string out = dir.file("out.txt");
    ASSERT_EQ(platform::open_unit(u, out, platform::UnitMode::write), 0);
    std::vector<int32_t> ints(61, 1);
    std::vector<float> reals(31, 2.0f);
    EXPECT_EQ(write(u, Format("(60I2)"), {OutItem(ints.data(), 61)}), IoStat::ok);
    EXPECT_EQ(write(u, Format("(15F8.3)"), {OutItem(reals.data(), 31)}), IoStat::ok);
    EXPECT_EQ(write(u, Format("(16F7.3)"), {OutItem(reals.data(), 0)}), IoStat::ok);
    EXPECT_EQ(write(u, Format("(I3)"), {int32_t(4)}), IoStat::ok);
    ASSERT_EQ(platform::close_unit(u), IoStat::ok);
    std::string text = slurp(out);
    std::vector<std::string> lines;
    std::stringstream ss(text);
    for (std::string l; std::getline(ss, l);) lines.push_back(l);
    ASSERT_EQ(lines.size(), 7u);
    EXPECT_EQ(lines[0].size(), 120u);
    EXPECT_EQ(lines[1], " 1");
    EXPECT_EQ(lines[2].size(), 120u);
    EXPECT_EQ(lines[3].size(), 120u);
    EXPECT_EQ(lines[4], "   2.000");
    EXPECT_EQ(lines[5], "");
    EXPECT_EQ(lines[6], "  4");

    // Reading: the zero-item statement consumes the empty line; a failing
    // statement consumes the line it failed on, and only that one.
    ASSERT_EQ(platform::open_unit(u, out, platform::UnitMode::read), 0);
    std::vector<int32_t> back(61, 0);
    EXPECT_EQ(read(u, Format("(60I2)"), {InItem(back.data(), 61)}), IoStat::ok);
    EXPECT_EQ(back[60], 1);
    EXPECT_EQ(read(u, Format("(I8)"), {back[0]}), IoStat::err);  // "   2.000" is no integer
    std::vector<float> rb(31, 0.0f);
    EXPECT_EQ(read(u, Format("(15E8.3E1)"), {InItem(rb.data(), 16)}), IoStat::ok);  // lines 4 and 5
    EXPECT_EQ(rb[15], 2.0f);
    EXPECT_EQ(read(u, Format("(16F7.3)"), {InItem(rb.data(), 0)}), IoStat::ok);    // the empty line
    int32_t four = 0;
    EXPECT_EQ(read(u, Format("(I3)"), {four}), IoStat::ok);
    EXPECT_EQ(four, 4);
    EXPECT_EQ(read(u, Format("(I3)"), {four}), IoStat::end);
    platform::close_unit(u);
}

TEST(FixedFormatUnits, FreeFormatSpansLinesAndSkipsBlankOnes) {
    TempDir dir;
    const int32_t u = 12;
    ASSERT_EQ(platform::open_unit(u, dir.file("f.txt", "3.5\n\n120\nEND\n1 2 3 rest\n4\n"), platform::UnitMode::read), 0);
    float a = 0, b = 0;
    EXPECT_EQ(read_free(u, {a, b}), IoStat::ok);
    EXPECT_EQ(a, 3.5f);
    EXPECT_EQ(b, 120.0f);
    EXPECT_EQ(read_free(u, {a}), IoStat::err);  // the word END; its line is consumed
    int32_t v[2];
    EXPECT_EQ(read_free(u, {InItem(v, 2)}), IoStat::ok);  // the rest of the line is dropped
    EXPECT_EQ(v[1], 2);
    EXPECT_EQ(read_free(u, {InItem(v, 2)}), IoStat::end);  // only one value left
    platform::close_unit(u);
}

}  // namespace
}  // namespace kolm::fmt
