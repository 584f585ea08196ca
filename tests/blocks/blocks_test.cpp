// The shared blocks: one-based indexing and the start-of-run reset.
#include <gtest/gtest.h>

#include "blocks/peltarscale.h"
#include "blocks/peltartrueh.h"
#include "blocks/run_state.h"

namespace kolm {
namespace {

int registered_value = 7;
const RunStateReset reset_registered([] { registered_value = 0; });

TEST(Blocks, TwoDimensionalArraysRunFirstIndexFastest) {
    FArray2<int16_t, MAXTRC, 3> a{};
    a(2, 1) = 5;
    a(1, 2) = 6;
    EXPECT_EQ(a.data()[1], 5);
    EXPECT_EQ(a.data()[MAXTRC], 6);
    EXPECT_EQ(a.column(2)[0], 6);
}

TEST(Blocks, ResetBringsBlocksAndRegisteredStateToStartOfRun) {
    SCLCHR.FOF2 = 7.5f;
    NHPROF.NPTH = 12;
    PREDST.MONTH = 4;
    PREDST.PRED2 = 3.0f;
    PREDST.IYR4 = 2001;
    registered_value = 9;
    reset_run_state();
    EXPECT_EQ(SCLCHR.FOF2, 0.0f);
    EXPECT_EQ(NHPROF.NPTH, 0);
    EXPECT_EQ(PREDST.MONTH, -1);
    EXPECT_EQ(PREDST.PRED2, -100.0f);
    EXPECT_EQ(PREDST.IYR4, -1);
    EXPECT_EQ(registered_value, 0);
}

}  // namespace
}  // namespace kolm
