// quorvex-cli: the headless companion of the desktop program.
#include "app/version.h"

#include <cstdio>
#include <cstring>

namespace {

void printUsage(FILE* out) {
    std::fprintf(out, "Usage: quorvex-cli [--help] [--version] COMMAND [ARGS]\n"
                      "\n"
                      "Configure and watch an R30 / R70 ISDN terminal adapter from the command line.\n");
}

} // namespace

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            printUsage(stdout);
            return 0;
        }
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("quorvex-cli %s\n", quorvex::kVersion);
            return 0;
        }
    }
    printUsage(stderr);
    return 2;
}
