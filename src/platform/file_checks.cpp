// Same-file test by device and inode; directory probe by exclusive create.
#include "platform/file_checks.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <string>

namespace kolm::platform {

bool same_file(std::string_view a, std::string_view b) {
    struct stat sa {}, sb {};
    if (::stat(std::string(a).c_str(), &sa) != 0 || ::stat(std::string(b).c_str(), &sb) != 0) return false;
    return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

bool can_create_in(std::string_view dir, std::string_view prefix) {
    std::string path(dir);
    path += prefix;
    path += ".XXXXXX";
    const int fd = ::mkstemp(path.data());
    if (fd < 0) return false;
    ::close(fd);
    ::unlink(path.c_str());
    return true;
}

bool name_taken(std::string_view path) {
    struct stat st {};
    return !path.empty() && ::lstat(std::string(path).c_str(), &st) == 0;
}

long long regular_file_size(std::string_view path) {
    struct stat st {};
    if (path.empty() || ::stat(std::string(path).c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return -1;
    return static_cast<long long>(st.st_size);
}

bool name_fits(std::string_view path) {
    if (path.empty() || path.size() >= PATH_MAX) return false;
    const std::size_t slash = path.rfind('/');
    const std::string dir = slash == std::string_view::npos ? std::string(".") : std::string(path.substr(0, slash + 1));
    const std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    long max = ::pathconf(dir.c_str(), _PC_NAME_MAX);
    if (max <= 0) max = NAME_MAX;  // no limit given, or the directory is missing
    return name.size() <= std::size_t(max);
}

}  // namespace kolm::platform
