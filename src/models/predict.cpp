// Critical-frequency predictions: foE after Kouris and Muggleton, foF1 after
// Ducharme et al., foF2 from the URSI coefficient maps of the month.
#include "models/predict.h"

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "blocks/peltarscale.h"
#include "blocks/peltartrueh.h"
#include "blocks/run_state.h"
#include "models/calendar.h"
#include "models/field_model.h"
#include "models/fof2_map.h"
#include "models/layer_formulas.h"
#include "models/solar_position.h"
#include "models/sunspot.h"
#include "notation/fixed_format.h"
#include "platform/console.h"
#include "platform/data_files.h"
#include "platform/text_units.h"

namespace kolm {

namespace {

constexpr float UMR = 0.0174532925f;  // degrees to radians
constexpr float NO_FOF1 = 999.9f;
constexpr float MAX_INDEXED_FOF1 = 20.0f;  // MHz; a higher foF1 gets no frequency index
constexpr int URSI_VALUES = 2 * URSI_FOURIER * URSI_GEOGRAPHIC;
constexpr int32_t DATA_UNIT = 4;

// One blank column and four values per line, 494 lines.
const fmt::Format URSI_ASC_FORMAT("(1X,4E15.8)");

// To 0.001 MHz, halves away from zero.
float round_mhz(float f) { return std::round(f * 1000.0f) / 1000.0f; }

// Into [0, 24) by one addition or subtraction of 24.
float wrap_hours(float t) {
    if (t < 0.0f) return t + 24.0f;
    if (t >= 24.0f) return t - 24.0f;
    return t;
}

// Local sunrise or sunset into universal time; the no-event codes stay.
float to_universal(float local, float lon) {
    if (local < 0.0f || local >= 24.0f) return local;
    return wrap_hours(local - lon / 15.0f);
}

// The month's coefficient file name with the given extension.
std::string ursi_name(int16_t month, const char* ext) {
    char name[16];
    std::snprintf(name, sizeof name, "URSI%02d.%s", month + 10, ext);
    return name;
}

// The file values of the month read last, so that the later records of a
// month take them without reading the file again (the interpolation
// overwrites D(.,.,1) in URSICF). MONTH 0: none.
struct UrsiCache {
    int16_t MONTH;
    float V[URSI_VALUES];
};
UrsiCache URSICACHE;
const RunStateReset reset_ursi_cache([] { URSICACHE.MONTH = 0; });

// The values in file order into URSICF: D(.,.,1) then D(.,.,2).
void store(const float* v) {
    std::copy(v, v + URSI_VALUES / 2, URSICF.D1.data());
    std::copy(v + URSI_VALUES / 2, v + URSI_VALUES, URSICF.D2.data());
}

// The cache's values from the binary file: 0 done, else the failure status.
int32_t read_binary(const std::string& path) {
    static_assert(sizeof(float) == 4);
    unsigned char bytes[4 * URSI_VALUES];
    const int st = platform::read_file_bytes(path, bytes, sizeof bytes);
    if (st != 0) return st < 0 ? int32_t(EIO) : int32_t(st);
    for (int n = 0; n < URSI_VALUES; ++n) {
        const unsigned char* b = bytes + 4 * n;
        const uint32_t u = uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24;
        URSICACHE.V[n] = std::bit_cast<float>(u);
    }
    return 0;
}

// The cache's values from the text file: 0 done, else the open or read status.
int32_t read_text(const std::string& path) {
    const int op = platform::open_unit(DATA_UNIT, path, platform::UnitMode::read);
    if (op != 0) return op;
    const fmt::IoStat st = fmt::read(DATA_UNIT, URSI_ASC_FORMAT, {fmt::InItem(URSICACHE.V, URSI_VALUES)});
    platform::close_unit(DATA_UNIT);
    if (st != fmt::IoStat::ok) return st == fmt::IoStat::end ? int32_t(EIO) : int32_t(st);
    return 0;
}

// The month's file values into the cache; the binary file is preferred. A
// file that cannot be read whole counts as missing. 0 done, else the status
// of the last file tried.
int32_t read_month(int16_t month) {
    std::string path = platform::find_data_file(ursi_name(month, "BIN"));
    if (!path.empty() && read_binary(path) == 0) return 0;
    path = platform::find_data_file(ursi_name(month, "ASC"));
    if (path.empty()) return ENOENT;
    return read_text(path);
}

// The month's coefficients into URSICF, read from its file once per run of
// records of that month.
int32_t load_coefficients(int16_t month) {
    if (month < 1 || month > 12) return ENOENT;
    if (URSICACHE.MONTH != month) {
        URSICACHE.MONTH = 0;
        const int32_t ierr = read_month(month);
        if (ierr != 0) return ierr;
        URSICACHE.MONTH = month;
    }
    store(URSICACHE.V);
    return 0;
}

}  // namespace

void CALPREDF(float LAT, float LON, int16_t MONTH, int16_t IDAY, int16_t IHR, int16_t MINU, int16_t ISEC, float RSSN,
              int16_t IDEBUG, float& SRISE, float& SSET, float& XNOON, float& FOE, float& FOF1, float& FOF2,
              int32_t& IERR) {
    (void)IDEBUG;

    // Universal and local mean time.
    const float ut = float(IHR) + float(MINU) / 60.0f + float(ISEC) / 3600.0f;
    const float lt = wrap_hours(ut + LON / 15.0f);

    // Zenith angle now, then at local noon with the day's sunrise and sunset.
    float declin, xhi, sunrise, sunset;
    SOCO(IDAY, lt, LAT, LON, declin, xhi, sunrise, sunset);
    SOCO(IDAY, 12.0f, LAT, LON, declin, XNOON, sunrise, sunset);
    SRISE = to_universal(sunrise, LON);
    SSET = to_universal(sunset, LON);

    // Solar activity, capped for foE and foF2.
    const float r = std::fmin(RSSN, 150.0f);
    const float cov = 63.75f + r * (0.728f + 0.00089f * r);

    FOE = round_mhz(FOEPIRI(cov, xhi, XNOON, std::fabs(LAT)));

    // Night: the sun has not risen or has set (local times of the noon call).
    bool night;
    if (std::fabs(sunrise) > 25.0f)
        night = sunrise < 0.0f;
    else if (sunset < sunrise)
        night = lt > sunset && lt < sunrise;
    else
        night = lt > sunset || lt < sunrise;

    // Dip and modified dip at 300 km; dip latitude.
    float x, y, z, f, dip, dec, modip;
    FIELDG(LAT, LON, 300.0f, x, y, z, f, dip, dec, modip);
    const float diplat = std::atan(0.5f * std::tan(dip * UMR)) / UMR;

    FOF1 = NO_FOF1;
    if (!night) {
        FOF1 = round_mhz(FOF1ED(std::fabs(diplat), RSSN, xhi));
        if (FOF1 <= FOE) FOF1 = NO_FOF1;
    }

    // foF2 from the month's coefficients interpolated for the sunspot number.
    IERR = load_coefficients(MONTH);
    if (IERR != 0) return;
    const float w2 = r / 100.0f;
    const float w1 = 1.0f - w2;
    for (int i = 1; i <= URSI_GEOGRAPHIC; ++i)
        for (int k = 1; k <= URSI_FOURIER; ++k) URSICF.D1(k, i) = URSICF.D1(k, i) * w1 + URSICF.D2(k, i) * w2;
    F2OUT(modip, LAT, LON, URSICF.D1, ut, FOF2);
    FOF2 = round_mhz(FOF2);
}

namespace {

// Frequency index of f on the grid of step FQINCR; 9999 when there is none.
int16_t frequency_index(float f, float fqincr) {
    if (!(fqincr > 0.0f)) return NOPOINT;
    const float q = (fqincr / 2.0f + f) / fqincr;
    if (!(q >= -32768.0f && q < 32768.0f)) return NOPOINT;
    return int16_t(q);
}

}  // namespace

void PREDICT() {
    const float lat = SAOHDR.REALIN(1);
    const float lon = SAOHDR.REALIN(2);
    float rssn = float(OPTS.ISSN);

    // Four-digit year, month and day of month.
    if (TIMEBK.IYR4 == 0 || TIMEBK.IYR4 == TIMEBK.IYR) {
        int16_t y = TIMEBK.IYR;
        if (y < 1000) y = int16_t(y + (y <= 70 ? 2000 : 1900));
        TIMEBK.IYR4 = y;
    }
    month_of_day(TIMEBK.IYR4, TIMEBK.IDAY, TIMEBK.MONTH, TIMEBK.MDAY);

    // Monthly sunspot number on a change of year or month.
    if (TIMEBK.MONTH != PREDST.MONTH || TIMEBK.IYR4 != PREDST.IYR4) {
        PREDST.MONTH = TIMEBK.MONTH;
        PREDST.IYR4 = TIMEBK.IYR4;
        float ssn, dev;
        SSN_NOAA(TIMEBK.IYR4, TIMEBK.MONTH, ssn, dev);
        if (ssn >= 0.0f && (rssn <= 0.0f || rssn < ssn - dev || rssn > ssn + dev)) {
            OPTS.ISSN = int16_t(ssn);
            rssn = float(OPTS.ISSN);
        }
    }

    float srise, sset, xnoon, foe, fof1, fof2 = 0.0f;
    int32_t ierr = 0;
    CALPREDF(lat, lon, TIMEBK.MONTH, TIMEBK.IDAY, TIMEBK.IHR, TIMEBK.MINU, TIMEBK.ISEC, rssn, OPTS.IDEBUG, srise, sset,
             xnoon, foe, fof1, fof2, ierr);
    if (ierr != 0) platform::stop_program(" CAN NOT FIND THE URSI COEFFICIENT FILES!");

    DERPAR.FOEP = foe;
    DERPAR.FOF1P = fof1;
    DERPAR.FOF2P = fof2;
    DERPAR.SUNRISE = srise;
    DERPAR.SUNSET = sset;
    SAOHDR.REALIN(43) = foe;
    SAOHDR.REALIN(44) = fof1;
    SAOHDR.REALIN(46) = fof2;

    SCLCHR.IFOEP = frequency_index(foe, SCLCHR.FQINCR);
    SCLCHR.IFOF2P = frequency_index(fof2, SCLCHR.FQINCR);
    SCLCHR.IFOF1P = (fof1 <= MAX_INDEXED_FOF1) ? frequency_index(fof1, SCLCHR.FQINCR) : NOPOINT;

    SAOHDR.REALIN(96) = xnoon;
    SAOHDR.REALIN(97) = srise;
    SAOHDR.REALIN(98) = sset;
}

}  // namespace kolm
