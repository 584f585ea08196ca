// The table generator: TECCOF weights against a direct integral of the
// electron content, B0B1DT shapes against the IRI bottomside, and both
// file forms of both tables reading back as the same records.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

#include "model_tables.h"
#include "models/section_fit.h"
#include "models/bottomside.h"
#include "models/table_files.h"
#include "models/table_generator.h"
#include "work_dir.h"

namespace kolm {
namespace {

using testing::b0b1dt_table;
using testing::direct_content;
using testing::section_offset;
using testing::teccof_table;

TEST(TableGenerator, TeccofWeightsGiveTheDirectContentIntegral) {
    struct Case {
        double fs, fm;
        float a[5];
    };
    const Case cases[] = {
        {0.2, 3.2, {-20.0, 4.0, -1.5, 0.5, -0.2}},     // an E layer from 0.2 MHz
        {3.0, 4.5, {-35.0, -6.0, 2.0, -1.0, 0.3}},     // an F1 layer
        {4.5, 9.0, {-80.0, 10.0, -5.0, 2.0, -1.0}},    // an F2 bottomside
        {8.9, 9.0, {-3.0, 0.5, 0.1, 0.0, 0.0}},        // a thin section
    };
    for (const Case& c : cases) {
        double w[5];
        teccof_weights(c.fs / c.fm, w);
        double model = 0.0;
        for (int j = 0; j < 5; ++j) model += c.a[j] * w[j];
        model *= c.fm * c.fm;
        const double direct = direct_content(c.fs, c.fm, c.a, 5);
        EXPECT_NEAR(model, direct, 1e-6 * std::fabs(direct)) << c.fs << ".." << c.fm;
    }
    // The ends of the key range: every weight is -1 at r = 1 and 0 at r = 0.
    double w[5];
    teccof_weights(1.0, w);
    for (double v : w) EXPECT_DOUBLE_EQ(v, -1.0);
    teccof_weights(0.0, w);
    for (double v : w) EXPECT_DOUBLE_EQ(v, 0.0);
}

TEST(TableGenerator, TeccofRecordsCoverEveryRatioInSteps) {
    const TableRecords& t = teccof_table();
    ASSERT_EQ(int(t.size()), TECCOF_RECORDS);
    for (int k = 0; k < TECCOF_RECORDS; ++k) EXPECT_FLOAT_EQ(t[k].V[0], k / 1000.0f);
    for (int j = 1; j <= 5; ++j) {
        EXPECT_EQ(t.front().V[j], 0.0f);
        EXPECT_FLOAT_EQ(t.back().V[j], -1000.0f);
    }
}

TEST(TableGenerator, GramMatrixIsTheBottomsideInnerProductTable) {
    double G[5][5];
    section_gram(G);
    CALTIJ();
    for (int i = 1; i <= 5; ++i)
        for (int j = 1; j <= 5; ++j) EXPECT_NEAR(TIJTAB(i, j), G[i - 1][j - 1], 2e-7) << i << "," << j;
}

TEST(TableGenerator, ShapesReproduceTheIriBottomside) {
    // Height below the peak in units of B0 along the tabulated range: five
    // terms of sqrt(u) times a polynomial follow X ~ u**(1/B1) to about 1 %
    // of B0 right at the peak and far closer elsewhere.
    float worst = 0.0f, worst_rms = 0.0f;
    for (const TableRecord& rec : b0b1dt_table()) {
        const double b1 = rec.V[0];
        const float* s = rec.V + 1;
        double sq = 0.0;
        for (int k = 0; k <= 200; ++k) {
            const double u = k / 200.0;
            const double rho2 = std::pow(double(B0RATIO), 2.0 * u);
            const double err = std::fabs(section_offset(s, 5, u) + iri_depth(rho2, b1));
            worst = std::fmax(worst, float(err));
            sq += err * err;
        }
        worst_rms = std::fmax(worst_rms, float(std::sqrt(sq / 201.0)));
    }
    EXPECT_LT(worst, 0.015f);
    EXPECT_LT(worst_rms, 0.003f);
    const TableRecords& t = b0b1dt_table();
    ASSERT_EQ(int(t.size()), B0B1DT_RECORDS);
    EXPECT_FLOAT_EQ(t.front().V[0], 1.0f);
    EXPECT_FLOAT_EQ(t.back().V[0], 6.0f);
    // The depth solves the bottomside formula, and X = 1 lies at the B0 ratio.
    for (double b1 : {1.0, 2.5, 6.0}) {
        const double x = iri_depth(0.3, b1);
        EXPECT_NEAR(std::exp(-std::pow(x, b1)) / std::cosh(x), 0.3, 1e-12);
        EXPECT_NEAR(iri_depth(double(B0RATIO) * B0RATIO, b1), 1.0, 1e-5);
    }
    std::printf("B0B1DT shapes against the IRI bottomside: largest error %.5f B0, largest rms %.5f B0\n", worst,
                worst_rms);
}

using TableFiles = testing::WorkDir;

TEST_F(TableFiles, BothFormsReadBackAsTheSameRecords) {
    ASSERT_TRUE(testing::write_test_tables());
    struct Table {
        const char* name;
        const fmt::Format* format;
        const TableRecords* made;
    };
    for (const Table& tb : {Table{"TECCOF", &TECCOF_FORMAT, &teccof_table()},
                            Table{"B0B1DT", nullptr, &b0b1dt_table()}}) {
        TableRecords bin, asc;
        ASSERT_TRUE(read_table_files(tb.name, tb.format, bin)) << tb.name;
        std::filesystem::remove(std::string(tb.name) + ".BIN");
        ASSERT_TRUE(read_table_files(tb.name, tb.format, asc)) << tb.name;
        ASSERT_EQ(bin.size(), tb.made->size());
        ASSERT_EQ(asc.size(), bin.size());
        for (std::size_t r = 0; r < bin.size(); ++r)
            for (int k = 0; k < TABLE_VALUES; ++k) {
                ASSERT_EQ(asc[r].V[k], bin[r].V[k]) << tb.name << " record " << r;
                // The text form keeps 6 (TECCOF) or 8 (B0B1DT) digits of the made values.
                const float made = (*tb.made)[r].V[k];
                ASSERT_NEAR(bin[r].V[k], made, 5e-6f * std::fmax(1.0f, std::fabs(made)));
            }
    }
}

}  // namespace
}  // namespace kolm
