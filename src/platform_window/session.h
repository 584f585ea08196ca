// The two threads of a windowed run and what passes between them.
//
// The toolkit's event loop runs on the main thread and owns every widget;
// the program runs on its own thread and touches widgets only through
// call(), which runs a function on the main thread and waits for it. What
// the user does to a window comes back to the program thread as actions,
// so the program's callbacks run on the program thread, like the rest of
// its logic.
//
// Closing the frame window during the run asks the program thread to stop:
// it does so at its next call into the window (a drawing call, a console
// line, a dialog or message box), where no output is half-written, runs the
// stop actions (outputs closed, pages written) and ends the run with status
// 4 (EXIT_WINDOW_CLOSED).
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>

namespace kolm::window {

// What the user did to a window.
struct Action {
    enum class Kind : uint8_t {
        click,   // push button clicked, or check box toggled (the widget has toggled)
        text,    // an edit's (or combo box field's) text is now `value`
        select,  // the item `value` chosen in a list or combo box
        close,   // the window closed (close button, Escape)
    };
    uint64_t window;  // serial number of the window acted on
    Kind kind;
    int32_t id;
    std::string value;
};

class Session {
public:
    // A new run: no actions, nothing asked, nothing ended.
    void start(bool scripted);
    // A run given events: dialogs and message boxes the events leave
    // unanswered take their default answer instead of waiting.
    bool scripted() const { return scripted_; }

    // --- main thread
    void post(Action a);
    // Whether actions of this window wait for the program thread.
    bool has_actions(uint64_t window);
    // The frame window was closed during the run.
    void request_quit();
    bool ended();
    int status();

    // --- program thread
    // Runs fn on the main thread and waits for it; false, with fn not run,
    // when the run is being stopped.
    bool call(const std::function<void()>& fn);
    // The next action for `window`, waiting for one when `wait`; false when
    // there is none (not waiting). Actions of other windows are dropped
    // (their windows are gone). Stops the run when the user asked to.
    bool next_action(uint64_t window, Action& a, bool wait);
    // Stops the run here when the user closed the window.
    void check_quit();
    bool quitting() const { return quit_.load(std::memory_order_relaxed); }
    // Ends the run: the stop actions, then the status to the main thread;
    // the program thread then sleeps until the process ends.
    [[noreturn]] void stop(int status);
    // The program returned with this status.
    void finished(int status);

    uint64_t new_serial() { return ++serial_; }

private:
    std::mutex m_;
    std::condition_variable cv_;
    std::deque<Action> actions_;
    std::atomic<bool> quit_{false};
    bool ended_ = false;
    int status_ = 0;
    bool scripted_ = false;
    std::atomic<uint64_t> serial_{0};
};

Session& session();

}  // namespace kolm::window
