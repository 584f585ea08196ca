// Months and days of month from the day of year.
#include <gtest/gtest.h>

#include "models/calendar.h"

namespace kolm {
namespace {

TEST(Calendar, LeapYears) {
    EXPECT_TRUE(leap_year(2000));   // divisible by 400
    EXPECT_FALSE(leap_year(1900));  // by 100 only
    EXPECT_TRUE(leap_year(2024));
    EXPECT_FALSE(leap_year(2023));
}

TEST(Calendar, MonthAndDayOfMonth) {
    struct {
        int16_t year, day, month, mday;
    } cases[] = {
        {2001, 1, 1, 1},    {2001, 31, 1, 31},  {2000, 32, 2, 1},   {2000, 59, 2, 28},
        {2000, 60, 2, 29},  // leap day
        {2000, 61, 3, 1},   {1900, 60, 3, 1},   {2001, 60, 3, 1},   {2001, 59, 2, 28},
        {2001, 334, 11, 30}, {2001, 335, 12, 1}, {2001, 365, 12, 31}, {2000, 366, 12, 31},
        {2000, 335, 11, 30},
        {2001, 366, 12, 32},  // one past the end of a common year
    };
    for (const auto& c : cases) {
        int16_t month = 0, mday = 0;
        month_of_day(c.year, c.day, month, mday);
        EXPECT_EQ(month, c.month) << c.year << " day " << c.day;
        EXPECT_EQ(mday, c.mday) << c.year << " day " << c.day;
    }
}

}  // namespace
}  // namespace kolm
