// Independent double-precision reference computations for the inversion
// tests: the Appleton-Hartree indices of both rays, shifted Chebyshev
// section curves, a dense Gauss-Legendre rule and a forward integration of
// virtual heights through a given plasma-frequency profile.
#pragma once

#include <cmath>
#include <complex>
#include <functional>
#include <vector>

namespace kolm::testref {

// The two magneto-ionic rays.
enum class Ray { ordinary, extraordinary };

// Phase refractive index, collision-free Appleton-Hartree formula, wave
// normal vertical, field of dip `dip` (radians):
// n**2 = 1 - X/(1 - b +- sqrt(b**2 + YL**2)), b = YT**2/(2(1 - X)), + for the
// ordinary ray. Its denominator is taken in the form
// 1 + YL**2/(sqrt(..) + b), which stays accurate near reflection. Templated
// for the complex-step derivative.
template <class T>
T ah_phase_index_t(T f, double fn2, double fh, double dip, Ray ray = Ray::ordinary) {
    const T X = fn2 / (f * f);
    const T Y = fh / f;
    const T YL = Y * std::sin(dip), YT = Y * std::cos(dip);
    const T q = 1.0 - X;
    const T b = YT * YT / (2.0 * q);
    const T root = std::sqrt(b * b + YL * YL);
    if (ray == Ray::extraordinary) return std::sqrt(1.0 - X / (1.0 - b - root));
    const T den = (std::abs(YL) == 0.0) ? T(1.0) : T(1.0) + YL * YL / (root + b);
    return std::sqrt(1.0 - X / den);
}

inline double ah_phase_index(double f, double fn2, double fh, double dip) {
    if (fn2 >= f * f) return 0.0;
    return ah_phase_index_t<double>(f, fn2, fh, dip);
}

// Group index d(n f)/df at fixed plasma frequency and field, by a central
// difference of the phase index (needs 1 - X well above 1e-6).
inline double ah_group_index(double f, double fn2, double fh, double dip) {
    const double h = 1e-6 * f;
    return ((f + h) * ah_phase_index(f + h, fn2, fh, dip) - (f - h) * ah_phase_index(f - h, fn2, fh, dip)) /
           (2.0 * h);
}

// The same derivative by a complex step, exact to rounding up to reflection.
inline double ah_group_index_analytic(double f, double fn2, double fh, double dip, Ray ray = Ray::ordinary) {
    const double h = 1e-30;
    const std::complex<double> fc(f, h);
    return std::imag(fc * ah_phase_index_t<std::complex<double>>(fc, fn2, fh, dip, ray)) / h;
}

// Shifted Chebyshev T*(k, x) and its derivative.
inline void tstar(int k, double x, double& t, double& dt) {
    double t0 = 1.0, d0 = 0.0;
    if (k == 0) {
        t = t0;
        dt = d0;
        return;
    }
    double t1 = 2.0 * x - 1.0, d1 = 2.0;
    for (int j = 2; j <= k; ++j) {
        const double t2 = 2.0 * (2.0 * x - 1.0) * t1 - t0;
        const double d2 = 4.0 * t1 + 2.0 * (2.0 * x - 1.0) * d1 - d0;
        t0 = t1;
        d0 = d1;
        t1 = t2;
        d1 = d2;
    }
    t = t1;
    dt = d1;
}

// Section curve offset sqrt(X) * sum a[j] T*(j, X) at plasma frequency fn.
inline double section_offset(double fn, double fs, double fe, const std::vector<double>& a) {
    const double X = std::log(fn / fe) / std::log(fs / fe);
    double s = 0.0;
    for (size_t j = 0; j < a.size(); ++j) {
        double t, dt;
        tstar(static_cast<int>(j), X, t, dt);
        s += a[j] * t;
    }
    return std::sqrt(X) * s;
}

// d(height)/d(fn**2) of the section curve.
inline double section_slope_fn2(double fn, double fs, double fe, const std::vector<double>& a) {
    const double LR = std::log(fs / fe);
    const double X = std::log(fn / fe) / LR;
    double s = 0.0, ds = 0.0;
    for (size_t j = 0; j < a.size(); ++j) {
        double t, dt;
        tstar(static_cast<int>(j), X, t, dt);
        s += a[j] * t;
        ds += a[j] * dt;
    }
    const double dhdX = 0.5 / std::sqrt(X) * s + std::sqrt(X) * ds;
    return dhdX / (2.0 * fn * fn * LR);
}

// Composite Gauss-Legendre rule of `panels` panels of 8 points on [a, b].
inline double integrate(const std::function<double(double)>& g, double a, double b, int panels) {
    static const double x8[4] = {0.183434642495649805, 0.525532409916328986, 0.796666477413626740,
                                 0.960289856497536232};
    static const double w8[4] = {0.362683783378361983, 0.313706645877887287, 0.222381034453374471,
                                 0.101228536290376259};
    double sum = 0.0;
    const double h = (b - a) / panels;
    for (int p = 0; p < panels; ++p) {
        const double m = a + (p + 0.5) * h, r = 0.5 * h;
        for (int i = 0; i < 4; ++i) sum += w8[i] * r * (g(m - r * x8[i]) + g(m + r * x8[i]));
    }
    return sum;
}

// Group path (km) of a wave of frequency f through a section curve with
// coefficients a on [fs, fe] (height against plasma frequency), from fs up to
// the wave's reflection or to the plasma frequency fv, whichever is lower;
// dense integration over the plasma frequency squared with the reflection
// singularity removed (fn2 = top2 - d w**2).
inline double section_group_path(double f, double fs, double fe, const std::vector<double>& a, double fv,
                                  double fh, double dip) {
    const double top2 = std::min(f * f, fv * fv);
    const double d = top2 - fs * fs;
    if (d <= 0.0) return 0.0;
    return integrate(
        [&](double w) {
            const double fn2 = top2 - d * w * w;
            if (fn2 >= f * f) return 0.0;
            return ah_group_index_analytic(f, fn2, fh, dip) * section_slope_fn2(std::sqrt(fn2), fs, fe, a) *
                   2.0 * d * w;
        },
        0.0, 1.0, 2000);
}

// Group path (km) of a vertical ordinary wave of frequency f through a layer
// given as plasma frequency squared against height, fn2(h), from h0 up to the
// reflection level (fn2 = f**2) or to h1, whichever comes first. The
// integrable singularity at reflection is removed by h = hr - (hr - h0) (1 - v**2).
inline double group_path(double f, const std::function<double(double)>& fn2, double h0, double h1, double fh,
                         double dip) {
    const double f2 = f * f;
    // Reflection level by bisection (fn2 increasing with height up to h1).
    double hr = h1;
    if (fn2(h1) >= f2) {
        double lo = h0, hi = h1;
        for (int i = 0; i < 200; ++i) {
            const double m = 0.5 * (lo + hi);
            (fn2(m) < f2 ? lo : hi) = m;
        }
        hr = 0.5 * (lo + hi);
        const double L = hr - h0;
        // h = hr - L v**2, dh = 2 L v dv, v from 0 (reflection) to 1 (h0).
        return integrate(
            [&](double v) {
                if (v <= 0.0) return 0.0;
                const double h = hr - L * v * v;
                const double x = fn2(h);
                if (x >= f2) return 0.0;
                return ah_group_index_analytic(f, x, fh, dip) * 2.0 * L * v;
            },
            0.0, 1.0, 400);
    }
    return integrate([&](double h) { return ah_group_index_analytic(f, fn2(h), fh, dip); }, h0, hr, 400);
}

}  // namespace kolm::testref
