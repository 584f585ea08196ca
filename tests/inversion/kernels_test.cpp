// Integral, fit and shape kernels of the inversion against independent
// double-precision computations.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "blocks/peltarscale.h"
#include "blocks/peltartrueh.h"
#include "blocks/run_state.h"
#include "inversion/gauss_integral.h"
#include "inversion/least_squares.h"
#include "inversion/monotonicity.h"
#include "inversion/profil1.h"
#include "inversion/starting_shapes.h"
#include "reference.h"

namespace kolm {
namespace {

constexpr double PI = 3.14159265358979323846;

void fresh(float dip = 0.0f, float fh = 1.0e-7f) {
    reset_run_state();
    SETCV();
    FLDPAR.DIP = dip;
    FLDPAR.FH = fh;
    GOGXCOM(dip);
}

// Legendre polynomial P16 at x by the three-term recurrence.
double legendre16(double x) {
    double p0 = 1.0, p1 = x;
    for (int n = 1; n < 16; ++n) {
        const double p2 = ((2.0 * n + 1.0) * x * p1 - n * p0) / (n + 1.0);
        p0 = p1;
        p1 = p2;
    }
    return p1;
}

TEST(GaussLegendre, NodesAreLegendreRootsAndRuleIsExactToDegree31) {
    for (int j = 1; j <= NGAUSS; ++j) {
        EXPECT_NEAR(legendre16(2.0 * GAUSSU(j) - 1.0), 0.0, 2e-5) << j;
        if (j > 1) {
            EXPECT_LT(GAUSSU(j - 1), GAUSSU(j));
        }
        EXPECT_FLOAT_EQ(GAUSSU2(j), GAUSSU(j) * GAUSSU(j));
        EXPECT_FLOAT_EQ(GAUSSU(j) + GAUSSU(17 - j), 1.0f);
        EXPECT_FLOAT_EQ(GAUSSW(j), GAUSSW(17 - j));
    }
    for (int k = 0; k <= 31; ++k) {
        double s = 0.0;
        for (int j = 1; j <= NGAUSS; ++j) s += double(GAUSSW(j)) * std::pow(double(GAUSSU(j)), k);
        EXPECT_NEAR(s, 1.0 / (k + 1), 2e-7) << "degree " << k;
    }
    EXPECT_NEAR(GAUSSU(1), 0.0052995f, 1e-7f);
    EXPECT_NEAR(GAUSSU(16), 0.9947005f, 1e-7f);
    EXPECT_NEAR(GAUSSW(1), 0.0135762f, 1e-7f);
    EXPECT_NEAR(GAUSSW(8), 0.0947253f, 1e-7f);
}

TEST(FieldTerms, FollowTheDip) {
    fresh();
    const float dip = 1.2f;
    GOGXCOM(dip);
    const double t = std::tan(double(dip)), s2 = std::pow(std::sin(double(dip)), 2);
    const auto& R = SAOHDR.REALIN;
    EXPECT_NEAR(R(50), t * t, 1e-5 * t * t);
    EXPECT_NEAR(R(49), 2 * t * t, 2e-5 * t * t);
    EXPECT_NEAR(R(48), 4 * t * t, 4e-5 * t * t);
    EXPECT_NEAR(R(47), std::pow(std::cos(double(dip)), 2), 1e-6);
    EXPECT_NEAR(R(41), 4 * s2 / ((1 + s2) * (1 + s2)), 1e-6);
    EXPECT_NEAR(R(42), 2 * s2 / (1 + s2), 1e-6);
}

TEST(GroupIndex, MatchesAppletonHartreeOrdinaryRay) {
    struct Case {
        double dip, fh;
    };
    const Case cases[] = {{0.0, 1.2}, {30 * PI / 180, 1.2}, {60 * PI / 180, 1.4}, {1.569051, 1.4},
                          {-70 * PI / 180, 0.8}, {1.0, 1.0e-7}};
    const double freqs[] = {1.5, 3.0, 6.0, 11.0};
    const double xs[] = {0.0, 0.1, 0.5, 0.9, 0.99, 0.999};
    for (const Case& c : cases) {
        fresh(static_cast<float>(c.dip), static_cast<float>(c.fh));
        for (double f : freqs)
            for (double x : xs) {
                const double fn2 = x * f * f;
                float G = -1.0f;
                GOSUB(0.5f, float(f), float(fn2), float(c.fh), 0.0f, G);
                const double fd = testref::ah_group_index(f, fn2, c.fh, c.dip);
                const double an = testref::ah_group_index_analytic(f, fn2, c.fh, c.dip);
                if (x <= 0.99) {
                    EXPECT_NEAR(an, fd, 1e-7 * fd);
                }
                // Single precision near reflection: 1 - X loses digits.
                const double tol = (x > 0.99 ? 2e-3 : 2e-5) * fd;
                EXPECT_NEAR(G / 0.5, fd, tol) << "dip " << c.dip << " fh " << c.fh << " f " << f << " X " << x;
            }
    }
}

TEST(GroupIndex, ZeroAtAndBeyondReflectionAndNoFieldLimit) {
    fresh(0.0f, 1.0f);
    float G = -1.0f;
    GOSUB(1.0f, 3.0f, 9.0f, 1.0f, 0.0f, G);
    EXPECT_EQ(G, 0.0f);
    G = -1.0f;
    GOSUB(1.0f, 3.0f, 10.0f, 1.0f, 0.0f, G);
    EXPECT_EQ(G, 0.0f);
    // Dip 0: W = 0, R = 1, Q = 0, P = 1 and G = U / sqrt(1 - X).
    GOSUB(0.7f, 3.0f, 4.5f, 1.0f, 0.0f, G);
    EXPECT_FLOAT_EQ(G, 0.7f / std::sqrt(0.5f));
    // Dip clamped near 90 degrees stays finite.
    fresh(1.569051f, 1.4f);
    GOSUB(1.0f, 3.0f, 4.5f, 1.4f, 0.0f, G);
    EXPECT_TRUE(std::isfinite(G));
    EXPECT_GT(G, 1.0f);
}

// Section with NN terms from `a` on [fs, fe], data frequencies `f`.
void load_section(float fs, float fe, const std::vector<double>& a, const std::vector<double>& f) {
    TRCSEC.FSTART = fs;
    TRCSEC.FEND = fe;
    TRCSEC.NN = static_cast<int16_t>(a.size());
    TRCSEC.NFQ = static_cast<int16_t>(f.size());
    for (size_t k = 0; k < f.size(); ++k) TRCSEC.FK(int(k) + 1) = float(f[k]);
    for (size_t n = 0; n < a.size(); ++n) LAYCOF.A(int(n) + 1) = float(a[n]);
}

// Group path of basis term `term` alone (unit coefficient).
double reference_term(int term, double f, double fs, double fe, double fv, double fh, double dip) {
    std::vector<double> a(term, 0.0);
    a[term - 1] = 1.0;
    return testref::section_group_path(f, fs, fe, a, fv, fh, dip);
}

TEST(VirtualHeightIntegral, SikMatchesDenseIntegration) {
    const std::vector<double> coef = {-40.0, 8.0, -2.0, 0.5, -0.1};
    const std::vector<double> freqs = {1.9, 2.0, 2.3, 3.1, 4.0, 4.9, 5.6, 5.95};
    struct Case {
        double dip, fh;
    };
    for (const Case& c : {Case{0.0, 1.0e-7}, Case{1.1, 1.3}, Case{-0.5, 0.9}}) {
        fresh(float(c.dip), float(c.fh));
        load_section(2.0f, 6.0f, coef, freqs);
        CDO();
        SIK();
        for (size_t k = 0; k < freqs.size(); ++k) {
            for (int n = 1; n <= 5; ++n) {
                const double ref = reference_term(n, freqs[k], 2.0, 6.0, 1e9, c.fh, c.dip);
                const double got = SMAT.S(n, int(k) + 1);
                if (freqs[k] <= 2.0) {
                    EXPECT_EQ(got, 0.0);
                } else {
                    EXPECT_NEAR(got, ref, 2e-3 * std::fabs(ref) + 2e-3)
                        << "dip " << c.dip << " f " << freqs[k] << " term " << n;
                }
            }
        }
    }
}

TEST(VirtualHeightIntegral, PointsAtOrAboveTheTopAreNotIntegrated) {
    fresh(0.9f, 1.2f);
    load_section(2.0f, 6.0f, {-40.0, 8.0, -2.0}, {5.0, 6.0, 6.5});
    CDO();
    SIK();
    EXPECT_LT(SMAT.S(1, 1), 0.0f);  // per unit coefficient; the section coefficients are negative
    for (int k = 2; k <= 3; ++k)
        for (int n = 1; n <= 3; ++n) EXPECT_EQ(SMAT.S(n, k), 0.0f);
    EXPECT_FLOAT_EQ(FSQR.FSQ(3), 42.25f);
    EXPECT_FLOAT_EQ(FSQR.FSQD(3), 42.25f - 4.0f);
}

TEST(VirtualHeightIntegral, SikpMatchesDenseIntegrationBelowItsLimit) {
    const std::vector<double> freqs = {3.5, 4.2, 5.0, 7.5};
    for (double dip : {0.0, 1.2}) {
        fresh(float(dip), 1.3f);
        load_section(1.0f, 3.0f, {-20.0, 4.0, -1.0, 0.3, -0.05}, freqs);
        for (double fv : {2.2, 3.0}) {
            SIKP(float(fv));
            for (size_t k = 0; k < freqs.size(); ++k)
                for (int n = 1; n <= 5; ++n) {
                    const double got = DERPAR.SU(n, int(k) + 1);
                    const double ref = reference_term(n, freqs[k], 1.0, 3.0, fv, 1.3, dip);
                    const double tol = 2e-3 * std::fabs(ref) + 1e-3;
                    EXPECT_NEAR(got, ref, tol) << "dip " << dip << " fv " << fv << " f " << freqs[k] << " n " << n;
                    EXPECT_TRUE(std::isfinite(got));
                }
        }
    }
}

// The integrals node by node as the rules state them: GOSUB and DTST per
// node, the terms summed in node order. The kernels evaluate all nodes at
// once and must give the same floats.
float sik_node_by_node(int n, int k) {
    const float FEND = TRCSEC.FEND, LR = std::log(TRCSEC.FSTART / FEND);
    const float FSQD = FSQR.FSQD(k), F = TRCSEC.FK(k);
    if (FSQD == 0.0f || !(F < FEND)) return 0.0f;
    float sum = 0.0f;
    for (int j = 1; j <= NGAUSS; ++j) {
        const float fn2 = FSQR.FSQ(k) - FSQD * GAUSSU2(j);
        float g;
        GOSUB(GAUSSU(j), F, fn2, FLDPAR.FH, FLDPAR.DIP, g);
        const float x = std::log(std::sqrt(fn2) / FEND) / LR;
        sum += DTST(x, n) * FSQD * GAUSSW(j) * (0.5f / (LR * fn2)) * g / std::sqrt(x);
    }
    return sum;
}

float sikp_node_by_node(float fv, int n, int k) {
    const float FEND = TRCSEC.FEND, LR = std::log(TRCSEC.FSTART / FEND);
    const float DV = fv * fv - TRCSEC.FSTART * TRCSEC.FSTART;
    if (!(DV > 0.0f)) return 0.0f;
    const float SQ = std::sqrt(DV);
    float sum = 0.0f;
    for (int j = 1; j <= NGAUSS; ++j) {
        const float u = GAUSSU(j);
        const float fn2 = (fv + u * SQ) * (fv - u * SQ);
        float fn = std::sqrt(fn2);
        if (fn >= FEND) fn = FEND - 1.0e-6f;
        float g;
        GOSUB(u, TRCSEC.FK(k), fn2, FLDPAR.FH, FLDPAR.DIP, g);
        const float x = std::log(fn / FEND) / LR;
        sum += DTST(x, n) * GAUSSW(j) * g / (fn2 * std::sqrt(x));
    }
    return sum * DV * 0.5f / LR;
}

uint32_t bits(float x) { return std::bit_cast<uint32_t>(x); }

TEST(VirtualHeightIntegral, AllNodesAtOnceGiveTheFloatsOfOneNodeAtATime) {
    std::mt19937 rng(1919);
    std::uniform_real_distribution<float> uni(0.0f, 1.0f);
    int beyond_reflection = 0;
    for (int trial = 0; trial < 400; ++trial) {
        fresh(1.569051f * (2.0f * uni(rng) - 1.0f), trial % 7 == 0 ? 1.0e-7f : 0.5f + 1.1f * uni(rng));
        // The group index of every node, also at and beyond reflection (+0).
        const float f = 1.0f + 10.0f * uni(rng);
        NodeArray fn2, g;
        for (int j = 1; j <= NGAUSS; ++j) fn2(j) = f * f * (1.2f * uni(rng));
        fn2(1) = f * f;
        node_group_indices(f, fn2, FLDPAR.FH, g);
        for (int j = 1; j <= NGAUSS; ++j) {
            float one;
            GOSUB(GAUSSU(j), f, fn2(j), FLDPAR.FH, FLDPAR.DIP, one);
            ASSERT_EQ(bits(g(j)), bits(one)) << "trial " << trial << " node " << j;
            beyond_reflection += !(fn2(j) < f * f);
        }
        // A section with data below its start, inside and at or above its top.
        const float fs = 0.2f + 5.0f * uni(rng), fe = fs + 0.05f + 5.0f * uni(rng);
        std::vector<double> freqs;
        for (int k = 0; k < 30; ++k) freqs.push_back(fs - 0.1f + (fe - fs + 0.3f) * uni(rng));
        freqs.push_back(fs);
        const int nn = 1 + trial % 8;
        load_section(fs, fe, std::vector<double>(size_t(nn), 1.0), freqs);
        CDO();
        SIK();
        for (int k = 1; k <= TRCSEC.NFQ; ++k)
            for (int n = 1; n <= nn; ++n)
                ASSERT_EQ(bits(SMAT.S(n, k)), bits(sik_node_by_node(n, k))) << "trial " << trial << " k " << k;
        TRCSEC.NN = int16_t(std::min(nn, 5));
        const float fv = trial % 5 == 0 ? fe : fs + (fe - fs) * uni(rng);
        SIKP(fv);
        for (int k = 1; k <= TRCSEC.NFQ; ++k)
            for (int n = 1; n <= TRCSEC.NN; ++n)
                ASSERT_EQ(bits(DERPAR.SU(n, k)), bits(sikp_node_by_node(fv, n, k))) << "trial " << trial << " k " << k;
    }
    EXPECT_GT(beyond_reflection, 1000);
}

// The SSE2 and AVX2 variants of the node loops, each called by name, on the
// same random states: the same floats for the group indices (also at and
// beyond reflection), S and SU, each from a fresh run so that both build
// their own kept crossing terms.
TEST(VirtualHeightIntegral, InstructionSetVariantsGiveTheSameFloats) {
    if (processor_node_isa() != NodeIsa::avx2) GTEST_SKIP() << "no AVX2 on this processor";
    struct Trial {
        float dip, fh, f, fs, fe, fv;
        int nn;
        NodeArray fn2;
        std::vector<double> freqs;
    };
    std::mt19937 rng(2024);
    std::uniform_real_distribution<float> uni(0.0f, 1.0f);
    auto make = [&](int trial) {
        Trial t;
        t.dip = trial % 11 == 0 ? 0.0f : 1.569051f * (2.0f * uni(rng) - 1.0f);
        t.fh = trial % 7 == 0 ? 1.0e-7f : 0.5f + 1.1f * uni(rng);
        t.f = 0.5f + 12.0f * uni(rng);
        for (int j = 1; j <= NGAUSS; ++j) t.fn2(j) = t.f * t.f * (1.2f * uni(rng));
        t.fn2(1) = t.f * t.f;
        t.fn2(2) = 0.0f;
        t.fs = 0.2f + 5.0f * uni(rng);
        t.fe = t.fs + (trial % 5 == 0 ? 0.001f : 0.05f + 5.0f * uni(rng));
        for (int k = 0; k < 24; ++k) t.freqs.push_back(t.fs - 0.1f + (t.fe - t.fs + 0.3f) * uni(rng));
        t.freqs.push_back(t.fs);
        t.freqs.push_back(t.fe);
        t.nn = 1 + trial % 8;
        t.fv = trial % 4 == 0 ? t.fe : t.fs + (t.fe - t.fs) * uni(rng);
        return t;
    };
    auto run = [](const Trial& t, NodeIsa isa) {
        std::vector<uint32_t> out;
        fresh(t.dip, t.fh);
        NodeArray g;
        node_group_indices(isa, t.f, t.fn2, FLDPAR.FH, g);
        for (int j = 1; j <= NGAUSS; ++j) out.push_back(bits(g(j)));
        load_section(t.fs, t.fe, std::vector<double>(size_t(t.nn), 1.0), t.freqs);
        CDO();
        SIK(isa);
        for (int k = 1; k <= TRCSEC.NFQ; ++k)
            for (int n = 1; n <= t.nn; ++n) out.push_back(bits(SMAT.S(n, k)));
        TRCSEC.NN = int16_t(std::min(t.nn, 5));
        SIKP(isa, t.fv);
        // Once more from the kept terms.
        SIKP(isa, t.fv);
        for (int k = 1; k <= TRCSEC.NFQ; ++k)
            for (int n = 1; n <= TRCSEC.NN; ++n) out.push_back(bits(DERPAR.SU(n, k)));
        return out;
    };
    for (int trial = 0; trial < 600; ++trial) {
        const Trial t = make(trial);
        ASSERT_EQ(run(t, NodeIsa::sse2), run(t, NodeIsa::avx2)) << "trial " << trial;
    }
}

// The kept node terms of SIKP serve only their own range, term count and
// basis table: crossings in any order give the floats of a fresh run.
TEST(VirtualHeightIntegral, KeptCrossingTermsServeOnlyTheirOwnSection) {
    struct Crossing {
        float fs, fe, fv;
        int16_t nn;
        bool scaled_basis;  // the basis table with its first row doubled
    };
    const Crossing crossings[] = {{0.2f, 3.0f, 3.0f, 3, false}, {2.0f, 3.0f, 3.0f, 3, false},
                                  {3.0f, 4.5f, 4.5f, 5, false}, {3.0f, 4.5f, 4.0f, 5, false},
                                  {3.0f, 4.6f, 4.5f, 5, false}, {3.0f, 4.5f, 4.5f, 4, false},
                                  {0.2f, 3.0f, 3.0f, 3, true}};
    const std::vector<double> freqs = {3.2, 4.7, 6.0};
    auto run = [&](const Crossing& c) {
        load_section(c.fs, c.fe, std::vector<double>(size_t(c.nn), 1.0), freqs);
        SETCV();
        if (c.scaled_basis) TRCSEC.CV(1, 1) = 2.0f;
        SIKP(c.fv);
        std::vector<uint32_t> su;
        for (int k = 1; k <= TRCSEC.NFQ; ++k)
            for (int n = 1; n <= c.nn; ++n) su.push_back(bits(DERPAR.SU(n, k)));
        return su;
    };
    std::mt19937 rng(5);
    std::vector<size_t> order;
    std::vector<std::vector<uint32_t>> got;
    fresh(1.1f, 1.3f);
    for (int i = 0; i < 300; ++i) {
        order.push_back(rng() % std::size(crossings));
        got.push_back(run(crossings[order.back()]));
    }
    for (size_t i = 0; i < order.size(); ++i) {
        fresh(1.1f, 1.3f);
        EXPECT_EQ(got[i], run(crossings[order[i]])) << "crossing " << i << " of kind " << order[i];
    }
}

TEST(BasisPolynomials, AreTheScaledSlopesOfTheSectionTerms) {
    fresh();
    for (int n = 1; n <= 8; ++n)
        for (double x : {0.0, 0.05, 0.3, 0.77, 1.0}) {
            // 2 sqrt(X) d/dX [sqrt(X) T*(n-1, X)] = T* + 2 X T*'.
            double t, dt;
            testref::tstar(n - 1, x, t, dt);
            const double ref = t + 2.0 * x * dt;
            EXPECT_NEAR(DTST(float(x), n), ref, 1e-5 * std::max(1.0, std::fabs(ref)) * std::pow(4.0, n))
                << n << " " << x;
        }
    EXPECT_EQ(DTST(0.3f, 1), 1.0f);
    EXPECT_EQ(DTST(-7.0f, 1), 1.0f);
}

// Power-form coefficients (ascending) to CV-basis coefficients A.
std::vector<double> power_to_basis(const std::vector<double>& c) {
    const int nn = int(c.size());
    std::vector<double> a(nn, 0.0);
    for (int i = nn; i >= 1; --i) {
        // c(i) = sum_{j >= i} a(j) CV(j, j - i + 1)
        double s = c[i - 1];
        for (int j = i + 1; j <= nn; ++j) s -= a[j - 1] * TRCSEC.CV(j, j - i + 1);
        a[i - 1] = s / TRCSEC.CV(i, 1);
    }
    return a;
}

int brute_force_zeros(const std::vector<double>& c) {
    auto p = [&](double x) {
        double y = 0.0;
        for (int i = int(c.size()) - 1; i >= 0; --i) y = y * x + c[i];
        return y;
    };
    int n = 0;
    const int steps = 200000;
    double prev = p(0.0);
    for (int i = 1; i <= steps; ++i) {
        const double y = p(double(i) / steps);
        if ((prev < 0.0) != (y < 0.0)) ++n;
        prev = y;
    }
    return n;
}

TEST(Monotonicity, CountsZerosLikeBruteForce) {
    fresh();
    std::mt19937 rng(12345);
    std::uniform_real_distribution<double> uni(0.0, 1.0);
    // The trials must cover both outcomes and the padded polynomials, or the
    // comparison proves little.
    int monotonic = 0, turning = 0, padded = 0;
    for (int trial = 0; trial < 800; ++trial) {
        const int nn = 2 + int(uni(rng) * 7);  // 2..8 terms
        // Every second polynomial is of lower degree than its term count:
        // zero leading coefficients.
        const int pad = trial % 2 ? int(uni(rng) * double(nn - 1)) : 0;
        // Distinct real roots, some inside (0, 1), kept apart from each other and the ends.
        std::vector<double> roots;
        const int deg = nn - 1 - pad;
        while (int(roots.size()) < deg) {
            const double r = -0.8 + 2.6 * uni(rng);
            bool ok = std::fabs(r) > 0.06 && std::fabs(r - 1.0) > 0.06;
            for (double q : roots) ok = ok && std::fabs(q - r) > 0.1;
            if (ok) roots.push_back(r);
        }
        std::vector<double> c = {uni(rng) < 0.5 ? -1.0 : 1.0};
        for (double r : roots) {
            std::vector<double> nc(c.size() + 1, 0.0);
            for (size_t i = 0; i < c.size(); ++i) {
                nc[i + 1] += c[i];
                nc[i] -= r * c[i];
            }
            c = nc;
        }
        c.resize(nn, 0.0);
        const std::vector<double> a = power_to_basis(c);
        TRCSEC.NN = int16_t(nn);
        for (int j = 1; j <= nn; ++j) LAYCOF.A(j) = float(a[j - 1]);
        int16_t ichk = -1;
        CHECKH(ichk);
        const int zeros = brute_force_zeros(c);
        EXPECT_EQ(ichk, zeros) << "trial " << trial << " nn " << nn;
        ++(zeros == 0 ? monotonic : turning);
        if (pad > 0) ++padded;
    }
    EXPECT_GE(monotonic, 100);
    EXPECT_GE(turning, 100);
    EXPECT_GE(padded, 100);
}

TEST(Monotonicity, EdgeCases) {
    fresh();
    auto check = [](const std::vector<double>& power) {
        const std::vector<double> a = power_to_basis(power);
        TRCSEC.NN = int16_t(a.size());
        for (size_t j = 0; j < a.size(); ++j) LAYCOF.A(int(j) + 1) = float(a[j]);
        int16_t ichk = -1;
        CHECKH(ichk);
        return int(ichk);
    };
    EXPECT_EQ(check({2.0, 1.0}), 0);        // straight line, zero at -2
    EXPECT_EQ(check({-0.5, 1.0}), 1);       // zero at 0.5
    EXPECT_EQ(check({0.06, -0.5, 1.0}), 2); // zeros at 0.2 and 0.3
    EXPECT_EQ(check({3.0}), 0);             // one term
    // A zero leading coefficient: the true degree is used.
    EXPECT_EQ(check({-0.5, 1.0, 0.0, 0.0}), 1);
    EXPECT_EQ(check({0.06, -0.5, 1.0, 0.0, 0.0}), 2);
    EXPECT_EQ(check({2.0, 1.0, 0.0}), 0);
}

// Reference Gaussian elimination with partial pivoting, double precision.
std::vector<double> solve_ref(std::vector<std::vector<double>> m, std::vector<double> b) {
    const int n = int(b.size());
    for (int k = 0; k < n; ++k) {
        int p = k;
        for (int i = k + 1; i < n; ++i)
            if (std::fabs(m[i][k]) > std::fabs(m[p][k])) p = i;
        std::swap(m[k], m[p]);
        std::swap(b[k], b[p]);
        for (int i = k + 1; i < n; ++i) {
            const double f = m[i][k] / m[k][k];
            for (int j = k; j < n; ++j) m[i][j] -= f * m[k][j];
            b[i] -= f * b[k];
        }
    }
    std::vector<double> x(n);
    for (int i = n - 1; i >= 0; --i) {
        double s = b[i];
        for (int j = i + 1; j < n; ++j) s -= m[i][j] * x[j];
        x[i] = s / m[i][i];
    }
    return x;
}

TEST(GaussJordan, SolvesRandomSystems) {
    std::mt19937 rng(777);
    std::uniform_real_distribution<double> uni(-1.0, 1.0);
    for (int trial = 0; trial < 300; ++trial) {
        const int n = 1 + trial % 8;
        std::vector<std::vector<double>> m(n, std::vector<double>(n));
        std::vector<double> b(n);
        NormalMatrix AM{};
        for (int i = 0; i < n; ++i) {
            for (int j = 0; j < n; ++j) {
                m[i][j] = float(uni(rng) + (i == j ? double(n) + 1.0 : 0.0));  // well conditioned
                AM(i + 1, j + 1) = float(m[i][j]);
            }
            b[i] = float(uni(rng) * 10.0);
            AM(i + 1, n + 1) = float(b[i]);
        }
        FArray<float, MAXTERMS> X{};
        EQUTN(AM, n, X);
        const std::vector<double> ref = solve_ref(m, b);
        for (int i = 0; i < n; ++i) EXPECT_NEAR(X(i + 1), ref[i], 1e-4 * (1.0 + std::fabs(ref[i]))) << trial;
    }
}

TEST(GaussJordan, DiagonalSingularAndTies) {
    NormalMatrix AM{};
    FArray<float, MAXTERMS> X{};
    for (int i = 1; i <= 4; ++i) {
        AM(i, i) = float(i) * 2.0f;
        AM(i, 5) = 3.0f;
    }
    EQUTN(AM, 4, X);
    for (int i = 1; i <= 4; ++i) EXPECT_FLOAT_EQ(X(i), 3.0f / (2.0f * float(i)));
    // All-zero matrix: every unknown 0.
    AM.fill(0.0f);
    AM(1, 4) = 5.0f;
    X.fill(7.0f);
    EQUTN(AM, 3, X);
    for (int i = 1; i <= 3; ++i) EXPECT_EQ(X(i), 0.0f);
    // Singular after the first step: rows 1 and 2 proportional.
    AM.fill(0.0f);
    AM(1, 1) = 1.0f; AM(1, 2) = 2.0f; AM(1, 3) = 1.0f;
    AM(2, 1) = 2.0f; AM(2, 2) = 4.0f; AM(2, 3) = 3.0f;
    X.fill(7.0f);
    EQUTN(AM, 2, X);
    EXPECT_EQ(X(1), 0.0f);
    EXPECT_EQ(X(2), 0.0f);
    // Equal largest magnitudes: the first met (row 1, column 1) is the pivot;
    // either way the solution of this regular system is exact.
    AM.fill(0.0f);
    AM(1, 1) = 4.0f; AM(1, 2) = -4.0f; AM(1, 3) = 8.0f;
    AM(2, 1) = 4.0f; AM(2, 2) = 2.0f; AM(2, 3) = 2.0f;
    EQUTN(AM, 2, X);
    EXPECT_FLOAT_EQ(X(1), 1.0f);
    EXPECT_FLOAT_EQ(X(2), -1.0f);
}

TEST(NormalEquations, ReducedHeightsAndSums) {
    fresh();
    TRCSEC.NFQ = 3;
    TRCSEC.NN = 2;
    const float ppo[3] = {200.0f, 150.0f, 90.0f};
    for (int k = 1; k <= 3; ++k) {
        TRCSEC.PPO(k) = ppo[k - 1];
        TRCSEC.DHE(k) = 50.0f;
        TRCSEC.DHV(k) = 20.0f;
        VALPAR.DHF1(k) = 30.0f;
        SMAT.S(1, k) = float(k);
        SMAT.S(2, k) = 1.0f;
    }
    NormalMatrix AM{};
    ESTAB(AM);
    EXPECT_FLOAT_EQ(REDHV.REDHV(1), 100.0f);
    EXPECT_FLOAT_EQ(REDHV.REDHV(2), 50.0f);
    EXPECT_FLOAT_EQ(REDHV.REDHV(3), 0.0f);  // below the lower layers: 0, not negative
    EXPECT_FLOAT_EQ(AM(1, 1), 14.0f);
    EXPECT_FLOAT_EQ(AM(1, 2), 6.0f);
    EXPECT_FLOAT_EQ(AM(2, 1), 6.0f);
    EXPECT_FLOAT_EQ(AM(2, 2), 3.0f);
    EXPECT_FLOAT_EQ(AM(1, 3), 200.0f);
    EXPECT_FLOAT_EQ(AM(2, 3), 150.0f);
}

// Largest deviation of the table row's curve from the unit parabolic layer,
// -sqrt(1 - (fn/fc)**2), over the section [r fc, fc].
double parabola_error(const float* c, double r) {
    const std::vector<double> a(c, c + 5);
    double worst = 0.0;
    for (int i = 0; i <= 400; ++i) {
        const double fn = r + (1.0 - r) * i / 400.0;
        const double ref = -std::sqrt(std::max(0.0, 1.0 - fn * fn));
        worst = std::max(worst, std::fabs(testref::section_offset(fn, r, 1.0, a) - ref));
    }
    return worst;
}

TEST(StartingShapes, TableRowsExpandTheUnitParabolicLayer) {
    fresh();
    TRCSEC.NN = 5;
    for (int row = 1; row <= NSHAPE; ++row) {
        LAYCOF.A.fill(0.0f);
        ZEROPROF(row);
        const double r = SHAPETAB(row, 1);
        // The five-term expansion loses accuracy at the smallest ratios.
        EXPECT_LT(parabola_error(LAYCOF.A.data(), r), r < 0.05 ? 1e-2 : 1e-3) << "row " << row;
    }
    // Interpolated shapes between the rows stay close to the layer too.
    // Near a ratio of 1 the coefficients change fastest and linear
    // interpolation between the last two rows is coarsest.
    for (double r : {0.007, 0.025, 0.15, 0.33, 0.62, 0.97}) {
        TRCSEC.FSTART = float(r) * 4.0f;
        TRCSEC.FEND = 4.0f;
        ZEROPROF(0);
        EXPECT_LT(parabola_error(LAYCOF.A.data(), r), r < 0.05 ? 1e-2 : (r > 0.95 ? 3e-2 : 3e-3)) << "ratio " << r;
    }
}

TEST(StartingShapes, LookupAndInterpolation) {
    fresh();
    TRCSEC.NN = 5;
    auto at_ratio = [](float fs, float fe) {
        TRCSEC.FSTART = fs;
        TRCSEC.FEND = fe;
        ZEROPROF(0);
    };
    auto expect_row = [](int row) {
        for (int j = 1; j <= 5; ++j) EXPECT_NEAR(LAYCOF.A(j), SHAPETAB(row, j + 1), 2e-6f * 2.0f) << row << " " << j;
    };
    at_ratio(0.3f, 3.0f);
    expect_row(12);
    at_ratio(1.8f, 3.0f);
    expect_row(25);
    at_ratio(0.003f, 3.0f);
    expect_row(1);
    at_ratio(2.997f, 3.0f);
    expect_row(33);
    // 0.15 interpolates rows 14 and 15 in the log of the ratio.
    at_ratio(0.45f, 3.0f);
    const double w = (std::log(0.15) - std::log(0.14)) / (std::log(0.16) - std::log(0.14));
    for (int j = 1; j <= 5; ++j)
        EXPECT_NEAR(LAYCOF.A(j), w * SHAPETAB(15, j + 1) + (1 - w) * SHAPETAB(14, j + 1), 1e-5) << j;
    // 0.275 interpolates rows 18 and 19 linearly.
    at_ratio(0.825f, 3.0f);
    for (int j = 1; j <= 5; ++j)
        EXPECT_NEAR(LAYCOF.A(j), 0.5 * SHAPETAB(18, j + 1) + 0.5 * SHAPETAB(19, j + 1), 1e-5) << j;
    ZEROPROF(33);
    expect_row(33);
    LAYCOF.A.fill(5.0f);
    ZEROPROF(40);
    for (int j = 1; j <= 5; ++j) EXPECT_EQ(LAYCOF.A(j), 5.0f);
    // NN limits the coefficients written.
    TRCSEC.NN = 3;
    ZEROPROF(2);
    EXPECT_EQ(LAYCOF.A(4), 5.0f);
    EXPECT_FLOAT_EQ(LAYCOF.A(3), SHAPETAB(2, 4));
    // More terms than the table has: the five are written, nothing beyond.
    TRCSEC.NN = 8;
    LAYCOF.A.fill(5.0f);
    ZEROPROF(1);
    EXPECT_FLOAT_EQ(LAYCOF.A(5), SHAPETAB(1, 6));
    at_ratio(0.45f, 3.0f);
    for (int j = 6; j <= 8; ++j) EXPECT_EQ(LAYCOF.A(j), 5.0f) << j;
}

}  // namespace
}  // namespace kolm
