// Numbered messages and the overwrite warning.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kolm::ui {

// Text of message ICODE (0..23); empty for any other code.
std::string_view message_text(int32_t ICODE);

// Shows message ICODE in the dialog "INSTRUCTIONS" until OK. A code
// outside 0..23 shows the previous message again (nothing before the first).
void DODIALOG3(int32_t& ICODE);

// The output file OUTNAME exists: shows its path and lets the user change
// the file name; the drive and directory stay. NEWNAME is the path to use
// (OUTNAME itself when the name was kept). A name emptied by the user
// asks again with the old name. False, NEWNAME unchanged, when nobody
// answered (no event left, the window closed) and the user did not say
// beforehand that outputs may be overwritten: the existing file stays.
[[nodiscard]] bool DODIALOG4(std::string_view OUTNAME, std::string& NEWNAME);

}  // namespace kolm::ui
