// A simulated device on COM3 (COM1, COM2, COM4-COM8 absent) behind the real
// driver library, and the core CConfigApp connected to it with a fake clock;
// the modal dialogs a widget opens are answered with ModalScript (qt_modal.h).
#pragma once

#include "core/config_app.h"
#include "core/detection.h"
#include "core/device_cache.h"
#include "driver/api/r70com32.h"
#include "sim/sim_device.h"
#include "support/fakes.h"
#include "support/qt_modal.h"
#include "support/sim_on_com3.h"
#include "support/wait_for.h"

#include <QApplication>
#include <QWidget>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace maintwidgets {

using namespace quorvex;
using namespace std::chrono_literals;

using testsupport::waitServing;

using testsupport::ModalScript;

class SimApp : public ::testing::Test, public testsupport::SimOnCom3 {
protected:
    void start(sim::Model model) {
        sim::SimOptions o;
        o.model = model;
        o.pacing = false;
        plugDevice(o);
        if (HasFatalFailure()) return;
        auto id = core::detect(app.directDriver(), core::FindMode::Find);
        ASSERT_TRUE(id.has_value());
        app.applyIdentity(*id);
        app.connected = true;
        app.pageModel = app.modelNumber;
        core::readMsnTable(app); // as the start-up does: every port's MSNs and CLIP switch
    }
    void TearDown() override { unplugDevice(); }
    int count(uint16_t code) const {
        int n = 0;
        for (uint16_t c : codes)
            n += c == code ? 1 : 0;
        return n;
    }

    std::vector<uint16_t> codes; // every driver command, in order
    // Called before each driver command (the upgrade test waits for the loader here).
    std::function<void(uint16_t)> beforeCall;
    test::FakeProfileStore profiles;
    test::FakeClock clock;
    core::CConfigApp app{[this](uint16_t code, DRVPARAM* p) {
                             codes.push_back(code);
                             if (beforeCall) beforeCall(code);
                             return D_SendDrvCmd(code, p);
                         },
                         profiles, clock};
};

} // namespace maintwidgets
