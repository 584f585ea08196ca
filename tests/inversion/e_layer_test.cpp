// The E layer: set-up, fixed-shape fit and its checks, inverted from virtual
// heights of a known layer computed independently.
#include <gtest/gtest.h>

#include <cmath>

#include "blocks/peltarscale.h"
#include "blocks/peltartrueh.h"
#include "blocks/run_state.h"
#include "inversion/e_layer.h"
#include "inversion/profil1.h"
#include "inversion/status.h"
#include "record_fixture.h"
#include "work_dir.h"

namespace kolm {
namespace {

struct Layer {
    double fc, hm, ym, dip_deg, gyro;
};

// PROFIL1 reads the sunspot history and the month's URSI coefficients from
// the working directory: the test runs in a temporary one holding copies.
class ELayerRoundTrip : public testing::WorkDir {
protected:
    void SetUp() override {
        WorkDir::SetUp();
        copy_all_models();
    }
};

TEST_F(ELayerRoundTrip, ParabolicLayerInvertsToItsHeightAndThickness) {
    const Layer layers[] = {
        {3.01, 110.0, 25.0, 65.0, 1.3},  // mid latitude
        {3.51, 105.0, 18.0, 0.0, 1.0e-7 / 1e0},
        {2.51, 115.0, 28.0, 80.0, 1.5},
        {3.21, 108.0, 22.0, -30.0, 0.9},
    };
    for (const Layer& L : layers) {
        reset_run_state();
        testrec::Record r;
        r.dip_deg = float(L.dip_deg);
        r.gyro = float(L.gyro);
        r.foe = float(L.fc);
        r.e = testrec::parabolic_e_trace(L.fc, L.hm, L.ym, 1.0, r.fqincr, L.gyro, L.dip_deg * M_PI / 180.0,
                                         &r.fmine);
        r.fminf = 4.0f;
        r.fof2 = 7.0f;
        testrec::load(r);
        PROFIL1();
        EXPECT_EQ(SCALE2.IQUALE(2), status::PROFILE_OBTAINED) << L.fc;
        EXPECT_EQ(SCALE2.IQUALE(19), 0);
        EXPECT_EQ(SCALE2.IQUALE(1), 1);
        EXPECT_NEAR(LAYCOF.ZME, L.hm, 0.6) << "foE " << L.fc << " dip " << L.dip_deg;
        EXPECT_NEAR(YLAYER.YE, L.ym, 0.5) << "foE " << L.fc << " dip " << L.dip_deg;
        EXPECT_LT(LAYCOF.ER(1), 0.5f);
        EXPECT_FLOAT_EQ(LAYCOF.FC(1), 0.2f);
        EXPECT_NEAR(LAYCOF.FC(2), L.fc, 1e-4);
    }
}

}  // namespace
}  // namespace kolm
