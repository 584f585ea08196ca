// Synthetic ionograms for round-trip tests: a model ionosphere of Chapman
// or parabolic layers and its ordinary-ray virtual heights, integrated
// independently of the inversion in double precision.
#pragma once

#include <functional>
#include <utility>
#include <vector>

namespace kolm::synth {

struct Layer {
    // BOTTOMSIDE: exp(-x**B1)/cosh(x), x = (hm - h)/sc, below the peak (an
    // F2 bottomside of thickness sc that reaches down to the E region), the
    // Chapman layer of scale height top above it.
    enum Shape { CHAPMAN, PARABOLIC, BOTTOMSIDE } shape = CHAPMAN;
    double fo = 0.0;  // critical frequency of the layer alone, MHz
    double hm = 0.0;  // peak height, km
    double sc = 0.0;  // Chapman scale height, parabolic semi-thickness, or bottomside thickness, km
    double b1 = 2.0;  // bottomside shape
    double top = 50.0;  // topside scale height of BOTTOMSIDE, km
};

struct Ionosphere {
    std::vector<Layer> layers;  // plasma frequencies squared add up
    double fh = 0.0;            // gyrofrequency, MHz
    double dip = 0.0;           // magnetic dip, radians
    double base = 60.0;         // no ionisation below, km
    // When set, the plasma frequency squared (MHz**2) against height (km) in
    // place of the layer sum.
    std::function<double(double)> profile;

    // Plasma frequency squared (MHz**2) at height h.
    double fn2(double h) const;
    // Plasma frequency at height h.
    double fn(double h) const;
    // Lowest height at which the plasma frequency reaches f, or a negative
    // value when it never does below 1000 km.
    double reflection_height(double f) const;
    // Height where the plasma frequency, rising from below, first reaches
    // f, searched in [lo, hi] (bisection on a bracket found by scanning).
    double height_of(double f, double lo = 60.0, double hi = 1000.0) const;
    // Ordinary-ray virtual height at wave frequency f, km; negative when
    // the wave is not reflected.
    double virtual_height(double f) const;
    // Local maxima of the plasma frequency (layer peaks): height, frequency.
    std::vector<std::pair<double, double>> peaks() const;

    mutable std::vector<std::pair<double, double>> peak_cache;
    mutable bool peaks_ready = false;
};

// Ordinary-ray group refractive index (Appleton-Hartree, no collisions,
// vertical wave normal) from the derivative of f*n with respect to f.
double group_index(double f, double fn2, double fh, double dip);
// Its phase index n.
double phase_index(double f, double fn2, double fh, double dip);

}  // namespace kolm::synth
