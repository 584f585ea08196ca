// Months of the year from the day count.
#include "models/calendar.h"

namespace kolm {

const FArray<int16_t, 12> NDAYS = {{31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334, 365}};

bool leap_year(int16_t IYR4) { return (IYR4 % 4 == 0 && IYR4 % 100 != 0) || IYR4 % 400 == 0; }

void month_of_day(int16_t IYR4, int16_t IDAY, int16_t& MONTH, int16_t& MDAY) {
    const int16_t leap = leap_year(IYR4) ? 1 : 0;
    if (IDAY <= 31) {
        MONTH = 1;
        MDAY = IDAY;
        return;
    }
    // Walk down from December while the month still ends on or after IDAY; the
    // leap day counts from February on.
    MONTH = 12;
    for (int16_t i = 12; i >= 2; --i) {
        if (NDAYS(i) + leap < IDAY) break;
        MONTH = i;
    }
    MDAY = int16_t(IDAY - NDAYS(MONTH - 1) - (MONTH > 2 ? leap : 0));
}

}  // namespace kolm
