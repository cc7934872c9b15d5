#include "app/settings_logic.h"

#include "support/app_fixture.h"
#include "support/recording_page.h"
#include "support/scripted_ui.h"

#include <gtest/gtest.h>

namespace {

using namespace quorvex;
using app::SettingsDialog;
using test::Answer;
using test::Cmd;
using Cmds = std::vector<Cmd>;
using Strings = std::vector<std::string>;

class RecordingSettingsUi : public app::SettingsUi {
public:
    void message(int textId) override { events.push_back("message " + std::to_string(textId)); }
    void beep() override { events.push_back("beep"); }
    void setBusy(bool on) override { events.push_back(on ? "busy 1" : "busy 0"); }
    void refresh() override { events.push_back("refresh"); }
    void relabel(int language) override { events.push_back("relabel " + std::to_string(language)); }
    void reportWriteFailures(const core::WriteReport& report) override {
        events.push_back("write failed " + report.describe());
    }
    Strings events;
};

struct SettingsFixture : ::testing::Test, test::AppFixture {
    test::ScriptedUi shell;
    test::RecordingPageFactory factory{app, shell};
    app::MainWindowLogic main{app, shell, factory};
    RecordingSettingsUi ui;
    SettingsDialog dialog{app, main, ui};

    void SetUp() override {
        app.connected = true;
        app.portIndex = 2;
        app.pageModel = 70;
        main.buildPages();
        // What the main window read from the device.
        main.settings().lcdGerman.reset(0, true);
        main.settings().chargeUnit.reset("0,12", true);
        main.settings().areaCode.reset("030", true);
        main.settings().pabxPrefix.reset("0", true);
        main.settings().intlPrefix.reset("00", true);
        dialog.open();
        ui.events.clear();
    }
};

TEST(SettingsValidation, ChargePerUnit) {
    struct Row {
        const char* text;
        bool ok;
    } rows[] = {
        {"", true},
        {"12,50", true},
        {"0.12", true},
        {"1.234,56", true},
        {"9999", true},
        {"9999,99", true},
        {"0009999.5", true},
        {",5", true},
        {"12,", true},
        {"1.2.3", true},
        {"10000", false},
        {"10000,5", false},
        {"99.999,5", false},
        {"12a", false},
        {"-1", false},
        {"1 2", false},
        {"12;50", false},
        {"000000000000000000000000001", true},
        {"123456789012345678901234567890", false},
    };
    for (const Row& r : rows)
        EXPECT_EQ(app::validChargeUnit(r.text), r.ok) << '"' << r.text << '"';
}

TEST(SettingsValidation, DigitFields) {
    struct Row {
        int controlId;
        const char* text;
        bool ok;
    } rows[] = {
        {2353, "", true},     {2353, "12345", true}, {2353, "123456", false},
        {2353, "12a", false}, {2354, "123", true},   {2354, "1234", false},
        {2354, "+", false},   {2355, "00049", true}, {2355, "000491", false},
        {2355, "0,0", false},
    };
    for (const Row& r : rows) {
        const app::SettingsField* field = nullptr;
        for (const auto& f : app::kSettingsFields)
            if (f.controlId == r.controlId) field = &f;
        ASSERT_NE(field, nullptr);
        EXPECT_EQ(app::fieldAccepts(*field, r.text), r.ok) << r.controlId << " " << r.text;
    }
}

TEST_F(SettingsFixture, OpensWithTheMainWindowsValues) {
    app.soundOn = true;
    app.language = 1;
    main.settings().lcdGerman.reset(1, true);
    dialog.open();
    EXPECT_EQ(ui.events, (Strings{"busy 1", "relabel 1", "refresh", "busy 0"}));
    EXPECT_TRUE(dialog.checked(app::kSoundCheck));
    EXPECT_TRUE(dialog.checked(app::kLcdGermanCheck));
    EXPECT_EQ(dialog.text(2352), "0,12");
    EXPECT_EQ(dialog.text(2353), "030");
    EXPECT_EQ(dialog.text(2354), "0");
    EXPECT_EQ(dialog.text(2355), "00");
    EXPECT_EQ(dialog.shownLanguage(), 1);
    EXPECT_TRUE(drv.calls().empty());
}

TEST_F(SettingsFixture, ARejectedFieldShowsItsMessageAndTakesTheDeviceValue) {
    struct Row {
        int controlId;
        const char* good;
        const char* bad;
        int message;
        const char* deviceValue;
    } rows[] = {
        {2352, "12,5", "12,5a", 9056, "0,12"},  {2352, "1000", "10000", 9056, "0,12"},
        {2353, "04012", "040123", 9052, "030"}, {2354, "12", "1234", 9050, "0"},
        {2355, "0001", "00x", 9054, "00"},
    };
    for (const Row& r : rows) {
        ui.events.clear();
        EXPECT_TRUE(dialog.userEdited(r.controlId, r.good));
        EXPECT_EQ(dialog.text(r.controlId), r.good);
        EXPECT_FALSE(dialog.userEdited(r.controlId, r.bad));
        EXPECT_EQ(dialog.text(r.controlId), r.deviceValue) << r.controlId;
        EXPECT_EQ(ui.events, (Strings{"message " + std::to_string(r.message), "refresh"}));
        EXPECT_TRUE(dialog.changed(r.controlId));
    }
}

TEST_F(SettingsFixture, OkSendsOnlyWhatChangedInOrderWithItsOutcomes) {
    dialog.setChecked(app::kSoundCheck, true);
    dialog.setChecked(app::kLcdGermanCheck, true);
    dialog.userEdited(2355, "001"); // typed, then typed back: still sent
    dialog.userEdited(2355, "00");
    dialog.userEdited(2354, "9");
    dialog.userEdited(2352, "0.15");
    // 2353 never touched: not sent.
    drv.on({DRV_LCDGERMAN}, Answer::ok());
    drv.on({DRV_CHGUNIT}, Answer::noReply());
    drv.on({DRV_PABXPREFIX}, Answer::notAcknowledged());
    drv.on({DRV_INTLPREFIX}, Answer::ok());

    app::SettingsApplied applied = dialog.ok();

    EXPECT_EQ(drv.sequence(), (Cmds{{DRV_LCDGERMAN, 0, 0, 1, ""},
                                    {DRV_CHGUNIT, 0, 0, 1, "0.15"},
                                    {DRV_PABXPREFIX, 0, 0, 1, "9"},
                                    {DRV_INTLPREFIX, 0, 0, 1, "00"}}));
    EXPECT_EQ(drv.calls()[0].sent.bFlag, 1);
    EXPECT_EQ(applied.failed, (std::vector<uint16_t>{DRV_CHGUNIT, DRV_PABXPREFIX}));
    EXPECT_EQ(main.settings().lcdGerman.confirmed, 1);
    EXPECT_EQ(main.settings().chargeUnit.confirmed, "0,12"); // failed: unchanged
    EXPECT_EQ(main.settings().pabxPrefix.confirmed, "0");    // no OK: unchanged
    EXPECT_EQ(main.settings().intlPrefix.confirmed, "00");
    EXPECT_TRUE(app.soundOn);
    EXPECT_EQ(profiles.get(0, "SET_DIV", "SOUNDON"), "1");
    EXPECT_EQ(ui.events, (Strings{"beep"}));
}

TEST_F(SettingsFixture, OkWithNothingChangedOnlyStoresTheSoundSwitch) {
    app.soundOn = true;
    dialog.open();
    dialog.setChecked(app::kSoundCheck, false);
    ui.events.clear();
    app::SettingsApplied applied = dialog.ok();
    EXPECT_TRUE(drv.calls().empty());
    EXPECT_TRUE(applied.failed.empty());
    EXPECT_FALSE(app.soundOn);
    EXPECT_EQ(profiles.get(0, "SET_DIV", "SOUNDON"), "0");
    EXPECT_TRUE(ui.events.empty()); // sound now off: no beep
}

TEST_F(SettingsFixture, AFailedSoundWriteIsReported) {
    profiles.failWrites(0);
    app::SettingsApplied applied = dialog.ok();
    EXPECT_FALSE(applied.writes.ok());
    ASSERT_EQ(ui.events.size(), 1u);
    EXPECT_EQ(ui.events[0].rfind("write failed", 0), 0u);
}

TEST_F(SettingsFixture, LanguageChosenThenOkSwitchesTheProgram) {
    dialog.chooseLanguage(1);
    EXPECT_EQ(ui.events, (Strings{"relabel 1"}));
    EXPECT_TRUE(dialog.languageChanged());
    EXPECT_EQ(app.language, 0); // nothing before OK
    factory.log.clear();
    dialog.ok();
    EXPECT_EQ(app.language, 1);
    EXPECT_EQ(profiles.get(0, "SET_DIV", "LANGUAGE"), "1");
    EXPECT_EQ(factory.log.front(), "p0:language 1");
    EXPECT_FALSE(dialog.languageChanged());
}

TEST_F(SettingsFixture, CancelAppliesNothingAndDropsTheLanguage) {
    app.soundOn = true;
    dialog.open();
    dialog.chooseLanguage(1);
    dialog.setChecked(app::kLcdGermanCheck, true);
    dialog.userEdited(2353, "040");
    ui.events.clear();
    dialog.cancel();
    EXPECT_EQ(ui.events, (Strings{"beep"}));
    EXPECT_TRUE(drv.calls().empty());
    EXPECT_TRUE(profiles.writes.empty());
    EXPECT_EQ(app.language, 0);
    EXPECT_EQ(dialog.shownLanguage(), 0);
    EXPECT_EQ(main.settings().areaCode.confirmed, "030");

    ui.events.clear();
    dialog.cancel(true); // the close box: no beep
    EXPECT_TRUE(ui.events.empty());
}

TEST_F(SettingsFixture, PortText) {
    EXPECT_EQ(dialog.portText(), "  COM3");
    SettingsDialog withPath{app, main, ui, "/dev/ttyUSB0"};
    EXPECT_EQ(withPath.text(app::kPortLabel), "  COM3 (/dev/ttyUSB0)");
    app.portIndex = -1; // no device found
    EXPECT_EQ(dialog.portText(), "");
}

TEST_F(SettingsFixture, EnterMovesThroughTheFields) {
    EXPECT_EQ(SettingsDialog::nextControl(2352), 2353);
    EXPECT_EQ(SettingsDialog::nextControl(2354), 2355);
    EXPECT_EQ(SettingsDialog::nextControl(2355), app::kSettingsOk);
}

TEST_F(SettingsFixture, AChargeUnitTooLongForTheRecordIsRejected) {
    std::string longUnit = "0," + std::string(29, '5'); // 31 characters: fits
    EXPECT_TRUE(dialog.userEdited(2352, longUnit));
    EXPECT_FALSE(dialog.userEdited(2352, longUnit + "5"));
    EXPECT_EQ(ui.events, (Strings{"message 9056", "refresh"}));
}

// Pages report failed default-profile writes (port names, symbols) through
// the main window, which shows them.
TEST_F(SettingsFixture, MainWindowShowsAPagesFailedWrites) {
    core::WriteReport report;
    report.add({0, "MSN_DIV", "ALIAS1", "disk full"});
    core::PageHost& host = main;
    host.reportWriteFailures(report);
    ASSERT_EQ(shell.writeFailures.size(), 1u);
    EXPECT_EQ(shell.writeFailures[0].failures()[0].key, "ALIAS1");
}

} // namespace
