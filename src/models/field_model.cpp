// POGO 68/10 field model for 1973: harmonic synthesis by the inverted-point
// recursion, which needs no Legendre functions.
#include "models/field_model.h"

#include <algorithm>
#include <cmath>

#include "blocks/farray.h"
#include "blocks/numeric.h"

namespace kolm {

namespace {

constexpr int NMAX = 11;               // maximum degree
constexpr int NCOEF = (NMAX + 1) * (NMAX + 1);

// G(1..144). Block n (degree 0..11) holds G(n^2+1) the zonal term, then for
// m = 1..n G(n^2+2m) the cosine and G(n^2+2m+1) the sine term of order m; each
// is a Schmidt semi-normalised Gauss coefficient divided by the scale factor
// that the recursion below builds in.
constexpr float G[NCOEF] = {
    0.0f, 0.1506723f, 0.0101742f, -0.0286519f, 0.0092606f, -0.0130846f,
    0.0089594f, -0.0136808f, -0.0001508f, -0.0093977f, 0.0130650f, 0.0020520f,
    -0.0121956f, -0.0023451f, -0.0208555f, 0.0068416f, -0.0142659f, -0.0093322f,
    -0.0021364f, -0.0078910f, 0.0045586f, 0.0128904f, -0.0002951f, -0.0237245f,
    0.0289493f, 0.0074605f, -0.0105741f, -0.0005116f, -0.0105732f, -0.0058542f,
    0.0033268f, 0.0078164f, 0.0211234f, 0.0099309f, 0.0362792f, -0.0201070f,
    -0.0046350f, -0.0058722f, 0.0011147f, -0.0013949f, -0.0108838f, 0.0322263f,
    -0.0147390f, 0.0031247f, 0.0111986f, -0.0109394f, 0.0058112f, 0.2739046f,
    -0.0155682f, -0.0253272f, 0.0163782f, 0.0205730f, 0.0022081f, 0.0112749f,
    -0.0098427f, 0.0072705f, 0.0195189f, -0.0081132f, -0.0071889f, -0.0579970f,
    -0.0856642f, 0.1884260f, -0.7391512f, 0.1210288f, -0.0241888f, -0.0052464f,
    -0.0096312f, -0.0044834f, 0.0201764f, 0.0258343f, 0.0083033f, 0.0077187f,
    0.0586055f, 0.0102236f, -0.0396107f, -0.0167860f, -0.2019911f, -0.5810815f,
    0.0379916f, 3.7508268f, 1.8133030f, -0.0564250f, -0.0557352f, 0.1335347f,
    -0.0142641f, -0.1024618f, 0.0970994f, -0.0751830f, -0.1274948f, 0.0402073f,
    0.0386290f, 0.1883088f, 0.1838960f, -0.7848989f, 0.7591817f, -0.9302389f,
    -0.8560960f, 0.6633250f, -4.6363869f, -13.2599277f, 0.1002136f, 0.0855714f,
    -0.0991981f, -0.0765378f, -0.0455264f, 0.1169326f, -0.2604067f, 0.1800076f,
    -0.2223685f, -0.6347679f, 0.5334222f, -0.3459502f, -0.1573697f, 0.8589464f,
    1.7815990f, -6.3347645f, -3.1513653f, -9.9927750f, 13.3327637f, -35.4897308f,
    37.3466339f, -0.5257398f, 0.0571474f, -0.5421217f, 0.2404770f, -0.1747774f,
    -0.3433644f, 0.4829708f, 0.3935944f, 0.4885033f, 0.8488121f, -0.7640999f,
    -1.8884945f, 3.2930784f, -7.3497229f, 0.1672821f, -0.2306652f, 10.5782146f,
    12.6031065f, 8.6579742f, 215.5209961f, -27.1419220f, 22.3405762f, 1108.6394043f,
};

// A working vector of one degree n in the block layout: u[0] zonal, then
// u[2m-1] cosine and u[2m] sine of order m. 0-based on the block.
using Block = float[2 * NMAX + 1];

// One reduction step from degree n (vector u) to degree n-1 (vector v): adds the
// stored block of degree n-1 and the inverted-point terms scaled by f.
void reduce(int n, float f, const float xi[3], const Block& u, Block& v) {
    const float* c = G + (n - 1) * (n - 1);
    const float p = f * xi[0];
    const float t = f * xi[1];
    const float w = 2.0f * f * xi[2];
    // uc(m), us(m) for m = 0..n with uc(0) = u0 and us(0) = 0.
    auto uc = [&](int m) { return m == 0 ? u[0] : u[2 * m - 1]; };
    auto us = [&](int m) { return m == 0 ? 0.0f : u[2 * m]; };
    v[0] = c[0] + w * u[0] + 2.0f * (p * uc(1) + t * us(1));
    for (int m = 1; m <= n - 1; ++m) {
        v[2 * m - 1] = c[2 * m - 1] + w * uc(m) + p * (uc(m + 1) - uc(m - 1)) + t * (us(m + 1) + us(m - 1));
        v[2 * m] = c[2 * m] + w * us(m) + p * (us(m + 1) - us(m - 1)) - t * (uc(m + 1) + uc(m - 1));
    }
}

// Runs the recursion from the stored block of degree NMAX down to degree
// 'last'; factor 1/(n - shift) at degree n. Leaves the degree-'last' vector in out.
void synthesise(int last, int shift, const float xi[3], Block& out) {
    Block a{}, b{};
    const float* top = G + NMAX * NMAX;
    std::copy(top, top + 2 * NMAX + 1, a);
    Block* u = &a;
    Block* v = &b;
    for (int n = NMAX; n > last; --n) {
        reduce(n, 1.0f / float(n - shift), xi, *u, *v);
        std::swap(u, v);
    }
    std::copy(*u, *u + 2 * last + 1, out);
}

float asin_deg(float s) { return std::asin(std::clamp(s, -1.0f, 1.0f)) / DTOR; }

}  // namespace

void FIELDG(float LAT, float LON, float HEIGHT, float& X, float& Y, float& Z, float& F, float& DIP,
            float& DEC, float& MODIP) {
    // Geocentric position on the ellipsoid, in units of 6371.2 km.
    const float rlat = LAT * DTOR;
    const float ct = std::sin(rlat);
    const float st = std::cos(rlat);
    const float d = std::sqrt(40680924.0f - 272336.0f * ct * ct);
    const float rlo = LON * DTOR;
    const float cp = std::cos(rlo);
    const float sp = std::sin(rlo);
    const float zzz = (HEIGHT + 40408588.0f / d) * ct / 6371.2f;
    const float rho = (HEIGHT + 40680924.0f / d) * st / 6371.2f;
    const float xxx = rho * cp;
    const float yyy = rho * sp;

    // Kelvin-inverted point.
    const float rq = 1.0f / (xxx * xxx + yyy * yyy + zzz * zzz);
    const float xi[3] = {xxx * rq, yyy * rq, zzz * rq};

    // Potential U (degree 0) and half its gradient (degree 1: z, x, y).
    Block pot{}, grad{};
    synthesise(0, 0, xi, pot);
    synthesise(1, 1, xi, grad);
    const float wz = grad[0], wx = grad[1], wy = grad[2];

    const float s = 0.5f * pot[0] + 2.0f * (wx * xi[0] + wy * xi[1] + wz * xi[2]);
    const float t = (rq + rq) * std::sqrt(rq);
    const float bx = t * (wx - s * xxx);
    const float by = t * (wy - s * yyy);
    const float bz = t * (wz - s * zzz);
    F = std::sqrt(bx * bx + by * by + bz * bz);

    // Local north, east, down components at the geodetic latitude.
    const float bh = bx * cp + by * sp;
    Y = by * cp - bx * sp;
    X = bz * st - bh * ct;
    Z = -bz * ct - bh * st;

    DIP = asin_deg(Z / F);
    DEC = asin_deg(Y / std::sqrt(X * X + Y * Y));
    const float dipr = DIP * DTOR;
    MODIP = asin_deg(dipr / std::sqrt(dipr * dipr + st));
}

}  // namespace kolm
