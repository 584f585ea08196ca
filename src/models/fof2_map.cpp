// The CCIR foF2 map: Fourier series in universal time, Legendre-type series in
// modified dip, latitude and longitude.
#include "models/fof2_map.h"

#include <cassert>
#include <cmath>

#include "blocks/numeric.h"

namespace kolm {

namespace {
constexpr int MAXHARM = 6;            // harmonics the set has room for
constexpr int MAXPOW = 12;            // powers of sin(MODIP): 0..11
}  // namespace

const FArray<int32_t, URSI_ORDERS> FOF2_SERIES = {{11, 11, 8, 4, 1, 0, 0, 0, 0}};

void F2OUT(float MODIP, float LAT, float LON, const UrsiSet& E, float UT, float& FOF2) {
    FOF2 = GAMMA1(MODIP, LAT, LON, UT, 6, FOF2_SERIES, URSI_ORDERS, URSI_GEOGRAPHIC, URSI_FOURIER,
                  URSI_GEOGRAPHIC * URSI_FOURIER, E);
}

float GAMMA1(float SMODIP, float SLAT, float SLONG, float HOUR, int32_t IHARM, const FArray<int32_t, URSI_ORDERS>& NQ,
             int32_t K1, int32_t M, int32_t MM, int32_t M3, const UrsiSet& SFE) {
    assert(IHARM >= 0 && IHARM <= MAXHARM && 2 * IHARM + 1 <= MM && MM <= URSI_FOURIER);
    assert(M <= URSI_GEOGRAPHIC && M3 == M * MM && K1 >= 1 && K1 <= URSI_ORDERS);
    assert(NQ(1) + 1 <= MAXPOW);
    (void)MM;
    (void)M3;

    // Harmonics of the hour angle: S(j) = sin(j HOU), C(j) = cos(j HOU).
    const double hou = (15.0 * double(HOUR) - 180.0) * DTOR64;
    double s[MAXHARM + 1] = {}, c[MAXHARM + 1] = {};
    s[1] = std::sin(hou);
    c[1] = std::cos(hou);
    for (int j = 2; j <= IHARM; ++j) {
        c[j] = c[1] * c[j - 1] - s[1] * s[j - 1];
        s[j] = c[1] * s[j - 1] + s[1] * c[j - 1];
    }

    // Geographic coefficients at this hour.
    double coef[URSI_GEOGRAPHIC + 1] = {};
    for (int i = 1; i <= M; ++i) {
        double sum = SFE(1, i);
        for (int j = 1; j <= IHARM; ++j) sum += double(SFE(2 * j, i)) * s[j] + double(SFE(2 * j + 1, i)) * c[j];
        coef[i] = sum;
    }

    // Order 0: powers of sin(MODIP).
    const double ss = std::sin(double(SMODIP) * DTOR64);
    double x[MAXPOW + 1] = {};
    x[1] = 1.0;
    double sum = coef[1];
    for (int j = 1; j <= NQ(1); ++j) {
        x[j + 1] = ss * x[j];
        sum += coef[1 + j] * x[j + 1];
    }

    // Orders 1..K1-1 in longitude, weighted by cos(LAT)^m.
    const double sc = std::cos(double(SLAT) * DTOR64);
    const double rlon = double(SLONG) * DTOR64;
    int np = NQ(1) + 1;
    double scm = 1.0;
    for (int m = 1; m < K1; ++m) {
        scm *= sc;
        const double cm = scm * std::cos(m * rlon);
        const double sm = scm * std::sin(m * rlon);
        for (int l = 1; l <= NQ(m + 1) + 1; ++l) {
            assert(np + 2 <= M && l <= NQ(1) + 1);
            sum += coef[np + 1] * x[l] * cm + coef[np + 2] * x[l] * sm;
            np += 2;
        }
    }
    return float(sum);
}

}  // namespace kolm
