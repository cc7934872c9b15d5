// The desktop program against the in-process simulator: a device on COM3
// (COM1, COM2 and the others absent), a temporary QUORVEX_HOME, a fake clock
// so that the splash time costs nothing, and helpers to answer modal dialogs
// from the event loop with a deadline.
#pragma once

#include "app/main_window_widget.h"
#include "core/config_app.h"
#include "core/ini_profile_store.h"
#include "driver/api/r70com32.h"
#include "profile/profile_files.h"
#include "sim/sim_device.h"
#include "support/com3_map.h"
#include "support/fakes.h"
#include "support/qt_modal.h"

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QTimer>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <unistd.h>

namespace mainwin {

using namespace quorvex;

inline constexpr int kDeadlineMs = 60000;

using testsupport::whenModalIsUp;

// Processes events until done() or the deadline.
inline bool waitUntil(const std::function<bool()>& done) {
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > kDeadlineMs) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

inline void clickId(QWidget* dialog, int id) {
    auto* b = dialog->findChild<QAbstractButton*>(QString::number(id));
    ASSERT_NE(b, nullptr) << "button " << id << " in " << dialog->objectName().toStdString();
    b->click();
}

// The text of a message box (empty for other dialogs) and OK.
inline QString acceptMessage(QWidget* modal) {
    auto* box = qobject_cast<QMessageBox*>(modal);
    if (box == nullptr) return {};
    QString text = box->text();
    box->accept();
    return text;
}

class ProgramTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() /
               ("mainwin_" + std::to_string(::getpid()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_ / "home");
        files_ = std::make_unique<profile::ProfileFiles>(dir_ / "home");
        store_ = std::make_unique<core::IniProfileStore>([this](int selector) {
            if (selector == core::kWinIni) return files_->winIni();
            if (selector == core::kCurrentProfile)
                return std::filesystem::path(app_ ? app_->currentProfile : std::string());
            return files_->forSelector(selector);
        });
    }
    void TearDown() override {
        win_.reset();
        app_.reset();
        D_SendDrvCmd(DRV_CLOSE, nullptr);
        dev_.reset();
        std::filesystem::remove_all(dir_);
    }

    // A device of model on COM3; every other COM port absent.
    void plugDevice(sim::Model model) {
        sim::SimOptions o;
        o.model = model;
        o.link = (dir_ / "COM3").string();
        o.pacing = false;
        dev_ = std::make_unique<sim::SimDevice>(o);
        std::string why;
        ASSERT_TRUE(dev_->start(&why)) << why;
        noPorts(o.link);
    }
    void noPorts(const std::string& com3 = {}) {
        std::string ports = testsupport::comPortsWithCom3(com3);
        ::setenv("R70COM_PORTS", ports.c_str(), 1);
    }
    void notFirstRun() { std::ofstream(files_->winIni()) << "[QuorvexCom]\nFirstRun=1\n"; }
    std::string defaultProfileText() const {
        std::ifstream in(files_->defaultProfile());
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    // A fresh program: application object and main window.
    widgets::CMainWnd& makeProgram() {
        win_.reset();
        app_ = std::make_unique<core::CConfigApp>(D_SendDrvCmd, *store_, clock_);
        app_->lineWatch = {D_WatchLine, D_TakeExchange};
        win_ = std::make_unique<widgets::CMainWnd>(*app_,
                                                   QString::fromStdString(files_->home().string()));
        return *win_;
    }
    // Starts it and waits until the MSN page is up.
    void startToMsnPage() {
        widgets::CMainWnd& win = makeProgram();
        ASSERT_EQ(win.start(clock_.now(), nullptr), app::StartupResult::Running);
        ASSERT_TRUE(
            waitUntil([&] { return win.logic().currentIndex() == 0 && win.pendingPosts() == 0; }));
        win.heartbeatTimer()->stop(); // the tests tick it themselves when they need it
    }

    std::filesystem::path dir_;
    std::unique_ptr<profile::ProfileFiles> files_;
    std::unique_ptr<core::IniProfileStore> store_;
    test::FakeClock clock_;
    std::unique_ptr<sim::SimDevice> dev_;
    std::unique_ptr<core::CConfigApp> app_;
    std::unique_ptr<widgets::CMainWnd> win_;
};

} // namespace mainwin
