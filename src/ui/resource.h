// Dialog templates of the program and their control ids.
//
// The templates themselves are tables in resource.cpp, found by id through
// find_dialog_template; load_dialog builds a dialog record from one. Push
// buttons 1 (OK) and 2 (cancel, exit) keep their ids in every dialog.
#pragma once

#include <cstdint>

#include "platform/dialog.h"

namespace kolm::ui::res {

inline constexpr int32_t ID_OK = 1;
inline constexpr int32_t ID_CANCEL = 2;

// Dialog 101 "SPECIFICATIONS".
inline constexpr int32_t DLG_SPECIFICATIONS = 101;
namespace spec {
inline constexpr int32_t FORMAT_GROUP = 1008;
inline constexpr int32_t SAO = 1071;
inline constexpr int32_t STANDARD = 1007;
inline constexpr int32_t OTHERS = 1010;
inline constexpr int32_t PROGRAM = 1001;
inline constexpr int32_t BROWSE_PROGRAM = 5;
inline constexpr int32_t INPUT_GROUP = 1009;
inline constexpr int32_t INPUT = 1000;
inline constexpr int32_t BROWSE_INPUT = 4;
inline constexpr int32_t OUTPUT_GROUP = 1011;
inline constexpr int32_t OUTPUT = 1022;
inline constexpr int32_t STEP_LABEL = 1017;
inline constexpr int32_t STEP = 1014;
inline constexpr int32_t ACCURACY_GROUP = 1018;
inline constexpr int32_t ACCURACY_LABEL = 1021;
inline constexpr int32_t ACCURACY = 1015;
inline constexpr int32_t OK = ID_OK;
inline constexpr int32_t EXIT = ID_CANCEL;  // "EXIT  KOLM"
inline constexpr int32_t RETURN_KEY = 3;    // hidden and disabled
}  // namespace spec

// Dialog 103, the input-file browser, and 119, the program browser.
inline constexpr int32_t DLG_BROWSE_INPUT = 103;
inline constexpr int32_t DLG_BROWSE_PROGRAM = 119;
namespace browse {
inline constexpr int32_t OK = ID_OK;
inline constexpr int32_t CANCEL = ID_CANCEL;
inline constexpr int32_t GOING_BACK = 1071;  // check box
inline constexpr int32_t DIRECTORIES = 1041; // combo box: drives or subdirectories
inline constexpr int32_t CURRENT = 1073;     // one-line list: current drive or directory
inline constexpr int32_t ALL_FILES = 1048;   // one-line list (103 only)
inline constexpr int32_t FILES = 1038;       // list of the file names
inline constexpr int32_t SELECTED_PATH = 1047;
inline constexpr int32_t SELECTED_NAME = 1046;
inline constexpr int32_t SELECTED_COUNT = 1050;  // static (103 only)
}  // namespace browse

// Dialog 116 "INSTRUCTIONS": one numbered message.
inline constexpr int32_t DLG_INSTRUCTIONS = 116;
namespace instructions {
inline constexpr int32_t OK = ID_OK;
inline constexpr int32_t MESSAGE = 1074;
}  // namespace instructions

// Dialog 117 "WARNING": the output file exists.
inline constexpr int32_t DLG_WARNING = 117;
namespace warning {
inline constexpr int32_t OK = ID_OK;
inline constexpr int32_t PATH = 1008;  // static: the existing output path
inline constexpr int32_t NAME = 1000;  // edit: the file name to use
// What the dialog answers when nobody acted on it (no button has this id).
inline constexpr int32_t NOT_ANSWERED = 2;
}  // namespace warning

// The program's dialog template with this id; nullptr when there is none.
const platform::DialogTemplate* find_dialog_template(int32_t id);

// Builds the dialog record from the template with this id: controls with
// their template texts and states, no items, no callbacks. False (and the
// dialog released) when there is no such template.
bool load_dialog(platform::Dialog& dlg, int32_t id);

}  // namespace kolm::ui::res
