// The plot pages of a run: one per record, named by its input file and
// record number, with the inversion's stages on it; and output records that
// are the same whether pages are written or not.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "blocks/peltarscale.h"
#include "blocks/run_state.h"
#include "run/run_driver.h"
#include "inversion/stage_plots.h"
#include "platform/graphics.h"
#include "platform/headless.h"
#include "support/work_dir.h"
#include "ui/plot_frame.h"
#include "support/slurp.h"

namespace kolm {
namespace {

using kolm::testing::slurp;

namespace fs = std::filesystem;
using kolm::testing::TempDir;


class PlotPages : public ::testing::Test {
protected:
    void SetUp() override {
        wd.copy_models();
        // Every sample record in one file, one after another.
        std::ofstream all(wd.at("all.SAO"), std::ios::binary);
        for (const char* name : {"GR13L_2017248124500.SAO", "BC840_2009336000005.SAO", "TR169_2020064101500.SAO",
                                 "TR169_2020083143000.SAO"})
            all << slurp(kolm::testing::sample(name));
    }
    void TearDown() override {
        set_stage_drawing(nullptr);
        platform::gfx::reset();
    }
    // A fresh run of the file, with pages into plots or without any sink.
    void run(const std::string& output, const std::string& plots) {
        reset_run_state();
        platform::headless::reset();
        platform::gfx::reset();
        if (plots.empty())
            platform::gfx::drop_pages();
        else
            platform::gfx::set_plot_folder(wd.at(plots));
        std::memcpy(SAOHDR.VERSION, "VS.04.30", 8);
        ui::GRAPHMODE();
        RUN.CONV = 'Y';
        RUN.ISTD = 1;
        RUN.INNAME = wd.at("all.SAO");
        RUN.OUTNAME = wd.at(output);
        ::testing::internal::CaptureStderr();
        run_files();
        ::testing::internal::GetCapturedStderr();
        platform::gfx::finish_page();
        EXPECT_EQ(RUN.NPROF, 4);
    }
    TempDir wd;
};

TEST_F(PlotPages, EveryRecordsPageNamesItAndShowsItsStages) {
    fs::create_directories(wd.path() / "plots");
    run("out.SAO", "plots");
    ASSERT_EQ(platform::gfx::pages_written(), 4);
    for (int k = 1; k <= 4; ++k) {
        SCOPED_TRACE(k);
        char name[32];
        std::snprintf(name, sizeof name, "plots/plot-%04d.svg", k);
        const std::string svg = slurp(wd.at(name));
        EXPECT_NE(svg.find("<title>" + wd.at("all.SAO") + ", record " + std::to_string(k) + "</title>"),
                  std::string::npos);
        EXPECT_NE(svg.find(">TIME : "), std::string::npos);
        EXPECT_NE(svg.find(">SUNSPOT : "), std::string::npos);
        EXPECT_NE(svg.find("<ellipse fill=\"none\" stroke=\"#ff0000\""), std::string::npos) << "trace points";
        EXPECT_NE(svg.find("<ellipse fill=\"none\" stroke=\"#008000\""), std::string::npos) << "data points";
        EXPECT_NE(svg.find("<polyline stroke=\"#ff0000\""), std::string::npos) << "sections";
        EXPECT_NE(svg.find("<polyline stroke=\"#008000\""), std::string::npos) << "ordinary-ray curves";
        EXPECT_NE(svg.find("<polyline stroke=\"#0000ff\""), std::string::npos) << "extraordinary-ray curves";
    }
}

TEST_F(PlotPages, OutputIsTheSameWithoutPages) {
    fs::create_directories(wd.path() / "plots");
    run("with.SAO", "plots");
    run("without.SAO", "");
    EXPECT_EQ(platform::gfx::pages_written(), 0);
    const std::string with = slurp(wd.at("with.SAO")), without = slurp(wd.at("without.SAO"));
    ASSERT_FALSE(with.empty());
    EXPECT_TRUE(with == without);
}

}  // namespace
}  // namespace kolm
