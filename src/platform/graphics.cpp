// Graphics window state, display list and page output.
#include "platform/graphics.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/svg.h"

namespace kolm::platform::gfx {

namespace {

struct FaceName {
    std::string_view name;
    Face face;
};
constexpr FaceName FACES[] = {
    {"HELV", Face::sans},    {"COURIER", Face::monospace}, {"TMS RMN", Face::serif},
    {"MODERN", Face::sans},  {"SCRIPT", Face::cursive},    {"ROMAN", Face::serif},
};

struct Window {
    std::string title;
    int32_t background = 0xFFFFFF;
    int32_t colour = 0;
    int32_t x = 0, y = 0;
    Face face = Face::sans;
    int32_t font_height = 16, font_width = 8;
    int32_t rotation = 0;
    Page page;
    std::string folder;
    bool dropped = false;  // no sink: nothing is kept
    int32_t written = 0;
    std::string svg;  // output buffer, reused page after page
};
Window win;
Watcher* watcher = nullptr;

char upper(char c) { return (c >= 'a' && c <= 'z') ? char(c - 32) : c; }

void write_page() {
    if (win.page.ops.empty()) return;
    if (!win.folder.empty()) {
        char name[32];
        std::snprintf(name, sizeof name, "/plot-%04d.svg", int(win.written + 1));
        std::string path = win.folder + name;
        render_svg(win.page, win.svg);
        std::FILE* f = std::fopen(path.c_str(), "wb");
        bool ok = f != nullptr && std::fwrite(win.svg.data(), 1, win.svg.size(), f) == win.svg.size();
        int err = errno;
        if (f != nullptr && std::fclose(f) != 0) ok = false;
        if (ok)
            ++win.written;
        else
            std::fprintf(stderr, "kolm: cannot write the plot %s: %s\n", path.c_str(), std::strerror(err));
    }
    win.page.ops.clear();
    win.page.texts.clear();
}

// Something keeps the drawing: pages, or a window that shows them.
bool sink() { return !win.dropped || !win.folder.empty() || watcher != nullptr; }

Op& push(OpKind k) {
    Op op{};
    op.kind = k;
    op.colour = win.colour;
    win.page.ops.push_back(op);
    return win.page.ops.back();
}

void box(OpKind k, int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    Op& op = push(k);
    op.x1 = x1 < x2 ? x1 : x2;
    op.x2 = x1 < x2 ? x2 : x1;
    op.y1 = y1 < y2 ? y1 : y2;
    op.y2 = y1 < y2 ? y2 : y1;
}

void tell_drawn() {
    if (watcher != nullptr) watcher->drawn(win.page);
}

}  // namespace

int32_t palette(int32_t index) {
    static constexpr int32_t VGA[16] = {
        rgb(0, 0, 0),       rgb(0, 0, 170),     rgb(0, 170, 0),     rgb(0, 170, 170),
        rgb(170, 0, 0),     rgb(170, 0, 170),   rgb(170, 85, 0),    rgb(170, 170, 170),
        rgb(85, 85, 85),    rgb(85, 85, 255),   rgb(85, 255, 85),   rgb(85, 255, 255),
        rgb(255, 85, 85),   rgb(255, 85, 255),  rgb(255, 255, 85),  rgb(255, 255, 255),
    };
    return (index >= 0 && index < 16) ? VGA[index] : 0;
}

void set_window_config(const WindowConfig& c) {
    win.title = c.title;
    if (watcher != nullptr) watcher->titled(win.title);
}

WindowConfig window_config() {
    WindowConfig c;
    c.width = WINDOW_WIDTH;
    c.height = WINDOW_HEIGHT;
    c.text_columns = WINDOW_WIDTH / 8;
    c.text_rows = WINDOW_HEIGHT / 16;
    c.colours = 256;
    c.font_size = 16 << 16 | 8;
    c.title = win.title;
    return c;
}

void set_background(int32_t c) { win.background = c; }

void clear() {
    if (watcher != nullptr) watcher->clearing(win.page, win.background);
    write_page();
    win.page.title.clear();
    win.page.background = win.background;
}

void set_colour(int32_t c) { win.colour = c & 0xFFFFFF; }
void set_colour_index(int32_t index) { win.colour = palette(index); }
int32_t colour() { return win.colour; }

void move_to(int32_t x, int32_t y) {
    win.x = x;
    win.y = y;
}

void line_to(int32_t x, int32_t y) {
    if (!sink()) {
        move_to(x, y);
        return;
    }
    Op& op = push(OpKind::line);
    op.x1 = win.x;
    op.y1 = win.y;
    op.x2 = x;
    op.y2 = y;
    win.x = x;
    win.y = y;
    tell_drawn();
}

void rectangle(bool filled, int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    if (!sink()) return;
    box(filled ? OpKind::filled_rectangle : OpKind::rectangle, x1, y1, x2, y2);
    tell_drawn();
}

void ellipse(bool filled, int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    if (!sink()) return;
    box(filled ? OpKind::filled_ellipse : OpKind::ellipse, x1, y1, x2, y2);
    tell_drawn();
}

int32_t register_fonts(std::string_view) { return int32_t(std::size(FACES)); }

int32_t select_font(std::string_view s) {
    int32_t found = -1;
    int32_t height = win.font_height, width = win.font_width;
    std::size_t i = 0;
    auto number = [&](int32_t& v) {
        std::size_t j = i;
        int32_t n = 0;
        while (j < s.size() && s[j] >= '0' && s[j] <= '9' && n < 10000) n = n * 10 + (s[j++] - '0');
        if (j == i) return false;
        v = n;
        i = j;
        return true;
    };
    while (i < s.size()) {
        char c = upper(s[i++]);
        if (c == ' ') continue;
        if (c == 'T') {
            if (i >= s.size() || s[i] != '\'') return -1;
            std::size_t end = s.find('\'', i + 1);
            if (end == std::string_view::npos) return -1;
            std::string_view name = s.substr(i + 1, end - i - 1);
            // Face names are padded with blanks inside the quotes ("HELV ").
            while (!name.empty() && name.back() == ' ') name.remove_suffix(1);
            i = end + 1;
            found = -1;
            for (std::size_t k = 0; k < std::size(FACES); ++k) {
                std::string_view f = FACES[k].name;
                bool same = f.size() == name.size();
                for (std::size_t m = 0; same && m < f.size(); ++m) same = upper(name[m]) == f[m];
                if (same) found = int32_t(k);
            }
            if (found < 0) return -1;
        } else if (c == 'H') {
            if (!number(height)) return -1;
        } else if (c == 'W') {
            if (!number(width)) return -1;
        }
    }
    if (found < 0) return -1;
    win.face = FACES[found].face;
    win.font_height = height;
    win.font_width = width;
    return found + 1;
}

void set_text_rotation(int32_t tenths) { win.rotation = tenths % 3600; }

void draw_text(std::string_view text) {
    if (!sink()) return;
    Op& op = push(OpKind::text);
    op.face = win.face;
    op.rotation = int16_t(win.rotation);
    op.x1 = win.x;
    op.y1 = win.y;
    op.height = win.font_height;
    op.width = win.font_width;
    op.text_at = uint32_t(win.page.texts.size());
    op.text_len = uint32_t(text.size());
    win.page.texts.append(text);
    tell_drawn();
}

const Page& page() { return win.page; }

void set_plot_folder(std::string folder) {
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    win.folder = std::move(folder);
}
const std::string& plot_folder() { return win.folder; }

void drop_pages() { win.dropped = true; }

bool drawing() { return sink(); }

void set_page_title(std::string_view title) { win.page.title.assign(title); }

void finish_page() { write_page(); }

int32_t pages_written() { return win.written; }

void set_watcher(Watcher* w) { watcher = w; }

bool clip_segment(double& x1, double& y1, double& x2, double& y2, double lo_x, double lo_y, double hi_x,
                  double hi_y) {
    // Liang-Barsky: the parameter range of the segment inside each edge.
    double t0 = 0.0, t1 = 1.0, dx = x2 - x1, dy = y2 - y1;
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {x1 - lo_x, hi_x - x1, y1 - lo_y, hi_y - y1};
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0.0) {
            if (q[i] < 0.0) return false;
            continue;
        }
        double t = q[i] / p[i];
        if (p[i] < 0.0) {
            if (t > t1) return false;
            if (t > t0) t0 = t;
        } else {
            if (t < t0) return false;
            if (t < t1) t1 = t;
        }
    }
    double ax = x1 + t0 * dx, ay = y1 + t0 * dy;
    x2 = x1 + t1 * dx;
    y2 = y1 + t1 * dy;
    x1 = ax;
    y1 = ay;
    return true;
}

void reset() { win = Window{}; }

}  // namespace kolm::platform::gfx
