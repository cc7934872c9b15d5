#include "app/startup.h"
#include "core/port_access.h"
#include "support/app_fixture.h"
#include "support/fake_machine.h"
#include "support/recording_page.h"
#include "support/scripted_ui.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace {

using namespace quorvex;
using test::Answer;
using test::FakeDriver;

struct StartupFixture : ::testing::Test, test::AppFixture {
    test::ScriptedUi ui;
    test::RecordingPageFactory factory{app, ui};
    app::MainWindowLogic main{app, ui, factory};
    app::Startup startup{app, main, ui};
    std::int64_t startTime = 0;

    void SetUp() override {
        startTime = clock.now();
        profiles.set(core::kWinIni, "QuorvexCom", "FirstRun", "1");
    }
    void deviceAnswers(int model) {
        drv.on({DRV_FINDPORT}, Answer::ok());
        drv.on({DRV_IDENT}, Answer::identity(2, model, false, "V1", "B1"));
        drv.on({DRV_PING2}, Answer::returns(1));
    }
    int index(uint16_t code) const {
        auto codes = drv.codes();
        return static_cast<int>(std::find(codes.begin(), codes.end(), code) - codes.begin());
    }
};

TEST_F(StartupFixture, DeviceFound) {
    deviceAnswers(70);
    profiles.set(core::kDefaultProfile, "SET_DIV", "LANGUAGE", "1");
    profiles.set(core::kDefaultProfile, "SET_DIV", "SOUNDON", "1");
    drv.on({DRV_CHGUNIT}, Answer::okText("0,12"));
    clock.advance(1200); // detection and the rest took 1.2 s so far

    EXPECT_EQ(startup.run(startTime), app::StartupResult::Running);
    EXPECT_TRUE(app.connected);
    EXPECT_TRUE(app.identified);
    EXPECT_EQ(app.language, 1);
    EXPECT_TRUE(app.soundOn);
    EXPECT_EQ(main.settings().chargeUnit.confirmed, "0,12");
    EXPECT_EQ(app.cache.analog[2].name, "\"22\"");
    // Detection, then the MSN table (first query command 4 of the data port), then settings.
    EXPECT_LT(index(DRV_IDENT), index(DRV_MSN));
    EXPECT_LT(index(DRV_MSN), index(DRV_LCDGERMAN));
    EXPECT_EQ(drv.sequence({DRV_LCDGERMAN, DRV_PING2, DRV_CHGUNIT, DRV_AREACODE, DRV_PABXPREFIX,
                            DRV_INTLPREFIX})
                  .size(),
              7u);
    // Splash kept until 5000 ms after the start, on the fake clock.
    EXPECT_EQ(clock.sleeps, (std::vector<std::int64_t>{3800}));
    EXPECT_FALSE(ui.splash);
    EXPECT_EQ(ui.posted, (std::vector<int>{5000}));
    EXPECT_EQ(ui.noResponseDialogs, 0);
    EXPECT_EQ(ui.settingsDialogs, 0);
    EXPECT_TRUE(main.heartbeat().running());
    EXPECT_EQ(factory.built.size(), 10u);
    EXPECT_EQ(factory.built[0].second, 70);

    ui.runPosted(main); // the message loop shows the MSN page
    EXPECT_EQ(main.currentIndex(), 0);
    EXPECT_TRUE(main.initialised(0));
}

TEST_F(StartupFixture, NoSplashWaitWhenFiveSecondsHavePassed) {
    deviceAnswers(70);
    clock.advance(6000);
    startup.run(startTime);
    EXPECT_TRUE(clock.sleeps.empty());
}

TEST_F(StartupFixture, NoDeviceQuitEndsWithoutMainWindow) {
    ui.noResponseAnswers = {app::NoResponseAnswer::Quit};
    EXPECT_EQ(startup.run(startTime), app::StartupResult::Quit);
    EXPECT_EQ(ui.noResponseDialogs, 1);
    EXPECT_FALSE(app.connected);
    EXPECT_FALSE(main.heartbeat().running());
    EXPECT_EQ(drv.count(DRV_MSN), 0); // refused by the wrapper, not sent
    EXPECT_EQ(app.deviceName, "????");
    EXPECT_EQ(drv.count(DRV_BOOTPROBE), 0);
}

TEST_F(StartupFixture, TryAgainFindsABootLoaderOnCom2) {
    drv.on({DRV_BOOTPROBE, 1}, Answer::returns(2));
    ui.noResponseAnswers = {app::NoResponseAnswer::TryAgain};
    // A first start: the settings dialog (which reads the device) waits.
    profiles.set(core::kWinIni, "QuorvexCom", "FirstRun", "0");
    EXPECT_EQ(startup.run(startTime), app::StartupResult::Running);
    EXPECT_TRUE(app.bootLoaderFound);
    EXPECT_FALSE(app.identified);
    EXPECT_TRUE(app.connected);
    EXPECT_EQ(app.portIndex, 1); // where the upgrade probes again
    EXPECT_EQ(ui.posted, (std::vector<int>{5000, 5014}));
    EXPECT_EQ(drv.count(DRV_BOOTPROBE), 2);
    EXPECT_EQ(drv.count(DRV_CLOSE), 1);
    EXPECT_EQ(drv.count(DRV_FINDPORT), 1); // no detection after a boot loader
    EXPECT_EQ(ui.busyDepth, 0);
    EXPECT_EQ(ui.settingsDialogs, 0);

    // The message loop: the MSN page shows without asking the boot loader
    // anything, and the upgrade dialog opens next.
    const std::size_t callsBefore = drv.calls().size();
    ui.upgradeResults = {2};
    std::size_t callsAtUpgrade = 0;
    ui.onUpgradeDialog = [&] { callsAtUpgrade = drv.calls().size(); };
    ui.runPosted(main);
    EXPECT_EQ(callsAtUpgrade, callsBefore);
    EXPECT_EQ(std::count(factory.log.begin(), factory.log.end(), "p0:read"), 0);
    EXPECT_FALSE(main.initialised(0)); // read once the firmware works
}

TEST_F(StartupFixture, R30FoundOnlyAfterTryAgainRebuildsForThreePorts) {
    ui.noResponseAnswers = {app::NoResponseAnswer::TryAgain, app::NoResponseAnswer::TryAgain};
    int dialogs = 0;
    ui.onNoResponse = [&] {
        if (++dialogs == 2) deviceAnswers(30); // switched on while the dialog was up
    };
    EXPECT_EQ(startup.run(startTime), app::StartupResult::Running);
    EXPECT_EQ(ui.noResponseDialogs, 2);
    EXPECT_EQ(drv.count(DRV_BOOTPROBE), 16);
    EXPECT_EQ(app.pageModel, 30);
    EXPECT_EQ(app.portCount, 3);
    // Built first for the five-port layout, then rebuilt for the R30.
    ASSERT_EQ(factory.built.size(), 20u);
    EXPECT_EQ(factory.built[0].second, 0);
    EXPECT_EQ(factory.built[10].second, 30);
    EXPECT_EQ(factory.page(main, 0)->model(), 30);
    // The MSN page was asked to read.
    EXPECT_NE(std::find(factory.log.begin(), factory.log.end(), "p0:read"), factory.log.end());
    // Only three analog ports were read after the rebuild.
    EXPECT_EQ(drv.count(DRV_MSN, 31), 0);
    EXPECT_TRUE(app.connected);
}

TEST_F(StartupFixture, FirstRunOpensSettingsOnceThenNeverAgain) {
    deviceAnswers(70);
    test::FakeProfileStore fresh; // no win.ini yet
    core::CConfigApp app1(drv.fn(), fresh, clock);
    test::ScriptedUi ui1;
    test::RecordingPageFactory factory1(app1, ui1);
    app::MainWindowLogic main1(app1, ui1, factory1);
    app::Startup(app1, main1, ui1).run(clock.now());
    EXPECT_EQ(ui1.settingsDialogs, 1);
    EXPECT_EQ(fresh.get(core::kWinIni, "QuorvexCom", "FirstRun"), "1");

    core::CConfigApp app2(drv.fn(), fresh, clock);
    test::ScriptedUi ui2;
    test::RecordingPageFactory factory2(app2, ui2);
    app::MainWindowLogic main2(app2, ui2, factory2);
    app::Startup(app2, main2, ui2).run(clock.now());
    EXPECT_EQ(ui2.settingsDialogs, 0);
}

TEST_F(StartupFixture, FirstRunMarkerOtherThanOneCountsAsFirstRun) {
    deviceAnswers(70);
    profiles.set(core::kWinIni, "QuorvexCom", "FirstRun", "0111111111111");
    profiles.failWrites(core::kWinIni);
    startup.run(startTime);
    EXPECT_EQ(ui.settingsDialogs, 1);
    EXPECT_EQ(ui.writeFailures.size(), 1u); // the marker could not be written: said so
}

} // namespace

namespace {

int32_t comPath(int32_t index, char* path, int32_t size) {
    return std::snprintf(path, static_cast<std::size_t>(size), "%s",
                         index == 2 ? "/dev/ttyUSB0" : "");
}

// A chosen port that is not there: the search finds the device elsewhere and
// the user hears where, so that he can choose again; a present or no choice
// says nothing.
TEST_F(StartupFixture, ADeviceFoundPastAMissingChosenPortIsTold) {
    namespace fs = std::filesystem;
    const fs::path root =
        fs::temp_directory_path() / ("startup_ports_" + std::to_string(::getpid()));
    fs::remove_all(root);
    FakeMachine machine(root);
    machine.addUsb("ttyUSB0", FakeMachine::Usb{});
    ::setenv("R70COM_ROOT", root.c_str(), 1);
    const fs::path winIni = root / "win.ini";
    struct Case {
        std::string choice;
        bool told;
    } cases[] = {{(root / "dev/serial/by-id/usb-gone").string(), true},
                 {(root / "dev/ttyUSB0").string(), false},
                 {"", false}};
    for (const Case& c : cases) {
        std::ofstream(winIni) << "[QuorvexCom]\nPort=" << c.choice << "\n";
        core::PortAccess ports(winIni, {comPath, nullptr, nullptr});
        test::ScriptedUi seen;
        test::RecordingPageFactory pages{app, seen};
        app::MainWindowLogic shell{app, seen, pages};
        app.ports = &ports;
        deviceAnswers(70);
        EXPECT_EQ(app::Startup(app, shell, seen).run(startTime), app::StartupResult::Running);
        const bool told = std::count(seen.messages.begin(), seen.messages.end(),
                                     core::kTextChoiceMissingFound) == 1;
        EXPECT_EQ(told, c.told) << c.choice;
        if (told) {
            EXPECT_EQ(seen.messageTails.back(), "COM3 (/dev/ttyUSB0)") << c.choice;
        }
        shell.heartbeat().stop();
        app.ports = nullptr;
    }
    ::unsetenv("R70COM_ROOT");
    fs::remove_all(root);
}

} // namespace
