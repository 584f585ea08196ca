// Data-file lookup with a letter-case fallback, file identities, and whole-block binary reads and writes.
#include "platform/data_files.h"

#include <dirent.h>
#include <sys/stat.h>
#include <time.h>

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

bool is_regular(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool is_link(const std::string& path) {
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

// A change within this time of the moment of looking may keep the time
// stamp: file-system clocks tick in jiffies, or in whole (even two) seconds
// where the stamps carry no fraction.
constexpr int64_t FINE_TICK_NS = 50'000'000;
constexpr int64_t COARSE_TICK_NS = 2'000'000'000;

int64_t ns_of(int64_t sec, int64_t nsec) { return sec * 1'000'000'000 + nsec; }

// find_data_file; CERTAIN false when an entry of the name is a symbolic link
// to no regular file, which may become one without the directory changing.
std::string resolve(std::string_view name, bool& certain) {
    certain = true;
    std::string exact(name);
    if (name.empty()) return {};
    if (is_regular(exact)) return exact;
    // A name with a directory part is looked up as given only.
    if (name.find('/') != std::string_view::npos) {
        certain = false;
        return {};
    }
    std::string found;
    if (DIR* dir = ::opendir(".")) {
        while (const dirent* e = ::readdir(dir)) {
            std::string_view entry(e->d_name);
            if (!same_ignoring_case(entry, name)) continue;
            const std::string path(entry);
            if (!is_regular(path)) {
                if (is_link(path)) certain = false;
                continue;
            }
            if (found.empty() || entry < found) found = entry;
        }
        ::closedir(dir);
    } else {
        certain = false;
    }
    return found;
}

}  // namespace

bool same_identity(const FileIdentity& a, const FileIdentity& b) {
    return a.dev == b.dev && a.ino == b.ino && a.size == b.size && a.mtime_sec == b.mtime_sec &&
           a.mtime_nsec == b.mtime_nsec && a.ctime_sec == b.ctime_sec && a.ctime_nsec == b.ctime_nsec;
}

bool file_identity(const std::string& path, FileIdentity& id, bool& regular) {
    id = FileIdentity{};
    regular = false;
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) return false;
    regular = S_ISREG(st.st_mode);
    id.dev = uint64_t(st.st_dev);
    id.ino = uint64_t(st.st_ino);
    id.size = int64_t(st.st_size);
    id.mtime_sec = int64_t(st.st_mtim.tv_sec);
    id.mtime_nsec = int64_t(st.st_mtim.tv_nsec);
    id.ctime_sec = int64_t(st.st_ctim.tv_sec);
    id.ctime_nsec = int64_t(st.st_ctim.tv_nsec);
    const int64_t tick = (id.mtime_nsec != 0 || id.ctime_nsec != 0) ? FINE_TICK_NS : COARSE_TICK_NS;
    const int64_t at = ns_of(now.tv_sec, now.tv_nsec);
    auto far = [&](int64_t sec, int64_t nsec) {
        const int64_t age = at - ns_of(sec, nsec);
        return age >= tick || age <= -tick;
    };
    id.settled = far(id.mtime_sec, id.mtime_nsec) && far(id.ctime_sec, id.ctime_nsec);
    return true;
}

std::string find_data_file(std::string_view name) {
    bool certain;
    return resolve(name, certain);
}

const std::string& find_data_file(std::string_view name, DataFileLookup& lookup) {
    FileIdentity dir;
    bool regular;
    const bool have_dir = file_identity(".", dir, regular);
    if (lookup.kept && have_dir && same_identity(dir, lookup.dir)) return lookup.path;
    bool certain;
    lookup.path = resolve(name, certain);
    lookup.dir = dir;
    // Entries created or removed from now on change the directory's identity.
    lookup.kept = have_dir && certain && dir.settled;
    return lookup.path;
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
