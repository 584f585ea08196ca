// SVG output of a page: lines joined into polylines, boxes and ellipses on
// the pixel grid, texts in the cell size of their font.
#include "platform/svg.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string_view>

namespace kolm::platform::gfx {

namespace {

// Drawing is clipped to the window widened by this margin, so shapes that
// leave the window keep their direction but no coordinate grows large.
constexpr double LO_X = -2.0, LO_Y = -2.0;
constexpr double HI_X = WINDOW_WIDTH + 1.0, HI_Y = WINDOW_HEIGHT + 1.0;

void colour_hex(std::string& out, int32_t c) {
    static constexpr char HEX[] = "0123456789abcdef";
    out += '#';
    for (int shift : {0, 8, 16}) {
        const int b = (c >> shift) & 255;
        out += HEX[b >> 4];
        out += HEX[b & 15];
    }
}

// Whole values without decimals, others with two (a page holds thousands
// of coordinates: no printf).
void num(std::string& out, double v) {
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, v == std::floor(v) ? 0 : 2);
    out.append(buf, r.ptr);
}

double clampd(double v, double lo, double hi) { return v < lo ? lo : (v > hi ? hi : v); }

// The segment clipped to the widened window.
bool clip(double& x1, double& y1, double& x2, double& y2) {
    return clip_segment(x1, y1, x2, y2, LO_X, LO_Y, HI_X, HI_Y);
}

bool outside(const Op& op) {
    return op.x2 < LO_X || op.x1 > HI_X || op.y2 < LO_Y || op.y1 > HI_Y;
}

const char* family(Face f) {
    switch (f) {
        case Face::sans: return "sans-serif";
        case Face::serif: return "serif";
        case Face::monospace: return "monospace";
        case Face::cursive: return "cursive";
    }
    return "sans-serif";
}

void escaped(std::string& out, std::string_view s) {
    for (unsigned char c : s) {
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            default:
                if (c < 32) {
                    out += ' ';
                } else if (c < 128) {
                    out += char(c);
                } else {  // bytes beyond ASCII are taken as Latin-1
                    char buf[12];
                    std::snprintf(buf, sizeof buf, "&#%u;", unsigned(c));
                    out += buf;
                }
        }
    }
}

// Length of the well-formed UTF-8 sequence at s[i], 0 when there is none.
std::size_t utf8_length(std::string_view s, std::size_t i) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    std::size_t n;
    uint32_t cp;
    if (c >= 0xC2 && c <= 0xDF) n = 2, cp = c & 0x1Fu;
    else if (c >= 0xE0 && c <= 0xEF) n = 3, cp = c & 0x0Fu;
    else if (c >= 0xF0 && c <= 0xF4) n = 4, cp = c & 0x07u;
    else return 0;
    if (i + n > s.size()) return 0;
    for (std::size_t k = 1; k < n; ++k) {
        const unsigned char d = static_cast<unsigned char>(s[i + k]);
        if ((d & 0xC0) != 0x80) return 0;
        cp = cp << 6 | (d & 0x3Fu);
    }
    // No overlong forms, surrogates or values beyond the code space.
    if ((n == 3 && cp < 0x800) || (n == 4 && (cp < 0x10000 || cp > 0x10FFFF)) || (cp >= 0xD800 && cp <= 0xDFFF))
        return 0;
    return n;
}

// A title such as a file name: well-formed UTF-8 kept as it is, other bytes
// as in the page's texts.
void escaped_title(std::string& out, std::string_view s) {
    for (std::size_t i = 0; i < s.size();) {
        if (const std::size_t n = utf8_length(s, i); n > 0) {
            out.append(s.substr(i, n));
            i += n;
        } else {
            escaped(out, s.substr(i, 1));
            ++i;
        }
    }
}

// Consecutive connected lines of one colour as one polyline.
std::size_t lines(std::string& out, const std::vector<Op>& ops, std::size_t i) {
    const int32_t c = ops[i].colour;
    bool open = false;
    double lx = 0.0, ly = 0.0;  // last point written
    for (; i < ops.size() && ops[i].kind == OpKind::line && ops[i].colour == c; ++i) {
        const Op& op = ops[i];
        double x1 = op.x1, y1 = op.y1, x2 = op.x2, y2 = op.y2;
        if (!clip(x1, y1, x2, y2)) {
            if (open) out += "\"/>\n";
            open = false;
            continue;
        }
        if (!open || x1 != lx || y1 != ly) {
            if (open) out += "\"/>\n";
            out += "<polyline stroke=\"";
            colour_hex(out, c);
            out += "\" points=\"";
            num(out, x1 + 0.5);
            out += ',';
            num(out, y1 + 0.5);
            open = true;
        }
        out += ' ';
        num(out, x2 + 0.5);
        out += ',';
        num(out, y2 + 0.5);
        lx = x2;
        ly = y2;
    }
    if (open) out += "\"/>\n";
    return i;
}

void box(std::string& out, const Op& op) {
    if (outside(op)) return;
    double x1 = clampd(op.x1, LO_X, HI_X), y1 = clampd(op.y1, LO_Y, HI_Y);
    double x2 = clampd(op.x2, LO_X, HI_X), y2 = clampd(op.y2, LO_Y, HI_Y);
    switch (op.kind) {
        case OpKind::rectangle:
            out += "<rect fill=\"none\" stroke=\"";
            colour_hex(out, op.colour);
            out += "\" x=\"";
            num(out, x1 + 0.5);
            out += "\" y=\"";
            num(out, y1 + 0.5);
            out += "\" width=\"";
            num(out, x2 - x1);
            out += "\" height=\"";
            num(out, y2 - y1);
            out += "\"/>\n";
            break;
        case OpKind::filled_rectangle:
            out += "<rect stroke=\"none\" fill=\"";
            colour_hex(out, op.colour);
            out += "\" x=\"";
            num(out, x1);
            out += "\" y=\"";
            num(out, y1);
            out += "\" width=\"";
            num(out, x2 - x1 + 1.0);
            out += "\" height=\"";
            num(out, y2 - y1 + 1.0);
            out += "\"/>\n";
            break;
        case OpKind::ellipse:
        case OpKind::filled_ellipse: {
            bool filled = op.kind == OpKind::filled_ellipse;
            // A filled ellipse covers its box's pixels; an outline runs
            // through the centres of the border pixels.
            double pad = filled ? 0.5 : 0.0;
            out += filled ? "<ellipse stroke=\"none\" fill=\"" : "<ellipse fill=\"none\" stroke=\"";
            colour_hex(out, op.colour);
            out += "\" cx=\"";
            num(out, (x1 + x2) / 2.0 + 0.5);
            out += "\" cy=\"";
            num(out, (y1 + y2) / 2.0 + 0.5);
            out += "\" rx=\"";
            num(out, (x2 - x1) / 2.0 + pad);
            out += "\" ry=\"";
            num(out, (y2 - y1) / 2.0 + pad);
            out += "\"/>\n";
            break;
        }
        default:
            break;
    }
}

void text(std::string& out, const Page& page, const Op& op) {
    std::string_view s = page.text(op);
    std::size_t lead = 0;
    while (lead < s.size() && s[lead] == ' ') ++lead;
    std::size_t end = s.size();
    while (end > lead && s[end - 1] == ' ') --end;
    if (end == lead) return;
    // Far outside the window even a long rotated text cannot show.
    const double reach = double(s.size()) * op.width + op.height + WINDOW_WIDTH;
    if (op.x1 < -reach || op.x1 > reach || op.y1 < -reach || op.y1 > reach) return;
    const double a = op.rotation * (M_PI / 1800.0);
    const double ca = std::cos(a), sa = std::sin(a);
    // Leading blanks move the start along the text's direction.
    const double shift = double(lead) * op.width;
    const double x = op.x1 + shift * ca, y = op.y1 - shift * sa;
    // The cell's top-left is the reference; the baseline lies 0.8 cell
    // heights below it, the glyphs fill about 0.85 of the cell.
    const double base = 0.8 * op.height;
    const double bx = x + base * sa, by = y + base * ca;
    out += "<text xml:space=\"preserve\" font-family=\"";
    out += family(op.face);
    out += "\" font-size=\"";
    num(out, std::round(0.85 * op.height * 100.0) / 100.0);
    out += "\" fill=\"";
    colour_hex(out, op.colour);
    out += "\" x=\"";
    num(out, std::round(bx * 100.0) / 100.0);
    out += "\" y=\"";
    num(out, std::round(by * 100.0) / 100.0);
    out += '"';
    if (op.width > 0) {
        out += " textLength=\"";
        num(out, double(end - lead) * op.width);
        out += "\" lengthAdjust=\"spacingAndGlyphs\"";
    }
    if (op.rotation != 0) {
        out += " transform=\"rotate(";
        num(out, -op.rotation / 10.0);
        out += ' ';
        num(out, std::round(bx * 100.0) / 100.0);
        out += ' ';
        num(out, std::round(by * 100.0) / 100.0);
        out += ")\"";
    }
    out += '>';
    escaped(out, s.substr(lead, end - lead));
    out += "</text>\n";
}

}  // namespace

void render_svg(const Page& page, std::string& out) {
    out.clear();
    out += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    out += "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"1024\" height=\"768\" viewBox=\"0 0 1024 768\">\n";
    if (!page.title.empty()) {
        out += "<title>";
        escaped_title(out, page.title);
        out += "</title>\n";
    }
    out += "<rect x=\"0\" y=\"0\" width=\"1024\" height=\"768\" stroke=\"none\" fill=\"";
    colour_hex(out, page.background);
    out += "\"/>\n<g fill=\"none\" stroke-width=\"1\" shape-rendering=\"crispEdges\">\n";
    const std::vector<Op>& ops = page.ops;
    for (std::size_t i = 0; i < ops.size();) {
        const Op& op = ops[i];
        if (op.kind == OpKind::line) {
            i = lines(out, ops, i);
            continue;
        }
        if (op.kind == OpKind::text)
            text(out, page, op);
        else
            box(out, op);
        ++i;
    }
    out += "</g>\n</svg>\n";
}

}  // namespace kolm::platform::gfx
