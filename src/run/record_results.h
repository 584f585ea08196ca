// Results of the inversion back into the SAO record.
//
// After PROFIL1, with an output file, the run driver rebuilds the time stamp
// into the layout the program writes, fills the characteristics, analysis
// flags, layer coefficient groups, valley, quasi-parabolic segments, N(h)
// table and E-layer profile from the shared blocks, stamps the program's
// short name and version into the text group and sets format version 5.
// Groups not named here go out as they were read.
#pragma once

#include <cstdint>

#include "sao/sao_record.h"

namespace kolm {

// Rebuilds the 120-character time stamp ts: the old columns 1..58 move to
// 20..77, columns 1-2 become "FE" (conv 'Y', SAO input) or "AA" (converted
// input), columns 3..19 the four-digit year, day of year, month, day, hour,
// minute and second, one digit per column (a digit that does not fit is "*").
void PREF4QVS(char conv, char* ts, int16_t IYR4, int16_t IDAY, int16_t MONTH, int16_t MDAY, int16_t IHR,
              int16_t MINU, int16_t ISEC);

// Stamps "QZ " and characters 5-8 of the 8-character version into the
// 120-character text line: an earlier stamp gets the new version in place;
// else ", QZ 4.30" after the text (ending at column 120 at the latest), or
// "QZ 4.30" in columns 1-7 of a blank or full line.
void STAMP_TEXT(char* line, const char* version);

// Every result step in order, up to the format version 5; the caller writes
// the record. conv: 'Y' for SAO input.
void RESULTS_TO_RECORD(SaoRecord& rec, char conv);

}  // namespace kolm
