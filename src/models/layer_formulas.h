// Empirical formulas for the E and F1 critical frequencies.
#pragma once

namespace kolm {

// foE after Kouris and Muggleton (1973) with the night-time floor of 1986.
//
// Given:   COV   solar flux estimate, 63.75 + R (0.728 + 0.00089 R)
//          XHI   solar zenith angle now, degrees
//          XHIM  solar zenith angle at local noon, degrees
//          ALAT  absolute geographic latitude, degrees
// Returned: foE, MHz; XHIM is set to 89.999 when it is 90 or more.
float FOEPIRI(float COV, float XHI, float& XHIM, float ALAT);

// foF1 after Ducharme et al. (1973).
//
// Given:   ALAT  absolute dip latitude, degrees
//          R     sunspot number
//          XHI   solar zenith angle, degrees
// Returned: foF1, MHz; 0.0 when the sun is lower than the limit angle for ALAT
//          and R, or at or below the horizon.
float FOF1ED(float ALAT, float R, float XHI);

}  // namespace kolm
