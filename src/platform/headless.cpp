// Event-script replay for modal dialogs.
#include "platform/headless.h"

#include <charconv>
#include <cstdio>

#include "platform/console.h"
#include "platform/dialog.h"

namespace kolm::platform::headless {

namespace {

struct Script {
    std::vector<Event> events;
    std::vector<std::string> sources;  // per event: the script it came from
    std::size_t next = 0;
    int32_t failures = 0;
    bool overwrite = false;
};
Script script;

std::string_view trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
    return s;
}

// First blank-delimited word of s, removed from s.
std::string_view take_word(std::string_view& s) {
    std::size_t n = 0;
    while (n < s.size() && s[n] != ' ' && s[n] != '\t') ++n;
    std::string_view w = s.substr(0, n);
    s.remove_prefix(n);
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    return w;
}

bool to_int(std::string_view w, int32_t& v) {
    if (w.empty()) return false;
    auto r = std::from_chars(w.data(), w.data() + w.size(), v);
    return r.ec == std::errc() && r.ptr == w.data() + w.size();
}

bool lower_equals(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char c = a[i];
        if (c >= 'A' && c <= 'Z') c = char(c + 32);
        if (c != b[i]) return false;
    }
    return true;
}

void log_line(std::string_view text) {
    std::fflush(stdout);
    end_progress();
    std::fprintf(stderr, "%.*s\n", int(text.size()), text.data());
}

std::string where(std::size_t k) {
    const Event& e = script.events[k];
    if (e.line == 0) return "kolm: " + script.sources[k] + ": ";
    return "kolm: " + script.sources[k] + " line " + std::to_string(e.line) + ": ";
}

void fail(std::size_t k, std::string_view what) {
    ++script.failures;
    log_line(where(k) + std::string(what));
}

const char* verb(EventKind k) {
    switch (k) {
        case EventKind::click: return "click";
        case EventKind::text: return "text";
        case EventKind::type: return "type";
        case EventKind::check: return "check";
        case EventKind::select: return "select";
        case EventKind::expect: return "expect";
    }
    return "?";
}

// Why the dialog could not take the event.
std::string refusal(const Dialog& d, const Event& e) {
    std::string dlg = "dialog " + std::to_string(d.template_id());
    std::string ctl = "control " + std::to_string(e.id);
    if (!d.has_control(e.id)) return std::string(verb(e.kind)) + ": " + dlg + " has no " + ctl;
    if (!d.usable(e.id)) return std::string(verb(e.kind)) + ": " + ctl + " of " + dlg + " is hidden or disabled";
    if (e.kind == EventKind::select) return "select: " + ctl + " of " + dlg + " has no item \"" + e.value + "\"";
    return std::string(verb(e.kind)) + ": " + ctl + " of " + dlg + " does not take this action";
}

}  // namespace

bool parse_script(std::string_view text, std::vector<Event>& out, std::string& error) {
    int32_t lineno = 0;
    while (!text.empty()) {
        std::size_t nl = text.find('\n');
        std::string_view line = text.substr(0, nl);
        text.remove_prefix(nl == std::string_view::npos ? text.size() : nl + 1);
        ++lineno;
        line = trim(line);
        if (line.empty() || line.front() == '#') continue;
        auto bad = [&](std::string_view why) {
            error = "line " + std::to_string(lineno) + ": " + std::string(why);
            return false;
        };
        std::string_view cmd = take_word(line);
        Event e{EventKind::click, 0, {}, lineno};
        if (lower_equals(cmd, "click")) e.kind = EventKind::click;
        else if (lower_equals(cmd, "text")) e.kind = EventKind::text;
        else if (lower_equals(cmd, "type")) e.kind = EventKind::type;
        else if (lower_equals(cmd, "check")) e.kind = EventKind::check;
        else if (lower_equals(cmd, "select")) e.kind = EventKind::select;
        else if (lower_equals(cmd, "expect")) e.kind = EventKind::expect;
        else return bad("unknown event \"" + std::string(cmd) + "\"");
        std::string_view idw = take_word(line);
        if (!to_int(idw, e.id))
            return bad(e.kind == EventKind::expect ? "expect needs a message code" : "a control id is needed");
        std::string_view value = line;
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"') value = value.substr(1, value.size() - 2);
        switch (e.kind) {
            case EventKind::click:
            case EventKind::expect:
                if (!line.empty()) return bad("unexpected text after the id");
                break;
            case EventKind::check:
                if (value != "0" && value != "1") return bad("check needs 0 or 1");
                break;
            default:
                break;
        }
        e.value.assign(value);
        out.push_back(std::move(e));
    }
    return true;
}

void reset() { script = Script{}; }

void append_events(std::vector<Event> events, std::string_view source) {
    // Drop what has been replayed, so a long run does not keep old events.
    script.events.erase(script.events.begin(), script.events.begin() + std::ptrdiff_t(script.next));
    script.sources.erase(script.sources.begin(), script.sources.begin() + std::ptrdiff_t(script.next));
    script.next = 0;
    for (Event& e : events) {
        script.events.push_back(std::move(e));
        script.sources.emplace_back(source);
    }
}

bool load_script(std::string_view text, std::string_view source, std::string& error) {
    std::vector<Event> ev;
    if (!parse_script(text, ev, error)) return false;
    append_events(std::move(ev), source);
    return true;
}

std::size_t pending_events() { return script.events.size() - script.next; }

bool perform_on_model(Dialog& d, const Event& e, int32_t& ended) {
    ended = 0;
    switch (e.kind) {
        case EventKind::click: return d.user_click(e.id, ended);
        case EventKind::check: return d.user_check(e.id, e.value == "1");
        case EventKind::text: return d.user_set_text(e.id, e.value);
        case EventKind::type: return d.user_type(e.id, e.value);
        case EventKind::select: return d.user_select(e.id, e.value);
        case EventKind::expect: break;
    }
    return false;
}

int32_t replay(Dialog& d, const Perform& perform) {
    for (;;) {
        if (!d.loaded()) return 2;
        if (script.next >= script.events.size()) return 0;
        std::size_t k = script.next++;
        const Event e = script.events[k];  // callbacks may append events
        if (e.kind == EventKind::expect) {
            fail(k, "message " + std::to_string(e.id) + " expected, but dialog " + std::to_string(d.template_id()) +
                        " is waiting for the user");
            continue;
        }
        int32_t ended = 0;
        if (!perform(d, e, ended)) fail(k, refusal(d, e));
        if (ended != 0) return ended;
    }
}

int32_t unattended(const Dialog& d) {
    int32_t answer = d.unattended_answer();
    log_line("kolm: dialog " + std::to_string(d.template_id()) + " \"" + std::string(d.caption()) +
             "\": no more script events, answering " + std::to_string(answer));
    return answer;
}

int32_t run_modal(Dialog& d) {
    const int32_t ended = replay(d, perform_on_model);
    return ended != 0 ? ended : unattended(d);
}

void message_shown(int32_t code, std::string_view text) {
    log_line("MESSAGE " + std::to_string(code) + ": " + std::string(text));
    if (script.next < script.events.size() && script.events[script.next].kind == EventKind::expect) {
        std::size_t k = script.next++;
        int32_t want = script.events[k].id;
        if (want != code)
            fail(k, "message " + std::to_string(want) + " expected, message " + std::to_string(code) + " shown");
    }
}

void notice(std::string_view text) { log_line(text); }

void set_overwrite(bool on) { script.overwrite = on; }
bool overwrite() { return script.overwrite; }

int32_t failures() { return script.failures; }

}  // namespace kolm::platform::headless
