// The synthetic day sounding with F1 written as an SAO record (in a real
// station record's place: its time stamp, sounder steps and station), run
// through the run driver as kolm runs a file, and read back: the N(h) table
// of the output record follows the model.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <memory>

#include "blocks/peltarscale.h"
#include "blocks/peltartrueh.h"
#include "blocks/run_state.h"
#include "inversion/inversion_test.h"
#include "inversion/synthetic_record.h"
#include "platform/graphics.h"
#include "platform/headless.h"
#include "platform/text_units.h"
#include "run/record_decode.h"
#include "run/run_driver.h"
#include "sao/sao_record.h"
#include "ui/plot_frame.h"

namespace kolm {
namespace {

namespace fs = std::filesystem;
constexpr int32_t UNIT = 31;

std::unique_ptr<SaoRecord> read_one(const fs::path& path) {
    auto rec = std::make_unique<SaoRecord>();
    platform::open_unit(UNIT, path.string(), platform::UnitMode::read);
    int32_t iend = 0;
    int16_t found = 0, ierr = 0;
    READSAO(iend, UNIT, *rec, found, ierr);
    platform::close_unit(UNIT);
    EXPECT_EQ(iend, 0);
    EXPECT_EQ(ierr, 0);
    return rec;
}

// One trace into its height and frequency groups, lowest frequency first.
void put_trace(SaoRecord& rec, const testrec::Trace& t, int hgroup, float* heights, float* freqs) {
    const int n = int(t.heights.size());
    rec.DFI(hgroup) = n;
    rec.DFI(hgroup + 4) = n;
    const float top = synth::grid(t.fc);
    for (int i = 1; i <= n; ++i) {
        heights[i - 1] = t.heights[size_t(i - 1)];
        freqs[i - 1] = top - float(n - i) * synth::STEP;
    }
}

class SaoRoundTrip : public testrec::InversionTest {};

TEST_F(SaoRoundTrip, SyntheticRecordThroughTheRun) {
    // Template: a station record with the 0.05 MHz step.
    auto rec = read_one(fs::path(KOLM_SHARED_DATA) / "sao" / "TR169_2020064101500.SAO");
    RESET_TRACES();
    ASSERT_TRUE(DECODE_RECORD(*rec));
    ASSERT_NEAR(SCLCHR.FQINCR, synth::STEP, 1e-6f);
    const float ut = float(TIMEBK.IHR) + float(TIMEBK.MINU) / 60.0f;
    synth::Case c{"SAO day, F1", synth::day_at(true, TIMEBK.IDAY, ut, rec->G1(3), rec->G1(4)), true, 4.3,
                  TIMEBK.IHR, 0.2f};
    c.ion.fh = rec->G1(1);
    c.ion.dip = rec->G1(2) * M_PI / 180.0;
    float first_f;
    const testrec::Record r = synth::make_record(c, first_f);

    // Only the traces and the scaled frequencies of the model; no other group.
    for (int g = 5; g <= SAO_NGROUPS; ++g) rec->DFI(g) = 0;
    rec->DFI(5) = 20;
    for (int i = 1; i <= 20; ++i) rec->G5(i) = 0;
    put_trace(*rec, r.f2, 7, rec->R7.data(), rec->G11.data());
    put_trace(*rec, r.f1, 12, rec->R12.data(), rec->G16.data());
    put_trace(*rec, r.e, 17, rec->R17.data(), rec->G21.data());
    for (int i = 1; i <= rec->DFI(4); ++i) rec->G4(i) = 9999.0f;
    rec->G4(1) = r.fof2;
    rec->G4(2) = r.fof1;
    rec->G4(7) = r.fminf;
    rec->G4(8) = r.fmine;
    rec->G4(9) = r.foe;
    rec->G4(11) = 0.0f;
    const fs::path in = fs::current_path() / "synthetic.sao", out = fs::current_path() / "synthetic.out";
    platform::open_unit(UNIT, in.string(), platform::UnitMode::write);
    ASSERT_EQ(WRITSAO(UNIT, *rec), fmt::IoStat::ok);
    platform::close_unit(UNIT);

    // The run, as kolm runs one file after its dialog, with a 2 km table.
    reset_run_state();
    platform::headless::reset();
    platform::gfx::reset();
    std::memcpy(SAOHDR.VERSION, "VS.04.30", 8);
    ui::GRAPHMODE();
    NHPROF.HSTEP = 2.0f;
    RUN.CONV = 'Y';
    RUN.ISTD = 1;
    RUN.INNAME = in.string();
    RUN.OUTNAME = out.string();
    RUN_FILES();
    ASSERT_EQ(RUN.NPROF, 1);

    const auto res = read_one(out);
    EXPECT_EQ(res->G5(2), 2) << "inversion status";
    const int n = res->DFI(51);
    ASSERT_GT(n, 50);
    ASSERT_EQ(res->DFI(52), n);
    const auto peaks = c.ion.peaks();
    const double fof2 = peaks.back().second;
    float max_err = 0.0f, max_off = 0.0f;
    int rows = 0;
    // The F2 peak: the row of the largest plasma frequency.
    int peak = 1;
    for (int i = 2; i <= n; ++i)
        if (res->G52(i) > res->G52(peak)) peak = i;
    const float hmf2 = res->G51(peak);
    for (int i = 1; i < peak; ++i) {
        const float fn = res->G52(i), h = res->G51(i);
        if (fn < first_f || fn > 0.95 * fof2) continue;
        const float err = float(std::fabs(h - c.ion.height_of(fn, 60.0, 1000.0)));
        max_err = std::max(max_err, err);
        if (fn < c.fof1 - 0.05 || fn > c.fof1 + 1.0) max_off = std::max(max_off, err);
        ++rows;
    }
    std::printf("%s: rows %d  N(h) error, first F frequency to 0.95 foF2: max %.2f (off the F1 ledge %.2f) km; "
                "hmF2 %.2f (model %.2f)\n",
                c.name, rows, max_err, max_off, hmf2, peaks.back().first);
    EXPECT_GT(rows, 30);
    EXPECT_LT(max_err, 10.0f);
    EXPECT_LT(max_off, 3.0f);
    EXPECT_NEAR(hmf2, peaks.back().first, 3.0);
    // The coefficient groups of the F2, F1 and E sections and the valley group.
    EXPECT_EQ(res->DFI(37), 10);
    EXPECT_EQ(res->DFI(38), 9);
    EXPECT_EQ(res->DFI(39), 7);
    EXPECT_EQ(res->DFI(42), 2);
}

}  // namespace
}  // namespace kolm
