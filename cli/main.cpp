// quorvex-cli: the headless companion of the desktop program.
#include "cli/commands.h"
#include "cli/options.h"
#include "cli/terminal.h"
#include "core/environment.h"
#include "core/stop_signals.h"
#include "core/version.h"
#include "driver/api/r70com32.h"

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace {

void printUsage(FILE* out) {
    std::fprintf(out,
                 "Usage: quorvex-cli [--help] [--version] [OPTIONS] COMMAND [ARGS]\n"
                 "\n"
                 "Configure and watch an R30 / R70 ISDN terminal adapter from the command line.\n"
                 "\n"
                 "Commands:\n");
    for (const auto& command : quorvex::cli::kCommands) {
        std::fprintf(out, "  %-14.*s %.*s\n", static_cast<int>(command.name.size()),
                     command.name.data(), static_cast<int>(command.summary.size()),
                     command.summary.data());
    }
    std::fprintf(out, "\nOPTIONS (--port, --trace, --lang) may stand before or after COMMAND;\n"
                      "'quorvex-cli COMMAND --help' describes a command.\n");
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
    // The common options may stand before the command as well as after it
    // ("quorvex-cli --lang de identify"): they go on to the command in front
    // of its own arguments.
    std::vector<char*> leading;
    std::size_t at = 1;
    while (at + 1 < args.size() && quorvex::cli::takesValue(args[at])) {
        leading.push_back(args[at]);
        leading.push_back(args[at + 1]);
        at += 2;
    }
    if (at >= args.size()) {
        if (!leading.empty())
            std::fprintf(stderr, "quorvex-cli: %s needs a value, then a command\n\n",
                         leading.back());
        printUsage(stderr);
        return quorvex::cli::kExitFailure;
    }
    const std::string_view first = args[at];
    if (first == "--help" || first == "-h") {
        printUsage(stdout);
        return 0;
    }
    if (first == "--version") {
        std::printf("quorvex-cli %s\n", quorvex::core::kVersion);
        return 0;
    }
    std::vector<char*> commandArgs = leading;
    commandArgs.insert(commandArgs.end(), args.begin() + static_cast<std::ptrdiff_t>(at) + 1,
                       args.end());
    for (const auto& command : quorvex::cli::kCommands) {
        if (command.name == first)
            return command.run(quorvex::cli::Args(commandArgs.data(), commandArgs.size()));
    }
    std::fprintf(stderr, "quorvex-cli: unknown command '%s'\n\n", args[at]);
    printUsage(stderr);
    return quorvex::cli::kExitFailure;
}
