// The firmware upgrade of the desktop program's logic (real pages, main
// window and upgrade host, the real default profile on disk) against the
// simulated device in process, which comes up from new firmware with its
// factory settings: every setting comes back, for both models and both ways
// in (a working device, and one found in its boot loader), and the default
// profile leaves the upgrade byte for byte as the save wrote it.
#include "app/logic_pages.h"
#include "app/main_window_logic.h"
#include "app/upgrade_host.h"
#include "core/ini_profile_store.h"
#include "maintenance/upgrade.h"
#include "support/fake_driver.h"
#include "support/fakes.h"
#include "support/scripted_ui.h"
#include "support/sim_settings.h"
#include "support/upgrade_ui.h"
#include "unit/profile_temp_dir.h"

#include <gtest/gtest.h>

#include <cstring>
#include <deque>
#include <memory>

namespace {

using namespace quorvex;
using test::Answer;

std::string slurp(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// The desktop program's logic of one run.
struct Program : test::ProgramLogic {
    Program(test::FakeDriver& drv, core::ProfileStore& store, test::FakeClock& clock)
        : ProgramLogic(drv.fn(), store, clock, drv.directFn()) {}
};

struct Way {
    sim::Model model;
    bool bootLoader; // found only in its boot loader at the start
};

class DeviceInProcess : public ::testing::Test {
protected:
    explicit DeviceInProcess(sim::Model model) : model_(model), device(model) {
        drv.fallback = [this](uint16_t code, DRVPARAM* p) { return device.call(code, p); };
        drv.answerUpgrade();
        drv.on({DRV_IDENT}, identity("V2.10"));
        // The loader takes the image and the new firmware starts from scratch.
        Answer flashed = Answer::returns(3);
        flashed.bReply = 0; // the record is not left alone: apply runs
        flashed.apply = [this](DRVPARAM&) {
            sim::resetToFactory(device.state());
            device.state().bootMode = false;
            drv.on({DRV_IDENT}, identity("V3.00"));
        };
        drv.on({DRV_DOWNLOADRESULT}, flashed);
    }
    Answer identity(const std::string& firmware) const {
        const bool r30 = model_ == sim::Model::R30;
        return Answer::identity(2, r30 ? 30 : 70, false, firmware, "B1.00");
    }
    // A program that found the device working, as the start-up leaves it.
    void connect(Program& p) {
        p.app.applyIdentity(core::readIdentity(p.app.directDriver()));
        p.app.connected = true;
        p.app.pageModel = p.app.modelNumber;
        core::readMsnTable(p.app);
        core::readPortNames(p.app);
        p.main.buildPages();
    }
    std::string image() {
        std::vector<char> bytes(maintenance::kFirmwareSize, 'x');
        const char* model = model_ == sim::Model::R30 ? "QKM-613S" : "QKM-633S";
        std::memset(bytes.data() + maintenance::kFirmwareModelField.offset, 0, 32);
        std::memcpy(bytes.data() + maintenance::kFirmwareModelField.offset, model,
                    std::strlen(model));
        quorvex::testing::writeBytes(home / "new.bin", std::string(bytes.begin(), bytes.end()));
        return (home / "new.bin").string();
    }
    void expectEverySettingBack() {
        for (const auto& [key, value] : test::everySetting(model_))
            EXPECT_EQ(device.state().registers[key], value) << key;
    }
    // The default profile as a save of every setting writes it, with a
    // provider name of the user's own, which the device does not keep.
    std::string saveEverySetting() {
        device.fill();
        store.writeString(core::kDefaultProfile, "LCR_DIV", "PROVIDERM0", "MyTel");
        Program earlier(drv, store, clock);
        connect(earlier);
        EXPECT_TRUE(
            earlier.main
                .profileSave(core::kDefaultProfile, "default.pro", core::Unconfirmed::Refuse)
                .ok());
        const std::string saved = slurp(defaultPro);
        EXPECT_NE(saved.find("PROVIDERM0=MyTel"), std::string::npos);
        return saved;
    }

    sim::Model model_;
    quorvex::testing::TempDir home;
    const std::filesystem::path defaultPro = home / "default.pro";
    // "Load Profile..." of the default profile: both selectors name the file.
    core::IniProfileStore store{[this](int selector) {
        return selector == core::kWinIni ? std::filesystem::path() : defaultPro;
    }};
    test::FakeDriver drv;
    test::FakeClock clock;
    test::InterpretedDevice device;
};

class ForgettingDevice : public DeviceInProcess, public ::testing::WithParamInterface<Way> {
protected:
    ForgettingDevice() : DeviceInProcess(GetParam().model) {}
};

// Every setting the device held comes back after new firmware lost them all.
TEST_P(ForgettingDevice, EverySettingComesBackAndTheDefaultProfileStaysAsSaved) {
    std::string saved;
    if (GetParam().bootLoader) {
        // An earlier run saved the settings; its upgrade failed and left the
        // device in its loader, with nothing of them.
        saved = saveEverySetting();
        sim::resetToFactory(device.state());
        device.state().bootMode = true;
    } else {
        device.fill();
        store.writeString(core::kDefaultProfile, "LCR_DIV", "PROVIDERM0", "MyTel");
    }

    Program program(drv, store, clock);
    if (GetParam().bootLoader) {
        program.app.bootLoaderFound = true;
        program.app.connected = true;
        program.app.portIndex = 2;
        program.main.buildPages(); // for no model yet
    } else {
        connect(program);
    }
    test::ScriptedUpgradeUi ui;
    ui.willing = true;
    ui.files = {image()};
    app::MainWindowUpgradeHost host(program.main);
    maintenance::FirmwareUpgrade upgrade(program.app, ui, host, [] {});
    if (!GetParam().bootLoader) {
        // What the save wrote is what the load must leave.
        drv.onCall = [&](uint16_t code, DRVPARAM*) {
            if (code == DRV_CALLCHECK) saved = slurp(defaultPro);
        };
    }

    EXPECT_EQ(upgrade.run(), maintenance::UpgradeEnd::Success);
    EXPECT_EQ(program.app.firmwareText, "V3.00");
    EXPECT_EQ(program.app.portCount, GetParam().model == sim::Model::R30 ? 3 : 5);
    expectEverySettingBack();
    EXPECT_EQ(slurp(defaultPro), saved);
    EXPECT_NE(saved.find("PROVIDERM0=MyTel"), std::string::npos);
    // Nothing is left to send: the pages hold what the device holds.
    for (int index : menus::kProfilePages) {
        EXPECT_FALSE(program.main.page(index)->hasUnsentChanges()) << index;
        EXPECT_TRUE(program.main.page(index)->unconfirmedItems().empty()) << index;
    }
}

INSTANTIATE_TEST_SUITE_P(BothModelsBothWays, ForgettingDevice,
                         ::testing::Values(Way{sim::Model::R70, false}, Way{sim::Model::R30, false},
                                           Way{sim::Model::R70, true}, Way{sim::Model::R30, true}),
                         [](const auto& param) {
                             return std::string(param.param.model == sim::Model::R30 ? "R30"
                                                                                     : "R70") +
                                    (param.param.bootLoader ? "FromTheBootLoader" : "Working");
                         });

class FactoryDevice : public DeviceInProcess {
protected:
    FactoryDevice() : DeviceInProcess(sim::Model::R70) {}
};

// "Load Profile..." of the default profile before any page was shown: the
// pages read the device on the way (a device with its factory settings, no
// prefixes), and that read never writes the file about to be loaded; nor
// does a load the device refuses.
TEST_F(FactoryDevice, LoadingTheDefaultProfileLeavesItAsItWas) {
    for (bool refused : {false, true}) {
        const std::string saved = saveEverySetting();
        sim::resetToFactory(device.state());
        device.refuseEverything = refused;
        Program program(drv, store, clock);
        connect(program);
        program.app.currentProfile = defaultPro.string();
        const core::WriteReport report =
            program.main.profileLoad(core::kCurrentProfile, "default.pro");
        EXPECT_TRUE(report.ok()) << refused;
        EXPECT_EQ(slurp(defaultPro), saved) << refused;
        device.refuseEverything = false;
        if (!refused) expectEverySettingBack();
    }
}

} // namespace
