// Independent double-precision extraordinary-ray reference for the tests:
// the X-wave group index and the X-wave virtual height of a model
// ionosphere.
#pragma once

#include <algorithm>
#include <cmath>
#include <vector>

#include "inversion/reference.h"
#include "inversion/synthetic_ionogram.h"

namespace kolm::testref {

// Group index d(n f)/df of the X wave; 0 at and beyond its reflection
// (fn2 >= f(f - fh)).
inline double ah_x_group_index(double f, double fn2, double fh, double dip) {
    if (fn2 >= f * (f - fh)) return 0.0;
    return ah_group_index_analytic(f, fn2, fh, dip, Ray::extraordinary);
}

// X-wave virtual height (km) of the model at wave frequency f, or a
// negative value when the wave is not reflected below 1000 km. The wave
// reflects where the plasma frequency squared first reaches f(f - fh);
// h = hr - s**2 removes the reflection singularity, and the integral is cut
// at the layer peaks below the reflection.
inline double x_virtual_height(const synth::Ionosphere& ion, double f) {
    if (!ion.peaks_ready) {
        ion.peak_cache = ion.peaks();
        ion.peaks_ready = true;
    }
    if (f <= ion.fh) return -1.0;
    const double hr = ion.height_of(std::sqrt(f * (f - ion.fh)), ion.base, 1000.0);
    if (hr < 0.0) return -1.0;
    auto g = [&](double s) { return 2.0 * s * ah_x_group_index(f, ion.fn2(hr - s * s), ion.fh, ion.dip); };
    std::vector<double> cuts = {0.0};
    for (const auto& p : ion.peak_cache)
        if (p.first < hr) cuts.push_back(std::sqrt(hr - p.first));
    cuts.push_back(std::sqrt(hr - ion.base));
    std::sort(cuts.begin(), cuts.end());
    double sum = 0.0;
    for (size_t i = 1; i < cuts.size(); ++i) sum += integrate(g, cuts[i - 1], cuts[i], 400);
    return ion.base + sum;
}

}  // namespace kolm::testref
