#pragma once
// The simulated device on COM3 of a test machine, behind the real driver
// library: the device's line is linked in a folder of its own under the
// temporary directory, and the COM map (R70COM_PORTS) names it with the other
// seven ports absent, so a scan never touches a real serial line. A fixture
// derives from it and calls unplugDevice() in its TearDown.

#include "driver/api/r70com32.h"
#include "sim/sim_device.h"
#include "support/com3_map.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <system_error>

namespace testsupport {

class SimOnCom3 {
public:
    SimOnCom3() = default;
    SimOnCom3(const SimOnCom3&) = delete;
    SimOnCom3& operator=(const SimOnCom3&) = delete;
    ~SimOnCom3() { removeFolder(); }

    // Starts a device of the options given (its link is set here); a device
    // that does not start fails the test.
    void plugDevice(quorvex::sim::SimOptions o) {
        if (dir_.empty()) {
            std::string name =
                (std::filesystem::temp_directory_path() / "quorvex-simXXXXXX").string();
            ASSERT_NE(::mkdtemp(name.data()), nullptr) << name;
            dir_ = name;
        }
        o.link = (dir_ / "COM3").string();
        dev = std::make_unique<quorvex::sim::SimDevice>(o);
        std::string why;
        ASSERT_TRUE(dev->start(&why)) << why;
        const std::string ports = comPortsWithCom3(o.link);
        ::setenv("R70COM_PORTS", ports.c_str(), 1);
    }
    // Closes the driver's line, stops the device and removes its folder.
    void unplugDevice() {
        D_SendDrvCmd(DRV_CLOSE, nullptr);
        dev.reset();
        removeFolder();
    }
    // The device's folder, for files a test puts beside it.
    const std::filesystem::path& simDir() const { return dir_; }

    std::unique_ptr<quorvex::sim::SimDevice> dev;

private:
    void removeFolder() {
        if (dir_.empty()) return;
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
        dir_.clear();
    }
    std::filesystem::path dir_;
};

} // namespace testsupport
