// The firmware upgrade of the desktop program's logic through the real driver
// against the simulated device, which comes up from new firmware with its
// factory settings: a device found only in its boot loader is upgraded at
// 19200 baud, and an image the device refuses is retried with another file;
// either way every setting comes back. The program's fixed waits run twenty
// times faster than written (the simulated device still gets the time it
// needs to restart into its loader); the driver's own budgets and the boot
// probe's DTR waits are real (about 7 s per probe).
#include "app/logic_pages.h"
#include "app/startup.h"
#include "app/upgrade_host.h"
#include "core/config_app.h"
#include "core/detection.h"
#include "driver/api/r70com32.h"
#include "maintenance/upgrade.h"
#include "sim/firmware_image.h"
#include "sim/sim_device.h"
#include "support/com3_map.h"
#include "support/fakes.h"
#include "support/scripted_ui.h"
#include "support/sim_settings.h"
#include "support/upgrade_ui.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <deque>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <unistd.h>

namespace fs = std::filesystem;
namespace qc = quorvex::core;
namespace qa = quorvex::app;
namespace qm = quorvex::maintenance;
namespace qs = quorvex::sim;

namespace {

// The program's waits, twenty times faster than written.
class FastClock final : public qc::Clock {
public:
    std::int64_t now() override { return now_; }
    void sleep(std::int64_t ms) override {
        if (ms <= 0) return;
        now_ += ms;
        std::this_thread::sleep_for(std::chrono::microseconds(ms * 50));
    }

private:
    std::int64_t now_ = 100000;
};

class UpgradeSim : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("upgrade-sim-" + std::to_string(getpid()));
        fs::create_directories(dir_);
    }
    void TearDown() override {
        D_SendDrvCmd(DRV_CLOSE, nullptr);
        if (sim_) sim_->stop();
        fs::remove_all(dir_);
    }
    void startDevice(bool bootMode, qs::Model model = qs::Model::R70) {
        if (sim_) sim_->stop();
        qs::SimOptions o;
        o.model = model;
        o.link = (dir_ / "COM3").string();
        o.pacing = false; // the transfer itself is timed by the benchmark
        o.bootMode = bootMode;
        sim_ = std::make_unique<qs::SimDevice>(o);
        std::string error;
        ASSERT_TRUE(sim_->start(&error)) << error;
        const std::string ports = testsupport::comPortsWithCom3(o.link);
        setenv("R70COM_PORTS", ports.c_str(), 1);
    }
    std::string image(qs::Model model, const char* firmware, const char* name) {
        const fs::path path = dir_ / name;
        std::string error;
        EXPECT_TRUE(
            qs::writeImageFile(path.string(), qs::makeImage(model, firmware, "V7.77"), &error))
            << error;
        return path.string();
    }

    // Every setting the program reaches, unlike the factory's, on the device.
    void fill(qs::Model model) {
        for (const auto& [key, value] : quorvex::test::everySetting(model))
            ASSERT_NE(sim_->query(quorvex::test::settingCommand(key, value)).find("OK"),
                      std::string::npos)
                << key;
    }
    void expectEverySetting(qs::Model model) {
        const qs::DeviceState now = sim_->snapshot();
        for (const auto& [key, value] : quorvex::test::everySetting(model)) {
            const auto at = now.registers.find(key);
            EXPECT_EQ(at == now.registers.end() ? "(none)" : at->second, value) << key;
        }
    }
    // A program that found the device working, as the start-up leaves it.
    void connect(qc::CConfigApp& app, qa::MainWindowLogic& main) {
        auto identity = qc::detect(D_SendDrvCmd, qc::FindMode::Find);
        ASSERT_TRUE(identity.has_value());
        app.applyIdentity(*identity);
        app.connected = true;
        app.pageModel = app.modelNumber;
        qc::readMsnTable(app);
        main.buildPages();
    }

    fs::path dir_;
    std::unique_ptr<qs::SimDevice> sim_;
    quorvex::test::FakeProfileStore profiles_;
    FastClock clock_;
};

} // namespace

// The program's own start-up against a device that answers only in its boot
// loader: no device found, "Try Again" finds the loader on COM3 (kept as the
// port index), the MSN page shows without asking it anything, and the posted
// upgrade sends a file the loader refuses, probes the port again (56 on
// COM3), says 9064, takes another file at once and succeeds at 19200 baud;
// the port is reopened with 57 and the pages are rebuilt for the R70.
TEST_F(UpgradeSim, TheStartUpFindsTheLoaderAndTheUpgradeRetriesARefusedImage) {
    // An earlier run saved every setting; its upgrade failed and left the
    // device in its loader, with none of them.
    startDevice(false);
    fill(qs::Model::R70);
    {
        quorvex::test::ProgramLogic earlier(D_SendDrvCmd, profiles_, clock_);
        connect(earlier.app, earlier.main);
        ASSERT_TRUE(
            earlier.main.profileSave(qc::kDefaultProfile, "default.pro", qc::Unconfirmed::Refuse)
                .ok());
        D_SendDrvCmd(DRV_CLOSE, nullptr);
    }
    startDevice(true);
    profiles_.set(qc::kWinIni, "QuorvexCom", "FirstRun", "1");
    qc::CConfigApp app{D_SendDrvCmd, profiles_, clock_};
    quorvex::test::ScriptedUi shell;
    qa::LogicPageFactory pages(app, shell);
    qa::MainWindowLogic main(app, shell, pages);
    qa::Startup startup(app, main, shell);
    shell.noResponseAnswers = {qa::NoResponseAnswer::TryAgain};

    quorvex::test::ScriptedUpgradeUi ui;
    ui.willing = true;
    ui.files = {image(qs::Model::R30, "V1.00 R30", "wrong.r30"),
                image(qs::Model::R70, "V3.00 R70", "new.r70")};
    quorvex::app::MainWindowUpgradeHost host(main);
    std::optional<qm::UpgradeEnd> end;
    std::string header;
    shell.onUpgradeDialog = [&] {
        EXPECT_TRUE(sim_->inBootMode());
        qm::FirmwareUpgrade upgrade(app, ui, host, [] {});
        header = upgrade.header();
        end = upgrade.run();
        shell.upgradeResults.push_back(qm::FirmwareUpgrade::dialogResult(*end));
    };

    ASSERT_EQ(startup.run(clock_.now()), qa::StartupResult::Running);
    EXPECT_TRUE(app.bootLoaderFound);
    EXPECT_EQ(app.portIndex, 2);
    EXPECT_EQ(sim_->lineBaud(), 19200u);
    shell.runPosted(main); // the MSN page, the upgrade dialog, then the rebuilt pages

    ASSERT_TRUE(end.has_value());
    EXPECT_EQ(*end, qm::UpgradeEnd::Success);
    EXPECT_EQ(header.rfind("Upgrade Version: OrvaISDN R??:  ", 0), 0u);
    ASSERT_EQ(ui.dialogs.size(), 2u);
    EXPECT_EQ(ui.dialogs.front().defaultExtension, "r?0");
    ASSERT_GE(ui.messages.size(), 2u);
    EXPECT_EQ(ui.messages[0], qm::kTextFailRetry);
    EXPECT_EQ(ui.messages[1], qm::kTextSuccess);
    EXPECT_FALSE(sim_->inBootMode());
    EXPECT_FALSE(app.bootLoaderFound);
    EXPECT_TRUE(app.identified);
    EXPECT_EQ(app.firmwareText, "V3.00 R70");
    EXPECT_EQ(app.pageModel, 70);
    EXPECT_EQ(sim_->lineBaud(), 115200u);
    EXPECT_FALSE(shell.mainWindowClosed);
    EXPECT_TRUE(main.initialised(quorvex::menus::kMsnPage)); // read once the firmware works
    expectEverySetting(qs::Model::R70);
}

TEST_F(UpgradeSim, AnImageTheDeviceRefusesIsRetriedWithAnotherFile) {
    startDevice(false, qs::Model::R30);
    fill(qs::Model::R30);
    quorvex::test::ProgramLogic program(D_SendDrvCmd, profiles_, clock_);
    qc::CConfigApp& app = program.app;
    connect(app, program.main);

    quorvex::test::ScriptedUpgradeUi ui;
    ui.willing = true;
    // An R70 image passes the program's own check, but the R30 refuses it.
    ui.files.push_back(image(qs::Model::R70, "V1.00 R70", "wrong.r70"));
    ui.files.push_back(image(qs::Model::R30, "V3.10 R30", "right.r30"));
    qa::MainWindowUpgradeHost host(program.main);
    qm::FirmwareUpgrade upgrade(app, ui, host, [] {});
    EXPECT_EQ(upgrade.run(), qm::UpgradeEnd::Success);
    // The device said FAIL, its loader answered the probe: 9064, then the retry.
    ASSERT_FALSE(ui.messages.empty());
    EXPECT_EQ(ui.messages.front(), 9064);
    EXPECT_EQ(ui.dialogs.size(), 2u);
    EXPECT_EQ(app.firmwareText, "V3.10 R30");
    EXPECT_FALSE(sim_->inBootMode());
    // Saved before anything was sent, loaded back after success.
    expectEverySetting(qs::Model::R30);
}
