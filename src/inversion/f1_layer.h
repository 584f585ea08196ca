// The F1 layer: its section solution, the height check of a solved F
// section against its data, and the F1 group delay for the F2 data.
#pragma once

namespace kolm {

// Solves the F1 section from the E top FC(2) to the F1 top FC(3); ERR gets
// the F1 fit error. Outcome in IQUALE(2) and F1CASE.
void F1PROF(float& ERR);

// Checks the solved section of region IRGN against its data: the true
// height must stay below the observed virtual heights. Sets IQUALE(2) to 9
// (F1) or 8 (F2, E) on failure.
void HEIGHTCHK();

// DHF1(1..1024): group-height increment through the F1 layer for the data
// frequencies of the current section. FSTART and FEND are kept.
void FNDDHF1();

// Shared by the F1 and F2 solvers.
namespace fsection {

// The two console lines of a section whose start is not below its top.
void report_range_error(const char* layer_line, const char* error_line);

// True when more than four of the smallest data-frequency spacings fit
// between the lower boundary and the first data frequency (a data gap).
bool data_start_far_above(float lower);

// Direct solution of the loaded section (its E and valley delays first,
// the F1 delay too when asked): DENSTY with the section's terms, FEWTERM
// when that keeps no fit, or FEWTERM at once for at most five points when
// asked. E gets the residual. True when FEWTERM ran and kept a fit (A is
// then 0 above the term count it used).
bool solve_direct(bool f1_delay, bool few_points_first, float& E);

// Term-by-term build-up (1 to 5 terms) of the section whose top is
// FC(top_index), with synthetic points FK(1) - J*FQINCR above FLOW taking
// the virtual heights of the previous pass; each good pass is copied into
// COEF. True when a pass succeeded: A, NN, FEND, FC(top_index) and KCHK = 0
// then hold the last good pass, and E its residual. Otherwise KCHK is that
// of the failed first pass and FC(top_index) is as on entry.
bool solve_extrapolated(int top_index, float FLOW, float* COEF, bool f1_delay, float& E);

// Peak height of a solved section: its start height minus the sum of its
// coefficients COEF(1..n); amax gets their largest magnitude.
float peak_height(float start, const float* COEF, int n, float& amax);

// ZMF1 from AF1(1..n) and the F1 start height; false (status 10 set) when
// the F1 peak lies at or below the E peak, above 300 km, or a coefficient
// exceeds 999 in magnitude.
bool f1_peak_plausible(int n);

}  // namespace fsection

}  // namespace kolm
