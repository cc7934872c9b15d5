#pragma once
// The subcommands of quorvex-cli. Each takes the arguments after its own name
// (args[0] is the first of them) and returns the exit status.

#include <span>
#include <string_view>

namespace quorvex::cli {

using Args = std::span<char* const>;

int runProfile(Args args);
int runIdentify(Args args);
int runPorts(Args args);
int runBackup(Args args);
int runRestore(Args args);
int runDiff(Args args);
int runGet(Args args);
int runSet(Args args);
int runCharges(Args args);
int runLog(Args args);
int runClearCharges(Args args);
int runClearLog(Args args);
int runDial(Args args);
int runUpgrade(Args args);
int runStore(Args args);
int runCheck(Args args);

struct Command {
    std::string_view name;
    std::string_view summary; // one line for the overview of --help
    int (*run)(Args args);
};

// One row per subcommand; the dispatcher walks this table.
inline constexpr Command kCommands[] = {
    {"identify", "find the device and print its model, port and versions", runIdentify},
    {"ports", "list the serial ports, the chosen one, and with --probe who answers", runPorts},
    {"profile", "read, write and list the keys of a profile file", runProfile},
    {"backup", "save every setting of the device into a profile file", runBackup},
    {"restore", "load a profile file into the device, as \"Load Profile...\"", runRestore},
    {"diff", "show where the device differs from a profile file", runDiff},
    {"get", "print one setting by its profile section and key", runGet},
    {"set", "change one setting by its profile section and key", runSet},
    {"charges", "print the charge counters", runCharges},
    {"log", "print the call lists of a port", runLog},
    {"clear-charges", "clear the charge sum of a port or the total", runClearCharges},
    {"clear-log", "clear call lists of a port", runClearLog},
    {"dial", "let the device dial a number on a port", runDial},
    {"upgrade", "install new firmware", runUpgrade},
    {"store", "have the device store its settings permanently", runStore},
    {"check", "check the device against what the program expects; a report to send", runCheck},
};

// Exit status of a command that failed (missing file, refused write, bad usage).
inline constexpr int kExitFailure = 2;

} // namespace quorvex::cli
