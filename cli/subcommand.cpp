#include "cli/subcommand.h"

#include <cstdio>

namespace quorvex::cli {
namespace {

constexpr const char* kCommonOptions =
    "\n"
    "  --port COMn=PATH  use PATH for COMn (repeatable; an empty PATH means the port\n"
    "                    does not exist); added to the variable R70COM_PORTS\n"
    "  --port PATH       try PATH first (a stable name such as /dev/serial/by-id/...;\n"
    "                    on Windows a COM name such as COM12), instead of the port\n"
    "                    chosen in the settings\n"
    "  --trace FILE      append a trace of the serial traffic to FILE (R70COM_TRACE)\n"
    "  --lang en|de      language of the messages\n"
    "  --help            this text\n";

void printSynopsis(FILE* out, const Usage& usage) {
    std::fprintf(out, "Usage: quorvex-cli %s [OPTIONS] %s\n", usage.name, usage.synopsis);
}

} // namespace

int usageError(const Usage& usage, const std::string& message) {
    std::fprintf(stderr, "quorvex-cli %s: %s\n", usage.name, message.c_str());
    printSynopsis(stderr, usage);
    return kExitFailure;
}

int fail(const Usage& usage, const std::string& message, int status) {
    std::fprintf(stderr, "quorvex-cli %s: %s\n", usage.name, message.c_str());
    return status;
}

Prepared prepare(Args args, const Usage& usage) {
    Prepared p;
    p.options = parseDeviceOptions(args);
    if (!p.options) {
        printSynopsis(stderr, usage);
        p.status = kExitFailure;
        return p;
    }
    if (p.options->help) {
        printSynopsis(stdout, usage);
        std::printf("\n%s%s", usage.text, kCommonOptions);
        p.options.reset();
        p.status = kExitOk;
        return p;
    }
    const std::size_t n = p.options->rest.size();
    if (n < usage.minArgs || n > usage.maxArgs) {
        p.status = usageError(usage, n < usage.minArgs ? "missing argument"
                                                       : "unexpected argument '" +
                                                             p.options->rest[usage.maxArgs] + "'");
        p.options.reset();
        return p;
    }
    applyDeviceOptions(*p.options);
    return p;
}

} // namespace quorvex::cli
