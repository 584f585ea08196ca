// Critical-frequency predictions: coefficient files, the real URSI maps and
// the prediction step of a record.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "blocks/peltarscale.h"
#include "blocks/peltartrueh.h"
#include "models/field_model.h"
#include "models/predict.h"
#include "models/solar_position.h"
#include "platform/text_units.h"
#include "work_dir.h"

namespace kolm {
namespace {

constexpr double UMR = 0.0174532925;
constexpr int NVALUES = 1976;

// A coefficient array in file order: D(k,i,s) at (k-1) + 13 (i-1) + 988 (s-1).
struct Coefficients {
    std::vector<float> v = std::vector<float>(NVALUES, 0.0f);
    float& at(int k, int i, int s) { return v[(k - 1) + 13 * (i - 1) + 988 * (s - 1)]; }
};

// The text layout: one blank column and four E15.8 fields per line.
std::string ascii(const Coefficients& c, int values = NVALUES) {
    std::string text;
    char buf[32];
    for (int n = 0; n < values; ++n) {
        std::snprintf(buf, sizeof buf, "%s%15.8E", n % 4 == 0 ? " " : "", c.v[n]);
        text += buf;
        if (n % 4 == 3 || n == values - 1) text += "\n";
    }
    return text;
}

// The binary layout: little-endian 32-bit reals.
std::string binary(const Coefficients& c, int bytes = 4 * NVALUES) {
    std::string out;
    for (float f : c.v) {
        uint32_t u;
        std::memcpy(&u, &f, 4);
        for (int b = 0; b < 4; ++b) out += char((u >> (8 * b)) & 0xff);
    }
    return out.substr(0, bytes);
}

Coefficients constant(float value) {
    Coefficients c;
    c.at(1, 1, 1) = value;
    c.at(1, 1, 2) = value;
    return c;
}

struct Prediction {
    float srise, sset, xnoon, foe, fof1, fof2;
    int32_t ierr;
};

Prediction predict(float lat, float lon, int16_t month, int16_t day, float ut, float rssn) {
    Prediction p{};
    p.fof2 = -1.0f;
    const int16_t hr = int16_t(ut), mi = int16_t(std::lround((ut - hr) * 60.0f));
    CALPREDF(lat, lon, month, day, hr, mi, 0, rssn, 0, p.srise, p.sset, p.xnoon, p.foe, p.fof1, p.fof2, p.ierr);
    return p;
}

class Calpredf : public testing::WorkDir {};

TEST_F(Calpredf, SingleCoefficientFilesGiveTheirOwnTerm) {
    // A transposed or mis-aligned read would put each value on another term.
    const float lat = 40.0f, lon = 30.0f, ut = 10.0f;
    float x, y, z, f, dip, dec, modip;
    FIELDG(lat, lon, 300.0f, x, y, z, f, dip, dec, modip);
    const double hou = (15.0 * ut - 180.0) * UMR;
    const double ss = std::sin(modip * UMR), sc = std::cos(lat * UMR), rl = lon * UMR;
    struct {
        const char* why;
        int k, i, s;
        float r;
        double value;  // foF2 for the coefficient 4.0
    } cases[] = {
        {"constant, sunspot level 0", 1, 1, 1, 0.0f, 4.0},
        {"constant, level 100", 1, 1, 2, 100.0f, 4.0},
        {"constant, halfway", 1, 1, 2, 50.0f, 2.0},
        {"level 0 at sunspot number 100", 1, 1, 1, 100.0f, 0.0},
        {"first cosine harmonic", 3, 1, 1, 0.0f, 4.0 * std::cos(hou)},
        {"third sine harmonic", 6, 1, 1, 0.0f, 4.0 * std::sin(3 * hou)},
        {"sin(modip)", 1, 2, 1, 0.0f, 4.0 * ss},
        {"sin(modip)^2", 1, 3, 2, 100.0f, 4.0 * ss * ss},
        {"order 1 cosine", 1, 13, 1, 0.0f, 4.0 * sc * std::cos(rl)},
        {"order 1 sine, second harmonic", 5, 14, 1, 0.0f, 4.0 * std::cos(2 * hou) * sc * std::sin(rl)},
        {"order 3 sine", 1, 56, 2, 100.0f, 4.0 * sc * sc * sc * std::sin(3 * rl)},
        {"last of level 1", 13, 76, 1, 0.0f, 4.0 * std::cos(6 * hou) * std::pow(sc, 8) * std::sin(8 * rl)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        reset_run_state();
        Coefficients co;
        co.at(c.k, c.i, c.s) = 4.0f;
        write_file("URSI15.ASC", ascii(co));
        const Prediction p = predict(lat, lon, 5, 130, ut, c.r);
        ASSERT_EQ(p.ierr, 0);
        EXPECT_NEAR(p.fof2, c.value, 6e-4);
    }
}

TEST_F(Calpredf, BinaryFileIsPreferredAndDamagedFilesCountAsMissing) {
    struct {
        const char* why;
        std::string bin, asc;  // empty: no such file
        bool ok;
        float fof2;
    } cases[] = {
        {"binary only", binary(constant(7.0f)), "", true, 7.0f},
        {"both: binary wins", binary(constant(7.0f)), ascii(constant(3.0f)), true, 7.0f},
        {"short binary: text is read", binary(constant(7.0f), 7900), ascii(constant(3.0f)), true, 3.0f},
        {"text only", "", ascii(constant(3.0f)), true, 3.0f},
        {"short binary, no text", binary(constant(7.0f), 7900), "", false, 0.0f},
        {"text ends early", "", ascii(constant(3.0f), 1972), false, 0.0f},
        {"text does not convert", "", ascii(constant(3.0f)).replace(200, 3, "x.x"), false, 0.0f},
        {"neither", "", "", false, 0.0f},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        reset_run_state();
        std::remove("URSI22.BIN");
        std::remove("URSI22.ASC");
        if (!c.bin.empty()) write_file("URSI22.BIN", c.bin);
        if (!c.asc.empty()) write_file("URSI22.ASC", c.asc);
        const Prediction p = predict(50.0f, 10.0f, 12, 340, 12.0f, 60.0f);
        EXPECT_EQ(p.ierr == 0, c.ok);
        if (c.ok) {
            EXPECT_FLOAT_EQ(p.fof2, c.fof2);
        }
    }
    // A month without a file name of its own.
    EXPECT_NE(predict(50.0f, 10.0f, 13, 340, 12.0f, 60.0f).ierr, 0);
}

TEST_F(Calpredf, MonthsFileIsReadOncePerRunOfTheMonth) {
    Coefficients march;  // 2 MHz at sunspot number 0, 4 MHz at 100
    march.at(1, 1, 1) = 2.0f;
    march.at(1, 1, 2) = 4.0f;
    write_file("URSI13.ASC", ascii(march));
    write_file("URSI14.ASC", ascii(constant(4.0f)));
    EXPECT_FLOAT_EQ(predict(50.0f, 10.0f, 3, 70, 12.0f, 60.0f).fof2, 3.2f);
    std::remove("URSI13.ASC");
    // The interpolation overwrote level 1 in URSICF; the kept file values serve.
    EXPECT_FLOAT_EQ(predict(50.0f, 10.0f, 3, 71, 9.0f, 0.0f).fof2, 2.0f);
    EXPECT_FLOAT_EQ(predict(50.0f, 10.0f, 4, 100, 12.0f, 60.0f).fof2, 4.0f);
    // Back to March: read anew, and the file is gone.
    EXPECT_NE(predict(50.0f, 10.0f, 3, 72, 12.0f, 60.0f).ierr, 0);
    write_file("URSI13.ASC", ascii(constant(5.0f)));
    EXPECT_FLOAT_EQ(predict(50.0f, 10.0f, 3, 72, 12.0f, 60.0f).fof2, 5.0f);
}

TEST_F(Calpredf, LowerCaseFileNamesAreAccepted) {
    write_file("ursi11.bin", binary(constant(6.0f)));
    EXPECT_FLOAT_EQ(predict(50.0f, 10.0f, 1, 10, 12.0f, 60.0f).fof2, 6.0f);
    write_file("ursi12.asc", ascii(constant(5.0f)));
    EXPECT_FLOAT_EQ(predict(50.0f, 10.0f, 2, 40, 12.0f, 60.0f).fof2, 5.0f);
}

TEST_F(Calpredf, RealMapsMatchTheFormulaWorkedByHand) {
    // Reference: the map series evaluated in 64-bit from the .ASC values at the
    // modified dip of the field reference cases.
    struct {
        const char* file;
        float lat, lon;
        int16_t month, day;
        float ut, r, fof2;
    } cases[] = {
        {"URSI11.ASC", 52.0f, 0.0f, 1, 15, 12.0f, 100.0f, 9.54898f},
        {"URSI17.ASC", -12.0f, 283.2f, 7, 196, 18.5f, 50.0f, 7.41141f},
        {"URSI20.ASC", 35.0f, 135.0f, 10, 288, 3.25f, 150.0f, 13.96255f},
        {"URSI20.ASC", 35.0f, 135.0f, 10, 288, 3.25f, 220.0f, 13.96255f},  // capped at 150
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        copy_model(c.file, c.file);
        const Prediction p = predict(c.lat, c.lon, c.month, c.day, c.ut, c.r);
        ASSERT_EQ(p.ierr, 0);
        EXPECT_NEAR(p.fof2, c.fof2, 1.5e-3f);
        EXPECT_EQ(p.fof2, std::round(p.fof2 * 1000.0f) / 1000.0f);  // to 0.001 MHz
    }
}

TEST_F(Calpredf, SunAndSunspotNumberDecideFoeAndFof1) {
    copy_model("URSI11.ASC", "URSI11.ASC");
    copy_model("URSI16.ASC", "URSI16.ASC");
    copy_model("URSI22.ASC", "URSI22.ASC");

    // Winter midnight at 45 N with sunspot number 0: foE at the night floor.
    const Prediction night = predict(45.0f, 0.0f, 1, 1, 0.0f, 0.0f);
    EXPECT_FLOAT_EQ(night.foe, std::round(std::sqrt(0.121f + 0.0015f * 3.75f) * 1000.0f) / 1000.0f);
    EXPECT_EQ(night.fof1, 999.9f);

    // Daytime: foF1 above foE; the sunspot number is capped for foE and foF2 only.
    const Prediction r150 = predict(45.0f, 0.0f, 6, 172, 12.0f, 150.0f);
    const Prediction r200 = predict(45.0f, 0.0f, 6, 172, 12.0f, 200.0f);
    EXPECT_GT(r150.fof1, r150.foe);
    EXPECT_LT(r150.fof1, 20.0f);
    EXPECT_EQ(r150.foe, r200.foe);
    EXPECT_EQ(r150.fof2, r200.fof2);
    EXPECT_NE(r150.fof1, r200.fof1);

    // Polar night and midnight sun: the no-event codes pass through in UT.
    const Prediction dark = predict(70.0f, 20.0f, 12, 355, 12.0f, 50.0f);
    EXPECT_EQ(dark.srise, -99.0f);
    EXPECT_EQ(dark.sset, -99.0f);
    EXPECT_EQ(dark.fof1, 999.9f);
    EXPECT_EQ(dark.xnoon, 89.999f);
    const Prediction bright = predict(78.15f, 16.05f, 6, 172, 11.0f, 50.0f);
    EXPECT_EQ(bright.srise, 99.0f);
    EXPECT_EQ(bright.sset, 99.0f);
    EXPECT_LT(bright.fof1, 20.0f);  // never night

    // Ordinary days: the local times of the noon position less LON/15, into [0, 24).
    struct {
        float lat, lon;
        int16_t day;
    } places[] = {{35.7f, 139.5f, 15}, {-12.0f, 283.2f, 131}, {40.0f, -105.0f, 200}};
    for (const auto& c : places) {
        float declin, zenith, sunrise, sunset;
        SOCO(c.day, 12.0f, c.lat, c.lon, declin, zenith, sunrise, sunset);
        auto ut = [&](float local) {
            const float t = local - c.lon / 15.0f;
            return t < 0.0f ? t + 24.0f : (t >= 24.0f ? t - 24.0f : t);
        };
        const Prediction p = predict(c.lat, c.lon, 1, c.day, 3.0f, 50.0f);
        EXPECT_FLOAT_EQ(p.srise, ut(sunrise)) << c.lon;
        EXPECT_FLOAT_EQ(p.sset, ut(sunset)) << c.lon;
        EXPECT_FLOAT_EQ(p.xnoon, zenith) << c.lon;
    }
}

class Predict : public testing::WorkDir {
protected:
    void SetUp() override {
        WorkDir::SetUp();
        for (const char* f : {"URSI11.ASC", "URSI12.ASC", "URSI13.ASC", "URSI15.ASC", "URSI20.ASC", "URSI22.ASC", "SUNSPT.ASC"})
            copy_model(f, f);
        SAOHDR.REALIN(1) = 52.0f;
        SAOHDR.REALIN(2) = 0.0f;
        SCLCHR.FQINCR = 0.05f;
    }
    static void record(int16_t iyr, int16_t iday, int16_t issn, int16_t iyr4 = 0) {
        TIMEBK.IYR = iyr;
        TIMEBK.IYR4 = iyr4;
        TIMEBK.IDAY = iday;
        TIMEBK.IHR = 11;
        TIMEBK.MINU = 30;
        TIMEBK.ISEC = 0;
        OPTS.ISSN = issn;
    }
};

TEST_F(Predict, FillsTheBlocksFromOneCalculation) {
    record(24, 130, 90);
    PREDICT();
    EXPECT_EQ(TIMEBK.IYR4, 2024);
    EXPECT_EQ(TIMEBK.MONTH, 5);
    EXPECT_EQ(TIMEBK.MDAY, 9);

    Prediction p{};
    CALPREDF(52.0f, 0.0f, 5, 130, 11, 30, 0, 90.0f, 0, p.srise, p.sset, p.xnoon, p.foe, p.fof1, p.fof2, p.ierr);
    EXPECT_EQ(SAOHDR.REALIN(43), p.foe);
    EXPECT_EQ(SAOHDR.REALIN(44), p.fof1);
    EXPECT_EQ(SAOHDR.REALIN(46), p.fof2);
    EXPECT_EQ(DERPAR.FOEP, p.foe);
    EXPECT_EQ(DERPAR.FOF1P, p.fof1);
    EXPECT_EQ(DERPAR.FOF2P, p.fof2);
    EXPECT_EQ(SAOHDR.REALIN(96), p.xnoon);
    EXPECT_EQ(SAOHDR.REALIN(97), p.srise);
    EXPECT_EQ(SAOHDR.REALIN(98), p.sset);
    EXPECT_EQ(DERPAR.SUNRISE, p.srise);
    EXPECT_EQ(DERPAR.SUNSET, p.sset);
    EXPECT_EQ(SCLCHR.IFOEP, int16_t((0.025f + p.foe) / 0.05f));
    EXPECT_EQ(SCLCHR.IFOF1P, int16_t((0.025f + p.fof1) / 0.05f));
    EXPECT_EQ(SCLCHR.IFOF2P, int16_t((0.025f + p.fof2) / 0.05f));
    EXPECT_LT(p.fof1, 20.0f);
    EXPECT_GT(p.foe, 2.0f);
}

TEST_F(Predict, YearAndMonthOfTheRecord) {
    struct {
        int16_t iyr, iyr4, iday;
        int16_t year, month, mday;
    } cases[] = {
        {70, 0, 32, 2070, 2, 1},   // 70 and below: 2000s
        {71, 0, 32, 1971, 2, 1},
        {0, 0, 60, 2000, 2, 29},   // leap year 2000
        {0, 0, 61, 2000, 3, 1},
        {1900, 0, 60, 1900, 3, 1},  // 1900 is not a leap year
        {24, 24, 60, 2024, 2, 29},  // IYR4 equal to IYR is completed
        {99, 1999, 300, 1999, 10, 27},  // a four-digit year is kept
    };
    for (const auto& c : cases) {
        record(c.iyr, c.iday, 50, c.iyr4);
        PREDICT();
        EXPECT_EQ(TIMEBK.IYR4, c.year) << c.iyr;
        EXPECT_EQ(TIMEBK.MONTH, c.month) << c.iyr;
        EXPECT_EQ(TIMEBK.MDAY, c.mday) << c.iyr;
    }
}

TEST_F(Predict, MonthlySunspotNumberOnAChangeOfYearOrMonth) {
    // 2024-05 is 90 (measured), 2025-03 82, 2025-05 77, 2025-10 66 +/- 4 and
    // 2025-12 64 +/- 7 (predicted),
    // 2040-01 has no value.
    struct {
        const char* why;
        int16_t iyr, iday, issn, expect;
    } steps[] = {
        {"first lookup replaces 0", 24, 130, 0, 90},
        {"same month: no lookup", 24, 135, 10, 10},
        {"same month of the next year is looked up", 25, 130, 10, 77},
        {"measured month has no spread: 81 is outside 82", 25, 60, 81, 82},
        {"predicted month, inside the interval", 25, 290, 63, 63},
        {"predicted month, outside", 25, 335, 72, 64},
        {"no monthly value keeps the record's own", 40, 10, 0, 0},
        {"negative own number is replaced", 24, 130, -5, 90},
    };
    for (const auto& s : steps) {
        SCOPED_TRACE(s.why);
        record(s.iyr, s.iday, s.issn);
        PREDICT();
        EXPECT_EQ(OPTS.ISSN, s.expect);
        EXPECT_EQ(PREDST.MONTH, TIMEBK.MONTH);
        EXPECT_EQ(PREDST.IYR4, TIMEBK.IYR4);
    }
}

// The stop's console line is looked for on standard error. An output unit
// opened before the stop is closed and kept with what was written to it.
void predict_after_writing_output() {
    ::dup2(2, 1);
    platform::open_unit(3, "OUT.SAO", platform::UnitMode::write);
    platform::write_line(3, "record one");
    PREDICT();
}

TEST_F(Predict, MissingCoefficientFilesStopTheRunKeepingTheOutput) {
    record(24, 200, 50);  // July: no URSI17 file here
    EXPECT_EXIT(predict_after_writing_output(), ::testing::ExitedWithCode(1),
                "^ ERROR: NEITHER URSI17.BIN NOR URSI17.ASC CAN BE READ\n CAN NOT FIND THE URSI COEFFICIENT FILES!\n$");
    std::ifstream in("OUT.SAO");
    std::string line;
    EXPECT_TRUE(std::getline(in, line));
    EXPECT_EQ(line, "record one");
}

}  // namespace
}  // namespace kolm
