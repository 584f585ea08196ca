// Model files kept for the run: bad files named on the console and counted
// as missing, and files changed during the run seen at their next use.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

#include "model_tables.h"
#include "models/predict.h"
#include "models/sunspot.h"
#include "models/table_files.h"
#include "work_dir.h"

namespace kolm {
namespace {

constexpr int NVALUES = 1976;

// A month's coefficients: every value 0 but the constant term of both
// sunspot levels, so that foF2 is that value.
std::vector<float> constant(float value) {
    std::vector<float> v(NVALUES, 0.0f);
    v[0] = v[988] = value;
    return v;
}

std::string ascii(const std::vector<float>& v) {
    std::string text;
    char buf[32];
    for (int n = 0; n < NVALUES; ++n) {
        std::snprintf(buf, sizeof buf, "%s%15.8E", n % 4 == 0 ? " " : "", v[n]);
        text += buf;
        if (n % 4 == 3) text += "\n";
    }
    return text;
}

std::string little_endian(const std::vector<float>& v) {
    std::string out;
    for (float f : v) {
        uint32_t u;
        std::memcpy(&u, &f, 4);
        for (int b = 0; b < 4; ++b) out += char((u >> (8 * b)) & 0xff);
    }
    return out;
}

std::vector<float> with(std::vector<float> v, int at, float value) {
    v[at] = value;
    return v;
}

std::string cut_line(std::string text, int line, std::size_t columns) {
    std::size_t from = 0;
    for (int i = 1; i < line; ++i) from = text.find('\n', from) + 1;
    return text.erase(from + columns, text.find('\n', from) - from - columns);
}

float fof2_of_february(int32_t& ierr) {
    float srise, sset, xnoon, foe, fof1, fof2 = -1.0f;
    CALPREDF(50.0f, 10.0f, 2, 40, 12, 0, 0, 60.0f, 0, srise, sset, xnoon, foe, fof1, fof2, ierr);
    return fof2;
}

const float NaN = std::numeric_limits<float>::quiet_NaN();
const float INF = std::numeric_limits<float>::infinity();

class BadModelFiles : public testing::WorkDir {};

TEST_F(BadModelFiles, CoefficientFilesAreNamedOnceAndCountAsMissing) {
    const std::string good_asc = ascii(constant(3.0f));
    struct {
        const char* file;
        std::string bytes;
        const char* named;
    } cases[] = {
        {"URSI12.BIN", "", "URSI12.BIN IS EMPTY"},
        {"URSI12.BIN", little_endian(constant(7.0f)).substr(0, 7900), "URSI12.BIN IS TRUNCATED (7900 OF 7904 BYTES)"},
        {"URSI12.BIN", little_endian(with(constant(7.0f), 100, NaN)),
         "URSI12.BIN HOLDS A VALUE THAT IS NOT A FINITE NUMBER"},
        {"URSI12.BIN", little_endian(with(constant(7.0f), 1975, -INF)),
         "URSI12.BIN HOLDS A VALUE THAT IS NOT A FINITE NUMBER"},
        {"URSI12.ASC", "", "URSI12.ASC IS EMPTY"},
        {"URSI12.ASC", good_asc.substr(0, good_asc.size() - 62), "URSI12.ASC IS TRUNCATED (LINE 494)"},
        {"URSI12.ASC", cut_line(good_asc, 3, 40), "URSI12.ASC IS TRUNCATED (LINE 3)"},
        {"URSI12.ASC", std::string(good_asc).replace(5 * 62 + 20, 1, 1, '\0'), "URSI12.ASC IS NOT A TEXT FILE (LINE 6)"},
        {"URSI12.ASC", std::string(good_asc).replace(200, 3, "x.x"),
         "URSI12.ASC HOLDS A VALUE THAT DOES NOT READ (LINE 4)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.named);
        for (bool other_form : {false, true}) {
            reset_run_state();
            std::remove("URSI12.BIN");
            std::remove("URSI12.ASC");
            write_file(c.file, c.bytes);
            // A good text file serves when the binary one is bad.
            const bool fallback = other_form && std::strstr(c.file, ".BIN");
            if (fallback) write_file("URSI12.ASC", good_asc);
            int32_t ierr = 0;
            ::testing::internal::CaptureStderr();
            const float fof2 = fof2_of_february(ierr);
            EXPECT_EQ(::testing::internal::GetCapturedStderr(), std::string(" ERROR: THE MODEL FILE ") + c.named + "\n");
            if (fallback) {
                EXPECT_EQ(ierr, 0);
                EXPECT_FLOAT_EQ(fof2, 3.0f);
            } else {
                EXPECT_NE(ierr, 0);
            }
            // Named once: the next month change finds the same file.
            int32_t back = 0;
            float x, y, z, foe, fof1, f;
            CALPREDF(50.0f, 10.0f, 3, 70, 12, 0, 0, 60.0f, 0, x, y, z, foe, fof1, f, back);
            ::testing::internal::CaptureStderr();
            fof2_of_february(ierr);
            EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
            EXPECT_EQ(ierr == 0, fallback);
        }
    }
}

TEST_F(BadModelFiles, TablesAreNamedOnceAndCountAsMissing) {
    auto record = [](std::initializer_list<float> v) {
        std::vector<float> r(v);
        return little_endian(r);
    };
    const std::string teccof_line = "0.200  0.120000E+01  0.220000E+01  0.320000E+01  0.420000E+01  0.520000E+01\n";
    const std::string unreadable_line = "0.2x0  0.120000E+01  0.220000E+01  0.320000E+01  0.420000E+01  0.520000E+01\n";
    struct {
        const char* file;
        std::string bytes;
        const char* named;
    } cases[] = {
        {"TECCOF.BIN", "", "TECCOF.BIN IS EMPTY"},
        {"TECCOF.BIN", record({0, 1, 2, 3, 4, 5}) + "123456", "TECCOF.BIN IS TRUNCATED (30 BYTES, NOT WHOLE RECORDS OF 24)"},
        {"TECCOF.BIN", record({0, 1, 2, 3, 4, 5, 1, 1, NaN, 3, 4, 5}),
         "TECCOF.BIN HOLDS A VALUE THAT IS NOT A FINITE NUMBER (RECORD 2)"},
        {"TECCOF.ASC", "\n \n", "TECCOF.ASC HOLDS NO DATA"},
        {"TECCOF.ASC", teccof_line + teccof_line.substr(0, 40) + "\n", "TECCOF.ASC IS TRUNCATED (RECORD 2)"},
        {"TECCOF.ASC", teccof_line + std::string("\x7f\x45\x4c\x46\x02\x01", 6), "TECCOF.ASC IS NOT A TEXT FILE"},
        {"TECCOF.ASC", "\n" + unreadable_line,
         "TECCOF.ASC HOLDS A VALUE THAT DOES NOT READ (RECORD 1)"},
        {"B0B1DT.BIN", record({1, 2, INF, 4, 5, 6}), "B0B1DT.BIN HOLDS A VALUE THAT IS NOT A FINITE NUMBER (RECORD 1)"},
        {"B0B1DT.ASC", "", "B0B1DT.ASC IS EMPTY"},
        {"B0B1DT.ASC", "1 2 3\n4 5 6\n7 8 9\n", "B0B1DT.ASC IS TRUNCATED (RECORD 2)"},
        {"B0B1DT.ASC", "1 2 3 4 5 6\n1,2,a,4,5,6\n", "B0B1DT.ASC HOLDS A VALUE THAT DOES NOT READ (RECORD 2)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.named);
        reset_run_state();
        for (const char* f : {"TECCOF.BIN", "TECCOF.ASC", "B0B1DT.BIN", "B0B1DT.ASC"}) std::remove(f);
        write_file(c.file, c.bytes);
        const bool teccof = std::strncmp(c.file, "TECCOF", 6) == 0;
        auto table = [&] { return teccof ? teccof_run_table() : b0b1dt_run_table(); };
        ::testing::internal::CaptureStderr();
        EXPECT_EQ(table(), nullptr);
        EXPECT_EQ(::testing::internal::GetCapturedStderr(), std::string(" ERROR: THE MODEL FILE ") + c.named + "\n");
        // Looked for again, named no more while the file stays as it is.
        recheck_model_tables();
        ::testing::internal::CaptureStderr();
        EXPECT_EQ(table(), nullptr);
        EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
    }
}

// The stop's lines are looked for on standard error.
void read_sunspots() {
    ::dup2(2, 1);
    float ssn, dev;
    SSN_NOAA(2020, 5, ssn, dev);
}

std::string real_sunspots() {
    std::ifstream in(std::string(KOLM_SHARED_DATA) + "/models/SUNSPT.ASC", std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

TEST_F(BadModelFiles, SunspotFileThatIsBadStopsTheRunNamingIt) {
    const std::string real = real_sunspots();
    const std::size_t last = real.rfind('\n', real.size() - 2) + 1;  // start of the last line
    struct {
        const char* why;
        std::string bytes;
        const char* named;
    } cases[] = {
        {"empty", "", "IS EMPTY"},
        {"headers only", "Monthly sunspot numbers\n\n  year  jan feb\n", "HOLDS NO DATA"},
        {"a NUL byte", std::string(real).replace(last - 300, 1, 1, '\0'), "IS NOT A TEXT FILE"},
        {"cut inside a month field", real.substr(0, last + 7 + 6 * 3 + 2), "IS TRUNCATED \\(LAST LINE\\)"},
        {"cut inside the cycle number", real.substr(0, real.find("  24\n") + 3), "IS TRUNCATED \\(LAST LINE\\)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        reset_run_state();
        write_file("SUNSPT.ASC", c.bytes);
        EXPECT_EXIT(read_sunspots(), ::testing::ExitedWithCode(1),
                    std::string("^ ERROR: THE MODEL FILE SUNSPT.ASC ") + c.named +
                        "\nFILE \"SUNSPT.ASC\" CONSTRUCTED WRONG. DATA MISSING.\n$");
    }
    // A file that ends after a whole month field, without a line end, is good.
    reset_run_state();
    std::remove("SUNSPT.ASC");
    write_file("sunspt.asc", real.substr(0, last + 7 + 6 * 3));
    float ssn = 0.0f, dev = 0.0f;
    SSN_NOAA(2025, 3, ssn, dev);
    EXPECT_GT(ssn, 0.0f);
    EXPECT_EQ(dev, 0.0f);
}

class KeptModelFiles : public testing::WorkDir {};

TEST_F(KeptModelFiles, FilesChangedDuringTheRunAreSeenAtTheNextUse) {
    // The sunspot file rewritten in place with the same size, at once.
    const std::string real = real_sunspots();
    write_file("SUNSPT.ASC", real);
    float ssn = 0.0f, dev = 0.0f;
    SSN_NOAA(2024, 5, ssn, dev);
    EXPECT_EQ(ssn, 90.0f);
    std::string changed = real;
    const std::size_t may = changed.find("\n2024 ") + 1 + 7 + 6 * 4;
    ASSERT_EQ(changed.substr(may, 6), "  89.5");
    changed.replace(may, 6, "  12.0");
    write_file("SUNSPT.ASC", changed);
    SSN_NOAA(2024, 5, ssn, dev);
    EXPECT_EQ(ssn, 12.0f);
    // The file of the name itself gone, one of another letter case in its
    // place; then the name itself back, which comes first again.
    std::remove("SUNSPT.ASC");
    write_file("sunspt.asc", real);
    SSN_NOAA(2024, 5, ssn, dev);
    EXPECT_EQ(ssn, 90.0f);
    write_file("SUNSPT.ASC", changed);
    SSN_NOAA(2024, 5, ssn, dev);
    EXPECT_EQ(ssn, 12.0f);
    std::remove("sunspt.asc");

    // A month's coefficients: a bad binary file mended, a text file of the
    // same size, each seen at the next change to the month.
    int32_t ierr = 0;
    write_file("URSI12.ASC", ascii(constant(3.0f)));
    write_file("URSI13.ASC", ascii(constant(4.0f)));
    write_file("URSI12.BIN", "short");
    ::testing::internal::CaptureStderr();
    EXPECT_FLOAT_EQ(fof2_of_february(ierr), 3.0f);
    ::testing::internal::GetCapturedStderr();
    write_file("URSI12.BIN", little_endian(constant(7.0f)));
    float x, y, z, foe, fof1, f;
    CALPREDF(50.0f, 10.0f, 3, 70, 12, 0, 0, 60.0f, 0, x, y, z, foe, fof1, f, ierr);
    EXPECT_FLOAT_EQ(f, 4.0f);
    EXPECT_FLOAT_EQ(fof2_of_february(ierr), 7.0f);
    std::remove("URSI12.BIN");
    write_file("URSI12.ASC", ascii(constant(5.0f)));
    CALPREDF(50.0f, 10.0f, 3, 70, 12, 0, 0, 60.0f, 0, x, y, z, foe, fof1, f, ierr);
    EXPECT_FLOAT_EQ(fof2_of_february(ierr), 5.0f);

    // A table replaced between records.
    ASSERT_TRUE(testing::write_test_tables());
    const TableRecords* t = teccof_run_table();
    ASSERT_NE(t, nullptr);
    const std::size_t n = t->size();
    std::remove("TECCOF.BIN");
    write_file("TECCOF.ASC", "0.000  0.100000E+01  0.200000E+01  0.300000E+01  0.400000E+01  0.500000E+01\n");
    EXPECT_EQ(teccof_run_table()->size(), n);  // the same record
    recheck_model_tables();
    ASSERT_NE(teccof_run_table(), nullptr);
    EXPECT_EQ(teccof_run_table()->size(), 1u);
}

}  // namespace
}  // namespace kolm
