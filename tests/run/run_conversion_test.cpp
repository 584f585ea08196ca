// Non-SAO input through the whole run: a STANDARD file through the dialog,
// the conversion program's failures ending the run with their messages,
// and every sample record written as a STANDARD file and run again, which
// must give the N(h) table and characteristics of the SAO original within
// the re-gridding's rounding.
#include <gtest/gtest.h>

#include <algorithm>

#include <filesystem>
#include <string>

#include "blocks/peltartrueh.h"
#include "blocks/run_state.h"
#include "conversion/conversion_support.h"
#include "run/run_driver.h"
#include "support/run_fixture.h"

namespace kolm {
namespace {

namespace fs = std::filesystem;
using kolm::testing::checksum;
using kolm::testing::read_all;
using kolm::testing::Records;
using kolm::testing::script;
using kolm::testing::standard_text;

const std::string& RECORD = kolm::testing::STANDARD_RECORD;

using RunConversion = kolm::testing::RunFixture;

TEST_F(RunConversion, StandardFileThroughTheDialog) {
    wd.write("in.std", RECORD + RECORD);
    const uint64_t sum = checksum(wd.at("in.std"));
    run("check 1007 1\ntext 1000 in.std\ntext 1022 out.SAO\ntext 1014 10.0\nclick 1\n");
    EXPECT_FALSE(warned()) << err;
    EXPECT_FALSE(RUN.FATAL);
    const Records back = read_all(wd.at("out.SAO"));
    ASSERT_EQ(back.size(), 2u);
    for (const auto& r : back) {
        EXPECT_EQ(r->DFI(80), 5);
        EXPECT_EQ(std::string(r->G2L1.data(), 9), "STATION X");
        EXPECT_GT(r->DFI(51), 0) << "an N(h) table";
    }
    EXPECT_FALSE(wd.exists("in.std.TMPSAO")) << "the temporary SAO file is removed";
    EXPECT_EQ(checksum(wd.at("in.std")), sum);
}

TEST_F(RunConversion, WildcardRunOfStandardFiles) {
    wd.write("data/A.std", RECORD);
    wd.write("data/B.std", RECORD + RECORD);
    wd.write("out/.keep", "");
    run("check 1007 1\ntext 1000 data/*.*\ntext 1022 out/X.421\nclick 1\n");
    EXPECT_FALSE(warned()) << err;
    EXPECT_EQ(read_all(wd.at("out/A.std.421")).size(), 1u);
    EXPECT_EQ(read_all(wd.at("out/B.std.421")).size(), 2u);
    EXPECT_EQ(std::distance(fs::directory_iterator(wd.path() / "data"), fs::directory_iterator()), 2)
        << "no temporary file left beside the inputs";
    EXPECT_FALSE(wd.exists("FILELIST.TMP"));
}

TEST_F(RunConversion, ProgramFailuresShowTheirMessageAndEndTheRun) {
    wd.write("in.dat", "data\n");
    const uint64_t sum = checksum(wd.at("in.dat"));
    auto left_alone = [&] {
        EXPECT_TRUE(RUN.FATAL);
        EXPECT_FALSE(warned()) << "no warning box after a fatal message";
        EXPECT_FALSE(wd.exists("out.SAO"));
        EXPECT_FALSE(wd.exists("in.dat.TMPSTD"));
        EXPECT_FALSE(wd.exists("in.dat.TMPSAO"));
        EXPECT_EQ(checksum(wd.at("in.dat")), sum);
    };

    // A program that ran and wrote nothing: message 23.
    wd.write("prog.sh", "#!/bin/sh\nexit 2\n");
    fs::permissions(wd.at("prog.sh"), fs::perms::owner_all);
    run("check 1010 1\ntext 1001 prog.sh\ntext 1000 in.dat\ntext 1022 out.SAO\nclick 1\nexpect 23\n");
    EXPECT_NE(err.find("FATAL ERROR: EXECUTION ERRORS FOUND IN THE SPECIFIED PROGRAM"), std::string::npos) << err;
    left_alone();

    // A program gone between the dialog's check and the run: message 22.
    reset_run_state();
    fs::remove(wd.at("prog.sh"));
    script("expect 22\n");
    run_files(wd.at("in.dat"), wd.at("out.SAO"), 'N', 0, wd.at("prog.sh"));
    EXPECT_NE(err.find("FATAL ERROR: THE SPECIFIED PROGRAM FOR DATA FORMAT CONVERSION IS NOT EXECUTABLE!"),
              std::string::npos)
        << err;
    left_alone();
}

// The STANDARD copy of a sample differs from the original only by the
// re-gridding: heights to whole km, critical frequencies onto the record's
// frequency step (for example foF2 6.988 becomes 7.000 MHz at 0.025 MHz),
// characteristics other than the critical and lowest frequencies not given.
TEST_F(RunConversion, EverySampleAsStandardGivesTheProfileOfItsSaoOriginal) {
    constexpr double FP_TOL = 0.02;   // MHz, plasma frequency at a common table height
    constexpr double HM_TOL = 3.0;    // km, peak heights and table heights
    // MHz, critical frequencies: half the finest step, and the 0.001 MHz grid
    // on which the solved F2 top that the run reports is found.
    constexpr double FC_TOL = 0.0135;
    const fs::path samples = fs::path(KOLM_SHARED_DATA) / "sao";
    fs::create_directories(wd.path() / "sao");
    fs::create_directories(wd.path() / "std");
    fs::create_directories(wd.path() / "out");
    auto run_one = [&](const std::string& in, const std::string& outname, char conv) {
        reset_run_state();
        NHPROF.HSTEP = 10.0f;
        QPRES.ERRMAX = 0.01f;
        run_files(in, outname, conv);
        return read_all(outname);
    };
    int files = 0, profiles = 0;
    for (const auto& e : fs::directory_iterator(samples)) {
        const std::string name = e.path().filename().string();
        SCOPED_TRACE(name);
        ++files;
        std::string text;
        for (const auto& r : read_all(e.path().string())) text += standard_text(*r);
        wd.write("std/" + name + ".std", text);
        fs::copy_file(e.path(), wd.path() / "sao" / name);
        const Records a = run_one(wd.at("sao/" + name), wd.at("out/" + name + ".421"), 'Y');
        const Records b = run_one(wd.at("std/" + name + ".std"), wd.at("out/" + name + ".std.421"), 'N');
        ASSERT_FALSE(a.empty());
        ASSERT_EQ(b.size(), a.size()) << out;
        for (std::size_t k = 0; k < a.size(); ++k) {
            const SaoRecord& x = *a[k];
            const SaoRecord& y = *b[k];
            EXPECT_EQ(y.DFI(5), 20);
            EXPECT_EQ(y.G5(2), x.G5(2)) << "inversion status";
            for (int i : {1, 2, 9}) {  // critical frequencies, where the original has one
                if (x.G4(i) < 99.0f) {
                    EXPECT_NEAR(y.G4(i), x.G4(i), FC_TOL) << "characteristic " << i;
                }
            }
            for (int i : {32, 33}) {  // hmF2, hmF1
                if (x.G4(i) < 9999.0f) {
                    EXPECT_NEAR(y.G4(i), x.G4(i), HM_TOL) << "characteristic " << i;
                } else {
                    EXPECT_EQ(y.G4(i), x.G4(i)) << "characteristic " << i;
                }
            }
            // The bottomside, row by row up to the F2 peak; the topside above
            // it follows from hmF2 and the scale height.
            ASSERT_EQ(y.DFI(51) > 0, x.DFI(51) > 0);
            if (x.DFI(51) > 0) ++profiles;
            for (int i = 1; i <= std::min(x.DFI(51), y.DFI(51)) && x.G51(i) < x.G4(32); ++i) {
                EXPECT_NEAR(y.G51(i), x.G51(i), HM_TOL) << "table height " << i;
                EXPECT_NEAR(y.G52(i), x.G52(i), FP_TOL) << "at " << x.G51(i) << " km";
            }
        }
    }
    EXPECT_EQ(files, 4);
    EXPECT_EQ(profiles, 3);
}

}  // namespace
}  // namespace kolm
