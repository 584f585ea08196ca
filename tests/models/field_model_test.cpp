// Field model against reference values of the published 1973 model at 300 km.
#include <gtest/gtest.h>

#include <cmath>

#include "models/field_model.h"

namespace kolm {
namespace {

struct FieldCase {
    const char* why;
    float lat, lon, x, y, z, f, dip, dec, modip;
};

constexpr FieldCase kFieldCases[] = {
    {"origin", 0.00f, 0.00f, 0.2392454f, -0.0430756f, -0.1016881f, 0.2635040f, -22.7001f, -10.2066f, -21.6130f},
    {"dip equator, east lon", -12.00f, 283.20f, 0.2404957f, 0.0196132f, 0.0116804f, 0.2415767f, 2.7714f, 4.6623f, 2.7999f},
    {"dip equator, west lon", -12.00f, -76.80f, 0.2404957f, 0.0196132f, 0.0116804f, 0.2415767f, 2.7714f, 4.6623f, 2.7999f},
    {"dip equator, Atlantic", -4.00f, 320.00f, 0.2209173f, -0.0808737f, 0.0039652f, 0.2352886f, 0.9656f, -20.1067f, 0.9667f},
    {"dip equator, India", 9.50f, 77.00f, 0.3390608f, -0.0178727f, 0.0065037f, 0.3395938f, 1.0974f, -3.0174f, 1.1048f},
    {"dip equator, Pacific", 9.00f, 167.20f, 0.2887169f, 0.0425196f, 0.0388498f, 0.2944057f, 7.5829f, 8.3778f, 7.5854f},
    {"mid north, America", 40.00f, 255.00f, 0.1808998f, 0.0396841f, 0.4458125f, 0.4827507f, 67.4408f, 12.3730f, 53.3663f},
    {"mid north, Europe", 52.00f, 0.00f, 0.1652867f, -0.0211286f, 0.3861301f, 0.4205503f, 66.6577f, -7.2846f, 56.0027f},
    {"auroral", 70.00f, 20.00f, 0.0990763f, 0.0012974f, 0.4550073f, 0.4656710f, 77.7148f, 0.7502f, 66.6759f},
    {"polar cap", 78.00f, 15.00f, 0.0697639f, -0.0051383f, 0.4749880f, 0.4801114f, 81.6221f, -4.2124f, 72.2513f},
    {"near pole", 89.90f, 0.00f, 0.0148032f, -0.0152037f, 0.4999638f, 0.5004140f, 87.5695f, -45.7647f, 88.4344f},
    {"mid south, Africa", -34.00f, 18.50f, 0.1057803f, -0.0449153f, -0.2350330f, 0.2616245f, -63.9434f, -23.0065f, -50.7905f},
    {"South Atlantic anomaly", -30.00f, 300.00f, 0.1952547f, -0.0089256f, -0.0952796f, 0.2174449f, -25.9877f, -2.6173f, -25.9843f},
    {"mid south, Pacific", -45.00f, 170.00f, 0.1645146f, 0.0659286f, -0.4912997f, 0.5222902f, -70.1634f, 21.8382f, -55.5234f},
    {"mid north, Asia", 35.00f, 135.00f, 0.2666174f, -0.0236504f, 0.3018304f, 0.4034176f, 48.4333f, -5.0692f, 43.0449f},
    {"high south", -60.00f, 300.00f, 0.1902563f, 0.0355594f, -0.2707919f, 0.3328516f, -54.4444f, 10.5866f, -53.3456f},
    {"Antarctic", -75.00f, 0.00f, 0.1533519f, -0.0601185f, -0.3695863f, 0.4046296f, -65.9787f, -21.4067f, -66.1646f},
};

TEST(Fieldg, MatchesReferenceCasesAt300Km) {
    for (const FieldCase& c : kFieldCases) {
        SCOPED_TRACE(c.why);
        float x, y, z, f, dip, dec, modip;
        FIELDG(c.lat, c.lon, 300.0f, x, y, z, f, dip, dec, modip);
        EXPECT_NEAR(x, c.x, 2e-6f);
        EXPECT_NEAR(y, c.y, 2e-6f);
        EXPECT_NEAR(z, c.z, 2e-6f);
        EXPECT_NEAR(f, c.f, 2e-6f);
        EXPECT_NEAR(dip, c.dip, 1e-3f);
        EXPECT_NEAR(dec, c.dec, 3e-3f);
        EXPECT_NEAR(modip, c.modip, 1e-3f);
    }
}

TEST(Fieldg, AnglesStayFiniteAtThePoles) {
    for (float lat : {90.0f, -90.0f}) {
        float x, y, z, f, dip, dec, modip;
        FIELDG(lat, 0.0f, 300.0f, x, y, z, f, dip, dec, modip);
        EXPECT_TRUE(std::isfinite(dip) && std::isfinite(dec) && std::isfinite(modip)) << lat;
        EXPECT_GT(std::fabs(dip), 70.0f);
        EXPECT_GT(std::fabs(modip), 70.0f);
    }
}

}  // namespace
}  // namespace kolm
