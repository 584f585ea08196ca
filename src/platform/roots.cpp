// Browser roots: the file system root, home, working folder, mounted media.
#include "platform/roots.h"

#include <pwd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <fstream>
#include <iterator>

namespace kolm::platform {

namespace {

// "\040" and the like back into their characters.
std::string unescape(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\\' && i + 3 < s.size() && s[i + 1] >= '0' && s[i + 1] <= '3' && s[i + 2] >= '0' &&
            s[i + 2] <= '7' && s[i + 3] >= '0' && s[i + 3] <= '7') {
            out.push_back(char((s[i + 1] - '0') * 64 + (s[i + 2] - '0') * 8 + (s[i + 3] - '0')));
            i += 3;
        } else {
            out.push_back(s[i]);
        }
    }
    return out;
}

bool below(std::string_view path, std::string_view dir) {
    return path.size() > dir.size() + 1 && path.starts_with(dir) && path[dir.size()] == '/';
}

std::string without_slash(std::string p) {
    while (p.size() > 1 && p.back() == '/') p.pop_back();
    return p;
}

std::string home_folder() {
    struct passwd pw {};
    struct passwd* found = nullptr;
    std::vector<char> buf(16384);
    if (::getpwuid_r(::getuid(), &pw, buf.data(), buf.size(), &found) != 0 || found == nullptr) return {};
    return pw.pw_dir != nullptr ? std::string(pw.pw_dir) : std::string();
}

std::string working_folder() {
    std::vector<char> buf(4096);
    for (;;) {
        if (::getcwd(buf.data(), buf.size()) != nullptr) return buf.data();
        if (errno != ERANGE) return {};
        buf.resize(buf.size() * 2);
    }
}

}  // namespace

std::vector<std::string> media_mount_points(std::string_view mounts) {
    std::vector<std::string> out;
    std::size_t pos = 0;
    while (pos < mounts.size()) {
        std::size_t eol = mounts.find('\n', pos);
        if (eol == std::string_view::npos) eol = mounts.size();
        std::string_view line = mounts.substr(pos, eol - pos);
        pos = eol + 1;
        // The second field.
        std::size_t a = line.find(' ');
        if (a == std::string_view::npos) continue;
        std::size_t b = line.find(' ', a + 1);
        std::string point = unescape(line.substr(a + 1, (b == std::string_view::npos ? line.size() : b) - a - 1));
        if (below(point, "/media") || below(point, "/run/media") || below(point, "/mnt"))
            out.push_back(without_slash(std::move(point)));
    }
    return out;
}

std::vector<std::string> list_roots() {
    std::vector<std::string> roots{"/"};
    auto add = [&roots](std::string p) {
        if (p.empty() || p.front() != '/') return;
        p = without_slash(std::move(p));
        if (std::find(roots.begin(), roots.end(), p) == roots.end()) roots.push_back(std::move(p));
    };
    add(home_folder());
    add(working_folder());
    std::ifstream in("/proc/self/mounts", std::ios::binary);
    const std::string table((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    for (std::string& p : media_mount_points(table)) add(std::move(p));
    return roots;
}

}  // namespace kolm::platform
