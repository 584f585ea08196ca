// A decoded record built from synthetic traces: fills the shared blocks the
// way the record decoding does (traces on the frequency grid as height
// indices and heights through the decoding's own trace conversion, scaled
// characteristics, station constants, date), so that the inversion can be
// run on it without an SAO record.
#pragma once

#include <cmath>
#include <cstdint>
#include <functional>
#include <vector>

#include "blocks/peltarscale.h"
#include "blocks/peltartrueh.h"
#include "reference.h"
#include "run/record_decode.h"

namespace kolm::testrec {

// Virtual heights (km) of one trace, lowest frequency first, ending at the
// grid point at or below the critical frequency fc.
struct Trace {
    float fc = 0.0f;
    std::vector<float> heights;
};

struct Record {
    // Sounder grid.
    float fqincr = 0.05f;
    float hgrid = 2.5f;
    float baseht = -2.5f;  // start height 0 km
    // Station: gyrofrequency (MHz), dip (degrees), latitude, longitude, sunspot number.
    float gyro = 1.2f, dip_deg = 65.0f, lat = 50.0f, lon = 10.0f, ssn = 80.0f;
    // Date and time.
    int16_t iyr = 2009, iday = 180, ihr = 12, minu = 0, isec = 0;
    // Characteristics (MHz); 9999.0 / 999.9 where not scaled.
    float foe = 0.0f, fmine = 0.0f, fof1 = 999.9f, fof2 = 7.0f, fminf = 0.0f;
    float foe_pred = 3.0f;  // group-4 slot 28, the predicted foE of the record
    Trace e, f1, f2;
    // E-layer block (frequency, height) pairs.
    std::vector<std::pair<float, float>> eblock;
};

inline int16_t grid_index(float f, float step) { return static_cast<int16_t>(std::trunc((f + 0.0005f) / step)); }

// Stores a trace through the record decoding: from its top grid frequency
// downward into column col.
inline void store_trace(const Trace& t, int col) {
    DECODE_TRACE(t.fc, static_cast<int32_t>(t.heights.size()), t.heights.data(), nullptr, true, col, 0);
}

// The decoded record in the shared blocks.
inline void load(const Record& r) {
    TRCRAW.ITRCF.fill(NOPOINT);
    TRCRAW.TRACEL.fill(NOHEIGHT);
    TRCWRK.TF.fill(0.0f);
    TRCWRK.TH.fill(0.0f);
    SCALE2.IQUALE(2) = 0;
    SCLCHR.FQINCR = r.fqincr;
    SCLCHR.HGRID = r.hgrid;
    SCLCHR.BASEHT = r.baseht;
    SCLCHR.FOF2 = r.fof2;
    SCLCHR.FOF1 = r.fof1 > 999.0f ? 999.9f : r.fof1;
    SCLCHR.FMINF = r.fminf;
    SCALE2.FMINE = r.fmine;
    SCALE2.FOE = r.foe;
    DERPAR.FOEP = r.foe_pred;
    SAOHDR.REALIN(43) = r.foe_pred;
    SAOHDR.REALIN(44) = DERPAR.FOF1P;
    SCLCHR.FH2 = 0.5f * r.gyro;
    FLDPAR.DIP = r.dip_deg * 0.0174532925f;
    FLDPAR.FOESQ = r.lat;
    FLDPAR.FMAXSQ = r.lon;
    SAOHDR.REALIN(1) = r.lat;
    SAOHDR.REALIN(2) = r.lon;
    FLDPAR.SSNREC = r.ssn;
    OPTS.ISSN = static_cast<int16_t>(std::trunc(r.ssn));
    TIMEBK.IYR = r.iyr;
    TIMEBK.IDAY = r.iday;
    TIMEBK.IHR = r.ihr;
    TIMEBK.MINU = r.minu;
    TIMEBK.ISEC = r.isec;
    SCALE2.IQUALE(4) = SCLCHR.FOF1 < 50.0f ? 1 : 0;
    if (!r.f2.heights.empty()) store_trace(r.f2, 2);
    if (!r.f1.heights.empty()) store_trace(r.f1, 2);
    SCALE2.IQUALE(1) = 2;
    if (!r.e.heights.empty()) {
        SCALE2.IQUALE(1) = 1;
        store_trace(r.e, 3);
    }
    EBLOCK.EF.fill(0.0f);
    EBLOCK.EH.fill(0.0f);
    for (size_t k = 0; k < r.eblock.size() && k < 150; ++k) {
        EBLOCK.EF(int(k) + 1) = r.eblock[k].first;
        EBLOCK.EH(int(k) + 1) = r.eblock[k].second;
    }
    auto idx = [&](float f, float lim) { return (f > 0.0f && f < lim) ? grid_index(f, r.fqincr) : NOPOINT; };
    SCALE2.IFOE = idx(r.foe, 10.0f);
    SCALE2.MINFE = idx(r.fmine, 10.0f);
    SCLCHR.IFOM = idx(r.fof2, 50.0f);
    SCLCHR.IFOF1 = idx(SCLCHR.FOF1, 50.0f);
    SCLCHR.MINFF = idx(r.fminf, 50.0f);
    SCLCHR.DIP = FLDPAR.DIP;
}

// Plasma frequency squared (MHz**2) of a parabolic layer at height h.
inline double parabolic_fn2(double h, double fc, double hm, double ym) {
    const double z = (hm - h) / ym;
    return z >= 1.0 ? 0.0 : fc * fc * (1.0 - z * z);
}

// Ordinary-ray virtual heights of a parabolic E layer (peak hm, semi-thickness
// ym, critical frequency fc) on the grid from f_low up to the grid point at or
// below fc; no ionisation below the layer.
inline Trace parabolic_e_trace(double fc, double hm, double ym, double f_low, float step, double gyro,
                               double dip_rad, float* fmin_out = nullptr) {
    Trace t;
    t.fc = static_cast<float>(fc);
    const int k0 = grid_index(static_cast<float>(f_low), step);
    const int k1 = grid_index(static_cast<float>(fc), step);
    if (fmin_out) *fmin_out = static_cast<float>(k0) * step;
    for (int k = k0; k <= k1; ++k) {
        const double f = double(static_cast<float>(k) * step);
        const double h0 = hm - ym;
        const double hv = h0 + testref::group_path(
                                   f, [&](double h) { return parabolic_fn2(h, fc, hm, ym); }, h0, hm, gyro, dip_rad);
        t.heights.push_back(static_cast<float>(hv));
    }
    return t;
}

}  // namespace kolm::testrec
