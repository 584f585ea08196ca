// Where pages go: the title of a page in its SVG file, and a window with no
// sink at all, whose drawing calls keep nothing.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/graphics.h"
#include "work_dir.h"
#include "support/slurp.h"

namespace {

using kolm::testing::slurp;

using namespace kolm::platform::gfx;
namespace fs = std::filesystem;

using PageSink = kolm::testing::WorkDir;


TEST_F(PageSink, TitleNamesThePageInItsSvg) {
    reset();
    set_plot_folder(dir_.string());
    line_to(5, 5);
    // Markup escaped; a UTF-8 name kept; a stray byte as its Latin-1 character.
    set_page_title("/data/a&b <c> \xc3\xbc\xff.SAO, record 3");
    EXPECT_EQ(page().title, "/data/a&b <c> \xc3\xbc\xff.SAO, record 3");
    clear();
    EXPECT_TRUE(page().title.empty()) << "a cleared window starts a page without title";
    line_to(6, 6);
    finish_page();
    ASSERT_EQ(pages_written(), 2);
    const std::string first = slurp(dir_ / "plot-0001.svg");
    EXPECT_NE(first.find("<title>/data/a&amp;b &lt;c&gt; \xc3\xbc&#255;.SAO, record 3</title>"), std::string::npos);
    // The title is the first element inside the document.
    EXPECT_LT(first.find("<title>"), first.find("<rect"));
    EXPECT_EQ(slurp(dir_ / "plot-0002.svg").find("<title>"), std::string::npos);
}

TEST_F(PageSink, WithoutSinkNothingIsKept) {
    reset();
    EXPECT_TRUE(drawing()) << "the display list is kept by default";
    drop_pages();
    EXPECT_FALSE(drawing());
    move_to(1, 1);
    line_to(10, 10);
    rectangle(true, 0, 0, 3, 3);
    ellipse(false, 0, 0, 3, 3);
    draw_text("TEXT");
    EXPECT_TRUE(page().ops.empty());
    EXPECT_TRUE(page().texts.empty());
    finish_page();
    EXPECT_EQ(pages_written(), 0);

    // A plot folder is a sink again.
    set_plot_folder(dir_.string());
    EXPECT_TRUE(drawing());
    line_to(20, 20);
    ASSERT_EQ(page().ops.size(), 1u);
    EXPECT_EQ(page().ops[0].x1, 10) << "the current point moved while nothing was kept";
    finish_page();
    EXPECT_EQ(pages_written(), 1);
    reset();
    EXPECT_TRUE(drawing());
}

}  // namespace
