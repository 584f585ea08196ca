// Reading of STANDARD files, the program's simple text format of scaled
// ionogram traces.
//
// A file is a sequence of records, each read free-format:
//   header line (optional; only its first 120 characters count; a line
//     that reads as six integers is the date line of a record without
//     header, which takes the header and constants of the last header)
//   constants (after a header): latitude, longitude, gyrofrequency, dip,
//     sunspot number
//   date line: year, month, day, hour, minute, second
//   E, F1 and F2 blocks: the critical frequency on its own line (99 = layer
//     absent, above 99 taken as 99), frequency/height pairs in MHz and km,
//     one per line, and a closing line that is no pair (for example END);
//     the F2 block may end with the file instead.
#pragma once

#include <cstdint>

#include "conversion/std_record.h"

namespace kolm {

enum class StdStatus : uint8_t {
    record,    // a whole record was read
    end,       // the file ended where a record may end: the normal end
    cut,       // the file ended inside a record, which is lost
    bad_line,  // a line does not hold what it must; the conversion ends
    bad_date,  // the date is out of range; the conversion ends
};

struct StdRead {
    StdStatus status;
    const char* what;  // what could not be read ("THE DATE LINE", ...)
};

// Reads the next record from the unit into r: header, constants and date
// (checked and completed with the four-digit year and day of year), then
// the E, F1 and F2 blocks with each pair snapped to the grids as it is read
// and each block cleaned. Pairs beyond a block's capacity are counted in
// NREAD but not kept. A date with a day below 1 is refused; the hour 24 is
// taken as hour 0 of the next day.
StdRead read_standard(int32_t unit, StdRecord& r);

}  // namespace kolm
