// Starting another program and waiting for it to end.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kolm::platform {

enum class StartError : uint8_t {
    none,               // the program ran
    not_found,          // no such file (or a directory of the path missing)
    arg_list_too_long,
    not_executable,     // no execute permission, not a program, a directory
    out_of_memory,
    invalid_argument,   // an empty program path
    other,
};

struct RunResult {
    StartError error;
    int32_t exit_code;  // when it ran: its exit status, or -N when signal N ended it
};

// Runs the program at this path (no search of PATH, never through a shell)
// with these arguments (argv[1] on), and waits for it to end.
RunResult run_program(std::string_view program, std::span<const std::string> args);

// A command line split into arguments at blanks and tabs; double quotes
// group blanks into an argument and are removed.
std::vector<std::string> split_command_line(std::string_view line);

}  // namespace kolm::platform
