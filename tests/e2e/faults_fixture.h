// The program core over the real driver and an in-process simulated device on
// COM3, with a driver function that can pull the plug before a chosen call.
#pragma once

#include "core/config_app.h"
#include "e2e/sim_driver_fixture.h"
#include "support/fakes.h"
#include "support/recording_page.h"
#include "support/scripted_ui.h"

#include <chrono>
#include <functional>

namespace faults {

using namespace quorvex;
using Clock = std::chrono::steady_clock;

// No exchange here may take longer than the driver's own budgets allow; a
// hang shows as a run past this generous bound instead of a stuck ctest.
inline constexpr auto kDeadline = std::chrono::seconds(120);

class Faults : public simtest::SimDriver {
protected:
    void SetUp() override {
        connect(sim::Model::R70);
        app.connected = true;
        app.identified = true;
        app.modelNumber = 70;
        app.pageModel = 70;
        app.portCount = 5;
        for (int p = 0; p < 5; ++p)
            app.cache.analog[static_cast<std::size_t>(p)].name = core::defaultPortName(p);
        started_ = Clock::now();
    }
    void TearDown() override {
        EXPECT_LT(Clock::now() - started_, kDeadline) << "the faults took too long";
        SimDriver::TearDown();
    }

    // The device disappears just before the call for which unplugWhen is true.
    int32_t drive(uint16_t code, DRVPARAM* p) {
        if (beforeCall) beforeCall(code, p);
        if (unplugWhen && !unplugged && unplugWhen(code, p)) {
            dev->unplug();
            unplugged = true;
        }
        ++calls;
        return D_SendDrvCmd(code, p);
    }
    // The device is back: the port is opened again as the upgrade does it.
    void replugAndReopen() {
        std::string why;
        ASSERT_TRUE(dev->replug(&why)) << why;
        ASSERT_EQ(app.callDriver(DRV_REOPEN, nullptr), 0);
        app.connected = true;
    }

    std::function<bool(uint16_t, const DRVPARAM*)> unplugWhen;
    std::function<void(uint16_t, const DRVPARAM*)> beforeCall; // every call, first
    bool unplugged = false;
    int calls = 0;

    test::FakeProfileStore profiles;
    test::FakeClock clock;
    core::CConfigApp app{[this](uint16_t c, DRVPARAM* p) { return drive(c, p); }, profiles, clock};
    test::ScriptedUi ui;
    test::RecordingHost host;

private:
    Clock::time_point started_;
};

} // namespace faults
