// Same-file test by device and inode; directory probe by exclusive create.
#include "platform/file_checks.h"

#include "platform/temporaries.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <pthread.h>

#include <cerrno>
#include <climits>
#include <csignal>
#include <random>
#include <string>

namespace kolm::platform {

NameKind name_kind(std::string_view path) {
    const std::string p(path);
    struct stat st {};
    if (p.empty() || ::lstat(p.c_str(), &st) != 0) return NameKind::none;
    if (S_ISLNK(st.st_mode) && ::stat(p.c_str(), &st) != 0) return NameKind::dangling;
    if (S_ISREG(st.st_mode)) return NameKind::regular;
    if (S_ISDIR(st.st_mode)) return NameKind::directory;
    return NameKind::special;
}

std::optional<FileId> file_id(std::string_view path) {
    struct stat st {};
    if (path.empty() || ::stat(std::string(path).c_str(), &st) != 0) return std::nullopt;
    return FileId{uint64_t(st.st_dev), uint64_t(st.st_ino)};
}

int create_unique(std::string_view stem, std::string& path, int* slot) {
    static const char digits[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    std::random_device seed;
    std::minstd_rand pick(seed());
    // No interruption between the name being tracked and the file made.
    sigset_t stop, old;
    sigemptyset(&stop);
    sigaddset(&stop, SIGINT);
    sigaddset(&stop, SIGTERM);
    if (slot != nullptr) ::pthread_sigmask(SIG_BLOCK, &stop, &old);
    int fd = -1, err = EEXIST;
    for (int attempt = 0; attempt < 100 && fd < 0 && err == EEXIST; ++attempt) {
        path.assign(stem);
        path += '.';
        path += std::to_string(::getpid());
        path += '-';
        for (int k = 0; k < 6; ++k) path += digits[pick() % (sizeof digits - 1)];
        if (slot != nullptr) *slot = track_temporary(path);
        fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        err = fd < 0 ? errno : 0;
        if (fd < 0 && slot != nullptr) {
            forget_temporary(*slot);
            *slot = -1;
        }
    }
    if (slot != nullptr) ::pthread_sigmask(SIG_SETMASK, &old, nullptr);
    errno = err;
    return fd;
}

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
