// A decoded record built from synthetic traces: the traces, scaled
// characteristics, station constants, date and sounder steps are written
// into an SAO record, which the run's own record decoding turns into the
// shared blocks, so that the inversion can be run on it as on a record read
// from a file.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <vector>

#include "blocks/numeric.h"
#include "blocks/peltarscale.h"
#include "blocks/peltartrueh.h"
#include "reference.h"
#include "run/record_decode.h"
#include "sao/sao_record.h"

namespace kolm::testrec {

// Virtual heights (km) of one trace, lowest frequency first, ending at the
// grid point at or below the critical frequency fc.
struct Trace {
    float fc = 0.0f;
    std::vector<float> heights;
};

struct Record {
    // Frequency step of the sounder, MHz: one of 0.2, 0.1, 0.05, 0.025, 0.01,
    // 0.005. The height step is 2.5 km from 2.5 km up.
    float fqincr = 0.05f;
    // Station: gyrofrequency (MHz), dip (degrees), latitude, longitude, sunspot number.
    float gyro = 1.2f, dip_deg = 65.0f, lat = 50.0f, lon = 10.0f, ssn = 80.0f;
    // Date and time; the time stamp carries the last two digits of the year.
    int16_t iyr = 2009, iday = 180, ihr = 12, minu = 0, isec = 0;
    // Characteristics (MHz); 9999.0 / 999.9 where not scaled.
    float foe = 0.0f, fmine = 0.0f, fof1 = 999.9f, fof2 = 7.0f, fminf = 0.0f;
    float foe_pred = 3.0f;  // group-4 slot 28, the predicted foE of the record
    Trace e, f1, f2;
    // E-layer block (frequency, height) pairs.
    std::vector<std::pair<float, float>> eblock;
};

// Stores a trace through the record decoding: from its top grid frequency
// downward into column col.
inline void store_trace(const Trace& t, int col) {
    decode_trace(t.fc, static_cast<int32_t>(t.heights.size()), t.heights.data(), nullptr, true, col, 0);
}

namespace detail {

// Code of the frequency step in the digit layout of the time stamp.
inline char step_code(float fqincr) {
    const float steps[] = {0.2f, 0.1f, 0.05f, 0.025f, 0.01f, 0.005f};
    for (int k = 0; k < 6; ++k)
        if (fqincr == steps[k]) return char('0' + k);
    ADD_FAILURE() << "no time-stamp code for the frequency step " << fqincr;
    return '5';
}

inline void put_digits(char* ts, int col, int value, int width) {
    for (int k = width - 1; k >= 0; --k, value /= 10) ts[col - 1 + k] = char('0' + value % 10);
}

// A trace into its height group (real heights, as at version code 5); the
// points beyond the group's capacity stay out of the record.
template <int N>
void put_trace(SaoRecord& rec, int group, const Trace& t, FArray<float, N>& heights) {
    const int n = std::min(int(t.heights.size()), N);
    rec.DFI(group) = n;
    for (int i = 1; i <= n; ++i) heights(i) = t.heights[size_t(i - 1)];
}

}  // namespace detail

// The SAO record of r: time stamp in the digit layout, station constants,
// characteristics, traces and E-layer block.
inline std::unique_ptr<SaoRecord> sao_record(const Record& r) {
    auto rec = std::make_unique<SaoRecord>();
    std::memset(static_cast<void*>(rec.get()), 0, sizeof *rec);
    SaoRecord& s = *rec;
    s.DFI(80) = 5;

    s.DFI(1) = 5;
    s.G1(1) = r.gyro;
    s.G1(2) = r.dip_deg;
    s.G1(3) = r.lat;
    s.G1(4) = r.lon;
    s.G1(5) = r.ssn;

    // Digit layout (fewer than 77 columns): date and time, frequency step,
    // height step 2.5 km (code 0) from the start height 2.5 km (code 0).
    s.DFI(3) = 60;
    char* ts = s.G3.data();
    std::fill(ts, ts + SAO_LINE, '0');
    detail::put_digits(ts, 1, r.iyr % 100, 2);
    detail::put_digits(ts, 3, r.iday, 3);
    detail::put_digits(ts, 6, r.ihr, 2);
    detail::put_digits(ts, 8, r.minu, 2);
    detail::put_digits(ts, 10, r.isec, 2);
    ts[34] = detail::step_code(r.fqincr);

    s.DFI(4) = 31;
    s.G4(1) = r.fof2;
    s.G4(2) = r.fof1;
    s.G4(7) = r.fminf;
    s.G4(8) = r.fmine;
    s.G4(9) = r.foe;
    s.G4(28) = r.foe_pred;

    if (!r.f2.heights.empty()) detail::put_trace(s, 7, r.f2, s.R7);
    if (!r.f1.heights.empty()) detail::put_trace(s, 12, r.f1, s.R12);
    if (!r.e.heights.empty()) detail::put_trace(s, 17, r.e, s.R17);

    const int nb = std::min(int(r.eblock.size()), MAXEPTS);
    s.DFI(47) = s.DFI(50) = nb;
    for (int k = 1; k <= nb; ++k) {
        s.G50(k) = r.eblock[size_t(k - 1)].first;
        s.G47(k) = r.eblock[size_t(k - 1)].second;
    }
    return rec;
}

// The decoded record in the shared blocks, as the run leaves it before the
// inversion. Traces longer than a record's group holds (tests of the array
// bounds) are then stored whole through the decoding's trace conversion.
inline void load(const Record& r) {
    const auto rec = sao_record(r);
    reset_traces();
    if (!decode_record(*rec)) ADD_FAILURE() << "the record decoding rejected the test record";
    if (int(r.f2.heights.size()) > MAXF2PTS) store_trace(r.f2, 2);
    if (int(r.f1.heights.size()) > MAXF1PTS) store_trace(r.f1, 2);
    if (int(r.e.heights.size()) > MAXEPTS) store_trace(r.e, 3);
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
    const int k0 = kolm::grid_index(static_cast<float>(f_low), step);
    const int k1 = kolm::grid_index(static_cast<float>(fc), step);
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
