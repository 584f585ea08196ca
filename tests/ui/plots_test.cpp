// PLOTPROF: the peak marker by region and top frequency, the curve from the
// section's start to its peak, and what is not drawn.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "blocks/peltarscale.h"
#include "blocks/peltartrueh.h"
#include "blocks/run_state.h"
#include "platform/graphics.h"
#include "sao/sao_record.h"
#include "ui/plot_frame.h"
#include "ui/plots.h"

namespace kolm::ui {
namespace {

namespace gfx = platform::gfx;

class PlotprofTest : public ::testing::Test {
protected:
    void SetUp() override {
        reset_run_state();
        gfx::reset();
        GRAPHMODE();
        SCLCHR.FOF2 = 8.0f;
        SETCOORD();
        gfx::clear();
    }
    std::vector<gfx::Op> lines() const {
        std::vector<gfx::Op> l;
        for (const auto& op : gfx::page().ops)
            if (op.kind == gfx::OpKind::line) l.push_back(op);
        return l;
    }
};

struct MarkerCase {
    int16_t region;
    float fb;
    int32_t top_above_y1;
};

TEST_F(PlotprofTest, PeakMarkerByRegionAndTopFrequency) {
    const MarkerCase cases[] = {
        {1, 3.0f, 200}, {2, 4.0f, 250}, {3, 5.9f, 300}, {3, 6.0f, 350}, {1, 6.5f, 200},
    };
    const float a[5] = {-20.0f, 5.0f, 1.0f, 0.0f, 0.0f};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fb);
        gfx::clear();
        LAYCTL.IRGN = c.region;
        PLOTPROF(65535, 1.0f, c.fb, 250.0f, 5, a);
        const auto l = lines();
        ASSERT_GE(l.size(), 2u);
        const int32_t y1 = PLOTWN.P(6);
        EXPECT_EQ(l[0].colour, gfx::rgb(255, 255, 0));
        EXPECT_EQ(l[0].x1, plot_x(c.fb));
        EXPECT_EQ(l[0].x2, plot_x(c.fb));
        EXPECT_EQ(l[0].y1, y1);
        EXPECT_EQ(l[0].y2, y1 - c.top_above_y1);
        // The curve: from (FA, HB + sum A) to (FB, HB) in 0.1 MHz steps, the last clipped.
        EXPECT_EQ(l[1].x1, plot_x(1.0f));
        EXPECT_EQ(l[1].y1, plot_y(250.0f - 14.0f));
        EXPECT_EQ(l.back().x2, plot_x(c.fb));
        EXPECT_EQ(l.back().y2, plot_y(250.0f));
        EXPECT_EQ(l.size(), 1u + size_t((c.fb - 1.0f) / 0.1f + 0.999f));
        EXPECT_EQ(l[1].colour, 65535);
    }
}

TEST_F(PlotprofTest, NothingForAnEmptySectionOrWithGraphicsOff) {
    const float a[5] = {1.0f, 0.0f, 0.0f, 0.0f, 0.0f};
    PLOTPROF(65535, 0.0f, 3.0f, 100.0f, 5, a);
    PLOTPROF(65535, 3.0f, 3.0f, 100.0f, 5, a);
    PLOTPROF(65535, 3.0f, 2.0f, 100.0f, 5, a);
    EXPECT_TRUE(gfx::page().ops.empty());
    PLOTWN.P(9) = 0;
    PLOTPROF(65535, 1.0f, 3.0f, 100.0f, 5, a);
    EXPECT_TRUE(gfx::page().ops.empty());
}

TEST_F(PlotprofTest, AFarTopEndsWithOneLineToIt) {
    const float a[5] = {1.0f, 0.0f, 0.0f, 0.0f, 0.0f};
    LAYCTL.IRGN = 3;
    PLOTPROF(65535, 1.0f, 1.0e30f, 100.0f, 5, a);
    const auto l = lines();
    ASSERT_FALSE(l.empty());
    EXPECT_LE(l.size(), 4097u + 1u);
    EXPECT_EQ(l.back().y2, plot_y(100.0f));
}

TEST_F(PlotprofTest, StoredSectionsOfTheRecordAreDrawnInOrder) {
    auto rec = std::make_unique<SaoRecord>();
    SaoRecord& r = *rec;
    r.DFI(39) = 7;
    const float e[9] = {0.5f, 3.0f, 110.0f, 0.1f, -10.0f, 2.0f, 1.0f, 77.0f, 77.0f};  // items 8, 9 unused
    for (int i = 1; i <= 9; ++i) r.G39(i) = e[i - 1];
    r.DFI(37) = 10;
    const float f2[9] = {4.0f, 7.0f, 280.0f, 0.5f, -80.0f, 10.0f, -2.0f, 1.0f, 0.5f};
    for (int i = 1; i <= 9; ++i) r.G37(i) = f2[i - 1];
    PLOT_STORED_PROFILES(r);
    std::vector<gfx::Op> markers, starts;
    const auto& ops = gfx::page().ops;
    for (std::size_t k = 0; k + 1 < ops.size(); ++k) {
        const gfx::Op& op = ops[k];
        if (op.kind == gfx::OpKind::line && op.x1 == op.x2 && op.y1 == PLOTWN.P(6) &&
            op.colour == gfx::rgb(255, 255, 0) && op.y2 < op.y1) {
            markers.push_back(op);
            starts.push_back(ops[k + 1]);
        }
    }
    ASSERT_EQ(markers.size(), 2u);
    EXPECT_EQ(markers[0].x1, plot_x(3.0f));
    EXPECT_EQ(markers[0].y2, PLOTWN.P(6) - 200) << "E region";
    EXPECT_EQ(starts[0].y1, plot_y(110.0f - 10.0f + 2.0f + 1.0f)) << "three E coefficients only";
    EXPECT_EQ(markers[1].x1, plot_x(7.0f));
    EXPECT_EQ(markers[1].y2, PLOTWN.P(6) - 350) << "F2 region, top at or above 6 MHz";
    EXPECT_EQ(starts[1].y1, plot_y(280.0f - 80.0f + 10.0f - 2.0f + 1.0f + 0.5f));
    EXPECT_EQ(LAYCTL.IRGN, 3);
}

}  // namespace
}  // namespace kolm::ui
