// Graphics window: display list, fonts, pages written as SVG files, and
// the SVG of lines, boxes and texts (clipping, escaping).
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "work_dir.h"
#include "platform/graphics.h"
#include "platform/svg.h"
#include "support/slurp.h"

namespace {

using kolm::testing::slurp;

using namespace kolm::platform::gfx;
namespace fs = std::filesystem;

// Each test in its own working directory (see tests/work_dir.h).
class InWorkDir : public kolm::testing::WorkDir {
protected:
    std::string at(const char* name) const { return (dir_ / name).string(); }
};
using Svg = InWorkDir;
using Graphics = InWorkDir;


std::size_t count(const std::string& s, std::string_view what) {
    std::size_t n = 0;
    for (std::size_t at = s.find(what); at != std::string::npos; at = s.find(what, at + 1)) ++n;
    return n;
}

TEST_F(Graphics, DisplayListKeepsCoordinatesColoursAndFonts) {
    reset();
    EXPECT_EQ(window_config().width, 1024);
    EXPECT_EQ(window_config().height, 768);
    set_colour_index(4);
    move_to(10, 20);
    line_to(30, 40);
    line_to(-2000000000, 2000000000);  // kept as given; the output clips
    set_colour(rgb(1, 2, 3));
    rectangle(true, 50, 60, 5, 6);  // corners in any order
    ellipse(false, 1, 2, 5, 6);
    EXPECT_EQ(select_font("t'courier'h20w10"), 2);
    set_text_rotation(900);
    move_to(7, 8);
    draw_text("AB");
    const Page& p = page();
    ASSERT_EQ(p.ops.size(), 5u);
    EXPECT_EQ(p.ops[0].colour, rgb(170, 0, 0));
    EXPECT_EQ(p.ops[1].x1, 30);
    EXPECT_EQ(p.ops[1].x2, -2000000000);
    EXPECT_EQ(p.ops[2].kind, OpKind::filled_rectangle);
    EXPECT_EQ(p.ops[2].x1, 5);
    EXPECT_EQ(p.ops[2].y2, 60);
    EXPECT_EQ(p.ops[2].colour, 0x030201);
    EXPECT_EQ(p.ops[3].kind, OpKind::ellipse);
    EXPECT_EQ(p.ops[4].face, Face::monospace);
    EXPECT_EQ(p.ops[4].height, 20);
    EXPECT_EQ(p.ops[4].width, 10);
    EXPECT_EQ(p.ops[4].rotation, 900);
    EXPECT_EQ(p.text(p.ops[4]), "AB");
    EXPECT_EQ(palette(15), rgb(255, 255, 255));
    EXPECT_EQ(palette(6), rgb(170, 85, 0));
    EXPECT_EQ(palette(16), 0);
}

TEST_F(Graphics, FontOptionStrings) {
    struct Case {
        const char* options;
        int32_t result;
        Face face;
        int32_t height, width;
    };
    const Case cases[] = {
        {"T'TMS RMN'H16 W7  B           ", 3, Face::serif, 16, 7},
        {"T'HELV '  H20 W10 B", 1, Face::sans, 20, 10},   // blank padding inside the quotes
        {"T'SCRIPT' H8  W4  B", 5, Face::cursive, 8, 4},
        {"t'modern'h12", 4, Face::sans, 12, 4},
        {"T'ROMAN'  HxW3B", -1, Face::sans, 12, 4},
        {"T'COURIER", -1, Face::sans, 12, 4},
        {"H30W15", -1, Face::sans, 12, 4},  // no face named
    };
    reset();
    EXPECT_EQ(register_fonts("*.FON"), 6);
    for (const Case& c : cases) {
        EXPECT_EQ(select_font(c.options), c.result) << c.options;
        draw_text("x");
        const Op& op = page().ops.back();
        EXPECT_EQ(op.face, c.face) << c.options;
        EXPECT_EQ(op.height, c.height) << c.options;
        EXPECT_EQ(op.width, c.width) << c.options;
    }
}

TEST_F(Graphics, PagesAreWrittenInOrderOnlyWhenDrawnOn) {
    reset();
    set_plot_folder(dir_.string() + "/");
    clear();  // nothing drawn yet: no page
    move_to(0, 0);
    line_to(5, 5);
    clear();
    clear();
    set_background(rgb(0, 0, 255));
    clear();
    rectangle(false, 1, 1, 3, 3);
    finish_page();
    finish_page();
    EXPECT_EQ(pages_written(), 2);
    EXPECT_TRUE(fs::exists(dir_ / "plot-0001.svg"));
    EXPECT_TRUE(fs::exists(dir_ / "plot-0002.svg"));
    EXPECT_FALSE(fs::exists(dir_ / "plot-0003.svg"));
    EXPECT_NE(slurp(dir_ / "plot-0002.svg").find("fill=\"#0000ff\""), std::string::npos);

    // Without a folder the pages go nowhere, but drawing still works.
    reset();
    line_to(1, 1);
    EXPECT_EQ(page().ops.size(), 1u);
    clear();
    EXPECT_TRUE(page().ops.empty());
    EXPECT_EQ(pages_written(), 0);
}

TEST_F(Svg, LinesJoinAndClipToTheWindow) {
    reset();
    set_colour(rgb(255, 0, 0));
    move_to(10, 10);
    line_to(20, 10);
    line_to(20, 30);
    set_colour(0);
    line_to(40, 30);  // new colour: new polyline
    move_to(100, 384);
    line_to(2000000000, 384);           // leaves the window to the right
    line_to(2000000000, -2000000000);   // entirely outside: dropped
    move_to(-5000, -5000);
    line_to(5000, 5000);                // crosses the window corner to corner
    std::string svg;
    render_svg(page(), svg);
    EXPECT_NE(svg.find("<polyline stroke=\"#ff0000\" points=\"10.50,10.50 20.50,10.50 20.50,30.50\"/>"),
              std::string::npos)
        << svg;
    EXPECT_NE(svg.find("<polyline stroke=\"#000000\" points=\"20.50,30.50 40.50,30.50\"/>"), std::string::npos);
    EXPECT_NE(svg.find("points=\"100.50,384.50 1025.50,384.50\""), std::string::npos) << svg;
    EXPECT_NE(svg.find("points=\"-1.50,-1.50 769.50,769.50\""), std::string::npos) << svg;
    EXPECT_EQ(count(svg, "<polyline"), 4u);
    EXPECT_EQ(svg.find("2000000000"), std::string::npos);
}

TEST_F(Svg, BoxesAndTexts) {
    reset();
    rectangle(false, 10, 20, 30, 40);
    rectangle(true, 10, 20, 30, 40);
    rectangle(true, -100000, -100000, 100000, 100000);  // the whole window
    ellipse(false, 98, 98, 102, 102);
    ellipse(true, 5000, 5000, 5004, 5004);  // outside: dropped
    select_font("T'TMS RMN'H20W10B");
    move_to(100, 200);
    draw_text("  A<B>&\"C\xE9\x01  ");
    set_text_rotation(900);
    move_to(50, 400);
    draw_text("UP");
    draw_text("   ");  // nothing to show
    std::string svg;
    render_svg(page(), svg);
    EXPECT_NE(svg.find("<rect fill=\"none\" stroke=\"#000000\" x=\"10.50\" y=\"20.50\" width=\"20\" height=\"20\"/>"),
              std::string::npos)
        << svg;
    EXPECT_NE(svg.find("<rect stroke=\"none\" fill=\"#000000\" x=\"10\" y=\"20\" width=\"21\" height=\"21\"/>"),
              std::string::npos);
    EXPECT_NE(svg.find("x=\"-2\" y=\"-2\" width=\"1028\" height=\"772\""), std::string::npos);
    EXPECT_NE(svg.find("<ellipse fill=\"none\" stroke=\"#000000\" cx=\"100.50\" cy=\"100.50\" rx=\"2\" ry=\"2\"/>"),
              std::string::npos);
    EXPECT_EQ(count(svg, "<ellipse"), 1u);
    // Leading blanks move the start by whole cells; the width sets the length.
    EXPECT_NE(svg.find("font-family=\"serif\" font-size=\"17\" fill=\"#000000\" x=\"120\" y=\"216\" "
                       "textLength=\"90\" lengthAdjust=\"spacingAndGlyphs\">A&lt;B&gt;&amp;&quot;C&#233; </text>"),
              std::string::npos)
        << svg;
    EXPECT_NE(svg.find("x=\"66\" y=\"400\" textLength=\"20\" lengthAdjust=\"spacingAndGlyphs\" "
                       "transform=\"rotate(-90 66 400)\">UP</text>"),
              std::string::npos)
        << svg;
    EXPECT_EQ(count(svg, "<text"), 2u);
}

}  // namespace
