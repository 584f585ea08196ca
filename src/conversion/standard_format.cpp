// STANDARD records from a unit: header, constants, date and the three blocks.
#include "conversion/standard_format.h"

#include <algorithm>
#include <string_view>

#include "blocks/numeric.h"
#include "blocks/text.h"
#include "conversion/regrid.h"
#include "models/calendar.h"
#include "notation/fixed_format.h"

namespace kolm {

namespace {

using fmt::IoStat;

// The date line's values checked; the four-digit year and day of year set.
bool date_ok(StdRecord& r) {
    if (r.JYR < 1) return false;
    int32_t jerr = 0;
    DATETODAY(r.JYR, r.JMON, r.JDAY, r.JYR4, r.JDOY, jerr);
    if (jerr != 0 || r.JDAY < 1) return false;
    if (r.JHR < 0 || r.JHR > 24 || r.JMIN < 0 || r.JMIN > 59 || r.JSEC < 0 || r.JSEC > 59) return false;
    // 24 h is the start of the next day, which the SAO time stamp can hold.
    if (r.JHR == 24) {
        r.JHR = 0;
        ++r.JDOY;
        if (r.JDOY > 365 + (leap_year(r.JYR4) ? 1 : 0)) {
            r.JDOY = 1;
            ++r.JYR4;
        }
    }
    return true;
}

// One block: critical frequency, then pairs until a line that is no pair.
StdRead read_block(int32_t unit, StdRecord& r, StdLayer& L, bool is_e, bool is_f2, const char* fc_what,
                   const char* trace_what) {
    float fc = 0.0f;
    const IoStat st = fmt::read_free(unit, {fc});
    if (st == IoStat::end) return {StdStatus::cut, fc_what};
    if (st != IoStat::ok) return {StdStatus::bad_line, fc_what};
    fc = std::min(fc, STD_ABSENT);
    if (is_e) fc = round_to(fc, 1000.0f);
    L.FC = fc;
    L.N = 0;
    L.NREAD = 0;
    for (;;) {
        float f = 0.0f, h = 0.0f;
        const IoStat ps = fmt::read_free(unit, {f, h});
        if (ps == IoStat::err) break;  // the closing line
        if (ps == IoStat::end) {
            if (is_f2) break;
            return {StdStatus::cut, trace_what};
        }
        GRIDDATA(f, h, r.FSTEP);
        ++L.NREAD;
        if (L.NREAD <= L.CAP) {
            L.N = L.NREAD;
            L.F(L.N) = f;
            L.H(L.N) = h;
        }
    }
    clean_block(L);
    return {StdStatus::record, nullptr};
}

}  // namespace

StdRead read_standard(int32_t unit, StdRecord& r) {
    std::string_view line;
    const IoStat ls = platform::read_line(unit, line);
    if (ls == IoStat::end) return {StdStatus::end, nullptr};
    if (ls != IoStat::ok) return {StdStatus::bad_line, "THE FIRST LINE OF A RECORD"};
    std::array<char, STD_TEXT> text;
    text.fill(' ');
    std::copy_n(line.begin(), std::min<std::size_t>(line.size(), STD_TEXT), text.begin());
    const std::string_view first(text.data(), text.size());

    int16_t d[6] = {0, 0, 0, 0, 0, 0};
    if (fmt::read_text_free(first, {d[0], d[1], d[2], d[3], d[4], d[5]}) != IoStat::ok) {
        // A header: constants and date line follow.
        float lat = 0.0f, lon = 0.0f, gyro = 0.0f, dip = 0.0f, ssn = 0.0f;
        const IoStat cs = fmt::read_free(unit, {lat, lon, gyro, dip, ssn});
        const bool blank = is_blank(first);
        if (cs == IoStat::end) return {blank ? StdStatus::end : StdStatus::cut, "THE STATION CONSTANTS"};
        if (cs != IoStat::ok) return {StdStatus::bad_line, "THE STATION CONSTANTS"};
        r.TEXT = text;
        r.CONST(1) = gyro;
        r.CONST(2) = dip;
        r.CONST(3) = lat;
        r.CONST(4) = lon;
        r.CONST(5) = ssn;
        r.HEADER = true;
        const IoStat ds = fmt::read_free(unit, {d[0], d[1], d[2], d[3], d[4], d[5]});
        if (ds == IoStat::end) return {StdStatus::cut, "THE DATE LINE"};
        if (ds != IoStat::ok) return {StdStatus::bad_line, "THE DATE LINE"};
    }
    r.JYR = d[0];
    r.JMON = d[1];
    r.JDAY = d[2];
    r.JHR = d[3];
    r.JMIN = d[4];
    r.JSEC = d[5];
    if (!date_ok(r)) return {StdStatus::bad_date, "THE DATE"};

    r.FSTEP = STD_NOSTEP;
    r.E.CAP = STD_CAP_E;
    r.F1.CAP = STD_CAP_F1;
    r.F2.CAP = STD_CAP_F2;
    StdRead b = read_block(unit, r, r.E, true, false, "THE E CRITICAL FREQUENCY", "THE E TRACE");
    if (b.status == StdStatus::record)
        b = read_block(unit, r, r.F1, false, false, "THE F1 CRITICAL FREQUENCY", "THE F1 TRACE");
    if (b.status == StdStatus::record)
        b = read_block(unit, r, r.F2, false, true, "THE F2 CRITICAL FREQUENCY", "THE F2 TRACE");
    return b;
}

}  // namespace kolm
