// foF2 from the CCIR numerical map of the month.
#pragma once

#include <cstdint>

#include "blocks/farray.h"

namespace kolm {

inline constexpr int URSI_FOURIER = 13;     // Fourier coefficients per geographic coefficient
inline constexpr int URSI_GEOGRAPHIC = 76;  // geographic coefficients
inline constexpr int URSI_ORDERS = 9;       // longitude orders 0..8

// A coefficient set E(k,i), Fourier coefficient k of geographic coefficient i.
using UrsiSet = FArray2<float, URSI_FOURIER, URSI_GEOGRAPHIC>;

// Series lengths of the foF2 map per longitude order 0..8.
extern const FArray<int32_t, URSI_ORDERS> FOF2_SERIES;

// foF2 (MHz) at modified dip MODIP, latitude LAT, east longitude LON (degrees)
// and universal time UT (hours) from the coefficient set E interpolated for
// the sunspot number.
void F2OUT(float MODIP, float LAT, float LON, const UrsiSet& E, float UT, float& FOF2);

// Value of a numerical map: Fourier series in universal time (IHARM harmonics)
// of M geographic functions of modified dip, latitude and longitude, K1 orders
// in longitude with series lengths NQ(1..K1). The set holds MM coefficients
// per geographic function, M3 = M x MM in all. Sums in 64-bit reals.
float GAMMA1(float SMODIP, float SLAT, float SLONG, float HOUR, int32_t IHARM, const FArray<int32_t, URSI_ORDERS>& NQ,
             int32_t K1, int32_t M, int32_t MM, int32_t M3, const UrsiSet& SFE);

}  // namespace kolm
