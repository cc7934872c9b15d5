// r70sim: a simulated R30 / R70 / R70-USB on a pseudo-terminal.
#include "sim/firmware_image.h"
#include "sim/sim_device.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <string>
#include <string_view>

#ifndef QUORVEX_VERSION
#define QUORVEX_VERSION "0.0.0"
#endif

namespace {

using namespace quorvex::sim;

constexpr const char* kUsage =
    "Usage: r70sim --model R30|R70|R70-USB --link PATH [options]\n"
    "       r70sim --make-image FILE --model R30|R70|R70-USB [--firmware V] [--bootcode V]\n"
    "\n"
    "Runs a simulated ISDN terminal adapter on a pseudo-terminal and links PATH to it.\n"
    "Prints the pseudo-terminal's path when ready; SIGINT or SIGTERM ends it,\n"
    "SIGUSR1 unplugs the device and SIGUSR2 plugs it in again (printing the new path).\n"
    "\n"
    "Options:\n"
    "  --model M          R30, R70 or R70-USB\n"
    "  --link PATH        symbolic link to create (replaced if it is a link)\n"
    "  --replug-link PATH SIGUSR2 plugs the device in under PATH instead of --link\n"
    "                     (a USB adapter that comes back under another node)\n"
    "  --state FILE       settings file: loaded at start, written by AT&W\n"
    "  --heard FILE       every command line the device heard, one a line,\n"
    "                     written into FILE when it ends\n"
    "  --boot-mode        start in the boot loader (no usable firmware)\n"
    "  --no-pacing        send replies at once instead of at the line speed\n"
    "  --keep-settings    a firmware download keeps the settings, call lists and\n"
    "                     charges (by default the new firmware starts from the\n"
    "                     factory settings)\n"
    "  --baud 57600       answer at 57600 instead of 115200 baud\n"
    "  --fault F          silent | no-ok | garbage | late=MS | pause=K,MS |\n"
    "                     extra=blank|empty-line|after,MS | value=PREFIX,VALUE |\n"
    "                     scope=PREFIX (repeatable; scope limits the reply faults\n"
    "                     to commands that begin with PREFIX)\n"
    "  --make-image FILE  write a valid firmware image for --model and exit\n"
    "  --firmware V       firmware text of the image (default V2.20 <model>)\n"
    "  --bootcode V       boot code text of the image (default V1.03)\n"
    "  --help, --version\n";

int usageError(const std::string& what) {
    std::cerr << "r70sim: " << what << "\n"
              << "Try 'r70sim --help'.\n";
    return 2;
}

// Adds the fault one --fault argument names to faults; false when it names none.
bool applyFault(Faults& faults, std::string_view f) {
    using std::chrono::milliseconds;
    if (f == "silent")
        faults.silent = true;
    else if (f == "no-ok")
        faults.noOk = true;
    else if (f == "garbage")
        faults.garbage = Garbage::Before;
    else if (f.starts_with("late="))
        faults.lateFirstByte = milliseconds(std::atoi(f.data() + 5));
    else if (f.starts_with("pause=")) {
        auto comma = f.find(',');
        if (comma == std::string_view::npos) return false;
        faults.pauseAfter = static_cast<std::size_t>(std::atoi(f.data() + 6));
        faults.pause = milliseconds(std::atoi(f.data() + comma + 1));
    } else if (f == "extra=blank")
        faults.extra = Extra::Blank;
    else if (f == "extra=empty-line")
        faults.extra = Extra::EmptyLine;
    else if (f.starts_with("extra=after,")) {
        faults.extra = Extra::LineAfter;
        faults.extraAfter = milliseconds(std::atoi(f.data() + 12));
    } else if (f.starts_with("value=")) {
        auto comma = f.rfind(',');
        if (comma == std::string_view::npos || comma < 6) return false;
        faults.oddValuePrefix = std::string(f.substr(6, comma - 6));
        faults.oddValue = std::string(f.substr(comma + 1));
    } else if (f.starts_with("scope="))
        faults.scope = std::string(f.substr(6));
    else
        return false;
    return true;
}

} // namespace

int main(int argc, char** argv) {
    SimOptions opt;
    bool haveModel = false;
    std::string makeImagePath, firmware, bootCode, replugLink, heardFile;
    std::vector<std::string> faults;
    unsigned baud = 115200;
    for (int i = 1; i < argc; ++i) {
        std::string_view a = argv[i];
        auto value = [&]() -> const char* { return i + 1 < argc ? argv[++i] : nullptr; };
        if (a == "--help" || a == "-h") {
            std::cout << kUsage;
            return 0;
        } else if (a == "--version") {
            std::cout << "r70sim " << QUORVEX_VERSION << "\n";
            return 0;
        } else if (a == "--model") {
            const char* v = value();
            auto m = v ? parseModel(v) : std::nullopt;
            if (!m) return usageError("--model takes R30, R70 or R70-USB");
            opt.model = *m;
            haveModel = true;
        } else if (a == "--link" || a == "--replug-link" || a == "--state" || a == "--make-image" ||
                   a == "--firmware" || a == "--bootcode" || a == "--fault" || a == "--baud" ||
                   a == "--heard") {
            const char* v = value();
            if (!v) return usageError(std::string(a) + " needs a value");
            if (a == "--link")
                opt.link = v;
            else if (a == "--replug-link")
                replugLink = v;
            else if (a == "--state")
                opt.stateFile = v;
            else if (a == "--make-image")
                makeImagePath = v;
            else if (a == "--firmware")
                firmware = v;
            else if (a == "--bootcode")
                bootCode = v;
            else if (a == "--fault")
                faults.emplace_back(v);
            else if (a == "--heard")
                heardFile = v;
            else {
                baud = static_cast<unsigned>(std::atoi(v));
                if (baud != 115200 && baud != 57600)
                    return usageError("--baud takes 115200 or 57600");
            }
        } else if (a == "--boot-mode") {
            opt.bootMode = true;
        } else if (a == "--no-pacing") {
            opt.pacing = false;
        } else if (a == "--keep-settings") {
            opt.keepSettingsOnFlash = true;
        } else {
            return usageError("unknown option " + std::string(a));
        }
    }
    if (!haveModel) return usageError("--model is required");

    if (!makeImagePath.empty()) {
        if (firmware.size() > 15) return usageError("--firmware text is longer than 15 characters");
        if (bootCode.size() > 31) return usageError("--bootcode text is longer than 31 characters");
        std::string error;
        if (!writeImageFile(makeImagePath, makeImage(opt.model, firmware, bootCode), &error)) {
            std::cerr << "r70sim: " << error << "\n";
            return 1;
        }
        return 0;
    }
    if (opt.link.empty()) return usageError("--link is required");

    // Block the stop signals before any thread starts, then wait for one.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGUSR1);
    sigaddset(&stopSignals, SIGUSR2);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    SimDevice dev(opt);
    dev.setModeBaud(baud);
    Faults wrong;
    for (const std::string& f : faults)
        if (!applyFault(wrong, f)) return usageError("unknown fault " + f);
    dev.setFaults(std::move(wrong));
    std::string error;
    if (!dev.start(&error)) {
        std::cerr << "r70sim: " << error << "\n";
        return 1;
    }
    std::cout << dev.slavePath() << std::endl;
    // SIGUSR1 unplugs the device, SIGUSR2 plugs it in again; SIGINT/SIGTERM end it.
    for (;;) {
        int sig = 0;
        if (sigwait(&stopSignals, &sig) != 0) continue;
        if (sig == SIGUSR1) {
            dev.unplug();
            std::cerr << "r70sim: unplugged\n";
        } else if (sig == SIGUSR2) {
            if (dev.replug(&error, replugLink))
                std::cout << dev.slavePath() << std::endl;
            else
                std::cerr << "r70sim: replug failed: " << error << "\n";
        } else {
            break;
        }
    }
    dev.stop();
    if (!heardFile.empty()) {
        std::ofstream heard(heardFile, std::ios::binary | std::ios::trunc);
        for (const std::string& line : dev.receivedLines())
            heard << line << '\n';
        if (!heard.flush()) {
            std::cerr << "r70sim: cannot write " << heardFile << "\n";
            return 1;
        }
    }
    return 0;
}
