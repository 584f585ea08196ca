// SAO records: the reader on hand-made records of each version code, the
// writer's layout and its round trip through the reader, and the station
// files of the shared data read and written back.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "platform/text_units.h"
#include "sao/sao_record.h"

namespace kolm {
namespace {

namespace fs = std::filesystem;
using fmt::IoStat;

constexpr int32_t IN = 21, OUT = 23;

class SaoIo : public ::testing::Test {
protected:
    void SetUp() override {
        std::string tmpl = (fs::temp_directory_path() / "kolm_sao_XXXXXX").string();
        dir_ = mkdtemp(tmpl.data());
        rec_ = std::make_unique<SaoRecord>();
        back_ = std::make_unique<SaoRecord>();
    }
    void TearDown() override {
        platform::close_unit(IN);
        platform::close_unit(OUT);
        fs::remove_all(dir_);
    }
    std::string path(const char* name) const { return (fs::path(dir_) / name).string(); }
    void open_text(const std::string& content) {
        std::string p = path("in.sao");
        std::ofstream(p, std::ios::binary) << content;
        ASSERT_EQ(platform::open_unit(IN, p, platform::UnitMode::read), 0);
    }
    struct Result {
        int32_t iend;
        int16_t ierr;
        int16_t found;
    };
    Result read(SaoRecord& r, int32_t iend = 7, int16_t found = 0) {
        int16_t ierr = 9;
        READSAO(iend, IN, r, found, ierr);
        return {iend, ierr, found};
    }
    std::string next_line() {
        std::string_view l;
        if (platform::read_line(IN, l) != IoStat::ok) return "<none>";
        return std::string(l);
    }
    // Writes rec to a fresh file and returns the file's text.
    std::string write(SaoRecord& r) {
        std::string p = path("out.sao");
        EXPECT_EQ(platform::open_unit(OUT, p, platform::UnitMode::write), 0);
        EXPECT_EQ(WRITSAO(OUT, r), IoStat::ok);
        EXPECT_EQ(platform::close_unit(OUT), IoStat::ok);
        std::ifstream in(p, std::ios::binary);
        std::stringstream ss;
        ss << in.rdbuf();
        return ss.str();
    }
    std::string dir_;
    std::unique_ptr<SaoRecord> rec_, back_;
};

// The two index lines of the given entries (others 0).
std::string index_lines(const std::map<int, int>& entries) {
    std::string s;
    for (int i = 1; i <= 80; ++i) {
        auto it = entries.find(i);
        char f[8];
        std::snprintf(f, sizeof f, "%3d", it == entries.end() ? 0 : it->second);
        s += f;
        if (i % 40 == 0) s += "\n";
    }
    return s;
}

std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> v;
    std::stringstream ss(text);
    for (std::string l; std::getline(ss, l);) v.push_back(l);
    return v;
}

std::string text120(const std::string& s) {
    std::string l(120, ' ');
    l.replace(0, s.size(), s);
    return l;
}

void set_text(FArray<char, 120>& a, const std::string& s) {
    std::string l = text120(s);
    std::copy(l.begin(), l.end(), a.data());
}

TEST_F(SaoIo, WorkedRecordLayoutAtCode5) {
    SaoRecord& r = *rec_;
    r.DFI.fill(0);
    r.DFI(1) = 5;
    r.DFI(2) = 1;
    r.DFI(3) = 77;
    r.DFI(4) = 31;
    r.DFI(7) = 12;
    r.DFI(11) = 12;
    r.DFI(80) = 5;
    for (int i = 1; i <= 5; ++i) r.G1(i) = float(i);
    set_text(r.G2L1, "STATION X");
    set_text(r.G3, "FF2017248");
    for (int i = 1; i <= 31; ++i) r.G4(i) = 0.5f * float(i);
    for (int i = 1; i <= 12; ++i) {
        r.R7(i) = 100.0f + float(i);
        r.G11(i) = 1.0f + 0.05f * float(i);
    }
    std::vector<std::string> l = lines_of(write(r));
    ASSERT_EQ(l.size(), 10u);
    EXPECT_EQ(l[0].size(), 120u);
    EXPECT_EQ(l[1].size(), 120u);
    EXPECT_EQ(l[2], "  1.000  2.000  3.000  4.000  5.000");
    EXPECT_EQ(l[3], text120("STATION X"));
    EXPECT_EQ(l[4].size(), 77u);
    EXPECT_EQ(l[4].substr(0, 9), "FF2017248");
    EXPECT_EQ(l[5].size(), 120u);
    EXPECT_EQ(l[6].size(), 120u);
    EXPECT_EQ(l[7], "  15.500");
    EXPECT_EQ(l[8].size(), 96u);
    EXPECT_EQ(l[8].substr(0, 8), " 101.000");
    EXPECT_EQ(l[9].substr(0, 8), "   1.050");

    open_text(write(r));
    Result res = read(*back_);
    EXPECT_EQ(res.ierr, 0);
    EXPECT_EQ(res.iend, 0);
    EXPECT_EQ(res.found, 1);
    EXPECT_EQ(back_->G7(12), 112);
    EXPECT_EQ(back_->R7(12), 112.0f);
    EXPECT_FLOAT_EQ(back_->G11(12), 1.6f);
    EXPECT_EQ(std::string(back_->G3.data(), 9), "FF2017248");
    // The file ended right after a complete record.
    res = read(*back_);
    EXPECT_EQ(res.iend, 1);
    EXPECT_EQ(res.ierr, 1);
}

TEST_F(SaoIo, Code0RecordUsesIntegerHeightsAndOldFormats) {
    std::string t = index_lines({{1, 2}, {7, 3}, {8, 2}, {9, 3}, {10, 3}, {11, 3}, {37, 2}, {40, 3}, {80, 0}});
    t += "  1.400 72.900\n";
    t += "123 99  7\n";                 // group 7 under (40I3)
    t += "300310\n";                    // group 8
    t += " 1 2 3\n";                    // group 9 under (60I2)
    t += "456\n";                       // group 10 under (120I1)
    t += " 1.500 1.550 1.600\n";        // group 11 under (20F6.3)
    t += "0.2718E-2-.2718E-2\n";        // group 37 under (13E9.4E1)
    t += "0.1000E+10.2000E+10.3000E+1\n";  // group 40 as reals into the group-42 array
    open_text(t);
    SaoRecord& r = *rec_;
    r.R8.fill(-1.0f);
    Result res = read(r);
    ASSERT_EQ(res.ierr, 0);
    EXPECT_EQ(res.iend, 0);
    EXPECT_EQ(r.G7(1), 123);
    EXPECT_EQ(r.R7(1), 123.0f);  // real copy of the integer heights
    EXPECT_EQ(r.R7(3), 7.0f);
    EXPECT_EQ(r.G8(2), 310);
    EXPECT_EQ(r.R8(1), -1.0f);   // true heights: integer array only
    EXPECT_EQ(r.G9(3), 3);
    EXPECT_EQ(r.G10(2), 5);
    EXPECT_FLOAT_EQ(r.G11(3), 1.6f);
    EXPECT_FLOAT_EQ(r.G37(2), -0.002718f);
    EXPECT_FLOAT_EQ(r.G42(3), 3.0f);
}

TEST_F(SaoIo, Code1AmplitudesAndGroup40UnderTheirSlots) {
    std::string t = index_lines({{1, 1}, {9, 2}, {40, 2}, {42, 1}, {80, 1}});
    t += "  1.400\n";
    t += " 7 8\n";                            // group 9 read under (60I2)
    t += "0.637025E+4-.100000E+1\n";          // group 40 under (10E11.6E1)
    t += "0.500000E+1\n";                     // group 42 overwrites item 1
    open_text(t);
    Result res = read(*rec_);
    ASSERT_EQ(res.ierr, 0);
    EXPECT_EQ(rec_->G9(2), 8);
    EXPECT_EQ(rec_->G42(1), 5.0f);
    EXPECT_EQ(rec_->G42(2), -1.0f);
}

TEST_F(SaoIo, Code5HeightsTruncateIntoIntegersAndTrueHeightsStayReal) {
    std::string t = index_lines({{1, 1}, {7, 2}, {8, 2}, {80, 5}});
    t += "  1.400\n";
    t += "  12.700  -0.500\n";
    t += " 300.250 301.000\n";
    open_text(t);
    SaoRecord& r = *rec_;
    r.G8.fill(-7);
    ASSERT_EQ(read(r).ierr, 0);
    EXPECT_EQ(r.G7(1), 12);
    EXPECT_EQ(r.G7(2), 0);
    EXPECT_FLOAT_EQ(r.R7(1), 12.7f);
    EXPECT_EQ(r.R8(1), 300.25f);
    EXPECT_EQ(r.G8(1), -7);
}

TEST_F(SaoIo, VersionCodesTwoAndAboveReadAlike) {
    std::string body = "  1.400\n 101.500 102.000\n 33 44\n  1.500  1.550\n0.637025E+4\n";
    for (int code : {2, 5, 99}) {
        open_text(index_lines({{1, 1}, {7, 2}, {9, 2}, {11, 2}, {37, 1}, {80, code}}) + body);
        SaoRecord& r = *rec_;
        ASSERT_EQ(read(r).ierr, 0) << code;
        EXPECT_EQ(r.R7(1), 101.5f) << code;
        EXPECT_EQ(r.G9(2), 44) << code;
        EXPECT_EQ(r.G11(2), 1.55f) << code;
        EXPECT_EQ(r.G37(1), 6370.25f) << code;
        platform::close_unit(IN);
    }
}

TEST_F(SaoIo, TextGroupLinesAndCompanionGroups) {
    // Entry 2 = 3: one text line. Entry 51 = 2 with 52 = 2 and 53 = 0: one
    // line stands for 53. Entry 58 = 1 with 59 = 0: one empty line for 59.
    std::string t = index_lines({{1, 1}, {2, 3}, {51, 2}, {52, 2}, {53, 0}, {56, 2}, {58, 1}, {59, 0}, {60, 1}, {80, 5}});
    t += "  1.400\n";
    t += "TEXT LINE\n";
    t += " 100.000 110.000\n";
    t += "   2.000   3.000\n";
    t += "anything at all\n";  // group 53 with count 0 still takes its line
    t += "12\n";               // group 56
    t += "0.950E+2\n";         // group 58
    t += "\n";                 // group 59, count 0
    t += "0.124E+7\n";         // group 60, dropped
    t += index_lines({{1, 1}, {80, 5}}) + "  2.500\n";
    open_text(t);
    SaoRecord& r = *rec_;
    ASSERT_EQ(read(r).ierr, 0);
    EXPECT_EQ(std::string(r.G2L1.data(), 9), "TEXT LINE");
    EXPECT_EQ(r.G51(2), 110.0f);
    EXPECT_EQ(r.G52(2), 3.0f);
    EXPECT_EQ(r.G56(2), 2);
    EXPECT_EQ(r.G58(1), 95.0f);
    Result res = read(r);  // the file stayed in step
    EXPECT_EQ(res.ierr, 0);
    EXPECT_EQ(r.G1(1), 2.5f);
}

TEST_F(SaoIo, CompanionGroupsAreSkippedWithoutTheirLead) {
    // Entry 51 = 0: the lines meant for 52 are met by the next group (54).
    std::string t = index_lines({{1, 1}, {51, 0}, {52, 1}, {53, 1}, {54, 3}, {80, 5}});
    t += "  1.400\n   9.000\n";
    open_text(t);
    ASSERT_EQ(read(*rec_).ierr, 0);
    EXPECT_EQ(std::string(rec_->G54.data(), 3), "   ");  // the first three columns of "   9.000"
}

TEST_F(SaoIo, RejectionsAndIndexRetries) {
    // Entry 1 = 0: rejected after the index; the group line follows.
    open_text(index_lines({{1, 0}, {2, 1}, {80, 5}}) + "GROUP TWO\n");
    Result res = read(*rec_, 0, 1);
    EXPECT_EQ(res.ierr, 1);
    EXPECT_EQ(res.iend, 0);
    EXPECT_EQ(res.found, 1);
    EXPECT_EQ(next_line(), "GROUP TWO");
    platform::close_unit(IN);

    // Entry 1 = 17 and a negative version code are rejected alike.
    for (auto entries : {std::map<int, int>{{1, 17}, {80, 5}}, std::map<int, int>{{1, 1}, {80, -1}}}) {
        open_text(index_lines(entries) + "  1.400\n");
        res = read(*rec_, 3, 0);
        EXPECT_EQ(res.ierr, 1);
        EXPECT_EQ(res.iend, 3);
        EXPECT_EQ(res.found, 0);
        EXPECT_EQ(next_line(), "  1.400");
        platform::close_unit(IN);
    }

    // Two lines of text in front: the first fails the index, the second is
    // taken as group-2 text, then the index reads.
    open_text("garbage line\nSECOND LINE\n" + index_lines({{1, 1}, {80, 5}}) + "  1.400\n");
    res = read(*rec_);
    EXPECT_EQ(res.ierr, 0);
    EXPECT_EQ(std::string(rec_->G2L1.data(), 11), "SECOND LINE");
    EXPECT_EQ(rec_->G1(1), 1.4f);
    platform::close_unit(IN);

    // Text only: the retries run into the end of the file.
    open_text("one\ntwo\nthree\n");
    res = read(*rec_);
    EXPECT_EQ(res.iend, 1);
    EXPECT_EQ(res.ierr, 1);
}

TEST_F(SaoIo, FailuresInsideAGroup) {
    // A field that does not read: IERR = 1, IEND unchanged, the file after that line.
    open_text(index_lines({{1, 2}, {4, 1}, {80, 5}}) + "  1.400 abcdef\n   3.000\n");
    Result res = read(*rec_, 0, 1);
    EXPECT_EQ(res.ierr, 1);
    EXPECT_EQ(res.iend, 0);
    EXPECT_EQ(next_line(), "   3.000");
    platform::close_unit(IN);

    // End of file inside a group: IEND = 1 with IERR = 0.
    open_text(index_lines({{1, 1}, {7, 20}, {80, 5}}) + "  1.400\n 100.000\n");
    res = read(*rec_);
    EXPECT_EQ(res.iend, 1);
    EXPECT_EQ(res.ierr, 0);
    EXPECT_EQ(res.found, 0);
}

TEST_F(SaoIo, CountsAboveCapacityKeepTheFileInStepAndRejectTheRecord) {
    std::string t = index_lines({{1, 16}, {34, 25}, {80, 5}});
    std::string g1;
    for (int i = 0; i < 16; ++i) g1 += "  1.000";
    t += g1 + "\n";
    t += " 1 2 3 4 5 6 7 8 9 1 2 3 4 5 6 7 8 9 1 2 3 4 5 6 7\n";  // group 34: 25 values, capacity 20
    t += index_lines({{1, 1}, {80, 5}}) + "  4.000\n";
    open_text(t);
    SaoRecord& r = *rec_;
    r.G34.fill(-1);
    Result res = read(r, 0, 1);
    EXPECT_EQ(res.ierr, 1);
    EXPECT_EQ(res.iend, 0);
    EXPECT_EQ(r.G34(20), 2);  // the first 20 stored, nothing beyond
    res = read(r);
    EXPECT_EQ(res.ierr, 0);
    EXPECT_EQ(r.G1(1), 4.0f);

    // An N(h) profile of 999 points is within the reader's capacity.
    platform::close_unit(IN);
    std::string profile = index_lines({{1, 1}, {51, 999}, {52, 999}, {53, 999}, {80, 5}}) + "  1.000\n";
    for (int g = 0; g < 3; ++g) {
        for (int i = 0; i < 999; ++i) profile += (i % 15 == 14 || i == 998) ? " 100.000\n" : " 100.000";
    }
    open_text(profile);
    res = read(r);
    EXPECT_EQ(res.ierr, 0);
    EXPECT_EQ(r.G51(999), 100.0f);
}

// How each call ended, for the run's messages: the fault, the group it
// stopped in, the rejected value and the lines dropped by index retries.
TEST_F(SaoIo, EachCallSaysHowItEnded) {
    std::string over = index_lines({{1, 16}, {34, 25}, {80, 5}});
    for (int i = 0; i < 16; ++i) over += "  1.000";
    over += "\n 1 2 3 4 5 6 7 8 9 1 2 3 4 5 6 7 8 9 1 2 3 4 5 6 7\n";
    struct Case {
        const char* what;
        std::string text;
        SaoFault fault;
        int32_t group, value, skipped;
    };
    const Case cases[] = {
        {"a complete record", index_lines({{1, 1}, {80, 5}}) + "  1.400\n", SaoFault::none, 0, 0, 0},
        {"text in front", "one\ntwo\n" + index_lines({{1, 1}, {80, 5}}) + "  1.400\n", SaoFault::none, 0, 0, 2},
        {"an empty file", "", SaoFault::end, 0, 0, 0},
        {"text only", "one\ntwo\nthree\n", SaoFault::end, 0, 0, 3},
        {"entry 1 of 17", index_lines({{1, 17}, {80, 5}}), SaoFault::bad_index, 0, 17, 0},
        {"a negative code", index_lines({{1, 1}, {80, -2}}), SaoFault::bad_code, 0, -2, 0},
        {"a field that does not read", index_lines({{1, 2}, {4, 1}, {80, 5}}) + "  1.400 abcdef\n",
         SaoFault::unreadable, 1, 0, 0},
        {"the file ends inside group 7", index_lines({{1, 1}, {7, 20}, {80, 5}}) + "  1.400\n 100.000\n",
         SaoFault::truncated, 7, 0, 0},
        {"group 34 above its capacity", over, SaoFault::over_capacity, 34, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        open_text(c.text);
        read(*rec_);
        EXPECT_EQ(SAOREAD.fault, c.fault);
        EXPECT_EQ(SAOREAD.group, c.group);
        EXPECT_EQ(SAOREAD.value, c.value);
        EXPECT_EQ(SAOREAD.skipped, c.skipped);
        platform::close_unit(IN);
    }
}

TEST_F(SaoIo, OldCodesReadTheNewGroupsWithTheCode2Formats) {
    std::string t = index_lines({{1, 1}, {47, 2}, {51, 1}, {52, 1}, {53, 1}, {58, 1}, {59, 1}, {60, 1}, {80, 0}});
    t += "  1.400\n";
    t += " 101.500 102.250\n";  // group 47: reals under (15F8.3)
    t += " 200.000\n   3.000\n0.111E+6\n";
    t += "0.950E+2\n0.200E+1\n0.495E+5\n";
    open_text(t);
    ASSERT_EQ(read(*rec_).ierr, 0);
    EXPECT_EQ(rec_->G47(2), 102.25f);
    EXPECT_EQ(rec_->G52(1), 3.0f);
    EXPECT_EQ(rec_->G59(1), 2.0f);

    // Group 57 has a format at every code: 13 coefficients on one line at code 0.
    std::string c0 = index_lines({{1, 1}, {57, 13}, {80, 0}});
    c0 += "  1.400\n";
    for (int i = 1; i <= 13; ++i) c0 += i == 13 ? "-.5000E-1" : "0.1250E+1";
    c0 += "\n" + index_lines({{1, 1}, {80, 0}}) + "  2.500\n";
    platform::close_unit(IN);
    open_text(c0);
    ASSERT_EQ(read(*rec_).ierr, 0);
    EXPECT_EQ(rec_->G57(1), 1.25f);
    EXPECT_EQ(rec_->G57(13), -0.05f);
    ASSERT_EQ(read(*rec_).ierr, 0);  // the next record stays in step
    EXPECT_EQ(rec_->G1(1), 2.5f);
    rec_->DFI(57) = 13;
    std::vector<std::string> l = lines_of(write(*rec_));
    ASSERT_EQ(l.size(), 4u);
    EXPECT_EQ(l[3], c0.substr(c0.find("0.1250E+1"), 13 * 9));
}

// A record of code 5 with every group the writer handles filled.
void fill_record(SaoRecord& r) {
    std::memset(static_cast<void*>(&r), 0, sizeof r);
    for (int g = 1; g <= SAO_NGROUPS; ++g) r.DFI(g) = std::min<int32_t>(SAO_GROUPS[g].cap_write, 7 + g);
    r.DFI(2) = 2;
    r.DFI(3) = 77;
    r.DFI(8) = 30;
    r.DFI(13) = 5;
    r.DFI(18) = 5;
    r.DFI(51) = r.DFI(52) = r.DFI(53) = 137;
    r.DFI(58) = r.DFI(59) = r.DFI(60) = 12;
    r.DFI(61) = -99;
    r.DFI(79) = 999;
    r.DFI(80) = 5;
    set_text(r.G2L1, "STATION X, QZ 4.30");
    set_text(r.G2L2, "SECOND LINE");
    for (int i = 1; i <= 120; ++i) {
        r.G3(i) = char('0' + i % 10);
        r.G54(i) = char('A' + i % 26);
        r.G55(i) = char('a' + i % 26);
    }
    for (int g = 1; g <= SAO_NGROUPS; ++g) {
        SaoGroupData a = sao_group_data(r, g);
        for (int i = 0; i < 150 && i < SAO_GROUPS[g].cap_read; ++i) {
            if (a.ints) a.ints[i] = (SAO_GROUPS[g].slot_in == 7) ? (i + g) % 10 : (i * 7 + g) % 90;
            if (a.reals && g != 40) a.reals[i] = 0.125f * float(i + g) + (g == 37 ? -3.0f : 100.0f);
            if (a.dbls) a.dbls[i] = 6370.123456789 * (i + 1);
        }
    }
    r.G1(4) = -105.25f;         // longitude that needs the shortened F7.3
    r.G37(2) = 1.5e12f;         // coefficient whose exponent needs two digits
    for (int i = 1; i <= 137; ++i) r.G52(i) = 0.05f * float(i);
}

void expect_same(const SaoRecord& a_, const SaoRecord& b_, const char* what) {
    SaoRecord& a = const_cast<SaoRecord&>(a_);
    SaoRecord& b = const_cast<SaoRecord&>(b_);
    for (int g = 1; g <= 79; ++g) EXPECT_EQ(a.DFI(g), b.DFI(g)) << what << " entry " << g;
    for (int g = 1; g <= SAO_NGROUPS; ++g) {
        if (g == 53 || g == 60 || a.DFI(g) <= 0) continue;
        int n = a.DFI(g);
        if (g == 52 && a.DFI(51) <= 0) continue;
        if (g == 59 && a.DFI(58) <= 0) continue;
        SaoGroupData x = sao_group_data(a, g), y = sao_group_data(b, g);
        const SaoGroup& row = SAO_GROUPS[g];
        for (int i = 0; i < n && i < row.cap_read; ++i) {
            if (row.kind == SaoKind::H || row.kind == SaoKind::R) {
                float tol = std::max(0.0005f, std::fabs(x.reals[i]) * 5e-6f);
                if (g == 37 || g == 38 || g == 39 || g == 42 || g == 57) tol = std::fabs(x.reals[i]) * 5e-6f;
                if (g >= 58) tol = std::max(0.0005f, std::fabs(x.reals[i]) * 5e-3f);
                ASSERT_NEAR(x.reals[i], y.reals[i], tol) << what << " group " << g << " item " << i + 1;
            } else if (row.kind == SaoKind::I) {
                ASSERT_EQ(x.ints[i], y.ints[i]) << what << " group " << g << " item " << i + 1;
            } else if (row.kind == SaoKind::D) {
                ASSERT_NEAR(x.dbls[i], y.dbls[i], std::fabs(x.dbls[i]) * 1e-11) << what << " group 40 item " << i + 1;
            } else if (row.kind == SaoKind::A) {
                ASSERT_EQ(x.chars[i], y.chars[i]) << what << " group " << g << " item " << i + 1;
            }
        }
    }
    EXPECT_EQ(std::string(a.G2L1.data(), 120), std::string(b.G2L1.data(), 120)) << what;
    if (a.DFI(2) == 2) {
        EXPECT_EQ(std::string(a.G2L2.data(), 120), std::string(b.G2L2.data(), 120)) << what;
    }
}

TEST_F(SaoIo, WriterRoundTripThroughTheReader) {
    SaoRecord& r = *rec_;
    fill_record(r);
    std::string text = write(r);
    // The caller's index and true-height arrays lose the true heights.
    EXPECT_EQ(r.DFI(8), 0);
    EXPECT_EQ(r.DFI(13), 0);
    EXPECT_EQ(r.DFI(18), 0);
    EXPECT_EQ(r.G8(1), 0);
    EXPECT_EQ(r.R13(1), 0.0f);
    std::vector<std::string> l = lines_of(text);
    EXPECT_EQ(l[0].substr(21, 3), "  0");  // entry 8 as written
    EXPECT_NE(l[2].find("-105.25"), std::string::npos);
    EXPECT_EQ(text.find('*'), std::string::npos);  // nothing unreadable
    EXPECT_EQ(text.find('\r'), std::string::npos);

    open_text(text);
    Result res = read(*back_);
    ASSERT_EQ(res.ierr, 0);
    ASSERT_EQ(res.iend, 0);
    EXPECT_EQ(back_->DFI(80), 5);
    expect_same(r, *back_, "round trip");
    EXPECT_EQ(back_->G1(4), -105.25f);
    EXPECT_FLOAT_EQ(back_->G37(2), 1.5e12f);
}

TEST_F(SaoIo, WriterDerivesDensitiesAndWritesCompanionLines) {
    SaoRecord& r = *rec_;
    std::memset(static_cast<void*>(&r), 0, sizeof r);
    r.DFI(1) = 1;
    r.DFI(51) = 2;
    r.DFI(52) = 2;
    r.DFI(53) = 2;
    r.DFI(58) = 1;
    r.DFI(59) = 0;
    r.DFI(60) = 1;
    r.DFI(80) = 5;
    r.G51(1) = 100.0f;
    r.G51(2) = 110.0f;
    r.G52(1) = 10.0f;
    r.G52(2) = 2.0f;
    r.G58(1) = 95.0f;
    r.G59(1) = 2.0f;
    std::vector<std::string> l = lines_of(write(r));
    ASSERT_EQ(l.size(), 9u);
    EXPECT_EQ(l[3], " 100.000 110.000");
    EXPECT_EQ(l[4], "  10.000   2.000");
    EXPECT_EQ(l[5], "0.124E+70.495E+5");
    EXPECT_EQ(l[6], "0.950E+2");
    EXPECT_EQ(l[7], "");          // group 59 with count 0
    EXPECT_EQ(l[8], "0.495E+5");  // group 60 from the group-59 array

    // Entry 51 present and entry 52 = 0: the empty line the reader expects.
    r.DFI(52) = 0;
    r.DFI(53) = 0;
    r.DFI(58) = 0;
    std::string text = write(r);
    l = lines_of(text);
    ASSERT_EQ(l.size(), 6u);
    EXPECT_EQ(l[4], "");
    EXPECT_EQ(l[5], "");
    open_text(text + text);
    EXPECT_EQ(read(*back_).ierr, 0);
    EXPECT_EQ(read(*back_).ierr, 0);
    EXPECT_EQ(back_->G51(2), 110.0f);
}

TEST_F(SaoIo, WriterTextLinesCapsAndOldCodes) {
    SaoRecord& r = *rec_;
    std::memset(static_cast<void*>(&r), 0, sizeof r);
    r.DFI(1) = 1;
    r.DFI(2) = 1;
    r.DFI(80) = 5;
    set_text(r.G2L1, "LINE ONE");
    set_text(r.G2L2, "LINE TWO");
    EXPECT_EQ(lines_of(write(r)).size(), 4u);
    r.DFI(2) = 2;
    EXPECT_EQ(lines_of(write(r)).size(), 5u);
    r.DFI(2) = 3;
    EXPECT_EQ(lines_of(write(r)).size(), 4u);

    // Every point of the N(h) table goes out (up to the 999 the index can count).
    r.DFI(2) = 0;
    r.DFI(51) = r.DFI(52) = r.DFI(53) = 999;
    r.G51(999) = 812.5f;
    std::string text = write(r);
    EXPECT_EQ(lines_of(text)[1].substr(30, 9), "999999999");
    open_text(text);
    EXPECT_EQ(read(*back_).ierr, 0);
    EXPECT_EQ(back_->DFI(51), 999);
    EXPECT_FLOAT_EQ(back_->G51(999), 812.5f);
    platform::close_unit(IN);

    // More constants than group 1 holds: 16 written, and the index says so.
    std::memset(static_cast<void*>(&r), 0, sizeof r);
    for (int i = 1; i <= 16; ++i) r.G1(i) = float(i);
    set_text(r.G2L1, "NOT A CONSTANT");
    r.DFI(1) = 20;
    r.DFI(80) = 5;
    {
        std::vector<std::string> l = lines_of(write(r));
        ASSERT_EQ(l.size(), 3u);
        EXPECT_EQ(l[0].substr(0, 3), " 16");
        EXPECT_EQ(l[2].size(), 16u * 7u);
        EXPECT_EQ(l[2].substr(105), " 16.000");
    }

    // Codes 0 and 1: integer heights, amplitudes under the writer's slot, no group 40.
    std::memset(static_cast<void*>(&r), 0, sizeof r);
    r.DFI(1) = 1;
    r.DFI(7) = 2;
    r.DFI(9) = 2;
    r.DFI(40) = 3;
    r.G7(1) = 123;
    r.G7(2) = 999;
    r.G9(1) = 45;
    r.G9(2) = 6;
    for (int code : {0, 1}) {
        r.DFI(80) = code;
        std::vector<std::string> l = lines_of(write(r));
        ASSERT_EQ(l.size(), 5u) << code;
        EXPECT_EQ(l[0].substr(117, 3), "  0") << code;  // entry 40 as written
        EXPECT_EQ(l[3], "123999") << code;
        EXPECT_EQ(l[4], code == 0 ? "45 6" : " 45  6") << code;
        EXPECT_EQ(r.DFI(40), 3) << code;  // the caller's index keeps it
    }
}

// Values no field can show: the reader takes "1.0E38" from an F7.3 field,
// the inversion may leave a NaN. They are found, and the writer puts the
// "not available" marker in their place, so the record still reads back.
TEST_F(SaoIo, ValuesThatNoFieldShowsAreFoundAndWrittenAsTheMarker) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    struct Case {
        int group;
        int item;
        float value;
        bool found;  // within the counts the writer writes
    } cases[] = {
        {1, 1, 1.0e38f, true},      // a gyrofrequency read from " 1.0E38"
        {1, 4, -1.0e6f, true},      // F7.3 holds at most "-99999."
        {1, 4, -99999.0f, false},
        {4, 40, 2.0e7f, true},      // F8.3 holds at most "9999999."
        {4, 40, 9999999.0f, false},
        {7, 3, 1.0e38f, true},      // a height in the real copy
        {7, 9, 1.0e38f, false},     // beyond the group's count
        {37, 2, nan, true},         // E11.6E1 shows any finite value
        {37, 2, 1.0e38f, false},
        {52, 2, 1.0e9f, true},      // group 51 present: 52 is written under F8.3
        {59, 1, nan, false},        // group 58 absent: 59 is not written
        {40, 1, nan, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("group " + std::to_string(c.group) + " item " + std::to_string(c.item));
        SaoRecord& r = *rec_;
        std::memset(static_cast<void*>(&r), 0, sizeof r);
        r.DFI(1) = 5;
        r.DFI(4) = 43;
        r.DFI(7) = 4;
        r.DFI(37) = 10;
        r.DFI(40) = 7;
        r.DFI(51) = r.DFI(52) = r.DFI(53) = 3;
        r.DFI(59) = 2;
        r.DFI(80) = 5;
        const SaoGroupData a = sao_group_data(r, c.group);
        if (c.group == 40) a.dbls[c.item - 1] = c.value;
        else a.reals[c.item - 1] = c.value;
        SaoItem bad{};
        ASSERT_EQ(sao_unwritable_item(r, bad), c.found);
        if (!c.found) continue;
        EXPECT_EQ(bad.group, c.group);
        EXPECT_EQ(bad.item, c.item);

        const std::string text = write(r);
        EXPECT_EQ(text.find('*'), std::string::npos) << text;
        open_text(text);
        Result res = read(*back_);
        ASSERT_EQ(res.ierr, 0) << text;
        ASSERT_EQ(res.iend, 0) << text;
        const SaoGroupData b = sao_group_data(*back_, c.group);
        EXPECT_FLOAT_EQ(c.group == 40 ? float(b.dbls[c.item - 1]) : b.reals[c.item - 1], 9999.0f);
        platform::close_unit(IN);
    }
}

// Codes 0 and 1 read the second and third families' heights as integers
// only; made ready for code 5 they keep them instead of going out as 0.
TEST_F(SaoIo, OldCodeHeightsGoIntoTheRealCopiesForCode5) {
    SaoRecord& r = *rec_;
    std::memset(static_cast<void*>(&r), 0, sizeof r);
    r.DFI(1) = 1;
    r.DFI(80) = 1;
    const int groups[] = {22, 26, 30, 43};
    for (int g : groups) {
        r.DFI(g) = 2;
        const SaoGroupData a = sao_group_data(r, g);
        a.ints[0] = 100 + g;
        a.ints[1] = 999;
    }
    sao_heights_to_reals(r);
    r.DFI(80) = 5;
    open_text(write(r));
    ASSERT_EQ(read(*back_).ierr, 0);
    for (int g : groups) {
        const SaoGroupData b = sao_group_data(*back_, g);
        EXPECT_EQ(b.reals[0], float(100 + g)) << g;
        EXPECT_EQ(b.reals[1], 999.0f) << g;
    }
}

TEST_F(SaoIo, WriterReportsFailedWrites) {
    SaoRecord& r = *rec_;
    fill_record(r);
    EXPECT_EQ(WRITSAO(OUT, r), IoStat::err);  // unit not open
    if (fs::exists("/dev/full")) {
        ASSERT_EQ(platform::open_unit(OUT, "/dev/full", platform::UnitMode::write), 0);
        EXPECT_EQ(WRITSAO(OUT, r), IoStat::err);
        platform::close_unit(OUT);
    }
}

std::vector<fs::path> station_files() {
    std::vector<fs::path> files;
    for (const auto& e : fs::directory_iterator(fs::path(KOLM_SHARED_DATA) / "sao")) files.push_back(e.path());
    std::sort(files.begin(), files.end());
    return files;
}

TEST_F(SaoIo, StationFilesReadToTheEndAndRoundTrip) {
    std::vector<fs::path> files = station_files();
    ASSERT_FALSE(files.empty());
    std::string all;
    for (const fs::path& f : files) {
        SCOPED_TRACE(f.filename().string());
        std::ifstream in(f, std::ios::binary);
        std::stringstream ss;
        ss << in.rdbuf();
        all += ss.str();
        open_text(ss.str());
        std::vector<std::unique_ptr<SaoRecord>> got;
        for (;;) {
            auto r = std::make_unique<SaoRecord>();
            Result res = read(*r, 0, 0);
            if (res.iend) {
                EXPECT_EQ(res.ierr, 1);  // the file ended at an index, not inside a record
                break;
            }
            ASSERT_EQ(res.ierr, 0) << "record " << got.size() + 1;
            got.push_back(std::move(r));
        }
        platform::close_unit(IN);
        ASSERT_FALSE(got.empty());

        std::string p = path("rt.sao");
        ASSERT_EQ(platform::open_unit(OUT, p, platform::UnitMode::write), 0);
        for (auto& r : got) {
            r->DFI(80) = 5;
            ASSERT_EQ(WRITSAO(OUT, *r), IoStat::ok);
        }
        ASSERT_EQ(platform::close_unit(OUT), IoStat::ok);
        ASSERT_EQ(platform::open_unit(IN, p, platform::UnitMode::read), 0);
        for (auto& r : got) {
            Result res = read(*back_);
            ASSERT_EQ(res.ierr, 0);
            expect_same(*r, *back_, f.filename().string().c_str());
        }
        EXPECT_EQ(read(*back_).iend, 1);
        platform::close_unit(IN);
    }
    // All files one after another (LF and CRLF mixed in one file).
    open_text(all);
    std::size_t n = 0;
    for (;;) {
        Result res = read(*rec_);
        if (res.iend) break;
        ASSERT_EQ(res.ierr, 0);
        ++n;
    }
    EXPECT_EQ(n, files.size());
}

}  // namespace
}  // namespace kolm
