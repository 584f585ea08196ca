// Snapping to the grids and its tie rule, the calendar, the cleaning and
// normalisation of the layers, the layer order, the time-stamp digits and
// the traces laid onto the frequency grid.
#include <gtest/gtest.h>

#include <memory>

#include "blocks/run_state.h"
#include "conversion/regrid.h"
#include "conversion/std_fixture.h"

namespace kolm {
namespace {

using testing::blank_record;
using testing::set_layer;

TEST(Griddata, FrequenciesGoToTheNearestGridPointAndTiesToTheCoarserGrid) {
    struct Case {
        float f, fstep_in, f_out, fstep_out;
    };
    const Case cases[] = {
        {3.07f, 99.0f, 3.075f, 0.025f},
        {3.0f, 99.0f, 3.0f, 0.1f},
        {3.0f, 0.05f, 3.0f, 0.05f},     // a finer step stays
        {3.05f, 0.1f, 3.05f, 0.05f},
        {5.0005f, 99.0f, 5.0f, 0.1f},
        {3.0124f, 99.0f, 3.0f, 0.1f},
        {3.01251f, 99.0f, 3.025f, 0.025f},
        // Exactly halfway: the point on the coarser grid.
        {3.0125f, 99.0f, 3.0f, 0.1f},   // 3.0 (0.1) against 3.025
        {3.0375f, 99.0f, 3.05f, 0.05f},  // 3.025 against 3.05 (0.05)
        {3.0625f, 99.0f, 3.05f, 0.05f},  // 3.05 (0.05) against 3.075
        {3.0875f, 99.0f, 3.1f, 0.1f},    // 3.075 against 3.1 (0.1)
        {12.4875f, 99.0f, 12.5f, 0.1f},
        {0.0125f, 99.0f, 0.0f, 0.1f},
        // Not snapped: nothing to snap, or beyond any grid.
        {0.0f, 0.05f, 0.0f, 0.05f},
        {-2.0f, 99.0f, -2.0f, 99.0f},
        {1500.0f, 99.0f, 1500.0f, 99.0f},
    };
    for (const Case& c : cases) {
        float f = c.f, h = 0.0f, step = c.fstep_in;
        GRIDDATA(f, h, step);
        EXPECT_EQ(f, c.f_out) << c.f;
        EXPECT_EQ(step, c.fstep_out) << c.f;
    }
}

TEST(Griddata, HeightsGoToWholeKilometresHalvesUp) {
    const std::pair<float, float> cases[] = {{250.4f, 250.0f}, {250.5f, 251.0f}, {250.6f, 251.0f},
                                             {999.5f, 1000.0f}, {0.0f, 0.0f}, {-3.5f, -3.5f}};
    for (const auto& [in, out] : cases) {
        float f = 0.0f, h = in, step = 99.0f;
        GRIDDATA(f, h, step);
        EXPECT_EQ(h, out) << in;
        EXPECT_EQ(step, 99.0f) << "a height does not set the step";
    }
}

TEST(Datetoday, YearsMonthLengthsAndDayOfYear) {
    struct Case {
        int16_t yr, mon, day, yr4, doy;
        int32_t err;
    };
    const Case cases[] = {
        {49, 1, 1, 2049, 1, 0},    {50, 1, 1, 1950, 1, 0},     {999, 1, 1, 2899, 1, 0},
        {1900, 2, 29, 1900, 0, 2}, {2000, 2, 29, 2000, 60, 0}, {2001, 12, 31, 2001, 365, 0},
        {2004, 12, 31, 2004, 366, 0}, {2001, 13, 1, 2001, 0, 1}, {2001, 0, 1, 2001, 0, 1},
        {2001, 4, 31, 2001, 0, 3}, {1, 2, 29, 2001, 0, 2},     {4, 2, 29, 2004, 60, 0},
    };
    for (const Case& c : cases) {
        int16_t yr4 = -1, doy = 0;
        int32_t err = -1;
        DATETODAY(c.yr, c.mon, c.day, yr4, doy, err);
        EXPECT_EQ(yr4, c.yr4) << c.yr << "-" << c.mon << "-" << c.day;
        EXPECT_EQ(err, c.err) << c.yr << "-" << c.mon << "-" << c.day;
        if (err == 0) {
            EXPECT_EQ(doy, c.doy) << c.yr << "-" << c.mon << "-" << c.day;
        }
    }
}

TEST(CleanBlock, AbsentLayerLosesItsPairsAndRepeatsGo) {
    StdLayer L;
    set_layer(L, STD_ABSENT, {{2.0f, 100.0f}});
    clean_block(L);
    EXPECT_EQ(L.N, 0);

    // 5.0 and 5.0005 snap to one frequency: the first stays. Three equal
    // frequencies keep one, so the later pairs still match their grid points.
    set_layer(L, 0.0f, {{5.0f, 250.0f}, {5.0f, 251.0f}, {5.0f, 252.0f}, {5.1f, 260.0f}, {-1.0f, 5.0f},
                        {5.1f, 262.0f}, {6.2f, 300.0f}});
    clean_block(L);
    ASSERT_EQ(L.N, 3);
    EXPECT_EQ(L.F(1), 5.0f);
    EXPECT_EQ(L.H(1), 250.0f);
    EXPECT_EQ(L.F(2), 5.1f);
    EXPECT_EQ(L.H(2), 260.0f);
    EXPECT_EQ(L.F(3), 6.2f);
    EXPECT_EQ(L.FC, 6.2f) << "a critical frequency of 0 rises to the highest pair";

    set_layer(L, 3.0f, {{-1.0f, 100.0f}, {2.0f, 110.0f}});
    clean_block(L);
    EXPECT_EQ(L.N, 2) << "the first pair always stays";
}

TEST(Normalise, CriticalFrequenciesOntoTheStep) {
    struct Case {
        float fstep, fof1_in, fof1_out;
    };
    const Case cases[] = {
        {0.1f, 4.37f, 4.37f},     // more than a quarter step from 4.4
        {0.1f, 4.38f, 4.4f},
        {0.025f, 4.37f, 4.375f},  // always at 0.025
        {0.05f, 4.3904f, 4.4f},
        {0.05f, 4.38f, 4.38f},
        {0.1f, 4.3704f, 4.37f},   // to 0.001 first
    };
    for (const Case& c : cases) {
        StdRecord r = blank_record(c.fstep);
        set_layer(r.F1, c.fof1_in, {{4.0f, 200.0f}});
        set_layer(r.E, 0.0f, {}, STD_CAP_E);
        set_layer(r.F2, -1.0f, {{5.0f, 250.0f}, {6.0f, 300.0f}});
        normalise_critical(r);
        EXPECT_EQ(r.F1.FC, c.fof1_out) << c.fof1_in << " at step " << c.fstep;
        EXPECT_EQ(r.E.FC, STD_ABSENT) << "0 without pairs: absent";
        EXPECT_EQ(r.F2.FC, 6.0f) << "below 0: the last pair";
    }
}

TEST(LayerOrder, PresentLayersMustRise) {
    struct Case {
        float foe, fof1, fof2;
        bool ok;
    };
    const Case cases[] = {
        {3.0f, 3.0f, 8.0f, false}, {3.0f, 3.1f, 8.0f, true},    {3.0f, 99.0f, 8.0f, true},
        {3.0f, 99.0f, 2.9f, false}, {99.0f, 5.0f, 5.0f, false}, {99.0f, 5.0f, 99.0f, true},
        {99.0f, 99.0f, 99.0f, true}, {4.0f, 99.0f, 99.0f, true},
    };
    for (const Case& c : cases) {
        StdRecord r = blank_record();
        r.E.FC = c.foe;
        r.F1.FC = c.fof1;
        r.F2.FC = c.fof2;
        EXPECT_EQ(layer_order(r), c.ok) << c.foe << " " << c.fof1 << " " << c.fof2;
    }
}

TEST(CleanTraces, LowerLayersCutTheTracesAbove) {
    StdRecord r = blank_record();
    set_layer(r.E, 3.0f, {{2.0f, 110.0f}, {3.0f, 120.0f}});
    set_layer(r.F1, 4.3f, {{2.9f, 180.0f}, {3.0f, 185.0f}, {3.1f, 190.0f}, {4.3f, 220.0f}});
    set_layer(r.F2, 8.0f, {{4.2f, 230.0f}, {4.3f, 235.0f}, {4.4f, 240.0f}, {8.0f, 360.0f}});
    clean_traces(r);
    ASSERT_EQ(r.F1.N, 2);
    EXPECT_EQ(r.F1.F(1), 3.1f);
    ASSERT_EQ(r.F2.N, 2);
    EXPECT_EQ(r.F2.F(1), 4.4f);
    EXPECT_EQ(lowest_f(r), 3.1f);
    EXPECT_EQ(lowest_e(r), 2.0f);

    // Without F1 the F2 trace is cut at foE.
    StdRecord s = blank_record();
    set_layer(s.E, 3.0f, {{2.0f, 110.0f}});
    set_layer(s.F2, 8.0f, {{3.0f, 200.0f}, {3.1f, 210.0f}});
    clean_traces(s);
    ASSERT_EQ(s.F2.N, 1);
    EXPECT_EQ(s.F2.F(1), 3.1f);
    EXPECT_EQ(lowest_f(s), 3.1f);
    s.E.FC = STD_ABSENT;
    EXPECT_EQ(lowest_e(s), 999.9f);
}

TEST(TimeStamp, DigitsOfGroup3) {
    StdRecord r = blank_record(0.05f);
    r.JSEC = 7;
    r.JMIN = 45;
    r.F2.FC = 8.2f;
    FArray<int32_t, 60> d;
    time_stamp_digits(r, d);
    const int32_t want[] = {0, 1, 0, 7, 3, 1, 2, 4, 5, 0, 7};
    for (int i = 1; i <= 11; ++i) EXPECT_EQ(d(i), want[i - 1]) << "digit " << i;
    EXPECT_EQ(d(34), 1);
    EXPECT_EQ(d(35), 2) << "0.05 MHz";
    EXPECT_EQ(d(36), 0);
    EXPECT_EQ(d(37), 9) << "trunc(foF2) + 1";
    EXPECT_EQ(d(54), 1);
    EXPECT_EQ(d(55), 2);
    for (int i : {12, 33, 38, 53, 56, 60}) EXPECT_EQ(d(i), 0) << "digit " << i;
    r.F2.FC = STD_ABSENT;
    r.FSTEP = 0.025f;
    time_stamp_digits(r, d);
    EXPECT_EQ(d(35), 3);
    EXPECT_EQ(d(36) * 10 + d(37), 0);
}

class Regrid : public ::testing::Test {
protected:
    void SetUp() override { reset_run_state(); }
    std::unique_ptr<SaoRecord> out = std::make_unique<SaoRecord>();
};

TEST_F(Regrid, OneHeightPerGridFrequencyWith999WhereNoneWasGiven) {
    StdRecord r = blank_record(0.1f);
    set_layer(r.F2, 5.3f, {{5.0f, 250.0f}, {5.1f, 260.0f}, {5.3f, 290.0f}});
    set_layer(r.E, 3.0f, {{2.0f, 110.0f}, {3.0f, 120.0f}});
    const GridResult g = regrid(r, *out);
    ASSERT_EQ(g.fault, GridFault::none);
    ASSERT_EQ(out->DFI(7), 4);
    EXPECT_EQ(out->DFI(11), 4);
    const int32_t h[] = {250, 260, 999, 290};
    const float f[] = {5.0f, 5.1f, 5.2f, 5.3f};
    for (int i = 1; i <= 4; ++i) {
        EXPECT_EQ(out->G7(i), h[i - 1]);
        EXPECT_EQ(out->G11(i), f[i - 1]);
    }
    EXPECT_EQ(out->DFI(12), 0);
    EXPECT_EQ(out->DFI(16), 0);
    EXPECT_EQ(out->DFI(17), 11);
    EXPECT_EQ(out->G17(1), 110);
    EXPECT_EQ(out->G17(11), 120);
    EXPECT_EQ(out->G21(11), 3.0f);
}

TEST_F(Regrid, F2StartsAboveF1EvenWhenFoF1IsOffTheGrid) {
    StdRecord r = blank_record(0.1f);
    set_layer(r.F1, 4.37f, {{3.5f, 200.0f}, {4.3f, 230.0f}});
    set_layer(r.F2, 6.0f, {{4.5f, 240.0f}, {6.0f, 330.0f}});
    ASSERT_EQ(regrid(r, *out).fault, GridFault::none);
    EXPECT_EQ(out->G11(1), 4.4f);
    EXPECT_EQ(out->G7(1), 999);
    EXPECT_EQ(out->G7(2), 240);
    EXPECT_EQ(out->DFI(7), 17);
    EXPECT_EQ(out->DFI(12), 9) << "F1 from 3.5 up to 4.3, the last grid frequency below 4.37";
    EXPECT_EQ(out->G16(9), 4.3f);
}

TEST_F(Regrid, TracesThatDoNotFitTheGridAreRefusedAndLongHeightsBecome999) {
    {
        StdRecord r = blank_record(0.1f);
        set_layer(r.E, 3.0f, {{0.1f, 100.0f}, {3.0f, 120.0f}});  // below the grid's 0.2 MHz
        const GridResult g = regrid(r, *out);
        EXPECT_EQ(g.fault, GridFault::off_grid);
        EXPECT_STREQ(g.layer, "E");
    }
    {
        StdRecord r = blank_record(0.1f);
        set_layer(r.F2, 85.0f, {{70.0f, 300.0f}});  // the grid ends at 80.1 MHz
        EXPECT_EQ(regrid(r, *out).fault, GridFault::beyond_grid);
    }
    {
        StdRecord r = blank_record(0.025f);
        set_layer(r.F2, 12.0f, {{1.0f, 200.0f}, {12.0f, 400.0f}});  // 441 grid frequencies
        const GridResult g = regrid(r, *out);
        EXPECT_EQ(g.fault, GridFault::over_capacity);
        EXPECT_STREQ(g.layer, "F2");
    }
    {
        StdRecord r = blank_record(0.1f);
        set_layer(r.F2, 5.2f, {{5.0f, 850.0f}, {5.1f, 1200.0f}, {5.2f, 2500.0f}});
        const GridResult g = regrid(r, *out);
        ASSERT_EQ(g.fault, GridFault::none);
        EXPECT_EQ(g.unfit, 2);
        EXPECT_EQ(out->G7(1), 850);
        EXPECT_EQ(out->G7(2), 999);
        EXPECT_EQ(out->G7(3), 999);
    }
}

}  // namespace
}  // namespace kolm
