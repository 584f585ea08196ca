// Checks on files that protect the user's data: whether two paths name the
// same file, whether a directory takes new files, whether a name is free and
// whether it is short enough for the system.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kolm::platform {

// What a name is, taken exactly as given (no blanks dropped): nothing, a
// regular file, a directory, anything else (FIFO, device, socket), or a
// link that points nowhere. Links to something are followed.
enum class NameKind : uint8_t { none, regular, directory, special, dangling };
NameKind name_kind(std::string_view path);

// The file a path names (device and inode, after links); none when nothing
// is there. Two paths with the same id are one file, under any spelling.
struct FileId {
    uint64_t dev, ino;
    bool operator==(const FileId&) const = default;
};
std::optional<FileId> file_id(std::string_view path);

// Creates a new file stem + "." + a suffix unique to this process and call,
// exclusively: an existing name, a link included, is never opened. The
// descriptor (write only, close-on-exec) and the path; -1 with errno set on
// failure. With `slot`, the file is tracked for removal at a stop from
// before it exists (platform/temporaries.h), so an interruption never
// leaves it behind.
int create_unique(std::string_view stem, std::string& path, int* slot = nullptr);

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
