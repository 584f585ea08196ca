// The windowed backend of the platform layer.
//
// A frame window holds the graphics window (the display list, drawn as it
// grows) and a console pane below it. The program runs on its own thread
// at a lower priority; the toolkit's event loop serves the windows on the
// main thread. Modal dialogs and message boxes are real windows that block
// the program thread until the user (or the event script, through the same
// widgets) ends them. See session.h for the thread model and the end of a
// run by closing the window.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/graphics.h"

namespace kolm::window {

// Exit status of a run the user ended by closing the window.
inline constexpr int EXIT_WINDOW_CLOSED = 4;

// True when an X display can be opened. The connection opened to find out
// is kept for the run.
bool display_available();

// Runs `program` on the program thread with the windows up; the exit
// status: the program's, 1 after a stop of the program, 4 when the user
// closed the window during the run. With `scripted` (a run given events),
// dialogs and message boxes the events leave unanswered take their default
// answer, and the window goes when the run ends; otherwise they wait for
// the user, and a window that shows something stays until it is closed.
// Without a display: a message and status 2.
int run(std::function<int()> program, bool scripted);

// --- What the tests look at.

struct Shown {
    enum class What {
        dialog_opening,  // a dialog is about to open over the graphics (drawn up to now)
        dialog,          // a dialog is up and drawn
        message_box,     // a message box is up and drawn
        page_end,        // the graphics window is about to be cleared
    };
    What what;
    int32_t dialog_id;                  // dialogs
    unsigned long xid;                  // X window of the dialog or box; the frame's otherwise
    const platform::gfx::Page* page;    // page_end: the page as drawn
};
// Told on the program thread; nullptr for nobody.
void set_observer(std::function<void(const Shown&)> observer);

// Program thread: the graphics window's pixels as on the screen, read back
// through the toolkit: RGB, rows of WINDOW_WIDTH, WINDOW_HEIGHT rows.
std::vector<uint8_t> graphics_pixels();

// Program thread: the text a control of an open dialog shows (an edit's or
// combo box field's text, a list's selected item, a label); empty when no
// dialog with this template is open.
std::string widget_text(int32_t dialog_id, int32_t control_id);

// Program thread: the frame window's close button pressed.
void close_frame();

}  // namespace kolm::window
