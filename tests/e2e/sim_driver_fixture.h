// A simulated device on COM3 (COM1 and COM2 absent) for tests through the real
// driver library; the port is closed and the device removed after each test.
#pragma once

#include "driver/api/r70com32.h"
#include "sim/sim_device.h"
#include "support/com_ports.h"
#include "support/wait_for.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <unistd.h>

namespace simtest {

using namespace quorvex::sim;
using namespace std::chrono_literals;

inline std::string tempDir() {
    auto dir = std::filesystem::temp_directory_path() / ("simdrv_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    return dir.string();
}

using testsupport::waitFor;

class SimDriver : public ::testing::Test {
protected:
    void startDevice(Model model, bool bootMode = false, bool pacing = false) {
        dir_ = tempDir();
        SimOptions o;
        o.model = model;
        o.link = dir_ + "/COM3";
        o.bootMode = bootMode;
        o.pacing = pacing;
        dev_ = std::make_unique<SimDevice>(o);
        std::string why;
        ASSERT_TRUE(dev_->start(&why)) << why;
        // The other ports are absent, so a scan never touches a real serial line.
        std::string ports = testsupport::comPortsWithCom3(o.link);
        ::setenv("R70COM_PORTS", ports.c_str(), 1);
    }
    void connect(Model model) {
        startDevice(model);
        ASSERT_EQ(D_SendDrvCmd(DRV_FINDPORT, nullptr), 0);
    }
    void TearDown() override {
        D_SendDrvCmd(DRV_CLOSE, nullptr);
        dev_.reset();
        if (!dir_.empty()) std::filesystem::remove_all(dir_);
    }
    static DRVPARAM record(int port, int index, int op) {
        DRVPARAM p{};
        p.nPort = port;
        p.nIndex = index;
        p.nOp = op;
        return p;
    }

    std::unique_ptr<SimDevice> dev_;
    std::string dir_;
};

} // namespace simtest
