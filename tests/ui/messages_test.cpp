// Numbered messages and the overwrite warning, driven by event scripts.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "blocks/run_state.h"
#include "platform/headless.h"
#include "ui/messages.h"

namespace {

using namespace kolm::ui;
namespace headless = kolm::platform::headless;

void script(std::string_view text) {
    headless::reset();
    std::string error;
    ASSERT_TRUE(headless::load_script(text, "test", error)) << error;
}

std::string show(int32_t code) {
    testing::internal::CaptureStderr();
    DODIALOG3(code);
    return testing::internal::GetCapturedStderr();
}

// Every text byte for byte; the misspellings, double blanks and quotes are
// the texts users see and must stay as written.
TEST(Messages, TableKeepsTheTextsAsWritten) {
    const std::pair<int32_t, const char*> cases[] = {
        {0, "ERROR: ILLEGAL ENTRY IN INPUT. TRY AGAIN."},
        {1, "WARNNING: THE SELECTED DRIVE IS NOT IN USE. CHECK TO MAKE SURE A FLOPPY DISK OR CD IS INSERTED."},
        {2, "ERROR: THE FILENAME OF THE INPUT FILE MUST BE SPECIFIED UNLESS YOU CLICK EXIT KOLM TO EXIT THE "
            "PROGRAM."},
        {3, "ERROR: THE SPECIFIED INPUT WITH THE FORMAT \"FILENAME.*\" IS NOT ALLOWED. RE-SPECIFY IT AGAIN."},
        {4, "ERROR:  4"},
        {5, "ERROR: THE INPUT FILE SPECIFIED NOT FOUND: WRONG PATH OR WRONG FILE NAME. RE-SPECIFY IT AGAIN."},
        {6, "ERROR:  6"},
        {7, "ERROR:  7"},
        {8, "ERROR: BOTH THE PATH AND NAME OF THE OUTPUT FILE ARE THE SAME AS THAT OF THE INPUT FILE. "
            "RE-SPECIFY IT AGAIN."},
        {9, "ERROR: THE NAME OF THE OUTPUT FILE DOES NOT MATCH THE INPUT FILE NAME WITH WILDCASE."},
        {10, "ERROR: THE EXTENSION NAME (NOT *) OF THE OUTPUT FILE MUST BE SPECIFIED WHEN THE FILE NAME IS THE "
             "WILDCASE."},
        {11, "ERROR: 11"},
        {12, "ERROR: THE PATH OF THE SPECFIED OUTPUT FILE NOT FOUND. CHECK YOUR ENTRY AND RE-SPECIFY IT AGAIN."},
        {13, "ERROR: 13"},
        {14, "ERROR: 14"},
        {15, "WARNNING: THE OUTPUT FILE SPECIFIED DOES EXIST ALREADY WHICH WILL BE OVERWRITTEN."},
        {16, "ERROR: THE PROGRAM FOR DATA FORMAT CONVERSION IS NOT SPECIFIED."},
        {17, "ERROR: THE SPECIFIED PROGRAM FOR CONVERSION NOT FOUND: WRONG PATH OR WRONG NAME."},
        {18, "ERROR: THE EXTENTION NAME OF THE INPUT FILE CANNOT BE \"421\" OR \"ARP\"."},
        {19, "ERROR: THE NAME OF THE INPUT FILE DOES NOT MATCH THE TYPE OF DATA FORMAT (NON-SAO)."},
        {20, "ERROR: NO PROPER DATA FOUND IN THE INPUT FILE."},
        {21, "ERROR: CANNOT FIND THE PATH TO CREATE OUTPUT FILES."},
        {22, "FATAL ERROR: THE SPECIFIED PROGRAM FOR DATA FORMAT CONVERSION IS NOT EXECUTABLE!"},
        {23, "FATAL ERROR: EXECUTION ERRORS FOUND IN THE SPECIFIED PROGRAM FOR DATA FORMAT CONVERSION"},
        {24, ""},
        {-1, ""},
    };
    for (auto [code, text] : cases) EXPECT_EQ(message_text(code), text) << code;
    for (int32_t code = 0; code <= 23; ++code) EXPECT_FALSE(message_text(code).empty()) << code;
}

TEST(Messages, UnknownCodeShowsThePreviousMessage) {
    kolm::reset_run_state();
    script("");
    EXPECT_EQ(show(24), "MESSAGE 24: \nkolm: dialog 116 \"INSTRUCTIONS\": no more script events, answering 1\n");
    script("expect 5\nclick 1\nexpect 5\nclick 1\nexpect 24\nclick 1\n");
    const std::string five = "MESSAGE 5: " + std::string(message_text(5)) + "\n";
    EXPECT_EQ(show(5), five);
    EXPECT_EQ(show(5), five);
    EXPECT_EQ(show(24), "MESSAGE 24: " + std::string(message_text(5)) + "\n");
    EXPECT_EQ(headless::failures(), 0);
    EXPECT_EQ(headless::pending_events(), 0u);
}

TEST(OverwriteWarning, OnlyTheNameCanChangeAndNobodyAnsweringKeepsTheFile) {
    struct Case {
        const char* events;
        bool overwrite;  // --overwrite given
        const char* outname;
        bool answered;
        const char* newname;
    };
    const Case cases[] = {
        {"click 1", false, "/out/A.SAO.421", true, "/out/A.SAO.421"},  // kept: the file is overwritten
        {"text 1000 /x/B.TXT\nclick 1", false, "/out/A.SAO.421", true, "/out/B.TXT"},
        {"type 1000 b\nclick 1", false, "rel/dir/A.SAO", true, "rel/dir/b"},
        {"text 1000  C.SAO \nclick 1", false, "A.SAO", true, "C.SAO"},
        {"text 1000 \"\"\nclick 1\ntext 1000 D.SAO\nclick 1", false, "/out/A.SAO", true, "/out/D.SAO"},  // asked again
        // Nobody answers: the existing file stays, unless --overwrite said so.
        {"text 1000 \"\"\nclick 1", false, "/out/A.SAO", false, "unchanged"},
        {"", false, "/out/A.SAO   ", false, "unchanged"},
        {"text 1000 B.SAO", false, "/out/A.SAO", false, "unchanged"},
        {"", true, "/out/A.SAO   ", true, "/out/A.SAO"},
        {"text 1000 B.SAO\nclick 1", true, "/out/A.SAO", true, "/out/B.SAO"},
    };
    for (const Case& c : cases) {
        script(c.events);
        headless::set_overwrite(c.overwrite);
        std::string newname = "unchanged";
        testing::internal::CaptureStderr();
        const bool answered = DODIALOG4(c.outname, newname);
        std::string err = testing::internal::GetCapturedStderr();
        EXPECT_EQ(answered, c.answered) << c.events;
        EXPECT_EQ(newname, c.newname) << c.events;
        EXPECT_EQ(headless::failures(), 0) << c.events;
        EXPECT_EQ(headless::pending_events(), 0u) << c.events;
        EXPECT_NE(err.find("WARNING: The OUTPUT file "), std::string::npos);
    }
    headless::reset();
}

}  // namespace
