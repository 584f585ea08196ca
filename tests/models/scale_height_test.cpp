// F-peak scale height from tabulated profiles of Chapman layers.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "blocks/peltarscale.h"
#include "blocks/peltartrueh.h"
#include "blocks/run_state.h"
#include "models/scale_height.h"

namespace kolm {
namespace {

// Plasma frequency of the Chapman layer of the electron content's topside
// (density exp(0.5 (1 - z - exp(-z))) of the peak's) with peak fo at hm and
// scale height sh.
double chapman(double h, double fo, double hm, double sh) {
    const double z = (h - hm) / sh;
    return fo * std::exp(0.25 * (1.0 - z - std::exp(-z)));
}

// NHPROF as the 1 km table gives it: a first row at `base`, then every
// whole km up to the peak row at `top`.
void tabulate(double base, double top, const std::function<double(double)>& fn) {
    auto& T = NHPROF;
    T.NPTH = 0;
    auto add = [&](double h) {
        ++T.NPTH;
        T.HTAB(T.NPTH) = float(h);
        T.FNTAB(T.NPTH) = float(fn(h));
    };
    add(base);
    for (double h = std::floor(base) + 1.0; h < top - 0.0005; h += 1.0) add(h);
    add(top);
}

// E Chapman layer of 10 km from 0.2 MHz to its peak at 110 km (3 MHz), a
// valley of width W at 2.5 MHz, and a Chapman F layer of 30 km with its
// peak 100 km above the valley top.
constexpr double FOE = 3.0, HME = 110.0, HE = 10.0, FOF2 = 10.0, HF = 30.0;

double e_base() {
    // Height below the E peak where the layer has fallen to 0.2 MHz.
    double lo = HME - 200.0, hi = HME;
    for (int i = 0; i < 100; ++i) {
        const double mid = 0.5 * (lo + hi);
        (chapman(mid, FOE, HME, HE) < 0.2 ? lo : hi) = mid;
    }
    return hi;
}

void two_layers(float w) {
    LAYCOF.ZME = float(HME);
    LAYCTL.W = w;
    const double hv = HME + w, hmf = hv + 100.0;
    tabulate(e_base(), hmf, [=](double h) {
        if (h <= HME) return chapman(h, FOE, HME, HE);
        if (h < hv) return 2.5;
        return chapman(h, FOF2, hmf, HF);
    });
}

TEST(ScaleHeight, ChapmanLayersGiveTheirScaleHeights) {
    reset_run_state();
    two_layers(20.0f);
    CALSHFPEAK(2);
    EXPECT_NEAR(DERPAR.SHF, 30.0f, 0.001f);
    EXPECT_FLOAT_EQ(DERPAR.SHF, std::round(DERPAR.SHF * 1000.0f) / 1000.0f);
    // Valley top above every row but the peak: no F integral, the E layer's value.
    two_layers(20.0f);
    LAYCTL.W = 500.0f;
    CALSHFPEAK(2);
    EXPECT_NEAR(DERPAR.SHF, HE, 0.01);
    // An empty table.
    NHPROF.NPTH = 0;
    CALSHFPEAK(2);
    EXPECT_EQ(DERPAR.SHF, NOTCOMPUTED);
}

TEST(ScaleHeight, EPeakMatchedWithinTheTableRounding) {
    // The E peak row holds the peak height before its rounding to 0.001 km.
    reset_run_state();
    two_layers(20.0f);
    CALSHFPEAK(2);
    const float exact = DERPAR.SHF;
    for (float off : {0.0004f, -0.0004f}) {
        two_layers(20.0f);
        for (int i = 1; i <= NHPROF.NPTH; ++i)
            if (NHPROF.HTAB(i) == float(HME)) NHPROF.HTAB(i) += off;
        CALSHFPEAK(2);
        EXPECT_EQ(DERPAR.SHF, exact) << off;
    }
}

// Profiles that set neither the E peak value, the valley top row nor the E
// layer's scale height give the same result whatever came before.
TEST(ScaleHeight, ValuesTheProfileDoesNotSetAreNeverTheLastRecords) {
    struct Profile {
        const char* name;
        std::function<void()> make;
    };
    const Profile profiles[] = {
        // W = 0 and the E peak between rows: the row nearest the peak.
        {"no valley", [] {
             LAYCOF.ZME = 110.4f;
             LAYCTL.W = 0.0f;
             tabulate(95.2, 240.0, [](double h) {
                 return h <= 110.4 ? chapman(h, 3.0, 110.4, 8.0) : chapman(h, 9.0, 240.0, 40.0);
             });
         }},
        // No E rows below the peak and the valley top above every row: 3.0 km.
        {"no E layer", [] {
             LAYCOF.ZME = 150.0f;
             LAYCTL.W = 200.0f;
             tabulate(150.0, 260.0, [](double h) { return chapman(h, 8.0, 260.0, 35.0); });
         }},
    };
    for (const Profile& p : profiles) {
        reset_run_state();
        p.make();
        CALSHFPEAK(2);
        const float fresh = DERPAR.SHF;
        EXPECT_TRUE(std::isfinite(fresh)) << p.name;
        // After another record.
        two_layers(20.0f);
        CALSHFPEAK(2);
        p.make();
        CALSHFPEAK(2);
        EXPECT_EQ(DERPAR.SHF, fresh) << p.name;
    }
    EXPECT_EQ(DERPAR.SHF, 3.0f);
}

TEST(ScaleHeight, BisectionEdges) {
    // A midpoint below |S| moves just above it; a non-positive ratio there
    // doubles the margin and ends the search at |S| plus the margin.
    EXPECT_FLOAT_EQ(shf_bisection(-100.0f, 1.0f, 1.0e9f, 3.0f, 150.0f), 100.0f);
    // An empty bracket returns the lower end.
    EXPECT_FLOAT_EQ(shf_bisection(0.0f, 5.0f, 7.0f, 7.0f, 0.0f), 7.0f);
    EXPECT_FLOAT_EQ(shf_bisection(-0.2f, 225.0f, 3.0f, 3.0f, 2.0f), 3.0f);
}

}  // namespace
}  // namespace kolm
