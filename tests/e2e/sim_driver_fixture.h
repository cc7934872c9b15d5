// A simulated device on COM3 (the other ports absent) for tests through the real
// driver library; the port is closed and the device removed after each test.
#pragma once

#include "driver/api/r70com32.h"
#include "sim/sim_device.h"
#include "support/sim_on_com3.h"
#include "support/wait_for.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <thread>

namespace simtest {

using namespace quorvex::sim;
using namespace std::chrono_literals;

using testsupport::waitFor;

class SimDriver : public ::testing::Test, public testsupport::SimOnCom3 {
protected:
    void startDevice(Model model, bool bootMode = false, bool pacing = false) {
        SimOptions o;
        o.model = model;
        o.bootMode = bootMode;
        o.pacing = pacing;
        plugDevice(o);
    }
    void connect(Model model) {
        startDevice(model);
        ASSERT_EQ(D_SendDrvCmd(DRV_FINDPORT, nullptr), 0);
    }
    void TearDown() override { unplugDevice(); }
    static DRVPARAM record(int port, int index, int op) {
        DRVPARAM p{};
        p.nPort = port;
        p.nIndex = index;
        p.nOp = op;
        return p;
    }
};

} // namespace simtest
