// The dialog templates as tables: caption, place and size in dialog units,
// controls with their rectangles.
#include "ui/resource.h"

#include "platform/dialog.h"

namespace kolm::ui::res {

using platform::ControlTemplate;
using platform::DialogTemplate;
using platform::ID_NONE;
using platform::STYLE_DEFAULT;
using platform::STYLE_DISABLED;
using platform::STYLE_HIDDEN;
using platform::STYLE_RIGHT;
using platform::STYLE_SORTED;
using platform::STYLE_UPPERCASE;
using platform::STYLE_WRAP;

namespace {

using K = platform::ControlKind;
namespace r = ui::res;

constexpr ControlTemplate SPECIFICATIONS[] = {
    {r::spec::FORMAT_GROUP, K::group_box, "DATA FORMAT OF THE INPUT FILES", 0, 6, 4, 379, 24},
    {r::spec::SAO, K::check_box, "SAO", 0, 16, 13, 60, 11},
    {r::spec::STANDARD, K::check_box, "STANDARD", 0, 110, 13, 80, 11},
    {r::spec::OTHERS, K::check_box, "ANY OF OTHERS", 0, 220, 13, 100, 11},
    {ID_NONE, K::group_box, "PATH+NAME of PROGRAM (to convert data into STANDARD format):", 0, 6, 31, 379, 27},
    {r::spec::PROGRAM, K::edit, "", 0, 14, 41, 300, 12},
    {r::spec::BROWSE_PROGRAM, K::push_button, "BROWSE", 0, 322, 40, 56, 14},
    {r::spec::INPUT_GROUP, K::group_box, "INPUT FILE: Path and Name ", 0, 6, 61, 379, 38},
    {r::spec::INPUT, K::edit, "", 0, 14, 71, 300, 12},
    {ID_NONE, K::static_text,
     "(Enter one file or  *.* to include all  the files in one subdirectory. Use BROWSE to get them.)", STYLE_WRAP,
     14, 86, 364, 10},
    {r::spec::BROWSE_INPUT, K::push_button, "BROWSE", 0, 322, 70, 56, 14},
    {r::spec::OUTPUT_GROUP, K::group_box, "OUTPUT FILE: Path and Name", 0, 6, 102, 379, 37},
    // File names are case-sensitive here, so the output box keeps the case as typed.
    {r::spec::OUTPUT, K::edit, "", 0, 14, 112, 364, 12},
    {ID_NONE, K::static_text,
     "(You can re-specify it. The entry NONE means that no output files will be created)", STYLE_WRAP, 14, 127,
     364, 10},
    {r::spec::STEP_LABEL, K::static_text,
     "Height Step (km) for N(h) Table (10.0 is recommended. The default value 0.0 will not do tabulation):",
     STYLE_WRAP, 14, 145, 306, 16},
    {r::spec::STEP, K::edit, "", STYLE_UPPERCASE, 326, 146, 52, 12},
    {r::spec::ACCURACY_GROUP, K::group_box, "", 0, 6, 162, 379, 24},
    {r::spec::ACCURACY_LABEL, K::static_text,
     "Accuracy for QP Fitting (0.01 is recommended. The default value 0.0 will not do fitting):", STYLE_WRAP, 14,
     172, 306, 10},
    {r::spec::ACCURACY, K::edit, "", STYLE_UPPERCASE, 326, 170, 52, 12},
    {r::spec::OK, K::push_button, "OK", STYLE_DEFAULT, 110, 195, 70, 15},
    {r::spec::EXIT, K::push_button, "EXIT  KOLM", 0, 210, 195, 70, 15},
    {r::spec::RETURN_KEY, K::push_button, "RETURN KEY", STYLE_HIDDEN | STYLE_DISABLED, 300, 195, 60, 15},
    {ID_NONE, K::group_box, "", 0, 6, 139, 379, 23},
    {ID_NONE, K::group_box, "", 0, 6, 188, 379, 26},
};

constexpr ControlTemplate BROWSE_INPUT[] = {
    {r::browse::OK, K::push_button, "OK", STYLE_DEFAULT, 234, 154, 76, 15},
    {r::browse::CANCEL, K::push_button, "Cancel", 0, 234, 176, 76, 15},
    {ID_NONE, K::group_box, "CHOICES", 0, 4, 2, 312, 142},
    {ID_NONE, K::static_text, "Look in DRIVES/DIRECTORIES:", 0, 12, 13, 150, 10},
    {r::browse::GOING_BACK, K::check_box, "Going Back", 0, 220, 12, 90, 11},
    {r::browse::DIRECTORIES, K::combo_box, "", STYLE_SORTED, 12, 25, 150, 13},
    {r::browse::CURRENT, K::list_box, "", 0, 168, 25, 142, 13},
    {ID_NONE, K::static_text, "Click to select ALL:", 0, 12, 43, 150, 10},
    {r::browse::ALL_FILES, K::list_box, "", 0, 12, 54, 298, 13},
    {ID_NONE, K::static_text, "Click to select ONE:", 0, 12, 72, 150, 10},
    {r::browse::FILES, K::list_box, "", STYLE_SORTED, 12, 83, 298, 56},
    {ID_NONE, K::group_box, "SELECTED", 0, 4, 146, 222, 50},
    {ID_NONE, K::static_text, "File Path:", 0, 12, 158, 56, 10},
    {r::browse::SELECTED_PATH, K::list_box, "", 0, 70, 156, 150, 13},
    {ID_NONE, K::static_text, "File Name(s):", 0, 12, 176, 56, 10},
    {r::browse::SELECTED_NAME, K::list_box, "", 0, 70, 174, 116, 13},
    {r::browse::SELECTED_COUNT, K::static_text, "", STYLE_RIGHT, 190, 176, 30, 10},
};

constexpr ControlTemplate BROWSE_PROGRAM[] = {
    {r::browse::OK, K::push_button, "OK", STYLE_DEFAULT, 234, 154, 76, 15},
    {r::browse::CANCEL, K::push_button, "Cancel", 0, 234, 176, 76, 15},
    {ID_NONE, K::group_box, "CHOICES (SELECT the program for CONVERSION)", 0, 4, 2, 312, 142},
    {ID_NONE, K::static_text, "Loking in DRIVES/DIRECTORIES:", 0, 12, 13, 150, 10},
    {r::browse::GOING_BACK, K::check_box, "Going Back", 0, 220, 12, 90, 11},
    {r::browse::DIRECTORIES, K::combo_box, "", STYLE_SORTED, 12, 25, 150, 13},
    {r::browse::CURRENT, K::list_box, "", 0, 168, 25, 142, 13},
    {ID_NONE, K::static_text, "Click to select ONE:", 0, 12, 43, 150, 10},
    {r::browse::FILES, K::list_box, "", STYLE_SORTED, 12, 54, 298, 85},
    {ID_NONE, K::group_box, "SELECTED", 0, 4, 146, 222, 50},
    {ID_NONE, K::static_text, "Path:", 0, 12, 158, 56, 10},
    {r::browse::SELECTED_PATH, K::list_box, "", 0, 70, 156, 150, 13},
    {ID_NONE, K::static_text, "Name:", 0, 12, 176, 56, 10},
    {r::browse::SELECTED_NAME, K::list_box, "", 0, 70, 174, 150, 13},
};

constexpr ControlTemplate INSTRUCTIONS[] = {
    {r::instructions::OK, K::push_button, "OK", STYLE_DEFAULT, 68, 50, 50, 15},
    {r::instructions::MESSAGE, K::static_text, "", STYLE_WRAP, 14, 8, 159, 36},
};

constexpr ControlTemplate WARNING[] = {
    {ID_NONE, K::static_text, "The OUTPUT file", 0, 12, 10, 120, 10},
    {r::warning::PATH, K::static_text, "", 0, 20, 24, 239, 15},
    {ID_NONE, K::static_text,
     "EXISTS already.  It will be overwritten without any changes in the NAME listed in the next box:", STYLE_WRAP,
     12, 44, 256, 20},
    {r::warning::NAME, K::edit, "", 0, 20, 70, 238, 14},
    {r::warning::OK, K::push_button, "OK", STYLE_DEFAULT, 115, 100, 50, 15},
};

constexpr DialogTemplate TEMPLATES[] = {
    {r::DLG_SPECIFICATIONS, "SPECIFICATIONS", 5, 120, 391, 130, SPECIFICATIONS},
    {r::DLG_BROWSE_INPUT, "SPECIFICATION OF INPUT DATA  FILES", 20, 20, 320, 200, BROWSE_INPUT},
    {r::DLG_INSTRUCTIONS, "INSTRUCTIONS", 50, 50, 187, 73, INSTRUCTIONS},
    {r::DLG_WARNING, "WARNING", 0, 0, 280, 133, WARNING},
    {r::DLG_BROWSE_PROGRAM, "SPECIFICATION OF THE PROGRAM TO CONVERT DATA FORMAT", 20, 20, 320, 200, BROWSE_PROGRAM},
};

}  // namespace

const DialogTemplate* find_dialog_template(int32_t id) {
    for (const DialogTemplate& t : TEMPLATES)
        if (t.id == id) return &t;
    return nullptr;
}

bool load_dialog(platform::Dialog& dlg, int32_t id) {
    const DialogTemplate* t = find_dialog_template(id);
    if (t == nullptr) {
        dlg.release();
        return false;
    }
    dlg.load(*t);
    return true;
}

}  // namespace kolm::ui::res
