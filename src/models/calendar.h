// Calendar of the record dates: leap years and the month of a day of year.
#pragma once

#include <cstdint>

#include "blocks/farray.h"

namespace kolm {

// Day of year at the end of each month of a common year.
extern const FArray<int16_t, 12> NDAYS;

// Gregorian rule: divisible by 4, except by 100, except by 400.
bool leap_year(int16_t IYR4);

// Month (1..12) and day of month of day of year IDAY (1..366) in year IYR4.
// Day 366 of a common year has no month of its own; it is taken as day 32 of
// December rather than left without a month.
void month_of_day(int16_t IYR4, int16_t IDAY, int16_t& MONTH, int16_t& MDAY);

}  // namespace kolm
