#include "inversion/synthetic_ionogram.h"

#include <algorithm>
#include <cmath>
#include <functional>

namespace kolm::synth {

namespace {

// Forward-mode dual number: value and derivative with respect to f.
struct Dual {
    double v, d;
};
Dual operator+(Dual a, Dual b) { return {a.v + b.v, a.d + b.d}; }
Dual operator-(Dual a, Dual b) { return {a.v - b.v, a.d - b.d}; }
Dual operator*(Dual a, Dual b) { return {a.v * b.v, a.d * b.v + a.v * b.d}; }
Dual operator/(Dual a, Dual b) { return {a.v / b.v, (a.d * b.v - a.v * b.d) / (b.v * b.v)}; }
Dual sqrt(Dual a) {
    const double s = std::sqrt(a.v);
    return {s, s > 0.0 ? a.d / (2.0 * s) : 0.0};  // the root of 0 is only taken without field
}
Dual constant(double c) { return {c, 0.0}; }

// n**2 of the ordinary wave as a dual number in f. The denominator
// 1 - b + sqrt(b**2 + YL**2), b = YT**2/(2(1 - X)), is formed as
// 1 + YL**2/(sqrt(b**2 + YL**2) + b): near reflection b is large and the
// difference would cancel.
Dual n2_dual(double f, double fn2, double fh, double dip) {
    const Dual F{f, 1.0};
    const Dual X = constant(fn2) / (F * F);
    const Dual Y = constant(fh) / F;
    const Dual YL = Y * constant(std::sin(dip));
    const Dual YT = Y * constant(std::cos(dip));
    const Dual one = constant(1.0);
    const Dual b = YT * YT / (constant(2.0) * (one - X));
    const Dual yl2 = YL * YL;
    const Dual root = sqrt(b * b + yl2);
    const Dual den = yl2.v == 0.0 ? one : one + yl2 / (root + b);
    return one - X / den;
}

// Adaptive Gauss-Kronrod (7-15) integration.
const double XK[8] = {0.991455371120812639, 0.949107912342758525, 0.864864423359769073, 0.741531185599394440,
                      0.586087235467691130, 0.405845151377397167, 0.207784955007898468, 0.0};
const double WK[8] = {0.022935322010529225, 0.063092092629978553, 0.104790010322250184, 0.140653259715525919,
                      0.169004726639267903, 0.190350578064785410, 0.204432940075298892, 0.209482141084727828};
const double WG[4] = {0.129484966168869693, 0.279705391489276668, 0.381830050505118945, 0.417959183673469388};

void gk15(const std::function<double(double)>& g, double a, double b, double& k, double& err) {
    const double c = 0.5 * (a + b), h = 0.5 * (b - a);
    double kron = WK[7] * g(c), gauss = WG[3] * g(c);
    for (int i = 0; i < 7; ++i) {
        const double s = g(c - h * XK[i]) + g(c + h * XK[i]);
        kron += WK[i] * s;
        if (i % 2 == 1) gauss += WG[i / 2] * s;
    }
    k = kron * h;
    err = std::fabs((kron - gauss) * h);
}

// Globally adaptive: the panel with the largest error estimate is halved
// until the total estimate is below tol or the panel budget is spent.
double integrate(const std::function<double(double)>& g, double a, double b, double tol) {
    struct Panel {
        double a, b, k, err;
    };
    std::vector<Panel> panels;
    double k, err;
    gk15(g, a, b, k, err);
    panels.push_back({a, b, k, err});
    auto by_err = [](const Panel& x, const Panel& y) { return x.err < y.err; };
    double total = err;
    for (int n = 0; n < 4000 && total > tol; ++n) {
        std::pop_heap(panels.begin(), panels.end(), by_err);
        const Panel p = panels.back();
        panels.pop_back();
        const double m = 0.5 * (p.a + p.b);
        Panel l{p.a, m, 0, 0}, r{m, p.b, 0, 0};
        gk15(g, l.a, l.b, l.k, l.err);
        gk15(g, r.a, r.b, r.k, r.err);
        panels.push_back(l);
        std::push_heap(panels.begin(), panels.end(), by_err);
        panels.push_back(r);
        std::push_heap(panels.begin(), panels.end(), by_err);
        total = 0.0;
        for (const Panel& q : panels) total += q.err;
        if (!std::isfinite(total)) break;
    }
    double sum = 0.0;
    for (const Panel& q : panels) sum += q.k;
    return sum;
}

}  // namespace

double phase_index(double f, double fn2, double fh, double dip) {
    const Dual n2 = n2_dual(f, fn2, fh, dip);
    return n2.v > 0.0 ? std::sqrt(n2.v) : 0.0;
}

double group_index(double f, double fn2, double fh, double dip) {
    const Dual n2 = n2_dual(f, fn2, fh, dip);
    if (!(n2.v > 0.0)) return 0.0;
    const double n = std::sqrt(n2.v);
    // mu' = d(f n)/df = n + f dn/df, dn/df = (dn2/df)/(2n).
    return n + f * n2.d / (2.0 * n);
}

double Ionosphere::fn2(double h) const {
    if (h < base) return 0.0;
    if (profile) return profile(h);
    double sum = 0.0;
    for (const Layer& L : layers) {
        if (L.shape == Layer::CHAPMAN || (L.shape == Layer::BOTTOMSIDE && h > L.hm)) {
            const double z = (h - L.hm) / (L.shape == Layer::CHAPMAN ? L.sc : L.top);
            if (z > -30.0) sum += L.fo * L.fo * std::exp(1.0 - z - std::exp(-z));
        } else if (L.shape == Layer::BOTTOMSIDE) {
            const double x = (L.hm - h) / L.sc;
            sum += L.fo * L.fo * std::exp(-std::pow(x, L.b1)) / std::cosh(x);
        } else {
            const double y = (h - L.hm) / L.sc;
            if (std::fabs(y) < 1.0) sum += L.fo * L.fo * (1.0 - y * y);
        }
    }
    return h < base ? 0.0 : sum;
}

double Ionosphere::fn(double h) const { return std::sqrt(fn2(h)); }

double Ionosphere::height_of(double f, double lo, double hi) const {
    const double f2 = f * f;
    double a = lo;
    for (double h = lo; h <= hi; h += 0.05) {
        if (fn2(h) >= f2) {
            double b = h;
            for (int i = 0; i < 200 && b - a > 1e-12; ++i) {
                const double m = 0.5 * (a + b);
                (fn2(m) >= f2 ? b : a) = m;
            }
            return b;
        }
        a = h;
    }
    return -1.0;
}

double Ionosphere::reflection_height(double f) const { return height_of(f, base, 1000.0); }

double Ionosphere::virtual_height(double f) const {
    const double hr = reflection_height(f);
    if (hr < 0.0) return -1.0;
    // h = hr - s**2 removes the reflection singularity: dh = -2 s ds.
    auto g = [&](double s) { return 2.0 * s * group_index(f, fn2(hr - s * s), fh, dip); };
    // Split at the layer peaks below the reflection, where a wave just above
    // a peak is strongly retarded.
    // Within 1e-10 km of the reflection the plasma frequency cannot be told
    // from f in double precision: that last bit, where g is nearly constant,
    // is taken as a rectangle.
    constexpr double S_MIN = 1e-5;
    std::vector<double> cuts = {S_MIN};
    if (!peaks_ready) {
        peak_cache = peaks();
        peaks_ready = true;
    }
    for (const auto& p : peak_cache)
        if (p.first < hr) cuts.push_back(std::sqrt(hr - p.first));
    cuts.push_back(std::sqrt(hr - base));
    std::sort(cuts.begin(), cuts.end());
    double sum = g(S_MIN) * S_MIN;
    for (size_t i = 1; i < cuts.size(); ++i) {
        sum += integrate(g, cuts[i - 1], cuts[i], 1e-6);
    }
    return base + sum;
}

std::vector<std::pair<double, double>> Ionosphere::peaks() const {
    std::vector<std::pair<double, double>> out;
    double prev = fn2(base), cur = fn2(base + 0.01);
    for (double h = base + 0.02; h < 1000.0; h += 0.01) {
        const double next = fn2(h);
        if (cur > prev && cur >= next) {
            // Refine the maximum by golden-section search on [h-0.02, h].
            double a = h - 0.02, b = h;
            for (int i = 0; i < 60; ++i) {
                const double m1 = a + 0.382 * (b - a), m2 = a + 0.618 * (b - a);
                if (fn2(m1) < fn2(m2))
                    a = m1;
                else
                    b = m2;
            }
            const double hp = 0.5 * (a + b);
            out.push_back({hp, std::sqrt(fn2(hp))});
        }
        prev = cur;
        cur = next;
    }
    return out;
}

}  // namespace kolm::synth
