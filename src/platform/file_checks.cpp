// Same-file test by device and inode; directory probe by exclusive create.
#include "platform/file_checks.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
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

}  // namespace kolm::platform
