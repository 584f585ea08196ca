#include "sections/coef_reexpression.h"

#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "blocks/run_state.h"

namespace kolm {
namespace {

// Height of the curve with coefficients a(1..n) on F1..F0 at plasma frequency f.
double curve_at(const float* a, int n, float f1, float f0, float f) {
    return section_curve(a, n, section_coordinate(f, f1, f0));
}

TEST(Contprfl, BothFormsGiveTheSameCurve) {
    std::mt19937 rng(7);
    std::uniform_real_distribution<float> coef(-60.0f, 60.0f);
    struct Range {
        float f1, f0, f2;
    } ranges[] = {{0.2f, 3.0f, 1.8f}, {3.1f, 8.0f, 4.5f}, {3.1f, 8.0f, 2.9f}, {4.0f, 5.2f, 4.9f}};
    for (int n = 1; n <= 5; ++n)
        for (const Range& r : ranges) {
            float a[5], ap[5] = {99, 99, 99, 99, 99};
            for (float& x : a) x = coef(rng);
            CONTPRFL(static_cast<int16_t>(n), r.f1, r.f0, a, r.f2, ap);
            for (int j = n; j < 5; ++j) EXPECT_EQ(ap[j], 99.0f) << "entries above NN untouched";
            for (int k = 0; k <= 10; ++k) {
                const float f = r.f2 + (r.f0 - r.f2) * k / 10.0f;
                const double old_form = curve_at(a, n, r.f1, r.f0, f);
                const double new_form = curve_at(ap, n, r.f2, r.f0, f);
                EXPECT_NEAR(new_form, old_form, 2e-4 * (1.0 + std::fabs(old_form)))
                    << "n=" << n << " f=" << f << " range " << r.f1 << ".." << r.f0 << " -> " << r.f2;
            }
            EXPECT_EQ(curve_at(ap, n, r.f2, r.f0, r.f0), 0.0f);
        }
}

TEST(Contprfl, EqualStartCopiesAndOneTermScalesByRootLambda) {
    const float a[5] = {-12.5f, 3.25f, -1.0f, 0.5f, 0.125f};
    float ap[5];
    CONTPRFL(5, 2.5f, 6.0f, a, 2.5f, ap);
    for (int j = 0; j < 5; ++j) EXPECT_EQ(ap[j], a[j]);

    CONTPRFL(1, 2.0f, 6.0f, a, 3.0f, ap);
    const float lambda = std::log(3.0f / 6.0f) / std::log(2.0f / 6.0f);
    EXPECT_FLOAT_EQ(ap[0], std::sqrt(lambda) * a[0]);
}

TEST(Contprfl, RoundTripReturnsTheCoefficients) {
    const float a[5] = {-45.2f, 12.1f, -3.3f, 0.8f, -0.2f};
    float mid[5], back[5];
    CONTPRFL(5, 3.0f, 7.5f, a, 5.0f, mid);
    CONTPRFL(5, 5.0f, 7.5f, mid, 3.0f, back);
    for (int j = 0; j < 5; ++j) EXPECT_NEAR(back[j], a[j], 1e-3f * (1.0f + std::fabs(a[j])));
}

TEST(Contprfl, InPlaceAndDegenerateRangesStayFinite) {
    float a[5] = {-10.0f, 2.0f, 0.5f, 0.0f, 0.0f};
    const float expect_first = std::sqrt(std::log(4.0f / 6.0f) / std::log(2.0f / 6.0f));
    float b[5] = {-10.0f, 0.0f, 0.0f, 0.0f, 0.0f};
    CONTPRFL(1, 2.0f, 6.0f, b, 4.0f, b);  // AP may be A
    EXPECT_FLOAT_EQ(b[0], -10.0f * expect_first);

    struct Case {
        float f1, f0, f2;
    } cases[] = {{6.0f, 6.0f, 3.0f}, {0.0f, 6.0f, 3.0f}, {2.0f, 6.0f, -1.0f}, {2.0f, 6.0f, 7.0f}};
    for (const Case& c : cases) {
        float ap[5];
        CONTPRFL(3, c.f1, c.f0, a, c.f2, ap);
        for (int j = 0; j < 3; ++j) EXPECT_EQ(ap[j], a[j]) << c.f1 << " " << c.f0 << " " << c.f2;
    }
    // The new start at the end frequency collapses the curve to zero height.
    float ap[5];
    CONTPRFL(3, 2.0f, 6.0f, a, 6.0f, ap);
    for (int j = 0; j < 3; ++j) EXPECT_EQ(ap[j], 0.0f);
}

TEST(Contprfl, MoreThanFiveTermsIsCutToTheTables) {
    ReexpMatrix tl;
    SETLAMPT(7, 0.5f, tl);
    EXPECT_FLOAT_EQ(tl(5, 5), std::sqrt(0.5f) * 0.0625f);
    float a[8] = {1, 1, 1, 1, 1, 1, 1, 1}, ap[8] = {9, 9, 9, 9, 9, 9, 9, 9};
    CONTPRFL(8, 2.0f, 6.0f, a, 3.0f, ap);
    EXPECT_EQ(ap[5], 9.0f);
    EXPECT_TRUE(std::isfinite(ap[4]));
}

TEST(Contprfl, TablesAreInverse) {
    for (int i = 1; i <= 5; ++i)
        for (int j = 1; j <= 5; ++j) {
            float sum = 0.0f;
            for (int k = 1; k <= 5; ++k) sum += TPC(i, k) * TCP(k, j);
            EXPECT_FLOAT_EQ(sum, i == j ? 1.0f : 0.0f) << i << "," << j;
        }
}

// The kept basis change serves only the same term count and range: calls
// in any order give the floats of a fresh run.
TEST(Contprfl, KeptBasisChangeServesOnlyItsOwnRange) {
    struct Call {
        int16_t nn;
        float f1, f0, f2;
    };
    const Call calls[] = {{5, 2.0f, 8.0f, 5.0f}, {5, 2.0f, 8.0f, 5.5f}, {4, 2.0f, 8.0f, 5.0f},
                          {5, 2.0f, 7.0f, 5.0f}, {5, 2.5f, 8.0f, 5.0f}, {3, 0.2f, 3.0f, 2.0f}};
    const float a[5] = {-120.0f, 14.0f, -3.5f, 0.9f, -0.2f};
    auto fresh = [&](const Call& c) {
        reset_run_state();
        float ap[5] = {};
        CONTPRFL(c.nn, c.f1, c.f0, a, c.f2, ap);
        return std::bit_cast<std::array<uint32_t, 5>>(ap);
    };
    std::mt19937 rng(3);
    std::vector<size_t> order;
    std::vector<std::array<uint32_t, 5>> got;
    reset_run_state();
    for (int i = 0; i < 200; ++i) {
        order.push_back(rng() % std::size(calls));
        const Call& c = calls[order.back()];
        float ap[5] = {};
        CONTPRFL(c.nn, c.f1, c.f0, a, c.f2, ap);
        got.push_back(std::bit_cast<std::array<uint32_t, 5>>(ap));
    }
    for (size_t i = 0; i < order.size(); ++i)
        EXPECT_EQ(got[i], fresh(calls[order[i]])) << "call " << i << " of kind " << order[i];
}

// SETS builds each entry as the sum over k = i..j of TPC(i,k)*TL(k,k)*TCP(k,j),
// left to right from 0; an unrolled form must keep those floats, and the
// zeros outside the leading triangle.
TEST(Contprfl, BasisChangeMatrixIsTheTripleSumTermByTerm) {
    std::mt19937 rng(7);
    std::uniform_real_distribution<float> uni(0.0f, 1.0f);
    for (int trial = 0; trial < 200; ++trial) {
        const int16_t nn = int16_t(1 + trial % 5);
        const float lambda = trial % 10 == 0 ? 1.0f : 0.05f + 1.9f * uni(rng);
        ReexpMatrix TL, S;
        SETLAMPT(nn, lambda, TL);
        S.fill(-1.0f);
        SETS(nn, TL, S);
        for (int i = 1; i <= MAXREEXP; ++i)
            for (int j = 1; j <= MAXREEXP; ++j) {
                float ref = 0.0f;
                if (i <= j && j <= nn) {
                    for (int k = i; k <= j; ++k) ref += TPC(i, k) * TL(k, k) * TCP(k, j);
                }
                EXPECT_EQ(std::bit_cast<uint32_t>(S(i, j)), std::bit_cast<uint32_t>(ref))
                    << "nn " << nn << " lambda " << lambda << " (" << i << "," << j << ")";
            }
    }
}

}  // namespace
}  // namespace kolm
