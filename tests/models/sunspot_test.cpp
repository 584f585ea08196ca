// Monthly sunspot numbers: the regression, the history file and the
// prediction of the months after the last measured one.
#include <gtest/gtest.h>

#include "models/sunspot.h"

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

}  // namespace
}  // namespace kolm
