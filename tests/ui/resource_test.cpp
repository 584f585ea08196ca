// The dialog templates: captions, places and every control's id, kind, text
// and the styles the dialogs' behaviour depends on. Texts are the ones users
// see, kept byte for byte (misspellings and double blanks included).
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/dialog.h"
#include "ui/resource.h"

namespace {

using namespace kolm::platform;
using K = ControlKind;

// Wrapping of long statics is a layout choice, except where a dialog relies
// on it; the other style bits change what the user can do.
constexpr uint32_t BEHAVIOUR = STYLE_DEFAULT | STYLE_HIDDEN | STYLE_DISABLED | STYLE_UPPERCASE | STYLE_SORTED;

struct Control {
    int32_t id;
    K kind;
    std::string text;
    uint32_t style;
    bool operator==(const Control&) const = default;
};

struct Template {
    int32_t id;
    const char* caption;
    int16_t x, y, width, height;  // width 0: size left to the layout
    std::vector<Control> controls;
};

std::vector<Control> sorted(std::vector<Control> v) {
    std::sort(v.begin(), v.end(), [](const Control& a, const Control& b) {
        return a.id != b.id ? a.id < b.id : (a.text != b.text ? a.text < b.text : a.kind < b.kind);
    });
    return v;
}

TEST(DialogTemplates, CaptionsControlsAndTexts) {
    const Template want[] = {
        {101, "SPECIFICATIONS", 5, 120, 391, 130,
         {{1008, K::group_box, "DATA FORMAT OF THE INPUT FILES", 0},
          {1071, K::check_box, "SAO", 0},
          {1007, K::check_box, "STANDARD", 0},
          {1010, K::check_box, "ANY OF OTHERS", 0},
          {ID_NONE, K::group_box, "PATH+NAME of PROGRAM (to convert data into STANDARD format):", 0},
          {1001, K::edit, "", 0},
          {5, K::push_button, "BROWSE", 0},
          {1009, K::group_box, "INPUT FILE: Path and Name ", 0},
          {1000, K::edit, "", 0},
          {ID_NONE, K::static_text,
           "(Enter one file or  *.* to include all  the files in one subdirectory. Use BROWSE to get them.)", 0},
          {4, K::push_button, "BROWSE", 0},
          {1011, K::group_box, "OUTPUT FILE: Path and Name", 0},
          {1022, K::edit, "", 0},  // keeps the case of a typed path
          {ID_NONE, K::static_text,
           "(You can re-specify it. The entry NONE means that no output files will be created)", 0},
          {1017, K::static_text,
           "Height Step (km) for N(h) Table (10.0 is recommended. The default value 0.0 will not do tabulation):",
           0},
          {1014, K::edit, "", STYLE_UPPERCASE},
          {1018, K::group_box, "", 0},
          {1021, K::static_text,
           "Accuracy for QP Fitting (0.01 is recommended. The default value 0.0 will not do fitting):", 0},
          {1015, K::edit, "", STYLE_UPPERCASE},
          {1, K::push_button, "OK", STYLE_DEFAULT},
          {2, K::push_button, "EXIT  KOLM", 0},
          {3, K::push_button, "RETURN KEY", STYLE_HIDDEN | STYLE_DISABLED},
          {ID_NONE, K::group_box, "", 0},
          {ID_NONE, K::group_box, "", 0}}},
        {103, "SPECIFICATION OF INPUT DATA  FILES", 0, 0, 0, 0,
         {{1, K::push_button, "OK", STYLE_DEFAULT},
          {2, K::push_button, "Cancel", 0},
          {1071, K::check_box, "Going Back", 0},
          {1041, K::combo_box, "", STYLE_SORTED},
          {1073, K::list_box, "", 0},
          {1048, K::list_box, "", 0},
          {1038, K::list_box, "", STYLE_SORTED},
          {1047, K::list_box, "", 0},
          {1046, K::list_box, "", 0},
          {1050, K::static_text, "", 0},
          {ID_NONE, K::static_text, "Look in DRIVES/DIRECTORIES:", 0},
          {ID_NONE, K::static_text, "Click to select ALL:", 0},
          {ID_NONE, K::static_text, "Click to select ONE:", 0},
          {ID_NONE, K::static_text, "File Path:", 0},
          {ID_NONE, K::static_text, "File Name(s):", 0},
          {ID_NONE, K::group_box, "CHOICES", 0},
          {ID_NONE, K::group_box, "SELECTED", 0}}},
        {119, "SPECIFICATION OF THE PROGRAM TO CONVERT DATA FORMAT", 0, 0, 0, 0,
         {{1, K::push_button, "OK", STYLE_DEFAULT},
          {2, K::push_button, "Cancel", 0},
          {1071, K::check_box, "Going Back", 0},
          {1041, K::combo_box, "", STYLE_SORTED},
          {1073, K::list_box, "", 0},
          {1038, K::list_box, "", STYLE_SORTED},
          {1047, K::list_box, "", 0},
          {1046, K::list_box, "", 0},
          {ID_NONE, K::static_text, "Loking in DRIVES/DIRECTORIES:", 0},
          {ID_NONE, K::static_text, "Click to select ONE:", 0},
          {ID_NONE, K::static_text, "Path:", 0},
          {ID_NONE, K::static_text, "Name:", 0},
          {ID_NONE, K::group_box, "CHOICES (SELECT the program for CONVERSION)", 0},
          {ID_NONE, K::group_box, "SELECTED", 0}}},
        {116, "INSTRUCTIONS", 50, 50, 187, 73,
         {{1, K::push_button, "OK", STYLE_DEFAULT}, {1074, K::static_text, "", 0}}},
        {117, "WARNING", 0, 0, 280, 133,
         {{ID_NONE, K::static_text, "The OUTPUT file", 0},
          {1008, K::static_text, "", 0},
          {ID_NONE, K::static_text,
           "EXISTS already.  It will be overwritten without any changes in the NAME listed in the next box:", 0},
          {1000, K::edit, "", 0},
          {1, K::push_button, "OK", STYLE_DEFAULT}}},
    };
    for (const Template& w : want) {
        const DialogTemplate* t = kolm::ui::res::find_dialog_template(w.id);
        ASSERT_NE(t, nullptr) << w.id;
        EXPECT_EQ(t->caption, w.caption) << w.id;
        if (w.width != 0) {
            EXPECT_EQ(t->x, w.x) << w.id;
            EXPECT_EQ(t->y, w.y) << w.id;
            EXPECT_EQ(t->width, w.width) << w.id;
            EXPECT_EQ(t->height, w.height) << w.id;
        }
        std::vector<Control> got;
        for (const ControlTemplate& c : t->controls)
            got.push_back({c.id, c.kind, std::string(c.text), c.style & BEHAVIOUR});
        EXPECT_EQ(sorted(got), sorted(w.controls)) << w.id;
    }
    // The message box wraps its text; the file count of the input browser
    // stands right-aligned.
    Dialog d;
    ASSERT_TRUE(kolm::ui::res::load_dialog(d, kolm::ui::res::DLG_INSTRUCTIONS));
    EXPECT_TRUE(d.style(kolm::ui::res::instructions::MESSAGE) & STYLE_WRAP);
    ASSERT_TRUE(kolm::ui::res::load_dialog(d, kolm::ui::res::DLG_BROWSE_INPUT));
    EXPECT_TRUE(d.style(kolm::ui::res::browse::SELECTED_COUNT) & STYLE_RIGHT);
    d.release();
}

}  // namespace
