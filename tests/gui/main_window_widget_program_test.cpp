// The desktop program end to end against the simulated device: start-up,
// sending an MSN, the unsent-changes question, the language switch, the first
// run, no device, and the R30 layout.
#include "app/check_dlg.h"
#include "app/menu_bar_widget.h"
#include "app/settings_dlg.h"
#include "app/splash_dlg.h"
#include "mainwin_support.h"
#include "pages/telephony/msn_page_widget.h"
#include "ui/page_button_widget.h"
#include "ui/page_widget.h"
#include "ui/port_symbol_widget.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QStackedWidget>
#include <QTest>

using namespace mainwin;
using quorvex::widgets::MsnPageWidget;
using quorvex::widgets::PageWidget;

namespace {

MsnPageWidget* msnPage(widgets::CMainWnd& win) {
    return dynamic_cast<MsnPageWidget*>(win.pageWidget(0));
}

QLineEdit* msnEdit(widgets::CMainWnd& win, int id) {
    MsnPageWidget* page = msnPage(win);
    return page == nullptr ? nullptr : page->edit(id);
}

TEST_F(ProgramTest, StartsUpToTheMsnPageWithTheDevicesValues) {
    plugDevice(sim::Model::R70);
    notFirstRun();
    QPointer<widgets::CSplashDlg> splash = new widgets::CSplashDlg(false, 0);
    splash->show();
    widgets::CMainWnd& win = makeProgram();
    std::int64_t start = clock_.now();
    ASSERT_EQ(win.start(start, splash), app::StartupResult::Running);
    // The splash stayed at least five seconds (of the fake clock) and is gone.
    EXPECT_GE(clock_.now() - start, 5000);
    EXPECT_TRUE(splash.isNull());
    // The page shows first; its device read runs once the switch is done.
    ASSERT_TRUE(
        waitUntil([&] { return win.logic().currentIndex() == 0 && win.pendingPosts() == 0; }));
    EXPECT_TRUE(win.isVisible());
    EXPECT_EQ(win.stack()->currentWidget(), win.pageWidget(0));
    EXPECT_EQ(win.windowTitle(), "Assigning MSNs - OrvaISDN Quorvex");
    ASSERT_NE(msnEdit(win, 3000), nullptr);
    EXPECT_EQ(msnEdit(win, 3000)->text(), "4711"); // port 11, MSN 1 on the device
    EXPECT_EQ(msnEdit(win, 2140)->text(), "\"11\"");
    EXPECT_TRUE(win.heartbeatTimer()->isActive());
    EXPECT_EQ(app_->modelNumber, 70);
}

TEST_F(ProgramTest, TypedMsnAndSendLeavesItOnTheDevice) {
    plugDevice(sim::Model::R70);
    notFirstRun();
    startToMsnPage();
    widgets::CMainWnd& win = *win_;
    QLineEdit* edit = msnEdit(win, 3004); // port 21, MSN 2
    ASSERT_NE(edit, nullptr);
    edit->setFocus();
    QTest::keyClicks(edit, "5550123");
    EXPECT_TRUE(win.logic().page(0)->hasUnsentChanges());
    msnPage(win)->sendButton()->click();
    EXPECT_EQ(dev_->snapshot().registers["!P0#21*1"], "5550123");
    EXPECT_FALSE(win.logic().page(0)->hasUnsentChanges());
    EXPECT_EQ(app_->cache.analog[1].msn[1], "5550123");
}

TEST_F(ProgramTest, LetterInAnMsnShowsTheMessageAndTheFieldGoesBack) {
    plugDevice(sim::Model::R70);
    notFirstRun();
    startToMsnPage();
    QLineEdit* edit = msnEdit(*win_, 3000);
    edit->setFocus();
    edit->end(false);
    QString shown;
    whenModalIsUp([&](QWidget* modal) { shown = acceptMessage(modal); });
    QTest::keyClicks(edit, "x");
    EXPECT_TRUE(shown.startsWith("Please enter a  phonenumber.")) << shown.toStdString();
    EXPECT_EQ(edit->text(), "4711");
    EXPECT_FALSE(win_->logic().page(0)->hasUnsentChanges());
}

TEST_F(ProgramTest, LeavingWithUnsentChangesAsksCancelKeepsDiscardRestores) {
    plugDevice(sim::Model::R70);
    notFirstRun();
    startToMsnPage();
    widgets::CMainWnd& win = *win_;
    QLineEdit* edit = msnEdit(win, 3002);
    edit->setFocus();
    QTest::keyClicks(edit, "999");

    whenModalIsUp([](QWidget* modal) { clickId(modal, 1054); }); // Cancel
    msnPage(win)->strip()->button(1)->click();
    QCoreApplication::processEvents();
    EXPECT_EQ(win.logic().currentIndex(), 0);
    EXPECT_EQ(edit->text(), "999");

    whenModalIsUp([](QWidget* modal) { clickId(modal, 1053); }); // Discard
    msnPage(win)->strip()->button(1)->click();
    ASSERT_TRUE(waitUntil([&] { return win.logic().currentIndex() == 1; }));
    EXPECT_EQ(win.stack()->currentWidget(), win.pageWidget(1));
    EXPECT_EQ(edit->text(), "");
    EXPECT_FALSE(win.logic().page(0)->hasUnsentChanges());
    EXPECT_EQ(dev_->snapshot().registers["!P0#11*2"], ""); // nothing was sent
}

// Pages differ in size: the window takes the largest one's once, so that no
// page switch grows it (off the screen's bottom edge on Wayland, where the
// compositor keeps its top left corner), and is centred on every switch.
TEST_F(ProgramTest, EveryPageIsShownInTheLargestPagesSizeCentred) {
    plugDevice(sim::Model::R70);
    notFirstRun();
    startToMsnPage();
    widgets::CMainWnd& win = *win_;
    QSize largest;
    for (int k = 0; k < 10; ++k)
        largest = largest.expandedTo(win.pageWidget(k)->naturalSize());
    EXPECT_GT(largest.height(), win.pageWidget(1)->naturalSize().height()); // they differ
    const QSize size = win.size();
    for (int index : {1, 6, 2, 0}) {
        win.logic().pageCommand(5000 + index);
        ASSERT_TRUE(waitUntil([&] { return win.pendingPosts() == 0; }));
        QCoreApplication::processEvents();
        EXPECT_EQ(win.size(), size) << index;
        EXPECT_EQ(win.stack()->size(), largest) << index;
        EXPECT_EQ(win.currentPageWidget()->size(), largest) << index;
        const QPoint centre = win.frameGeometry().center();
        const QPoint expected = win.screen()->availableGeometry().center();
        EXPECT_LE((centre - expected).manhattanLength(), 2)
            << index << ": " << centre.y() << " against " << expected.y();
    }
}

TEST_F(ProgramTest, LanguageFromTheSettingsDialogRelabelsEveryPage) {
    plugDevice(sim::Model::R70);
    notFirstRun();
    startToMsnPage();
    widgets::CMainWnd& win = *win_;
    QString relabelledCaption;
    whenModalIsUp([&](QWidget* modal) {
        auto* picker = modal->findChild<widgets::CPortSymbol*>("1052");
        ASSERT_NE(picker, nullptr);
        QAction* german = nullptr;
        for (QAction* a : picker->menu()->actions()) {
            if (a->objectName() == "345") german = a;
        }
        ASSERT_NE(german, nullptr);
        german->trigger();
        relabelledCaption = modal->windowTitle(); // at once, before OK
        clickId(modal, 1053);
    });
    win.menuCommand(5013);
    ASSERT_TRUE(waitUntil([&] { return app_->language == 1; }));
    EXPECT_EQ(relabelledCaption, "OrvaISDN Einstellungen");

    EXPECT_EQ(win.menuBar()->actions().at(0)->text(), "Datei");
    EXPECT_EQ(win.windowTitle(), "MSNs zuordnen - OrvaISDN Quorvex");
    for (int k = 0; k < 10; ++k) {
        PageWidget* page = win.pageWidget(k);
        ASSERT_NE(page, nullptr);
        EXPECT_EQ(page->language(), 1) << "page " << k;
        EXPECT_EQ(page->strip()->button(0)->text(), "MSN") << "page " << k;
        EXPECT_EQ(page->strip()->button(1)->text(), QStringLiteral("Rufannahme")) << "page " << k;
        if (page->sendButton() != nullptr) {
            EXPECT_EQ(page->sendButton()->text(), "Einstellungen senden") << "page " << k;
        }
    }
    EXPECT_NE(defaultProfileText().find("LANGUAGE=1"), std::string::npos);
}

TEST_F(ProgramTest, FirstRunOpensTheSettingsDialogOnceOnly) {
    plugDevice(sim::Model::R70);
    int dialogs = 0;
    auto answer = [&](QWidget* modal) {
        if (qobject_cast<widgets::CSettingsDlg*>(modal) != nullptr) ++dialogs;
        clickId(modal, 2); // Cancel
    };
    whenModalIsUp(answer);
    startToMsnPage();
    EXPECT_EQ(dialogs, 1);

    win_.reset();
    D_SendDrvCmd(DRV_CLOSE, nullptr);
    startToMsnPage();
    QCoreApplication::processEvents();
    EXPECT_EQ(dialogs, 1);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST_F(ProgramTest, NoDeviceAndQuitApplicationEndsWithoutAMainWindow) {
    noPorts();
    notFirstRun();
    int asked = 0;
    whenModalIsUp([&](QWidget* modal) {
        ++asked;
        clickId(modal, 1542); // "Quit application"
    });
    widgets::CMainWnd& win = makeProgram();
    EXPECT_EQ(win.start(clock_.now(), nullptr), app::StartupResult::Quit);
    EXPECT_EQ(asked, 1);
    EXPECT_FALSE(win.isVisible());
    EXPECT_FALSE(win.heartbeatTimer()->isActive());
}

TEST_F(ProgramTest, R30ShowsThreePorts) {
    plugDevice(sim::Model::R30);
    notFirstRun();
    startToMsnPage();
    MsnPageWidget* page = msnPage(*win_);
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(page->msn().portCount(), 3);
    for (int id : {2140, 2141, 2142, 2145, 3000, 3008, 3015, 3019, 3020, 3022, 3025})
        EXPECT_NE(page->control(id), nullptr) << id;
    for (int id : {2143, 2144, 3009, 3014, 3023, 3024})
        EXPECT_EQ(page->control(id), nullptr) << id;
    EXPECT_NE(page->symbol(2), nullptr);
    EXPECT_EQ(page->symbol(3), nullptr);
    EXPECT_NE(page->symbol(5), nullptr);
}

TEST_F(ProgramTest, CloseBoxAsksAboutUnsentChangesThenQuits) {
    plugDevice(sim::Model::R70);
    notFirstRun();
    startToMsnPage();
    widgets::CMainWnd& win = *win_;
    QLineEdit* edit = msnEdit(win, 3001);
    edit->setFocus();
    QTest::keyClicks(edit, "12");
    whenModalIsUp([](QWidget* modal) { clickId(modal, 1054); }); // Cancel
    win.close();
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    EXPECT_TRUE(win.isVisible());
    whenModalIsUp([](QWidget* modal) { clickId(modal, 2154); }); // Send, then quit
    win.close();
    ASSERT_TRUE(waitUntil([&] { return win.isClosedForGood(); }));
    EXPECT_FALSE(win.isVisible());
    EXPECT_EQ(dev_->snapshot().registers["!P0#11*1"], "12");
}

// While a profile load or save has the status window up, only painting runs:
// a command posted meanwhile waits until the window has closed.
TEST_F(ProgramTest, PostedWorkWaitsForTheStatusWindow) {
    plugDevice(sim::Model::R70);
    notFirstRun();
    startToMsnPage();
    widgets::CMainWnd& win = *win_;
    win.progressOpen(6194, " \"x.pro\"", 25000);
    win.postCommand(5001);
    for (int i = 0; i < 5; ++i) {
        win.progressPosition(i * 100); // the status window repaints
        QTest::qWait(30);
    }
    EXPECT_EQ(win.logic().currentIndex(), 0);
    win.progressClose();
    EXPECT_TRUE(waitUntil([&] { return win.logic().currentIndex() == 1; }));
}

TEST_F(ProgramTest, MenuDialogsOpenAndCloseWithoutEndingTheProgram) {
    plugDevice(sim::Model::R70);
    notFirstRun();
    startToMsnPage();
    struct Case {
        int command;
        const char* dialog;
    };
    for (const Case& c : {Case{5010, "CMonitorDlg"}, Case{5014, "CUpgradeDlg"},
                          Case{5015, "CCallbackDlg"}, Case{5016, "CIsdnInfoDlg"}}) {
        QString shown;
        whenModalIsUp([&](QWidget* modal) {
            shown = QString::fromLatin1(modal->metaObject()->className());
            if (auto* dialog = qobject_cast<QDialog*>(modal)) dialog->reject();
        });
        win_->logic().command(c.command);
        EXPECT_TRUE(shown.endsWith(QLatin1String(c.dialog)))
            << c.command << " showed " << shown.toStdString();
        EXPECT_TRUE(win_->isVisible()) << c.command;
    }
}

} // namespace

namespace {

// Help, "Check the device...": the check runs with the page's polling and the
// heartbeat paused, says "conforms", and saves the report.
TEST_F(ProgramTest, CheckTheDeviceFromTheHelpMenu) {
    plugDevice(sim::Model::R70);
    notFirstRun();
    startToMsnPage();
    win_->logic().command(menus::kCmdFirstPage + menus::kChargesPage); // a page that polls
    ASSERT_TRUE(waitUntil([&] { return win_->pendingPosts() == 0; }));
    win_->heartbeatTimer()->start();
    dev_->clearReceived();
    const std::string report = (dir_ / "check.txt").string();
    QString summary;
    bool saved = false;
    whenModalIsUp([&](QWidget* modal) {
        auto* dlg = qobject_cast<widgets::CCheckDlg*>(modal);
        ASSERT_NE(dlg, nullptr) << modal->metaObject()->className();
        auto* close = dlg->findChild<QPushButton*>(QStringLiteral("close"));
        // Waits for the check without blocking it: it runs in this event loop.
        auto* poll = new QTimer(dlg);
        QObject::connect(poll, &QTimer::timeout, [=, &summary, &saved] {
            if (!close->isEnabled()) return;
            poll->stop();
            summary = dlg->summary();
            whenModalIsUp([](QWidget* box) { acceptMessage(box); });
            saved = dlg->saveReport(QString::fromStdString(report));
            close->click();
        });
        poll->start(50);
    });
    ::setenv("R70COM_LISTEN_MS", "30", 1); // the 250 ms after each reply would cost 85 s
    win_->logic().command(menus::kCmdCheckDevice);
    ::unsetenv("R70COM_LISTEN_MS");
    win_->heartbeatTimer()->stop();
    EXPECT_TRUE(summary.contains(QStringLiteral("\nconforms\n"))) << summary.toStdString();
    EXPECT_TRUE(saved);
    std::ifstream in(report);
    const std::string text(std::istreambuf_iterator<char>(in), {});
    EXPECT_NE(text.find("Program: quorvex 0.1.0"), std::string::npos);
    EXPECT_NE(text.find("\nconforms\n"), std::string::npos);
    // Each query once: no heartbeat "AT" and no charges poll cut in.
    const std::vector<std::string> heard = dev_->receivedLines();
    for (const char* once : {"AT", "AT\\X1?"})
        EXPECT_EQ(std::count(heard.begin(), heard.end(), once), 1) << once;
}

} // namespace
