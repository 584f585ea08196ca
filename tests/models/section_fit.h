// Profile sections for the model tests: the least-squares coefficients of a
// given height curve in the section basis, and the section's height.
#pragma once

#include <cmath>
#include <functional>

#include "models/table_generator.h"

namespace kolm::testing {

inline double shifted_t(int n, double u) {
    const double x = 2.0 * u - 1.0;
    double t0 = 1.0, t1 = x;
    if (n == 0) return t0;
    for (int k = 2; k <= n; ++k) {
        const double t2 = 2.0 * x * t1 - t0;
        t0 = t1;
        t1 = t2;
    }
    return t1;
}

// Height above the peak of the section with coefficients a(1..n) at u.
inline double section_offset(const float* a, int n, double u) {
    double s = 0.0;
    for (int j = 0; j < n; ++j) s += a[j] * shifted_t(j, u);
    return std::sqrt(u) * s;
}

// Integral of fN**2 dh over the section from FS to its peak FM with
// coefficients a(1..n), summed height step by height step on a grid dense
// at the peak (independent of the weights of the content table).
inline double direct_content(double fs, double fm, const float* a, int n) {
    const int m = 40000;
    const double lnr = std::log(fs / fm);
    double sum = 0.0, hprev = section_offset(a, n, 1.0), fprev = fs;
    for (int k = m - 1; k >= 0; --k) {
        const double u = double(k) * k / (double(m) * m);
        const double f = fm * std::exp(u * lnr), h = section_offset(a, n, u);
        const double fmid = 0.5 * (f + fprev);
        sum += fmid * fmid * (h - hprev);
        hprev = h;
        fprev = f;
    }
    return sum;
}

// a(1..n), n <= 5: the curve offset(u) (height above the peak, u = 0 at the
// peak, 1 at the start) fitted by sqrt(u) sum a(j) T*(j-1)(u) in the least
// squares over u.
inline void fit_section(const std::function<double(double)>& offset, int n, float* a) {
    // b(i) = integral of offset(u) sqrt(u) T*(i-1)(u) du, with u = s**2 (Simpson in s).
    const int m = 4000;
    double b[5] = {}, G[5][5];
    for (int k = 0; k <= m; ++k) {
        const double s = double(k) / m, u = s * s;
        const double wk = (k == 0 || k == m) ? 1.0 : (k % 2 ? 4.0 : 2.0);
        const double v = offset(u) * s * 2.0 * s * wk / (3.0 * m);
        for (int i = 0; i < n; ++i) b[i] += v * shifted_t(i, u);
    }
    section_gram(G);
    // Gaussian elimination on the leading n x n part.
    double x[5];
    for (int c = 0; c < n; ++c)
        for (int r = c + 1; r < n; ++r) {
            const double f = G[r][c] / G[c][c];
            for (int k = c; k < n; ++k) G[r][k] -= f * G[c][k];
            b[r] -= f * b[c];
        }
    for (int r = n - 1; r >= 0; --r) {
        double v = b[r];
        for (int k = r + 1; k < n; ++k) v -= G[r][k] * x[k];
        x[r] = v / G[r][r];
    }
    for (int j = 0; j < n; ++j) a[j] = float(x[j]);
    for (int j = n; j < 5; ++j) a[j] = 0.0f;
}

}  // namespace kolm::testing
