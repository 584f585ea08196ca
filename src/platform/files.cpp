// Paths and directory listings on a POSIX file system.
#include "platform/files.h"

#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>

namespace kolm::platform {

namespace {

std::string_view drop_padding(std::string_view s) {
    while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
    return s;
}

FsError from_errno(int e) {
    switch (e) {
        case ENOENT:
        case ENOTDIR: return FsError::no_such_file;
        case ENOMEM: return FsError::out_of_memory;
        case EINVAL:
        case ENAMETOOLONG: return FsError::invalid_argument;
        default: return FsError::other;
    }
}

}  // namespace

PathParts split_path(std::string_view path) {
    path = drop_padding(path);
    PathParts p;
    std::size_t slash = path.rfind('/');
    std::size_t base = slash == std::string_view::npos ? 0 : slash + 1;
    p.dir.assign(path.substr(0, base));
    std::string_view file = path.substr(base);
    std::size_t dot = file.rfind('.');
    if (dot == std::string_view::npos) {
        p.name.assign(file);
    } else {
        p.name.assign(file.substr(0, dot));
        p.ext.assign(file.substr(dot));
    }
    return p;
}

bool file_exists(std::string_view path) {
    std::string s(drop_padding(path));
    struct stat st;
    return !s.empty() && ::stat(s.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool is_directory(std::string_view path) {
    std::string s(drop_padding(path));
    struct stat st;
    return !s.empty() && ::stat(s.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool delete_file(std::string_view path) {
    std::string s(drop_padding(path));
    return !s.empty() && ::unlink(s.c_str()) == 0;
}

DirListing::DirListing(std::string_view pattern) {
    pattern = drop_padding(pattern);
    if (pattern.empty() || pattern.size() >= PATH_MAX) {
        error_ = FsError::invalid_argument;
        return;
    }
    std::size_t slash = pattern.rfind('/');
    std::string dir = slash == std::string_view::npos ? std::string(".") : std::string(pattern.substr(0, slash + 1));
    std::string match(slash == std::string_view::npos ? pattern : pattern.substr(slash + 1));
    const bool all = match == "*.*" || match == "*";
    if (match.empty()) {
        error_ = FsError::invalid_argument;
        return;
    }
    DIR* d = ::opendir(dir.c_str());
    if (d == nullptr) {
        error_ = from_errno(errno);
        return;
    }
    started_ = true;
    const int fd = ::dirfd(d);
    for (;;) {
        errno = 0;
        struct dirent* de = ::readdir(d);
        if (de == nullptr) {
            if (errno != 0) error_ = from_errno(errno);
            break;
        }
        const char* name = de->d_name;
        if (!all && ::fnmatch(match.c_str(), name, 0) != 0) continue;
        DirEntry e{name, 0, name[0] == '.', false, false};
        struct stat st;
        if (::fstatat(fd, name, &st, 0) == 0) {
            e.directory = S_ISDIR(st.st_mode);
            e.system = !e.directory && !S_ISREG(st.st_mode);
            if (S_ISREG(st.st_mode)) e.size = int64_t(st.st_size);
        } else {
            e.system = true;  // a link to nothing
        }
        entries_.push_back(std::move(e));
    }
    ::closedir(d);
    std::sort(entries_.begin(), entries_.end(), [](const DirEntry& a, const DirEntry& b) { return a.name < b.name; });
}

bool DirListing::next(DirEntry& e) {
    if (next_ >= entries_.size()) {
        if (error_ == FsError::none) error_ = FsError::no_such_file;
        return false;
    }
    e = entries_[next_++];
    return true;
}

}  // namespace kolm::platform
