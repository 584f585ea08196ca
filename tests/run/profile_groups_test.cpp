// The profile groups of real records end to end (decoding, inversion,
// results, writer): groups 37-39 and 42 as the end step leaves the
// boundaries, records with and without F1 and a failed one, the same output
// for a record alone and inside a file of other records, and the agreement
// with the profile sections and parameters (electron content, scale height,
// B0, B1, D1) the sounder's own software stored in the samples.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "blocks/peltarscale.h"
#include "blocks/peltartrueh.h"
#include "blocks/run_state.h"
#include "model_tables.h"
#include "platform/graphics.h"
#include "platform/headless.h"
#include "platform/text_units.h"
#include "run/run_driver.h"
#include "sao/sao_record.h"
#include "support/work_dir.h"
#include "ui/plot_frame.h"
#include "support/slurp.h"

namespace kolm {
namespace {

using kolm::testing::slurp;

namespace fs = std::filesystem;
using kolm::testing::sample;

constexpr int32_t UNIT = 41;
const char* const NAMES[] = {"BC840_2009336000005.SAO", "GR13L_2017248124500.SAO", "TR169_2020064101500.SAO",
                             "TR169_2020083143000.SAO"};


std::vector<std::unique_ptr<SaoRecord>> read_all(const fs::path& path) {
    std::vector<std::unique_ptr<SaoRecord>> out;
    if (platform::open_unit(UNIT, path.string(), platform::UnitMode::read) != 0) return out;
    for (;;) {
        auto r = std::make_unique<SaoRecord>();
        int32_t iend = 0;
        int16_t found = 0, ierr = 0;
        READSAO(iend, UNIT, *r, found, ierr);
        if (iend != 0 || ierr != 0) break;
        out.push_back(std::move(r));
    }
    platform::close_unit(UNIT);
    return out;
}

class ProfileGroups : public kolm::testing::WorkDir {
protected:
    void SetUp() override {
        WorkDir::SetUp();
        copy_all_models();
        // With the tables the records carry their electron content, B0, B1,
        // D1 and topside, so these take part in every comparison below.
        ASSERT_TRUE(testing::write_test_tables());
    }
    // One run of the program over one SAO file, as after its dialog: 10 km
    // N(h) table. Each run starts as a fresh program.
    static void run(const fs::path& in, const fs::path& out) {
        reset_run_state();
        platform::headless::reset();
        platform::gfx::reset();
        std::memcpy(SAOHDR.VERSION, "VS.04.30", 8);
        ui::GRAPHMODE();
        NHPROF.HSTEP = 10.0f;
        QPRES.ERRMAX = 0.01f;
        RUN.CONV = 'Y';
        RUN.ISTD = 1;
        RUN.INNAME = in.string();
        RUN.OUTNAME = out.string();
        run_files();
    }
    // Each sample alone; the output records by sample name.
    std::map<std::string, std::unique_ptr<SaoRecord>> run_each() {
        std::map<std::string, std::unique_ptr<SaoRecord>> out;
        for (const char* name : NAMES) {
            const fs::path o = dir_ / (std::string(name) + ".421");
            run(sample(name), o);
            auto recs = read_all(o);
            EXPECT_EQ(recs.size(), 1u) << name;
            if (!recs.empty()) out[name] = std::move(recs.front());
        }
        return out;
    }
};

// A record comes out the same alone in its file as behind other records,
// in either order; the F2 peak frequency of a record is its own, also behind
// one with a higher foF2.
TEST_F(ProfileGroups, RecordAloneAndInsideAFileGiveTheSameOutput) {
    std::string alone[4];
    for (int i = 0; i < 4; ++i) {
        const fs::path o = dir_ / ("alone" + std::to_string(i) + ".421");
        run(sample(NAMES[i]), o);
        alone[i] = slurp(o);
        ASSERT_FALSE(alone[i].empty()) << NAMES[i];
    }
    for (const bool reversed : {false, true}) {
        SCOPED_TRACE(reversed ? "reversed order" : "file order");
        std::string input, expected;
        for (int k = 0; k < 4; ++k) {
            const int i = reversed ? 3 - k : k;
            input += slurp(sample(NAMES[i]));
            expected += alone[i];
        }
        const fs::path in = dir_ / "ALL.SAO", out = dir_ / "ALL.421";
        write_file(in.string(), input);
        fs::remove(out);
        run(in, out);
        const std::string got = slurp(out);
        ASSERT_EQ(got.size(), expected.size());
        if (got != expected) {
            size_t at = 0;
            while (got[at] == expected[at]) ++at;
            const size_t line = size_t(std::count(got.begin(), got.begin() + long(at), '\n')) + 1;
            ADD_FAILURE() << "outputs differ from line " << line;
        }
        // TR169 at 10:15 follows GR13L (foF2 6.99 MHz) in file order.
        const auto recs = read_all(out);
        ASSERT_EQ(recs.size(), 4u);
        const SaoRecord& tr = *recs[reversed ? 1 : 2];
        EXPECT_EQ(tr.DFI(37), 10);
        EXPECT_NEAR(tr.G37(2), 4.275f, 0.03f);
    }
}

// Groups 37-39 and 42 of each sample, against what the end step makes of
// the boundaries: the E top is the scaled foE on the sounder's frequency
// grid plus a fifth of a step, the F1 start is the E top, the F2 start is
// the F1 top (or the E top without F1), the peak frequencies and heights
// are the profile's own foF2, foF1, hmF2, hmF1 and hmE.
TEST_F(ProfileGroups, GroupsCarryTheBoundariesOfTheirOwnRecord) {
    const auto out = run_each();
    ASSERT_EQ(out.size(), 4u);
    auto e_top = [](float foe, float step) { return std::trunc((foe + 0.0005f) / step) * step + 0.2f * step; };
    auto on_grid = [](float x, float scale) { return std::fabs(x * scale - std::round(x * scale)) < 2e-3f; };

    // With F1 and an E trace.
    for (const char* name : {NAMES[1], NAMES[2]}) {
        SCOPED_TRACE(name);
        const SaoRecord& r = *out.at(name);
        const float step = std::string(name).rfind("GR13L", 0) == 0 ? 0.025f : 0.05f;
        const float foe = std::string(name).rfind("GR13L", 0) == 0 ? 3.105f : 2.06f;
        EXPECT_EQ(r.G5(1), 1);
        EXPECT_EQ(r.G5(2), 2);
        EXPECT_EQ(r.G5(4), 1);
        ASSERT_EQ(r.DFI(37), 10);
        ASSERT_EQ(r.DFI(38), 9);
        ASSERT_EQ(r.DFI(39), 7);
        ASSERT_EQ(r.DFI(42), 2);
        // E section: 0.2 MHz to the E top; foE becomes the E top.
        EXPECT_FLOAT_EQ(r.G39(1), 0.2f);
        EXPECT_NEAR(r.G39(2), e_top(foe, step), 1e-5f);
        EXPECT_NEAR(r.G4(9), r.G39(2), 5e-4f);
        EXPECT_NEAR(r.G39(3), r.G4(15), 5e-4f);
        // F1 section: the E top to the F1 top, which is foF1 and the F2 start.
        EXPECT_FLOAT_EQ(r.G38(1), r.G39(2));
        EXPECT_GT(r.G38(2), r.G38(1));
        EXPECT_NEAR(r.G38(2), r.G4(2), 5e-4f);
        EXPECT_FLOAT_EQ(r.G37(1), r.G38(2));
        EXPECT_NEAR(r.G38(3), r.G4(33), 0.05f);
        // F2 section: its peak frequency is foF2, its peak height hmF2.
        EXPECT_GT(r.G37(2), r.G37(1));
        EXPECT_NEAR(r.G37(2), r.G4(1), 5e-4f);
        EXPECT_NEAR(r.G37(3), r.G4(32), 0.05f);
        EXPECT_NEAR(r.G37(10), r.G4(34), 0.05f);
        EXPECT_LT(r.G37(10), r.G37(3));
        // Fit errors to 0.001 km; the valley width on its 0.1 km grid, the
        // depth to four digits.
        for (float er : {r.G37(4), r.G38(4), r.G39(4)}) EXPECT_TRUE(on_grid(er, 1000.0f)) << er;
        EXPECT_GT(r.G42(1), 0.0f);
        EXPECT_TRUE(on_grid(r.G42(1), 10.0f)) << r.G42(1);
        EXPECT_GT(r.G42(2), 0.0f);
        EXPECT_LT(r.G42(2), 1.0f);
        EXPECT_TRUE(on_grid(r.G42(2), 10000.0f)) << r.G42(2);
        // Semi-thicknesses of F1 and F2.
        EXPECT_GT(r.G4(37), 10.0f);
        EXPECT_LT(r.G4(37), r.G37(3) - r.G37(1));
        EXPECT_GT(r.G4(38), 10.0f);
        EXPECT_LT(r.G4(38), 9999.0f);
    }

    // Without F1 and without an E trace: the predicted E top (foE 9999),
    // the standard E layer peaking at 110 km, the F2 section from the E top.
    {
        const SaoRecord& r = *out.at(NAMES[0]);
        EXPECT_EQ(r.G5(1), 2);
        EXPECT_EQ(r.G5(2), 2);
        EXPECT_EQ(r.G5(4), 0);
        ASSERT_EQ(r.DFI(37), 10);
        EXPECT_EQ(r.DFI(38), 0);
        ASSERT_EQ(r.DFI(39), 7);
        ASSERT_EQ(r.DFI(42), 2);
        EXPECT_EQ(r.G4(9), 9999.0f);
        EXPECT_FLOAT_EQ(r.G39(1), 0.2f);
        EXPECT_FLOAT_EQ(r.G39(2), r.G37(1));
        EXPECT_FLOAT_EQ(r.G39(3), 110.0f);
        EXPECT_EQ(r.G39(4), 0.0f);
        EXPECT_NEAR(r.G37(2), r.G4(1), 5e-4f);
        EXPECT_EQ(r.G4(38), 9999.0f);
        EXPECT_GT(r.G4(37), 10.0f);
        EXPECT_LT(r.G4(37), 9999.0f);
    }

    // Failed (too few F2 points): only the E section, ending at the E top;
    // foE becomes the E top; no F sections, no valley, no results.
    {
        const SaoRecord& r = *out.at(NAMES[3]);
        EXPECT_EQ(r.G5(2), 12);
        EXPECT_EQ(r.DFI(37), 0);
        EXPECT_EQ(r.DFI(38), 0);
        EXPECT_EQ(r.DFI(42), 0);
        ASSERT_EQ(r.DFI(39), 7);
        EXPECT_FLOAT_EQ(r.G39(1), 0.2f);
        EXPECT_NEAR(r.G39(2), e_top(2.16f, 0.05f), 1e-5f);
        EXPECT_NEAR(r.G4(9), r.G39(2), 5e-4f);
        EXPECT_GT(r.G39(3), 90.0f);
        for (int i : {32, 33, 34, 37, 38, 39, 40, 41, 42, 43}) EXPECT_EQ(r.G4(i), 9999.0f) << i;
        EXPECT_EQ(r.DFI(57), 0);
    }
}

// The samples carry in groups 37-39 the profile sections of the sounder's
// own software (another method): start and peak frequencies agree within a
// few hundredths of a MHz, peak heights within a few km.
TEST_F(ProfileGroups, SectionsAgreeWithTheSoundersOwn) {
    const auto out = run_each();
    double df_max = 0.0, dh_max = 0.0;
    int sections = 0;
    for (const char* name : NAMES) {
        auto in = read_all(sample(name));
        ASSERT_EQ(in.size(), 1u);
        const SaoRecord& a = *in.front();
        const SaoRecord& b = *out.at(name);
        for (int g : {37, 38, 39}) {
            if (a.DFI(g) == 0) continue;
            ASSERT_GT(b.DFI(g), 0) << name << " group " << g;
            const auto& ga = g == 37 ? a.G37 : g == 38 ? a.G38 : a.G39;
            const auto& gb = g == 37 ? b.G37 : g == 38 ? b.G38 : b.G39;
            const double df = std::max(std::fabs(ga(1) - gb(1)), std::fabs(ga(2) - gb(2)));
            const double dh = std::fabs(ga(3) - gb(3));
            std::printf("%s group %d: start %.3f/%.3f peak %.3f/%.3f MHz, height %.1f/%.1f km (own/sounder)\n", name,
                        g, gb(1), ga(1), gb(2), ga(2), gb(3), ga(3));
            EXPECT_LE(df, 0.03) << name << " group " << g;
            EXPECT_LE(dh, 3.0) << name << " group " << g;
            df_max = std::max(df_max, df);
            dh_max = std::max(dh_max, dh);
            ++sections;
        }
        if (a.DFI(42) > 0 && b.DFI(42) > 0)
            std::printf("%s valley: width %.2f/%.2f km, depth %.4f/%.4f MHz; YF2 %.1f/%.1f, YF1 %.1f/%.1f km\n", name,
                        b.G42(1), a.G42(1), b.G42(2), a.G42(2), b.G4(37), a.G4(37), b.G4(38), a.G4(38));
    }
    std::printf("%d sections: largest difference %.3f MHz, %.1f km\n", sections, df_max, dh_max);
    EXPECT_EQ(sections, 8);
}

// The samples carry in group 4 the electron content, F-peak scale height,
// B0, B1 and D1 of the sounder's own software (another method). The content
// and the scale height agree closely; B0 and B1 are fitted on the upper part
// of the F2 section only, where the two trade against each other, so they
// agree more loosely. Differences of units, factors or a wrong layer would
// be far outside these bounds.
TEST_F(ProfileGroups, ParametersAgreeWithTheSoundersOwn) {
    const auto out = run_each();
    struct Slot {
        int slot;
        const char* name;
        double tol;
        bool relative;
    } slots[] = {{39, "ITEC", 0.03, true}, {40, "SHF", 0.2, false}, {41, "B0", 0.15, true},
                 {42, "B1", 0.25, false},  {43, "D1", 0.05, false}};
    int compared = 0;
    for (const char* name : NAMES) {
        auto in = read_all(sample(name));
        ASSERT_EQ(in.size(), 1u);
        const SaoRecord& a = *in.front();
        const SaoRecord& b = *out.at(name);
        if (a.DFI(4) < 43 || b.G5(2) != 2) continue;
        for (const Slot& s : slots) {
            const double own = b.G4(s.slot), theirs = a.G4(s.slot);
            if (theirs >= 9999.0) continue;
            std::printf("%s %s %.3f/%.3f (own/sounder)\n", name, s.name, own, theirs);
            const double allowed = s.relative ? s.tol * std::fabs(theirs) : s.tol;
            EXPECT_NEAR(own, theirs, allowed) << name << " " << s.name;
            ++compared;
        }
    }
    EXPECT_EQ(compared, 15);
}

// A record whose E block (groups 47 and 50) holds its own E trace: the
// fixed-shape E layer fitted to it goes out in groups 57-60, with its table
// on the 10 km step (written to three digits). The next record has no E
// block and gets no E profile.
TEST_F(ProfileGroups, EBlockGivesTheEProfileGroups) {
    auto recs = read_all(sample(NAMES[1]));
    ASSERT_EQ(recs.size(), 1u);
    SaoRecord& r = *recs.front();
    const int n = r.DFI(17);
    ASSERT_GT(n, 10);
    ASSERT_EQ(r.DFI(21), n);
    r.DFI(47) = r.DFI(50) = n;
    for (int i = 1; i <= n; ++i) {
        r.G47(i) = r.R17(i);
        r.G50(i) = r.G21(i);
    }
    const fs::path in = dir_ / "EBLOCK.SAO", out = dir_ / "EBLOCK.421";
    ASSERT_EQ(platform::open_unit(UNIT, in.string(), platform::UnitMode::write), 0);
    ASSERT_EQ(WRITSAO(UNIT, r), fmt::IoStat::ok);
    platform::close_unit(UNIT);
    write_file(in.string(), slurp(in) + slurp(sample(NAMES[2])));
    run(in, out);
    const auto res = read_all(out);
    ASSERT_EQ(res.size(), 2u);
    const SaoRecord& b = *res[0];
    ASSERT_EQ(b.DFI(57), 7);
    EXPECT_FLOAT_EQ(b.G57(1), 0.2f);
    EXPECT_NEAR(b.G57(2), r.G50(n) + 0.2f * 0.025f, 1e-4f);
    EXPECT_NEAR(b.G57(3) * 10.0f, std::round(b.G57(3) * 10.0f), 1e-3f);
    EXPECT_GT(b.G57(3), 80.0f);
    EXPECT_LT(b.G57(4), 3.0f) << "mean residual of the fit to the trace";
    float sum = 0.0f;
    for (int j = 5; j <= 7; ++j) {
        EXPECT_NEAR(b.G57(j) * 1000.0f, std::round(b.G57(j) * 1000.0f), 1e-2f) << j;
        sum += b.G57(j);
    }
    const float ezm = b.G57(3) - sum;
    std::printf("E block of %d points: base %.1f km, peak %.2f km, mean residual %.3f km; E section peak %.1f km\n", n,
                b.G57(3), ezm, b.G57(4), b.G39(3));
    const int rows = b.DFI(58);
    ASSERT_GT(rows, 2);
    EXPECT_EQ(b.DFI(59), rows);
    EXPECT_EQ(b.DFI(60), rows);
    EXPECT_FLOAT_EQ(b.G59(1), 0.2f);
    EXPECT_NEAR(b.G58(1), b.G57(3), 0.5f);
    EXPECT_NEAR(b.G59(rows), b.G57(2), 0.005f);
    EXPECT_NEAR(b.G58(rows), ezm, 0.5f);
    for (int k = 2; k < rows; ++k) {
        EXPECT_NEAR(b.G58(k), std::round(b.G58(k) / 10.0f) * 10.0f, 1e-3f) << k;
        EXPECT_GT(b.G59(k), b.G59(k - 1)) << k;
    }
    // The next record, without an E block.
    for (int g = 57; g <= 60; ++g) EXPECT_EQ(res[1]->DFI(g), 0) << g;
}

}  // namespace
}  // namespace kolm
