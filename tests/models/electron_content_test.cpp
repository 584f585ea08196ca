// Electron content: each part against its closed form, the table lookup's
// edges, and the missing or wrong cases.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>

#include "blocks/peltarscale.h"
#include "blocks/peltartrueh.h"
#include "blocks/status.h"
#include "model_tables.h"
#include "models/electron_content.h"
#include "models/section_fit.h"
#include "work_dir.h"

namespace kolm {
namespace {

using testing::direct_content;
using testing::fit_section;

constexpr double K = 0.001238;  // 10**16 m**-2 per MHz**2 km

// Content of a parabolic layer of peak fo, semi-thickness ym, from the
// plasma frequency fs up to the peak: fo**2 ym (y - y**3/3), y = sqrt(1 - fs**2/fo**2).
double parabolic_content(double fs, double fo, double ym) {
    const double y = std::sqrt(1.0 - fs * fs / (fo * fo));
    return fo * fo * ym * (y - y * y * y / 3.0);
}

// Coefficients of that parabolic layer from fs to fo.
void parabolic_section(double fs, double fo, double ym, float* a) {
    const double lnr = std::log(fs / fo);
    fit_section([&](double u) { return -ym * std::sqrt(1.0 - std::exp(2.0 * u * lnr)); }, 5, a);
}

// The valley of width w and depth d above an E layer of shape -Y sqrt(u):
// the part re-expressed down to the floor fv is (w/3) sqrt(u'), whose
// content is fm**2 (w/3) integral of r**(2 t**2) dt, r = fv/fm; then the
// linear rise and the floor.
double valley_content(double fm, double w, double d) {
    const double fv = fm - d, third = w / 3.0, q = std::sqrt(-2.0 * std::log(fv / fm));
    const double shaped = fm * fm * third * std::sqrt(M_PI) * std::erf(q) / (2.0 * q);
    return K * (shaped + third * (fm * fm + fm * fv + fv * fv) / 3.0 + fv * fv * third);
}

class ElectronContent : public testing::WorkDir {
protected:
    void SetUp() override {
        WorkDir::SetUp();
        ASSERT_TRUE(testing::write_test_tables());
    }
    // A solved profile: E from 0.2 to 3 MHz, a valley, no F1, a parabolic
    // F2 layer of 100 km from 3 to 9 MHz, and a 1 km table over 100 km above
    // the valley top of the Chapman layer of 30 km scale height (SHF = 30).
    void profile(float w, float d) {
        auto& C = LAYCOF;
        C.FC(1) = 0.2f, C.FC(2) = 3.0f, C.FC(3) = 3.0f, C.FC(4) = 9.0f;
        C.AE(1) = -20.0f, C.AE(2) = 3.0f, C.AE(3) = -1.0f;
        C.ZME = 110.0f, C.ZMF1 = 110.0f, C.ZMF2 = 300.0f;
        float a[5];
        parabolic_section(3.0, 9.0, 100.0, a);
        for (int j = 1; j <= 5; ++j) C.AF2(j) = a[j - 1];
        LAYCTL.W = w, LAYCTL.D = d;
        SCALE2.IQUALE(iquale::STATUS) = status::PROFILE_OBTAINED;
        auto& T = NHPROF;
        T.NPTH = 0;
        for (int h = 0; h <= 100; ++h) {
            const double z = (h - 100.0) / 30.0;
            ++T.NPTH;
            T.HTAB(T.NPTH) = float(h + 110.0f + w);
            T.FNTAB(T.NPTH) = float(9.0 * std::exp(0.25 * (1.0 - z - std::exp(-z))));
        }
    }
};

TEST_F(ElectronContent, TotalIsTheSumOfTheLayersAndTheTopside) {
    profile(0.0f, 0.0f);
    CALTEC();
    ASSERT_NEAR(DERPAR.SHF, 30.0f, 0.001f);
    const float* ae = LAYCOF.AE.data();
    const double e = K * direct_content(0.2, 3.0, ae, 3);
    const double f2 = K * parabolic_content(3.0, 9.0, 100.0);
    const double top = K * 2.821 * DERPAR.SHF * 81.0;
    EXPECT_NEAR(DERPAR.ITEC, e + f2 + top, 1e-4 * (e + f2 + top));
    EXPECT_EQ(SCLCHR.IERR, 0);
    // A holds the E coefficients and five zeros.
    for (int j = 1; j <= 8; ++j) EXPECT_EQ(LAYCOF.A(j), j <= 3 ? LAYCOF.AE(j) : 0.0f);
    std::printf("ITEC %.3f = E %.3f + F2 %.3f + topside %.3f\n", DERPAR.ITEC, e, f2, top);
}

TEST_F(ElectronContent, LayersAgainstClosedForms) {
    struct Case {
        double fs, fm, ym;
    };
    for (const Case& c : {Case{0.2, 3.0, 20.0}, Case{4.0, 5.0, 40.0}, Case{3.0, 9.0, 100.0}, Case{8.5, 9.0, 15.0}}) {
        float a[5];
        parabolic_section(c.fs, c.fm, c.ym, a);
        float tec = 0.0f;
        int16_t ierr = -1;
        TECLAYER(float(c.fs), float(c.fm), a, tec, ierr);
        EXPECT_EQ(ierr, 0);
        const double expect = K * parabolic_content(c.fs, c.fm, c.ym);
        EXPECT_NEAR(tec, expect, 2e-3 * expect) << c.fs << ".." << c.fm;
    }
    // The Chapman topside of both kinds.
    float top = 0.0f;
    TECTOPSIDE(2, 9.0f, 30.0f, top);
    EXPECT_NEAR(top, 0.001238 * 2.821 * 30.0 * 81.0, 1e-5);
    TECTOPSIDE(1, 9.0f, 30.0f, top);
    EXPECT_NEAR(top, 0.001238 * 1.71828 * 30.0 * 81.0, 1e-5);
}

TEST_F(ElectronContent, ValleyParts) {
    const float ae[3] = {-20.0f, 0.0f, 0.0f};
    const float none[3] = {0.0f, 0.0f, 0.0f};
    struct Case {
        const char* name;
        const float* ae;
        float w, d;
        double expect;
    };
    const Case cases[] = {
        {"no width", ae, 0.0f, 0.6f, 0.0},
        {"no depth: flat at foE", ae, 30.0f, 0.0f, K * 9.0 * 30.0},
        {"three parts", ae, 30.0f, 0.6f, valley_content(3.0, 30.0, 0.6)},
        {"deep", ae, 45.0f, 2.5f, valley_content(3.0, 45.0, 2.5)},
        // No E shape to scale, or no floor: counted as flat.
        {"E shape without span", none, 30.0f, 0.6f, K * 9.0 * 30.0},
        {"floor at 0 MHz", ae, 30.0f, 3.0f, K * 9.0 * 30.0},
        {"floor below 0 MHz", ae, 30.0f, 4.0f, K * 9.0 * 30.0},
    };
    for (const Case& c : cases) {
        float tec = -1.0f;
        int16_t ierr = -1;
        TECVALLEY(0.2f, 3.0f, c.ae, c.w, c.d, tec, ierr);
        EXPECT_EQ(ierr, 0) << c.name;
        EXPECT_NEAR(tec, c.expect, 1e-5 + 1e-4 * c.expect) << c.name;
    }
}

TEST_F(ElectronContent, RatiosOnOutsideAndBetweenTheKeys) {
    // Keys 0.2, 0.5, 0.8 with weights 1000 w(j) = key + j.
    std::remove("TECCOF.BIN");
    write_file("TECCOF.ASC",
               "0.200  0.120000E+01  0.220000E+01  0.320000E+01  0.420000E+01  0.520000E+01\n"
               "0.500  0.150000E+01  0.250000E+01  0.350000E+01  0.450000E+01  0.550000E+01\n"
               "0.800  0.180000E+01  0.280000E+01  0.380000E+01  0.480000E+01  0.580000E+01\n");
    struct Case {
        float ratio, key;  // key: the weights expected, as the key they belong to
    };
    // On a key, between keys (interpolated), below the first and above the last (nearest).
    for (const Case& c : {Case{0.5f, 0.5f}, Case{0.2f, 0.2f}, Case{0.8f, 0.8f}, Case{0.35f, 0.35f},
                          Case{0.1f, 0.2f}, Case{0.95f, 0.8f}}) {
        for (int j = 1; j <= 5; ++j) {
            float a[5] = {};
            a[j - 1] = 1.0f;
            float tec = 0.0f;
            int16_t ierr = -1;
            TECLAYER(c.ratio * 2.0f, 2.0f, a, tec, ierr);
            ASSERT_EQ(ierr, 0);
            EXPECT_NEAR(tec, 4.0f * (c.key + j) * 1.238e-6f, 1e-10f) << c.ratio << " weight " << j;
        }
    }
}

TEST_F(ElectronContent, WrongProfileAndMissingTable) {
    float tec = 5.0f;
    int16_t ierr = -1;
    const float a[5] = {-10.0f, 0.0f, 0.0f, 0.0f, 0.0f};
    ::testing::internal::CaptureStderr();
    TECLAYER(0.2f, 0.0f, a, tec, ierr);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), " CANNOT CALCULATE ITEC BECAUSE OF WRONG PROFILE!\n");
    EXPECT_EQ(ierr, 1);

    // Without any table: a section of no width still gives 0, every other fails.
    std::remove("TECCOF.BIN");
    std::remove("TECCOF.ASC");
    TECLAYER(4.0f, 4.0f, a, tec, ierr);
    EXPECT_EQ(ierr, 0);
    EXPECT_EQ(tec, 0.0f);
    profile(30.0f, 0.5f);
    ::testing::internal::CaptureStderr();
    CALTEC();
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "MISSING THE DATA FILE TECCOF.ASC AND CANNOT CALCULATE ITEC!\n");
    EXPECT_EQ(SCLCHR.IERR, 2);
    EXPECT_EQ(DERPAR.ITEC, NOTCOMPUTED);
    EXPECT_NEAR(DERPAR.SHF, 30.0f, 0.001f);  // the scale height stands

    // The next record finds the table again.
    ASSERT_TRUE(testing::write_test_tables());
    CALTEC();
    EXPECT_EQ(SCLCHR.IERR, 0);
    EXPECT_NE(DERPAR.ITEC, NOTCOMPUTED);

    // A failed inversion: neither value, no message.
    SCALE2.IQUALE(iquale::STATUS) = status::F2_OSCILLATING;
    ::testing::internal::CaptureStderr();
    CALTEC();
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(DERPAR.ITEC, NOTCOMPUTED);
    EXPECT_EQ(DERPAR.SHF, NOTCOMPUTED);
}

TEST_F(ElectronContent, TextTableGivesTheSameContentAsTheBinary) {
    profile(30.0f, 0.5f);
    CALTEC();
    const float from_bin = DERPAR.ITEC;
    reset_run_state();  // the table is kept for the run: a new run reads it again
    std::remove("TECCOF.BIN");
    profile(30.0f, 0.5f);
    CALTEC();
    EXPECT_EQ(DERPAR.ITEC, from_bin);
    // The binary table wins when both exist.
    reset_run_state();
    ASSERT_TRUE(testing::write_test_tables());
    write_file("TECCOF.ASC", "garbage\n");
    profile(30.0f, 0.5f);
    CALTEC();
    EXPECT_EQ(DERPAR.ITEC, from_bin);
}

}  // namespace
}  // namespace kolm
