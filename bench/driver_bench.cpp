// Driver benchmark: how close the exchanges come to what the serial line allows.
//
// Runs a simulated R70 (pacing on, 115200 baud) in this process, finds it through
// the real driver library and times three things, each against the wire limit:
// the bytes on the line x 10 / 115200, plus per exchange the silence the reader
// must wait for before it knows a reply has ended (inter-byte constant + 10 ms).
//
//   short  one query with a short reply (the CLIP switch of port 11)
//   long   one query with a long reply (the outgoing call list of port 11)
//   full   every setting the ten pages read on an R70 (and the MSN table and
//          settings read of start-up)
//
// Usage: driver_bench [ROUNDS]   (default 20 for short/long, ROUNDS/4 for full)
#include "app/logic_pages.h"
#include "app/main_window_logic.h"
#include "core/clock.h"
#include "core/config_app.h"
#include "core/device_cache.h"
#include "core/profile_store.h"
#include "driver/api/r70com32.h"
#include "sim/sim_device.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;
namespace qc = quorvex::core;
namespace qa = quorvex::app;

constexpr double kBaud = 115200.0;
constexpr double kSilenceMs = 20.0; // inter-byte constant at 115200 (10 ms) + 10 ms

// Profiles in memory: the benchmark writes nothing to disk.
class MemoryProfiles : public qc::ProfileStore {
public:
    std::string readString(int selector, std::string_view section, std::string_view key,
                           std::string_view def) override {
        auto it = values_.find(name(selector, section, key));
        return it == values_.end() ? std::string(def) : it->second;
    }
    int readInt(int selector, std::string_view section, std::string_view key, int def) override {
        auto it = values_.find(name(selector, section, key));
        return it == values_.end() ? def : std::atoi(it->second.c_str());
    }
    quorvex::profile::WriteResult writeString(int selector, std::string_view section,
                                              std::string_view key,
                                              std::string_view value) override {
        values_[name(selector, section, key)] = std::string(value);
        return {true, {}};
    }
    // The benchmark's saves always write: nothing to put back.
    Contents contents(int selector) override {
        Contents c;
        const std::string prefix = std::to_string(selector) + "/";
        for (const auto& [k, v] : values_) {
            if (k.rfind(prefix, 0) == 0) c.bytes += k + "=" + v + "\n";
        }
        c.exists = !c.bytes.empty();
        return c;
    }
    quorvex::profile::WriteResult restore(int, const Contents&) override {
        return {false, "the benchmark keeps no copies"};
    }

private:
    static std::string name(int selector, std::string_view section, std::string_view key) {
        return std::to_string(selector) + "/" + std::string(section) + "/" + std::string(key);
    }
    std::map<std::string, std::string> values_;
};

// Answers nothing and asks nothing: the benchmark only reads.
class SilentUi : public qc::PageUi, public qc::PageHost {
public:
    void message(int) override {}
    bool askYesNo(int) override { return false; }
    qc::DiscardAnswer askSendDiscardCancel() override { return qc::DiscardAnswer::Cancel; }
    void beep() override {}
    void setBusy(bool) override {}
    void focus(int) override {}
    void refresh() override {}
    void messageWithTail(int, const std::string&) override {}
    void progress() override {}
    void msnChanged() override {}
    void postCommand(int) override {}
};

struct Figure {
    double medianMs = 0;
    double wireMs = 0; // per run
    double exchanges = 0;
    double bytes = 0;
};

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

Figure measure(quorvex::sim::SimDevice& sim, int rounds, const std::function<void()>& work) {
    std::vector<double> times;
    Figure f;
    for (int i = 0; i < rounds; ++i) {
        sim.resetCounters();
        auto start = Clock::now();
        work();
        times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
        auto c = sim.counters();
        f.bytes = static_cast<double>(c.bytesIn + c.bytesOut);
        f.exchanges = static_cast<double>(c.commands);
    }
    f.medianMs = median(times);
    f.wireMs = f.bytes * 10.0 / kBaud * 1000.0 + f.exchanges * kSilenceMs;
    return f;
}

void print(const char* name, const Figure& f) {
    std::printf("%-6s median %9.1f ms  wire limit %9.1f ms  (%4.0f exchanges, %7.0f bytes)  "
                "ratio %.3f\n",
                name, f.medianMs, f.wireMs, f.exchanges, f.bytes, f.medianMs / f.wireMs);
}

} // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
    namespace fs = std::filesystem;
    const fs::path dir = fs::temp_directory_path() / ("driver-bench-" + std::to_string(getpid()));
    fs::create_directories(dir);
    quorvex::sim::SimOptions options;
    options.model = quorvex::sim::Model::R70;
    options.link = (dir / "COM3").string();
    options.pacing = true;
    quorvex::sim::SimDevice sim(options);
    std::string error;
    if (!sim.start(&error)) {
        std::fprintf(stderr, "driver_bench: the simulator did not start: %s\n", error.c_str());
        return 2;
    }
    const std::string ports = "COM1=;COM2=;COM3=" + options.link;
    setenv("R70COM_PORTS", ports.c_str(), 1);
    if (D_SendDrvCmd(DRV_FINDPORT, nullptr) != 0) {
        std::fprintf(stderr, "driver_bench: the driver did not find the simulated device\n");
        return 2;
    }

    Figure shortQuery = measure(sim, rounds, [] {
        DRVPARAM p{};
        p.nPort = 11;
        D_SendDrvCmd(DRV_CLIP, &p);
    });
    Figure longQuery = measure(sim, rounds, [] {
        char buffer[960];
        DRVPARAM p{};
        p.nPort = 11;
        p.nIndex = 0;
        drv_set_buffer(&p, buffer, sizeof buffer);
        D_SendDrvCmd(DRV_LOG, &p);
    });

    MemoryProfiles profiles;
    qc::SteadyClock clock;
    qc::CConfigApp app{D_SendDrvCmd, profiles, clock};
    app.connected = 1;
    app.identified = 1;
    app.modelNumber = app.pageModel = 70;
    app.portCount = 5;
    SilentUi ui;
    Figure full = measure(sim, std::max(1, rounds / 4), [&] {
        qc::readMsnTable(app);
        for (int index = 0; index < 10; ++index) {
            auto page = qa::makeLogicPage(index, 70, app, ui, ui);
            page->readDevice();
            page->hidden(); // stop the pages that poll
        }
    });

    std::printf("Simulated R70, pacing on, 115200 baud; wire limit = bytes x 10 / 115200 + "
                "%.0f ms per exchange\n",
                kSilenceMs);
    print("short", shortQuery);
    print("long", longQuery);
    print("full", full);
    D_SendDrvCmd(DRV_CLOSE, nullptr);
    sim.stop();
    fs::remove_all(dir);
    return 0;
}
