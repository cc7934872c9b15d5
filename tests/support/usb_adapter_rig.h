#pragma once
// A device behind a USB serial adapter as owners have it: the simulated
// adapter (sim/usb_adapter.h) in front of a device's pseudo-terminal, shown
// on a fake machine (fake_machine.h, R70COM_ROOT) as ttyUSB0 in the kernel's
// sysfs layout - the chip's vendor, product and driver, a by-id link, and
// for ftdi_sio the port's latency_timer, which the adapter follows live. How
// that timer can be changed is the case's: a file the driver may write, one
// that stays at 16 (sysfs takes no write to an attribute without write
// permission, from root neither), one that cannot be read, one that holds
// no number. The CH340 and PL2303 drivers show no timer at all: "stuck" is then a
// chip that holds bytes 16 ms and nothing can tell the driver so.

#include "sim/usb_adapter.h"
#include "support/fake_machine.h"

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <sys/stat.h>

namespace testsupport {

enum class TimerFile {
    Lowerable,  // latency_timer as found, writable
    Stuck,      // at 16 (or latencyMs) and read-only; a chip without the file holds 16 ms
    Unreadable, // a folder where the file should be
    Garbled,    // reads give no number (and writes fail)
};

struct AdapterCase {
    std::string_view profile = "ftdi"; // sim::adapterProfile's name
    TimerFile timer = TimerFile::Lowerable;
    int latencyMs = 0; // the timer as found; 0: the profile's (Stuck: 16)
};

inline std::string caseName(const AdapterCase& c) {
    static const char* const kTimers[] = {"Lowerable", "Stuck", "Unreadable", "Garbled"};
    std::string name(c.profile);
    for (char& ch : name)
        if (ch == '-') ch = '_';
    return name + "_" + kTimers[static_cast<int>(c.timer)] +
           (c.latencyMs > 0 ? "_" + std::to_string(c.latencyMs) + "ms" : "");
}

class AdapterRig {
public:
    AdapterRig(std::filesystem::path root, AdapterCase c)
        : root_(std::move(root)), case_(c), profile_(quorvex::sim::adapterProfile(c.profile)) {}

    // The adapter in front of devicePath (a simulator's slave), and the
    // machine around it.
    bool start(const std::string& devicePath, std::string* why) {
        if (profile_ == nullptr) {
            *why = "no adapter profile " + std::string(case_.profile);
            return false;
        }
        std::filesystem::create_directories(root_ / "var" / "lock");
        machine_.emplace(root_);
        const int found = case_.latencyMs > 0               ? case_.latencyMs
                          : case_.timer == TimerFile::Stuck ? 16
                                                            : profile_->latencyMs;
        quorvex::sim::AdapterOptions o;
        o.profile = profile_;
        o.device = devicePath;
        o.latencyMs = found;
        const std::filesystem::path port =
            machine_->sys() / "devices" / "pci0" / "usb1" / "1-1" / "1-1:1.0" / "ttyUSB0";
        if (profile_->latencyTimer) o.latencyFile = (port / "latency_timer").string();
        adapter_.emplace(o);
        if (!adapter_->start(why)) return false;
        FakeMachine::Usb usb;
        usb.vendor = profile_->vendor;
        usb.product = profile_->product;
        usb.manufacturer = profile_->manufacturer;
        usb.productName = profile_->productName;
        usb.serial = "Q33A9";
        usb.driver = profile_->driver;
        if (profile_->latencyTimer && case_.timer != TimerFile::Unreadable &&
            case_.timer != TimerFile::Garbled)
            usb.latencyTimer = std::to_string(found);
        machine_->addUsb("ttyUSB0", usb, adapter_->path());
        byId_ = machine_->link("by-id",
                               "usb-" + usb.manufacturer + "_" + usb.productName + "_" +
                                   usb.serial + "-if00-port0",
                               "ttyUSB0");
        if (!profile_->latencyTimer) return true;
        latencyFile_ = o.latencyFile;
        switch (case_.timer) {
        case TimerFile::Stuck:
            ::chmod(latencyFile_.c_str(), 0444);
            break;
        case TimerFile::Unreadable:
            std::filesystem::create_directory(latencyFile_);
            break;
        case TimerFile::Garbled:
            std::filesystem::create_symlink("/dev/full", latencyFile_);
            break;
        case TimerFile::Lowerable:
            break;
        }
        return true;
    }
    void stop() {
        if (adapter_) adapter_->stop();
    }

    const AdapterCase& which() const { return case_; }
    const quorvex::sim::AdapterProfile& profile() const { return *profile_; }
    quorvex::sim::UsbAdapter& adapter() { return *adapter_; }
    std::string node() const { return (machine_->dev() / "ttyUSB0").string(); }
    const std::string& byId() const { return byId_; }
    // Empty for a driver without one.
    const std::string& latencyFile() const { return latencyFile_; }
    // What the file holds now ("" when it cannot be read).
    std::string timerText() const {
        std::ifstream in(latencyFile_);
        std::string text;
        std::getline(in, text);
        return text;
    }
    // What a program on this machine is given: the machine, no COM map, and a
    // short listen after each reply (the program's 250 ms cost a check 85 s;
    // late bytes are looked for elsewhere).
    std::map<std::string, std::string> environment() const {
        return {{"R70COM_ROOT", root_.string()}, {"R70COM_PORTS", ""}, {"R70COM_LISTEN_MS", "30"}};
    }

private:
    std::filesystem::path root_;
    AdapterCase case_;
    const quorvex::sim::AdapterProfile* profile_;
    std::optional<FakeMachine> machine_;
    std::optional<quorvex::sim::UsbAdapter> adapter_;
    std::string byId_, latencyFile_;
};

} // namespace testsupport
