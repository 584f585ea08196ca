// Magnetic field model at a point above the Earth.
#pragma once

namespace kolm {

// POGO 68/10 Legendre field model (maximum degree 11), epoch 1973.
//
// Given:   LAT, LON  geodetic latitude and longitude, degrees (east positive;
//                    any longitude form works, it enters through sin and cos)
//          HEIGHT    altitude above the ellipsoid, km
// Returned: X, Y, Z  north, east and downward components, gauss
//          F         total intensity, gauss
//          DIP       inclination asin(Z/F), degrees
//          DEC       declination asin(Y/sqrt(X^2+Y^2)), degrees
//          MODIP     modified dip asin(DIP/sqrt(DIP^2 + cos LAT)), DIP in radians, degrees
// Notes:   each asin argument is clamped to [-1, 1]; computed in 32-bit reals.
void FIELDG(float LAT, float LON, float HEIGHT, float& X, float& Y, float& Z, float& F, float& DIP,
            float& DEC, float& MODIP);

}  // namespace kolm
