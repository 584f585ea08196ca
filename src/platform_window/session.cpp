// Calls into the main thread, the action queue, the end of the run.
#include "platform_window/session.h"

#include <FL/Fl.H>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <thread>

#include "platform/console.h"
#include "platform_window/window.h"

namespace kolm::window {

namespace {

struct Call {
    const std::function<void()>* fn;
    bool done = false;
    bool ran = false;
};

struct Calls {
    std::mutex m;
    std::condition_variable cv;
};
Calls calls;

// On the main thread, from the event loop.
void run_call(void* p) {
    Call* c = static_cast<Call*>(p);
    const bool run = !session().quitting();
    if (run) (*c->fn)();
    {
        std::lock_guard<std::mutex> l(calls.m);
        c->ran = run;
        c->done = true;
    }
    calls.cv.notify_all();
}

}  // namespace

Session& session() {
    static Session s;
    return s;
}

void Session::start(bool scripted) {
    std::lock_guard<std::mutex> l(m_);
    actions_.clear();
    quit_ = false;
    ended_ = false;
    status_ = 0;
    scripted_ = scripted;
}

void Session::post(Action a) {
    {
        std::lock_guard<std::mutex> l(m_);
        actions_.push_back(std::move(a));
    }
    cv_.notify_all();
}

bool Session::has_actions(uint64_t window) {
    std::lock_guard<std::mutex> l(m_);
    for (const Action& a : actions_)
        if (a.window == window) return true;
    return false;
}

void Session::request_quit() {
    {
        std::lock_guard<std::mutex> l(m_);
        quit_ = true;
    }
    cv_.notify_all();
}

bool Session::ended() {
    std::lock_guard<std::mutex> l(m_);
    return ended_;
}

int Session::status() {
    std::lock_guard<std::mutex> l(m_);
    return status_;
}

bool Session::call(const std::function<void()>& fn) {
    if (quitting()) return false;
    Call c{&fn};
    // The toolkit's queue of calls is bounded: wait for room.
    while (Fl::awake(run_call, &c) != 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    std::unique_lock<std::mutex> l(calls.m);
    calls.cv.wait(l, [&] { return c.done; });
    return c.ran;
}

bool Session::next_action(uint64_t window, Action& a, bool wait) {
    std::unique_lock<std::mutex> l(m_);
    for (;;) {
        while (!actions_.empty()) {
            Action next = std::move(actions_.front());
            actions_.pop_front();
            if (next.window == window) {
                a = std::move(next);
                return true;
            }
        }
        if (quit_) {
            l.unlock();
            stop(EXIT_WINDOW_CLOSED);
        }
        if (!wait) return false;
        cv_.wait(l);
    }
}

void Session::check_quit() {
    if (quitting()) stop(EXIT_WINDOW_CLOSED);
}

void Session::stop(int status) {
    platform::run_stop_actions();
    std::fflush(stdout);
    std::fflush(stderr);
    finished(status);
    // Nothing of the program runs any more; the main thread ends the process.
    for (;;) ::pause();
}

void Session::finished(int status) {
    {
        std::lock_guard<std::mutex> l(m_);
        ended_ = true;
        status_ = status;
    }
    Fl::awake();
}

}  // namespace kolm::window
