// The data and cost page widgets against the simulated device on COM3 through
// the real driver library: offscreen, one simulated device per test.
#pragma once

#include "core/config_app.h"
#include "driver/api/r70com32.h"
#include "sim/sim_device.h"
#include "support/fakes.h"
#include "support/qt_modal.h"
#include "support/scripted_ui.h"
#include "support/sim_on_com3.h"
#include "support/wait_for.h"

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

namespace datawidgets_test {

using namespace quorvex;

using testsupport::whenModalIsUp;

// Answers the next message box with button (OK by default) and keeps its text.
inline void answerMessage(QString* text, QMessageBox::StandardButton button = QMessageBox::Ok) {
    whenModalIsUp([text, button](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        if (box == nullptr) {
            modal->close();
            return;
        }
        if (text != nullptr) *text = box->text();
        if (QAbstractButton* b = box->button(button)) b->click();
    });
}

using testsupport::waitServing;

class SimFixture : public ::testing::Test, public testsupport::SimOnCom3 {
protected:
    void start(sim::Model model) {
        sim::SimOptions o;
        o.model = model;
        o.pacing = false;
        plugDevice(o);
        if (HasFatalFailure()) return;
        ASSERT_EQ(D_SendDrvCmd(DRV_FINDPORT, nullptr), 0);
        app.connected = true;
        app.identified = true;
        app.modelNumber = model == sim::Model::R30 ? 30 : 70;
        app.portCount = model == sim::Model::R30 ? 3 : 5;
        app.pageModel = app.modelNumber;
    }
    void TearDown() override { unplugDevice(); }
    // The device's answer to a command line, without the line breaks and "OK".
    std::string ask(const std::string& line) {
        std::string reply = dev->query(line);
        std::string out;
        for (char c : reply)
            if (c != '\r' && c != '\n') out += c;
        if (out.size() >= 2 && out.compare(out.size() - 2, 2, "OK") == 0) out.erase(out.size() - 2);
        return out;
    }

    test::FakeProfileStore profiles;
    test::FakeClock clock;
    core::CConfigApp app{[](uint16_t code, DRVPARAM* p) { return D_SendDrvCmd(code, p); }, profiles,
                         clock};
    test::RecordingHost host;
};

} // namespace datawidgets_test
