// Unit numbers mapped to open sequential text files.
//
// A unit is opened on a path for reading, writing (from the start of the
// file), appending or creating a new file, and is then addressed by its number until it is
// closed. Input is read one line at a time; a line ends at LF, and a CR
// right before the LF is dropped, so LF and CRLF files (and files that mix
// them) read alike; a last line without terminator is still a line. Output
// lines are written with LF.
//
// Input lines are bounded (MAX_LINE): a longer line reads as ERR and is
// passed over to its end without being kept, so the next read starts on the
// line after it; a line still without end after MAX_LINE_SKIP bytes ends the
// unit's input. An input without line ends (a device, a damaged file) thus
// costs bounded memory and time.
//
// Output is buffered per unit. A write error (disk full, unit not open, unit
// opened for reading) is reported by the call that meets it and sticks to
// the unit: every later write, flush and the close report ERR as well, so a
// lost record is never reported as written.
//
// Input is read from regular files only: a FIFO, device or directory is
// refused at the open, which never waits for a writer.
//
// A staged output is written under a temporary name beside its final name
// and takes that name only when it is closed and kept; removed, or closed
// by a stop of the program, it leaves nothing behind (the temporary is
// tracked, platform/temporaries.h). Other open output units are flushed
// and closed (kept) when the program stops through
// kolm::platform::stop_program.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace kolm::platform {

// Status of a statement: 0 done, -1 end of file, positive: any other failure.
enum class IoStat : int { ok = 0, end = -1, err = 1 };

enum class UnitMode {
    read,    // the file must exist ("OLD")
    write,   // created when missing, emptied when it exists; writing starts at its beginning
    append,  // created when missing; writing continues after its end
    create,  // a new file: the open fails (EEXIST) when anything has the name
};

enum class CloseMode { keep, remove };

// Unit numbers 0 to 99.
inline constexpr int32_t MAX_UNIT = 99;

// Open failure of an input that is not a regular file.
inline constexpr int NOT_REGULAR_FILE = -1;
// Longest input line, in characters without its terminator (a full path
// fits; every line the system writes is far shorter).
inline constexpr std::size_t MAX_LINE = 8192;
// Bytes readable before and after every line read_line gives (whatever
// they hold): a reader may load whole words across the line's ends.
inline constexpr std::size_t READ_SLACK = 160;
// Bytes of an overlong line passed over before the unit's input ends.
inline constexpr std::size_t MAX_LINE_SKIP = std::size_t(16) << 20;

// Opens path on the unit. A unit already open is closed first (kept).
// Returns 0 on success, else the system error number (EINVAL for a unit
// number outside 0..MAX_UNIT or an empty path; NOT_REGULAR_FILE for an
// input that is not a regular file).
int open_unit(int32_t unit, std::string_view path, UnitMode mode);

// A new file stem + "." + a unique suffix, created exclusively (a link is
// never followed) and opened for writing; path is its name. With `slot`
// it is tracked for removal at a stop (create_unique). 0 or the error.
int open_unit_new(int32_t unit, std::string_view stem, std::string& path, int* slot = nullptr);

// A staged output for target: a new hidden file in target's directory
// that becomes target when the unit is closed and kept. With replace an
// existing target is replaced; without, the close fails when target has
// appeared meanwhile. 0 or the error.
int open_unit_staged(int32_t unit, std::string_view target, bool replace);

// Text of an open error.
std::string open_error_text(int err);

bool unit_is_open(int32_t unit);

// Closes the unit, flushing its output; CloseMode::remove deletes the file
// after closing. A staged output kept is renamed to its final name. Closing
// a unit that is not open does nothing and gives ok. ERR when buffered
// output could not be written, the file not removed or not renamed (the
// temporary of a staged output is then removed).
IoStat close_unit(int32_t unit, CloseMode mode = CloseMode::keep);

// Back to the start of the file (output is flushed first).
IoStat rewind_unit(int32_t unit);

// Next line without its terminator. The view stays valid until the next
// call on the same unit; READ_SLACK bytes before and after it are readable. END at the end of the file; ERR when the unit is
// not open for reading, the read fails, or the line is longer than MAX_LINE
// (the line is then passed over; a line that does not end within
// MAX_LINE_SKIP bytes ends the input: END from the next call on).
IoStat read_line(int32_t unit, std::string_view& line);

// Lines read from the unit since it was opened or rewound.
int64_t lines_read(int32_t unit);
// Lines longer than MAX_LINE met on the unit since it was opened (0 when it
// is not open): a caller tells by the count whether its failed read met one.
uint64_t long_lines(int32_t unit);

// Appends one line and its LF.
IoStat write_line(int32_t unit, std::string_view line);

// Writes the unit's buffered output to the file.
IoStat flush_unit(int32_t unit);

// Flushes and closes (keeps) every open unit; staged outputs are removed
// (a stop never gives an unfinished output its final name).
void close_all_units();

}  // namespace kolm::platform
