// Plots of the inversion's stages in the plot frame.
#pragma once

#include <cstdint>

#include "sao/sao_record.h"

namespace kolm::ui {

// A profile section from FA to FB with peak height HB and N coefficients A
// (h(f) = HB + sqrt(u) sum A(i) T*(i-1, u), u = ln(f/FB)/ln(FA/FB)) in the
// RGB colour ICOLOR, with a yellow marker at the section's top frequency.
// Nothing when FA <= 0, FB <= FA or the graphics are off.
void PLOTPROF(int32_t ICOLOR, float FA, float FB, float HB, int32_t N, const float* A);

// Clears the graphics window, draws the frame and the profile sections
// stored in groups 39, 38 and 37.
void PLOT_STORED_PROFILES(const SaoRecord& rec);

}  // namespace kolm::ui
