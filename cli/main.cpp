// quorvex-cli: the headless companion of the desktop program.
#include "cli/commands.h"
#include "cli/terminal.h"
#include "core/environment.h"
#include "core/stop_signals.h"
#include "core/version.h"
#include "driver/r70com32.h"

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace {

void printUsage(FILE* out) {
    std::fprintf(out,
                 "Usage: quorvex-cli [--help] [--version] COMMAND [ARGS]\n"
                 "\n"
                 "Configure and watch an R30 / R70 ISDN terminal adapter from the command line.\n"
                 "\n"
                 "Commands:\n");
    for (const auto& command : quorvex::cli::kCommands) {
        std::fprintf(out, "  %-14.*s %.*s\n", static_cast<int>(command.name.size()),
                     command.name.data(), static_cast<int>(command.summary.size()),
                     command.summary.data());
    }
    std::fprintf(out, "\n'quorvex-cli COMMAND --help' describes a command.\n");
}

} // namespace

int main(int argc, char** argv) {
    // Ctrl-C and SIGTERM close the port (its lock file goes) and leave no
    // temporary file behind.
    const quorvex::core::StopOnSignals stops([] { D_SendDrvCmd(DRV_CLOSE, nullptr); });
    const quorvex::cli::ConsoleSession console;
    // Every argument as UTF-8 (on Windows from the wide command line).
    std::vector<std::string> texts = quorvex::core::utf8Arguments(argc, argv);
    std::vector<char*> pointers;
    for (std::string& text : texts)
        pointers.push_back(text.data());
    pointers.push_back(nullptr);
    const quorvex::cli::Args args(pointers.data(), texts.size());
    if (args.size() < 2) {
        printUsage(stderr);
        return quorvex::cli::kExitFailure;
    }
    const std::string_view first = args[1];
    if (first == "--help" || first == "-h") {
        printUsage(stdout);
        return 0;
    }
    if (first == "--version") {
        std::printf("quorvex-cli %s\n", quorvex::core::kVersion);
        return 0;
    }
    for (const auto& command : quorvex::cli::kCommands) {
        if (command.name == first) return command.run(args.subspan(2));
    }
    std::fprintf(stderr, "quorvex-cli: unknown command '%s'\n\n", args[1]);
    printUsage(stderr);
    return quorvex::cli::kExitFailure;
}
