// The settings dialog's widget: filling, the field checks with their messages, the
// flag picker relabelling at once, OK sending what changed, Cancel dropping it all;
// the port choice over a fake machine.
#include "app/main_window_logic.h"
#include "app/settings_dlg.h"
#include "mainwin_support.h"
#include "support/app_fixture.h"
#include "support/fake_machine.h"
#include "support/recording_page.h"
#include "support/scripted_ui.h"
#include "ui/port_symbol_widget.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QTest>

using namespace mainwin;

namespace {

struct SettingsDlgTest : ::testing::Test, test::AppFixture {
    test::ScriptedUi ui;
    test::RecordingPageFactory factory{app, ui};
    app::MainWindowLogic main{app, ui, factory};

    void SetUp() override {
        app.connected = true;
        app.portIndex = 2;
        drv.on({DRV_CHGUNIT}, test::Answer::okText("0,12"));
        drv.on({DRV_AREACODE}, test::Answer::okText("030"));
        drv.on({DRV_PABXPREFIX}, test::Answer::ok());
        drv.on({DRV_INTLPREFIX}, test::Answer::ok());
        drv.on({DRV_LCDGERMAN}, test::Answer::ok());
        main.readSettingsFromDevice();
        drv.clearCalls();
    }
    QLineEdit* edit(QWidget& dlg, int id) { return dlg.findChild<QLineEdit*>(QString::number(id)); }
};

TEST_F(SettingsDlgTest, FillsTheControlsAndThePort) {
    widgets::CSettingsDlg dlg(app, main, "/dev/ttyUSB0");
    EXPECT_EQ(edit(dlg, 2352)->text(), "0,12");
    EXPECT_EQ(edit(dlg, 2353)->text(), "030");
    EXPECT_EQ(dlg.findChild<QLabel*>("1484")->text(), "  COM3 (/dev/ttyUSB0)");
    EXPECT_EQ(dlg.windowTitle(), "OrvaISDN Settings");
    EXPECT_TRUE(drv.calls().empty()); // filling is no edit and sends nothing
}

TEST_F(SettingsDlgTest, RejectedFieldsShowTheirMessageAndGoBack) {
    struct Case {
        int id;
        const char* typed;
        const char* message;
        const char* after;
    };
    const Case cases[] = {
        {2352, "a", "Error Format", "0,12"},
        {2353, "123", "max 5 digits", "030"}, // 030123: six digits
        {2354, "1234", "max 3 digits", ""},
        {2355, "x", "max 5 digits", ""},
    };
    for (const Case& c : cases) {
        widgets::CSettingsDlg dlg(app, main, "");
        dlg.show();
        QLineEdit* e = edit(dlg, c.id);
        e->setFocus();
        e->end(false);
        QString shown;
        whenModalIsUp([&](QWidget* modal) { shown = acceptMessage(modal); });
        QTest::keyClicks(e, c.typed);
        EXPECT_TRUE(shown.startsWith(c.message)) << c.id << ": " << shown.toStdString();
        EXPECT_EQ(e->text(), c.after) << c.id;
    }
}

TEST_F(SettingsDlgTest, GermanFlagRelabelsAtOnceAndCancelKeepsEnglish) {
    widgets::CSettingsDlg dlg(app, main, "");
    QAction* german = nullptr;
    for (QAction* a : dlg.languagePicker()->menu()->actions())
        if (a->objectName() == "345") german = a;
    ASSERT_NE(german, nullptr);
    german->trigger();
    EXPECT_EQ(dlg.windowTitle(), "OrvaISDN Einstellungen");
    EXPECT_EQ(dlg.findChild<QLabel*>("1482")->text(), "Sprache :");
    dlg.findChild<QAbstractButton*>("2")->click();
    EXPECT_EQ(app.language, 0);
    EXPECT_TRUE(drv.calls().empty());
}

TEST_F(SettingsDlgTest, OkSendsTheChangedFieldOnly) {
    widgets::CSettingsDlg dlg(app, main, "");
    dlg.show();
    QLineEdit* e = edit(dlg, 2354);
    e->setFocus();
    QTest::keyClicks(e, "0");
    QTest::keyClick(e, Qt::Key_Return); // moves on, does not close
    EXPECT_TRUE(dlg.isVisible());
    EXPECT_EQ(dlg.focusWidget(), edit(dlg, 2355));
    dlg.findChild<QAbstractButton*>("1053")->click();
    EXPECT_EQ(drv.sequence({DRV_PABXPREFIX}),
              (std::vector<test::Cmd>{{DRV_PABXPREFIX, 0, 0, 1, "0"}}));
    EXPECT_EQ(drv.codes(), (std::vector<uint16_t>{DRV_PABXPREFIX}));
    EXPECT_EQ(main.settings().pabxPrefix.confirmed, "0");
}

} // namespace

namespace {

// The device behind a fake USB adapter with a by-id name: the dialog offers
// the machine's ports with what they say of themselves, and OK keeps the
// choice in win.ini and makes it COM1 of the search.
TEST_F(ProgramTest, ThePortChoiceOffersTheMachinesPortsAndKeepsTheChoice) {
    plugDevice(sim::Model::R70Usb);
    ::unsetenv("R70COM_PORTS");
    FakeMachine machine(dir_ / "machine");
    machine.addUsb("ttyUSB1", {"0403", "6001", "FTDI", "FT232R USB UART", "", "1-2"});
    machine.addUsb("ttyUSB0", {"0403", "6015", "Orva", "R70-USB", "R7U0001", "1-1"},
                   (dir_ / "COM3").string());
    const std::string byId =
        machine.link("by-id", "usb-Orva_R70-USB_R7U0001-if00-port0", "ttyUSB0");
    const std::string other = (machine.dev() / "ttyUSB1").string();
    ::setenv("R70COM_ROOT", (dir_ / "machine").c_str(), 1);
    notFirstRun();
    core::PortAccess ports(files_->winIni(), {D_PortPath, D_ChoosePort, D_PortReason});
    widgets::CMainWnd& win = makeProgram();
    app_->ports = &ports;
    ASSERT_EQ(win.start(clock_.now(), nullptr), app::StartupResult::Running);
    win.heartbeatTimer()->stop();

    {
        widgets::CSettingsDlg dlg(*app_, win.logic(), ports.comPath(app_->portIndex));
        EXPECT_EQ(dlg.findChild<QLabel*>("1484")->text().toStdString(), "  COM1 (" + byId + ")");
        auto* choice = dlg.findChild<QComboBox*>("1485");
        ASSERT_NE(choice, nullptr);
        ASSERT_EQ(choice->count(), 3);
        EXPECT_EQ(choice->itemText(0), "search all");
        EXPECT_EQ(choice->itemText(1).toStdString(),
                  "COM1  " + byId + "  (Orva R70-USB, 0403:6015, serial R7U0001)");
        EXPECT_EQ(choice->itemText(2).toStdString(),
                  "COM2  " + other + "  (FTDI FT232R USB UART, 0403:6001)");
        EXPECT_EQ(choice->currentIndex(), 0);
        choice->setCurrentIndex(2);
        emit choice->activated(2);
        dlg.findChild<QAbstractButton*>("1053")->click();
    }
    EXPECT_EQ(ports.choice(), other);
    // The open port keeps its name until the next search, which tries the choice first.
    EXPECT_EQ(ports.comPath(0), byId);
    EXPECT_EQ(ports.listPorts().front().port.stable(), other);
    EXPECT_TRUE(ports.listPorts().front().chosen);
    {
        // Opened again, the stored choice is selected; "search all" undoes it.
        widgets::CSettingsDlg dlg(*app_, win.logic(), "");
        auto* choice = dlg.findChild<QComboBox*>("1485");
        EXPECT_EQ(choice->currentIndex(), 1);
        EXPECT_EQ(choice->itemText(1).toStdString().rfind("COM1  " + other, 0), 0u);
        emit choice->activated(0);
        dlg.findChild<QAbstractButton*>("1053")->click();
    }
    EXPECT_EQ(ports.choice(), "");
    EXPECT_EQ(ports.listPorts().front().port.stable(), byId);
    D_ChoosePort(nullptr);
    ::unsetenv("R70COM_ROOT");
}

} // namespace
