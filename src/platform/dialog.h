// Modal dialogs built from templates.
//
// A template is a table: caption, place and size in dialog units and the
// controls with id, kind, text, style and rectangle. The program keeps its
// templates with its user interface; a Dialog is loaded from a template,
// its controls are set and read by the program, a callback may be
// registered per control, and run_modal shows it until a push button ends
// it.
//
// Setting a value from the program never fires a callback. Each user action
// (a click, a change of an edit's text, one keystroke, a selection) fires
// exactly one callback: the callback of the control acted on, when one is
// registered. A push button without a callback ends the modal run and gives
// its id; one with a callback only fires it. Callbacks may run other modal
// dialogs (nested modals).
//
// The user's actions come from the installed backend (platform/backend.h):
// the headless one replays an event script through these same entry points
// (platform/headless.h), a windowed one passes on what is done to its
// widgets.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kolm::platform {

enum class ControlKind : uint8_t {
    static_text,
    group_box,
    push_button,
    check_box,  // auto check box: a click toggles its state
    edit,
    list_box,
    combo_box,  // drop-down combo box: an edit field over a list of items
};

// Style bits of a control.
inline constexpr uint32_t STYLE_DEFAULT = 1u << 0;    // default push button
inline constexpr uint32_t STYLE_HIDDEN = 1u << 1;     // not visible: the user cannot act on it
inline constexpr uint32_t STYLE_DISABLED = 1u << 2;   // disabled at load
inline constexpr uint32_t STYLE_UPPERCASE = 1u << 3;  // edit: typed letters become capitals
inline constexpr uint32_t STYLE_SORTED = 1u << 4;     // list or combo box keeps its items sorted
inline constexpr uint32_t STYLE_WRAP = 1u << 5;       // static text wraps
inline constexpr uint32_t STYLE_RIGHT = 1u << 6;      // static text right-aligned

// Controls without an id of their own (labels, frames).
inline constexpr int32_t ID_NONE = -1;

// The control's rectangle in dialog units (a group box's rectangle frames
// the controls inside it); a control of width 0 has no place of its own and
// a window puts it below the others.
struct ControlTemplate {
    int32_t id;
    ControlKind kind;
    std::string_view text;
    uint32_t style;
    int16_t x = 0, y = 0, width = 0, height = 0;
};

struct DialogTemplate {
    int32_t id;
    std::string_view caption;
    int16_t x, y, width, height;  // dialog units
    std::span<const ControlTemplate> controls;
};

class Dialog;

// Callback of a control: the dialog and the id of the control acted on.
using DialogCallback = std::function<void(Dialog&, int32_t id)>;

class Dialog {
public:
    // Builds the dialog record from the template: controls with their
    // template texts and states, no items, no callbacks.
    void load(const DialogTemplate& t);
    void release();
    bool loaded() const { return tmpl_ != nullptr; }

    // The template the dialog was loaded from; nullptr when not loaded.
    const DialogTemplate* dialog_template() const { return tmpl_; }
    int32_t template_id() const;
    std::string_view caption() const;
    bool has_control(int32_t id) const;
    ControlKind kind(int32_t id) const;
    uint32_t style(int32_t id) const;

    // Text of a control. For a list box: the selected item (blank when none);
    // set_text on a list box selects the item with that text (none when no
    // item has it). For a combo box: the text of its edit field.
    void set_text(int32_t id, std::string_view text);
    const std::string& text(int32_t id) const;

    void set_checked(int32_t id, bool on);
    bool checked(int32_t id) const;

    void set_enabled(int32_t id, bool on);
    bool enabled(int32_t id) const;
    // Not hidden and enabled: the user can act on it.
    bool usable(int32_t id) const;

    // Items of a list or combo box, indexed from 1. A sorted box inserts each
    // new item at its place in byte order; an unsorted one appends.
    void clear_items(int32_t id);
    void add_item(int32_t id, std::string_view item);
    void set_items(int32_t id, std::span<const std::string> items);
    // Item `index` becomes `item`; index count + 1 appends one item.
    void set_item(int32_t id, int32_t index, std::string_view item);
    int32_t item_count(int32_t id) const;
    // Item `index`, blank outside 1..count.
    const std::string& item(int32_t id, int32_t index) const;
    // Selected item, 0 when none; select(id, 0) clears the selection.
    int32_t selection(int32_t id) const;
    void select(int32_t id, int32_t index);
    // Index of the item with this text, 0 when none.
    int32_t find_item(int32_t id, std::string_view item) const;

    // One callback per control; a later registration replaces it.
    void set_callback(int32_t id, DialogCallback cb);

    // Shows the dialog until a push button ends it; the button's id.
    int32_t run_modal();

    // The button the dialog answers when no user is there to act (the
    // event script ran out) or when its window is closed: the answer set
    // since the load, else 2 (cancel, exit) when the template has it, else
    // its default push button.
    int32_t unattended_answer() const;
    // An answer of its own for a dialog whose default button is not the
    // safe one (a value no button has means "not answered").
    void set_unattended_answer(int32_t id) { unattended_ = id; }

    // User actions, as the backend performs them. Each returns false, with
    // nothing changed and no callback, when the control does not exist, is
    // hidden or disabled, or is not of a kind the action applies to.
    // click: a push button fires its callback, or ends the run (ended set
    // to the id); a check box toggles and fires.
    bool user_click(int32_t id, int32_t& ended);
    // check: a check box is clicked when its state differs from `on`.
    bool user_check(int32_t id, bool on);
    // text: the whole text of an edit or a combo box's field is replaced
    // in one change.
    bool user_set_text(int32_t id, std::string_view value);
    // type: the text is typed over the edit's content, one change per
    // character (the first keystroke replaces the content).
    bool user_type(int32_t id, std::string_view value);
    // select: the item with this text is chosen in a list or combo box.
    bool user_select(int32_t id, std::string_view item);

private:
    struct Control {
        int32_t id;
        ControlKind kind;
        uint32_t style;
        bool checked;
        bool enabled;
        int32_t selection;
        std::string text;
        std::vector<std::string> items;
        DialogCallback callback;
    };
    Control* find(int32_t id);
    const Control* find(int32_t id) const;
    Control& get(int32_t id);
    const Control& get(int32_t id) const;
    void fire(int32_t id);
    static void type_char(Control& c, char ch);

    const DialogTemplate* tmpl_ = nullptr;
    std::vector<Control> controls_;
    int32_t unattended_ = 0;
};

}  // namespace kolm::platform
