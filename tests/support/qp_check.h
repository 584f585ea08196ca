// Check of the quasi-parabolic segments of an output record (group 40)
// against the record's own N(h) table (groups 51 and 52): the layout of the
// group, the joins of the segments, and every table row within a segment
// reproduced within the segment's error.
#pragma once

#include <cmath>
#include <cstdio>
#include <string>

#include "sao/sao_record.h"

namespace kolm::testing {

struct QpCheck {
    int segments = 0;
    int rows = 0;          // table rows checked against a segment
    int outside = 0;       // rows beyond their segment's error
    double worst = 0.0;    // largest residual over its allowance
    std::string problem;   // the first fault of layout or joins, or of a row
};

namespace qpcheck {

struct Segment {
    double r0, r1, A, B, C, E;
    double at(double r) const {
        const double x = 1.0 / r;
        return (A * x + B) * x + C;
    }
    double slope(double r) const { return 2.0 * A / r + B; }  // dfN**2/dx
    // What the twelve digits of the written coefficients leave uncertain
    // in the value and the slope (the terms cancel to a small fN**2).
    double value_noise(double r) const {
        const double x = 1.0 / r;
        return 1e-11 * (std::fabs(A) * x * x + std::fabs(B) * x + std::fabs(C));
    }
    double slope_noise(double r) const { return 1e-11 * (std::fabs(2.0 * A / r) + std::fabs(B)); }
};

inline bool near(double a, double b, double tol) { return std::fabs(a - b) <= tol; }

}  // namespace qpcheck

// The fit takes the points of the 1 km table, so the rows checked are those
// at whole kilometres and those at a segment boundary (the layer peaks and
// the valley thirds). A row at a join is the fitted point of one of the two
// segments and the anchor of the other, which passes through the same value
// there: it is checked against the larger of their errors.
// Rows left out of the fit, where layers join with a kink, are not checked:
// the top of the valley (as far above the valley segment, the one with A =
// 0, as that segment is wide) and the F1 peak (characteristic 33 or item 3
// of group 38). Below the E peak the fit may leave the lower half of the
// points under its lowest segment; rows of segment 1 are checked from the
// middle between the first row and the segment's top upward.
inline QpCheck check_group40(const SaoRecord& rec) {
    using qpcheck::Segment;
    QpCheck out;
    const int n = rec.DFI(40);
    if (n == 0) return out;
    char buf[200];
    if (n < 7 || (n - 1) % 6 != 0 || n > 121) {
        out.problem = "group 40 holds " + std::to_string(n) + " items";
        return out;
    }
    const int nseg = (n - 1) / 6;
    out.segments = nseg;
    if (rec.G40(n) != 6370.0) out.problem = "the closing item is not 6370";
    Segment seg[20];
    for (int i = 0; i < nseg; ++i) {
        const int o = 6 * i;
        seg[i] = {rec.G40(o + 1), rec.G40(o + 2), rec.G40(o + 3), rec.G40(o + 4), rec.G40(o + 5), rec.G40(o + 6)};
        const Segment& s = seg[i];
        if (!(std::isfinite(s.r0) && std::isfinite(s.r1) && std::isfinite(s.A) && std::isfinite(s.B) &&
              std::isfinite(s.C) && std::isfinite(s.E) && s.E >= 0.0 && s.r0 < s.r1) &&
            out.problem.empty()) {
            std::snprintf(buf, sizeof buf, "segment %d: %g %g %g %g %g %g", i + 1, s.r0, s.r1, s.A, s.B, s.C, s.E);
            out.problem = buf;
        }
        if (i > 0 && s.r0 != seg[i - 1].r1 && out.problem.empty())
            out.problem = "segment " + std::to_string(i + 1) + " does not start at the top of the one below";
    }
    if (!out.problem.empty()) return out;

    // Joins: the same value, and the same slope except at the valley segment.
    double valley_top = -1.0;
    for (int i = 0; i < nseg; ++i) {
        if (seg[i].A == 0.0) valley_top = 2.0 * seg[i].r1 - seg[i].r0 - 6370.0;
        if (i + 1 == nseg) break;
        const Segment &a = seg[i], &b = seg[i + 1];
        const double r = a.r1, ya = a.at(r), yb = b.at(r);
        const bool value_ok = qpcheck::near(ya, yb, a.value_noise(r) + b.value_noise(r));
        const bool slope_ok = a.A == 0.0 || b.A == 0.0 ||
                              qpcheck::near(a.slope(r), b.slope(r), a.slope_noise(r) + b.slope_noise(r));
        if (!value_ok || !slope_ok) {
            std::snprintf(buf, sizeof buf, "join of segments %d and %d at %.3f km: values %.6g %.6g, slopes %.6g %.6g",
                          i + 1, i + 2, r - 6370.0, ya, yb, a.slope(r), b.slope(r));
            out.problem = buf;
            return out;
        }
    }
    double f1_peak = -1.0;
    if (rec.DFI(4) >= 33 && rec.G4(33) < 9999.0f) f1_peak = rec.G4(33);
    else if (rec.DFI(38) >= 3) f1_peak = rec.G38(3);

    const int rows = rec.DFI(51);
    if (rows <= 0) return out;
    const double first = rec.G51(1);
    const double lowest_checked = 0.5 * (first + seg[0].r1 - 6370.0) + 1.5;
    for (int k = 1; k <= rows && k <= rec.DFI(52); ++k) {
        const double h = rec.G51(k), f = rec.G52(k), r = h + 6370.0;
        if (qpcheck::near(h, valley_top, 0.002) || qpcheck::near(h, f1_peak, 0.002)) continue;
        int i = 0;
        while (i < nseg && !(r > seg[i].r0 && r <= seg[i].r1)) ++i;
        if (i == nseg || (i == 0 && h < lowest_checked) || !(f > 0.0)) continue;
        const bool join = i + 1 < nseg && r == seg[i].r1;
        bool boundary = r == seg[i].r1;
        for (int j = 0; j < nseg && !boundary; ++j) boundary = r == seg[j].r0;
        if (!boundary && !qpcheck::near(h, std::round(h), 0.0005)) continue;
        const Segment& s = seg[i];
        const double y = f * f;
        // The segment's error (three digits), the table's rounding to 0.001
        // MHz and 0.001 km (what 0.0005 km shifts the model by), the
        // bisection tolerance of the table and the written coefficients.
        const double error = join ? std::fmax(s.E, seg[i + 1].E) : s.E;
        const double dydh = std::fabs(s.slope(r)) / (r * r);
        const double allowance =
            error * 1.005 + 2.0 * (0.0005 + 1e-5) / f + (dydh * 0.0005 + s.value_noise(r)) / y + 1e-7;
        const double resid = std::fabs(y - s.at(r)) / y;
        ++out.rows;
        const double ratio = resid / allowance;
        if (ratio > out.worst) out.worst = ratio;
        if (ratio > 1.0) {
            ++out.outside;
            if (out.problem.empty()) {
                std::snprintf(buf, sizeof buf, "row %d (%.3f km, %.3f MHz): residual %.4g beyond %.4g of segment %d", k,
                              h, f, resid, allowance, i + 1);
                out.problem = buf;
            }
        }
    }
    return out;
}

}  // namespace kolm::testing
