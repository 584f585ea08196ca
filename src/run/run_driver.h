// The run driver: the main program of kolm.
//
// Stamps the version, sets up the graphics window, gets the user's
// specification from the cover's dialog, then loops over the input files
// (one file, or every file of a wildcard list) and over the SAO records of
// each: read, decode, plot, invert, put the results into the record and
// write it. At the end it closes and deletes files by fixed rules and warns
// when no record at all reached the inversion.
//
// What the user's files are protected by: an output is never a file the
// run reads (any spelling, links included), an existing output is replaced
// only when the user said so, an output is written under a temporary name
// and takes its name when its input file is done, and only files this run
// created are ever removed. Every skipped file and record is named on the
// console with its reason; each input file gets a summary line.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "platform/file_checks.h"
#include "sao/sao_record.h"

namespace kolm {

// Exit statuses of the program.
namespace exit_status {
inline constexpr int OK = 0;             // every input file processed, every output written
inline constexpr int STOPPED = 1;        // a stop of the program, or a fatal error (messages 22, 23)
inline constexpr int BAD_OPTIONS = 2;    // bad command line or script
inline constexpr int SCRIPT = 3;         // script events or expectations that did not match
inline constexpr int WINDOW_CLOSED = 4;  // the window closed during the run
inline constexpr int REFUSED = 5;        // the entries were refused, then EXIT: nothing processed
inline constexpr int NO_RECORD = 6;      // no record reached the inversion
inline constexpr int SKIPPED = 7;        // input files or records skipped
inline constexpr int WRITE_FAILED = 8;   // an output could not be written
}  // namespace exit_status

// State of the run driver for the whole run.
struct RunDriverState {
    char CONV;             // 'Y' SAO input, else every file goes through the conversion
    std::string PROG;      // conversion program
    int32_t ISTD;          // conversion kind
    std::string INNAME;    // the user's file or pattern, then the current file
    std::string SOURCE;    // the current input file as named before any conversion
    std::string OUTNAME;   // output path, or "NONE"
    char OUTFLG;           // 'N' when the output is "NONE"
    char WILDFLG;          // 'Y' for a wildcard input
    std::string INDIR, OUTDIR, OUTEXT;
    std::string LSTNAM;    // current name of the file list
    int32_t INUNIT, OUTUNIT;
    int32_t IEND;
    int16_t FOUND;         // a complete record of the current file was read
    int32_t NPROF;         // records handed to the inversion in the whole run
    int32_t NREC;          // records met in the current file (for messages)
    bool FATAL;            // the run ended on a fatal error (messages 22, 23)
    bool RAN;              // the specification was accepted and the files run

    std::vector<std::string> LIST;              // the names of the file list, in its order
    std::size_t NEXT;                           // the next of them
    std::vector<platform::FileId> INPUTS;       // every input file of the run
    bool REPLACE;                               // the output replaces an existing file
    bool NOT_READ;                              // a record ended the file: the rest is not read
    bool OUT_FAILED;                            // the current output could not be written
    int TMPSLOT = -1;                           // the conversion's temporary SAO file, tracked
    int32_t NWRITTEN, NSKIPPED, NBLANK;         // of the current file
    std::map<int16_t, int32_t> BYSTATUS;        // of the current file: records by inversion status
    int32_t FILES_SKIPPED, RECORDS_SKIPPED, WRITES_FAILED;  // of the whole run
};
extern RunDriverState RUN;

// The record in memory.
extern SaoRecord RECORD;

// The whole run: version, graphics window, cover and dialog, then run_files.
void KOLM();

// The run after the dialog: from the input and output names, the format
// choice and the conversion program in RUN (and the file list for a
// wildcard input), the file loop, the record loop and the end of the run.
void run_files();

// Exit status of the run that KOLM made (REFUSED to OK above; the program
// adds STOPPED, SCRIPT and WINDOW_CLOSED).
int run_outcome();

}  // namespace kolm
