// Paths, existence, deletion and directory listings.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kolm::platform {

// A path in four pieces, on "/" separators: the drive (always empty here),
// the directory up to and including its last "/", the name, and the
// extension from the last "." of the final component (the point included).
// "dir/A.SAO.421" gives "dir/", "A.SAO", ".421"; "*." gives "*" and ".";
// ".profile" gives an empty name and the extension ".profile". Trailing
// blanks of the text are padding and are dropped first.
struct PathParts {
    std::string drive, dir, name, ext;
};
PathParts split_path(std::string_view path);

// True when the path names something other than a directory.
bool file_exists(std::string_view path);
bool is_directory(std::string_view path);

// Deletes a file; false when it could not be deleted.
bool delete_file(std::string_view path);

// Why a listing could not start or ended.
enum class FsError : uint8_t {
    none,
    no_such_file,      // the normal end of a listing; a directory that does not exist
    out_of_memory,
    invalid_argument,  // an empty or too long pattern
    other,             // no permission, input/output error, ...
};

struct DirEntry {
    std::string name;  // without the directory
    int64_t size;      // bytes, 0 for anything but a regular file
    bool hidden;       // the name starts with "."
    bool system;       // neither a regular file nor a directory (after links)
    bool directory;
};

// The entries of a directory whose names match a pattern, one at a time,
// in byte order of their names. The pattern is a directory followed by a
// name pattern with * and ? (the current directory when it has none);
// "*.*" and "*" take every entry, "." and ".." included. Names are
// compared exactly (file names are case-sensitive).
class DirListing {
public:
    explicit DirListing(std::string_view pattern);
    // False when the directory could not be read; error() tells why.
    bool started() const { return started_; }
    // The next entry; false at the end, with error() no_such_file.
    bool next(DirEntry& e);
    FsError error() const { return error_; }

private:
    std::vector<DirEntry> entries_;
    std::size_t next_ = 0;
    bool started_ = false;
    FsError error_ = FsError::none;
};

}  // namespace kolm::platform
