// foE and foF1 formulas against reference values of the published routines.
#include <gtest/gtest.h>

#include <cmath>

#include "models/layer_formulas.h"

namespace kolm {
namespace {

TEST(Foepiri, MatchesReferenceCases) {
    struct {
        const char* why;
        float cov, xhi, xhim, alat, xhim_after, foe;
    } cases[] = {
        {"mid latitude day", 100.0f, 30.0f, 20.0f, 40.0f, 20.0f, 3.403115f},
        {"low latitude, solar minimum", 63.75f, 60.0f, 50.0f, 20.0f, 50.0f, 2.776856f},
        {"equatorial, high flux", 150.0f, 10.0f, 5.0f, 5.0f, 5.0f, 3.948454f},
        {"night floor", 120.0f, 120.0f, 40.0f, 50.0f, 40.0f, 0.459347f},
        {"noon angle past horizon", 70.0f, 95.0f, 92.0f, 78.0f, 89.999f, 0.767067f},
        {"latitude 32 takes second branch", 192.975f, 89.98f, 60.0f, 32.0f, 60.0f, 1.580351f},
        {"latitude 12 keeps SP 1.31", 90.0f, 45.0f, 30.0f, 12.0f, 30.0f, 3.216328f},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        float xhim = c.xhim;
        EXPECT_NEAR(FOEPIRI(c.cov, c.xhi, xhim, c.alat), c.foe, 2e-6f);
        EXPECT_EQ(xhim, c.xhim_after);
    }
}

TEST(Foepiri, NightFloorIsTheFourthRootOfSmin) {
    for (float cov : {63.75f, 120.0f, 192.975f}) {
        float xhim = 40.0f;
        const float smin = 0.121f + 0.0015f * (cov - 60.0f);
        EXPECT_NEAR(FOEPIRI(cov, 150.0f, xhim, 45.0f), std::sqrt(smin), 1e-6f) << cov;
    }
}

TEST(Fof1ed, MatchesReferenceCases) {
    struct {
        const char* why;
        float alat, r, xhi, fof1;
    } cases[] = {
        {"overhead sun, equator", 0.0f, 0.0f, 0.0f, 4.350000f},
        {"low latitude", 20.0f, 100.0f, 30.0f, 5.325763f},
        {"mid latitude", 45.0f, 50.0f, 40.0f, 4.612750f},
        {"sunspot number above 150", 60.0f, 200.0f, 50.0f, 5.493828f},
        {"high sunspot number", 10.0f, 150.0f, 30.0f, 5.803477f},
        {"sun too low", 30.0f, 100.0f, 65.0f, 0.0f},
        {"limit falls with R", 10.0f, 150.0f, 45.0f, 0.0f},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        EXPECT_NEAR(FOF1ED(c.alat, c.r, c.xhi), c.fof1, 2e-6f);
    }
}

TEST(Fof1ed, LimitAngleBeyondTheHorizonGivesNoValueNotNan) {
    // At dip latitude 90 a sunspot number of 600 puts the limit angle near 104 degrees.
    EXPECT_EQ(FOF1ED(90.0f, 600.0f, 95.0f), 0.0f);
    EXPECT_GT(FOF1ED(90.0f, 600.0f, 85.0f), 0.0f);
}

}  // namespace
}  // namespace kolm
