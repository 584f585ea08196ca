// The kolm program itself, started as a user's script starts it: in a
// folder of its own, with its output and errors caught in files, ended
// when it takes too long. KOLM_UNDER_TEST names another build of kolm to
// run the same tests on.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace kolm::testing {

struct ProgramRun {
    bool started = false;
    int exit_code = -1;  // when it exited
    int signal = 0;      // when a signal ended it
    bool timed_out = false;
    std::string out, err;
};

inline std::string kolm_binary() {
    if (const char* other = std::getenv("KOLM_UNDER_TEST"); other != nullptr && *other != '\0') return other;
    return std::string(KOLM_BINARY_DIR) + "/apps/kolm";
}

// Runs argv (argv[0] the program) in dir. While it runs, `watch` is asked
// every millisecond; when it says so, `sig` is sent once. After `timeout`
// the program is killed.
inline ProgramRun run_in(const std::filesystem::path& dir, const std::vector<std::string>& argv,
                         std::chrono::milliseconds timeout = std::chrono::seconds(60),
                         const std::function<bool()>& watch = {}, int sig = 0) {
    ProgramRun r;
    const std::string out = (dir / ".stdout").string(), err = (dir / ".stderr").string();
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_addopen(&fa, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&fa, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&fa, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addchdir_np(&fa, dir.c_str());
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    pid_t pid = 0;
    const int rc = ::posix_spawn(&pid, args[0], &fa, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&fa);
    if (rc != 0) return r;
    r.started = true;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    bool signalled = false;
    int status = 0;
    for (;;) {
        const pid_t w = ::waitpid(pid, &status, WNOHANG);
        if (w == pid) break;
        if (!signalled && watch && watch()) {
            ::kill(pid, sig);
            signalled = true;
        }
        if (std::chrono::steady_clock::now() > deadline) {
            r.timed_out = true;
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    if (WIFEXITED(status)) r.exit_code = WEXITSTATUS(status);
    if (WIFSIGNALED(status)) r.signal = WTERMSIG(status);
    const auto slurp = [](const std::string& p) {
        std::ifstream in(p, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    };
    r.out = slurp(out);
    r.err = slurp(err);
    std::filesystem::remove(out);
    std::filesystem::remove(err);
    return r;
}

}  // namespace kolm::testing
