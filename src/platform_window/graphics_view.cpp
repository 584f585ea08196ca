// Drawing the display list with the toolkit.
#include "platform_window/graphics_view.h"

#include <FL/Enumerations.H>
#include <FL/fl_draw.H>

#include <cmath>

#include "platform_window/session.h"

namespace kolm::window {

namespace gfx = platform::gfx;

namespace {

constexpr int W = gfx::WINDOW_WIDTH, H = gfx::WINDOW_HEIGHT;
// Shapes are clipped to the window widened by this margin, as on the pages.
constexpr double LO = -2.0, HI_X = W + 1.0, HI_Y = H + 1.0;

void set_colour(int32_t c) { fl_color(uchar(c & 255), uchar((c >> 8) & 255), uchar((c >> 16) & 255)); }

bool outside(const gfx::Op& op) { return op.x2 < LO || op.x1 > HI_X || op.y2 < LO || op.y1 > HI_Y; }

int clamp(int32_t v, double lo, double hi) { return int(v < lo ? lo : (v > hi ? hi : v)); }

Fl_Font font_of(gfx::Face f) {
    switch (f) {
        case gfx::Face::sans: return FL_HELVETICA;
        case gfx::Face::serif: return FL_TIMES;
        case gfx::Face::monospace: return FL_COURIER;
        case gfx::Face::cursive: return FL_TIMES_ITALIC;
    }
    return FL_HELVETICA;
}

// One byte of the text as UTF-8 (bytes beyond ASCII taken as Latin-1).
int utf8(unsigned char c, char out[2]) {
    if (c < 128) {
        out[0] = char(c);
        return 1;
    }
    out[0] = char(0xC0 | (c >> 6));
    out[1] = char(0x80 | (c & 0x3F));
    return 2;
}

// Text in cells: each character centred in its cell of the op's width (so
// columns of numbers line up), the baseline 0.8 cell heights below the
// reference point, as on the pages.
void draw_text(const gfx::Op& op, std::string_view s) {
    // The font fills the cell's height, or less when the cell is narrow
    // (glyphs about 0.6 of the font size wide), so neighbours stay apart.
    double fit = 0.85 * op.height;
    if (op.width > 0 && 1.6 * op.width < fit) fit = 1.6 * op.width;
    const int size = std::max(1, int(std::lround(fit)));
    fl_font(font_of(op.face), size);
    const double a = op.rotation * (M_PI / 1800.0), ca = std::cos(a), sa = std::sin(a);
    const double base = 0.8 * op.height;
    double along = 0.0;
    for (unsigned char c : s) {
        char g[2];
        const int n = c < 32 ? 0 : utf8(c, g);
        const double advance = op.width > 0 ? double(op.width) : (n > 0 ? fl_width(g, n) : 0.0);
        if (n > 0 && c != ' ') {
            const double at = along + (advance - fl_width(g, n)) / 2.0;
            const double x = op.x1 + at * ca + base * sa, y = op.y1 - at * sa + base * ca;
            if (x > -4.0 * size && x < W + 4.0 * size && y > -4.0 * size && y < H + 4.0 * size) {
                if (op.rotation == 0)
                    fl_draw(g, n, int(std::lround(x)), int(std::lround(y)));
                else
                    fl_draw(op.rotation / 10, g, n, int(std::lround(x)), int(std::lround(y)));
            }
        }
        along += advance;
    }
}

void draw_op(const gfx::Op& op, const std::string& texts) {
    set_colour(op.colour);
    switch (op.kind) {
        case gfx::OpKind::line: {
            double x1 = op.x1, y1 = op.y1, x2 = op.x2, y2 = op.y2;
            if (!gfx::clip_segment(x1, y1, x2, y2, LO, LO, HI_X, HI_Y)) return;
            fl_line(int(std::lround(x1)), int(std::lround(y1)), int(std::lround(x2)), int(std::lround(y2)));
            return;
        }
        case gfx::OpKind::rectangle:
        case gfx::OpKind::filled_rectangle: {
            if (outside(op)) return;
            const int x1 = clamp(op.x1, LO, HI_X), y1 = clamp(op.y1, LO, HI_Y);
            const int x2 = clamp(op.x2, LO, HI_X), y2 = clamp(op.y2, LO, HI_Y);
            // The box's corners are both inside it.
            if (op.kind == gfx::OpKind::rectangle)
                fl_rect(x1, y1, x2 - x1 + 1, y2 - y1 + 1);
            else
                fl_rectf(x1, y1, x2 - x1 + 1, y2 - y1 + 1);
            return;
        }
        case gfx::OpKind::ellipse:
        case gfx::OpKind::filled_ellipse: {
            // An ellipse cut by the window edge keeps its shape: only boxes
            // the toolkit's 16-bit coordinates hold are drawn.
            if (outside(op) || op.x1 < -30000 || op.y1 < -30000 || op.x2 > 30000 || op.y2 > 30000) return;
            const int w = op.x2 - op.x1 + 1, h = op.y2 - op.y1 + 1;
            if (op.kind == gfx::OpKind::ellipse)
                fl_arc(op.x1, op.y1, w, h, 0.0, 360.0);
            else
                fl_pie(op.x1, op.y1, w, h, 0.0, 360.0);
            return;
        }
        case gfx::OpKind::text:
            draw_text(op, std::string_view(texts).substr(op.text_at, op.text_len));
            return;
    }
}

}  // namespace

GraphicsView::GraphicsView(int x, int y) : Fl_Widget(x, y, W, H) {}

GraphicsView::~GraphicsView() {
    if (offscreen_ != 0) fl_delete_offscreen(offscreen_);
}

void GraphicsView::drawn(const gfx::Page& page) {
    session().check_quit();
    const gfx::Op& op = page.ops.back();
    std::lock_guard<std::mutex> l(m_);
    ops_.push_back(op);
    if (op.kind == gfx::OpKind::text) {
        ops_.back().text_at = uint32_t(texts_.size());
        texts_.append(page.text(op));
    }
    dirty_ = true;
}

void GraphicsView::clearing(const gfx::Page& page, int32_t background) {
    session().check_quit();
    if (page_ending) page_ending(page);
    std::lock_guard<std::mutex> l(m_);
    ops_.clear();
    texts_.clear();
    background_ = background;
    ++generation_;
    dirty_ = true;
}

void GraphicsView::titled(std::string_view title) {
    std::lock_guard<std::mutex> l(m_);
    title_.assign(title);
    title_changed_ = true;
}

bool GraphicsView::take_dirty() {
    std::lock_guard<std::mutex> l(m_);
    const bool d = dirty_;
    dirty_ = false;
    return d;
}

bool GraphicsView::take_title(std::string& title) {
    std::lock_guard<std::mutex> l(m_);
    if (!title_changed_) return false;
    title_changed_ = false;
    title = title_;
    return true;
}

bool GraphicsView::blank() {
    std::lock_guard<std::mutex> l(m_);
    return ops_.empty();
}

void GraphicsView::draw_pending() {
    std::lock_guard<std::mutex> l(m_);
    if (drawn_generation_ != generation_) {
        set_colour(background_);
        fl_rectf(0, 0, W, H);
        drawn_generation_ = generation_;
        drawn_ = 0;
    }
    fl_push_clip(0, 0, W, H);
    for (; drawn_ < ops_.size(); ++drawn_) draw_op(ops_[drawn_], texts_);
    fl_pop_clip();
}

void GraphicsView::draw() {
    if (offscreen_ == 0) {
        offscreen_ = fl_create_offscreen(W, H);
        drawn_generation_ = ~uint64_t(0);
    }
    fl_begin_offscreen(offscreen_);
    draw_pending();
    fl_end_offscreen();
    fl_copy_offscreen(x(), y(), W, H, offscreen_, 0, 0);
}

}  // namespace kolm::window
