// Solar position for the zenith angle and the local sunrise and sunset.
#include "models/solar_position.h"

#include <algorithm>
#include <cmath>

#include "blocks/numeric.h"

namespace kolm {

namespace {

constexpr float HOUR_ANGLE = 0.2617994f;   // radians per hour
// Harmonics of the year, radians per day.
constexpr float P1 = 0.017203534f;
constexpr float P2 = 0.034407068f;
constexpr float P3 = 0.051610602f;
constexpr float P4 = 0.068814136f;
constexpr float P6 = 0.103221204f;
constexpr float HORIZON_ZENITH = 90.83f;   // refraction and solar radius included
constexpr float NO_SECANT = 999999.0f;     // stand-in for 1/cos PHI0 when cos PHI0 is 0

}  // namespace

void SOCO(int16_t IDAY, float T, float LAT, float LON, float& DECLIN, float& ZENITH, float& SUNRISE,
          float& SUNSET) {
    // Day count from west longitude.
    const float wlon = 360.0f - LON;
    const float td = float(IDAY) + (T + wlon / 15.0f) / 24.0f;
    const float te = td + 0.9369f;

    // Declination.
    DECLIN = 23.256f * std::sin(P1 * (te - 82.242f)) + 0.381f * std::sin(P2 * (te - 44.855f)) +
             0.167f * std::sin(P3 * (te - 23.355f)) - 0.013f * std::sin(P4 * (te + 11.97f)) +
             0.011f * std::sin(P6 * (te - 10.41f)) + 0.339137f;
    const float dc = DECLIN * DTOR;

    // Equation of time, minutes, then radians.
    const float tf = te - 0.5f;
    const float eqt = -7.38f * std::sin(P1 * (tf - 4.0f)) - 9.87f * std::sin(P2 * (tf + 9.0f)) +
                      0.27f * std::sin(P3 * (tf - 53.0f)) - 0.2f * std::cos(P4 * (tf - 17.0f));
    const float et = eqt * DTOR / 4.0f;

    // Zenith angle.
    const float rlat = LAT * DTOR;
    const float a = std::sin(rlat) * std::sin(dc);
    const float b = std::cos(rlat) * std::cos(dc);
    const float phi = HOUR_ANGLE * (T - 12.0f) + et;
    const float cosx = std::clamp(a + b * std::cos(phi), -1.0f, 1.0f);
    ZENITH = std::acos(cosx) / DTOR;

    // Horizon crossing. At the poles B is 0 or, through rounding, slightly
    // negative; the sun's height is then the same all day and sets the code.
    const float ch = std::cos(HORIZON_ZENITH * DTOR);
    if (b <= 0.0f) {
        SUNRISE = SUNSET = (a > ch) ? SUN_NEVER_SETS : SUN_NEVER_RISES;
        return;
    }
    float cosphi0 = (ch - a) / b;
    const float secphi = (cosphi0 != 0.0f) ? 1.0f / cosphi0 : NO_SECANT;
    if (secphi > -1.0f && secphi <= 0.0f) {
        SUNRISE = SUNSET = SUN_NEVER_SETS;
        return;
    }
    if (secphi > 0.0f && secphi < 1.0f) {
        SUNRISE = SUNSET = SUN_NEVER_RISES;
        return;
    }
    cosphi0 = std::min(cosphi0, 1.0f);
    const float phi0 = std::acos(cosphi0) / HOUR_ANGLE;
    const float eth = et / HOUR_ANGLE;
    SUNRISE = 12.0f - phi0 - eth;
    SUNSET = 12.0f + phi0 - eth;
    if (SUNRISE < 0.0f) SUNRISE += 24.0f;
    if (SUNSET >= 24.0f) SUNSET -= 24.0f;
}

}  // namespace kolm
