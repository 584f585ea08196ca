// Generation of the TECCOF and B0B1DT tables.
//
// The integrals over u in [0, 1] carry sqrt(u) or a bottomside depth that
// rises like u**(1/B1); with u = s**2 both integrands are smooth enough for
// composite Gauss-Legendre quadrature in s.
#include "models/table_generator.h"

#include <cmath>

#include "models/bottomside.h"

namespace kolm {

const fmt::Format B0B1DT_FORMAT("(F5.2,5E16.8)");

namespace {

constexpr int GAUSS_POINTS = 16;
constexpr int PANELS = 32;

struct GaussRule {
    double x[GAUSS_POINTS];  // nodes on [-1, 1]
    double w[GAUSS_POINTS];
};

// Nodes and weights of the Gauss-Legendre rule by Newton's method on the
// Legendre polynomial.
GaussRule make_gauss_rule() {
    GaussRule g{};
    const int n = GAUSS_POINTS;
    for (int i = 0; i < n; ++i) {
        double x = std::cos(M_PI * (i + 0.75) / (n + 0.5));
        double dp = 1.0;
        for (int it = 0; it < 100; ++it) {
            double p0 = 1.0, p1 = x;
            for (int k = 2; k <= n; ++k) {
                const double p2 = ((2 * k - 1) * x * p1 - (k - 1) * p0) / k;
                p0 = p1;
                p1 = p2;
            }
            dp = n * (x * p1 - p0) / (x * x - 1.0);
            const double dx = p1 / dp;
            x -= dx;
            if (std::fabs(dx) < 1e-16) break;
        }
        g.x[i] = x;
        g.w[i] = 2.0 / ((1.0 - x * x) * dp * dp);
    }
    return g;
}

const GaussRule GAUSS = make_gauss_rule();

// Integrals over [0, 1] by the composite rule of the five functions that
// f(x, out) puts into out[0..4] at x.
template <class F>
void integrate01(F&& f, double sum[5]) {
    const GaussRule& g = GAUSS;
    for (int j = 0; j < 5; ++j) sum[j] = 0.0;
    for (int p = 0; p < PANELS; ++p) {
        const double a = double(p) / PANELS, half = 0.5 / PANELS;
        for (int i = 0; i < GAUSS_POINTS; ++i) {
            double v[5];
            f(a + half * (1.0 + g.x[i]), v);
            for (int j = 0; j < 5; ++j) sum[j] += g.w[i] * half * v[j];
        }
    }
}

// T*(0..4)(u).
void shifted_chebyshev(double u, double t[5]) {
    const double x = 2.0 * u - 1.0;
    t[0] = 1.0;
    t[1] = x;
    for (int k = 2; k < 5; ++k) t[k] = 2.0 * x * t[k - 1] - t[k - 2];
}

// Solves the 5 x 5 system G s = b by elimination with partial pivoting.
void solve5(double G[5][5], double b[5], double s[5]) {
    for (int c = 0; c < 5; ++c) {
        int piv = c;
        for (int r = c + 1; r < 5; ++r)
            if (std::fabs(G[r][c]) > std::fabs(G[piv][c])) piv = r;
        for (int k = 0; k < 5; ++k) std::swap(G[c][k], G[piv][k]);
        std::swap(b[c], b[piv]);
        for (int r = c + 1; r < 5; ++r) {
            const double m = G[r][c] / G[c][c];
            for (int k = c; k < 5; ++k) G[r][k] -= m * G[c][k];
            b[r] -= m * b[c];
        }
    }
    for (int r = 4; r >= 0; --r) {
        double v = b[r];
        for (int k = r + 1; k < 5; ++k) v -= G[r][k] * s[k];
        s[r] = v / G[r][r];
    }
}

}  // namespace

void teccof_weights(double r, double w[5]) {
    if (r <= 0.0) {
        for (int j = 0; j < 5; ++j) w[j] = 0.0;
        return;
    }
    const double lnr = std::log(r);
    double integral[5];
    integrate01(
        [&](double s, double v[5]) {
            const double u = s * s;
            shifted_chebyshev(u, v);
            const double f = 2.0 * s * s * std::exp(2.0 * u * lnr);
            for (int j = 0; j < 5; ++j) v[j] *= f;
        },
        integral);
    for (int j = 0; j < 5; ++j) w[j] = -r * r + 2.0 * lnr * integral[j];
}

double iri_depth(double RHO2, double B1) {
    if (RHO2 >= 1.0) return 0.0;
    // ln(exp(-X**B1)/cosh X) - ln RHO2 falls from -ln RHO2 > 0 at X = 0.
    const double target = std::log(RHO2);
    auto phi = [&](double x) { return -std::pow(x, B1) - std::log(std::cosh(x)) - target; };
    double lo = 0.0, hi = 1.0;
    while (phi(hi) > 0.0) hi *= 2.0;
    double x = 0.5 * (lo + hi);
    for (int it = 0; it < 200 && hi - lo > 1e-15 * hi; ++it) {
        const double v = phi(x);
        if (v > 0.0)
            lo = x;
        else
            hi = x;
        // Newton step when it stays inside the bracket, else bisection.
        const double d = -(B1 * std::pow(x, B1 - 1.0) + std::tanh(x));
        double nx = d != 0.0 ? x - v / d : lo - 1.0;
        if (!(nx > lo && nx < hi)) nx = 0.5 * (lo + hi);
        if (nx == x) break;
        x = nx;
    }
    return x;
}

void section_gram(double G[5][5]) {
    for (int i = 0; i < 5; ++i) {
        double row[5];
        integrate01(
            [&](double u, double v[5]) {
                double t[5];
                shifted_chebyshev(u, t);
                for (int j = 0; j < 5; ++j) v[j] = u * t[i] * t[j];
            },
            row);
        for (int j = 0; j < 5; ++j) G[i][j] = row[j];
    }
}

void b0b1_shape(double B1, double S[5]) {
    const double lnratio = std::log(double(B0RATIO));
    double b[5];
    integrate01(
        [&](double s, double v[5]) {
            const double u = s * s;
            const double x = iri_depth(std::exp(2.0 * u * lnratio), B1);
            shifted_chebyshev(u, v);
            // u (-X/sqrt(u)) T*(i-1) du = -2 s**2 X T*(i-1) ds
            for (int j = 0; j < 5; ++j) v[j] *= -2.0 * s * s * x;
        },
        b);
    double G[5][5];
    section_gram(G);
    solve5(G, b, S);
}

TableRecords teccof_records() {
    TableRecords recs(TECCOF_RECORDS);
    for (int k = 0; k < TECCOF_RECORDS; ++k) {
        const double r = k / double(TECCOF_RECORDS - 1);
        double w[5];
        teccof_weights(r, w);
        recs[k].V[0] = float(r);
        for (int j = 0; j < 5; ++j) recs[k].V[j + 1] = float(1000.0 * w[j]);
    }
    return recs;
}

TableRecords b0b1dt_records() {
    TableRecords recs(B0B1DT_RECORDS);
    for (int k = 0; k < B0B1DT_RECORDS; ++k) {
        const double b1 = B0B1DT_FIRST_B1 + k * B0B1DT_B1_STEP;
        double s[5];
        b0b1_shape(b1, s);
        recs[k].V[0] = float(b1);
        for (int j = 0; j < 5; ++j) recs[k].V[j + 1] = float(s[j]);
    }
    return recs;
}

bool write_model_tables(const std::string& DIR) {
    return write_table_files(DIR, "TECCOF", TECCOF_FORMAT, teccof_records()) &&
           write_table_files(DIR, "B0B1DT", B0B1DT_FORMAT, b0b1dt_records());
}

}  // namespace kolm
