// Dialog records: controls built from a template, set and read by the
// program, acted on by the user through the backend.
#include "platform/dialog.h"

#include <algorithm>
#include <cassert>

#include "platform/backend.h"
#include "platform/headless.h"

namespace kolm::platform {

namespace {
const std::string& blank() {
    static const std::string empty;
    return empty;
}

bool is_list(ControlKind k) { return k == ControlKind::list_box || k == ControlKind::combo_box; }
}  // namespace

void Dialog::load(const DialogTemplate& t) {
    tmpl_ = &t;
    unattended_ = 0;
    controls_.clear();
    controls_.reserve(t.controls.size());
    for (const ControlTemplate& c : t.controls) {
        Control ctl{c.id, c.kind, c.style, false, (c.style & STYLE_DISABLED) == 0, 0, std::string(c.text), {}, {}};
        if (is_list(c.kind)) ctl.text.clear();
        controls_.push_back(std::move(ctl));
    }
}

void Dialog::release() {
    tmpl_ = nullptr;
    controls_.clear();
}

int32_t Dialog::template_id() const { return tmpl_ ? tmpl_->id : 0; }
std::string_view Dialog::caption() const { return tmpl_ ? tmpl_->caption : std::string_view(); }

Dialog::Control* Dialog::find(int32_t id) {
    if (id == ID_NONE) return nullptr;
    for (Control& c : controls_)
        if (c.id == id) return &c;
    return nullptr;
}
const Dialog::Control* Dialog::find(int32_t id) const { return const_cast<Dialog*>(this)->find(id); }

// The program addresses only controls its templates have; anything else is
// a programming fault.
Dialog::Control& Dialog::get(int32_t id) {
    Control* c = find(id);
    assert(c != nullptr && "no such control in the dialog");
    return *c;
}
const Dialog::Control& Dialog::get(int32_t id) const { return const_cast<Dialog*>(this)->get(id); }

bool Dialog::has_control(int32_t id) const { return find(id) != nullptr; }
ControlKind Dialog::kind(int32_t id) const { return get(id).kind; }
uint32_t Dialog::style(int32_t id) const { return get(id).style; }

void Dialog::set_text(int32_t id, std::string_view text) {
    Control& c = get(id);
    if (c.kind == ControlKind::list_box) {
        c.selection = find_item(id, text);
        return;
    }
    c.text.assign(text);
}

const std::string& Dialog::text(int32_t id) const {
    const Control& c = get(id);
    if (c.kind == ControlKind::list_box) return c.selection > 0 ? c.items[c.selection - 1] : blank();
    return c.text;
}

void Dialog::set_checked(int32_t id, bool on) { get(id).checked = on; }
bool Dialog::checked(int32_t id) const { return get(id).checked; }
void Dialog::set_enabled(int32_t id, bool on) { get(id).enabled = on; }
bool Dialog::enabled(int32_t id) const { return get(id).enabled; }

bool Dialog::usable(int32_t id) const {
    const Control* c = find(id);
    return c != nullptr && c->enabled && (c->style & STYLE_HIDDEN) == 0;
}

void Dialog::clear_items(int32_t id) {
    Control& c = get(id);
    c.items.clear();
    c.selection = 0;
}

void Dialog::add_item(int32_t id, std::string_view item) {
    Control& c = get(id);
    assert(is_list(c.kind));
    if (c.style & STYLE_SORTED) {
        auto at = std::upper_bound(c.items.begin(), c.items.end(), item,
                                   [](std::string_view a, const std::string& b) { return a < b; });
        int32_t pos = int32_t(at - c.items.begin()) + 1;
        c.items.insert(at, std::string(item));
        if (c.selection >= pos) ++c.selection;
    } else {
        c.items.emplace_back(item);
    }
}

void Dialog::set_items(int32_t id, std::span<const std::string> items) {
    clear_items(id);
    Control& c = get(id);
    c.items.reserve(items.size());
    for (const std::string& s : items) add_item(id, s);
}

void Dialog::set_item(int32_t id, int32_t index, std::string_view item) {
    Control& c = get(id);
    assert(is_list(c.kind));
    int32_t n = int32_t(c.items.size());
    if (index >= 1 && index <= n)
        c.items[index - 1].assign(item);
    else if (index == n + 1)
        c.items.emplace_back(item);
    else
        assert(false && "item index outside the list");
}

int32_t Dialog::item_count(int32_t id) const { return int32_t(get(id).items.size()); }

const std::string& Dialog::item(int32_t id, int32_t index) const {
    const Control& c = get(id);
    if (index < 1 || index > int32_t(c.items.size())) return blank();
    return c.items[index - 1];
}

int32_t Dialog::selection(int32_t id) const { return get(id).selection; }

void Dialog::select(int32_t id, int32_t index) {
    Control& c = get(id);
    c.selection = (index >= 1 && index <= int32_t(c.items.size())) ? index : 0;
    if (c.kind == ControlKind::combo_box && c.selection > 0) c.text = c.items[c.selection - 1];
}

int32_t Dialog::find_item(int32_t id, std::string_view item) const {
    const Control& c = get(id);
    for (std::size_t i = 0; i < c.items.size(); ++i)
        if (c.items[i] == item) return int32_t(i) + 1;
    return 0;
}

void Dialog::set_callback(int32_t id, DialogCallback cb) { get(id).callback = std::move(cb); }

int32_t Dialog::run_modal() {
    assert(loaded());
    if (Backend* b = installed_backend()) return b->run_modal(*this);
    return headless::run_modal(*this);
}

int32_t Dialog::unattended_answer() const {
    if (unattended_ != 0) return unattended_;
    const Control* cancel = find(2);
    if (cancel != nullptr && cancel->kind == ControlKind::push_button) return 2;
    for (const Control& c : controls_)
        if (c.kind == ControlKind::push_button && (c.style & STYLE_DEFAULT)) return c.id;
    return 1;
}

void Dialog::fire(int32_t id) {
    Control* c = find(id);
    if (c == nullptr || !c->callback) return;
    DialogCallback cb = c->callback;  // the callback may replace itself or reload the dialog
    cb(*this, id);
}

bool Dialog::user_click(int32_t id, int32_t& ended) {
    ended = 0;
    if (!usable(id)) return false;
    Control& c = get(id);
    if (c.kind == ControlKind::push_button) {
        if (c.callback)
            fire(id);
        else
            ended = id;
        return true;
    }
    if (c.kind == ControlKind::check_box) {
        c.checked = !c.checked;
        fire(id);
        return true;
    }
    return false;
}

bool Dialog::user_check(int32_t id, bool on) {
    if (!usable(id) || get(id).kind != ControlKind::check_box) return false;
    if (get(id).checked == on) return true;  // nothing to click
    int32_t ended = 0;
    return user_click(id, ended);
}

void Dialog::type_char(Control& c, char ch) {
    if ((c.style & STYLE_UPPERCASE) && ch >= 'a' && ch <= 'z') ch = char(ch - 32);
    c.text.push_back(ch);
}

bool Dialog::user_set_text(int32_t id, std::string_view value) {
    if (!usable(id)) return false;
    Control& c = get(id);
    if (c.kind != ControlKind::edit && c.kind != ControlKind::combo_box) return false;
    c.text.clear();
    for (char ch : value) type_char(c, ch);
    fire(id);
    return true;
}

bool Dialog::user_type(int32_t id, std::string_view value) {
    if (!usable(id) || get(id).kind != ControlKind::edit) return false;
    for (std::size_t i = 0; i < value.size(); ++i) {
        Control* c = find(id);  // a callback may have reloaded the dialog
        if (c == nullptr) return true;
        if (i == 0) c->text.clear();
        type_char(*c, value[i]);
        fire(id);
    }
    return true;
}

bool Dialog::user_select(int32_t id, std::string_view item) {
    if (!usable(id) || !is_list(get(id).kind)) return false;
    int32_t k = find_item(id, item);
    if (k == 0) return false;
    select(id, k);
    fire(id);
    return true;
}

}  // namespace kolm::platform
