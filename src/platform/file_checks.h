// Checks on files that protect the user's data: whether two paths name the
// same file, whether a directory takes new files, whether a name is free and
// whether it is short enough for the system.
#pragma once

#include <string_view>

namespace kolm::platform {

// True when both paths exist and name the same file (device and inode), so
// that writing one would overwrite the other.
bool same_file(std::string_view a, std::string_view b);

// True when a new file can be created in dir ("" the working directory; a
// directory ends with "/"). The probe file, dir + prefix followed by a
// unique suffix, is created exclusively and removed again: no existing file
// is ever opened or removed.
bool can_create_in(std::string_view dir, std::string_view prefix);

// True when anything has this name: a file, a directory, a link (even one
// that points nowhere).
bool name_taken(std::string_view path);

// Size in bytes of the regular file at this path (after links); -1 when
// there is none.
long long regular_file_size(std::string_view path);

// True when the path is short enough for the system: shorter than its path
// limit, and its last component within the name limit of its directory.
bool name_fits(std::string_view path);

}  // namespace kolm::platform
