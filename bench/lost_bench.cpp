// The heartbeat's tick while the device is lost, and how long finding it
// again takes.
//
// A fake machine (R70COM_ROOT) with a console, a getty, a silent built-in port
// and the adapter's twin (same make, no serial numbers), and a simulated
// R70-USB (pacing on) behind the adapter. The device is found, then pulled out;
// a board of another make comes up on ttyACM0. The presence test (command 55,
// what each tick of the heartbeat sends) runs once a second: while the device
// is away, then after it is plugged back into its socket under another node,
// deaf for its first two seconds, until it answers. Prints the longest and the
// median tick of each phase, the time to find it again, and what the other
// lines heard (nothing, or the search touched them).
//
// Usage: lost_bench [SECONDS_AWAY]   (default 20)
#include "driver/api/r70com32.h"
#include "sim/sim_device.h"
#include "support/fake_line.h"
#include "support/fake_machine.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

struct Phase {
    std::vector<double> ticksMs;
    bool answered = false;
    double untilMs = 0; // from the phase's start to the answer
};

// Ticks once a second for up to bound, until the device answers (when it may).
Phase tick(std::chrono::seconds bound, bool untilAnswered) {
    Phase phase;
    const auto start = Clock::now();
    auto next = start;
    while (Clock::now() - start < bound) {
        std::this_thread::sleep_until(next);
        next += 1s;
        const auto t = Clock::now();
        const bool answered = D_SendDrvCmd(DRV_PING2, nullptr) == 1;
        phase.ticksMs.push_back(
            std::chrono::duration<double, std::milli>(Clock::now() - t).count());
        if (answered && untilAnswered) {
            phase.answered = true;
            phase.untilMs = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
            break;
        }
    }
    return phase;
}

void print(const char* what, Phase p) {
    std::sort(p.ticksMs.begin(), p.ticksMs.end());
    const double median = p.ticksMs.empty() ? 0 : p.ticksMs[p.ticksMs.size() / 2];
    const double longest = p.ticksMs.empty() ? 0 : p.ticksMs.back();
    std::printf("%-44s %3zu ticks  median %7.2f ms  longest %7.2f ms", what, p.ticksMs.size(),
                median, longest);
    if (p.answered) std::printf("  found after %.2f s", p.untilMs / 1000);
    std::printf("\n");
}

} // namespace

int main(int argc, char** argv) {
    const int away = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
    const fs::path dir = fs::temp_directory_path() / ("lost_bench_" + std::to_string(::getpid()));
    fs::remove_all(dir);
    {
        FakeMachine m(dir / "machine");
        fs::create_directories(dir / "machine" / "var" / "lock");
        ::setenv("R70COM_ROOT", (dir / "machine").c_str(), 1);
        ::unsetenv("R70COM_PORTS");
        std::map<std::string, std::unique_ptr<FakeLine>> lines;
        for (const char* name : {"console", "getty", "twin", "builtin", "foreign"})
            lines[name] = std::make_unique<FakeLine>();
        m.addBuiltin("ttyS0", "4", lines["console"]->path());
        m.setConsole("tty0 ttyS0");
        m.addBuiltin("ttyS1", "4", lines["getty"]->path());
        lines["getty"]->runGetty();
        m.addBuiltin("ttyS2", "4", lines["builtin"]->path());
        const FakeMachine::Usb adapter{"1a86", "7523", "", "USB Serial", "", "1-1"};
        const std::string sharedId = "usb-1a86_USB_Serial-if00-port0";
        auto plug = [&](const std::string& tty, const std::string& bus, const std::string& to) {
            FakeMachine::Usb u = adapter;
            u.bus = bus;
            m.addUsb(tty, u, to);
            m.link("by-path", "pci-0000:00:14.0-usb-0:" + bus + ":1.0-port0", tty);
        };
        quorvex::sim::SimOptions o;
        o.model = quorvex::sim::Model::R70Usb;
        o.link = (dir / "simA").string();
        quorvex::sim::SimDevice sim(o);
        std::string why;
        if (!sim.start(&why)) {
            std::fprintf(stderr, "lost_bench: %s\n", why.c_str());
            return 1;
        }
        plug("ttyUSB0", "1-1", o.link);
        m.link("by-id", sharedId, "ttyUSB0");
        plug("ttyUSB1", "1-2", lines["twin"]->path());
        if (D_SendDrvCmd(DRV_FINDPORT, nullptr) != 0) {
            std::fprintf(stderr, "lost_bench: the device was not found\n");
            return 1;
        }
        for (auto& [name, line] : lines)
            line->received();

        sim.unplug();
        m.remove("ttyUSB0");
        m.link("by-id", sharedId, "ttyUSB1");
        m.addUsb("ttyACM0", {"2341", "0043", "Arduino", "Uno", "", "1-9", "cdc_acm"},
                 lines["foreign"]->path());
        print("unplugged", tick(std::chrono::seconds(away), false));

        sim.setFaults({.startSilence = 2000ms});
        if (!sim.replug(&why, (dir / "simB").string())) {
            std::fprintf(stderr, "lost_bench: %s\n", why.c_str());
            return 1;
        }
        plug("ttyUSB2", "1-1", (dir / "simB").string());
        print("back in its socket, deaf for 2 s", tick(60s, true));
        for (auto& [name, line] : lines)
            std::printf("%-10s heard %zu bytes\n", name.c_str(), line->received().size());
        D_SendDrvCmd(DRV_CLOSE, nullptr);
    }
    fs::remove_all(dir);
    return 0;
}
