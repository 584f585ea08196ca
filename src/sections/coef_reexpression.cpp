// Coefficient re-expression on a new frequency range.
//
// The curve sqrt(X) * sum A(j) T*(j-1)(X), X = ln(f/F0)/ln(F1/F0), becomes on
// the range F2..F0 (co-ordinate X' with X = lambda X') the curve
// sqrt(lambda) sqrt(X') * sum A(j) T*(j-1)(lambda X'): Chebyshev coefficients
// go to power coefficients (TCP), each power k-1 is scaled by
// sqrt(lambda) lambda**(k-1), and the powers go back to Chebyshev (TPC).
#include "sections/coef_reexpression.h"

#include <bit>
#include <cmath>
#include <cstdint>

#include "blocks/run_state.h"
#include "platform/console.h"

namespace kolm {

namespace {

constexpr ReexpMatrix make_table(const float (&rows)[MAXREEXP][MAXREEXP]) {
    ReexpMatrix m{};
    for (int i = 0; i < MAXREEXP; ++i)
        for (int j = 0; j < MAXREEXP; ++j) m.v[i + MAXREEXP * j] = rows[i][j];
    return m;
}

constexpr float TCP_ROWS[MAXREEXP][MAXREEXP] = {
    {1.0f, -1.0f, 1.0f, -1.0f, 1.0f},
    {0.0f, 2.0f, -8.0f, 18.0f, -32.0f},
    {0.0f, 0.0f, 8.0f, -48.0f, 160.0f},
    {0.0f, 0.0f, 0.0f, 32.0f, -256.0f},
    {0.0f, 0.0f, 0.0f, 0.0f, 128.0f},
};

constexpr float TPC_ROWS[MAXREEXP][MAXREEXP] = {
    {1.0f, 0.5f, 0.375f, 0.3125f, 0.2734375f},
    {0.0f, 0.5f, 0.5f, 0.46875f, 0.4375f},
    {0.0f, 0.0f, 0.125f, 0.1875f, 0.21875f},
    {0.0f, 0.0f, 0.0f, 0.03125f, 0.0625f},
    {0.0f, 0.0f, 0.0f, 0.0f, 0.0078125f},
};

constexpr float GRAM_ROWS[MAXREEXP][MAXREEXP] = {
    {1.0f / 2.0f, 1.0f / 6.0f, -1.0f / 6.0f, -1.0f / 10.0f, -1.0f / 30.0f},
    {1.0f / 6.0f, 1.0f / 6.0f, 1.0f / 30.0f, -1.0f / 10.0f, -13.0f / 210.0f},
    {-1.0f / 6.0f, 1.0f / 30.0f, 7.0f / 30.0f, 1.0f / 14.0f, -19.0f / 210.0f},
    {-1.0f / 10.0f, -1.0f / 10.0f, 1.0f / 14.0f, 17.0f / 70.0f, 7.0f / 90.0f},
    {-1.0f / 30.0f, -13.0f / 210.0f, -19.0f / 210.0f, 7.0f / 90.0f, 31.0f / 126.0f},
};

// The tables have five rows; a larger count is reported and cut to five.
int term_count(int16_t NN) {
    if (NN > MAXREEXP) return MAXREEXP;
    return NN < 0 ? 0 : NN;
}

}  // namespace

const ReexpMatrix TCP = make_table(TCP_ROWS);
const ReexpMatrix TPC = make_table(TPC_ROWS);
const ReexpMatrix SECTION_GRAM = make_table(GRAM_ROWS);

void SETLAMPT(int16_t NN, float LAMBDA, ReexpMatrix& TL) {
    if (NN > MAXREEXP) platform::pause_program("NN CAN NOT BE LARGER THAN 5.");
    const int n = term_count(NN);
    TL.fill(0.0f);
    const float root = std::sqrt(LAMBDA);
    float power = 1.0f;
    for (int k = 1; k <= n; ++k) {
        TL(k, k) = root * power;
        power *= LAMBDA;
    }
}

namespace {

// The upper triangle of S for n terms. Each product TPC(i,k)*TL(k,k) is
// formed once and used for every column; with n fixed the loops unroll.
template <int n>
void sets_triangle(const ReexpMatrix& TL, ReexpMatrix& S) {
    float P[MAXREEXP][MAXREEXP];
#pragma GCC unroll 5
    for (int i = 1; i <= n; ++i)
#pragma GCC unroll 5
        for (int k = i; k <= n; ++k) P[i - 1][k - 1] = TPC(i, k) * TL(k, k);
#pragma GCC unroll 5
    for (int j = 1; j <= n; ++j)
#pragma GCC unroll 5
        for (int i = 1; i <= j; ++i) {
            float sum = 0.0f;
#pragma GCC unroll 5
            for (int k = i; k <= j; ++k) sum += P[i - 1][k - 1] * TCP(k, j);
            S(i, j) = sum;
        }
}

}  // namespace

void SETS(int16_t NN, const ReexpMatrix& TL, ReexpMatrix& S) {
    S.fill(0.0f);
    switch (term_count(NN)) {
        case 1: sets_triangle<1>(TL, S); break;
        case 2: sets_triangle<2>(TL, S); break;
        case 3: sets_triangle<3>(TL, S); break;
        case 4: sets_triangle<4>(TL, S); break;
        case 5: sets_triangle<5>(TL, S); break;
        default: break;
    }
}

void ATOAP(int16_t NN, const ReexpMatrix& S, const float* A, float* AP) {
    const int n = term_count(NN);
    for (int i = 1; i <= n; ++i) {
        float sum = 0.0f;
        for (int j = i; j <= n; ++j) sum += S(i, j) * A[j - 1];
        AP[i - 1] = sum;
    }
}

namespace {

// The basis change of the last re-expression, by the bit patterns of its
// range: the bottomside fit re-expresses every shape of its table between
// the same two ranges, one call per shape.
struct LastReexpression {
    bool known = false;
    int16_t NN = 0;
    uint32_t F1 = 0, F0 = 0, F2 = 0;
    ReexpMatrix S{};
};
LastReexpression last_reexpression;
const RunStateReset last_reexpression_reset([] { last_reexpression = LastReexpression{}; });

}  // namespace

bool reexpression_change(int16_t NN, float F1, float F0, float F2, ReexpMatrix& S) {
    float lambda = NAN;
    if (F2 != F1 && F1 > 0.0f && F0 > 0.0f && F2 > 0.0f && F1 != F0)
        lambda = std::log(F2 / F0) / std::log(F1 / F0);
    if (!(lambda >= 0.0f) || !std::isfinite(lambda)) return false;
    ReexpMatrix TL;
    SETLAMPT(NN, lambda, TL);
    SETS(NN, TL, S);
    return true;
}

void CONTPRFL(int16_t NN, float F1, float F0, const float* A, float F2, float* AP) {
    const int n = term_count(NN);
    // Through a temporary: AP may be A itself.
    float in[MAXREEXP];
    for (int j = 0; j < n; ++j) in[j] = A[j];
    auto& last = last_reexpression;
    const uint32_t b1 = std::bit_cast<uint32_t>(F1), b0 = std::bit_cast<uint32_t>(F0),
                   b2 = std::bit_cast<uint32_t>(F2);
    if (last.known && last.NN == NN && last.F1 == b1 && last.F0 == b0 && last.F2 == b2) {
        ATOAP(NN, last.S, in, AP);
        return;
    }
    ReexpMatrix S;
    if (!reexpression_change(NN, F1, F0, F2, S)) {
        for (int j = 0; j < n; ++j) AP[j] = in[j];
        return;
    }
    // A count beyond the tables is reported at every call, so not kept.
    if (NN <= MAXREEXP) last = {true, NN, b1, b0, b2, S};
    ATOAP(NN, S, in, AP);
}

}  // namespace kolm

