// Conversion of an input file that is not in the SAO format.
//
// A STANDARD file, or the STANDARD file that the user's conversion program
// writes from any other format, is read record by record; each record's
// traces are cleaned and laid onto the sounder's frequency grid and the
// record is written to a temporary SAO file, which the run then reads like
// any SAO input and removes when done. The records are SAO records of
// version code 0 with the constants, the header line, the time stamp, the
// characteristics, 20 blank analysis flags (where the run puts the record's
// inversion status) and the traces.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "blocks/farray.h"
#include "conversion/std_record.h"
#include "sao/sao_record.h"

namespace kolm {

// What NONSAO_SAO leaves in INNAME when the conversion program fails.
inline constexpr std::string_view CONV_NOT_EXECUTABLE = "PROGRAM FOR CONVERSION NOT EXECUTABLE";
inline constexpr std::string_view CONV_BAD_PROGRAM = "BAD PROGRAM FOR CONVERSION";

// The conversion's working record, kept from one record (and one file) to
// the next: a record without header line takes the last header read.
struct ConversionWork {
    StdRecord REC;              // the STANDARD record being converted
    SaoRecord OUT;              // the SAO record written for it
    FArray<int32_t, 60> G3;     // time-stamp digits of group 3
};
extern ConversionWork NSAOWK;

// Turns the input file INNAME (STANDARD format when ISTD is not 0, any other
// format through the program PROG when ISTD = 0) into the temporary SAO file
// INNAME + ".TMPSAO". The program is started with the arguments INNAME and
// INNAME + ".TMPSTD" (the STANDARD file it must write), never through a
// shell; its STANDARD file is removed afterwards, the user's is kept.
// INNAME comes back as the temporary file's path when at least one record
// was written; blank when none was (or the file cannot be converted: the
// temporary names are too long or already taken, a file cannot be opened);
// CONV_NOT_EXECUTABLE when the program cannot be started;
// CONV_BAD_PROGRAM when it left no STANDARD file or an empty one. No file
// that the conversion did not create is ever overwritten or removed.
void NONSAO_SAO(const std::string& PROG, std::string& INNAME, int32_t ISTD);

}  // namespace kolm
