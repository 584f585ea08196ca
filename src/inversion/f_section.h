// Steps shared by the F1 and F2 solvers: the range error report, the test
// for a data gap above the lower boundary, the direct solution and the
// term-by-term build-up of an F section, and its peak height.
#pragma once

namespace kolm {

namespace fsection {

// The two console lines of a section whose start is not below its top.
// Reads: TRCSEC.
// Writes: no block.
void report_range_error(const char* layer_line, const char* error_line);

// True when more than four of the smallest data-frequency spacings fit
// between the lower boundary and the first data frequency (a data gap).
// Reads: TRCSEC.
// Writes: no block.
bool data_start_far_above(float lower);

// How an F section is solved.
struct SolveOptions {
    bool f1_delay = false;          // the F1 group delay enters the data (F2 above an F1 layer)
    bool few_points_first = false;  // at most five points go to FEWTERM at once
};

// Direct solution of the loaded section (its E and valley delays first,
// the F1 delay too when asked): DENSTY with the section's terms, FEWTERM
// when that keeps no fit, or FEWTERM at once for at most five points when
// asked. E gets the residual. True when FEWTERM ran and kept a fit (A is
// then 0 above the term count it used).
// Reads: SMAT, TRCSEC.
// Writes: no block of its own (see FNDDHE, FNDDHV, FNDDHF1, DENSTY, FEWTERM).
bool solve_direct(const SolveOptions& how, float& E);

// Term-by-term build-up (1 to 5 terms; the F1 delay as in solve_direct) of
// the section whose top is FC(top_index), with synthetic points
// FK(1) - J*FQINCR above FLOW taking the virtual heights of the previous
// pass; each good pass is copied into COEF. True when a pass succeeded: A, NN, FEND, FC(top_index) and KCHK = 0
// then hold the last good pass, and E its residual. Otherwise KCHK is that
// of the failed first pass and FC(top_index) is as on entry.
// Reads: LAYCOF, SCLCHR, SMAT, TRCSEC.
// Writes: LAYCOF (A, FC), SMAT (KCHK), TRCSEC (FEND, FK, NFQ, NN, PPO).
bool solve_extrapolated(int top_index, float FLOW, float* COEF, const SolveOptions& how, float& E);

// Peak height of a solved section: its start height minus the sum of its
// coefficients COEF(1..n); amax gets their largest magnitude.
// Reads: no block.
// Writes: no block.
float peak_height(float start, const float* COEF, int n, float& amax);

// ZMF1 from AF1(1..n) and the F1 start height; false (status 10 set) when
// the F1 peak lies at or below the E peak, above 300 km, or a coefficient
// exceeds 999 in magnitude.
// Reads: DERPAR, LAYCOF.
// Writes: LAYCOF (ZMF1), SCALE2 (IQUALE).
bool f1_peak_plausible(int n);

}  // namespace fsection

}  // namespace kolm
