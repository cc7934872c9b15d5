#pragma once
// What every device subcommand does before it talks to the device: parse the
// common options, answer --help, check the number of arguments, and put the
// port map and the trace into the environment.

#include "cli/options.h"

#include <optional>
#include <string>

namespace quorvex::cli {

inline constexpr int kExitOk = 0;
inline constexpr int kExitRefused = 1; // the device refused something (or diff: differences)

struct Usage {
    const char* name;     // "backup"
    const char* synopsis; // "FILE"
    const char* text;     // what it does, exit status
    std::size_t minArgs;
    std::size_t maxArgs;
};

// The parsed options, or the exit status when the command ends here (0 after
// --help, 2 after a usage error, with the message printed).
struct Prepared {
    std::optional<DeviceOptions> options;
    int status = 0;
};
Prepared prepare(Args args, const Usage& usage);

// Prints "quorvex-cli NAME: message" and the synopsis; returns 2.
int usageError(const Usage& usage, const std::string& message);
// Prints "quorvex-cli NAME: message"; returns status.
int fail(const Usage& usage, const std::string& message, int status = kExitFailure);

} // namespace quorvex::cli
