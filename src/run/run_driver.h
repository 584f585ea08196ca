// The run driver: the main program of kolm.
//
// Stamps the version, sets up the graphics window, gets the user's
// specification from the cover's dialog, then loops over the input files
// (one file, or every file of a wildcard list in "FILELIST.TMP") and over
// the SAO records of each: read, decode, plot, invert, put the results into
// the record and write it. At the end it closes and deletes files by fixed
// rules and warns when no record at all reached the inversion.
#pragma once

#include <cstdint>
#include <string>

#include "sao/sao_record.h"

namespace kolm {

// State of the run driver for the whole run.
struct RunDriverState {
    char CONV;             // 'Y' SAO input, else every file goes through the conversion
    std::string PROG;      // conversion program
    int32_t ISTD;          // conversion kind
    std::string INNAME;    // the user's file or pattern, then the current file
    std::string OUTNAME;   // output path, or "NONE"
    char OUTFLG;           // 'N' when the output is "NONE"
    char WILDFLG;          // 'Y' for a wildcard input
    std::string INDIR, OUTDIR, OUTEXT;
    std::string LSTNAM;    // current line of the file list
    int32_t INUNIT, OUTUNIT;
    int32_t IEND;
    int16_t FOUND;         // a complete record of the current file was read
    int32_t NPROF;         // records handed to the inversion in the whole run
    int32_t NREC;          // records met in the current file (for messages)
};
extern RunDriverState RUN;

// The record in memory.
extern SaoRecord RECORD;

// Name of the wildcard run's file list in the working directory.
inline constexpr const char* FILELIST = "FILELIST.TMP";

// The whole run: version, graphics window, cover and dialog, then RUN_FILES.
void KOLM();

// The run after the dialog: from the input and output names, the format
// choice and the conversion program in RUN (and "FILELIST.TMP" for a
// wildcard input), the file loop, the record loop and the end of the run.
void RUN_FILES();

}  // namespace kolm
