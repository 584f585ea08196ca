// The graphics window: the display list drawn with the toolkit.
//
// The view watches the display list (platform/graphics.h) on the program
// thread and keeps its own copy of the page under a lock; the main thread
// draws the ops it has not drawn yet into an offscreen image of the window's
// size and copies that to the screen, so each record builds up stage by
// stage while the run goes on. Coordinates are clipped the way the SVG
// pages clip them.
#pragma once

#include <FL/Fl_Widget.H>
#include <FL/x.H>

#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "platform/graphics.h"

namespace kolm::window {

class GraphicsView : public Fl_Widget, public platform::gfx::Watcher {
public:
    GraphicsView(int x, int y);
    ~GraphicsView() override;

    // Program thread (the display list's watcher).
    void drawn(const platform::gfx::Page& page) override;
    void clearing(const platform::gfx::Page& page, int32_t background) override;
    void titled(std::string_view title) override;
    // Told of each page before the window is cleared (tests).
    std::function<void(const platform::gfx::Page&)> page_ending;

    // Main thread.
    void draw() override;
    // Whether ops arrived since the last call.
    bool take_dirty();
    // A new title since the last call.
    bool take_title(std::string& title);
    // Nothing drawn on the page shown.
    bool blank();

private:
    void draw_pending();

    std::mutex m_;
    std::vector<platform::gfx::Op> ops_;
    std::string texts_;
    int32_t background_ = 0xFFFFFF;
    uint64_t generation_ = 0;  // pages begun
    bool dirty_ = false;
    std::string title_;
    bool title_changed_ = false;

    // Main thread: the offscreen image and how much of the page it holds.
    Fl_Offscreen offscreen_ = 0;
    uint64_t drawn_generation_ = ~uint64_t(0);
    std::size_t drawn_ = 0;
};

}  // namespace kolm::window
