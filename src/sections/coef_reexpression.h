// Re-expression of a section's shifted-Chebyshev coefficients on a new start
// frequency with the same end (peak) frequency, through the power series.
#pragma once

#include <cmath>
#include <cstdint>

#include "blocks/farray.h"

namespace kolm {

inline constexpr int MAXREEXP = 5;  // terms the tables cover

// Basis-change matrices, 5 x 5, first index fastest; the leading NN x NN part is used.
using ReexpMatrix = FArray2<float, MAXREEXP, MAXREEXP>;

// Power coefficients of the shifted Chebyshev polynomials (column j: T*(j-1)),
// and the inverse table (column j: Chebyshev coefficients of X**(j-1)).
extern const ReexpMatrix TCP;
extern const ReexpMatrix TPC;

// SECTION_GRAM(i,j): integral over X from 0 to 1 of X T*(i-1)(X) T*(j-1)(X),
// the inner product of the section's basis terms sqrt(X) T*(j-1)(X) (the Q
// table of the peak fit, TIJTAB of the bottomside fit).
extern const ReexpMatrix SECTION_GRAM;

// sqrt(X) * sum over j = 1..n of A(j) T*(j-1)(X): the height of a section
// curve above its peak at section co-ordinate X (1 at the start, 0 at the top).
// Inline: the table bisections evaluate it thousands of times per record.
inline float section_curve(const float* A, int n, float X) {
    if (n <= 0) return 0.0f;
    // Shifted Chebyshev recurrence: T*0 = 1, T*1 = 2X - 1, T*k = 2(2X - 1)T*(k-1) - T*(k-2).
    const float t = 2.0f * X - 1.0f;
    float tm2 = 1.0f, tm1 = t;
    float sum = A[0];
    if (n > 1) sum += A[1] * t;
    for (int k = 2; k < n; ++k) {
        const float tk = 2.0f * t * tm1 - tm2;
        sum += A[k] * tk;
        tm2 = tm1;
        tm1 = tk;
    }
    return std::sqrt(X) * sum;
}

// Section co-ordinate ln(f/FEND)/ln(FSTART/FEND) of the plasma frequency f.
inline float section_coordinate(float f, float FSTART, float FEND) {
    return std::log(f / FEND) / std::log(FSTART / FEND);
}

// The co-ordinates of many plasma frequencies of one range, with
// ln(FSTART/FEND) taken once; the values of section_coordinate.
struct SectionRange {
    float FEND, LR;
    SectionRange(float FSTART, float FEND_) : FEND(FEND_), LR(std::log(FSTART / FEND_)) {}
    float coordinate(float f) const { return std::log(f / FEND) / LR; }
};

// AP(1..NN): the coefficients A(1..NN) of the curve on the range F1..F0
// re-expressed on the range F2..F0. Entries of AP above NN are not touched.
// A degenerate change (F1 = F0, a frequency not positive, F2 on the other
// side of F0) copies A unchanged. The basis change of the last call is kept
// (run state) and used again for the same NN and range.
void CONTPRFL(int16_t NN, float F1, float F0, const float* A, float F2, float* AP);

// S := the basis change CONTPRFL applies to NN coefficients from the range
// F1..F0 to F2..F0 (S(i,j) for 1 <= i <= j <= NN, 0 elsewhere). False, S
// untouched, for a degenerate change, where CONTPRFL copies the coefficients.
bool reexpression_change(int16_t NN, float F1, float F0, float F2, ReexpMatrix& S);

// TL := diagonal sqrt(LAMBDA)*LAMBDA**(k-1), k = 1..NN.
void SETLAMPT(int16_t NN, float LAMBDA, ReexpMatrix& TL);

// S := TPC * TL * TCP restricted to the upper triangle 1 <= i <= j <= NN.
void SETS(int16_t NN, const ReexpMatrix& TL, ReexpMatrix& S);

// AP(i) := sum over j = i..NN of S(i,j)*A(j).
void ATOAP(int16_t NN, const ReexpMatrix& S, const float* A, float* AP);

}  // namespace kolm

