// The quasi-parabolic fit against its reference (the fit as first written,
// every growth adding its sums afresh) on the tables the inversion leaves
// for it: those of the shared sample records and of the synthetic
// soundings, at accuracies from 0.001 to 0.1, in each variant of the
// growths the processor has. Segments, errors, base radius and count agree
// bit for bit.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "blocks/peltarscale.h"
#include "blocks/peltartrueh.h"
#include "blocks/status.h"
#include "inversion/inversion_test.h"
#include "inversion/profil1.h"
#include "inversion/synthetic_record.h"
#include "models/qp_fit.h"
#include "run/record_decode.h"
#include "support/qp_reference.h"
#include "support/qp_variants.h"
#include "support/sao_files.h"

namespace kolm {
namespace {

using namespace synth;

// The 1 km table of the inverted record cut back to the F2 peak, as the
// fit reads it; the end step of the inversion has moved the valley width
// to its reported copy, which goes back. False without a profile.
bool fit_input() {
    if (SCALE2.IQUALE(iquale::STATUS) != status::PROFILE_OBTAINED) return false;
    int16_t n = 1;
    while (n < NHPROF.NPTH && NHPROF.HTAB(n) < LAYCOF.ZMF2 - 0.0005f) ++n;
    NHPROF.NPTH = n;
    LAYCTL.W = LAYCTL.WOUT;
    return true;
}

// The reference's fit and the fit in each variant of the table at every
// accuracy; the number of accuracies that gave segments.
int compare_fits(const std::string& what) {
    int fitted = 0;
    for (float accuracy : {0.001f, 0.002f, 0.005f, 0.01f, 0.02f, 0.05f, 0.1f}) {
        QPRES = QpresBlock{};
        QPRES.ERRMAX = accuracy;
        testing::qpref::QPFIT();
        const QpresBlock want = QPRES;
        for (const QpIsa isa : testing::qp_variants()) {
            set_qp_isa(isa);
            const std::string where = what + ", " + testing::qp_variant_name(isa) + ", accuracy " +
                                      std::to_string(accuracy);
            QPRES = QpresBlock{};
            QPRES.ERRMAX = accuracy;
            QPFIT();
            EXPECT_EQ(QPRES.NSEG, want.NSEG) << where;
            EXPECT_EQ(std::memcmp(&QPRES.RSEG, &want.RSEG, sizeof want.RSEG), 0) << where;
            EXPECT_EQ(std::memcmp(&QPRES.ASEG, &want.ASEG, sizeof want.ASEG), 0) << where;
            EXPECT_EQ(std::memcmp(&QPRES.BSEG, &want.BSEG, sizeof want.BSEG), 0) << where;
            EXPECT_EQ(std::memcmp(&QPRES.CSEG, &want.CSEG, sizeof want.CSEG), 0) << where;
            EXPECT_EQ(std::memcmp(&QPRES.ESEG, &want.ESEG, sizeof want.ESEG), 0) << where;
        }
        fitted += QPRES.NSEG > 0;
    }
    return fitted;
}

class QpIdentity : public testrec::InversionTest {};

TEST_F(QpIdentity, SampleRecordTablesFitAsTheReferenceFitsThem) {
    int tables = 0, fitted = 0;
    for (const auto& e : std::filesystem::directory_iterator(std::string(KOLM_SHARED_DATA) + "/sao")) {
        reset_run_state();
        const auto rec = testing::read_first_record(e.path().string());
        reset_traces();
        if (!decode_record(*rec)) continue;
        NHPROF.HSTEP = 1.0f;
        QPRES.ERRMAX = 0.0f;
        PROFIL1();
        if (!fit_input()) continue;
        ++tables;
        fitted += compare_fits(e.path().filename().string());
    }
    EXPECT_EQ(tables, 3);
    EXPECT_GT(fitted, 10);
}

TEST_F(QpIdentity, SyntheticSoundingTablesFitAsTheReferenceFitsThem) {
    Case gap{"day, no F1, F trace from foE+0.5", day(false, 11), true, 0.0, 11, 0.2f};
    gap.f2_gap = 0.5f;
    const Case cases[] = {{"day, no F1", day(false, 11), true, 0.0, 11, 0.2f},
                          {"day, F1", day(true, 11), true, 4.3, 11, 0.2f},
                          {"night, no E trace", night(), false, 0.0, 23, 1.5f},
                          gap};
    int fitted = 0;
    for (const Case& c : cases) {
        reset_run_state();
        float first_f = 0.0f;
        testrec::load(make_record(c, first_f));
        NHPROF.HSTEP = 1.0f;
        QPRES.ERRMAX = 0.0f;
        PROFIL1();
        ASSERT_TRUE(fit_input()) << c.name;
        fitted += compare_fits(c.name);
    }
    EXPECT_GT(fitted, 10);
}

}  // namespace
}  // namespace kolm
