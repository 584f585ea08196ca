// The bottomside fit against the former computation (bottomside_reference):
// the same B0, B1, D1 and heights, and the same bytes in every block it
// writes, for profiles of real records, their perturbations and random
// ones; the tabulation and the intermediate region alone; and a table that
// changes between records.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "blocks/peltarscale.h"
#include "blocks/peltartrueh.h"
#include "bottomside_reference.h"
#include "model_tables.h"
#include "models/bottomside.h"
#include "models/table_files.h"
#include "work_dir.h"

namespace kolm {
namespace {

// What CALB0B1D1 reads: FC(2..4), ZME, ZMF2, ZMF1, W, ZENITH, AF2, AF1.
struct Profile {
    int npth;  // N(h) table points: 0 none (no D1)
    float v[8];
    float af2[5];
    float af1[5];
};

// Profiles as CALB0B1D1 received them in runs over the sample records and
// over records of the synthetic benchmark sets.
const Profile REAL[] = {
    {1, {0x1.b53f7cp-1, 0x1.b53f7cp-1, 0x1.e33334p+1, 0x1.b8p+6, 0x1.a96666p+7, 0x0p+0, 0x1.dcp+5, 0x1.7c66ecp+6}, {-0x1.726666p+5, 0x1.19999ap+2, -0x1.8p+0, -0x1.333334p-2, 0x1p-1}, {0x0p+0, 0x0p+0, 0x0p+0, 0x0p+0, 0x0p+0}},
    {1, {0x1.8d70a6p+1, 0x1.0f0a3ep+2, 0x1.bf3b64p+2, 0x1.a01582p+6, 0x1.c20acp+7, 0x1.3ad78cp+7, 0x1.6cccccp+3, 0x1.ac7018p+5}, {-0x1.e9999ap+5, -0x1.666666p+0, -0x1.4cccccp+2, 0x1.666666p-1, -0x1p-1}, {-0x1.e33334p+4, -0x1.d9999ap+3, 0x1p+2, -0x1.99999ap+0, 0x1.333334p-1}},
    {1, {0x1.07ae14p+1, 0x1.b9db22p+1, 0x1.11999ap+2, 0x1.a9ef9ep+6, 0x1.ca9168p+7, 0x1.6d2b02p+7, 0x1.5e6666p+4, -0x1.2dc86cp+6}, {-0x1.38p+5, -0x1.f9999ap+2, 0x1.99999ap-1, -0x1.99999ap-2, -0x1.99999ap-3}, {-0x1.573334p+5, -0x1.233334p+4, 0x1.233334p+3, -0x1.0cccccp+2, 0x1p+1}},
    {1, {0x1.07ae14p+1, 0x1.b9ba5ep+1, 0x1.11999ap+2, 0x1.a9ef9ep+6, 0x1.c3c49cp+7, 0x1.639168p+7, 0x1.4p+3, -0x1.875b38p+5}, {-0x1.3f3334p+5, -0x1.0cccccp+3, 0x1.99999ap-1, -0x1.99999ap-2, -0x1.99999ap-3}, {-0x1.7p+5, -0x1.5e6666p+4, 0x1.233334p+3, -0x1.2p+2, 0x1p+1}},
    {1, {0x1.3126eap+0, 0x1.3126eap+0, 0x1.e33334p+1, 0x1.b8p+6, 0x1.9f3334p+7, 0x0p+0, 0x1.78p+5, 0x1.6bc7bap+6}, {-0x1.7cccccp+5, -0x1.ccccccp+0, -0x1.99999ap-1, -0x1p+0, 0x1.333334p-1}, {0x0p+0, 0x0p+0, 0x0p+0, 0x0p+0, 0x0p+0}},
    {1, {0x1.360418p+0, 0x1.360418p+0, 0x1.e33334p+1, 0x1.b8p+6, 0x1.a06666p+7, 0x0p+0, 0x1.78p+5, 0x1.6bc7bap+6}, {-0x1.75999ap+5, -0x1.4cccccp+0, -0x1.8p+0, -0x1.99999ap+0, -0x1.99999ap-4}, {0x0p+0, 0x0p+0, 0x0p+0, 0x0p+0, 0x0p+0}},
    {1, {0x1.3b645ap+0, 0x1.3b645ap+0, 0x1.e33334p+1, 0x1.b8p+6, 0x1.9f6666p+7, 0x0p+0, 0x1.78p+5, 0x1.6bc7bap+6}, {-0x1.74ccccp+5, -0x1.666666p+0, -0x1.333334p+0, -0x1.8p+0, -0x0p+0}, {0x0p+0, 0x0p+0, 0x0p+0, 0x0p+0, 0x0p+0}},
    {1, {0x1.42d0e6p+0, 0x1.42d0e6p+0, 0x1.e33334p+1, 0x1.b8p+6, 0x1.9e999ap+7, 0x0p+0, 0x1.78p+5, 0x1.6bc7bap+6}, {-0x1.74p+5, -0x1.99999ap+0, -0x1.ccccccp-1, -0x1.4cccccp+0, 0x0p+0}, {0x0p+0, 0x0p+0, 0x0p+0, 0x0p+0, 0x0p+0}},
    {1, {0x1.4cccccp+0, 0x1.4cccccp+0, 0x1.e33334p+1, 0x1.b8p+6, 0x1.9d3334p+7, 0x0p+0, 0x1.78p+5, 0x1.6bc7bap+6}, {-0x1.733334p+5, -0x1.b33334p+0, -0x1p-1, -0x1.19999ap+0, 0x1.99999ap-4}, {0x0p+0, 0x0p+0, 0x0p+0, 0x0p+0, 0x0p+0}},
    {1, {0x1.560418p+0, 0x1.560418p+0, 0x1.e33334p+1, 0x1.b8p+6, 0x1.9c3334p+7, 0x0p+0, 0x1.78p+5, 0x1.6bc7bap+6}, {-0x1.726666p+5, -0x1.e66666p+0, -0x1.99999ap-3, -0x1.ccccccp-1, 0x1.99999ap-3}, {0x0p+0, 0x0p+0, 0x0p+0, 0x0p+0, 0x0p+0}},
    {1, {0x1.624dd2p+0, 0x1.624dd2p+0, 0x1.e33334p+1, 0x1.b8p+6, 0x1.9b3334p+7, 0x0p+0, 0x1.78p+5, 0x1.6bc7bap+6}, {-0x1.7p+5, -0x1.19999ap+1, 0x1.99999ap-4, -0x1.99999ap-1, 0x1.333334p-2}, {0x0p+0, 0x0p+0, 0x0p+0, 0x0p+0, 0x0p+0}},
    {1, {0x1.68f5c4p+0, 0x1.68f5c4p+0, 0x1.e33334p+1, 0x1.b8p+6, 0x1.8c6664p+7, 0x0p+0, 0x1.0b3334p+4, 0x1.0c94cep+6}, {-0x1.c66666p+5, -0x1.99999ap+3, -0x1.19999ap+0, -0x1.333334p+0, 0x1.99999ap-2}, {0x0p+0, 0x0p+0, 0x0p+0, 0x0p+0, 0x0p+0}},
    {1, {0x1.70624ep+0, 0x1.70624ep+0, 0x1.e33334p+1, 0x1.b8p+6, 0x1.993334p+7, 0x0p+0, 0x1.78p+5, 0x1.6bc7bap+6}, {-0x1.6cccccp+5, -0x1.333334p+1, 0x1p-1, -0x1.333334p-1, 0x1p-1}, {0x0p+0, 0x0p+0, 0x0p+0, 0x0p+0, 0x0p+0}},
    {1, {0x1.07ae14p+1, 0x1.b9ba5ep+1, 0x1.11999ap+2, 0x1.a9ef9ep+6, 0x1.c39168p+7, 0x1.635e34p+7, 0x1.333334p+3, -0x1.77e7c2p+5}, {-0x1.3f3334p+5, -0x1.0cccccp+3, 0x1.99999ap-1, -0x1.99999ap-2, -0x1.99999ap-3}, {-0x1.70ccccp+5, -0x1.6p+4, 0x1.233334p+3, -0x1.266666p+2, 0x1p+1}},
    {1, {0x1.07ae14p+1, 0x1.b9ba5ep+1, 0x1.11999ap+2, 0x1.a9ef9ep+6, 0x1.c59168p+7, 0x1.65f7cep+7, 0x1.a66666p+3, -0x1.d88916p+5}, {-0x1.3d999ap+5, -0x1.09999ap+3, 0x1.99999ap-1, -0x1.99999ap-2, -0x1.99999ap-3}, {-0x1.68p+5, -0x1.5p+4, 0x1.266666p+3, -0x1.2p+2, 0x1p+1}},
    {1, {0x1.07ae14p+1, 0x1.b9ba5ep+1, 0x1.11999ap+2, 0x1.a9ef9ep+6, 0x1.c7916ap+7, 0x1.68f7dp+7, 0x1.166666p+4, -0x1.115c9cp+6}, {-0x1.3b3334p+5, -0x1.033334p+3, 0x1.99999ap-1, -0x1.99999ap-2, -0x1.99999ap-3}, {-0x1.5e6666p+5, -0x1.3cccccp+4, 0x1.29999ap+3, -0x1.19999ap+2, 0x1.0cccccp+1}},
    {1, {0x1.07ae14p+1, 0x1.b9db22p+1, 0x1.11999ap+2, 0x1.a9ef9ep+6, 0x1.c6f7dp+7, 0x1.685e36p+7, 0x1.f9999ap+3, 0x1.052f5ap+6}, {-0x1.3b3334p+5, -0x1.033334p+3, 0x1.99999ap-1, -0x1.99999ap-2, -0x1.99999ap-3}, {-0x1.65999ap+5, -0x1.3e6666p+4, 0x1.2p+3, -0x1.133334p+2, 0x1p+1}},
    {1, {0x1.07ae14p+1, 0x1.b9fbe8p+1, 0x1.11999ap+2, 0x1.a9ef9ep+6, 0x1.c7f7dp+7, 0x1.699168p+7, 0x1.0cccccp+4, 0x1.0d752ep+6}, {-0x1.3a6666p+5, -0x1.033334p+3, 0x1.99999ap-1, -0x1.99999ap-2, -0x1.99999ap-3}, {-0x1.666666p+5, -0x1.366666p+4, 0x1.1cccccp+3, -0x1.0cccccp+2, 0x1p+1}},
    {1, {0x1.07ae14p+1, 0x1.bc6a7ep+1, 0x1.11999ap+2, 0x1.a9ef9ep+6, 0x1.ccc49cp+7, 0x1.73916ap+7, 0x1.9p+4, 0x1.3ca87cp+6}, {-0x1.2e6666p+5, -0x1.d9999ap+2, 0x1p+0, -0x1.333334p-2, -0x1.99999ap-4}, {-0x1.666666p+5, -0x1.01999ap+4, 0x1.1p+3, -0x1.d9999ap+1, 0x1.ccccccp+0}},
    {1, {0x1.07ae14p+1, 0x1.bc6a7ep+1, 0x1.11999ap+2, 0x1.a9ef9ep+6, 0x1.cfc49cp+7, 0x1.785e36p+7, 0x1.db3334p+4, -0x1.4d7e9ep+6}, {-0x1.2a6666p+5, -0x1.ccccccp+2, 0x1.19999ap+0, -0x1.333334p-2, 0x0p+0}, {-0x1.666666p+5, -0x1.9p+3, 0x1.cp+2, -0x1.b33334p+0, 0x0p+0}},
    {1, {0x1.07ae14p+1, 0x1.bc6a7ep+1, 0x1.11999ap+2, 0x1.a9ef9ep+6, 0x1.d2f7dp+7, 0x1.7cf7dp+7, 0x1.19999ap+5, 0x1.5b127ap+6}, {-0x1.273334p+5, -0x1.b9999ap+2, 0x1.19999ap+0, -0x1.333334p-2, -0x0p+0}, {-0x1.573334p+5, -0x1.666666p+3, 0x1.cp+2, -0x1.b33334p+0, 0x0p+0}},
    {1, {0x1.07ae14p+1, 0x1.bc6a7ep+1, 0x1.11999ap+2, 0x1.a9ef9ep+6, 0x1.d7c49ep+7, 0x1.832b04p+7, 0x1.55999ap+5, -0x1.672adp+6}, {-0x1.233334p+5, -0x1.a66666p+2, 0x1p+0, -0x1.333334p-2, -0x0p+0}, {-0x1.433334p+5, -0x1.29999ap+3, 0x1.c66666p+2, -0x1.ccccccp+0, 0x0p+0}},
    {1, {0x1.07ae14p+1, 0x1.bc6a7ep+1, 0x1.11999ap+2, 0x1.a9ef9ep+6, 0x1.dc5e34p+7, 0x1.899168p+7, 0x1.8b3334p+5, -0x1.7234d4p+6}, {-0x1.1f3334p+5, -0x1.8cccccp+2, 0x1p+0, -0x1.333334p-2, -0x0p+0}, {-0x1.326666p+5, -0x1.f33334p+2, 0x1.c66666p+2, -0x1.e66666p+0, 0x0p+0}},
    {1, {0x1.07ae14p+1, 0x1.bc6a7ep+1, 0x1.11999ap+2, 0x1.a9ef9ep+6, 0x1.dc5e34p+7, 0x1.899168p+7, 0x1.8b3334p+5, -0x1.8e55f8p+6}, {-0x1.1f3334p+5, -0x1.8cccccp+2, 0x1p+0, -0x1.333334p-2, -0x0p+0}, {-0x1.326666p+5, -0x1.f33334p+2, 0x1.c66666p+2, -0x1.e66666p+0, 0x0p+0}},
    {1, {0x1.07ae14p+1, 0x1.bc6a7ep+1, 0x1.11999ap+2, 0x1.a9ef9ep+6, 0x1.dc5e34p+7, 0x1.899168p+7, 0x1.8b3334p+5, -0x1.b89becp+6}, {-0x1.1f3334p+5, -0x1.8cccccp+2, 0x1p+0, -0x1.333334p-2, -0x0p+0}, {-0x1.326666p+5, -0x1.f33334p+2, 0x1.c66666p+2, -0x1.e66666p+0, 0x0p+0}},
    {1, {0x1.07ae14p+1, 0x1.bc6a7ep+1, 0x1.11999ap+2, 0x1.a9ef9ep+6, 0x1.dc5e34p+7, 0x1.899168p+7, 0x1.8b3334p+5, -0x1.f21274p+6}, {-0x1.1f3334p+5, -0x1.8cccccp+2, 0x1p+0, -0x1.333334p-2, -0x0p+0}, {-0x1.326666p+5, -0x1.f33334p+2, 0x1.c66666p+2, -0x1.e66666p+0, 0x0p+0}},
    {1, {0x1.07ae14p+1, 0x1.bc6a7ep+1, 0x1.11999ap+2, 0x1.a9ef9ep+6, 0x1.dc5e34p+7, 0x1.899168p+7, 0x1.8b3334p+5, 0x1.78bcaap+6}, {-0x1.1f3334p+5, -0x1.8cccccp+2, 0x1p+0, -0x1.333334p-2, -0x0p+0}, {-0x1.326666p+5, -0x1.f33334p+2, 0x1.c66666p+2, -0x1.e66666p+0, 0x0p+0}},
    {1, {0x1.07ae14p+1, 0x1.bc6a7ep+1, 0x1.11999ap+2, 0x1.a9ef9ep+6, 0x1.dc5e34p+7, 0x1.899168p+7, 0x1.8b3334p+5, 0x1.99c96cp+6}, {-0x1.1f3334p+5, -0x1.8cccccp+2, 0x1p+0, -0x1.333334p-2, -0x0p+0}, {-0x1.326666p+5, -0x1.f33334p+2, 0x1.c66666p+2, -0x1.e66666p+0, 0x0p+0}},
    {1, {0x1.07ae14p+1, 0x1.bc6a7ep+1, 0x1.11999ap+2, 0x1.a9ef9ep+6, 0x1.dc5e34p+7, 0x1.899168p+7, 0x1.8b3334p+5, 0x1.c70bb8p+6}, {-0x1.1f3334p+5, -0x1.8cccccp+2, 0x1p+0, -0x1.333334p-2, -0x0p+0}, {-0x1.326666p+5, -0x1.f33334p+2, 0x1.c66666p+2, -0x1.e66666p+0, 0x0p+0}},
};

// Every block the bottomside routines read or write, byte for byte.
struct Blocks {
    IriparBlock iripar;
    LaycofBlock laycof;
    DerparBlock derpar;
    LayctlBlock layctl;
    NhprofBlock nhprof;
    TijTable tij;
};

void save(Blocks& b) {
    std::memcpy(&b.iripar, &IRIPAR, sizeof IRIPAR);
    std::memcpy(&b.laycof, &LAYCOF, sizeof LAYCOF);
    std::memcpy(&b.derpar, &DERPAR, sizeof DERPAR);
    std::memcpy(&b.layctl, &LAYCTL, sizeof LAYCTL);
    std::memcpy(&b.nhprof, &NHPROF, sizeof NHPROF);
    std::memcpy(&b.tij, &TIJTAB, sizeof TIJTAB);
}

void restore(const Blocks& b) {
    std::memcpy(&IRIPAR, &b.iripar, sizeof IRIPAR);
    std::memcpy(&LAYCOF, &b.laycof, sizeof LAYCOF);
    std::memcpy(&DERPAR, &b.derpar, sizeof DERPAR);
    std::memcpy(&LAYCTL, &b.layctl, sizeof LAYCTL);
    std::memcpy(&NHPROF, &b.nhprof, sizeof NHPROF);
    std::memcpy(&TIJTAB, &b.tij, sizeof TIJTAB);
}

// Names the first differing float of two blocks.
template <class B>
std::string first_difference(const char* name, const B& x, const B& y) {
    static_assert(sizeof(B) % sizeof(float) == 0);
    float a[sizeof(B) / sizeof(float)], b[sizeof(B) / sizeof(float)];
    std::memcpy(a, &x, sizeof a);
    std::memcpy(b, &y, sizeof b);
    for (std::size_t i = 0; i < sizeof a / sizeof a[0]; ++i)
        if (std::memcmp(&a[i], &b[i], sizeof(float)) != 0) {
            char text[160];
            std::snprintf(text, sizeof text, "%s word %zu: former %a, now %a", name, i, double(a[i]), double(b[i]));
            return text;
        }
    return {};
}

// Empty when both runs left the same bytes in every block, else what differs.
std::string compare(const Blocks& former, const Blocks& now) {
    std::string d = first_difference("IRIPAR", former.iripar, now.iripar);
    d += first_difference("LAYCOF", former.laycof, now.laycof);
    d += first_difference("DERPAR", former.derpar, now.derpar);
    d += first_difference("LAYCTL", former.layctl, now.layctl);
    d += first_difference("NHPROF", former.nhprof, now.nhprof);
    d += first_difference("TIJTAB", former.tij, now.tij);
    return d;
}

// Runs FORMER and NOW from the same blocks; empty when they leave the same
// bytes and console text.
template <class F, class G>
std::string differential(F former, G now) {
    Blocks start, a, b;
    save(start);
    ::testing::internal::CaptureStderr();
    former();
    const std::string said_before = ::testing::internal::GetCapturedStderr();
    save(a);
    restore(start);
    ::testing::internal::CaptureStderr();
    now();
    const std::string said_now = ::testing::internal::GetCapturedStderr();
    save(b);
    std::string d = compare(a, b);
    if (said_before != said_now) d += " console: \"" + said_before + "\" against \"" + said_now + "\"";
    return d;
}

// The blocks of profile p; IRIPAR starts with the values of an earlier record.
void set_profile(const Profile& p, std::mt19937& rng) {
    auto& C = LAYCOF;
    std::uniform_real_distribution<float> any(-50.0f, 500.0f);
    for (int i = 1; i <= 16; ++i) IRIPAR.V(i) = any(rng);
    for (int i = 1; i <= MAXTERMS; ++i) C.A(i) = any(rng);
    C.FC(1) = 0.5f * p.v[0];
    C.FC(2) = p.v[0];
    C.FC(3) = p.v[1];
    C.FC(4) = p.v[2];
    C.ZME = p.v[3];
    C.ZMF2 = p.v[4];
    C.ZMF1 = p.v[5];
    LAYCTL.W = p.v[6];
    DERPAR.ZENITH = p.v[7];
    for (int j = 1; j <= 5; ++j) {
        C.AF2(j) = p.af2[j - 1];
        C.AF1(j) = p.af1[j - 1];
    }
    NHPROF.NPTH = int16_t(p.npth);
}

// Profile p with every value moved by up to SPREAD of itself (the
// frequencies kept in order), and at times without F1 or N(h) table.
Profile perturbed(const Profile& p, float spread, std::mt19937& rng) {
    std::uniform_real_distribution<float> u(-spread, spread);
    Profile q = p;
    for (float& x : q.v) x *= 1.0f + u(rng);
    for (float& x : q.af2) x *= 1.0f + u(rng);
    for (float& x : q.af1) x *= 1.0f + u(rng);
    std::uniform_int_distribution<int> pick(0, 9);
    if (q.v[1] < q.v[0]) q.v[1] = q.v[0];
    if (q.v[2] <= q.v[1]) q.v[2] = q.v[1] * 1.3f;
    if (pick(rng) == 0) q.v[1] = q.v[0];  // no F1 layer
    if (pick(rng) == 0) q.npth = 0;
    return q;
}

// A profile of plausible ranges: foE 1-4 MHz, F1 (or none) to 0.3-0.95 of
// foF2, foF2 up to 15 MHz, F2 coefficients falling like a bottomside.
Profile random_profile(std::mt19937& rng) {
    auto u = [&](float lo, float hi) { return std::uniform_real_distribution<float>(lo, hi)(rng); };
    Profile p{};
    p.npth = u(0.0f, 1.0f) < 0.8f ? 1 : 0;
    const float foe = u(1.0f, 4.0f), fof2 = u(foe * 1.3f, 15.0f);
    const bool f1 = u(0.0f, 1.0f) < 0.7f;
    const float fs = f1 ? std::fmax(foe * 1.05f, fof2 * u(0.3f, 0.95f)) : foe;
    const float hme = u(95.0f, 125.0f), hmf2 = u(200.0f, 420.0f);
    p.v[0] = foe;
    p.v[1] = fs;
    p.v[2] = fof2;
    p.v[3] = hme;
    p.v[4] = hmf2;
    p.v[5] = u(hme + 20.0f, hmf2 - 10.0f);
    p.v[6] = u(2.0f, 80.0f);
    p.v[7] = u(-120.0f, 120.0f);
    const float depth = u(20.0f, hmf2 - hme - 10.0f);
    p.af2[0] = -depth * u(0.6f, 1.0f);
    for (int j = 1; j < 5; ++j) p.af2[j] = depth * u(-0.3f, 0.3f) / float(j);
    const float f1depth = u(10.0f, p.v[5] - hme);
    p.af1[0] = -f1depth * u(0.6f, 1.0f);
    for (int j = 1; j < 5; ++j) p.af1[j] = f1depth * u(-0.3f, 0.3f) / float(j);
    return p;
}

class BottomsideIdentity : public testing::WorkDir {
protected:
    void SetUp() override {
        WorkDir::SetUp();
        ASSERT_TRUE(testing::write_test_tables());
        reset_run_state();
    }
    // CALB0B1D1 against the former one on profile p; a failure names the case.
    void check(const Profile& p, std::mt19937& rng, const std::string& what) {
        set_profile(p, rng);
        const std::string d = differential([] { reference::CALB0B1D1(); }, [] { CALB0B1D1(); });
        EXPECT_EQ(d, "") << what;
        // As a run goes on: the next record finds the blocks of this one.
        recheck_model_tables();
    }
};

TEST_F(BottomsideIdentity, RealProfilesTheirNeighboursAndRandomProfiles) {
    std::mt19937 rng(19);
    int n = 0;
    for (const Profile& p : REAL) {
        check(p, rng, "real profile " + std::to_string(n));
        for (int k = 0; k < 40; ++k) check(perturbed(p, 0.02f, rng), rng, "near real profile " + std::to_string(n));
        for (int k = 0; k < 20; ++k) check(perturbed(p, 0.3f, rng), rng, "far from real profile " + std::to_string(n));
        ++n;
    }
    for (int k = 0; k < 1500; ++k) check(random_profile(rng), rng, "random profile " + std::to_string(k));
}

TEST_F(BottomsideIdentity, ProfilesOutsideTheUsualGeometry) {
    // Valley tops above the F1 peak, sections starting at or above foF2,
    // coefficients of no bottomside, zero or negative values, values not
    // finite. (Heights far beyond the grid's reach are the next test's: the
    // former tabulation does not end on them.)
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> which(0, 7);
    std::uniform_real_distribution<float> any(-400.0f, 400.0f);
    const float odd[] = {0.0f, -1.0f, NAN, 1.0e-30f, 9999.0f, -50.0f, 1.0e4f, 0.48827f};
    const float odd_frequency[] = {INFINITY, -INFINITY, NAN, 0.0f, 1.0e-30f, 1.0e30f, -3.0f, 20.0f};
    for (int k = 0; k < 600; ++k) {
        Profile p = random_profile(rng);
        const int changes = 1 + which(rng) % 3;
        for (int c = 0; c < changes; ++c) {
            const int slot = which(rng);
            switch (which(rng) % 5) {
                case 0: p.v[slot] = odd[which(rng)]; break;
                case 1: p.v[slot % 3] = odd_frequency[which(rng)]; break;
                case 2: p.af2[slot % 5] = odd[which(rng)]; break;
                case 3: p.af1[slot % 5] = which(rng) < 4 ? odd_frequency[which(rng)] : any(rng); break;
                default: p.v[slot] = any(rng); break;
            }
        }
        check(p, rng, "odd profile " + std::to_string(k));
    }
}

TEST_F(BottomsideIdentity, GridThatCannotReachTheIntermediateRegionEnds) {
    // A peak so high that 1 km steps do not change its height, or HZ of
    // -infinity: no grid point falls below HZ. The former tabulation passed
    // over grid points without end; now the region gets no grid point.
    struct Case {
        int16_t mode;
        float peak, hz, d1;
        int16_t n;  // points: the F1 part fills the table; from hmF2 = 300 km
                    // (the peak, 299 km down to 0), the point at HZ, the valley top
    };
    for (const Case c : {Case{1, 1.0e30f, 150.0f, 0.5f, MAXIRITAB}, Case{1, 300.0f, -INFINITY, 0.5f, MAXIRITAB},
                         Case{2, 300.0f, -INFINITY, 0.0f, 1 + 300 + 2}}) {
        IRIPAR.V.fill(0.0f);
        auto& V = IRIPAR.V;
        V(iripar::FOF2) = 9.0f, V(iripar::HMF2) = c.mode == 1 ? 1.0e30f : c.peak, V(iripar::B0) = 100.0f;
        V(iripar::B1) = 2.5f, V(iripar::FOF1) = 5.0f, V(iripar::HMF1) = c.peak, V(iripar::FOE) = 3.0f;
        V(iripar::HEF) = 130.0f, V(iripar::HST) = 140.0f, V(iripar::HZ) = c.hz, V(iripar::T) = 5.0f;
        IRIPAR.D1() = c.d1;
        int16_t n = 0;
        IriColumn F, H, G;
        TABIRI(1.0f, n, F, H, G, c.mode);
        ASSERT_EQ(n, c.n) << c.mode << " " << c.peak << " " << c.hz;
        if (n == MAXIRITAB) continue;
        EXPECT_EQ(H(n), 130.0f);
        EXPECT_EQ(F(n), 3.0f);
        EXPECT_EQ(H(n - 1), c.hz);
        EXPECT_EQ(H(n - 2), 0.0f);
    }
    // The whole fit on an F2 peak far beyond the grid ends too.
    std::mt19937 rng(5);
    Profile p = random_profile(rng);
    p.npth = 1;
    p.v[4] = 1.0e30f;
    set_profile(p, rng);
    CALB0B1D1();
    EXPECT_TRUE(IRIPAR.D1() == NOTCOMPUTED || IRIPAR.D1() == 999.9f || IRIPAR.D1() >= 0.0f);
}

TEST_F(BottomsideIdentity, TabulationAndIntermediateRegionAlone) {
    // TABIRI in both modes and CALHSTHZ on the bottomside parameters of
    // random profiles, with D1 of 0, fitted, random and not fitted.
    std::mt19937 rng(3);
    std::uniform_real_distribution<float> u(0.0f, 1.0f);
    for (int k = 0; k < 300; ++k) {
        set_profile(random_profile(rng), rng);
        NHPROF.NPTH = 1;
        reference::CALB0B1D1();
        if (IRIPAR.B0() == NOTCOMPUTED) continue;
        const float d1s[] = {0.0f, IRIPAR.D1(), 3.0f * u(rng), 999.9f};
        for (float d1 : d1s) {
            IRIPAR.D1() = d1;
            for (int16_t mode : {int16_t(1), int16_t(2)}) {
                const std::string hz = differential([&] { reference::CALHSTHZ(mode); }, [&] { CALHSTHZ(mode); });
                EXPECT_EQ(hz, "") << k << " D1 " << d1 << " mode " << mode;
                const float step = u(rng) < 0.5f ? 1.0f : 0.05f + 5.0f * u(rng);
                int16_t n1 = 0, n2 = 0;
                IriColumn F1, H1, G1, F2, H2, G2;
                const std::string tab = differential([&] { reference::TABIRI(step, n1, F1, H1, G1, mode); },
                                                     [&] { TABIRI(step, n2, F2, H2, G2, mode); });
                EXPECT_EQ(tab, "") << k;
                ASSERT_EQ(n1, n2) << k << " D1 " << d1 << " mode " << mode << " step " << step;
                EXPECT_EQ(std::memcmp(F1.data(), F2.data(), sizeof(float) * std::size_t(n1)), 0) << k;
                EXPECT_EQ(std::memcmp(H1.data(), H2.data(), sizeof(float) * std::size_t(n1)), 0) << k;
                EXPECT_EQ(std::memcmp(G1.data(), G2.data(), sizeof(float) * std::size_t(n1)), 0) << k;
            }
        }
    }
}

// Writes B0B1DT.BIN from RECORDS.
void write_b0b1dt(const TableRecords& records) {
    std::vector<unsigned char> bytes;
    for (const TableRecord& r : records)
        for (float v : r.V) {
            unsigned char b[4];
            std::memcpy(b, &v, 4);
            bytes.insert(bytes.end(), b, b + 4);
        }
    std::FILE* f = std::fopen("B0B1DT.BIN", "wb");
    ASSERT_NE(f, nullptr);
    ASSERT_EQ(std::fwrite(bytes.data(), 1, bytes.size(), f), bytes.size());
    std::fclose(f);
}

TEST_F(BottomsideIdentity, TableChangedBetweenRecords) {
    // The shapes kept for the search follow the table: every other shape,
    // then a few in reverse order with their coefficients scaled, then the
    // whole table again; one record per table, each against the former fit.
    std::mt19937 rng(11);
    const TableRecords& all = testing::b0b1dt_table();
    TableRecords half, few;
    for (std::size_t k = 0; k < all.size(); k += 2) half.push_back(all[k]);
    for (std::size_t k = all.size(); k-- > 0;)
        if (k % 37 == 5) {
            TableRecord r = all[k];
            for (int j = 1; j < TABLE_VALUES; ++j) r.V[j] *= 1.1f;
            few.push_back(r);
        }
    const TableRecords* tables[] = {&half, &few, &all};
    for (const TableRecords* t : tables) {
        write_b0b1dt(*t);
        recheck_model_tables();
        // A file written within the same second may keep its time stamp:
        // the size differs from the last table's.
        for (int k = 0; k < 20; ++k) check(random_profile(rng), rng, "table of " + std::to_string(t->size()));
    }
}

}  // namespace
}  // namespace kolm
