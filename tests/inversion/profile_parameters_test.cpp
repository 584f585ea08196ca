// B0, B1, the scale height and the electron content of soundings whose F2
// bottomside is the IRI shape of known B0 and B1, through the whole
// inversion; the N(h) table goes on above the F2 peak.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>

#include "blocks/peltarscale.h"
#include "blocks/peltartrueh.h"
#include "blocks/status.h"
#include "inversion/inversion_test.h"
#include "inversion/profil1.h"
#include "inversion/synthetic_record.h"

namespace kolm {
namespace {

using namespace synth;

constexpr double K = 0.001238;  // 10**16 m**-2 per MHz**2 km

struct Iri {
    double b0, b1, fof2, top;  // top: topside Chapman scale height, km
};

// The day profile without F1 up to its valley top, then the IRI bottomside
// rising from foE there to foF2, and a Chapman topside.
Ionosphere iri_day(const Iri& m, double& hmf2) {
    Ionosphere ion = day(false, 11);
    const auto below = ion.profile;
    const double foe2 = below(110.0);
    // Valley top: where the rising part of the valley is back at foE.
    double hv = 115.0;
    while (below(hv) < foe2 - 1e-9) hv += 0.01;
    // X where the bottomside is at foE.
    double lo = 0.0, hi = 10.0;
    for (int i = 0; i < 100; ++i) {
        const double x = 0.5 * (lo + hi);
        (m.fof2 * m.fof2 * std::exp(-std::pow(x, m.b1)) / std::cosh(x) > foe2 ? lo : hi) = x;
    }
    hmf2 = hv + m.b0 * lo;
    const double hm = hmf2;
    ion.profile = [=](double h) {
        if (h < hv) return below(h);
        if (h <= hm) {
            const double x = (hm - h) / m.b0;
            return m.fof2 * m.fof2 * std::exp(-std::pow(x, m.b1)) / std::cosh(x);
        }
        const double z = (h - hm) / m.top;
        return m.fof2 * m.fof2 * std::exp(1.0 - z - std::exp(-z));
    };
    ion.peaks_ready = false;
    return ion;
}

// Content of the model from its base up to its F2 peak.
double bottomside_content(const Ionosphere& ion, double hmf2) {
    double sum = 0.0;
    const double dh = 0.01;
    for (double h = ion.base; h < hmf2; h += dh) sum += ion.fn2(std::fmin(h + 0.5 * dh, hmf2)) * std::fmin(dh, hmf2 - h);
    return K * sum;
}

class ProfileParameters : public testrec::InversionTest {};

TEST_F(ProfileParameters, IriBottomsideThroughTheInversion) {
    for (const Iri& m : {Iri{100.0, 2.0, 8.0, 50.0}, Iri{70.0, 1.6, 7.0, 40.0}, Iri{130.0, 3.0, 9.5, 60.0}}) {
        reset_run_state();
        double hmf2 = 0.0;
        Case c{"IRI bottomside", iri_day(m, hmf2), true, 0.0, 11, 0.2f};
        float first_f = 0.0f;
        testrec::load(make_record(c, first_f));
        NHPROF.HSTEP = 1.0f;
        PROFIL1();
        ASSERT_EQ(SCALE2.IQUALE(iquale::STATUS), status::PROFILE_OBTAINED);
        // The comparison without F1 is on the upper part of the bottomside,
        // where B0 and B1 trade off against each other.
        EXPECT_NEAR(IRIPAR.B0(), m.b0, 0.08 * m.b0);
        EXPECT_NEAR(IRIPAR.B1(), m.b1, 0.3);
        EXPECT_EQ(IRIPAR.D1(), 0.0f);
        // The electron content: the topside is the Chapman layer of the
        // fitted scale height over foF2 as the end step reports it.
        const double top = K * 2.821 * DERPAR.SHF * SCLCHR.FOF2 * SCLCHR.FOF2;
        const double model = bottomside_content(c.ion, hmf2);
        // Below the peak: the content of the 1 km table and of the model
        // (the inversion places a peak of small B1 a few km off).
        double table = 0.0;
        const auto& T = NHPROF;
        for (int i = 2; i <= T.NPTH && T.HTAB(i) <= LAYCOF.ZMF2; ++i)
            table += K * 0.5 * (T.FNTAB(i) * T.FNTAB(i) + T.FNTAB(i - 1) * T.FNTAB(i - 1)) * (T.HTAB(i) - T.HTAB(i - 1));
        EXPECT_NEAR(DERPAR.ITEC - top, table, 2e-3 * table);
        EXPECT_NEAR(DERPAR.ITEC - top, model, 0.1 * model);
        EXPECT_GT(DERPAR.SHF, 0.2 * m.b0);
        EXPECT_LT(DERPAR.SHF, m.b0);
        std::printf("B0 %5.1f B1 %4.2f: B0 %5.1f B1 %4.2f, SHF %6.3f km, ITEC %6.3f (below the peak %6.3f, model "
                    "%6.3f)\n",
                    m.b0, m.b1, IRIPAR.B0(), IRIPAR.B1(), DERPAR.SHF, DERPAR.ITEC, DERPAR.ITEC - top, model);

        // The final table goes on above the peak, as the Chapman topside of
        // 1.6 SHF, to 1000 km or 0.2 MHz.
        int peak = 0;
        for (int i = 1; i <= T.NPTH; ++i)
            if (T.HTAB(i) == LAYCOF.ZMF2) peak = i;
        ASSERT_GT(peak, 0);
        ASSERT_GT(T.NPTH, peak + 10);
        const float sh = 1.6f * DERPAR.SHF;
        for (int i = peak + 1; i <= T.NPTH; ++i) {
            EXPECT_LT(T.FNTAB(i), T.FNTAB(i - 1));
            const float z = (T.HTAB(i) - LAYCOF.ZMF2) / sh;
            EXPECT_NEAR(T.FNTAB(i), SCLCHR.FOF2 * std::exp(0.5f * (1.0f - z - std::exp(-z))), 1e-4f);
        }
        const float last = T.HTAB(T.NPTH);
        const float z = (last + T.HSTEP - LAYCOF.ZMF2) / sh;
        EXPECT_TRUE(last + T.HSTEP > 1000.0f || SCLCHR.FOF2 * std::exp(0.5f * (1.0f - z - std::exp(-z))) < 0.2f);
        EXPECT_GE(T.FNTAB(T.NPTH), 0.2f);
    }
}

}  // namespace
}  // namespace kolm
