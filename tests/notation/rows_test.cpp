// Row statements against the generic engine: the same values (bit for bit),
// statuses, file positions and written bytes, on random lines of usual
// texts, damaged texts and garbage, and on random values with the cases
// that are hard to write (ties, values that do not fit, non-finite ones).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "notation/fixed_format.h"
#include "notation/rows.h"
#include "platform/text_units.h"
#include "support/slurp.h"

namespace kolm::fmt {
namespace {

using kolm::testing::slurp;

namespace fs = std::filesystem;
using platform::IoStat;

constexpr int32_t GEN = 41, ROW = 42;

class TempDir {
public:
    TempDir() {
        std::string tmpl = (fs::temp_directory_path() / "kolm_rows_XXXXXX").string();
        path_ = mkdtemp(tmpl.data());
    }
    ~TempDir() {
        platform::close_unit(GEN);
        platform::close_unit(ROW);
        fs::remove_all(path_);
    }
    std::string file(const char* name) const { return (fs::path(path_) / name).string(); }

private:
    std::string path_;
};


// The formats of the SAO record, and further shapes of one repeated descriptor.
const char* const ROW_FORMATS[] = {
    "(40I3)",  "(60I2)",      "(120I1)",     "(15F8.3)", "(16F7.3)", "(20F6.3)",  "(13E9.4E1)", "(10E11.6E1)",
    "(15E8.3E1)", "(6E20.12)", "(120A1)", "(A120)",   "(5I7)",    "(3I12)",    "(4F12.5)",   "(2F5.0)",
    "(3E14.6E3)", "(4E8.3)",  "(7A3)",    "(3(F9.2))", "(2E30.20)", "(9F10.8)",
};

TEST(RowFormats, OneRepeatedDataDescriptorOnly) {
    struct Case {
        const char* text;
        int per_line;  // 0: not a row
    };
    const Case cases[] = {
        {"(40I3)", 40}, {"(15F8.3)", 15}, {"(A120)", 1}, {"(120A1)", 120}, {"(6E20.12)", 6}, {"(3(I2))", 3},
        {"(I3,I4)", 0}, {"(2I3,3(I2))", 0}, {"(3X,I3)", 0}, {"(I3,'x')", 0}, {"(A)", 0}, {"(2Z4)", 0},
        {"(F8.3,E8.3)", 0}, {"(E8.3,E8.3E1)", 0}, {"(600I1)", 0}, {"()", 0}, {"(I", 0},
    };
    for (const Case& c : cases) EXPECT_EQ(Format(c.text).row().per_line, c.per_line) << c.text;
}

// ------------------------------------------------------------------ input

struct Gen {
    std::mt19937_64 rng;
    explicit Gen(uint64_t seed) : rng(seed) {}
    int uniform(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); }
    bool chance(double p) { return std::bernoulli_distribution(p)(rng); }
    double real(double lo, double hi) { return std::uniform_real_distribution<double>(lo, hi)(rng); }

    // A value as the writers put it, of every size the field may hold or not.
    double value() {
        switch (uniform(0, 5)) {
            case 0: return 0.0;
            case 1: return double(uniform(-9999, 99999)) / 1000.0;
            case 2: return real(-1.0, 1.0) * std::pow(10.0, uniform(-12, 14));
            case 3: return double(uniform(-20, 20)) / 16.0;  // halves and sixteenths: ties
            case 4: return real(0.0, 1000.0);
            default: return real(-1e4, 1e4);
        }
    }

    // The text of one field of descriptor d: usual, damaged or garbage.
    std::string field(const Format::Desc& d) {
        const std::size_t w = std::size_t(d.w);
        std::string t;
        const int kind = uniform(0, 9);
        if (kind <= 5) {  // as the generic engine writes it
            std::string one = "(" + descriptor(d) + ")";
            if (d.kind == Format::Kind::I) {
                int64_t v = chance(0.1) ? int64_t(uniform(-2000000000, 2000000000)) * (chance(0.5) ? 1 : 7)
                                        : uniform(-120, 999);
                int32_t v32 = int32_t(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
                write_text(t, Format(one, Fit::shorten), {v32});
            } else if (d.kind == Format::Kind::A) {
                for (std::size_t k = 0; k < w; ++k) t += char(uniform(32, 126));
            } else {
                double v = value();
                if (chance(0.5)) write_text(t, Format(one, Fit::shorten), {float(v)});
                else write_text(t, Format(one, Fit::shorten), {v});
            }
            if (kind == 5 && !t.empty()) {  // one column damaged
                static const char damage[] = " 0123456789.+-EeDd\t*x,/\x80\xff";
                t[std::size_t(uniform(0, int(t.size()) - 1))] = damage[uniform(0, int(sizeof damage) - 2)];
            }
        } else if (kind <= 7) {  // a number text of any shape: blanks, signs, points, exponents
            static const char parts[] = "     0123456789012345678901234567890123456789..--++EeDd";
            for (std::size_t k = 0; k < w; ++k) t += parts[uniform(0, int(sizeof parts) - 2)];
        } else if (kind == 8) {
            t.assign(w, ' ');
            if (chance(0.5)) t[w - 1] = chance(0.5) ? '-' : '+';
        } else {
            for (std::size_t k = 0; k < w; ++k) t += char(uniform(1, 255));
        }
        t.resize(w, ' ');
        for (char& c : t)
            if (c == '\n') c = ' ';
        return t;
    }

    static std::string descriptor(const Format::Desc& d) {
        std::string s;
        switch (d.kind) {
            case Format::Kind::I: return "I" + std::to_string(d.w);
            case Format::Kind::A: return "A" + std::to_string(d.w);
            case Format::Kind::F: return "F" + std::to_string(d.w) + "." + std::to_string(d.d);
            default: return "E" + std::to_string(d.w) + "." + std::to_string(d.d) + "E" + std::to_string(d.e);
        }
    }

    // The lines of a statement of n fields: full lines, the last short;
    // sometimes cut, lengthened, CRLF-ended, missing or followed by others.
    std::string lines(const Format& f, int32_t n) {
        const Format::Desc& d = f.descs()[0];
        const int32_t k = f.row().per_line;
        const int32_t count = n == 0 ? 1 : (n + k - 1) / k;
        std::string out;
        for (int32_t l = 0; l < count; ++l) {
            if (chance(0.02)) break;  // the file ends early (for the last statements)
            std::string line;
            const int32_t m = n == 0 ? 0 : std::min(k, n - l * k);
            for (int32_t j = 0; j < m; ++j) line += field(d);
            if (chance(0.1)) line.resize(std::size_t(uniform(0, int(line.size()))));
            if (chance(0.05)) line += "trailing columns";
            if (chance(0.05)) line += '\r';
            out += line + "\n";
        }
        return out;
    }
};

struct Statement {
    const Format* f;
    int32_t n, keep;
    int type;  // 0 int32, 1 float, 2 double, 3 texts
    int32_t len;
};

TEST(RowStatements, ReadLikeTheGenericEngine) {
    TempDir dir;
    std::vector<Format> formats;
    for (const char* t : ROW_FORMATS) formats.emplace_back(t);
    for (uint64_t seed : {1u, 2u, 3u}) {
        Gen g(seed);
        std::vector<Statement> plan;
        std::string text;
        for (int s = 0; s < 1500; ++s) {
            const Format& f = formats[std::size_t(g.uniform(0, int(formats.size()) - 1))];
            const Format::Kind kind = f.descs()[0].kind;
            Statement st{&f, 0, 0, 0, 1};
            st.n = g.chance(0.1) ? 0 : g.uniform(1, 3 * f.row().per_line);
            st.keep = g.chance(0.3) ? g.uniform(0, st.n) : st.n;
            if (kind == Format::Kind::I) st.type = 0;
            else if (kind == Format::Kind::A) st.type = 3, st.len = g.uniform(1, 130);
            else st.type = g.uniform(1, 2);
            // Now and then the items do not suit the descriptor.
            if (g.chance(0.02)) st.type = g.uniform(0, 3);
            plan.push_back(st);
            text += g.lines(f, st.n);
        }
        const std::string p = dir.file("in.txt");
        std::ofstream(p, std::ios::binary) << text;
        ASSERT_EQ(platform::open_unit(GEN, p, platform::UnitMode::read), 0);
        ASSERT_EQ(platform::open_unit(ROW, p, platform::UnitMode::read), 0);
        std::vector<unsigned char> a, b;
        int oks = 0, errs = 0;
        for (std::size_t s = 0; s < plan.size(); ++s) {
            const Statement& st = plan[s];
            const std::size_t size = std::size_t(st.n) * (st.type == 3 ? std::size_t(st.len) : 8) + 8;
            a.assign(size, 0xA5);
            b.assign(size, 0xA5);
            IoStat ga, rb;
            switch (st.type) {
                case 0:
                    ga = read(GEN, *st.f,
                              {InItem(reinterpret_cast<int32_t*>(a.data()), st.keep),
                               InItem::skip(ItemType::i32, st.n - st.keep)});
                    rb = read_row(ROW, *st.f, reinterpret_cast<int32_t*>(b.data()), st.keep, st.n);
                    break;
                case 1:
                    ga = read(GEN, *st.f,
                              {InItem(reinterpret_cast<float*>(a.data()), st.keep),
                               InItem::skip(ItemType::f32, st.n - st.keep)});
                    rb = read_row(ROW, *st.f, reinterpret_cast<float*>(b.data()), st.keep, st.n);
                    break;
                case 2:
                    ga = read(GEN, *st.f,
                              {InItem(reinterpret_cast<double*>(a.data()), st.keep),
                               InItem::skip(ItemType::f64, st.n - st.keep)});
                    rb = read_row(ROW, *st.f, reinterpret_cast<double*>(b.data()), st.keep, st.n);
                    break;
                default:
                    ga = read(GEN, *st.f,
                              {InItem::texts(reinterpret_cast<char*>(a.data()), st.keep, st.len),
                               InItem::skip(ItemType::chars, st.n - st.keep, st.len)});
                    rb = read_row_texts(ROW, *st.f, reinterpret_cast<char*>(b.data()), st.len, st.keep, st.n);
                    break;
            }
            ASSERT_EQ(int(ga), int(rb)) << "seed " << seed << " statement " << s << " " << st.f->text();
            ASSERT_TRUE(a == b) << "seed " << seed << " statement " << s << " " << st.f->text() << " n " << st.n;
            oks += ga == IoStat::ok;
            errs += ga == IoStat::err;
        }
        // Both stand at the same line.
        std::string_view la, lb;
        IoStat sa = platform::read_line(GEN, la), sb = platform::read_line(ROW, lb);
        EXPECT_EQ(int(sa), int(sb));
        EXPECT_EQ(std::string(la), std::string(lb));
        // The mix reached both outcomes often.
        EXPECT_GT(oks, 300) << seed;
        EXPECT_GT(errs, 100) << seed;
        platform::close_unit(GEN);
        platform::close_unit(ROW);
    }
}

TEST(RowStatements, FieldsOfEveryShapeReadLikeTheGenericEngine) {
    // One field at a time over hand-picked texts: signs, blanks inside, the
    // point at every column, exponents of every form, overflow and underflow.
    TempDir dir;
    const char* const texts[] = {
        "        ", "       -", "       +", "   1.500", "  -1.500", "   -.500", "    .500", "   0.000",
        "  -0.000", " 1 2.500", "1.5     ", "12345678", "-1234567", " 123.45.", "     1.5", "   1.5E3",
        "  1.5E+3", "  1.5E-3", "  1.5D+3", "  1.5e+3", "   1.5+3", "  1.5-03", "0.495E+3", "-.495E+3",
        "0.495E+A", "0.495E+ ", "0.495E  ", "0.495EE3", "    E+03", "       .", "   -.   ", "9999999.",
        "0.999E+9", "0.1E-9  ", "\t  1.500", "  1.500\t", "  01.500", "+001.500", "--1.500 ", "1.5.",
        "0.340E+9", "  1E+99 ", " 1E-99  ", "1.0E3999", "     123", "  9.9999", "-0000001", "--12.500",
        "-1-2.500", "- 12.500", " 1-2.500", "12-3.500", "-  1.500", "\xb0/12.500", "1\xb0" "2.500", " 12.5\xb0" "9",
        "   -\xb0.5", "\xa0\xa0" "1.500", "    -123", "   12-3 ", "  --123", "     - 1", "-.123E-1", "0.1-3E+1",
    };
    const char* const formats[] = {"(F8.3)", "(E8.3E1)", "(E8.3)", "(F8.0)", "(F8.7)", "(I8)", "(E8.6E1)"};
    std::string text;
    for (const char* f : formats)
        for (const char* t : texts) text += std::string(t) + "\n" + (f[2] == 'I' ? "" : std::string(t) + "\n");
    const std::string p = dir.file("fields.txt");
    std::ofstream(p, std::ios::binary) << text;
    ASSERT_EQ(platform::open_unit(GEN, p, platform::UnitMode::read), 0);
    ASSERT_EQ(platform::open_unit(ROW, p, platform::UnitMode::read), 0);
    for (const char* text_of : formats) {
        const Format f(text_of);
        for (const char* t : texts) {
            if (f.descs()[0].kind == Format::Kind::I) {
                int32_t a = -7, b = -7;
                IoStat sa = read(GEN, f, {InItem(&a, 1)}), sb = read_row(ROW, f, &b, 1, 1);
                EXPECT_EQ(int(sa), int(sb)) << text_of << " '" << t << "'";
                EXPECT_EQ(a, b) << text_of << " '" << t << "'";
                continue;
            }
            float a = -7.0f, b = -7.0f;
            IoStat sa = read(GEN, f, {InItem(&a, 1)}), sb = read_row(ROW, f, &b, 1, 1);
            EXPECT_EQ(int(sa), int(sb)) << text_of << " '" << t << "'";
            EXPECT_EQ(std::memcmp(&a, &b, sizeof a), 0) << text_of << " '" << t << "' " << a << " " << b;
            double c = -7.0, e = -7.0;
            sa = read(GEN, f, {InItem(&c, 1)});
            sb = read_row(ROW, f, &e, 1, 1);
            EXPECT_EQ(int(sa), int(sb)) << text_of << " '" << t << "'";
            EXPECT_EQ(std::memcmp(&c, &e, sizeof c), 0) << text_of << " '" << t << "' " << c << " " << e;
        }
    }
}

// Reads the same file through both engines statement by statement and
// compares statuses and the stored bytes (reals as bit patterns).
void read_both(const std::string& path, const Format& f, int32_t n, int32_t keep, int type, int lines,
               const char* what) {
    ASSERT_EQ(platform::open_unit(GEN, path, platform::UnitMode::read), 0);
    ASSERT_EQ(platform::open_unit(ROW, path, platform::UnitMode::read), 0);
    std::vector<unsigned char> a(std::size_t(n) * 8 + 8), b(a.size());
    for (int l = 0; l < lines; ++l) {
        std::fill(a.begin(), a.end(), 0xA5);
        std::fill(b.begin(), b.end(), 0xA5);
        IoStat ga, rb;
        if (type == 0) {
            ga = read(GEN, f, {InItem(reinterpret_cast<int32_t*>(a.data()), keep), InItem::skip(ItemType::i32, n - keep)});
            rb = read_row(ROW, f, reinterpret_cast<int32_t*>(b.data()), keep, n);
        } else if (type == 1) {
            ga = read(GEN, f, {InItem(reinterpret_cast<float*>(a.data()), keep), InItem::skip(ItemType::f32, n - keep)});
            rb = read_row(ROW, f, reinterpret_cast<float*>(b.data()), keep, n);
        } else {
            ga = read(GEN, f, {InItem(reinterpret_cast<double*>(a.data()), keep), InItem::skip(ItemType::f64, n - keep)});
            rb = read_row(ROW, f, reinterpret_cast<double*>(b.data()), keep, n);
        }
        ASSERT_EQ(int(ga), int(rb)) << what << " " << f.text() << " statement " << l;
        ASSERT_TRUE(a == b) << what << " " << f.text() << " statement " << l;
    }
    platform::close_unit(GEN);
    platform::close_unit(ROW);
}

TEST(RowStatements, WholeRowsOfBoundaryTextsReadLikeTheGenericEngine) {
    // The rows converted many fields at once ("(15F8.3)", "(15E8.3E1)",
    // "(40I3)", "(60I2)"): every text of a small alphabet in the columns
    // before the point (or in every column of an integer), the point at
    // every column, every exponent, mixed with usual texts so that one odd
    // field stands at each place of its group; lines full, cut short inside
    // a field, CRLF-ended or longer; all items kept or a part of them.
    TempDir dir;
    Gen g(77);
    auto usual_fixed = [&] {
        char b[16];
        std::snprintf(b, sizeof b, "%8.3f", double(g.uniform(-999999, 9999999)) / 1000.0);
        return std::string(b);
    };
    auto usual_exp = [&] {
        char b[16];
        const int m = g.uniform(0, 999);
        std::snprintf(b, sizeof b, "%s.%03dE%c%d", g.chance(0.3) ? "-" : "0", m, g.chance(0.3) ? '-' : '+',
                      g.uniform(0, 9));
        return std::string(b);
    };
    const std::string alpha = " -+.05 9x\t\xb0";
    std::vector<std::string> fixed, expo, i3, i2;
    for (char c0 : alpha)
        for (char c1 : alpha)
            for (char c2 : alpha)
                for (char c3 : std::string(" -.059x")) {
                    fixed.push_back(std::string{c0, c1, c2, c3} + ".125");
                    i3.push_back(std::string{c1, c2, c3});
                }
    for (int q = 0; q < 8; ++q)
        for (int k = 0; k < 20; ++k) {  // the point at every column, digits and blanks around it
            std::string t = usual_fixed();
            std::erase(t, '.');
            t.insert(std::size_t(q), ".");
            t.resize(8);
            if (g.chance(0.3)) t[std::size_t(g.uniform(0, 7))] = ' ';
            fixed.push_back(t);
        }
    for (char c0 : alpha)
        for (char sign : std::string("+- 0E"))
            for (char e : std::string("0123456789 x-")) {
                std::string t = usual_exp();
                t[0] = c0;
                t[6] = sign;
                t[7] = e;
                expo.push_back(t);
            }
    for (char c0 : alpha)
        for (char c1 : alpha) i2.push_back(std::string{c0, c1});
    for (int k = 0; k < 300; ++k) {  // one column of a usual text changed to any byte
        std::string t = g.chance(0.5) ? usual_fixed() : usual_exp();
        t[std::size_t(g.uniform(0, 7))] = char(g.uniform(1, 255));
        if (t.find('\n') == std::string::npos) (t.find('E') == std::string::npos ? fixed : expo).push_back(t);
    }
    struct Row {
        const char* format;
        const std::vector<std::string>* odd;
        int width, per_line, type;
    };
    const Row rows[] = {
        {"(15F8.3)", &fixed, 8, 15, 1}, {"(15E8.3E1)", &expo, 8, 15, 1}, {"(15E8.3E1)", &fixed, 8, 15, 1},
        {"(15F8.3)", &fixed, 8, 15, 2}, {"(40I3)", &i3, 3, 40, 0},      {"(60I2)", &i2, 2, 60, 0},
    };
    for (const Row& r : rows) {
        const Format f(r.format);
        const bool ints = r.type == 0;
        for (int32_t n : {1, 3, 4, 5, r.per_line, 2 * r.per_line + 7}) {
            const int32_t keep = g.chance(0.5) ? n : g.uniform(0, n);
            std::string text;
            const int lines = int(r.odd->size() / 4) + 50;
            std::size_t next = 0;
            for (int l = 0; l < lines; ++l) {
                const int32_t count = (n + r.per_line - 1) / r.per_line;
                for (int32_t li = 0; li < count; ++li) {
                    const int32_t m = std::min(r.per_line, n - li * r.per_line);
                    std::string line;
                    for (int32_t j = 0; j < m; ++j) {
                        std::string t;
                        if (g.chance(0.25)) {
                            t = (*r.odd)[next++ % r.odd->size()];
                        } else if (ints) {
                            t = std::to_string(g.uniform(r.width == 3 ? -99 : -9, r.width == 3 ? 999 : 99));
                            t.insert(0, std::size_t(std::max(0, r.width - int(t.size()))), ' ');
                        } else {
                            t = std::string(r.format).find('E') != std::string::npos && g.chance(0.7) ? usual_exp()
                                                                                                     : usual_fixed();
                        }
                        line += t;
                    }
                    if (g.chance(0.1)) line.resize(std::size_t(g.uniform(0, int(line.size()))));
                    if (g.chance(0.05)) line += "  9.999x";
                    // Columns past the fields that read as usual fields.
                    if (g.chance(0.1)) line += ints ? std::string("  1 12123  7 99") : usual_fixed() + usual_exp() + usual_fixed();
                    if (g.chance(0.1)) line += '\r';
                    text += line + "\n";
                }
            }
            const std::string p = dir.file("rows.txt");
            std::ofstream(p, std::ios::binary | std::ios::trunc) << text;
            read_both(p, f, n, keep, r.type, lines, "boundary rows");
        }
    }
}

// ------------------------------------------------------------------ output

TEST(RowStatements, WriteLikeTheGenericEngine) {
    TempDir dir;
    std::vector<Format> formats;
    for (const char* t : ROW_FORMATS)
        for (Fit fit : {Fit::asterisks, Fit::shorten}) formats.emplace_back(t, fit);
    const std::string pa = dir.file("generic.txt"), pb = dir.file("rows.txt");
    for (uint64_t seed : {11u, 12u, 13u}) {
        Gen g(seed);
        ASSERT_EQ(platform::open_unit(GEN, pa, platform::UnitMode::write), 0);
        ASSERT_EQ(platform::open_unit(ROW, pb, platform::UnitMode::write), 0);
        std::vector<int32_t> ints;
        std::vector<float> floats;
        std::vector<double> doubles;
        std::string chars;
        for (int s = 0; s < 1500; ++s) {
            const Format& f = formats[std::size_t(g.uniform(0, int(formats.size()) - 1))];
            const int32_t n = g.chance(0.05) ? 0 : g.uniform(1, 3 * f.row().per_line);
            ints.resize(std::size_t(n) + 1);
            floats.resize(std::size_t(n) + 1);
            doubles.resize(std::size_t(n) + 1);
            for (int32_t i = 0; i < n; ++i) {
                const int pick = g.uniform(0, 19);
                double v = g.value();
                if (pick == 0) v = std::numeric_limits<double>::quiet_NaN();
                if (pick == 1) v = g.chance(0.5) ? HUGE_VAL : -HUGE_VAL;
                if (pick == 2) v = g.chance(0.5) ? 3.0e38 : -1.0e-40;
                if (pick == 3) v = -0.0;
                if (pick == 4) v = double(g.uniform(-99999, 99999)) / 1000.0 + (g.chance(0.5) ? 5e-4 : -5e-4);
                floats[std::size_t(i)] = float(v);
                doubles[std::size_t(i)] = pick == 5 ? double(float(v)) : v;
                ints[std::size_t(i)] = g.chance(0.1) ? int32_t(g.rng()) : g.uniform(-150, 1500);
            }
            const int32_t len = g.uniform(1, 130);
            chars.resize(std::size_t(n) * std::size_t(len) + 1);
            for (char& c : chars) c = char(g.uniform(32, 126));
            IoStat sa = IoStat::ok, sb = IoStat::ok;
            switch (g.uniform(0, 3)) {
                case 0:
                    sa = write(GEN, f, {OutItem(ints.data(), n)});
                    sb = write_row(ROW, f, ints.data(), n);
                    break;
                case 1:
                    sa = write(GEN, f, {OutItem(floats.data(), n)});
                    sb = write_row(ROW, f, floats.data(), n);
                    break;
                case 2:
                    sa = write(GEN, f, {OutItem(doubles.data(), n)});
                    sb = write_row(ROW, f, doubles.data(), n);
                    break;
                default:
                    sa = write(GEN, f, {OutItem::texts(chars.data(), n, len)});
                    sb = write_row_texts(ROW, f, chars.data(), len, n);
                    break;
            }
            ASSERT_EQ(int(sa), int(sb)) << "seed " << seed << " statement " << s << " " << f.text();
        }
        ASSERT_EQ(platform::close_unit(GEN), IoStat::ok);
        ASSERT_EQ(platform::close_unit(ROW), IoStat::ok);
        const std::string a = slurp(pa), b = slurp(pb);
        ASSERT_EQ(a.size(), b.size()) << seed;
        if (a != b) {
            std::size_t k = 0;
            while (a[k] == b[k]) ++k;
            const std::size_t from = a.rfind('\n', k) == std::string::npos ? 0 : a.rfind('\n', k) + 1;
            FAIL() << "seed " << seed << " first difference at byte " << k << "\n  generic: "
                   << a.substr(from, a.find('\n', k) - from) << "\n  rows:    " << b.substr(from, b.find('\n', k) - from);
        }
    }
}

TEST(RowStatements, ValuesNearRoundingTiesAndEdgesWriteLikeTheGenericEngine) {
    // Every float of a few ranges where the decimal digits change, and the
    // exact halves, under the real descriptors of the record.
    TempDir dir;
    const std::string pa = dir.file("generic.txt"), pb = dir.file("rows.txt");
    std::vector<float> v;
    for (float start : {0.0995f, 0.9995f, 9.9995f, 99.9995f, 999.9995f, 9999.9995f, 0.1f, 1.0f, 1e7f, 12380.0f}) {
        float x = start;
        for (int k = 0; k < 3000; ++k) {
            v.push_back(x);
            v.push_back(-x);
            x = std::nextafter(x, 2.0f * start);
        }
    }
    for (int k = -4000; k <= 4000; ++k) v.push_back(float(k) / 8.0f);
    for (int k = 0; k < 100; ++k) v.push_back(std::ldexp(1.0f, k - 60));
    // Every power of ten of the float range and its neighbours.
    for (int k = -45; k <= 38; ++k) {
        const float p = std::pow(10.0f, float(k));
        for (float x : {std::nextafter(p, 0.0f), p, std::nextafter(p, HUGE_VALF)}) {
            v.push_back(x);
            v.push_back(-x);
        }
    }
    std::vector<double> dv(v.begin(), v.end());
    for (int k = 0; k < 2000; ++k) dv.push_back(6370.0 + double(k) * 1.0000000000001e-9);
    for (int k = -320; k <= 308; ++k) {
        const double p = std::pow(10.0, double(k));
        for (double x : {std::nextafter(p, 0.0), p, std::nextafter(p, HUGE_VAL)}) {
            dv.push_back(x);
            dv.push_back(-x);
        }
    }
    for (const char* text : {"(15F8.3)", "(16F7.3)", "(20F6.3)", "(15E8.3E1)", "(13E9.4E1)", "(10E11.6E1)",
                             "(6E20.12)", "(4E8.3)"}) {
        for (int variant = 0; variant < 3; ++variant) {
            // As the record's writer has them: shortened, with the marker of values that do not show.
            const Format f = variant == 2 ? Format(text, Fit::shorten, 9999.0)
                                          : Format(text, variant == 0 ? Fit::asterisks : Fit::shorten);
            ASSERT_EQ(platform::open_unit(GEN, pa, platform::UnitMode::write), 0);
            ASSERT_EQ(platform::open_unit(ROW, pb, platform::UnitMode::write), 0);
            EXPECT_EQ(write(GEN, f, {OutItem(v.data(), int32_t(v.size()))}), IoStat::ok);
            EXPECT_EQ(write_row(ROW, f, v.data(), int32_t(v.size())), IoStat::ok);
            EXPECT_EQ(write(GEN, f, {OutItem(dv.data(), int32_t(dv.size()))}), IoStat::ok);
            EXPECT_EQ(write_row(ROW, f, dv.data(), int32_t(dv.size())), IoStat::ok);
            ASSERT_EQ(platform::close_unit(GEN), IoStat::ok);
            ASSERT_EQ(platform::close_unit(ROW), IoStat::ok);
            EXPECT_TRUE(slurp(pa) == slurp(pb)) << text;
        }
    }
}

TEST(RowStatements, WriteFailuresAndZeroItems) {
    // Zero items write one empty line; a unit that is not open, or a full
    // device, fails as in the generic engine.
    TempDir dir;
    const Format f("(15F8.3)", Fit::shorten);
    float x[3] = {1.0f, 2.0f, 3.0f};
    EXPECT_EQ(write_row(ROW, f, x, 3), IoStat::err);
    const std::string p = dir.file("z.txt");
    ASSERT_EQ(platform::open_unit(ROW, p, platform::UnitMode::write), 0);
    EXPECT_EQ(write_row(ROW, f, x, 0), IoStat::ok);
    EXPECT_EQ(write_row(ROW, Format("(40I3)"), static_cast<const int32_t*>(nullptr), 0), IoStat::ok);
    ASSERT_EQ(platform::close_unit(ROW), IoStat::ok);
    EXPECT_EQ(slurp(p), "\n\n");
    if (fs::exists("/dev/full")) {
        ASSERT_EQ(platform::open_unit(ROW, "/dev/full", platform::UnitMode::write), 0);
        std::vector<float> many(20000, 1.5f);
        EXPECT_EQ(write_row(ROW, f, many.data(), int32_t(many.size())), IoStat::err);
        platform::close_unit(ROW);
    }
}

}  // namespace
}  // namespace kolm::fmt
