// Data files beside the program: lookup by name in the working directory and
// unformatted reads.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace kolm::platform {

// Path under which the data file NAME opens in the working directory: NAME
// itself when it exists, else the entry whose name differs from NAME only in
// letter case (the first in byte order when several do). Empty when there is
// none.
std::string find_data_file(std::string_view name);

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
