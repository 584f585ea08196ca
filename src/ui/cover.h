// Cover screen and the specification dialog "SPECIFICATIONS".
//
// COVER paints the title screen and runs the dialog in which the user
// chooses the data format, the input file or pattern, the conversion
// program, the output file, the N(h) table height step and the QP fit
// accuracy. The dialog does not close until the entries pass every check
// (each failure shows a numbered message and the dialog comes back with the
// entries kept) or the user presses "EXIT  KOLM". For a wildcard input the
// accepted file names are written to "FILELIST.TMP".
#pragma once

#include <cstdint>
#include <string>

#include "platform/dialog.h"
#include "platform/files.h"

namespace kolm::ui {

// The file list of a wildcard input in the working directory, written by
// the dialog and read by the run, and the unit it is read and written on.
inline constexpr const char* FILELIST = "FILELIST.TMP";
inline constexpr int32_t LISTUNIT = 2;

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
// "FILELIST.TMP" in the working directory. 0 when at least one was
// written, else the message code (5 none matched, 4, 6 or 7 the listing
// failed); the list file is then removed.
int32_t write_filelist(const platform::PathParts& pattern);

// Text of a number box: value under "(F4.1)" (decimals 1) or "(F4.2)"
// (decimals 2), in a wider field when four columns cannot hold it.
std::string number_box_text(float value, int decimals);

}  // namespace kolm::ui
