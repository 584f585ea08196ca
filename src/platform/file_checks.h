// Checks on files that protect the user's data: whether two paths name the
// same file, and whether a directory takes new files.
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

}  // namespace kolm::platform
