// Data files beside the program: lookup by name in the working directory,
// what identifies a file's contents, and unformatted reads.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kolm::platform {

// What identifies the contents of a file without reading them: device,
// inode, size, and the modification and status-change times to the
// nanosecond. A file rewritten, replaced or renamed over gets another
// identity, except for a change of the same size within one tick of the file
// system's clock; SETTLED says that such a change can no longer go unseen
// (both time stamps lie far enough from the moment the identity was taken).
struct FileIdentity {
    uint64_t dev = 0;
    uint64_t ino = 0;
    int64_t size = -1;
    int64_t mtime_sec = 0;
    int64_t mtime_nsec = 0;
    int64_t ctime_sec = 0;
    int64_t ctime_nsec = 0;
    bool settled = false;
};

// Same device, inode, size and times.
bool same_identity(const FileIdentity& a, const FileIdentity& b);

// Identity of PATH (followed through symbolic links). False when nothing of
// the name can be examined; REGULAR tells whether it is a regular file.
bool file_identity(const std::string& path, FileIdentity& id, bool& regular);

// Path under which the data file NAME opens in the working directory: NAME
// itself when it is a regular file, else the regular file whose name differs
// from NAME only in letter case (the first in byte order when several do).
// Empty when there is none. A NAME with a directory part is taken as given.
std::string find_data_file(std::string_view name);

// The result of find_data_file kept between calls: looked up again only when
// the working directory's entries may have changed since (its identity is
// another, or was not settled), or when the caller found the file gone.
struct DataFileLookup {
    std::string path;   // as found; empty when there was none
    FileIdentity dir;   // the working directory when it was looked up
    bool kept = false;  // path may be taken without looking again
};

// find_data_file(NAME) through LOOKUP.
const std::string& find_data_file(std::string_view name, DataFileLookup& lookup);

// Reads the first N bytes of the file PATH into BUF. Returns 0 when all N
// bytes were read, -1 when the file holds fewer, else the system error number
// of the open or the read.
int read_file_bytes(const std::string& path, unsigned char* buf, std::size_t n);

// Reads the whole file PATH into BYTES. Returns 0, else the system error
// number of the open or the read (BYTES then empty).
int read_whole_file(const std::string& path, std::vector<unsigned char>& bytes);

// Writes N bytes from BUF as the file PATH (created, or emptied when it
// exists). Returns 0, else the system error number.
int write_file_bytes(const std::string& path, const unsigned char* buf, std::size_t n);

}  // namespace kolm::platform
