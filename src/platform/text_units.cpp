// Unit table of sequential text files: buffered line input and output over
// POSIX file descriptors.
#include "platform/text_units.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/console.h"
#include "platform/file_checks.h"
#include "platform/temporaries.h"

namespace kolm::platform {

namespace {

constexpr std::size_t BUFSZ = 1 << 16;
// A line of MAX_LINE characters and its CR LF always fits the buffer, which
// therefore never grows.
static_assert(MAX_LINE + 2 < BUFSZ);

struct Unit {
    int fd = -1;
    UnitMode mode = UnitMode::read;
    bool failed = false;     // a write failed: every later write reports ERR
    bool eof = false;        // the descriptor has reported end of file
    bool cut_off = false;    // an overlong line did not end: no more input
    uint64_t long_lines = 0; // lines longer than MAX_LINE met since the open
    std::string path;
    std::string target;      // staged output: the final name
    bool replace = false;    // staged output: an existing target is replaced
    int slot = -1;           // staged output: its tracking slot
    std::vector<char> store; // the buffer and READ_SLACK bytes on either side
    std::size_t beg = 0;     // input: bytes [beg, end) of the buffer not yet returned; output: [0, end) pending
    std::size_t end = 0;
    int64_t lines = 0;       // lines read since the open or rewind

    char* buf() { return store.data() + READ_SLACK; }
};

struct UnitTable {
    Unit units[MAX_UNIT + 1];
    bool stop_registered = false;
};
UnitTable TABLE;

Unit* find(int32_t unit) {
    if (unit < 0 || unit > MAX_UNIT) return nullptr;
    Unit& u = TABLE.units[unit];
    return u.fd >= 0 ? &u : nullptr;
}

bool write_all(int fd, const char* p, std::size_t n) {
    while (n > 0) {
        ssize_t k = ::write(fd, p, n);
        if (k < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        p += k;
        n -= std::size_t(k);
    }
    return true;
}

bool flush(Unit& u) {
    if (u.mode == UnitMode::read || u.end == 0) return !u.failed;
    if (!u.failed && !write_all(u.fd, u.buf(), u.end)) u.failed = true;
    u.end = 0;
    return !u.failed;
}

// Reads more input behind the pending bytes; false at end of file or error
// (errno 0 at end of file).
bool refill(Unit& u) {
    if (u.eof) {
        errno = 0;
        return false;
    }
    if (u.beg > 0) {
        std::memmove(u.buf(), u.buf() + u.beg, u.end - u.beg);
        u.end -= u.beg;
        u.beg = 0;
    }
    for (;;) {
        ssize_t k = ::read(u.fd, u.buf() + u.end, BUFSZ - u.end);
        if (k < 0 && errno == EINTR) continue;
        if (k < 0) return false;
        if (k == 0) {
            u.eof = true;
            errno = 0;
            return false;
        }
        u.end += std::size_t(k);
        return true;
    }
}

// Passes over the rest of an overlong line whose first bytes [beg, end) hold
// no LF. ERR in every case; the input ends when the line does not end within
// MAX_LINE_SKIP bytes.
IoStat pass_long_line(Unit& u) {
    ++u.long_lines;
    ++u.lines;
    std::size_t passed = 0;
    for (;;) {
        passed += u.end - u.beg;
        u.beg = u.end = 0;
        if (passed > MAX_LINE_SKIP) {
            u.cut_off = true;
            return IoStat::err;
        }
        if (!refill(u)) return IoStat::err;  // the line ended with the file, or the read failed
        if (const void* nl = std::memchr(u.buf(), '\n', u.end)) {
            u.beg = std::size_t(static_cast<const char*>(nl) - u.buf()) + 1;
            return IoStat::err;
        }
    }
}

// A free unit number and the stop action registered.
bool prepare(int32_t unit) {
    if (unit < 0 || unit > MAX_UNIT) return false;
    close_unit(unit);
    if (!TABLE.stop_registered) {
        TABLE.stop_registered = true;
        at_stop(close_all_units);
    }
    return true;
}

void attach(int32_t unit, int fd, UnitMode mode, std::string path) {
    Unit& u = TABLE.units[unit];
    u.fd = fd;
    u.mode = mode;
    u.failed = false;
    u.eof = false;
    u.cut_off = false;
    u.long_lines = 0;
    u.path = std::move(path);
    u.target.clear();
    u.replace = false;
    u.slot = -1;
    u.store.resize(BUFSZ + 2 * READ_SLACK);
    u.beg = u.end = 0;
    u.lines = 0;
}

// The staged file under its final name.
bool commit(const Unit& u) {
    if (u.replace) return ::rename(u.path.c_str(), u.target.c_str()) == 0;
    if (::renameat2(AT_FDCWD, u.path.c_str(), AT_FDCWD, u.target.c_str(), RENAME_NOREPLACE) == 0) return true;
    if (errno != EINVAL && errno != ENOSYS) return false;
    // A file system without the no-replace rename: a new link never replaces.
    if (::link(u.path.c_str(), u.target.c_str()) != 0) return false;
    ::unlink(u.path.c_str());
    return true;
}

}  // namespace

int open_unit(int32_t unit, std::string_view path, UnitMode mode) {
    if (path.empty() || !prepare(unit)) return EINVAL;
    std::string p(path);
    int flags = O_CLOEXEC;
    switch (mode) {
        // Without waiting for a writer of a FIFO or the line of a terminal.
        case UnitMode::read: flags |= O_RDONLY | O_NONBLOCK | O_NOCTTY; break;
        case UnitMode::write: flags |= O_WRONLY | O_CREAT | O_TRUNC; break;
        case UnitMode::append: flags |= O_WRONLY | O_CREAT | O_APPEND; break;
        case UnitMode::create: flags |= O_WRONLY | O_CREAT | O_EXCL; break;
    }
    int fd = ::open(p.c_str(), flags, 0666);
    if (fd < 0) return errno ? errno : EIO;
    if (mode == UnitMode::read) {
        struct stat st {};
        if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
            ::close(fd);
            return NOT_REGULAR_FILE;
        }
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    }
    attach(unit, fd, mode, std::move(p));
    return 0;
}

int open_unit_new(int32_t unit, std::string_view stem, std::string& path, int* slot) {
    if (stem.empty() || !prepare(unit)) return EINVAL;
    const int fd = create_unique(stem, path, slot);
    if (fd < 0) return errno ? errno : EIO;
    attach(unit, fd, UnitMode::create, path);
    return 0;
}

int open_unit_staged(int32_t unit, std::string_view target, bool replace) {
    if (target.empty() || target.back() == '/' || !prepare(unit)) return EINVAL;
    const std::size_t slash = target.rfind('/');
    const std::string_view dir = target.substr(0, slash == std::string_view::npos ? 0 : slash + 1);
    const std::string_view name = target.substr(dir.size());
    // Hidden, and named after its output where the name leaves room.
    std::string stem = std::string(dir) + "." + std::string(name) + ".kolm";
    if (!name_fits(stem + ".0000000000-XXXXXX")) stem = std::string(dir) + ".kolm";
    std::string path;
    int slot = -1;
    const int fd = create_unique(stem, path, &slot);
    if (fd < 0) return errno ? errno : EIO;
    attach(unit, fd, UnitMode::create, path);
    Unit& u = TABLE.units[unit];
    u.target.assign(target);
    u.replace = replace;
    u.slot = slot;
    return 0;
}

std::string open_error_text(int err) {
    if (err == NOT_REGULAR_FILE) return "NOT A REGULAR FILE";
    return std::strerror(err);
}

bool unit_is_open(int32_t unit) { return find(unit) != nullptr; }

IoStat close_unit(int32_t unit, CloseMode mode) {
    Unit* u = find(unit);
    if (!u) return IoStat::ok;
    bool good = flush(*u);
    if (::close(u->fd) != 0) good = false;
    u->fd = -1;
    if (!u->target.empty()) {
        // Only a whole output takes its name; else the temporary goes.
        if (mode == CloseMode::remove || !good || !commit(*u)) {
            if (mode == CloseMode::keep) good = false;
            ::unlink(u->path.c_str());
        }
        forget_temporary(u->slot);
        u->slot = -1;
        u->target.clear();
    } else if (mode == CloseMode::remove && ::unlink(u->path.c_str()) != 0) {
        good = false;
    }
    u->path.clear();
    u->beg = u->end = 0;
    return good ? IoStat::ok : IoStat::err;
}

IoStat rewind_unit(int32_t unit) {
    Unit* u = find(unit);
    if (!u) return IoStat::err;
    bool good = flush(*u);
    if (::lseek(u->fd, 0, SEEK_SET) < 0) good = false;
    u->beg = u->end = 0;
    u->eof = false;
    u->cut_off = false;
    u->lines = 0;
    return good ? IoStat::ok : IoStat::err;
}

IoStat read_line(int32_t unit, std::string_view& line) {
    Unit* u = find(unit);
    if (!u || u->mode != UnitMode::read) return IoStat::err;
    if (u->cut_off) return IoStat::end;
    std::size_t scan = u->beg;
    for (;;) {
        const char* base = u->buf();
        const void* nl = std::memchr(base + scan, '\n', u->end - scan);
        if (nl) {
            std::size_t pos = std::size_t(static_cast<const char*>(nl) - base);
            std::size_t len = pos - u->beg;
            if (len > 0 && base[pos - 1] == '\r') --len;
            const std::size_t start = u->beg;
            u->beg = pos + 1;
            ++u->lines;
            if (len > MAX_LINE) {
                ++u->long_lines;
                return IoStat::err;
            }
            line = std::string_view(base + start, len);
            return IoStat::ok;
        }
        std::size_t done = u->end - u->beg;  // bytes of the line seen so far
        if (done > MAX_LINE + 1) return pass_long_line(*u);  // more than the line and its CR
        if (!refill(*u)) {
            if (errno != 0) return IoStat::err;
            if (u->end == u->beg) return IoStat::end;
            // Last line without terminator.
            std::size_t len = u->end - u->beg;
            if (u->buf()[u->end - 1] == '\r') --len;
            line = std::string_view(u->buf() + u->beg, len);
            u->beg = u->end;
            ++u->lines;
            if (len > MAX_LINE) {
                ++u->long_lines;
                return IoStat::err;
            }
            return IoStat::ok;
        }
        scan = u->beg + done;
    }
}

int64_t lines_read(int32_t unit) {
    const Unit* u = find(unit);
    return u ? u->lines : 0;
}

uint64_t long_lines(int32_t unit) {
    const Unit* u = find(unit);
    return u ? u->long_lines : 0;
}

IoStat write_line(int32_t unit, std::string_view line) {
    Unit* u = find(unit);
    if (!u || u->mode == UnitMode::read || u->failed) return IoStat::err;
    std::size_t need = line.size() + 1;
    if (u->end + need > BUFSZ) {
        if (!flush(*u)) return IoStat::err;
        if (need > BUFSZ) {
            if (!write_all(u->fd, line.data(), line.size()) || !write_all(u->fd, "\n", 1)) {
                u->failed = true;
                return IoStat::err;
            }
            return IoStat::ok;
        }
    }
    if (!line.empty()) std::memcpy(u->buf() + u->end, line.data(), line.size());  // an empty view may hold no pointer
    u->end += line.size();
    u->buf()[u->end++] = '\n';
    return IoStat::ok;
}

IoStat flush_unit(int32_t unit) {
    Unit* u = find(unit);
    if (!u) return IoStat::err;
    return flush(*u) ? IoStat::ok : IoStat::err;
}

void close_all_units() {
    for (int32_t k = 0; k <= MAX_UNIT; ++k)
        close_unit(k, TABLE.units[k].target.empty() ? CloseMode::keep : CloseMode::remove);
}

}  // namespace kolm::platform
