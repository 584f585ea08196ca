// Data-file lookup with a letter-case fallback, and whole-block binary reads and writes.
#include "platform/data_files.h"

#include <dirent.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>

namespace kolm::platform {

namespace {

char lower(char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; }

bool same_ignoring_case(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (lower(a[i]) != lower(b[i])) return false;
    return true;
}

bool is_file(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

}  // namespace

std::string find_data_file(std::string_view name) {
    std::string exact(name);
    if (name.empty()) return {};
    if (is_file(exact)) return exact;
    // A name with a directory part is looked up as given only.
    if (name.find('/') != std::string_view::npos) return {};
    std::string found;
    if (DIR* dir = ::opendir(".")) {
        while (const dirent* e = ::readdir(dir)) {
            std::string_view entry(e->d_name);
            if (same_ignoring_case(entry, name) && (found.empty() || entry < found) && is_file(std::string(entry)))
                found = entry;
        }
        ::closedir(dir);
    }
    return found;
}

int read_file_bytes(const std::string& path, unsigned char* buf, std::size_t n) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return errno != 0 ? errno : ENOENT;
    const std::size_t got = std::fread(buf, 1, n, f);
    const int err = std::ferror(f) ? (errno != 0 ? errno : EIO) : 0;
    std::fclose(f);
    if (err != 0) return err;
    return got == n ? 0 : -1;
}

int read_whole_file(const std::string& path, std::vector<unsigned char>& bytes) {
    bytes.clear();
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return errno != 0 ? errno : ENOENT;
    unsigned char chunk[8192];
    std::size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, f)) > 0) bytes.insert(bytes.end(), chunk, chunk + got);
    const int err = std::ferror(f) ? (errno != 0 ? errno : EIO) : 0;
    std::fclose(f);
    if (err != 0) bytes.clear();
    return err;
}

int write_file_bytes(const std::string& path, const unsigned char* buf, std::size_t n) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return errno != 0 ? errno : EACCES;
    int err = 0;
    if (std::fwrite(buf, 1, n, f) != n) err = errno != 0 ? errno : EIO;
    if (std::fclose(f) != 0 && err == 0) err = errno != 0 ? errno : EIO;
    return err;
}

}  // namespace kolm::platform
