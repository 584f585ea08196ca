// Critical-frequency predictions: foE after Kouris and Muggleton, foF1 after
// Ducharme et al., foF2 from the URSI coefficient maps of the month.
#include "models/predict.h"

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "blocks/numeric.h"
#include "blocks/peltarscale.h"
#include "blocks/peltartrueh.h"
#include "blocks/run_state.h"
#include "models/calendar.h"
#include "models/field_model.h"
#include "models/fof2_map.h"
#include "models/layer_formulas.h"
#include "models/model_files.h"
#include "models/solar_position.h"
#include "models/sunspot.h"
#include "notation/fixed_format.h"
#include "platform/console.h"
#include "platform/data_files.h"
#include "platform/text_units.h"

namespace kolm {

namespace {

constexpr float NO_FOF1 = 999.9f;
constexpr float MAX_INDEXED_FOF1 = 20.0f;  // MHz; a higher foF1 gets no frequency index
constexpr int URSI_VALUES = 2 * URSI_FOURIER * URSI_GEOGRAPHIC;
constexpr int32_t DATA_UNIT = 4;

// One blank column and four values per line, 494 lines.
const fmt::Format URSI_ASC_FORMAT("(1X,4E15.8)");

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

// Each month's coefficient files as read in this run: the values of each
// form, kept with the file's identity, and the values in use for the month
// of the last call (the interpolation overwrites D(.,.,1) in URSICF).
struct UrsiForm {
    ModelFile FILE;
    bool GOOD;  // the file held gave V
    float V[URSI_VALUES];
};
struct UrsiMonth {
    UrsiForm BIN, ASC;
};
struct UrsiCache {
    int16_t MONTH;       // month of the values in use; 0: none
    const float* USED;   // those values
    UrsiMonth M[12];
};
UrsiCache URSICACHE;
const RunStateReset reset_ursi_cache([] {
    URSICACHE.MONTH = 0;
    URSICACHE.USED = nullptr;
    for (UrsiMonth& m : URSICACHE.M)
        for (UrsiForm* f : {&m.BIN, &m.ASC}) {
            f->FILE = ModelFile{};
            f->GOOD = false;
        }
});

// The values in file order into URSICF: D(.,.,1) then D(.,.,2).
void store(const float* v) {
    std::copy(v, v + URSI_VALUES / 2, URSICF.D1.data());
    std::copy(v + URSI_VALUES / 2, v + URSI_VALUES, URSICF.D2.data());
}

// The values from the binary file of identity ID: 0 done, else the status
// of the failure with FAULT set.
int32_t read_binary(const std::string& path, const platform::FileIdentity& id, float* v, Fault& fault) {
    static_assert(sizeof(float) == 4);
    constexpr std::size_t NBYTES = 4 * URSI_VALUES;
    unsigned char bytes[NBYTES];
    const int st = platform::read_file_bytes(path, bytes, sizeof bytes);
    if (st > 0) {
        fault = {FileFault::unreadable, std::strerror(st)};
        return st;
    }
    if (st < 0) {
        if (id.size == 0)
            fault = {FileFault::empty, {}};
        else
            fault = {FileFault::truncated, std::to_string(id.size) + " OF " + std::to_string(NBYTES) + " BYTES"};
        return EIO;
    }
    for (int n = 0; n < URSI_VALUES; ++n) {
        const unsigned char* b = bytes + 4 * n;
        const uint32_t u = uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24;
        v[n] = std::bit_cast<float>(u);
    }
    if (!all_finite(v, URSI_VALUES)) {
        fault = {FileFault::not_finite, {}};
        return EIO;
    }
    return 0;
}

// The values from the text file, four to a line of 61 columns: 0 done, else
// the status of the failure with FAULT set.
int32_t read_text(const std::string& path, const platform::FileIdentity& id, float* v, Fault& fault) {
    constexpr int LINES = URSI_VALUES / 4;
    constexpr std::size_t COLUMNS = 1 + 4 * 15;
    const int op = platform::open_unit(DATA_UNIT, path, platform::UnitMode::read);
    if (op != 0) {
        fault = {FileFault::unreadable, std::strerror(op)};
        return op;
    }
    int32_t status = 0;
    for (int n = 1; n <= LINES && status == 0; ++n) {
        std::string_view line;
        const fmt::IoStat st = platform::read_line(DATA_UNIT, line);
        const std::string at = "LINE " + std::to_string(n);
        if (st == fmt::IoStat::end)
            fault = {id.size == 0 ? FileFault::empty : FileFault::truncated, id.size == 0 ? "" : at};
        else if (st != fmt::IoStat::ok)
            fault = {FileFault::unreadable, at};
        else if (holds_control_bytes(line))
            fault = {FileFault::not_text, at};
        else if (line.size() < COLUMNS)
            fault = {FileFault::truncated, at};
        else if (fmt::read_text(line, URSI_ASC_FORMAT, {fmt::InItem(v + 4 * (n - 1), 4)}) != fmt::IoStat::ok)
            fault = {FileFault::bad_value, at};
        else
            continue;
        status = EIO;
    }
    platform::close_unit(DATA_UNIT);
    if (status == 0 && !all_finite(v, URSI_VALUES)) {
        fault = {FileFault::not_finite, {}};
        status = EIO;
    }
    return status;
}

using FormReader = int32_t (*)(const std::string&, const platform::FileIdentity&, float*, Fault&);

// The values of one form of the month's file, read only when the file is
// new or changed; null, with STATUS, when it is missing or bad. A bad file
// is named on the console.
const float* form_values(const std::string& name, UrsiForm& form, FormReader reader, int32_t& status) {
    std::string path;
    platform::FileIdentity now;
    switch (check_model_file(name, form.FILE, path, now)) {
        case FileCheck::held:
            status = form.GOOD ? 0 : EIO;
            return form.GOOD ? form.V : nullptr;
        case FileCheck::missing:
            status = ENOENT;
            return nullptr;
        case FileCheck::changed:
            break;
    }
    float v[URSI_VALUES];
    Fault fault{};
    status = reader(path, now, v, fault);
    form.GOOD = status == 0;
    if (form.GOOD) std::copy(v, v + URSI_VALUES, form.V);
    // A file that cannot be opened is tried again at its next use.
    if (form.GOOD || fault.what != FileFault::unreadable) hold_model_file(form.FILE, now);
    if (!form.GOOD) report_bad_model_file(form.FILE, path, now, fault);
    return form.GOOD ? form.V : nullptr;
}

// The month's coefficients into URSICF; the binary file is preferred, and a
// bad one counts as missing. The files are checked when the month differs
// from the last call's. 0 done, else the status of the last file tried.
int32_t load_coefficients(int16_t month) {
    if (month < 1 || month > 12) return ENOENT;
    if (URSICACHE.MONTH != month || !URSICACHE.USED) {
        URSICACHE.MONTH = 0;
        UrsiMonth& m = URSICACHE.M[month - 1];
        int32_t status = 0;
        const float* v = form_values(ursi_name(month, "BIN"), m.BIN, read_binary, status);
        if (!v) v = form_values(ursi_name(month, "ASC"), m.ASC, read_text, status);
        URSICACHE.USED = v;
        if (!v) return status;
        URSICACHE.MONTH = month;
    }
    store(URSICACHE.USED);
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

    FOE = round_to(FOEPIRI(cov, xhi, XNOON, std::fabs(LAT)), 1000.0f);

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
    const float diplat = std::atan(0.5f * std::tan(dip * DTOR)) / DTOR;

    FOF1 = NO_FOF1;
    if (!night) {
        FOF1 = round_to(FOF1ED(std::fabs(diplat), RSSN, xhi), 1000.0f);
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
    FOF2 = round_to(FOF2, 1000.0f);
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
    const float lat = SAOHDR.REALIN(realin::LAT);
    const float lon = SAOHDR.REALIN(realin::LON);
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
    if (ierr != 0) {
        platform::console_line(" ERROR: NEITHER " + ursi_name(TIMEBK.MONTH, "BIN") + " NOR " +
                               ursi_name(TIMEBK.MONTH, "ASC") + " CAN BE READ");
        platform::stop_program(" CAN NOT FIND THE URSI COEFFICIENT FILES!");
    }

    DERPAR.FOEP = foe;
    DERPAR.FOF1P = fof1;
    DERPAR.FOF2P = fof2;
    DERPAR.SUNRISE = srise;
    DERPAR.SUNSET = sset;
    SAOHDR.REALIN(realin::FOEP) = foe;
    SAOHDR.REALIN(realin::FOF1P) = fof1;
    SAOHDR.REALIN(realin::FOF2P) = fof2;

    SCLCHR.IFOEP = frequency_index(foe, SCLCHR.FQINCR);
    SCLCHR.IFOF2P = frequency_index(fof2, SCLCHR.FQINCR);
    SCLCHR.IFOF1P = (fof1 <= MAX_INDEXED_FOF1) ? frequency_index(fof1, SCLCHR.FQINCR) : NOPOINT;

    SAOHDR.REALIN(realin::NOON_ZENITH) = xnoon;
    SAOHDR.REALIN(realin::SUNRISE) = srise;
    SAOHDR.REALIN(realin::SUNSET) = sset;
}

}  // namespace kolm
