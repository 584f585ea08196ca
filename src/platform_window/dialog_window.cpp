// Widgets of dialog templates, their actions and their updates.
#include "platform_window/dialog_window.h"

#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Check_Button.H>
#include <FL/Fl_Hold_Browser.H>
#include <FL/Fl_Input.H>
#include <FL/Fl_Input_Choice.H>
#include <FL/Fl_Return_Button.H>
#include <FL/fl_draw.H>

#include <algorithm>

#include "platform_window/session.h"

namespace kolm::window {

using platform::ControlKind;
using platform::headless::Event;
using platform::headless::EventKind;

namespace {

constexpr int FONT_SIZE = 12;

char upper(char c) { return (c >= 'a' && c <= 'z') ? char(c - 32) : c; }

// A widget label shown as it stands: "&" would mark a shortcut, a leading
// "@" a symbol.
std::string label_text(std::string_view s) {
    std::string out;
    if (!s.empty() && s.front() == '@') out += '@';
    for (char c : s) {
        if (c == '&') out += '&';
        out += c;
    }
    return out;
}

// A menu item shown as it stands: "/" would open a submenu, "\" escape,
// "&" mark a shortcut, "_" draw a divider.
std::string menu_text(std::string_view s) {
    std::string out;
    if (!s.empty() && s.front() == '@') out += '@';
    for (char c : s) {
        if (c == '/' || c == '\\' || c == '&' || c == '_') out += '\\';
        out += c;
    }
    return out;
}

// A box that draws its own text, as it stands (no symbols, no shortcuts).
class TextWidget : public Fl_Box {
public:
    TextWidget(int x, int y, int w, int h) : Fl_Box(x, y, w, h) {}
    void set(std::string_view t) {
        if (text_ == t) return;
        text_.assign(t);
        redraw();
    }
    const std::string& text() const { return text_; }

protected:
    Fl_Color ink() const { return active_r() ? FL_FOREGROUND_COLOR : fl_inactive(FL_FOREGROUND_COLOR); }
    std::string text_;
};

// Static text, wrapped when the template asks.
class TextBox : public TextWidget {
public:
    TextBox(int x, int y, int w, int h, Fl_Align align) : TextWidget(x, y, w, h), align_(align) {}
    void draw() override {
        draw_box();
        fl_push_clip(x(), y(), w(), h());
        fl_font(FL_HELVETICA, FONT_SIZE);
        fl_color(ink());
        fl_draw(text_.c_str(), x() + 1, y(), w() - 2, h(), align_, nullptr, 0);
        fl_pop_clip();
    }

private:
    Fl_Align align_;
};

// A group box: an engraved frame with its caption set into the top edge.
class GroupFrame : public TextWidget {
public:
    GroupFrame(int x, int y, int w, int h) : TextWidget(x, y, w, h) {}
    void draw() override {
        fl_font(FL_HELVETICA, FONT_SIZE);
        const int half = fl_height() / 2;
        fl_draw_box(FL_ENGRAVED_FRAME, x(), y() + half, w(), h() - half, color());
        if (text_.empty()) return;
        const int tw = std::min(int(fl_width(text_.c_str())), w() - 16);
        fl_color(color());
        fl_rectf(x() + 6, y(), tw + 4, fl_height());
        fl_color(ink());
        fl_push_clip(x() + 8, y(), tw, fl_height());
        fl_draw(text_.c_str(), int(text_.size()), x() + 8, y() + fl_height() - fl_descent());
        fl_pop_clip();
    }
};

// An edit; an upper-case edit turns typed and pasted letters into capitals.
class Edit : public Fl_Input {
public:
    Edit(int x, int y, int w, int h, bool upper_case) : Fl_Input(x, y, w, h), upper_(upper_case) {}
    int handle(int e) override {
        if (upper_ && (e == FL_KEYBOARD || e == FL_PASTE) && Fl::e_text != nullptr)
            for (char* p = Fl::e_text; *p != '\0'; ++p) *p = upper(*p);
        return Fl_Input::handle(e);
    }
    bool upper_case() const { return upper_; }

private:
    bool upper_;
};

}  // namespace

struct DialogWindow::Control {
    DialogWindow* owner;
    int32_t id;
    ControlKind kind;
    uint32_t style;
    Fl_Widget* widget = nullptr;
    // What the widgets show, to update only what changed.
    bool enabled = true;
    std::vector<std::string> items;
    // A combo box's menu items point here: the control and the item's index.
    struct ItemRef {
        Control* control;
        std::size_t index;
    };
    std::vector<ItemRef> refs;

    void post(Action::Kind kind, std::string value = {}) const {
        session().post(Action{owner->serial_, kind, id, std::move(value)});
    }
    TextBox* text_box() const { return static_cast<TextBox*>(widget); }
    GroupFrame* frame() const { return static_cast<GroupFrame*>(widget); }
    Fl_Button* button() const { return static_cast<Fl_Button*>(widget); }
    Edit* edit() const { return static_cast<Edit*>(widget); }
    Fl_Hold_Browser* list() const { return static_cast<Fl_Hold_Browser*>(widget); }
    Fl_Input_Choice* combo() const { return static_cast<Fl_Input_Choice*>(widget); }

    static void clicked(Fl_Widget*, void* p) { static_cast<Control*>(p)->post(Action::Kind::click); }
    static void edited(Fl_Widget*, void* p) {
        const Control* c = static_cast<Control*>(p);
        c->post(Action::Kind::text, c->edit()->value());
    }
    static void combo_edited(Fl_Widget*, void* p) {
        const Control* c = static_cast<Control*>(p);
        c->post(Action::Kind::text, c->combo()->value());
    }
    static void list_chosen(Fl_Widget*, void* p) {
        const Control* c = static_cast<Control*>(p);
        const int line = c->list()->value();
        if (line >= 1 && std::size_t(line) <= c->items.size()) c->post(Action::Kind::select, c->items[line - 1]);
    }
    static void combo_chosen(Fl_Widget*, void* p) {
        const ItemRef* r = static_cast<ItemRef*>(p);
        r->control->post(Action::Kind::select, r->control->items[r->index]);
    }

    void set_items(const platform::Dialog& d) {
        const int32_t n = d.item_count(id);
        bool same = int32_t(items.size()) == n;
        for (int32_t k = 1; same && k <= n; ++k) same = items[k - 1] == d.item(id, k);
        if (same) return;
        items.clear();
        for (int32_t k = 1; k <= n; ++k) items.push_back(d.item(id, k));
        if (kind == ControlKind::list_box) {
            list()->clear();
            for (const std::string& s : items) list()->add(s.c_str());
        } else {
            Fl_Menu_Button* menu = combo()->menubutton();
            menu->clear();
            refs.clear();
            refs.reserve(items.size());
            for (std::size_t k = 0; k < items.size(); ++k) {
                refs.push_back({this, k});
                menu->add(menu_text(items[k]).c_str(), 0, combo_chosen, &refs.back());
            }
        }
    }

    void sync(const platform::Dialog& d) {
        const bool on = d.enabled(id);
        if (on != enabled) {
            enabled = on;
            if (on)
                widget->activate();
            else
                widget->deactivate();
        }
        switch (kind) {
            case ControlKind::static_text: text_box()->set(d.text(id)); break;
            case ControlKind::group_box: frame()->set(d.text(id)); break;
            case ControlKind::push_button:
                if (label_text(d.text(id)) != (button()->label() ? button()->label() : ""))
                    button()->copy_label(label_text(d.text(id)).c_str());
                break;
            case ControlKind::check_box:
                button()->value(d.checked(id) ? 1 : 0);
                if (label_text(d.text(id)) != (button()->label() ? button()->label() : ""))
                    button()->copy_label(label_text(d.text(id)).c_str());
                break;
            case ControlKind::edit:
                if (d.text(id) != edit()->value()) edit()->value(d.text(id).c_str());
                break;
            case ControlKind::list_box: {
                set_items(d);
                const int32_t sel = d.selection(id);
                if (sel != list()->value()) {
                    if (sel > 0)
                        list()->value(sel);
                    else
                        list()->deselect();
                }
                break;
            }
            case ControlKind::combo_box:
                set_items(d);
                if (d.text(id) != combo()->value()) combo()->value(d.text(id).c_str());
                break;
        }
    }
};

DialogWindow::DialogWindow(platform::Dialog& dlg, int origin_x, int origin_y)
    : Fl_Window(0, 0, 10, 10), dlg_(dlg), tmpl_(dlg.dialog_template()), serial_(session().new_serial()) {
    copy_label(std::string(dlg.caption()).c_str());
    // Controls without a rectangle go below the others, one to a row.
    int right = tmpl_->width, bottom = tmpl_->height;
    for (const platform::ControlTemplate& c : tmpl_->controls)
        if (c.width > 0) {
            right = std::max(right, c.x + c.width + 4);
            bottom = std::max(bottom, c.y + c.height + 4);
        }
    int next_y = bottom;
    begin();
    for (const platform::ControlTemplate& t : tmpl_->controls) {
        auto c = std::make_unique<Control>();
        c->owner = this;
        c->id = t.id;
        c->kind = t.kind;
        c->style = t.style;
        int x = t.x, y = t.y, w = t.width, h = t.height;
        if (w == 0) {
            const bool tall = t.kind == ControlKind::list_box;
            x = 4;
            y = next_y;
            w = right - 8;
            h = tall ? 40 : 12;
            next_y += h + 3;
        }
        x *= DU;
        y *= DU;
        w *= DU;
        h *= DU;
        switch (t.kind) {
            case ControlKind::static_text: {
                Fl_Align align = FL_ALIGN_TOP | FL_ALIGN_INSIDE | FL_ALIGN_CLIP;
                align |= (t.style & platform::STYLE_RIGHT) ? FL_ALIGN_RIGHT : FL_ALIGN_LEFT;
                if (t.style & platform::STYLE_WRAP) align |= FL_ALIGN_WRAP;
                auto* b = new TextBox(x, y, w, h, align);
                b->set(t.text);
                c->widget = b;
                break;
            }
            case ControlKind::group_box: {
                auto* f = new GroupFrame(x, y, w, h);
                f->set(t.text);
                c->widget = f;
                break;
            }
            case ControlKind::push_button: {
                Fl_Button* b = (t.style & platform::STYLE_DEFAULT) ? new Fl_Return_Button(x, y, w, h)
                                                                  : new Fl_Button(x, y, w, h);
                b->copy_label(label_text(t.text).c_str());
                b->callback(Control::clicked, c.get());
                c->widget = b;
                break;
            }
            case ControlKind::check_box: {
                auto* b = new Fl_Check_Button(x, y, w, h);
                b->copy_label(label_text(t.text).c_str());
                b->callback(Control::clicked, c.get());
                c->widget = b;
                break;
            }
            case ControlKind::edit: {
                auto* e = new Edit(x, y, w, h, (t.style & platform::STYLE_UPPERCASE) != 0);
                e->textsize(FONT_SIZE);
                e->when(FL_WHEN_CHANGED);
                e->callback(Control::edited, c.get());
                c->widget = e;
                break;
            }
            case ControlKind::list_box: {
                auto* l = new Fl_Hold_Browser(x, y, w, h);
                l->textsize(FONT_SIZE);
                l->format_char(0);  // items are shown as they stand
                l->when(FL_WHEN_CHANGED | FL_WHEN_NOT_CHANGED);
                l->callback(Control::list_chosen, c.get());
                c->widget = l;
                break;
            }
            case ControlKind::combo_box: {
                auto* cb = new Fl_Input_Choice(x, y, w, h);
                cb->textsize(FONT_SIZE);
                cb->when(FL_WHEN_CHANGED);
                cb->input()->when(FL_WHEN_CHANGED);
                cb->callback(Control::combo_edited, c.get());
                c->widget = cb;
                break;
            }
        }
        c->widget->labelsize(FONT_SIZE);
        if (t.style & platform::STYLE_HIDDEN) c->widget->hide();
        controls_.push_back(std::move(c));
    }
    end();
    size(right * DU, std::max(bottom, next_y) * DU);
    position(origin_x + tmpl_->x * DU, origin_y + tmpl_->y * DU);
    // Closing the window (its close button, Escape) answers like cancel.
    callback([](Fl_Widget* w, void*) {
        auto* d = static_cast<DialogWindow*>(w);
        session().post(Action{d->serial_, Action::Kind::close, 0, {}});
    });
    sync();
}

DialogWindow::~DialogWindow() = default;

DialogWindow::Control* DialogWindow::find(int32_t id) {
    if (id == platform::ID_NONE) return nullptr;
    for (auto& c : controls_)
        if (c->id == id) return c.get();
    return nullptr;
}

void DialogWindow::sync() {
    if (!dlg_.loaded() || dlg_.dialog_template() != tmpl_) return;
    if (session().has_actions(serial_)) return;
    for (auto& c : controls_)
        if (c->id != platform::ID_NONE) c->sync(dlg_);
}

bool DialogWindow::perform(const Event& e) {
    Control* c = find(e.id);
    if (c == nullptr || !c->widget->visible() || !c->widget->active()) return false;
    switch (e.kind) {
        case EventKind::click:
            if (c->kind == ControlKind::check_box) {
                c->button()->value(!c->button()->value());
            } else if (c->kind != ControlKind::push_button) {
                return false;
            }
            c->widget->do_callback();
            return true;
        case EventKind::check:
            if (c->kind != ControlKind::check_box) return false;
            if ((c->button()->value() != 0) != (e.value == "1")) {
                c->button()->value(!c->button()->value());
                c->widget->do_callback();
            }
            return true;
        case EventKind::text:
            if (c->kind == ControlKind::edit) {
                std::string v = e.value;
                if (c->edit()->upper_case()) std::transform(v.begin(), v.end(), v.begin(), upper);
                c->edit()->value(v.c_str());
            } else if (c->kind == ControlKind::combo_box) {
                c->combo()->value(e.value.c_str());
            } else {
                return false;
            }
            c->widget->do_callback();
            return true;
        case EventKind::select: {
            if (c->kind != ControlKind::list_box && c->kind != ControlKind::combo_box) return false;
            const auto at = std::find(c->items.begin(), c->items.end(), e.value);
            if (at == c->items.end()) return false;
            const std::size_t k = std::size_t(at - c->items.begin());
            if (c->kind == ControlKind::list_box) {
                c->list()->value(int(k) + 1);
                c->widget->do_callback();
            } else {
                Control::combo_chosen(c->widget, &c->refs[k]);
            }
            return true;
        }
        case EventKind::type:
        case EventKind::expect:
            return false;
    }
    return false;
}

bool DialogWindow::type(int32_t id, char ch, bool first) {
    Control* c = find(id);
    if (c == nullptr || c->kind != ControlKind::edit || !c->widget->visible() || !c->widget->active()) return false;
    Edit* e = c->edit();
    if (first) e->value("");
    if (e->upper_case()) ch = upper(ch);
    e->position(e->size());
    e->insert(&ch, 1);
    e->do_callback();
    return true;
}

std::string DialogWindow::shown_text(int32_t id) {
    Control* c = find(id);
    if (c == nullptr) return {};
    switch (c->kind) {
        case ControlKind::static_text: return c->text_box()->text();
        case ControlKind::group_box: return c->frame()->text();
        case ControlKind::push_button:
        case ControlKind::check_box: return c->button()->label() ? c->button()->label() : "";
        case ControlKind::edit: return c->edit()->value();
        case ControlKind::list_box: {
            const int line = c->list()->value();
            return line > 0 && c->list()->text(line) ? c->list()->text(line) : "";
        }
        case ControlKind::combo_box: return c->combo()->value();
    }
    return {};
}

namespace {

// The warning icon: a yellow field with a "!".
class WarningIcon : public Fl_Box {
public:
    WarningIcon(int x, int y, int w, int h) : Fl_Box(x, y, w, h) {}
    void draw() override {
        fl_color(FL_YELLOW);
        fl_polygon(x() + w() / 2, y() + 2, x() + w() - 2, y() + h() - 4, x() + 2, y() + h() - 4);
        fl_color(FL_BLACK);
        fl_loop(x() + w() / 2, y() + 2, x() + w() - 2, y() + h() - 4, x() + 2, y() + h() - 4);
        fl_font(FL_HELVETICA_BOLD, h() / 2);
        fl_draw("!", x(), y() + h() / 4, w(), h() / 2, FL_ALIGN_CENTER, nullptr, 0);
    }
};

}  // namespace

MessageWindow::MessageWindow(std::string_view title, std::string_view text, bool warning, int centre_x,
                             int centre_y)
    : Fl_Window(0, 0, 10, 10), serial_(session().new_serial()), title_(title), text_(text) {
    copy_label(title_.c_str());
    constexpr int width = 420, icon = 40, pad = 12;
    const int text_x = pad + (warning ? icon + pad : 0), text_w = width - text_x - pad;
    fl_font(FL_HELVETICA, FONT_SIZE);
    int tw = text_w, th = 0;
    fl_measure(text_.c_str(), tw, th, 0);
    th = std::max(th, warning ? icon : 20);
    const int height = pad + th + pad + 26 + pad;
    begin();
    if (warning) new WarningIcon(pad, pad, icon, icon);
    auto* t = new TextBox(text_x, pad, text_w, th, FL_ALIGN_TOP | FL_ALIGN_LEFT | FL_ALIGN_INSIDE | FL_ALIGN_WRAP);
    t->set(text_);
    auto* ok = new Fl_Return_Button((width - 80) / 2, pad + th + pad, 80, 26, "OK");
    ok->labelsize(FONT_SIZE);
    ok->callback([](Fl_Widget* b, void*) {
        auto* m = static_cast<MessageWindow*>(b->window());
        session().post(Action{m->serial_, Action::Kind::click, 1, {}});
    });
    end();
    size(width, height);
    position(centre_x - width / 2, centre_y - height / 2);
    callback([](Fl_Widget* w, void*) {
        auto* m = static_cast<MessageWindow*>(w);
        session().post(Action{m->serial_, Action::Kind::close, 0, {}});
    });
}

}  // namespace kolm::window
