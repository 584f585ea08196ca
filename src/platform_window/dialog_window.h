// Dialogs and message boxes as toolkit windows.
//
// A DialogWindow is built on the main thread from a loaded dialog record:
// one widget per control of the template, at the control's rectangle
// (dialog units times DU pixels). What the user does to a widget is posted
// to the program thread as an action (session.h); the program applies it to
// the dialog record, whose callbacks run there, and then has the widgets
// brought up to date from the record (sync). The event script drives the
// same widgets (perform, type), so a scripted run passes through the
// widgets' own callbacks, as a person's clicks and keystrokes do.
#pragma once

#include <FL/Fl_Window.H>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/dialog.h"
#include "platform/headless.h"

namespace kolm::window {

// Pixels per dialog unit, across and down.
inline constexpr int DU = 2;

class DialogWindow : public Fl_Window {
public:
    // Main thread, with the program thread waiting: the window over the
    // frame window whose top-left corner is (origin_x, origin_y).
    DialogWindow(platform::Dialog& dlg, int origin_x, int origin_y);
    ~DialogWindow() override;

    uint64_t serial() const { return serial_; }
    // The widgets take the record's texts, states, items and selections.
    // Skipped while actions of this window wait to be applied (they are
    // newer than the record).
    void sync();
    // A script event done to the widget as the user would; false when the
    // widget is missing, hidden, disabled, of the wrong kind or lacks the
    // item. Not for type events.
    bool perform(const platform::headless::Event& e);
    // One keystroke of a type event; the first replaces the edit's text.
    bool type(int32_t id, char ch, bool first);
    // What the control's widget shows (tests).
    std::string shown_text(int32_t id);
    int32_t template_id() const { return tmpl_->id; }

    struct Control;

private:
    Control* find(int32_t id);

    platform::Dialog& dlg_;
    const platform::DialogTemplate* tmpl_;
    uint64_t serial_;
    std::vector<std::unique_ptr<Control>> controls_;
};

// A message box: a text, an OK button; the icon when `warning`.
class MessageWindow : public Fl_Window {
public:
    MessageWindow(std::string_view title, std::string_view text, bool warning, int centre_x, int centre_y);
    uint64_t serial() const { return serial_; }

private:
    uint64_t serial_;
    std::string title_, text_;
};

}  // namespace kolm::window
