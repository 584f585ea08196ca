// Every sample file through the whole program with a QP accuracy given in
// the specification dialog: each record with a profile comes out with
// quasi-parabolic segments (group 40) that reproduce the record's own N(h)
// table within their errors; accuracy 0 writes none.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "blocks/run_state.h"
#include "platform/graphics.h"
#include "platform/headless.h"
#include "platform/text_units.h"
#include "run/run_driver.h"
#include "sao/sao_record.h"
#include "support/qp_check.h"
#include "support/work_dir.h"

namespace kolm {
namespace {

namespace fs = std::filesystem;
constexpr int32_t UNIT = 40;

struct Totals {
    int records = 0, profiles = 0, fitted = 0;
};

// The program over copies of the samples with the given table step and
// accuracy; every output record checked.
Totals run_samples(const std::string& step, const std::string& accuracy) {
    reset_run_state();
    platform::headless::reset();
    platform::gfx::reset();
    testing::TempDir wd;
    wd.copy_models();
    const fs::path samples = fs::path(KOLM_SHARED_DATA) / "sao";
    fs::create_directories(wd.path() / "data");
    for (const auto& e : fs::directory_iterator(samples))
        fs::copy_file(e.path(), wd.path() / "data" / e.path().filename());
    wd.write("out/.keep", "");
    testing::script("text 1000 data/*.*\ntext 1022 out/X.421\ntext 1014 " + step + "\ntext 1015 " + accuracy +
                    "\nclick 1\n");
    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    KOLM();
    ::testing::internal::GetCapturedStdout();
    ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(platform::headless::failures(), 0);

    Totals t;
    for (const auto& e : fs::directory_iterator(samples)) {
        const std::string name = e.path().filename().string();
        SCOPED_TRACE(name + ", step " + step + ", accuracy " + accuracy);
        EXPECT_EQ(platform::open_unit(UNIT, wd.at("out/" + name + ".421"), platform::UnitMode::read), 0);
        for (;;) {
            auto rec = std::make_unique<SaoRecord>();
            int32_t iend = 0;
            int16_t found = 0, ierr = 0;
            READSAO(iend, UNIT, *rec, found, ierr);
            if (iend != 0 || ierr != 0) break;
            ++t.records;
            const bool profile = rec->G5(2) == 2;
            t.profiles += profile;
            const testing::QpCheck q = testing::check_group40(*rec);
            t.fitted += q.segments > 0;
            std::printf("%-28s step %4s accuracy %5s: %2d segments, %3d rows checked, worst %.2f of the allowance\n",
                        name.c_str(), step.c_str(), accuracy.c_str(), q.segments, q.rows, q.worst);
            if (!profile) {
                EXPECT_EQ(rec->DFI(40), 0);
            }
            EXPECT_EQ(q.outside, 0) << q.problem;
            EXPECT_TRUE(q.problem.empty()) << q.problem;
            if (q.segments > 0) {
                EXPECT_GT(q.rows, 8);
            }
        }
        platform::close_unit(UNIT);
    }
    return t;
}

TEST(QpSamples, SegmentsOfEverySampleRecordReproduceItsTable) {
    for (const char* accuracy : {"0.01", "0.001"}) {
        for (const char* step : {"10.0", "1.0"}) {
            const Totals t = run_samples(step, accuracy);
            EXPECT_EQ(t.records, 4);
            EXPECT_EQ(t.profiles, 3);
            EXPECT_EQ(t.fitted, t.profiles);
        }
    }
}

TEST(QpSamples, AccuracyZeroWritesNoSegments) {
    const Totals t = run_samples("10.0", "0.0");
    EXPECT_EQ(t.profiles, 3);
    EXPECT_EQ(t.fitted, 0);
}

}  // namespace
}  // namespace kolm
