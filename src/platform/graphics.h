// The graphics window: a display list in pixel coordinates.
//
// A fixed window of 1024 x 768 pixels, y growing downward. Every drawing
// call appends to the current page; clearing the window ends the page.
// Coordinates are 32-bit and kept as given; the output clips them to the
// window, so a point far outside never wraps onto it.
//
// Output: with a plot folder set, each page that had something drawn on it
// is written as one SVG file, numbered in order (plot-0001.svg, ...), when
// the window is cleared and when the run ends (finish_page). Without a plot
// folder the current page is kept as a display list (page()) until the
// window is cleared; after drop_pages() there is no sink at all and the
// drawing calls return at once.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kolm::platform::gfx {

inline constexpr int32_t WINDOW_WIDTH = 1024;
inline constexpr int32_t WINDOW_HEIGHT = 768;

// Colours as 0x00BBGGRR (red in the low byte).
constexpr int32_t rgb(int32_t r, int32_t g, int32_t b) { return (r & 255) | (g & 255) << 8 | (b & 255) << 16; }
// Entry 0..15 of the standard 16-colour palette (VGA order: black, blue,
// green, cyan, red, magenta, brown, light grey, dark grey, light blue, ...,
// yellow, white); black outside 0..15.
int32_t palette(int32_t index);

// Window configuration; -1 asks for the default. The window is fixed, so
// reading it back always gives 1024 x 768.
struct WindowConfig {
    int32_t width = -1, height = -1, text_columns = -1, text_rows = -1, colours = -1, font_size = -1;
    std::string title;
};
void set_window_config(const WindowConfig& c);
WindowConfig window_config();

void set_background(int32_t colour);
// Clears the window to the background colour; a page with something drawn
// on it is written out first.
void clear();

void set_colour(int32_t colour);
void set_colour_index(int32_t index);
int32_t colour();

void move_to(int32_t x, int32_t y);
void line_to(int32_t x, int32_t y);
// Rectangle and ellipse within the box (x1, y1)-(x2, y2), corners included.
void rectangle(bool filled, int32_t x1, int32_t y1, int32_t x2, int32_t y2);
void ellipse(bool filled, int32_t x1, int32_t y1, int32_t x2, int32_t y2);

// Font faces of the window (there is no font file loader): the names of the
// option strings and the families they are drawn in.
enum class Face : uint8_t { sans, serif, monospace, cursive };
// Makes the faces known; the number of faces (never negative).
int32_t register_fonts(std::string_view pattern);
// Selects a font by an option string such as "t'tms rmn'h16w7b": t'face'
// (HELV, COURIER, TMS RMN, MODERN, SCRIPT, ROMAN; any case), h height and
// w width of the character cell in pixels, other letters ignored. The
// face's number, or -1 (font unchanged) for an unknown face or a bad string.
int32_t select_font(std::string_view options);
// Rotation of the text, tenths of a degree counter-clockwise.
void set_text_rotation(int32_t tenths);
// Draws text at the current point, the point being the top-left of the
// first character cell; the current point does not move.
void draw_text(std::string_view text);

// The display list of the current page.
enum class OpKind : uint8_t { line, rectangle, filled_rectangle, ellipse, filled_ellipse, text };
struct Op {
    OpKind kind;
    Face face;            // text
    int16_t rotation;     // text, tenths of a degree
    int32_t colour;       // 0x00BBGGRR
    int32_t x1, y1, x2, y2;  // line from (x1, y1) to (x2, y2); box corners; text: (x1, y1)
    int32_t height, width;   // text cell, pixels
    uint32_t text_at, text_len;  // text: its characters in Page::texts
};
struct Page {
    int32_t background = 0xFFFFFF;
    std::string title;  // names what the page shows (written as the SVG title)
    std::vector<Op> ops;
    std::string texts;
    std::string_view text(const Op& op) const { return std::string_view(texts).substr(op.text_at, op.text_len); }
};
const Page& page();

// Title of the current page; clearing the window starts a page without one.
void set_page_title(std::string_view title);

// A window that shows the pages as they are drawn (a windowed backend). It
// is told, on the drawing thread, of each op appended, of each clear and of
// the window's title.
class Watcher {
public:
    virtual ~Watcher() = default;
    // page.ops.back() has just been appended.
    virtual void drawn(const Page& page) = 0;
    // The window is being cleared: `page` is the page that ends, still
    // whole; `background` the colour of the next one.
    virtual void clearing(const Page& page, int32_t background) = 0;
    virtual void titled(std::string_view title) = 0;
};
// nullptr: nobody watches. reset() keeps the watcher.
void set_watcher(Watcher* watcher);

// Clips the segment to the box [lo_x, hi_x] x [lo_y, hi_y]; false when none
// of it lies inside.
bool clip_segment(double& x1, double& y1, double& x2, double& y2, double lo_x, double lo_y, double hi_x,
                  double hi_y);

// Plot folder of the run; empty for the null sink. Numbering starts at 1.
void set_plot_folder(std::string folder);
const std::string& plot_folder();
// No page goes anywhere (no plot folder and no display list kept) until a
// plot folder is set or the window is reset.
void drop_pages();
// Whether what is drawn goes anywhere; when not, callers need not prepare it.
bool drawing();
// Writes the current page when something was drawn on it (end of run).
void finish_page();
// Pages written so far.
int32_t pages_written();

// Window, page, colours, font and output back to their start (tests).
void reset();

}  // namespace kolm::platform::gfx
