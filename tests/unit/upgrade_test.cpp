#include "app/upgrade_host.h"
#include "maintenance/upgrade.h"

#include "app/logic_pages.h"
#include "core/detection.h"
#include "core/ini_profile_store.h"
#include "resources/menus.h"
#include "support/fake_driver.h"
#include "support/fakes.h"
#include "support/scripted_ui.h"
#include "support/upgrade_ui.h"
#include "unit/profile_temp_dir.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <deque>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace qc = quorvex::core;
namespace qm = quorvex::maintenance;
namespace qt = quorvex::test;
using qt::Answer;

namespace {

// The images written by this test go when the test program ends.
struct RemoveImagesAtExit {
    ~RemoveImagesAtExit() {
        std::error_code ec;
        std::filesystem::remove_all(std::filesystem::temp_directory_path() /
                                        ("quorvex_upg_" + std::to_string(::getpid())),
                                    ec);
    }
} removeImagesAtExit;

std::string writeImage(const std::string& name, const std::string& model, char fill = 'x') {
    std::vector<char> bytes(qm::kFirmwareSize, fill);
    std::memcpy(bytes.data() + qm::kFirmwareVersionField.offset, "V3.00", 6);
    std::memset(bytes.data() + qm::kFirmwareModelField.offset, 0, 32);
    std::memcpy(bytes.data() + qm::kFirmwareModelField.offset, model.c_str(), model.size());
    std::memcpy(bytes.data() + qm::kFirmwareBootCodeField.offset, "B2.00", 6);
    auto dir =
        std::filesystem::temp_directory_path() / ("quorvex_upg_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    auto path = (dir / name).string();
    std::ofstream(path, std::ios::binary)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return path;
}

// One log for the UI, the host and the driver, so order across them shows.
struct Log {
    std::vector<std::string> lines;
    bool has(const std::string& s) const {
        return std::find(lines.begin(), lines.end(), s) != lines.end();
    }
    long indexOf(const std::string& s) const {
        auto it = std::find(lines.begin(), lines.end(), s);
        return it == lines.end() ? -1 : it - lines.begin();
    }
};

class FakeHost : public qm::UpgradeHost {
public:
    explicit FakeHost(Log& log) : log_(log) {}
    bool saveOk = true;
    std::vector<std::string> unconfirmed; // what the save finds the device did not confirm
    quorvex::core::SaveResult saveDefaultProfile() override {
        log_.lines.push_back("save default.pro");
        quorvex::core::SaveResult r;
        r.unconfirmed = unconfirmed;
        r.written = unconfirmed.empty();
        if (!saveOk) r.writes.add({0, "SET_DIV", "PABX", "No space left on device"});
        return r;
    }
    void loadDefaultProfile() override { log_.lines.push_back("load default.pro"); }
    void forgetDevice() override { log_.lines.push_back("forget"); }
    void identity() override { log_.lines.push_back("identity"); }
    void postCommand(int c) override { log_.lines.push_back("post " + std::to_string(c)); }

private:
    Log& log_;
};

class UpgradeTest : public ::testing::Test {
protected:
    UpgradeTest() {
        drv.clock = &clock;
        drv.onCall = [this](uint16_t code, DRVPARAM*) {
            if (code != DRV_WRITERAW) log.lines.push_back("drv " + std::to_string(code));
        };
        drv.answerUpgrade();
    }

    void identifyAs(int model, bool usb) {
        qc::Identity id;
        id.identified = true;
        id.modelNumber = model;
        id.usbVariant = usb;
        id.portIndex = 2;
        id.deviceName = qc::deviceNameFor(model, usb);
        id.firmwareText = "V2.00";
        id.bootCodeText = "B1.00";
        app.applyIdentity(id);
        app.connected = true;
    }
    void bootModeOnly() {
        app.resetIdentity();
        app.connected = true;
        app.bootLoaderFound = true;
        app.portIndex = 2; // where the start-up probe found the loader
    }

    qm::UpgradeEnd run() {
        qm::FirmwareUpgrade upgrade(app, ui, host, [this] { ++processed; });
        return upgrade.run();
    }
    int blocksSent() const { return drv.count(DRV_WRITERAW); }

    // The driver calls in order, a run of blocks as one "34 x N"; calls that
    // went around the wrapper are marked "direct", command 56 with its nPort.
    std::vector<std::string> calls() const {
        std::vector<std::string> out;
        for (const qt::Call& c : drv.calls()) {
            std::string line = std::to_string(c.code);
            if (c.direct) line += " direct";
            if (c.code == DRV_BOOTPROBE2) line += " port " + std::to_string(c.sent.nPort);
            if (c.code == DRV_WRITERAW && !out.empty() && out.back().rfind("34 x ", 0) == 0) {
                out.back() = "34 x " + std::to_string(std::stoi(out.back().substr(5)) + 1);
                continue;
            }
            out.push_back(c.code == DRV_WRITERAW ? "34 x 1" : line);
        }
        return out;
    }
    // Time on the fake clock between the first call of code from and the
    // next call of code to (the first block, or the outcome after the last block).
    std::int64_t between(uint16_t from, uint16_t to, bool lastOfFrom = false) const {
        std::int64_t start = -1;
        for (const qt::Call& c : drv.calls()) {
            if (c.code == from && (start < 0 || lastOfFrom)) start = c.at;
            if (c.code == to && start >= 0) return c.at - start;
        }
        return -1;
    }

    Log log;
    qt::FakeDriver drv;
    qt::FakeProfileStore profiles;
    qt::FakeClock clock;
    quorvex::core::CConfigApp app{drv.fn(), profiles, clock, drv.directFn()};
    qt::ScriptedUpgradeUi ui{&log.lines};
    FakeHost host{log};
    int processed = 0;
    std::string r70 = writeImage("fw.r70", "QKM-633S");
};

} // namespace

TEST_F(UpgradeTest, SuccessSavesSendsEveryBlockReconnectsAndLoads) {
    identifyAs(70, false);
    app.soundOn = true;
    drv.on({DRV_DOWNLOADRESULT}, Answer::returns(3));
    ui.files = {r70};
    ui.confirms = {true};
    const std::int64_t start = clock.now();

    EXPECT_EQ(run(), qm::UpgradeEnd::Success);

    EXPECT_EQ(qm::FirmwareUpgrade::dialogResult(qm::UpgradeEnd::Success), 1);
    // Test, loader, blocks and speed through the wrapper; the outcome and the
    // reopen straight to the driver.
    EXPECT_EQ(calls(), (std::vector<std::string>{"55 direct", "32", "33", "34 x 1024", "35 direct",
                                                 "38", "3", "57 direct"}));
    // 80 ms after the test, the 15 s reset before the first block, 50 ms and
    // the 12 s closing wait after the last one, on the fake clock.
    EXPECT_GE(between(DRV_CALLCHECK, DRV_DOWNLOAD), 80);
    EXPECT_GE(between(DRV_DOWNLOAD, DRV_WRITERAW), 15000);
    EXPECT_LT(between(DRV_DOWNLOAD, DRV_WRITERAW), 15000 + 200);
    EXPECT_GE(between(DRV_WRITERAW, DRV_DOWNLOADRESULT, true), 50 + 12000);
    EXPECT_LT(between(DRV_WRITERAW, DRV_DOWNLOADRESULT, true), 50 + 12000 + 200);
    // Order: beep, file, confirm, save, test, download mode, blocks, outcome, reconnect, load.
    const std::vector<std::string> milestones = {
        "beep",      "file dialog",  "confirm",         "save default.pro", "caption 6184",
        "drv 32",    "drv 33",       "caption 6186",    "caption 6188",     "caption 6190",
        "drv 35",    "drv 38",       "drv 3",           "drv 57",           "identity",
        "panel off", "message 6192", "load default.pro"};
    long last = -1;
    for (const std::string& m : milestones) {
        long at = log.indexOf(m);
        EXPECT_GT(at, last) << m;
        last = at;
    }
    EXPECT_FALSE(app.bootLoaderFound);
    EXPECT_TRUE(app.connected);
    // The speed command carries speed code 1 in the low byte of nValue.
    for (const auto& c : drv.calls()) {
        if (c.code == DRV_SETSPEED) {
            EXPECT_EQ(c.sent.nValue & 0xff, 1);
        }
    }
    // 80 ms + 15 s + 50 ms + 12 s on the fake clock, and the window was painted meanwhile.
    EXPECT_GE(clock.now() - start, 80 + 15000 + 50 + 12000);
    EXPECT_LT(clock.now() - start, 80 + 15000 + 50 + 12000 + 200);
    EXPECT_GT(processed, 1024 + 100 + 100);
    EXPECT_TRUE(std::all_of(clock.sleeps.begin(), clock.sleeps.end(),
                            [](std::int64_t ms) { return ms <= qm::kWaitSliceMs; }));
    // The last progress of the transfer is 1024, of the waits 100.
    EXPECT_NE(std::find(ui.positions.begin(), ui.positions.end(), 1024), ui.positions.end());
    EXPECT_EQ(ui.positions.back(), 100);
}

TEST_F(UpgradeTest, BlocksCarryTheFileInOrder) {
    identifyAs(70, false);
    drv.on({DRV_DOWNLOADRESULT}, Answer::returns(3));
    std::vector<std::uint8_t> seen;
    drv.on({DRV_WRITERAW}, [&] {
        Answer a = Answer::returns(1);
        a.bReply = 0;
        a.apply = [&](DRVPARAM& r) {
            const auto* p = static_cast<const std::uint8_t*>(drv_get_address(&r));
            seen.insert(seen.end(), p, p + drv_get_capacity(&r));
        };
        return a;
    }());
    ui.files = {r70};
    ui.confirms = {true};
    run();
    std::ifstream in(r70, std::ios::binary);
    std::vector<std::uint8_t> file((std::istreambuf_iterator<char>(in)), {});
    EXPECT_EQ(seen, file);
}

TEST_F(UpgradeTest, NoClearAnswerEndsTheProgram) {
    identifyAs(70, false);
    drv.on({DRV_DOWNLOADRESULT}, Answer::returns(1));
    ui.files = {r70};
    ui.confirms = {true};
    EXPECT_EQ(run(), qm::UpgradeEnd::Quit);
    EXPECT_TRUE(log.has("message 9066"));
    EXPECT_TRUE(log.has("post 2153"));
    EXPECT_FALSE(log.has("load default.pro"));
    EXPECT_TRUE(log.has("forget")); // whatever the device comes back with, later
    EXPECT_EQ(drv.count(DRV_BOOTPROBE2), 0);
    EXPECT_FALSE(app.bootLoaderFound);
}

// The device stops reading in the middle of the transfer: the first block the
// line does not take ends it, at once and with its own message, and the
// outcome is asked as after any failed transfer (no closing wait: nothing
// arrived whole to be written). A "success" then cannot be believed.
TEST_F(UpgradeTest, ABlockTheLineDoesNotTakeEndsTheTransfer) {
    struct Row {
        int outcome, probe;
        std::vector<std::string> tail; // the calls after the blocks
        qm::UpgradeEnd end;
        const char* message;
    } rows[] = {
        {1, 0, {"35 direct"}, qm::UpgradeEnd::Quit, "message 9066"},
        {3, 0, {"35 direct"}, qm::UpgradeEnd::Quit, "message 9066"},
        {2, 1, {"35 direct", "56 direct port 2"}, qm::UpgradeEnd::Quit, "message 9066"},
        {2, 2, {"35 direct", "56 direct port 2"}, qm::UpgradeEnd::Quit, "message 9064"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.outcome * 10 + r.probe);
        log.lines.clear();
        drv.clearCalls();
        identifyAs(70, false);
        drv.on({DRV_WRITERAW}, Answer::returns(-2));
        drv.on({DRV_WRITERAW}, Answer::returns(1), 300);
        drv.on({DRV_DOWNLOADRESULT}, Answer::returns(r.outcome));
        drv.on({DRV_BOOTPROBE2}, Answer::returns(r.probe));
        ui.files = {r70, std::nullopt};
        ui.confirms = {true};
        const std::int64_t start = clock.now();
        EXPECT_EQ(run(), r.end);
        std::vector<std::string> want{"55 direct", "32", "33", "34 x 301"};
        want.insert(want.end(), r.tail.begin(), r.tail.end());
        EXPECT_EQ(calls(), want);
        EXPECT_LT(between(DRV_WRITERAW, DRV_DOWNLOADRESULT, true), 200);
        EXPECT_LT(clock.now() - start, 80 + 15000 + 1000) << "no closing wait";
        EXPECT_LT(log.indexOf("save default.pro"), log.indexOf("drv 33"));
        EXPECT_LT(log.indexOf("message 9924"), log.indexOf("drv 35"));
        EXPECT_FALSE(log.has("caption 6190"));
        EXPECT_TRUE(log.has(r.message));
        EXPECT_FALSE(log.has("load default.pro"));
        EXPECT_EQ(log.lines.back(), "post 2153");
    }
}

TEST_F(UpgradeTest, FailureWithoutLoaderEndsTheProgram) {
    identifyAs(70, false);
    drv.on({DRV_DOWNLOADRESULT}, Answer::returns(2));
    drv.on({DRV_BOOTPROBE2}, Answer::returns(1));
    ui.files = {r70};
    ui.confirms = {true};
    EXPECT_EQ(run(), qm::UpgradeEnd::Quit);
    EXPECT_EQ(calls(), (std::vector<std::string>{"55 direct", "32", "33", "34 x 1024", "35 direct",
                                                 "56 direct port 2"}));
    EXPECT_LT(log.indexOf("panel off"), log.indexOf("drv 56"));
    EXPECT_GT(log.indexOf("message 9066"), log.indexOf("drv 56"));
    EXPECT_TRUE(log.has("post 2153"));
    EXPECT_FALSE(app.bootLoaderFound);
}

TEST_F(UpgradeTest, FailureWithLoaderRetriesWithAnotherFileAtOnce) {
    identifyAs(70, false);
    drv.next(Answer::returns(1)); // 32
    drv.on({DRV_DOWNLOADRESULT}, Answer::returns(2), 1);
    drv.on({DRV_BOOTPROBE2}, Answer::returns(2));
    std::string second = writeImage("second.r70", "QKM-633S", 'y');
    ui.files = {r70, second};
    ui.confirms = {true, true};
    // After the first outcome the rule is used up; the second outcome succeeds.
    drv.onCall = [this](uint16_t code, DRVPARAM*) {
        if (code != DRV_WRITERAW) log.lines.push_back("drv " + std::to_string(code));
        if (code == DRV_BOOTPROBE2) drv.on({DRV_DOWNLOADRESULT}, Answer::returns(3));
    };
    EXPECT_EQ(run(), qm::UpgradeEnd::Success);

    EXPECT_EQ(calls(), (std::vector<std::string>{"55 direct", "32", "33", "34 x 1024", "35 direct",
                                                 "56 direct port 2", "34 x 1024", "35 direct", "38",
                                                 "3", "57 direct"}));
    EXPECT_EQ(drv.count(DRV_CALLCHECK), 1);
    EXPECT_EQ(drv.count(DRV_DOWNLOAD), 1);
    EXPECT_EQ(std::count(log.lines.begin(), log.lines.end(), "save default.pro"), 1);
    EXPECT_EQ(std::count(log.lines.begin(), log.lines.end(), "caption 6186"), 1);
    EXPECT_GT(log.indexOf("file dialog"), -1);
    EXPECT_EQ(ui.dialogs.size(), 2u);
    EXPECT_EQ(ui.dialogs[1].defaultExtension, "r70");
    EXPECT_TRUE(log.has("message 9064"));
    EXPECT_TRUE(log.has("message 6192"));
    EXPECT_TRUE(log.has("load default.pro"));
    EXPECT_FALSE(app.bootLoaderFound);
}

TEST_F(UpgradeTest, FailureWithLoaderAndNoSecondFileEndsTheProgram) {
    identifyAs(70, false);
    drv.on({DRV_DOWNLOADRESULT}, Answer::returns(2));
    drv.on({DRV_BOOTPROBE2}, Answer::returns(2));
    ui.files = {r70, std::nullopt};
    ui.confirms = {true};
    EXPECT_EQ(run(), qm::UpgradeEnd::Quit);
    EXPECT_TRUE(app.bootLoaderFound);
    EXPECT_TRUE(log.has("post 2153"));
}

TEST_F(UpgradeTest, CancelInFileDialogEndsTheProgramWithoutTouchingTheDevice) {
    identifyAs(30, false);
    ui.files = {std::nullopt};
    EXPECT_EQ(run(), qm::UpgradeEnd::Quit);
    EXPECT_TRUE(drv.calls().empty());
    EXPECT_EQ(log.lines.back(), "post 2153");
    EXPECT_EQ(ui.dialogs[0].defaultExtension, "r30");
}

TEST_F(UpgradeTest, CancelInFirmwareInfoKeepsTheProgramRunning) {
    identifyAs(70, true);
    std::string r30 = writeImage("fw.r30", "QKM-613S");
    ui.files = {r30};
    ui.confirms = {false};
    EXPECT_EQ(run(), qm::UpgradeEnd::Cancelled);
    EXPECT_EQ(qm::FirmwareUpgrade::dialogResult(qm::UpgradeEnd::Cancelled), 2);
    EXPECT_TRUE(drv.calls().empty());
    EXPECT_FALSE(log.has("post 2153"));
    EXPECT_FALSE(log.has("save default.pro"));
    // The device and the file side by side, not compared.
    const qm::FirmwareComparison& c = ui.comparisons.at(0);
    EXPECT_EQ(c.deviceModel, "OrvaISDN R70-USB");
    EXPECT_EQ(c.deviceFirmware, "V2.00");
    EXPECT_EQ(c.deviceBootCode, "B1.00");
    EXPECT_EQ(c.fileModel, "OrvaISDN R30");
    EXPECT_EQ(c.fileFirmware, "V3.00");
    EXPECT_EQ(c.fileBootCode, "B2.00");
    EXPECT_EQ(qm::comparisonLine(c, false, 0, 0), "Model : OrvaISDN R70-USB");
    EXPECT_EQ(qm::comparisonLine(c, true, 1, 0), "Firmware: V3.00");
    EXPECT_EQ(qm::comparisonLine(c, true, 2, 1), "BootCode: B2.00");
    EXPECT_EQ(qm::comparisonLine(c, true, 0, 1), "Modell : OrvaISDN R30");
}

TEST_F(UpgradeTest, CallCheckEndsTheProgram) {
    struct Row {
        int result;
        std::string message;
    };
    // -2: no connection behind the wrapper; like no answer.
    for (const Row& r :
         std::vector<Row>{{-1, "message 9900"}, {-2, "message 9900"}, {0, "message 9902"}}) {
        log.lines.clear();
        drv.clearCalls();
        identifyAs(70, false);
        drv.on({DRV_CALLCHECK}, Answer::returns(r.result));
        ui.files = {r70};
        ui.confirms = {true};
        EXPECT_EQ(run(), qm::UpgradeEnd::Quit);
        EXPECT_EQ(drv.codes(), (std::vector<uint16_t>{DRV_PING2, DRV_CALLCHECK})) << r.result;
        EXPECT_LT(log.indexOf("save default.pro"), log.indexOf("drv 32"));
        EXPECT_LT(log.indexOf(r.message), log.indexOf("panel off"));
        EXPECT_EQ(log.lines.back(), "post 2153");
    }
    EXPECT_EQ(qm::upgradeText(9900, 1), "TA has no response, Terminate Update !!");
    EXPECT_EQ(qm::upgradeText(9902, 0), "Call Exist, Terminate Update !!");
}

TEST_F(UpgradeTest, BootModeStartUpSendsAtOnce) {
    bootModeOnly();
    drv.on({DRV_DOWNLOADRESULT}, Answer::returns(3));
    ui.files = {r70};
    ui.confirms = {true};
    qm::FirmwareUpgrade upgrade(app, ui, host, [this] { ++processed; });
    EXPECT_EQ(upgrade.header(), "Upgrade Version: OrvaISDN R??:  ?.?.?  BOOT CODE ?.?.?");
    const std::int64_t start = clock.now();
    EXPECT_EQ(upgrade.run(), qm::UpgradeEnd::Success);

    EXPECT_EQ(ui.dialogs.at(0).defaultExtension, "r?0");
    EXPECT_EQ(ui.dialogs.at(0).initialName, "*.r?0");
    EXPECT_EQ(ui.comparisons.at(0).deviceModel, "????");
    EXPECT_EQ(drv.count(DRV_CALLCHECK), 0);
    EXPECT_EQ(drv.count(DRV_DOWNLOAD), 0);
    EXPECT_FALSE(log.has("save default.pro"));
    EXPECT_FALSE(log.has("caption 6186"));
    EXPECT_EQ(calls(),
              (std::vector<std::string>{"34 x 1024", "35 direct", "38", "3", "57 direct"}));
    // Only the 50 ms and the 12 s closing wait.
    EXPECT_LT(clock.now() - start, 12050 + 200);
    EXPECT_TRUE(log.has("load default.pro"));
}

TEST_F(UpgradeTest, NotConnectedAsksTheDeviceOnceThenRefuses) {
    struct Row {
        int ping; // result of the presence test
        qm::UpgradeEnd end;
        std::vector<std::string> calls;
    };
    const Row rows[] = {
        {-1, qm::UpgradeEnd::NotStarted, {"55 direct"}},
        {1, qm::UpgradeEnd::Cancelled, {"55 direct"}}, // back: on to the confirmation
    };
    for (const Row& r : rows) {
        log.lines.clear();
        drv.clearCalls();
        identifyAs(70, false);
        app.connected = false; // the heartbeat lost the device before the dialog opened
        drv.next(Answer::returns(r.ping));
        ui.files = {r70};
        ui.confirms = {false};
        EXPECT_EQ(run(), r.end) << r.ping;
        EXPECT_EQ(calls(), r.calls) << r.ping;
        EXPECT_EQ(log.has("message 9922"), r.ping != 1);
        EXPECT_EQ(log.has("file dialog"), r.ping == 1);
        EXPECT_EQ(app.connected, r.ping == 1);
        EXPECT_FALSE(log.has("post 2153"));
    }
    ui.files.clear();
}

// The heartbeat is stopped while the dialog is open, so "connected" may be
// old: the device is asked once right before the save, which would otherwise
// wait out the time-out of every query.
TEST_F(UpgradeTest, ADeviceSwitchedOffAfterTheDialogOpenedIsAskedOnceBeforeTheSave) {
    identifyAs(70, false);
    drv.on({DRV_PING2}, Answer::returns(-1));
    ui.files = {r70};
    ui.confirms = {true};
    EXPECT_EQ(run(), qm::UpgradeEnd::NotStarted);
    EXPECT_EQ(calls(), std::vector<std::string>{"55 direct"});
    EXPECT_TRUE(log.has("message 9922"));
    EXPECT_FALSE(log.has("save default.pro"));
    EXPECT_FALSE(app.connected);
}

// Once the device is about to take new firmware, the program forgets what it
// knew of it; the heartbeat and the work that waits for it stay quiet for the
// whole run, waits included.
TEST_F(UpgradeTest, TheDeviceIsForgottenBeforeTheTransferAndTheRunKeepsTheLine) {
    for (bool bootLoader : {false, true}) {
        log.lines.clear();
        drv.clearCalls();
        if (bootLoader)
            bootModeOnly();
        else
            identifyAs(70, false);
        drv.on({DRV_DOWNLOADRESULT}, Answer::returns(3));
        ui.files = {r70};
        ui.confirms = {true};
        bool quietThroughout = true;
        qm::FirmwareUpgrade upgrade(app, ui, host,
                                    [&] { quietThroughout &= app.heartbeatSuspended(); });
        EXPECT_EQ(upgrade.run(), qm::UpgradeEnd::Success) << bootLoader;
        EXPECT_TRUE(quietThroughout) << bootLoader;
        EXPECT_FALSE(app.heartbeatSuspended()) << bootLoader;
        const long forgotten = log.indexOf("forget");
        EXPECT_GT(forgotten, log.indexOf("save default.pro")) << bootLoader;
        EXPECT_LT(forgotten, log.indexOf(bootLoader ? "caption 6188" : "drv 33")) << bootLoader;
    }
}

TEST_F(UpgradeTest, SettingsTheDeviceDidNotConfirmStopBeforeAnythingIsSent) {
    identifyAs(70, false);
    host.unconfirmed = {"MSN_DIV/AMSN00", "TIMER_DIV/MCALL1"};
    ui.files = {r70};
    ui.confirms = {true};
    EXPECT_EQ(run(), qm::UpgradeEnd::NotStarted);
    EXPECT_EQ(calls(), std::vector<std::string>{"55 direct"}); // asked once, then nothing
    EXPECT_TRUE(log.has("unconfirmed 2"));
    EXPECT_FALSE(log.has("post 2153"));
    EXPECT_EQ(qm::FirmwareUpgrade::dialogResult(qm::UpgradeEnd::NotStarted), 2);
}

TEST_F(UpgradeTest, RefusedFilesNeverReachTheDevice) {
    identifyAs(70, false);
    std::vector<char> shortFile(1000, 'x');
    auto dir = std::filesystem::path(r70).parent_path();
    std::ofstream((dir / "short.r70").string(), std::ios::binary).write(shortFile.data(), 1000);
    std::string wrong = writeImage("wrong.r70", "QKM-000S");
    ui.files = {(dir / "short.r70").string(), wrong, (dir / "missing.r70").string(), std::nullopt};
    EXPECT_EQ(run(), qm::UpgradeEnd::Quit);
    EXPECT_TRUE(drv.calls().empty());
    EXPECT_TRUE(log.has("message 9906"));
    EXPECT_TRUE(log.has("message 9908"));
    EXPECT_TRUE(log.has("message 9904"));
    EXPECT_FALSE(log.has("confirm"));
    for (int id : {9904, 9906, 9908, 9910, 9914, 9916, 9918, 9920, 9922}) {
        EXPECT_FALSE(qm::upgradeText(id, 0).empty());
        EXPECT_NE(qm::upgradeText(id, 0), qm::upgradeText(id, 1));
    }
}

TEST_F(UpgradeTest, FailedSettingsSaveStopsBeforeAnythingIsSent) {
    identifyAs(70, false);
    host.saveOk = false;
    ui.files = {r70};
    ui.confirms = {true};
    EXPECT_EQ(run(), qm::UpgradeEnd::Cancelled);
    EXPECT_EQ(calls(), std::vector<std::string>{"55 direct"});
    EXPECT_TRUE(log.has("message 9910"));
}

TEST_F(UpgradeTest, ReopenFailureLeavesTheSettingsInTheProfile) {
    identifyAs(70, false);
    drv.on({DRV_DOWNLOADRESULT}, Answer::returns(3));
    drv.on({DRV_REOPEN}, Answer::returns(-2));
    ui.files = {r70};
    ui.confirms = {true};
    EXPECT_EQ(run(), qm::UpgradeEnd::Success);
    EXPECT_FALSE(app.identified);
    EXPECT_FALSE(log.has("load default.pro"));
    EXPECT_GT(log.indexOf("message 9914"), log.indexOf("message 6192"));
    // Nothing in this run looks for the modem again: the text says what to do.
    for (int language : {0, 1}) {
        const std::string_view text = qm::upgradeText(qm::kTextReopenFailed, language);
        EXPECT_NE(text.find("\"default.pro\""), std::string_view::npos) << language;
        const std::string menuItem(quorvex::menus::itemText(
            *quorvex::menus::findItem(quorvex::menus::kCmdLoadProfile), language));
        EXPECT_NE(text.find("\"" + menuItem + "\""), std::string_view::npos) << language;
    }
}

// The real pages and the real default profile: one query the device does not
// answer (the timers) keeps default.pro byte for byte, and the device never
// hears of an upgrade.
TEST_F(UpgradeTest, AReadThatFailsBeforeTheUpgradeKeepsTheDefaultProfile) {
    quorvex::testing::TempDir home;
    const std::filesystem::path defaultPro = home / "default.pro";
    const std::string before = "[MSN_DIV]\r\nALIAS1=Paul\r\n[TIMER_DIV]\r\nMCALL0=06:30\r\n";
    std::ofstream(defaultPro, std::ios::binary) << before;
    quorvex::core::IniProfileStore store([&](int selector) {
        return selector == quorvex::core::kDefaultProfile ? defaultPro : std::filesystem::path();
    });
    qt::ProgramLogic program(drv.fn(), store, clock, drv.directFn());
    quorvex::core::CConfigApp& device = program.app;
    qc::Identity id;
    id.identified = true;
    id.modelNumber = 70;
    device.applyIdentity(id);
    device.connected = true;
    device.pageModel = 70;
    for (uint16_t code = 0; code <= DRV_REOPEN; ++code)
        drv.on({code}, Answer::ok());
    drv.on({DRV_PING2}, Answer::returns(1));
    drv.on({DRV_PORTTIMER}, Answer::noReply());
    program.main.buildPages();
    quorvex::app::MainWindowUpgradeHost realHost(program.main);
    ui.files = {r70};
    ui.confirms = {true};
    qm::FirmwareUpgrade upgrade(device, ui, realHost, [] {});

    EXPECT_EQ(upgrade.run(), qm::UpgradeEnd::NotStarted);
    EXPECT_TRUE(log.has("unconfirmed 10")); // MCACTIVE0-4 and MCALL0-4
    EXPECT_EQ(drv.count(DRV_CALLCHECK) + drv.count(DRV_DOWNLOAD) + drv.count(DRV_WRITERAW), 0);
    std::ifstream in(defaultPro, std::ios::binary);
    EXPECT_EQ(std::string((std::istreambuf_iterator<char>(in)), {}), before);
}

TEST(UpgradeDialog, FileDialogPerModel) {
    struct Row {
        bool identified;
        int model;
        bool usb;
        const char* filter;
        const char* ext;
    };
    const Row rows[] = {
        {true, 70, true, "RomFile (*.r7u)|*.r7u|RomFile (*.bin)|*.bin|AllFiles (*.*)|*.*||", "r7u"},
        {true, 70, false,
         "RomFile (*.r70)|*.r70|RomFile (*.r*)|*.r*|RomFile (*.bin)|*.bin|AllFiles (*.*)|*.*||",
         "r70"},
        {true, 30, false,
         "RomFile (*.r30)|*.r30|RomFile (*.r*)|*.r*|RomFile (*.bin)|*.bin|AllFiles (*.*)|*.*||",
         "r30"},
        {false, 70, true, "RomFile (*.r?0)|*.r?0|RomFile (*.bin)|*.bin|AllFiles (*.*)|*.*||",
         "r?0"},
        {true, 0, false, "RomFile (*.r?0)|*.r?0|RomFile (*.bin)|*.bin|AllFiles (*.*)|*.*||", "r?0"},
    };
    for (const Row& r : rows) {
        qm::FileDialogSpec s = qm::upgradeFileDialog(r.identified, r.model, r.usb);
        EXPECT_EQ(s.filter, r.filter);
        EXPECT_EQ(s.defaultExtension, r.ext);
        EXPECT_EQ(s.initialName, std::string("*.") + r.ext);
    }
}
