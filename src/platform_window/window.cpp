// The frame window, the console pane, the program thread and the backend
// that brings the program's dialogs, boxes and console into the windows.
#include "platform_window/window.h"

#include <FL/Fl.H>
#include <FL/Fl_Scroll.H>
#include <FL/Fl_Text_Buffer.H>
#include <FL/Fl_Text_Display.H>
#include <FL/Fl_Window.H>
#include <FL/fl_draw.H>
#include <FL/x.H>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>

#include "platform/backend.h"
#include "platform/console.h"
#include "platform/dialog.h"
#include "platform/headless.h"
#include "platform_window/dialog_window.h"
#include "platform_window/graphics_view.h"
#include "platform_window/session.h"

namespace kolm::window {

namespace gfx = platform::gfx;
using platform::headless::Event;
using platform::headless::EventKind;

namespace {

constexpr int CONSOLE_HEIGHT = 128;
constexpr int CONSOLE_MAX_LINES = 2000;
constexpr double TICK = 0.04;  // seconds between updates of the windows

struct Frame {
    Fl_Window* window = nullptr;
    unsigned long xid = 0;
    GraphicsView* view = nullptr;
    Fl_Text_Display* console = nullptr;
    Fl_Text_Buffer* buffer = nullptr;
    int console_lines = 0;
};
Frame frame;

// Console lines on their way to the pane.
struct PendingLines {
    std::mutex m;
    std::vector<std::string> lines;
};
PendingLines pending;

std::function<void(const Shown&)> observer;

// The dialogs up, innermost last (main thread).
std::vector<DialogWindow*> open_dialogs;

void tell(const Shown& s) {
    if (observer) observer(s);
}

// Main thread: everything drawn so far on the screen.
void flush_graphics() {
    frame.view->redraw();
    Fl::flush();
    XSync(fl_display, False);
}

// Main thread: a window being mapped; the windows are taken away (after a
// close of the frame) only when none is.
bool exposing = false;
bool hide_pending = false;

void hide_all() {
    if (exposing) {
        hide_pending = true;
        return;
    }
    hide_pending = false;
    while (Fl_Window* shown = Fl::first_window()) shown->hide();
}

// Main thread: the window mapped, exposed and drawn.
void show_exposed(Fl_Window* w) {
    exposing = true;
    w->show();
    w->wait_for_expose();
    exposing = false;
    if (hide_pending) hide_all();
    Fl::flush();
    XSync(fl_display, False);
}

// Main thread: a dialog or box, shown and drawn before the program goes on.
void show_now(Fl_Window* w) {
    w->set_modal();
    show_exposed(w);
}

void append_console() {
    std::vector<std::string> lines;
    {
        std::lock_guard<std::mutex> l(pending.m);
        lines.swap(pending.lines);
    }
    if (lines.empty()) return;
    for (const std::string& s : lines) {
        frame.buffer->append(s.c_str());
        frame.buffer->append("\n");
    }
    frame.console_lines += int(lines.size());
    if (frame.console_lines > CONSOLE_MAX_LINES) {
        const int drop = frame.console_lines - CONSOLE_MAX_LINES;
        frame.buffer->remove(0, frame.buffer->skip_lines(0, drop));
        frame.console_lines -= drop;
    }
    frame.console->insert_position(frame.buffer->length());
    frame.console->show_insert_position();
}

// Main thread, a few times a second: the graphics, the title and the
// console catch up with the program.
void tick(void*) {
    if (frame.view->take_dirty()) frame.view->redraw();
    std::string title;
    if (frame.view->take_title(title)) frame.window->copy_label(title.c_str());
    append_console();
    Fl::repeat_timeout(TICK, tick);
}

// The frame's close button: ends the program when the run is over, else
// asks the run to stop and takes the windows away at once.
void frame_closed(Fl_Widget* w, void*) {
    if (Fl::event() == FL_SHORTCUT && Fl::event_key() == FL_Escape) return;  // Escape is no close here
    if (session().ended()) {
        w->hide();
        return;
    }
    session().request_quit();
    hide_all();
}

void build_frame() {
    const int w = std::min(gfx::WINDOW_WIDTH, Fl::w());
    const int h = std::min(gfx::WINDOW_HEIGHT + CONSOLE_HEIGHT, Fl::h());
    frame.window = new Fl_Window(0, 0, w, h, "KOLM");
    auto* scroll = new Fl_Scroll(0, 0, w, h - CONSOLE_HEIGHT);
    frame.view = new GraphicsView(0, 0);
    scroll->end();
    frame.buffer = new Fl_Text_Buffer();
    frame.console = new Fl_Text_Display(0, h - CONSOLE_HEIGHT, w, CONSOLE_HEIGHT);
    frame.console->buffer(frame.buffer);
    frame.console->textfont(FL_COURIER);
    frame.console->textsize(12);
    frame.window->end();
    frame.window->resizable(scroll);
    frame.window->callback(frame_closed);
    frame.view->page_ending = [](const gfx::Page& page) {
        if (!observer) return;
        session().call(flush_graphics);
        tell({Shown::What::page_end, 0, frame.xid, &page});
    };
}

void destroy_frame() {
    open_dialogs.clear();  // left open only by a stopped run
    frame.console->buffer(nullptr);
    delete frame.window;
    delete frame.buffer;
    frame = Frame{};
}

// Program thread: a message box until it is answered.
void show_message(std::string_view title, std::string_view text, bool warning) {
    Session& s = session();
    s.check_quit();
    MessageWindow* box = nullptr;
    unsigned long xid = 0;
    s.call([&] {
        flush_graphics();
        const int cx = frame.window->x() + frame.window->w() / 2, cy = frame.window->y() + frame.window->h() / 2;
        box = new MessageWindow(title, text, warning, cx, cy);
        show_now(box);
        xid = fl_xid(box);
    });
    s.check_quit();
    tell({Shown::What::message_box, 0, xid, nullptr});
    // OK or closing ends it; a scripted run does not wait.
    Action a;
    if (!s.scripted()) s.next_action(box->serial(), a, true);
    s.call([&] { delete box; });
}

// Program thread: applies the user's action to the dialog record; the id
// of a push button that ended the modal run, else 0.
int32_t apply(platform::Dialog& d, const Action& a) {
    int32_t ended = 0;
    switch (a.kind) {
        case Action::Kind::click: d.user_click(a.id, ended); break;
        case Action::Kind::text: d.user_set_text(a.id, a.value); break;
        case Action::Kind::select: d.user_select(a.id, a.value); break;
        case Action::Kind::close: ended = d.unattended_answer(); break;
    }
    if (ended == 0 && !d.loaded()) ended = 2;
    return ended;
}

// Program thread: the window's actions applied, then its widgets updated.
int32_t drain(DialogWindow& w, platform::Dialog& d) {
    Session& s = session();
    Action a;
    int32_t ended = 0;
    while (ended == 0 && s.next_action(w.serial(), a, false)) ended = apply(d, a);
    if (ended == 0) s.call([&] { w.sync(); });
    return ended;
}

// Program thread: a script event done to the widgets.
bool perform(DialogWindow& w, platform::Dialog& d, const Event& e, int32_t& ended) {
    Session& s = session();
    ended = 0;
    if (e.kind == EventKind::type) {
        for (std::size_t i = 0; i < e.value.size(); ++i) {
            bool taken = false;
            s.call([&] { taken = w.type(e.id, e.value[i], i == 0); });
            s.check_quit();
            if (!taken) return i > 0;  // the callback may have disabled the edit
            ended = drain(w, d);
            if (ended != 0) return true;
        }
        // Nothing to type still needs a usable edit.
        if (e.value.empty()) return d.usable(e.id) && d.kind(e.id) == platform::ControlKind::edit;
        return true;
    }
    bool taken = false;
    s.call([&] { taken = w.perform(e); });
    s.check_quit();
    if (!taken) return false;
    ended = drain(w, d);
    return true;
}

class WindowBackend : public platform::Backend {
public:
    int32_t run_modal(platform::Dialog& d) override {
        Session& s = session();
        s.check_quit();
        s.call(flush_graphics);
        tell({Shown::What::dialog_opening, d.template_id(), frame.xid, nullptr});
        DialogWindow* w = nullptr;
        unsigned long xid = 0;
        s.call([&] {
            w = new DialogWindow(d, frame.window->x(), frame.window->y());
            open_dialogs.push_back(w);
            show_now(w);
            xid = fl_xid(w);
        });
        s.check_quit();
        tell({Shown::What::dialog, d.template_id(), xid, nullptr});
        int32_t answer = 0;
        while (answer == 0) {
            answer = platform::headless::replay(
                d, [&](platform::Dialog& dd, const Event& e, int32_t& ended) { return perform(*w, dd, e, ended); });
            if (answer != 0) break;
            if (s.scripted()) {
                answer = platform::headless::unattended(d);
                break;
            }
            Action a;
            s.next_action(w->serial(), a, true);
            answer = apply(d, a);
            if (answer == 0) s.call([&] { w->sync(); });
        }
        s.call([&] {
            std::erase(open_dialogs, w);
            delete w;
        });
        return answer;
    }

    // Messages to standard error, results to standard output; both to the
    // console pane.
    void console_line(std::string_view text) override {
        std::fflush(stdout);
        platform::end_progress();
        std::fwrite(text.data(), 1, text.size(), stderr);
        std::fputc('\n', stderr);
        std::lock_guard<std::mutex> l(pending.m);
        pending.lines.emplace_back(text);
    }

    void result_line(std::string_view text) override {
        platform::end_progress();
        std::fwrite(text.data(), 1, text.size(), stdout);
        std::fputc('\n', stdout);
        std::lock_guard<std::mutex> l(pending.m);
        pending.lines.emplace_back(text);
    }

    void message_box(std::string_view title, std::string_view text) override {
        std::fflush(stdout);
        platform::end_progress();
        std::fprintf(stderr, "%.*s: %.*s\n", int(title.size()), title.data(), int(text.size()), text.data());
        show_message(title, text, true);
    }

    void pause(std::string_view text) override {
        console_line(text);
        show_message("PAUSE", text, false);
    }

    [[noreturn]] void stop(std::string_view text) override {
        console_line(text);
        std::fflush(stdout);
        show_message("PROGRAM STOPPED", text, true);
        session().stop(1);
    }
};
WindowBackend backend;

// The program thread below the windows' priority, so they stay responsive.
void lower_priority() {
    const id_t tid = id_t(::syscall(SYS_gettid));
    errno = 0;
    const int now = ::getpriority(PRIO_PROCESS, tid);
    if (errno == 0) ::setpriority(PRIO_PROCESS, tid, std::min(19, now + 4));
}

}  // namespace

// The font library keeps caches for the life of the process that the leak
// checker of a sanitizer build would report as leaks of the program.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }

namespace {

// The connection display_available opened, until the run takes it.
struct HeldDisplay {
    Display* display = nullptr;
};
HeldDisplay held;

// An X server resets itself when its last client leaves and refuses new
// connections meanwhile (reset by peer, or try again): such a refusal is
// tried again for a moment. Any other failure is final at once.
Display* open_display() {
    constexpr int ATTEMPTS = 40;
    for (int attempt = 1;; ++attempt) {
        errno = 0;
        if (Display* d = XOpenDisplay(nullptr)) return d;
        const bool refused = errno == ECONNRESET || errno == EAGAIN;
        if (!refused || attempt == ATTEMPTS) return nullptr;
        std::this_thread::sleep_for(std::chrono::milliseconds(25));
    }
}

}  // namespace

bool display_available() {
    if (fl_display != nullptr || held.display != nullptr) return true;
    const char* name = std::getenv("DISPLAY");
    if (name == nullptr || *name == '\0') return false;
    held.display = open_display();
    return held.display != nullptr;
}

int run(std::function<int()> program, bool scripted) {
    if (fl_display == nullptr) {
        Display* d = held.display != nullptr ? held.display : open_display();
        held.display = nullptr;
        if (d == nullptr) {
            std::fprintf(stderr, "kolm: cannot open the X display \"%s\"\n", XDisplayName(nullptr));
            return 2;
        }
        fl_open_display(d);
    }
    Session& s = session();
    s.start(scripted);
    Fl::lock();  // lets the program thread hand calls to the event loop
    Fl::visual(FL_RGB);
    build_frame();
    show_exposed(frame.window);
    frame.xid = fl_xid(frame.window);
    gfx::set_watcher(frame.view);
    platform::install_backend(&backend);
    Fl::add_timeout(TICK, tick);

    std::thread([program = std::move(program)] {
        lower_priority();
        const int status = program();
        std::fflush(stdout);
        session().finished(status);
    }).detach();
    while (!s.ended()) Fl::wait(0.25);

    // A person's run keeps its last picture until the window is closed.
    if (!s.scripted() && !s.quitting() && frame.window->shown()) {
        append_console();
        if (!frame.view->blank()) {
            frame.window->copy_label((std::string(frame.window->label()) + ": the run has ended").c_str());
            while (frame.window->shown()) Fl::wait();
        }
    }
    Fl::remove_timeout(tick);
    platform::install_backend(nullptr);
    gfx::set_watcher(nullptr);
    destroy_frame();
    Fl::check();
    Fl::unlock();
    return s.status();
}

void set_observer(std::function<void(const Shown&)> o) { observer = std::move(o); }

std::vector<uint8_t> graphics_pixels() {
    std::vector<uint8_t> px;
    session().call([&] {
        flush_graphics();
        frame.window->make_current();
        uchar* p = fl_read_image(nullptr, frame.view->x(), frame.view->y(), gfx::WINDOW_WIDTH, gfx::WINDOW_HEIGHT);
        if (p != nullptr) {
            px.assign(p, p + std::size_t(gfx::WINDOW_WIDTH) * gfx::WINDOW_HEIGHT * 3);
            delete[] p;
        }
    });
    return px;
}

std::string widget_text(int32_t dialog_id, int32_t control_id) {
    std::string text;
    session().call([&] {
        for (DialogWindow* w : open_dialogs)
            if (w->template_id() == dialog_id) text = w->shown_text(control_id);
    });
    return text;
}

void close_frame() {
    session().call([] { frame.window->do_callback(); });
}

}  // namespace kolm::window
