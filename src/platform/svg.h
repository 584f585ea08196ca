// SVG rendering of a page of the graphics window.
#pragma once

#include <string>

#include "platform/graphics.h"

namespace kolm::platform::gfx {

// The page as an SVG document of the window's size, clipped to the window.
void render_svg(const Page& page, std::string& out);

}  // namespace kolm::platform::gfx
