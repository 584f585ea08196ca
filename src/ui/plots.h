// Plots of the inversion's stages in the plot frame.
#pragma once

#include <cstdint>

#include "inversion/stage_plots.h"
#include "sao/sao_record.h"

namespace kolm::ui {

// A profile section from FA to FB with peak height HB and N coefficients A
// (h(f) = HB + sqrt(u) sum A(i) T*(i-1, u), u = ln(f/FB)/ln(FA/FB)) in the
// RGB colour ICOLOR, with a yellow marker at the section's top frequency.
// Nothing when FA <= 0, FB <= FA or the graphics are off.
void PLOTPROF(int32_t ICOLOR, float FA, float FB, float HB, int32_t N, const float* A);

// The valley in red: from (F0, H0) down in frequency to F1 along
// H0 - sqrt(u) sum C(i) T*(i-1, u), u = ln(f/F0)/ln(F1/F0), then up by DH1
// at F1 and, when DH2 > 0, straight back to F0, DH2 higher. Nothing more
// than the move to the start unless F0 > F1 > 0.
void PLOTPOLV(float F1, float F0, float H0, const float* C, float DH1, float DH2);

// The working trace in red: a 5-pixel circle per point up to the first
// frequency 0; heights of 0 or above 700 km are left out.
void PLOTRACE();

// The data points of the current section: observed virtual heights in
// green, or for MODE 2 the reduced ones of REDHV in teal; heights above
// 700 km are left out.
void PLOTDATA(int32_t MODE);

// The topside above the F2 peak, dashed in 5 km pieces: a Chapman layer of
// the F-peak scale height (k 0.25 for MODE 1, else 0.5) up to 700 km (600
// km where foF2 > 7 MHz and the curve lies left of 7 S MHz) or down to
// 0.6 MHz. Nothing without a computed scale height.
void PLOTTOP(int16_t ICOLOR, int16_t MODE);

// A recomputed virtual-height curve: a move to the first point, lines to
// the others.
void draw_curve(int32_t colour, const CurvePoint* points, int32_t n);

// Makes the inversion's stage plots draw into the frame.
void install_stage_drawing();

// Clears the graphics window, draws the frame and the profile sections
// stored in groups 39, 38 and 37.
void plot_stored_profiles(const SaoRecord& rec);

}  // namespace kolm::ui
