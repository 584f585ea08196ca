// Synthetic soundings for the inversion tests: model ionospheres by day
// and by night, scaled onto the sounder grid as a decoded record.
#pragma once

#include <cmath>
#include <cstdint>

#include "blocks/peltartrueh.h"
#include "inversion/profil1.h"
#include "inversion/record_fixture.h"
#include "inversion/synthetic_ionogram.h"
#include "models/solar_position.h"

namespace kolm::synth {

inline constexpr float STEP = 0.05f;

struct Case {
    const char* name;
    Ionosphere ion;
    bool e_trace;       // the E trace is scaled
    double fof1;        // model foF1 (the ledge), 0 without F1
    int16_t ihr;        // UT hour at 10 E: day or night
    float fminf_gap;    // first F frequency above foE (or the first F frequency without E), MHz
    bool f1_points = true;  // the F1 trace is scaled (else only foF1)
    float f2_gap = 0.0f;    // F2 trace starting this far above foF1 (or the first F frequency), MHz
};

inline float grid(float f) { return std::trunc((f + 0.0005f) / STEP) * STEP; }

// Virtual heights of the model on the grid from lo up to the grid point at or below hi.
inline testrec::Trace trace(const Ionosphere& ion, float lo, float hi) {
    testrec::Trace t;
    t.fc = hi;
    for (int k = int(std::lround(lo / STEP)); float(k) * STEP <= grid(hi) + 1e-4f; ++k)
        t.heights.push_back(float(ion.virtual_height(double(float(k) * STEP))));
    return t;
}

// The record a sounder would give for the model: foE, foF1 at the cusp and
// foF2 scaled, the traces on the grid. first_f: the lowest F frequency.
inline testrec::Record make_record(const Case& c, float& first_f) {
    const Ionosphere& ion = c.ion;
    const auto peaks = ion.peaks();
    const double fof2 = peaks.back().second;
    const double foe = peaks.front().second;

    testrec::Record r;
    r.fqincr = STEP;
    r.gyro = float(ion.fh);
    r.dip_deg = float(ion.dip * 180.0 / M_PI);
    r.lat = 50.0f;
    r.lon = 10.0f;
    r.iday = 172;
    r.ihr = c.ihr;
    r.fof2 = float(fof2);
    float flo = c.fminf_gap;
    if (c.e_trace) {
        r.foe = float(foe);
        r.fmine = 1.0f;
        r.e = trace(ion, 1.0f, r.foe);
        flo = grid(r.foe) + c.fminf_gap;
    }
    r.fminf = grid(flo);
    float fof1 = 999.9f;
    first_f = r.fminf;
    if (c.fof1 > 0.0) {
        // foF1 as scaled: at the cusp, the first local maximum of the
        // virtual heights after the fall from the E cusp.
        const float df = STEP / 10.0f;
        float f = r.fminf;
        while (ion.virtual_height(f + df) < ion.virtual_height(f)) f += df;
        while (ion.virtual_height(f + df) > ion.virtual_height(f)) f += df;
        fof1 = f;
        r.fof1 = fof1;
        const float f2_from = grid(fof1) + STEP + c.f2_gap;
        if (c.f1_points)
            r.f1 = trace(ion, r.fminf, fof1);
        else
            r.fminf = first_f = grid(f2_from);
        r.f2 = trace(ion, grid(f2_from), r.fof2);
    } else {
        r.fminf = first_f = grid(r.fminf + c.f2_gap);
        r.f2 = trace(ion, r.fminf, r.fof2);
    }
    return r;
}

// The case as a decoded record, inverted with a 1 km table.
inline void invert(const Case& c) {
    float first_f;
    testrec::load(make_record(c, first_f));
    NHPROF.HSTEP = 1.0f;
    PROFIL1();
}

// Day profile: a parabolic E layer, the valley above it as wide and deep as
// the zenith angle of the sounding makes it (the valley cannot be seen on
// an ionogram, so the model takes the one the inversion assumes: a mirrored
// fall over W/3, the floor, a linear rise), then the F region from foE: an
// F1 layer with a flat top at foF1 (the ledge) when f1 is set, and the
// Chapman F2 layer rising from its junction with the F1 top, or, without
// F1, from foE at the valley top.
// The sounding at universal time ut (hours) of day iday at lat, lon
// (degrees, east positive).
inline Ionosphere day_at(bool f1, int16_t iday, float ut, float lat, float lon) {
    const double foe = 3.23, hme = 110.0, yme = 22.0;
    // Valley from the solar zenith angle of the sounding.
    float declin, chi, rise, set;
    float lt = ut + lon / 15.0f;
    if (lt < 0.0f) lt += 24.0f;
    if (lt >= 24.0f) lt -= 24.0f;
    SOCO(iday, lt, lat, lon, declin, chi, rise, set);
    const double c = std::cos(chi * M_PI / 180.0) + 0.05;
    const double w = std::round(10.0 * (59.45 - 14.63 * std::log((std::fabs(c) + c + 0.05) / (0.05 - c + std::fabs(c))))) / 10.0;
    const double e = std::exp((59.45 - w) / 14.63);
    const double fv = foe * std::sqrt(0.49 + 0.46 * (e - 1.0) / (e + 1.0));
    const double h0 = hme + w;
    const double fof1 = 4.3, hm1 = 175.0;
    const double fof2 = 8.03, sh = f1 ? 45.0 : 60.0;
    const double fbase = f1 ? fof1 : foe, hbase = f1 ? hm1 : h0;
    // Chapman F2 reaching the base frequency at the base height.
    auto chap = [](double z) { return std::exp(1.0 - z - std::exp(-z)); };
    double z = -0.5;
    for (int i = 0; i < 200; ++i) z -= (std::log(chap(z)) - 2.0 * std::log(fbase / fof2)) / (-1.0 + std::exp(-z));
    const double hmf2 = hbase - z * sh;
    Ionosphere ion;
    ion.fh = 1.35;
    ion.dip = 65.0 * M_PI / 180.0;
    ion.profile = [=](double h) {
        if (h <= hme) {
            const double y = (hme - h) / yme;
            return y >= 1.0 ? 0.0 : foe * foe * (1.0 - y * y);
        }
        const double third = w / 3.0;
        if (h <= hme + third) {
            const double y = (h - hme) / third;
            return fv * fv + (foe * foe - fv * fv) * (1.0 - y * y);
        }
        if (h <= hme + 2.0 * third) return fv * fv;
        if (h <= h0) {
            const double fn = fv + (foe - fv) * (h - hme - 2.0 * third) / third;
            return fn * fn;
        }
        if (f1 && h <= hm1) {
            const double y = (hm1 - h) / (hm1 - h0);
            return fof1 * fof1 - (fof1 * fof1 - foe * foe) * y * y;
        }
        return fof2 * fof2 * chap((h - hmf2) / sh);
    };
    return ion;
}

// At 50 N 10 E on day 172, hour ihr UT.
inline Ionosphere day(bool f1, int16_t ihr) { return day_at(f1, 172, float(ihr), 50.0f, 10.0f); }

inline Ionosphere night() {
    Ionosphere ion;
    ion.fh = 1.35;
    ion.dip = 65.0 * M_PI / 180.0;
    ion.layers = {{Layer::CHAPMAN, 0.5, 110.0, 8.0}, {Layer::CHAPMAN, 4.2, 330.0, 55.0}};
    return ion;
}

}  // namespace kolm::synth
