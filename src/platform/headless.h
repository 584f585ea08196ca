// Headless backend: the user's actions replayed from an event script.
//
// Events go, in order, to the innermost modal dialog that is running; each
// is performed through the dialog's user actions, so the callbacks run as
// they would for a person. Script lines (one event each; blank lines and
// lines starting with # are skipped; a value is the rest of the line, its
// trailing blanks dropped, and may be put in double quotes to keep blanks):
//   click ID          push button or check box
//   text ID VALUE     an edit's (or combo box field's) whole text, one change
//   type ID VALUE     VALUE typed over the edit's text, one change per character
//   check ID 0|1      a check box clicked when its state differs
//   select ID ITEM    the item with text ITEM chosen in a list or combo box
//   expect CODE       the next numbered message shown must have this code
// When the events run out at a modal run, the dialog gives its unattended
// answer (OK for messages and warnings, cancel/exit where the dialog has
// it), so a run never waits.
//
// Every numbered message is logged to standard error with its code. An
// event the dialog cannot take (no such control, disabled, no such item)
// and an expectation not met are logged and counted as script failures;
// the run goes on.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace kolm::platform {
class Dialog;
}

namespace kolm::platform::headless {

enum class EventKind : uint8_t { click, text, type, check, select, expect };

struct Event {
    EventKind kind;
    int32_t id;         // control id; the message code for expect
    std::string value;  // text, item, or "0"/"1" for check
    int32_t line;       // line in the script, 0 for events built from options
};

// Parses a script. False with a message naming the line on the first bad line.
bool parse_script(std::string_view text, std::vector<Event>& out, std::string& error);

// No events, no failures, no overwrite.
void reset();
// Events appended behind those still pending; `source` names the script in
// the log lines ("command line" for events built from options).
void append_events(std::vector<Event> events, std::string_view source);
std::size_t pending_events();
// parse_script, then append_events; nothing appended on a bad line.
bool load_script(std::string_view text, std::string_view source, std::string& error);

// Runs a modal dialog from the script; the id of the button that ended it.
int32_t run_modal(Dialog& dlg);

// Performs one event on a dialog as its user would: false when the dialog
// cannot take it; `ended` set to the id of a push button that ended the
// modal run.
using Perform = std::function<bool(Dialog& dlg, const Event& e, int32_t& ended)>;
// The headless user: the event goes straight to the dialog's user actions.
bool perform_on_model(Dialog& dlg, const Event& e, int32_t& ended);
// Performs the pending events on the dialog until one ends its modal run
// (that button's id; 2 when the dialog was released meanwhile), or 0 when
// the events run out first. Refused events and expectations met here are
// logged and counted as failures.
int32_t replay(Dialog& dlg, const Perform& perform);
// The answer of a dialog the script has no more events for, logged.
int32_t unattended(const Dialog& dlg);

// A numbered message is being shown: logged, and checked against a pending
// expect event.
void message_shown(int32_t code, std::string_view text);

// Whether the user said beforehand that an existing output may be
// overwritten when no event answers the overwrite warning (--overwrite).
void set_overwrite(bool on);
bool overwrite();

// A line for the person watching the run (standard error).
void notice(std::string_view text);

// Script events that could not be performed plus expectations not met.
int32_t failures();

}  // namespace kolm::platform::headless
