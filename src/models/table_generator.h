// The TECCOF and B0B1DT tables made from their definitions, in 64-bit
// reals, for the table generator of the build and for the tests.
//
// A profile section from start frequency FS to peak frequency FM at height
// HP has the height h(f) = HP + sqrt(u) sum a(j) T*(j-1)(u),
// u = ln(f/FM)/ln(FS/FM), T*(n)(u) = T(n)(2u - 1).
//
// TECCOF: the content integral of fN**2 dh over such a section is
// FM**2 sum a(j) w(j)(r) with r = FS/FM and, by parts,
// w(j)(r) = -r**2 + 2 ln r integral over u from 0 to 1 of
// sqrt(u) T*(j-1)(u) r**(2u) du; w(j)(1) = -1, w(j)(0) = 0. The table holds
// 1000 w(j) at the ratios 0.000 to 1.000 by 0.001.
//
// B0B1DT: for B1 = 1.00 to 6.00 by 0.01, the IRI bottomside with B0 = 1,
// fN**2/foF2**2 = exp(-X**B1)/cosh(X), as the section on
// [0.48827 foF2, foF2]: -X/sqrt(u) projected onto the first five T* in the
// inner product integral of u p q du (the least-squares fit of the height
// -X in u).
#pragma once

#include <string>

#include "models/table_files.h"

namespace kolm {

inline constexpr int TECCOF_RECORDS = 1001;  // ratios 0.000 to 1.000
inline constexpr int B0B1DT_RECORDS = 501;   // B1 = 1.00 to 6.00
inline constexpr double B0B1DT_FIRST_B1 = 1.0;
inline constexpr double B0B1DT_B1_STEP = 0.01;

// w(1..5)(r) of a section with start-to-peak ratio r, 0 <= r <= 1.
void teccof_weights(double r, double w[5]);

// X >= 0 where exp(-X**B1)/cosh(X) equals RHO2 (0 < RHO2 <= 1).
double iri_depth(double RHO2, double B1);

// S(1..5): the bottomside of shape B1 and thickness 1 as section coefficients
// on [0.48827 foF2, foF2].
void b0b1_shape(double B1, double S[5]);

// G(i,j) = integral over u from 0 to 1 of u T*(i-1)(u) T*(j-1)(u) du,
// i, j = 1..5, at G[i-1][j-1].
void section_gram(double G[5][5]);

// The table records as the generator writes them.
TableRecords teccof_records();
TableRecords b0b1dt_records();

// The text layout of B0B1DT.ASC written here (it is read free-format).
extern const fmt::Format B0B1DT_FORMAT;

// Writes TECCOF.BIN, TECCOF.ASC, B0B1DT.BIN and B0B1DT.ASC into DIR; false
// when a file could not be written.
bool write_model_tables(const std::string& DIR);

}  // namespace kolm
