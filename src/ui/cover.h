// Cover screen and the specification dialog "SPECIFICATIONS".
//
// COVER paints the title screen and runs the dialog in which the user
// chooses the data format, the input file or pattern, the conversion
// program, the output file, the N(h) table height step and the QP fit
// accuracy. The dialog does not close until the entries pass every check
// (each failure shows a numbered message and the dialog comes back with the
// entries kept) or the user presses "EXIT  KOLM". For a wildcard input the
// accepted file names are written to a file list of this run.
#pragma once

#include <cstdint>
#include <string>

#include "platform/dialog.h"
#include "platform/files.h"

namespace kolm::ui {

// The file list of a wildcard input in the working directory, written by
// the dialog and read by the run: "FILELIST.TMP" followed by a suffix of
// its own, so that two runs in one folder never share a list and no
// existing file or link is written through. The unit it is read and
// written on.
inline constexpr const char* FILELIST = "FILELIST.TMP";
inline constexpr int32_t LISTUNIT = 2;

// The list of this run: its name (empty when there is none) and its slot
// among the files removed at a stop.
struct FileListState {
    std::string name;
    int slot = -1;
};
extern FileListState FILELST;

// Removes the list of this run, if any (the end of the run, or a new search).
void remove_filelist();

// One line of the list for a file name, and back: a backslash, a line end
// and a carriage return inside a name are written as \\, \n and \r, so
// every name, blanks at its end included, is read back as itself.
std::string filelist_line(std::string_view name);
std::string filelist_name(std::string_view line);

// The code of the message that refused the specification last, when the
// dialog was then left with EXIT; 0 when it was accepted or left without a
// refusal.
int32_t last_refusal();

// VERSION: 8 characters, 5-8 shown. Out: CONV 'Y' for SAO input, else 'N';
// PROG the conversion program (ISTD 0) ; ISTD 1 no program, 0 "ANY OF
// OTHERS"; INNAME the input (blank: exit chosen); OUTNAME the output or
// "NONE"; HSTEP the table height step (0 no table); ERRMAX the QP accuracy
// (0 no fit).
void COVER(const char* VERSION, char& CONV, std::string& PROG, int32_t& ISTD, std::string& INNAME,
           std::string& OUTNAME, float& HSTEP, float& ERRMAX);

// The dialog loop of COVER.
void DODIALOG1(char& CONV, std::string& PROG, int32_t& ISTD, std::string& INNAME, std::string& OUTNAME,
               float& HSTEP, float& ERRMAX);

// Callback of the dialog's controls.
void UPDATEDIALOG1(platform::Dialog& dlg, int32_t id);

// Writes the files of the directory that the wildcard pattern accepts to
// a new file list of this run in the working directory (an earlier list
// of the run is removed first). 0 when at least one was written, else the
// message code (5 none matched, 4, 6 or 7 the listing failed); the list
// file is then removed.
int32_t write_filelist(const platform::PathParts& pattern);

// Text of a number box: value under "(F4.1)" (decimals 1) or "(F4.2)"
// (decimals 2), in a wider field when four columns cannot hold it.
std::string number_box_text(float value, int decimals);

}  // namespace kolm::ui
