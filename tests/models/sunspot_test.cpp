// Monthly sunspot numbers: the regression, the history file and the
// prediction of the months after the last measured one.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <string>

#include "models/sunspot.h"
#include "work_dir.h"

namespace kolm {
namespace {

CyclePairs pairs(std::initializer_list<float> v) {
    CyclePairs p{};
    p.fill(0.0f);
    int i = 1;
    for (float x : v) p(i++) = x;
    return p;
}

TEST(Perd, FitsFromTheEighthPairWithStudentIntervals) {
    // Pairs 1..7 are left out; their values would pull the line far off.
    const CyclePairs x = pairs({10, 20, 30, 40, 50, 60, 70, 11, 25, 32, 47, 58, 66});
    const CyclePairs y = pairs({900, -900, 900, -900, 900, -900, 900, 30, 52, 61, 95, 119, 130});
    FArray<float, 5> p{};
    p(3) = 40.0f;
    ASSERT_TRUE(PERD(x, y, 0, 13, p));
    // Reference: residual form s^2 = RSS/(n-2), t = 1.812,
    // half-width t s sqrt(1 + 1/n + (x0-xm)^2/Sxx), slope t s/sqrt(Sxx).
    EXPECT_NEAR(p(1), 81.1666667f, 1e-4f);
    EXPECT_NEAR(p(2), 1.89558632f, 1e-5f);
    EXPECT_NEAR(p(3), 81.4825977f, 1e-3f);
    EXPECT_NEAR(p(4), 7.17425136f, 2e-3f);
    EXPECT_NEAR(p(5), 0.14229473f, 1e-4f);
}

TEST(Perd, ExactLineHasNoSpreadAndFirstPairCanBeChosen) {
    const CyclePairs x = pairs({1, 2, 3, 4});
    const CyclePairs y = pairs({3, 5, 7, 9});  // y = 2x + 1
    FArray<float, 5> p{};
    p(3) = 10.0f;
    ASSERT_TRUE(PERD(x, y, 1, 4, p));
    EXPECT_FLOAT_EQ(p(2), 2.0f);
    EXPECT_FLOAT_EQ(p(3), 21.0f);
    EXPECT_NEAR(p(4), 0.0f, 1e-3f);
    EXPECT_NEAR(p(5), 0.0f, 1e-4f);
}

TEST(Perd, RefusesUndefinedLines) {
    const CyclePairs x = pairs({1, 2, 3, 4, 5, 6, 7, 8, 9, 10});
    const CyclePairs same = pairs({5, 5, 5, 5, 5, 5, 5, 5, 5, 5});
    FArray<float, 5> p{};
    p.fill(7.0f);
    EXPECT_FALSE(PERD(x, x, 0, 9, p));     // two pairs from the eighth on
    EXPECT_FALSE(PERD(x, x, 1, 2, p));     // two pairs
    EXPECT_FALSE(PERD(same, x, 1, 10, p)); // no spread in X
    EXPECT_TRUE(PERD(x, same, 0, 10, p));  // three pairs: defined
    EXPECT_FLOAT_EQ(p(3), 5.0f);
}

// One year line of "SUNSPT.ASC": n values from January (the rest blank), the
// month a cycle began (0 none) and the number of that cycle.
std::string year_line(int year, int start, const float* v, int n, int cycle) {
    char buf[100];
    int pos = std::snprintf(buf, sizeof buf, "%4d ", year);
    pos += start ? std::snprintf(buf + pos, sizeof buf - pos, "%2d", start) : std::snprintf(buf + pos, sizeof buf - pos, "  ");
    for (int i = 0; i < 12; ++i)
        pos += i < n ? std::snprintf(buf + pos, sizeof buf - pos, "%6.1f", v[i]) : std::snprintf(buf + pos, sizeof buf - pos, "      ");
    if (cycle) std::snprintf(buf + pos, sizeof buf - pos, "%4d", cycle);
    return std::string(buf) + "\n";
}

// The shape every synthetic cycle follows, phase 0..131 (whole numbers).
float shape(int p) { return float(10 + p * (131 - p) / 100); }

constexpr int CYCLE_MONTHS = 132;

// Cycles of 132 months from month index OFFSET (0 = January 1800); cycle k is
// k times the shape. The last of NCYCLES cycles is measured for MEASURED
// months; months before the first cycle hold 5. Remark lines are mixed in.
std::string scaled_cycles(int ncycles, int measured, int offset = 0, int first_cycle = 1) {
    const int last = offset + CYCLE_MONTHS * (ncycles - 1) + measured - 1;  // last month index with data
    std::string text = "Synthetic sunspot numbers\n\n";
    for (int year = 1800; (year - 1800) * 12 <= last; ++year) {
        float v[12];
        int n = 0, start = 0, cycle = 0;
        for (int m = 0; m < 12; ++m) {
            const int idx = (year - 1800) * 12 + m;
            if (idx > last) break;
            const int rel = idx - offset;
            v[n++] = rel < 0 ? 5.0f : float(rel / CYCLE_MONTHS + 1) * shape(rel % CYCLE_MONTHS);
            if (rel >= 0 && rel % CYCLE_MONTHS == 0) {
                start = m + 1;
                cycle = rel / CYCLE_MONTHS + first_cycle;
            }
        }
        text += year_line(year, start, v, n, cycle);
        if (year % 37 == 0) text += " a remark line starting with a blank\n";
        if (year % 41 == 0) text += "Remark starting with a letter\n";
    }
    return text;
}

// Year and month of month index idx counted from January 1800.
int16_t year_of(int idx) { return int16_t(1800 + idx / 12); }
int16_t month_of(int idx) { return int16_t(idx % 12 + 1); }

class SsnNoaa : public testing::WorkDir {};

TEST_F(SsnNoaa, MeasuredMonthsAreRoundedWithNoDeviation) {
    copy_model("SUNSPT.ASC", "SUNSPT.ASC");
    struct {
        int16_t year, month;
        float ssn;
    } cases[] = {
        {1750, 1, 89.0f},   // first month of the file
        {1755, 2, 8.0f},    // 8.4, start of cycle 1
        {2024, 5, 90.0f},   // 89.5: half away from zero
        {2025, 9, 68.0f},   // 67.7, last measured month
    };
    for (const auto& c : cases) {
        float ssn = 0.0f, dev = 7.0f;
        SSN_NOAA(c.year, c.month, ssn, dev);
        EXPECT_EQ(ssn, c.ssn) << c.year << "-" << c.month;
        EXPECT_EQ(dev, 0.0f) << c.year << "-" << c.month;
    }
}

TEST_F(SsnNoaa, ScaledCopiesOfOneShapePredictExactly) {
    // Twelve cycles; the last measured for phases 0..39.
    write_file("SUNSPT.ASC", scaled_cycles(12, 40));
    const int start = CYCLE_MONTHS * 11;
    for (int phase : {40, 42, 60, 131}) {  // first, third, 21st and 92nd missing month
        float ssn = 0.0f, dev = -1.0f;
        SSN_NOAA(year_of(start + phase), month_of(start + phase), ssn, dev);
        EXPECT_EQ(ssn, 12.0f * shape(phase)) << phase;
        EXPECT_GE(dev, 0.0f) << phase;
        EXPECT_LE(dev, 1.0f) << phase;
    }
    // The last month of the twelve years from the cycle start, and the first beyond.
    float ssn = 0.0f, dev = 0.0f;
    SSN_NOAA(year_of(start + 143), month_of(start + 143), ssn, dev);
    EXPECT_GT(ssn, 0.0f);
    SSN_NOAA(year_of(start + 144), month_of(start + 144), ssn, dev);
    EXPECT_EQ(ssn, -1.0f);
    EXPECT_EQ(dev, 0.0f);
}

TEST_F(SsnNoaa, DecemberStartCountsFromJanuaryOfTheNextYear) {
    write_file("SUNSPT.ASC", scaled_cycles(12, 30, 11));
    const int start = 11 + CYCLE_MONTHS * 11;  // December
    float ssn = 0.0f, dev = 0.0f;
    SSN_NOAA(year_of(start + 50), month_of(start + 50), ssn, dev);
    EXPECT_EQ(ssn, 12.0f * shape(50));
    SSN_NOAA(year_of(start + 144), month_of(start + 144), ssn, dev);  // December, twelfth year
    EXPECT_GT(ssn, 0.0f);
    SSN_NOAA(year_of(start + 145), month_of(start + 145), ssn, dev);
    EXPECT_EQ(ssn, -1.0f);
}

TEST_F(SsnNoaa, RealFilePredictsTheMonthsAfterTheLastMeasured) {
    copy_model("SUNSPT.ASC", "SUNSPT.ASC");
    // Reference: least-squares line over cycles 8..24 of the pairs (value at
    // the phase of 2025-09 from each cycle's start, value NM months later),
    // evaluated at 67.7; half-width 1.812 s sqrt(1 + 1/n + (x0-xm)^2/Sxx).
    struct {
        int16_t year, month;
        float ssn, dev;
    } cases[] = {
        {2025, 10, 66.0f, 4.0f},    // 65.958, 3.759
        {2026, 3, 59.0f, 10.0f},    // 59.342, 10.177
        {2027, 6, 35.0f, 19.0f},    // 34.839, 19.196
        {2031, 12, 24.0f, 46.0f},   // 23.749, 45.626: last month of the twelve years
    };
    for (const auto& c : cases) {
        float ssn = 0.0f, dev = 0.0f;
        SSN_NOAA(c.year, c.month, ssn, dev);
        EXPECT_EQ(ssn, c.ssn) << c.year << "-" << c.month;
        EXPECT_EQ(dev, c.dev) << c.year << "-" << c.month;
    }
}

TEST_F(SsnNoaa, NoValueWhereTheTablesOrTheRegressionHaveNoMeaning) {
    struct {
        const char* why;
        std::string file;
        int16_t year, month;
    } cases[] = {
        {"before the first year", scaled_cycles(12, 40), 1799, 12},
        {"300 years after the first", scaled_cycles(12, 40), 2100, 1},
        {"month 0", scaled_cycles(12, 40), 1810, 0},
        {"month 13", scaled_cycles(12, 40), 1810, 13},
        {"ten cycles: two pairs from the eighth", scaled_cycles(10, 40), year_of(CYCLE_MONTHS * 9 + 41),
         month_of(CYCLE_MONTHS * 9 + 41)},
        {"first numbered cycle 2", scaled_cycles(12, 40, 0, 2), year_of(CYCLE_MONTHS * 11 + 41),
         month_of(CYCLE_MONTHS * 11 + 41)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        write_file("SUNSPT.ASC", c.file);
        float ssn = 0.0f, dev = 3.0f;
        SSN_NOAA(c.year, c.month, ssn, dev);
        EXPECT_EQ(ssn, -1.0f);
        EXPECT_EQ(dev, 0.0f);
    }
    // Eleven cycles give three pairs: predicted.
    write_file("SUNSPT.ASC", scaled_cycles(11, 40));
    float ssn = 0.0f, dev = 0.0f;
    SSN_NOAA(year_of(CYCLE_MONTHS * 10 + 41), month_of(CYCLE_MONTHS * 10 + 41), ssn, dev);
    EXPECT_EQ(ssn, 11.0f * shape(41));
    // A measured month of a file whose cycles start at 2 is still given.
    write_file("SUNSPT.ASC", scaled_cycles(12, 40, 0, 2));
    SSN_NOAA(1810, 3, ssn, dev);
    EXPECT_EQ(ssn, shape(10 * 12 + 2));
}

TEST_F(SsnNoaa, FilesBeyondTheTableLimitsGiveNoValue) {
    const float v[12] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    // n year lines from 1749, cycle 1 starting in 1755.
    auto years = [&](int n) {
        std::string text;
        for (int y = 1749; y < 1749 + n; ++y) text += year_line(y, y == 1755 ? 2 : 0, v, 12, y == 1755 ? 1 : 0);
        return text;
    };
    // n cycle starts, one a year from 1800.
    auto cycles = [&](int n) {
        std::string text;
        for (int y = 1800; y < 1800 + n; ++y) text += year_line(y, 3, v, 12, y - 1799);
        return text;
    };
    struct {
        const char* why;
        std::string file;
        int16_t year;
        float ssn;
    } cases[] = {
        {"300 year lines are held", years(300), 2048, 5.0f},
        {"301 year lines are not", years(301), 1805, -1.0f},
        {"30 cycle starts are held", cycles(30), 1805, 5.0f},
        {"31 cycle starts are not", cycles(31), 1805, -1.0f},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        write_file("SUNSPT.ASC", c.file);
        float ssn = 0.0f, dev = 3.0f;
        SSN_NOAA(c.year, 5, ssn, dev);
        EXPECT_EQ(ssn, c.ssn);
        EXPECT_EQ(dev, 0.0f);
    }
}

TEST_F(SsnNoaa, BlankFieldEndsTheData) {
    const float v[12] = {10, 20, 30, 40, 50, 60, 70, 80, 90, 100, 110, 120};
    std::string file = year_line(1800, 0, v, 12, 0) + year_line(1801, 0, v, 4, 0);
    file.insert(file.size() - 1, "  99.0");  // a value after the blank fields is not data
    write_file("SUNSPT.ASC", file);
    float ssn = 0.0f, dev = 0.0f;
    SSN_NOAA(1801, 4, ssn, dev);
    EXPECT_EQ(ssn, 40.0f);
    SSN_NOAA(1801, 5, ssn, dev);
    EXPECT_EQ(ssn, -1.0f);
    SSN_NOAA(1801, 12, ssn, dev);
    EXPECT_EQ(ssn, -1.0f);
}

// The fatal stops write their lines to the console (standard output); the
// death tests look for them on standard error.
void ssn_to_stderr() {
    ::dup2(2, 1);
    float ssn, dev;
    SSN_NOAA(1850, 1, ssn, dev);
}

TEST_F(SsnNoaa, MissingOrInconsistentFileStopsTheProgram) {
    EXPECT_EXIT(ssn_to_stderr(), ::testing::ExitedWithCode(1),
                "FILE \"SUNSPT.ASC\" IS REQUIRED IN 60Z BUT IT DOES NOT EXIST!");

    const float v[12] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    write_file("SUNSPT.ASC", year_line(1800, 0, v, 12, 0) + year_line(1802, 0, v, 12, 0));
    EXPECT_EXIT(ssn_to_stderr(), ::testing::ExitedWithCode(1),
                " IYEARPRE,IYEAR= 1800 1802\nFILE \"SUNSPT.ASC\" CONSTRUCTED WRONG. DATA MISSING.");

    write_file("SUNSPT.ASC", year_line(1748, 0, v, 12, 0));
    EXPECT_EXIT(ssn_to_stderr(), ::testing::ExitedWithCode(1),
                " IYEARPRE,IYEAR= 1747 1748\nFILE \"SUNSPT.ASC\" CONSTRUCTED WRONG. DATA MISSING.");

    write_file("SUNSPT.ASC", year_line(1800, 3, v, 12, 1) + year_line(1801, 5, v, 12, 3));
    EXPECT_EXIT(ssn_to_stderr(), ::testing::ExitedWithCode(1),
                " ICYCLE,NCYCLES=    3    2\nFILE \"SUNSPT.ASC\" CONSTRUCTED WRONG. CYCLES DO NOT MATCH.");

    write_file("SUNSPT.ASC", "1800     1x.0\n");
    EXPECT_EXIT(ssn_to_stderr(), ::testing::ExitedWithCode(1), "CONSTRUCTED WRONG. DATA MISSING.");
}

TEST_F(SsnNoaa, LowerCaseFileNameIsAccepted) {
    copy_model("SUNSPT.ASC", "sunspt.asc");
    float ssn = 0.0f, dev = 0.0f;
    SSN_NOAA(2025, 9, ssn, dev);
    EXPECT_EQ(ssn, 68.0f);
}

}  // namespace
}  // namespace kolm
