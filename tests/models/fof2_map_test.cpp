// The foF2 map synthesis, one coefficient at a time.
#include <gtest/gtest.h>

#include <cmath>

#include "models/fof2_map.h"

namespace kolm {
namespace {

constexpr double UMR = 0.0174532925;

// A set with the single coefficient E(k,i) = 1.
UrsiSet single(int k, int i) {
    UrsiSet e{};
    e.fill(0.0f);
    e(k, i) = 1.0f;
    return e;
}

TEST(F2out, EachCoefficientHasItsOwnTerm) {
    const float modip = 40.0f, lat = 35.0f, lon = 60.0f, ut = 7.5f;
    const double hou = (15.0 * ut - 180.0) * UMR;
    const double ss = std::sin(modip * UMR), sc = std::cos(lat * UMR), rl = lon * UMR;
    struct {
        const char* why;
        int k, i;
        double value;
    } cases[] = {
        {"constant", 1, 1, 1.0},
        {"first sine harmonic", 2, 1, std::sin(hou)},
        {"first cosine harmonic", 3, 1, std::cos(hou)},
        {"sixth sine harmonic", 12, 1, std::sin(6 * hou)},
        {"sixth cosine harmonic", 13, 1, std::cos(6 * hou)},
        {"sin(modip)", 1, 2, ss},
        {"sin(modip)^11", 1, 12, std::pow(ss, 11)},
        {"order 1 cosine", 1, 13, sc * std::cos(rl)},
        {"order 1 sine", 1, 14, sc * std::sin(rl)},
        {"order 1 cosine, modip power 1", 1, 15, ss * sc * std::cos(rl)},
        {"order 2 first term", 1, 37, sc * sc * std::cos(2 * rl)},
        {"order 5 only term", 1, 69, std::pow(sc, 5) * std::cos(5 * rl)},
        {"order 8 sine, last coefficient", 1, 76, std::pow(sc, 8) * std::sin(8 * rl)},
        {"harmonic times geography", 4, 14, std::sin(2 * hou) * sc * std::sin(rl)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        float fof2 = -1.0f;
        F2OUT(modip, lat, lon, single(c.k, c.i), ut, fof2);
        EXPECT_NEAR(fof2, c.value, 1e-6);
    }
}

}  // namespace
}  // namespace kolm
