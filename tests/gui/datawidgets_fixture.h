// The data and cost page widgets against the simulated device on COM3 through
// the real driver library: offscreen, one simulated device per test.
#pragma once

#include "core/config_app.h"
#include "driver/api/r70com32.h"
#include "sim/sim_device.h"
#include "support/com_ports.h"
#include "support/fakes.h"
#include "support/qt_modal.h"
#include "support/scripted_ui.h"
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
#include <unistd.h>

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

class SimFixture : public ::testing::Test {
protected:
    void start(sim::Model model) {
        dir_ =
            (std::filesystem::temp_directory_path() / ("datawidgets_" + std::to_string(::getpid())))
                .string();
        std::filesystem::create_directories(dir_);
        sim::SimOptions o;
        o.model = model;
        o.link = dir_ + "/COM3";
        o.pacing = false;
        dev = std::make_unique<sim::SimDevice>(o);
        std::string why;
        ASSERT_TRUE(dev->start(&why)) << why;
        const std::string ports = testsupport::comPortsWithCom3(o.link);
        ::setenv("R70COM_PORTS", ports.c_str(), 1);
        ASSERT_EQ(D_SendDrvCmd(DRV_FINDPORT, nullptr), 0);
        app.connected = true;
        app.identified = true;
        app.modelNumber = model == sim::Model::R30 ? 30 : 70;
        app.portCount = model == sim::Model::R30 ? 3 : 5;
        app.pageModel = app.modelNumber;
    }
    void TearDown() override {
        D_SendDrvCmd(DRV_CLOSE, nullptr);
        dev.reset();
        if (!dir_.empty()) std::filesystem::remove_all(dir_);
    }
    // The device's answer to a command line, without the line breaks and "OK".
    std::string ask(const std::string& line) {
        std::string reply = dev->query(line);
        std::string out;
        for (char c : reply)
            if (c != '\r' && c != '\n') out += c;
        if (out.size() >= 2 && out.compare(out.size() - 2, 2, "OK") == 0) out.erase(out.size() - 2);
        return out;
    }

    std::unique_ptr<sim::SimDevice> dev;
    test::FakeProfileStore profiles;
    test::FakeClock clock;
    core::CConfigApp app{[](uint16_t code, DRVPARAM* p) { return D_SendDrvCmd(code, p); }, profiles,
                         clock};
    test::RecordingHost host;

private:
    std::string dir_;
};

} // namespace datawidgets_test
