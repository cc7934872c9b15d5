// The log book page, the monitor window and the ISDN information dialog
// against the simulated device through the real driver.
#include "app/monitor_dlg.h"
#include "gui/maintwidgets_support.h"
#include "maintenance/isdn_info_dlg.h"
#include "maintenance/log_page_widget.h"
#include "support/scripted_ui.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QLabel>
#include <QRadioButton>
#include <QTest>
#include <QWindow>

#include <functional>

namespace {

using namespace maintwidgets;
using namespace quorvex::widgets;

QString textOf(QWidget* root, int id) {
    auto* label = root->findChild<QLabel*>(QString::number(id));
    return label != nullptr ? label->text() : QStringLiteral("<no control %1>").arg(id);
}

using LogPageWidget = SimApp;

TEST_F(LogPageWidget, ShowsTheSeededCallsClearsAListAndDialsBack) {
    start(sim::Model::R70);
    test::RecordingHost host;
    widgets::LogPageWidget page(app, host);
    page.logPage().shown(); // the main window's "page shown"
    page.show();
    EXPECT_TRUE(page.refreshTimer()->isActive());
    EXPECT_EQ(page.refreshTimer()->interval(), 5000);

    // Port 11: three outgoing, two incoming (one without number), one not answered.
    EXPECT_TRUE(page.findChild<QRadioButton*>("3200")->isChecked());
    EXPECT_EQ(textOf(&page, 3100), "07/03/01 09:05");
    EXPECT_EQ(textOf(&page, 3130), "0301234567");
    EXPECT_EQ(textOf(&page, 3160), "OK");
    EXPECT_TRUE(textOf(&page, 3190).contains("0,36")) << textOf(&page, 3190).toStdString();
    EXPECT_EQ(textOf(&page, 3132), "4711");
    EXPECT_EQ(textOf(&page, 3133), ""); // beyond the list
    EXPECT_EQ(textOf(&page, 3140), "0897654321");
    EXPECT_EQ(textOf(&page, 3141), "No ID");
    EXPECT_EQ(textOf(&page, 3150), "No ID"); // the words "NO" "ID"
    auto blue = [&](int id) {
        return page.findChild<QLabel*>(QString::number(id))->palette().color(QPalette::WindowText);
    };
    EXPECT_EQ(blue(3141), QColor(0, 0, 255));
    EXPECT_EQ(blue(3140), QColor(0, 0, 0));
    EXPECT_EQ(textOf(&page, 1233), "\"11\"");

    // Clear the incoming list of port 11 only.
    page.findChild<QAbstractButton*>("1551")->click();
    EXPECT_EQ(textOf(&page, 3140), "");
    EXPECT_EQ(textOf(&page, 3130), "0301234567");
    EXPECT_TRUE(dev->snapshot().callLists[11][1].empty());

    // A click on a row that was not read does nothing; one on "4711" dials it back.
    const auto before = codes.size();
    QTest::mouseClick(page.findChild<QLabel*>("3135"), Qt::LeftButton);
    QCoreApplication::processEvents();
    EXPECT_EQ(count(DRV_DIAL), 0);
    QTest::mouseClick(page.findChild<QLabel*>("3132"), Qt::LeftButton);
    ASSERT_TRUE(waitServing([&] { return count(DRV_DIAL) == 1; }));
    EXPECT_GT(codes.size(), before);
    EXPECT_EQ(dev->snapshot().callLists[11][0].front().number, "4711");
    page.tick(); // the next refresh lists the new call at the top
    EXPECT_EQ(textOf(&page, 3130), "4711");
    EXPECT_EQ(textOf(&page, 3133), "4711");

    // Another port: its own lists.
    page.findChild<QRadioButton*>("3201")->click();
    EXPECT_EQ(textOf(&page, 3130), "0401112233");
    EXPECT_EQ(textOf(&page, 3131), "");

    page.hide();
    page.logPage().hidden();
    EXPECT_FALSE(page.refreshTimer()->isActive());
    const auto reads = count(DRV_LOG);
    page.tick(); // hidden: the tick reads nothing
    EXPECT_EQ(count(DRV_LOG), reads);
}

TEST_F(LogPageWidget, TheNumbersAreControlsTabReachesThemEnterAndSpaceDialBack) {
    start(sim::Model::R70);
    test::RecordingHost host;
    widgets::LogPageWidget page(app, host);
    page.logPage().shown();
    page.show();
    QApplication::setActiveWindow(&page);
    const auto control = [&](int id) {
        return QAccessible::queryAccessibleInterface(page.findChild<QWidget*>(QString::number(id)));
    };
    EXPECT_EQ(control(3132)->role(), QAccessible::PushButton);
    EXPECT_EQ(control(3132)->text(QAccessible::Name), "4711, Outgoing calls 3");
    EXPECT_EQ(control(3140)->text(QAccessible::Name), "0897654321, Incoming calls 1");
    for (int id : {3133, 3141}) { // beyond the list; "No ID" has nothing to dial
        EXPECT_EQ(control(id)->role(), QAccessible::StaticText) << id;
        EXPECT_EQ(page.findChild<QWidget*>(QString::number(id))->focusPolicy(), Qt::NoFocus);
    }

    page.findChild<QWidget*>("3131")->setFocus(Qt::TabFocusReason);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), page.findChild<QWidget*>("3132"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    ASSERT_TRUE(waitServing([&] { return count(DRV_DIAL) == 1; }));
    EXPECT_EQ(dev->snapshot().callLists[11][0].front().number, "4711");
    clock.advance(maintenance::kLogDialWaitMs); // the first call's wait is over
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
    ASSERT_TRUE(waitServing([&] { return count(DRV_DIAL) == 2; }));
}

// A call costs money: holding Return (the window system's auto-repeat), a
// press whose release never comes, and a second press while the first call
// is being placed each dial no more than once. The status line names the
// number meanwhile.
TEST_F(LogPageWidget, OneDeliberatePressDialsOnce) {
    start(sim::Model::R70);
    test::RecordingHost host;
    widgets::LogPageWidget page(app, host);
    page.logPage().shown();
    page.show();
    QApplication::setActiveWindow(&page);
    QWidget* number = page.findChild<QWidget*>("3132");
    number->setFocus(Qt::TabFocusReason);
    ASSERT_EQ(QApplication::focusWidget(), number);
    QWindow* window = page.windowHandle();
    // Through the window system, as the keyboard's events arrive.
    auto key = [&](bool press, bool autoRepeat) {
        QTest::simulateEvent(window, press, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"),
                             autoRepeat);
    };
    auto settle = [&] {
        for (int i = 0; i < 20; ++i)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    };
    struct Step {
        const char* what;
        std::function<void()> keys;
        int dials; // in all, after the step
    };
    const Step steps[] = {
        {"held for two seconds: 60 repeats",
         [&] {
             key(true, false);
             for (int i = 0; i < 60; ++i) {
                 key(false, true); // X11 repeats a held key as release and press
                 key(true, true);
             }
             key(false, false);
         },
         1},
        {"a press whose release never came",
         [&] {
             clock.advance(maintenance::kLogDialWaitMs);
             for (int i = 0; i < 10; ++i)
                 key(true, false);
         },
         2},
        {"its release, then a new press while that call is placed",
         [&] {
             key(false, false);
             key(true, false);
             key(false, false);
         },
         2},
        {"a press once the call is placed",
         [&] {
             clock.advance(maintenance::kLogDialWaitMs);
             key(true, false);
             key(false, false);
         },
         3},
    };
    for (const Step& step : steps) {
        step.keys();
        EXPECT_TRUE(waitServing([&] { return count(DRV_DIAL) >= step.dials; })) << step.what;
        settle();
        EXPECT_EQ(count(DRV_DIAL), step.dials) << step.what;
    }
    const QString status = page.findChild<QLabel*>("hint")->text();
    EXPECT_TRUE(status.contains("4711")) << status.toStdString();
    EXPECT_TRUE(status.contains("Port 11")) << status.toStdString();
    clock.advance(maintenance::kLogDialWaitMs);
    page.refresh();
    EXPECT_FALSE(page.findChild<QLabel*>("hint")->text().contains("4711"));
}

TEST_F(LogPageWidget, R30HidesPorts31And32AndClearAllEmptiesThePort) {
    start(sim::Model::R30);
    test::RecordingHost host;
    widgets::LogPageWidget page(app, host);
    page.logPage().shown();
    page.show();
    for (int id : {3200, 3201, 3202, 3205})
        EXPECT_TRUE(page.findChild<QWidget*>(QString::number(id))->isVisible()) << id;
    for (int id : {3203, 3204, 1236, 1237})
        EXPECT_FALSE(page.findChild<QWidget*>(QString::number(id))->isVisible()) << id;
    EXPECT_EQ(textOf(&page, 3130), "0301234567");
    auto* clearAll = page.findChild<QAbstractButton*>("1553");
    EXPECT_EQ(clearAll->text(), "Clear");
    page.applyLanguage(1);
    EXPECT_EQ(clearAll->text(), "Löschen");
    clearAll->click();
    for (int id : {3130, 3140, 3150})
        EXPECT_EQ(textOf(&page, id), "") << id;
    auto lists = dev->snapshot().callLists;
    EXPECT_TRUE(lists[11][0].empty() && lists[11][1].empty() && lists[11][2].empty());
    EXPECT_FALSE(lists[21][0].empty()); // other ports keep theirs
}

using MonitorWidget = SimApp;

TEST_F(MonitorWidget, R30ShowsThreeAnalogColumnsAndTheDataPort) {
    start(sim::Model::R30);
    CMonitorDlg dlg(app);
    EXPECT_EQ(dlg.windowTitle(), "Quorvex Monitor");
    for (int id : {1233, 1234, 1235, 1238})
        EXPECT_NE(dlg.findChild<QLabel*>(QString::number(id)), nullptr) << id;
    for (int id : {1236, 1237, 1610, 1611, 1598, 1599, 1026, 1027})
        EXPECT_EQ(dlg.findChild<QWidget*>(QString::number(id)), nullptr) << id;
    EXPECT_EQ(textOf(&dlg, 1233), "11");
    EXPECT_EQ(textOf(&dlg, 1238), "data");
    EXPECT_EQ(textOf(&dlg, 1595), "4711");
    EXPECT_EQ(textOf(&dlg, 1612), "0301234567"); // port 11's last outgoing call
    EXPECT_EQ(textOf(&dlg, 1662), "019231760");  // the data port's
    EXPECT_TRUE(textOf(&dlg, 1243).startsWith("DM ")) << textOf(&dlg, 1243).toStdString();
    EXPECT_FALSE(textOf(&dlg, 1255).isEmpty());
    EXPECT_LT(dlg.width(), 560);
}

TEST_F(MonitorWidget, RefreshesOnItsTimerAndClosesAsAModalWindow) {
    start(sim::Model::R70);
    // Opened the way the main window opens it; the tick is driven by hand.
    int ticks = 0;
    ModalScript script({[&](QWidget* w) {
        auto* dlg = qobject_cast<CMonitorDlg*>(w);
        ASSERT_NE(dlg, nullptr);
        EXPECT_TRUE(dlg->refreshTimer()->isActive());
        EXPECT_EQ(dlg->refreshTimer()->interval(), 5000);
        EXPECT_EQ(dlg->findChild<QLabel*>("1237")->text(), "32");
        dev->query("AT!P0#21*0=5555");
        dlg->tick();
        ++ticks;
        EXPECT_EQ(dlg->findChild<QLabel*>("1596")->text(), "5555");
        EXPECT_FALSE(app.heartbeatSuspended()); // only around command 54
        dlg->close();
    }});
    runMonitorDialog(app, nullptr);
    EXPECT_TRUE(script.done());
    EXPECT_EQ(ticks, 1);
    EXPECT_EQ(count(DRV_LINESTATE), 2);
}

using InfoWidget = SimApp;

TEST_F(InfoWidget, ShowsTheDeviceStatusRefreshesAndCloses) {
    start(sim::Model::R70);
    ModalScript script(
        {[&](QWidget* w) {
             auto* dlg = qobject_cast<CIsdnInfoDlg*>(w);
             ASSERT_NE(dlg, nullptr);
             EXPECT_EQ(dlg->windowTitle(), "ISDN Info");
             EXPECT_EQ(textOf(dlg, 1522), "#1 ISDN status & connection status of the modem");
             EXPECT_EQ(textOf(dlg, 1529), "The OrvaISDN modem is synchronized "
                                          "to the ISDN network. ( 3 )");
             EXPECT_EQ(textOf(dlg, 1530), "(16)");
             EXPECT_EQ(textOf(dlg, 1531), "OrvaISDN R70 QKM-633S");
             const QString important = textOf(dlg, 1534);
             EXPECT_TRUE(important.contains(" &C1")) << important.toStdString();
             EXPECT_FALSE(important.contains("&&"));
             EXPECT_EQ(dlg->refreshTimer()->interval(), 3000);
             EXPECT_TRUE(dlg->refreshTimer()->isActive());
             dev->setIsdnStatus(2);
             dlg->tick();
             EXPECT_EQ(textOf(dlg, 1529), "The OrvaISDN modem is activated. ( 2 )");
             // Help (from the event loop, so the script sees it come up).
             QTimer::singleShot(0, dlg,
                                [dlg] { dlg->findChild<QAbstractButton*>("57670")->click(); });
         },
         [&](QWidget* help) {
             EXPECT_EQ(help->objectName(), "CInfoDlg");
             EXPECT_EQ(help->windowTitle(), "OrvaISDN:ISDN Info");
             QWidget* info = help->parentWidget();
             help->findChild<QAbstractButton*>("1")->click();
             // Then OK on the information dialog itself.
             QTimer::singleShot(0, info,
                                [info] { info->findChild<QAbstractButton*>("1")->click(); });
         }});
    runIsdnInfoDialog(app, nullptr);
    EXPECT_TRUE(script.done());
    EXPECT_EQ(count(DRV_ISDNSTATUS), 2);
}

TEST_F(InfoWidget, WithoutAConnectionShowsTheNotConnectedTexts) {
    start(sim::Model::R70);
    app.connected = false;
    CIsdnInfoDlg dlg(app);
    EXPECT_TRUE(textOf(&dlg, 1529).startsWith("Caution:"));
    EXPECT_EQ(textOf(&dlg, 1530), "ok (0)");
    EXPECT_EQ(textOf(&dlg, 1534), "");
    EXPECT_EQ(count(DRV_ISDNSTATUS), 0);
}

} // namespace
