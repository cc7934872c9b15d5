// The telephony page widgets against a simulated device: the in-process
// simulator on COM3 (the other COM names absent), the real driver library
// behind CConfigApp, an in-memory profile store and a fake clock.
#pragma once

#include "app/startup.h"
#include "core/config_app.h"
#include "driver/api/r70com32.h"
#include "sim/sim_device.h"
#include "support/fakes.h"
#include "support/qt_modal.h"
#include "support/scripted_ui.h"
#include "support/sim_on_com3.h"

#include <QApplication>
#include <QWidget>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace telwidgets {

using quorvex::sim::Model;

// One driver call as the program made it.
struct Call {
    uint16_t code;
    int32_t port, index, op;
};

using testsupport::whenModalIsUp;

// A message box (any modal widget that is not a page dialog of ours).
inline bool isMessageBox(QWidget* w) {
    return w->inherits("QMessageBox");
}

class TelWidgets : public ::testing::TestWithParam<Model>, public testsupport::SimOnCom3 {
protected:
    void SetUp() override {
        quorvex::sim::SimOptions o;
        o.model = GetParam();
        o.pacing = false;
        plugDevice(o);
        if (HasFatalFailure()) return;
        app = std::make_unique<quorvex::core::CConfigApp>(
            [this](uint16_t code, DRVPARAM* p) {
                if (p != nullptr) calls.push_back({code, p->nPort, p->nIndex, p->nOp});
                return D_SendDrvCmd(code, p);
            },
            profiles, clock);
        ASSERT_TRUE(quorvex::core::detectDevice(*app));
        ASSERT_EQ(app->modelNumber, GetParam() == Model::R30 ? 30 : 70);
        quorvex::core::readMsnTable(*app);
        quorvex::core::readPortNames(*app);
        calls.clear();
    }
    void TearDown() override { unplugDevice(); }

    int model() const { return GetParam() == Model::R30 ? 30 : 70; }
    int portCount() const { return GetParam() == Model::R30 ? 3 : 5; }

    // A register of the simulated device ("!P1#21"), "<unset>" when never written.
    std::string reg(const std::string& key) const {
        const auto state = dev->snapshot();
        auto it = state.registers.find(key);
        return it == state.registers.end() ? std::string("<unset>") : it->second;
    }

    // The set commands (op 1) the program made since the last clear.
    std::vector<Call> sets() const {
        std::vector<Call> out;
        for (const Call& c : calls)
            if (c.op == 1) out.push_back(c);
        return out;
    }

    quorvex::test::FakeProfileStore profiles;
    quorvex::test::FakeClock clock;
    std::unique_ptr<quorvex::core::CConfigApp> app;
    quorvex::test::RecordingHost host;
    std::vector<Call> calls;
};

inline std::string modelName(const ::testing::TestParamInfo<Model>& info) {
    return info.param == Model::R30 ? "R30" : "R70";
}

} // namespace telwidgets
