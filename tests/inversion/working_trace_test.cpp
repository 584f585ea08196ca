// The working trace: E, F1 and F2 points from the decoded traces, checked
// against the scaled critical frequencies and bounded by the arrays.
#include <gtest/gtest.h>

#include "blocks/peltarscale.h"
#include "blocks/peltartrueh.h"
#include "blocks/run_state.h"
#include "blocks/status.h"
#include "inversion/working_trace.h"
#include "record_fixture.h"

namespace kolm {
namespace {

testrec::Trace flat(float fc, int n, float h) {
    testrec::Trace t;
    t.fc = fc;
    t.heights.assign(n, h);
    return t;
}

// E 1.0..3.0, F1 3.5..4.5, F2 4.55..6.0 MHz on a 0.05 MHz grid.
testrec::Record three_layers() {
    testrec::Record r;
    r.foe = 3.0f;
    r.fmine = 1.0f;
    r.e = flat(3.0f, 41, 110.0f);
    r.fminf = 3.5f;
    r.fof1 = 4.5f;
    r.f1 = flat(4.5f, 21, 200.0f);
    r.fof2 = 6.0f;
    r.f2 = flat(6.0f, 50, 250.0f);
    return r;
}

int16_t run(const testrec::Record& r) {
    reset_run_state();
    testrec::load(r);
    SCALE2.IQUALE(2) = 99;
    int16_t iok = -1;
    SETRCE(iok);
    if (iok == 0) {
        EXPECT_EQ(SCALE2.IQUALE(2), status::NO_INVERSION);
    }
    return iok;
}

TEST(WorkingTrace, ListsTheLayersInFrequencyOrder) {
    ASSERT_EQ(run(three_layers()), 1);
    const auto& W = TRCWRK;
    EXPECT_EQ(W.NFQE, 41);
    EXPECT_EQ(W.NFQF1, 21);
    // F2 from one step above the last F1 frequency up to foF2.
    EXPECT_EQ(W.NFQF, 30);
    EXPECT_FLOAT_EQ(W.TF(1), 1.0f);
    EXPECT_FLOAT_EQ(W.TF(41), 3.0f);
    EXPECT_FLOAT_EQ(W.TF(42), 3.5f);
    EXPECT_FLOAT_EQ(W.TF(62), 4.5f);
    EXPECT_FLOAT_EQ(W.TF(63), 4.55f);
    EXPECT_FLOAT_EQ(W.TF(92), 6.0f);
    EXPECT_EQ(W.TH(1), 110.0f);
    EXPECT_EQ(W.TH(42), 200.0f);
    EXPECT_EQ(W.TH(92), 250.0f);
    for (int k = 2; k <= 92; ++k) EXPECT_GT(W.TF(k), W.TF(k - 1)) << k;
}

TEST(WorkingTrace, PointsWithoutEchoAreLeftOut) {
    testrec::Record r = three_layers();
    r.e.heights[5] = NOHEIGHT;   // E: tested on the height
    r.f2.heights[40] = -10.0f;   // F: tested on the height index (below the base)
    ASSERT_EQ(run(r), 1);
    EXPECT_EQ(TRCWRK.NFQE, 40);
    EXPECT_EQ(TRCWRK.NFQF, 29);
}

TEST(WorkingTrace, ERangePastFoEIsRejected) {
    // The E grid starts 0.03 MHz above a grid point, so its last row lies
    // above foE + 0.0001 even though that row has no echo.
    testrec::Record r = three_layers();
    r.fmine = 1.03f;
    r.e.heights.back() = NOHEIGHT;
    EXPECT_EQ(run(r), 0);
}

TEST(WorkingTrace, WithoutScaledFoETheFLimitComesFromThePrediction) {
    testrec::Record r = three_layers();
    r.foe = 0.0f;
    r.e.heights.clear();
    r.foe_pred = 3.6f;  // above FMINF - FQINCR: the limit is lowered to 3.45
    ASSERT_EQ(run(r), 1);
    EXPECT_EQ(TRCWRK.NFQE, 0);
    EXPECT_EQ(TRCWRK.NFQF1, 21);
    EXPECT_FLOAT_EQ(TRCWRK.TF(1), 3.5f);
}

TEST(WorkingTrace, F1BeyondFoF1IsRejected) {
    testrec::Record r = three_layers();
    testrec::load(r);
    ++SCLCHR.IFOF1;  // one grid step past foF1
    int16_t iok = -1;
    SETRCE(iok);
    EXPECT_EQ(iok, 0);
}

TEST(WorkingTrace, F2MustStayAboveFoF1) {
    testrec::Record r = three_layers();
    testrec::load(r);
    SCLCHR.FOF1 = 4.6f;  // the F1 loop still ends at the 4.5 MHz row
    int16_t iok = -1;
    SETRCE(iok);
    EXPECT_EQ(iok, 0);
}

TEST(WorkingTrace, UnscaledFoF2BelowTheStartRunsNoF2Loop) {
    testrec::Record r = three_layers();
    r.f2.heights.clear();
    testrec::load(r);
    SCLCHR.FOF2 = 9999.0f;
    SCLCHR.IFOM = 10;  // below the F2 start row
    int16_t iok = -1;
    SETRCE(iok);
    EXPECT_EQ(iok, 1);
    EXPECT_EQ(TRCWRK.NFQF, 0);
}

TEST(WorkingTrace, NoEchoIsRejected) {
    testrec::Record r = three_layers();
    r.e.heights.assign(41, 0.0f);
    r.f1.heights.assign(21, 5000.0f);  // height index above 511
    r.f2.heights.assign(50, -50.0f);
    EXPECT_EQ(run(r), 0);
}

TEST(WorkingTrace, UnusableFminfSkipsTheFPart) {
    testrec::Record r = three_layers();
    testrec::load(r);
    SCLCHR.FMINF = 150.0f;  // MINFF still set
    int16_t iok = -1;
    SETRCE(iok);
    EXPECT_EQ(iok, 1);
    EXPECT_EQ(TRCWRK.NFQE, 41);
    EXPECT_EQ(TRCWRK.NFQF1, 0);
    EXPECT_EQ(TRCWRK.NFQF, 0);
}

TEST(WorkingTrace, RowsBeyondTheArraysAreRejectedNotOverrun) {
    // foE index 1200 on a 0.005 MHz grid.
    testrec::Record r;
    r.fqincr = 0.005f;
    r.foe = 6.0f;
    r.fmine = 5.0f;
    r.e.fc = 5.1f;
    r.e.heights.assign(21, 110.0f);
    r.fminf = 0.0f;
    testrec::load(r);
    SCALE2.FOE = 6.0f;
    SCALE2.IFOE = 1200;
    int16_t iok = -1;
    SETRCE(iok);
    EXPECT_EQ(iok, 0);
    EXPECT_EQ(SCALE2.IQUALE(2), status::NO_INVERSION);
    // An unscaled foF2 leaves the F2 range open to index 9999.
    r = three_layers();
    r.f2.heights.clear();
    r.fof2 = 9999.0f;
    EXPECT_EQ(run(r), 0);
}

TEST(WorkingTrace, MoreThan1024PointsAreRejected) {
    // E rows 1..900 and F2 rows 600..1024 of a 0.005 MHz grid: 1325 points.
    testrec::Record r;
    r.fqincr = 0.005f;
    r.foe = 4.5f;
    r.fmine = 0.005f;
    r.e = flat(4.5f, 900, 110.0f);
    r.fminf = 3.0f;
    r.fof2 = 5.12f;
    r.f2 = flat(5.12f, 425, 250.0f);
    EXPECT_EQ(run(r), 0);
    // 1024 points exactly are accepted.
    r.fminf = 4.505f;
    r.f2 = flat(5.12f, 124, 250.0f);
    ASSERT_EQ(run(r), 1);
    EXPECT_EQ(TRCWRK.NFQE + TRCWRK.NFQF, 1024);
}

}  // namespace
}  // namespace kolm
