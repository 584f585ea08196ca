// Solar declination, zenith angle, sunrise and sunset at ground level.
#pragma once

#include <cstdint>

namespace kolm {

// Sunrise/sunset code when the sun stays above the horizon all day.
inline constexpr float SUN_NEVER_SETS = 99.0f;
// Sunrise/sunset code when the sun stays below the horizon all day.
inline constexpr float SUN_NEVER_RISES = -99.0f;

// Solar position after Newbern Smith's algorithm.
//
// Given:   IDAY      day of year
//          T         local mean solar time, hours
//          LAT, LON  geographic latitude and longitude, degrees (east positive)
// Returned: DECLIN   solar declination, degrees
//          ZENITH    solar zenith angle, degrees
//          SUNRISE, SUNSET  local mean times of the sun at 90.83 degrees zenith,
//                    hours in [0, 24); both SUN_NEVER_SETS or both
//                    SUN_NEVER_RISES when there is no such event that day
// Notes:   the longitude enters the day count as 360 - LON, so a negative
//          longitude counts one day later than the same place written as
//          LON + 360. At the poles (cos LAT not above 0 in 32-bit reals) the
//          event code follows from the declination alone.
void SOCO(int16_t IDAY, float T, float LAT, float LON, float& DECLIN, float& ZENITH, float& SUNRISE,
          float& SUNSET);

}  // namespace kolm
