// Model files of the working directory, kept from one use to the next.
//
// A model file is looked up by the data-file rule (its name, else the one
// that differs only in letter case) and read when first needed; what was
// made of it (its values, or the verdict that it is a bad file) is kept with
// the file's identity. A later use compares the identity instead of reading
// the file again, so a file changed, replaced or removed during the run is
// seen at its next use; a file modified too recently for its time stamps to
// tell is read again.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "platform/data_files.h"

namespace kolm {

struct ModelFile {
    platform::DataFileLookup where;
    platform::FileIdentity held_as;    // identity of the file that was read
    bool held = false;                 // what was made of it stands for held_as
    platform::FileIdentity told_as;    // identity of the file last reported bad
    bool told = false;
};

enum class FileCheck {
    held,     // the file is the one read: what was made of it stands
    changed,  // new or changed: read it from PATH, then hold_model_file
    missing,  // no regular file of the name
};

// Looks NAME up and compares the file with what FILE holds. For changed,
// PATH is where to read it and NOW the identity to hold after reading.
FileCheck check_model_file(std::string_view name, ModelFile& file, std::string& path, platform::FileIdentity& now);

// What was made of the file of identity NOW stands from here on.
void hold_model_file(ModelFile& file, const platform::FileIdentity& now);

// Why an existing model file cannot be used.
enum class FileFault {
    empty,        // no byte
    no_data,      // no line of data
    truncated,    // ends inside a record or a value
    not_text,     // a text file with bytes no text holds
    bad_value,    // a value that does not read
    not_finite,   // a value that is not a finite number
    unreadable,   // cannot be opened or read
};

// What a read found wrong with a file, and where (a line, a record, a size).
struct Fault {
    FileFault what = FileFault::unreadable;
    std::string detail;
};

// Names the bad file on the console (" ERROR: THE MODEL FILE <path> IS
// EMPTY", ...), with the detail in brackets when there is one; once per
// identity of the file, so a file that stays bad is named once.
void report_bad_model_file(ModelFile& file, const std::string& path, const platform::FileIdentity& now,
                           const Fault& fault);

// A byte that no text file holds: NUL and the control characters other than
// tab, line feed, carriage return and form feed.
bool holds_control_bytes(std::string_view text);

// Every one of the N values is a finite number.
bool all_finite(const float* v, std::size_t n);

}  // namespace kolm
