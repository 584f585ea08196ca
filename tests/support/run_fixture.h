// Tests of the whole run: the SAO records of a file, and a fixture that runs
// the program on an event script, or the run after the dialog with its
// results given directly, in a temporary working directory that holds the
// model files.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "blocks/peltarscale.h"
#include "blocks/run_state.h"
#include "platform/graphics.h"
#include "platform/headless.h"
#include "platform/text_units.h"
#include "run/run_driver.h"
#include "sao/sao_record.h"
#include "support/sao_files.h"
#include "support/work_dir.h"
#include "ui/plot_frame.h"

namespace kolm::testing {

class RunFixture : public ::testing::Test {
protected:
    void SetUp() override {
        reset_run_state();
        platform::headless::reset();
        platform::gfx::reset();
        wd.copy_models();
    }
    void TearDown() override { EXPECT_EQ(platform::headless::failures(), 0); }

    // The whole program on a script; standard output and error of the run.
    void run(const std::string& events) {
        script(events);
        ::testing::internal::CaptureStdout();
        ::testing::internal::CaptureStderr();
        KOLM();
        out = ::testing::internal::GetCapturedStdout();
        err = ::testing::internal::GetCapturedStderr();
    }
    // The run after the dialog, with the dialog's results given directly.
    void run_files(const std::string& in, const std::string& outname, char conv = 'Y', int32_t istd = 1,
                   const std::string& prog = "") {
        std::memcpy(SAOHDR.VERSION, "VS.04.30", 8);
        ui::GRAPHMODE();
        RUN.CONV = conv;
        RUN.ISTD = istd;
        RUN.PROG = prog;
        RUN.INNAME = in;
        RUN.OUTNAME = outname;
        ::testing::internal::CaptureStdout();
        ::testing::internal::CaptureStderr();
        kolm::run_files();
        out = ::testing::internal::GetCapturedStdout();
        err = ::testing::internal::GetCapturedStderr();
    }
    // The closing warning of a run in which no record reached the inversion.
    bool warned() const {
        return err.find("WARNING: NO PROPER DATA OR ERROR FOUND IN THE INPUT FILE.") != std::string::npos;
    }

    TempDir wd;
    std::string out, err;
};

}  // namespace kolm::testing
