// Program start with posix_spawn.
#include "platform/process.h"

#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <cstdio>

extern char** environ;

namespace kolm::platform {

namespace {
StartError from_errno(int e) {
    switch (e) {
        case ENOENT:
        case ENOTDIR: return StartError::not_found;
        case E2BIG: return StartError::arg_list_too_long;
        case EACCES:
        case EPERM:
        case ENOEXEC:
        case EISDIR:
        case ETXTBSY:
        case ELOOP: return StartError::not_executable;
        case ENOMEM: return StartError::out_of_memory;
        case EINVAL: return StartError::invalid_argument;
        default: return StartError::other;
    }
}
}  // namespace

RunResult run_program(std::string_view program, std::span<const std::string> args) {
    if (program.empty()) return {StartError::invalid_argument, 0};
    std::string path(program);
    std::vector<char*> argv;
    argv.reserve(args.size() + 2);
    argv.push_back(path.data());
    std::vector<std::string> copies(args.begin(), args.end());
    for (std::string& a : copies) argv.push_back(a.data());
    argv.push_back(nullptr);
    // What this program wrote so far comes before the child's output.
    std::fflush(stdout);
    std::fflush(stderr);
    pid_t pid = 0;
    int rc = ::posix_spawn(&pid, path.c_str(), nullptr, nullptr, argv.data(), environ);
    if (rc != 0) return {from_errno(rc), 0};
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) return {StartError::other, 0};
    }
    if (WIFEXITED(status)) return {StartError::none, WEXITSTATUS(status)};
    if (WIFSIGNALED(status)) return {StartError::none, -WTERMSIG(status)};
    return {StartError::none, 0};
}

std::vector<std::string> split_command_line(std::string_view line) {
    std::vector<std::string> out;
    std::string cur;
    bool in_arg = false, quoted = false;
    for (char c : line) {
        if (c == '"') {
            quoted = !quoted;
            in_arg = true;
        } else if ((c == ' ' || c == '\t') && !quoted) {
            if (in_arg) out.push_back(std::move(cur));
            cur.clear();
            in_arg = false;
        } else {
            cur.push_back(c);
            in_arg = true;
        }
    }
    if (in_arg) out.push_back(std::move(cur));
    return out;
}

}  // namespace kolm::platform
