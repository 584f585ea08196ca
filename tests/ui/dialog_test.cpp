// Dialog model and its headless backend: user actions through callbacks,
// nested modals, the script running out, refused events and expectations.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/dialog.h"
#include "platform/headless.h"
#include "ui/resource.h"

namespace {

using namespace kolm::platform;
namespace res = kolm::ui::res;

void script(std::string_view text) {
    headless::reset();
    std::string error;
    ASSERT_TRUE(headless::load_script(text, "test", error)) << error;
}

TEST(DialogModel, TemplatesLoadByIdAndMissingOnesFail) {
    Dialog d;
    for (int32_t id : {101, 103, 116, 117, 119}) {
        ASSERT_TRUE(res::load_dialog(d, id)) << id;
        EXPECT_EQ(d.template_id(), id);
    }
    EXPECT_FALSE(res::load_dialog(d, 102));
    EXPECT_FALSE(d.loaded());

    ASSERT_TRUE(res::load_dialog(d, res::DLG_SPECIFICATIONS));
    EXPECT_EQ(d.caption(), "SPECIFICATIONS");
    EXPECT_EQ(d.text(res::spec::OTHERS), "ANY OF OTHERS");
    EXPECT_EQ(d.text(res::spec::EXIT), "EXIT  KOLM");
    EXPECT_FALSE(d.usable(res::spec::RETURN_KEY));
    EXPECT_TRUE(d.usable(res::spec::INPUT));
    ASSERT_TRUE(res::load_dialog(d, res::DLG_BROWSE_PROGRAM));
    EXPECT_FALSE(d.has_control(res::browse::ALL_FILES));
    EXPECT_EQ(d.caption(), "SPECIFICATION OF THE PROGRAM TO CONVERT DATA FORMAT");
}

TEST(DialogModel, ProgramSettersFireNothingAndEachUserActionFiresOne) {
    Dialog d;
    ASSERT_TRUE(res::load_dialog(d, res::DLG_SPECIFICATIONS));
    std::vector<std::string> calls;
    for (int32_t id : {res::spec::STEP, res::spec::SAO, res::spec::OUTPUT, res::spec::BROWSE_INPUT})
        d.set_callback(id, [&](Dialog& dlg, int32_t c) {
            calls.push_back(std::to_string(c) + "=" + (c == res::spec::SAO ? std::to_string(dlg.checked(c)) : dlg.text(c)));
        });
    d.set_text(res::spec::STEP, "1.0");
    d.set_checked(res::spec::SAO, true);
    d.set_enabled(res::spec::PROGRAM, false);
    EXPECT_TRUE(calls.empty());

    int32_t ended = -1;
    EXPECT_TRUE(d.user_type(res::spec::STEP, "10.5"));  // one change per keystroke, typed over the text
    EXPECT_TRUE(d.user_set_text(res::spec::OUTPUT, "a/b.sao"));
    EXPECT_TRUE(d.user_check(res::spec::SAO, true));  // already ticked: nothing to click
    EXPECT_TRUE(d.user_check(res::spec::SAO, false));
    EXPECT_TRUE(d.user_click(res::spec::SAO, ended));
    EXPECT_TRUE(d.user_click(res::spec::BROWSE_INPUT, ended));  // a button with a callback does not end
    EXPECT_EQ(ended, 0);
    EXPECT_FALSE(d.user_set_text(res::spec::PROGRAM, "x"));  // disabled
    EXPECT_TRUE(d.user_click(res::spec::OK, ended));
    EXPECT_EQ(ended, res::spec::OK);
    const std::vector<std::string> want = {"1014=1", "1014=10", "1014=10.", "1014=10.5", "1022=a/b.sao",
                                           "1071=0", "1071=1",  "4=BROWSE"};
    EXPECT_EQ(calls, want);
}

TEST(DialogModel, UpperCaseEditsCapitaliseTypedLettersOnly) {
    Dialog d;
    ASSERT_TRUE(res::load_dialog(d, res::DLG_SPECIFICATIONS));
    d.user_type(res::spec::STEP, "1e3");
    EXPECT_EQ(d.text(res::spec::STEP), "1E3");
    d.user_set_text(res::spec::ACCURACY, "a.b");
    EXPECT_EQ(d.text(res::spec::ACCURACY), "A.B");
    d.set_text(res::spec::ACCURACY, "low");  // set by the program: as given
    EXPECT_EQ(d.text(res::spec::ACCURACY), "low");
    d.user_set_text(res::spec::INPUT, "data/a.sao");
    EXPECT_EQ(d.text(res::spec::INPUT), "data/a.sao");
}

TEST(DialogModel, ListsSortAndSelect) {
    Dialog d;
    ASSERT_TRUE(res::load_dialog(d, res::DLG_BROWSE_INPUT));
    for (const char* s : {"C.SAO", "A.SAO", "B.SAO"}) d.add_item(res::browse::FILES, s);
    EXPECT_EQ(d.item(res::browse::FILES, 1), "A.SAO");
    EXPECT_EQ(d.item(res::browse::FILES, 3), "C.SAO");
    EXPECT_EQ(d.item(res::browse::FILES, 4), "");
    int32_t fired = 0;
    d.set_callback(res::browse::FILES, [&](Dialog& dlg, int32_t id) {
        ++fired;
        EXPECT_EQ(dlg.text(id), "B.SAO");
    });
    EXPECT_TRUE(d.user_select(res::browse::FILES, "B.SAO"));
    EXPECT_FALSE(d.user_select(res::browse::FILES, "D.SAO"));
    EXPECT_EQ(fired, 1);
    EXPECT_EQ(d.selection(res::browse::FILES), 2);
    d.add_item(res::browse::FILES, "AA.SAO");  // inserted before the selection, which follows it
    EXPECT_EQ(d.text(res::browse::FILES), "B.SAO");

    // Unsorted one-line list; set_item replaces or appends.
    d.set_item(res::browse::SELECTED_PATH, 1, "data/");
    d.set_item(res::browse::SELECTED_PATH, 1, "old/");
    EXPECT_EQ(d.item_count(res::browse::SELECTED_PATH), 1);
    EXPECT_EQ(d.item(res::browse::SELECTED_PATH, 1), "old/");
    // The combo box's field takes the chosen item.
    std::vector<std::string> dirs = {"Z", "X"};
    d.set_items(res::browse::DIRECTORIES, dirs);
    d.set_text(res::browse::DIRECTORIES, "MY COMPUTER");
    EXPECT_TRUE(d.user_select(res::browse::DIRECTORIES, "Z"));
    EXPECT_EQ(d.text(res::browse::DIRECTORIES), "Z");
    EXPECT_EQ(d.item(res::browse::DIRECTORIES, 1), "X");
}

TEST(HeadlessBackend, ScriptRunningOutGivesTheUnattendedAnswer) {
    script("");
    const std::pair<int32_t, int32_t> cases[] = {{116, 1}, {117, 1}, {101, 2}, {103, 2}, {119, 2}};
    for (auto [id, answer] : cases) {
        Dialog d;
        ASSERT_TRUE(res::load_dialog(d, id));
        EXPECT_EQ(d.run_modal(), answer) << id;
    }
    EXPECT_EQ(headless::failures(), 0);
}

// 101 then 103 then 116, and 116 from inside an edit's callback: events go
// to the innermost modal, and each modal ends with its own button.
TEST(HeadlessBackend, NestedModalsTakeTheirOwnEvents) {
    script(R"(# specification dialog
text 1014 -
click 1
click 4
select 1038 B.SAO
click 1
click 1
text 1000 x.sao
click 1
)");
    std::vector<std::string> trail;
    Dialog spec;
    ASSERT_TRUE(res::load_dialog(spec, res::DLG_SPECIFICATIONS));
    spec.set_callback(res::spec::STEP, [&](Dialog& d, int32_t id) {
        trail.push_back("step " + d.text(id));
        Dialog msg;
        ASSERT_TRUE(res::load_dialog(msg, res::DLG_INSTRUCTIONS));
        trail.push_back("message answered " + std::to_string(msg.run_modal()));
        d.set_text(id, "0.0");
    });
    spec.set_callback(res::spec::BROWSE_INPUT, [&](Dialog& d, int32_t) {
        Dialog browse;
        ASSERT_TRUE(res::load_dialog(browse, res::DLG_BROWSE_INPUT));
        for (const char* s : {"A.SAO", "B.SAO"}) browse.add_item(res::browse::FILES, s);
        browse.set_callback(res::browse::FILES, [&](Dialog& b, int32_t id) {
            Dialog msg;
            ASSERT_TRUE(res::load_dialog(msg, res::DLG_INSTRUCTIONS));
            trail.push_back("chose " + b.text(id) + ", message answered " + std::to_string(msg.run_modal()));
        });
        int32_t r = browse.run_modal();
        trail.push_back("browser answered " + std::to_string(r));
        d.set_text(res::spec::INPUT, browse.text(res::browse::FILES));
    });
    spec.set_callback(res::spec::INPUT, [&](Dialog& d, int32_t id) { trail.push_back("input " + d.text(id)); });
    EXPECT_EQ(spec.run_modal(), 1);
    const std::vector<std::string> want = {"step -", "message answered 1", "chose B.SAO, message answered 1",
                                           "browser answered 1", "input x.sao"};
    EXPECT_EQ(trail, want);
    EXPECT_EQ(spec.text(res::spec::STEP), "0.0");
    EXPECT_EQ(headless::pending_events(), 0u);
    EXPECT_EQ(headless::failures(), 0);
}

TEST(HeadlessBackend, RefusedEventsAndUnmetExpectationsAreFailures) {
    script(R"(click 3
text 1001 conv
click 1074
select 1041 Q
text 9999 x
expect 5
click 1
)");
    Dialog d;
    ASSERT_TRUE(res::load_dialog(d, res::DLG_SPECIFICATIONS));
    d.set_enabled(res::spec::PROGRAM, false);
    testing::internal::CaptureStderr();
    EXPECT_EQ(d.run_modal(), 1);
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(headless::failures(), 6);
    EXPECT_NE(err.find("test line 1: click: control 3 of dialog 101 is hidden or disabled"), std::string::npos) << err;
    EXPECT_NE(err.find("line 3: click: dialog 101 has no control 1074"), std::string::npos) << err;
    EXPECT_NE(err.find("line 6: message 5 expected, but dialog 101 is waiting"), std::string::npos) << err;

    // Expectations are checked against the message shown.
    script("expect 5\nexpect 2\n");
    testing::internal::CaptureStderr();
    headless::message_shown(5, "TEXT FIVE");
    headless::message_shown(7, "ERROR:  7");
    headless::message_shown(3, "NOT EXPECTED, NOT CHECKED");
    err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(headless::failures(), 1);
    EXPECT_NE(err.find("MESSAGE 5: TEXT FIVE\n"), std::string::npos);
    EXPECT_NE(err.find("message 2 expected, message 7 shown"), std::string::npos) << err;
}

TEST(HeadlessBackend, ScriptSyntax) {
    std::vector<headless::Event> ev;
    std::string error;
    ASSERT_TRUE(headless::parse_script("  CLICK 1\r\n\n# note\ntext 1000 my dir/a b.sao  \ntext 1022\n"
                                       "type 1014 \" 1.5 \"\ncheck 1010 1\nselect 1041 \"\"\nexpect 23\n",
                                       ev, error))
        << error;
    ASSERT_EQ(ev.size(), 7u);
    EXPECT_EQ(ev[0].kind, headless::EventKind::click);
    EXPECT_EQ(ev[1].value, "my dir/a b.sao");
    EXPECT_EQ(ev[1].line, 4);
    EXPECT_EQ(ev[2].value, "");
    EXPECT_EQ(ev[3].value, " 1.5 ");
    EXPECT_EQ(ev[5].value, "");
    EXPECT_EQ(ev[6].id, 23);

    const char* bad[] = {"press 1", "click", "click one", "click 1 2", "check 1010 yes", "expect", "text x1 a"};
    for (const char* line : bad) {
        ev.clear();
        EXPECT_FALSE(headless::parse_script(std::string("click 1\n") + line + "\n", ev, error)) << line;
        EXPECT_EQ(error.rfind("line 2: ", 0), 0u) << error;
    }
}

}  // namespace
