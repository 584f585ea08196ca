// File and program browsers of the specification dialog.
//
// Dialog 103 picks an input file, or all files of a directory ("*.*");
// dialog 119 picks the conversion program. Both walk the file system from
// its roots (in place of drive letters: "/", the home folder, the working
// folder and mounted media) through directories, listing the
// subdirectories in the combo box and the files in the list. Hidden
// entries (dot names) and system entries (neither regular file nor
// directory) are not listed.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/dialog.h"

namespace kolm::ui {

// Text of the top level in the combo box and the current-name list.
inline constexpr const char* BROWSE_TOP = "MY COMPUTER";
// The all-files entry of dialog 103, and its text when there are no files.
inline constexpr const char* BROWSE_ALL = "*.* (ALL FILES LISTED BELOW)";
inline constexpr const char* BROWSE_NONE = "NO DATA FILES";
// Entries of a directory listed, files and subdirectories each.
inline constexpr std::size_t BROWSE_MAX = 1000;

// What a tick of Going Back passes on to the directory choice.
inline constexpr int32_t REDISPATCH_TOP = 10;  // from "/" to the top level
inline constexpr int32_t REDISPATCH_UP = 20;   // up one directory

// State of the browsers, kept from call to call and from one opening to the next.
struct BrowseState {
    std::string PATH;                 // current directory, ending in "/"; blank at the top level
    std::string NAME;                 // entry last chosen, shown in 1073
    std::vector<std::string> ROOTS;   // the top level's entries
    std::vector<std::string> FILES;   // files of the current directory
    std::vector<std::string> DIRS;    // its subdirectories
    std::string ALLCHOICE;            // the all-files entry chosen
    std::string ONECHOICE;            // the file chosen
    int32_t CHOSEN;                   // position of that file in FILES, 0 none
    int32_t REFILLS;                  // times the combo box got subdirectories; 0 at the top level
    int32_t REFILLS_AT_CHANGE;        // REFILLS at the last change of the path; -1 at the top level
    int32_t REDISPATCH;               // 0, REDISPATCH_TOP or REDISPATCH_UP
};
extern BrowseState BROWSE;

// Input-file browser: PATH gets the chosen directory and file name (or
// "*.*"), blank when cancelled.
void DODIALOG2(std::string& PATH);

// Program browser: PATH gets the chosen program, blank when cancelled.
void DODIALOG2P(std::string& PATH);

// A loaded browser dialog set to the top level with BROWSE.ROOTS, its
// callbacks registered (each opening of DODIALOG2 and DODIALOG2P).
void browse_start(platform::Dialog& dlg);

// Callback of the browsers' controls.
void UPDATEBROWSE(platform::Dialog& dlg, int32_t id);

}  // namespace kolm::ui
