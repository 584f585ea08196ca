// Checks of the test's own forward model against closed forms.
#include "inversion/synthetic_ionogram.h"

#include <gtest/gtest.h>

#include <cmath>

namespace kolm::synth {
namespace {

TEST(SyntheticIonogram, ParabolicLayerWithoutFieldHasTheClosedForm) {
    Ionosphere ion;
    ion.layers = {{Layer::PARABOLIC, 5.0, 250.0, 80.0}};
    ion.base = 100.0;
    // h' = h0 + (ym/2)(f/fc) ln((1 + f/fc)/(1 - f/fc)), h0 = hm - ym.
    for (double f : {1.0, 2.5, 4.0, 4.8, 4.99}) {
        const double x = f / 5.0;
        const double expect = 170.0 + 40.0 * x * std::log((1.0 + x) / (1.0 - x));
        EXPECT_NEAR(ion.virtual_height(f), expect, 1e-5) << f;
        EXPECT_NEAR(ion.reflection_height(f), 250.0 - 80.0 * std::sqrt(1.0 - x * x), 1e-8);
    }
    EXPECT_LT(ion.virtual_height(5.01), 0.0);
}

TEST(SyntheticIonogram, GroupIndexIsTheFrequencyDerivativeOfTheGroupPath) {
    // Without field mu' = 1/n = 1/sqrt(1 - X).
    EXPECT_NEAR(group_index(5.0, 16.0, 0.0, 0.0), 1.0 / std::sqrt(1.0 - 16.0 / 25.0), 1e-12);
    // With field: against a finite difference of f*n.
    for (double dip : {0.3, 1.0, 1.4}) {
        const double f = 4.0, fn2 = 9.0, fh = 1.3, h = 1e-5;
        const double fd = ((f + h) * phase_index(f + h, fn2, fh, dip) - (f - h) * phase_index(f - h, fn2, fh, dip)) /
                          (2.0 * h);
        EXPECT_NEAR(group_index(f, fn2, fh, dip), fd, 1e-7) << dip;
    }
    // The ordinary wave reflects at X = 1 whatever the field.
    EXPECT_GT(phase_index(3.0, 8.99, 1.2, 1.0), 0.0);
    EXPECT_LT(phase_index(3.0, 8.99999, 1.2, 1.0), 2e-3);
}

TEST(SyntheticIonogram, PeaksOfLayerSum) {
    Ionosphere ion;
    ion.layers = {{Layer::CHAPMAN, 3.0, 110.0, 9.0}, {Layer::CHAPMAN, 8.0, 300.0, 50.0}};
    const auto p = ion.peaks();
    ASSERT_EQ(p.size(), 2u);
    EXPECT_NEAR(p[0].first, 110.0, 0.5);
    EXPECT_NEAR(p[1].first, 300.0, 0.5);
    EXPECT_NEAR(p[1].second, 8.0, 0.01);
}

}  // namespace
}  // namespace kolm::synth
