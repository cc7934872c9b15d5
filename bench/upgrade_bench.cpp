// Firmware upgrade benchmark: a whole upgrade of a simulated R70 (pacing on)
// through the real driver, timed against what the design makes unavoidable:
// the fixed waits (80 ms, the 15 s reset wait, 50 ms, the 12 s closing wait)
// plus the image on the wire, 524288 bytes x 10 / baud.
//
//   115200  a working device: call check, download mode, reset wait, transfer
//   19200   a device found only in its boot loader: the probe leaves the line
//           at 19200 and the transfer starts at once (no call check, no reset wait)
//
// Usage: upgrade_bench [115200|19200|both]   (19200 takes about five minutes)
#include "core/clock.h"
#include "core/config_app.h"
#include "core/detection.h"
#include "core/profile_store.h"
#include "driver/api/r70com32.h"
#include "maintenance/firmware_file.h"
#include "maintenance/upgrade.h"
#include "sim/firmware_image.h"
#include "sim/sim_device.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>

#include <unistd.h>

namespace {

namespace fs = std::filesystem;
namespace qc = quorvex::core;
namespace qm = quorvex::maintenance;
namespace qs = quorvex::sim;
using Clock = std::chrono::steady_clock;

class NoProfiles : public qc::ProfileStore {
public:
    std::string readString(int, std::string_view, std::string_view, std::string_view def) override {
        return std::string(def);
    }
    int readInt(int, std::string_view, std::string_view, int def) override { return def; }
    quorvex::profile::WriteResult writeString(int, std::string_view, std::string_view,
                                              std::string_view) override {
        return {true, {}};
    }
    Contents contents(int) override { return Contents{}; }
    quorvex::profile::WriteResult restore(int, const Contents&) override { return {true, {}}; }
};

// Chooses the image, confirms it, and remembers the outcome messages.
class BenchUi : public qm::UpgradeUi {
public:
    explicit BenchUi(std::string image) : image_(std::move(image)) {}
    std::optional<std::string> askFirmwareFile(const qm::FileDialogSpec&) override {
        if (asked_++ > 0) return std::nullopt; // one attempt only
        return image_;
    }
    bool confirmFirmware(const qm::FirmwareComparison&) override { return true; }
    void message(int textId) override { lastMessage = textId; }
    void unconfirmedSettings(const std::vector<std::string>&) override {
        lastMessage = qm::kTextUnreadNotStarted;
    }
    void beep() override {}
    void showProgressPanel(bool) override {}
    void progressCaption(int) override {}
    void progressRange(int) override {}
    void progressPosition(int) override {}
    int lastMessage = 0;

private:
    std::string image_;
    int asked_ = 0;
};

// Settings are not saved or loaded here: only the upgrade itself is timed.
class BenchHost : public qm::UpgradeHost {
public:
    explicit BenchHost(qc::CConfigApp& app) : app_(app) {}
    qc::SaveResult saveDefaultProfile() override {
        qc::SaveResult r;
        r.written = true;
        return r;
    }
    void loadDefaultProfile() override {}
    void forgetDevice() override {}
    void identity() override { app_.applyIdentity(qc::readIdentity(D_SendDrvCmd)); }
    void postCommand(int) override {}

private:
    qc::CConfigApp& app_;
};

int runOnce(unsigned baud) {
    const fs::path dir = fs::temp_directory_path() /
                         ("upgrade-bench-" + std::to_string(getpid()) + "-" + std::to_string(baud));
    fs::create_directories(dir);
    const fs::path image = dir / "new.r70";
    const auto bytes = qs::makeImage(qs::Model::R70, "V9.99 R70", "V9.99");
    std::string error;
    if (!qs::writeImageFile(image.string(), bytes, &error)) {
        std::fprintf(stderr, "upgrade_bench: %s\n", error.c_str());
        return 2;
    }
    qs::SimOptions options;
    options.model = qs::Model::R70;
    options.link = (dir / "COM3").string();
    options.pacing = true;
    options.bootMode = baud == 19200;
    qs::SimDevice sim(options);
    if (!sim.start(&error)) {
        std::fprintf(stderr, "upgrade_bench: the simulator did not start: %s\n", error.c_str());
        return 2;
    }
    const std::string ports = "COM1=;COM2=;COM3=" + options.link;
    setenv("R70COM_PORTS", ports.c_str(), 1);

    NoProfiles profiles;
    qc::SteadyClock clock;
    qc::CConfigApp app{D_SendDrvCmd, profiles, clock};
    if (baud == 19200) {
        // What start-up does: the probe finds the loader and leaves the line at 19200.
        DRVPARAM probe{};
        probe.nPort = 2;
        if (D_SendDrvCmd(DRV_BOOTPROBE, &probe) != 2) {
            std::fprintf(stderr, "upgrade_bench: the boot loader did not answer the probe\n");
            return 2;
        }
        app.bootLoaderFound = 1;
        app.connected = 1;
        app.portIndex = 2;
    } else {
        auto identity = qc::detect(D_SendDrvCmd, qc::FindMode::Find);
        if (!identity) {
            std::fprintf(stderr, "upgrade_bench: the driver did not find the device\n");
            return 2;
        }
        app.applyIdentity(*identity);
        app.connected = 1;
    }

    BenchUi ui(image.string());
    BenchHost host(app);
    qm::FirmwareUpgrade upgrade(app, ui, host, [] {});
    const auto start = Clock::now();
    const qm::UpgradeEnd end = upgrade.run();
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();

    const double fixed = baud == 19200 ? 0.050 + 12.0 : 0.080 + 15.0 + 0.050 + 12.0;
    const double wire = static_cast<double>(qm::kFirmwareSize) * 10.0 / baud;
    std::printf("%6u baud  %s  %7.1f s  fixed waits %5.1f s + image on the wire %6.1f s = %6.1f s"
                "  ratio %.3f  (device now: %s)\n",
                baud, end == qm::UpgradeEnd::Success ? "success" : "FAILED ", seconds, fixed, wire,
                fixed + wire, seconds / (fixed + wire), app.firmwareText.c_str());
    D_SendDrvCmd(DRV_CLOSE, nullptr);
    sim.stop();
    fs::remove_all(dir);
    return end == qm::UpgradeEnd::Success ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    const std::string which = argc > 1 ? argv[1] : "both";
    int status = 0;
    if (which == "115200" || which == "both") status |= runOnce(115200);
    if (which == "19200" || which == "both") status |= runOnce(19200);
    return status;
}
