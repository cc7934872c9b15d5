#pragma once
// The subcommands of quorvex-cli. Each takes the arguments after its own name
// (args[0] is the first of them) and returns the exit status.

#include <span>
#include <string_view>

namespace quorvex::cli {

using Args = std::span<char* const>;

int runProfile(Args args);
int runIdentify(Args args);

struct Command {
    std::string_view name;
    std::string_view summary; // one line for the overview of --help
    int (*run)(Args args);
};

// One row per subcommand; the dispatcher walks this table.
inline constexpr Command kCommands[] = {
    {"identify", "find the device and print its model, port and versions", runIdentify},
    {"profile", "read, write and list the keys of a profile file", runProfile},
};

// Exit status of a command that failed (missing file, refused write, bad usage).
inline constexpr int kExitFailure = 2;

} // namespace quorvex::cli
