// Numbered messages (dialog 116) and the overwrite warning (dialog 117).
#include "ui/messages.h"

#include "blocks/run_state.h"
#include "blocks/text.h"
#include "platform/console.h"
#include "platform/dialog.h"
#include "platform/files.h"
#include "platform/headless.h"
#include "ui/resource.h"

namespace kolm::ui {

namespace {

constexpr std::string_view MESSAGES[24] = {
    "ERROR: ILLEGAL ENTRY IN INPUT. TRY AGAIN.",
    "WARNNING: THE SELECTED DRIVE IS NOT IN USE. CHECK TO MAKE SURE A FLOPPY DISK OR CD IS INSERTED.",
    "ERROR: THE FILENAME OF THE INPUT FILE MUST BE SPECIFIED UNLESS YOU CLICK EXIT KOLM TO EXIT THE PROGRAM.",
    "ERROR: THE SPECIFIED INPUT WITH THE FORMAT \"FILENAME.*\" IS NOT ALLOWED. RE-SPECIFY IT AGAIN.",
    "ERROR:  4",
    "ERROR: THE INPUT FILE SPECIFIED NOT FOUND: WRONG PATH OR WRONG FILE NAME. RE-SPECIFY IT AGAIN.",
    "ERROR:  6",
    "ERROR:  7",
    "ERROR: BOTH THE PATH AND NAME OF THE OUTPUT FILE ARE THE SAME AS THAT OF THE INPUT FILE. RE-SPECIFY IT AGAIN.",
    "ERROR: THE NAME OF THE OUTPUT FILE DOES NOT MATCH THE INPUT FILE NAME WITH WILDCASE.",
    "ERROR: THE EXTENSION NAME (NOT *) OF THE OUTPUT FILE MUST BE SPECIFIED WHEN THE FILE NAME IS THE WILDCASE.",
    "ERROR: 11",
    "ERROR: THE PATH OF THE SPECFIED OUTPUT FILE NOT FOUND. CHECK YOUR ENTRY AND RE-SPECIFY IT AGAIN.",
    "ERROR: 13",
    "ERROR: 14",
    "WARNNING: THE OUTPUT FILE SPECIFIED DOES EXIST ALREADY WHICH WILL BE OVERWRITTEN.",
    "ERROR: THE PROGRAM FOR DATA FORMAT CONVERSION IS NOT SPECIFIED.",
    "ERROR: THE SPECIFIED PROGRAM FOR CONVERSION NOT FOUND: WRONG PATH OR WRONG NAME.",
    "ERROR: THE EXTENTION NAME OF THE INPUT FILE CANNOT BE \"421\" OR \"ARP\".",
    "ERROR: THE NAME OF THE INPUT FILE DOES NOT MATCH THE TYPE OF DATA FORMAT (NON-SAO).",
    "ERROR: NO PROPER DATA FOUND IN THE INPUT FILE.",
    "ERROR: CANNOT FIND THE PATH TO CREATE OUTPUT FILES.",
    "FATAL ERROR: THE SPECIFIED PROGRAM FOR DATA FORMAT CONVERSION IS NOT EXECUTABLE!",
    "FATAL ERROR: EXECUTION ERRORS FOUND IN THE SPECIFIED PROGRAM FOR DATA FORMAT CONVERSION",
};

// The message shown last; it is shown again for a code outside the table.
struct MessageState {
    std::string buffer;
};
MessageState msg;
const RunStateReset msg_reset([] { msg.buffer.clear(); });

}  // namespace

std::string_view message_text(int32_t ICODE) {
    return (ICODE >= 0 && ICODE <= 23) ? MESSAGES[ICODE] : std::string_view();
}

void DODIALOG3(int32_t& ICODE) {
    platform::Dialog dlg;
    if (!res::load_dialog(dlg, res::DLG_INSTRUCTIONS)) {
        platform::console_line(" ERROR: DIALOG3 NOT FOUND");
        return;
    }
    if (ICODE >= 0 && ICODE <= 23) msg.buffer.assign(MESSAGES[ICODE]);
    dlg.set_text(res::instructions::MESSAGE, msg.buffer);
    platform::headless::message_shown(ICODE, msg.buffer);
    dlg.run_modal();
    dlg.release();
}

bool DODIALOG4(std::string_view OUTNAME, std::string& NEWNAME) {
    platform::Dialog dlg;
    if (!res::load_dialog(dlg, res::DLG_WARNING)) {
        platform::console_line(" ERROR: DIALOG4 NOT FOUND");
        return false;
    }
    const std::string_view shown = trim(OUTNAME);
    dlg.set_text(res::warning::PATH, shown);
    const platform::PathParts out = platform::split_path(shown);
    const std::string keep = out.drive + out.dir;
    const std::string old_name = out.name + out.ext;
    platform::headless::notice("WARNING: The OUTPUT file " + std::string(shown) + " EXISTS already.");
    // Nobody there to answer (the events ran out, the window was closed):
    // the file is kept, unless the user said beforehand to overwrite.
    const int32_t unanswered = platform::headless::overwrite() ? res::warning::OK : res::warning::NOT_ANSWERED;
    for (;;) {
        dlg.set_text(res::warning::NAME, old_name);
        dlg.set_unattended_answer(unanswered);
        if (dlg.run_modal() == res::warning::NOT_ANSWERED) {
            dlg.release();
            return false;
        }
        // Only the name and extension can change: a typed directory is dropped.
        const platform::PathParts typed = platform::split_path(trim(dlg.text(res::warning::NAME)));
        if (typed.name.empty() && typed.ext.empty()) continue;  // an emptied box asks again
        NEWNAME = keep + typed.name + typed.ext;
        break;
    }
    dlg.release();
    return true;
}

}  // namespace kolm::ui
