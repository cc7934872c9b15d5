#include "app/main_window_widget.h"

#include "app/check_dlg.h"
#include "app/maintenance_dlg.h"
#include "app/monitor_dlg.h"
#include "maintenance/isdn_info_dlg.h"
#include "maintenance/upgrade_dlg.h"

#include "app/menu_bar_widget.h"
#include "app/my_file_dlg.h"
#include "app/no_response_dlg.h"
#include "app/settings_dlg.h"
#include "app/splash_dlg.h"
#include "app/status_dlg.h"
#include "resources/pages_table.h"
#include "ui/discard_dlg.h"
#include "ui/info_dlg.h"
#include "ui/page_widget.h"
#include "ui/qt_ui.h"
#include "ui/text_room.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QLayout>
#include <QMenuBar>
#include <QScreen>
#include <QScrollArea>
#include <QStackedWidget>
#include <QTimer>

namespace quorvex::widgets {

// ---- PaintingClock ----

void PaintingClock::sleep(std::int64_t ms) {
    if (!hook_) {
        steady_.sleep(ms);
        return;
    }
    std::int64_t end = steady_.now() + ms;
    for (std::int64_t left = ms; left > 0; left = end - steady_.now()) {
        hook_();
        steady_.sleep(std::min<std::int64_t>(left, 20));
    }
}

// ---- CMainWnd ----

CMainWnd::CMainWnd(core::CConfigApp& app, QString profileFolder,
                   std::function<std::string(int)> portPath, QWidget* parent)
    : QMainWindow(parent), app_(app), profileFolder_(std::move(profileFolder)),
      portPath_(std::move(portPath)), stack_(new QStackedWidget(this)), factory_(app, stack_),
      logic_(app, *this, factory_) {
    setObjectName(QStringLiteral("CMainWnd"));
    applyDialogColours(this);
    // No maximize box: the pages have a fixed layout.
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    // A page larger than the screen's room scrolls; a keyboard user's focus
    // is always brought into view.
    scroll_ = new QScrollArea(this);
    scroll_->setObjectName(QStringLiteral("pageScroll"));
    scroll_->setFrameShape(QFrame::NoFrame);
    scroll_->setWidget(stack_);
    scroll_->setAlignment(Qt::AlignCenter);
    setCentralWidget(scroll_);
    stack_->setFixedSize(PageWidget::kPageWidth, PageWidget::kDefaultHeight);
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
        if (now != nullptr && stack_->isAncestorOf(now)) scroll_->ensureWidgetVisible(now, 8, 8);
    });
    setWindowTitle(labelText(kCaptionText, 0));
    keepDialogsOnScreen();

    heartbeat_ = new QTimer(this);
    heartbeat_->setObjectName(QStringLiteral("heartbeat"));
    heartbeat_->setInterval(app::kHeartbeatPeriodMs);
    connect(heartbeat_, &QTimer::timeout, this, [this] { logic_.heartbeat().tick(); });

    relabelPageButtons();
}

CMainWnd::~CMainWnd() {
    heartbeat_->stop();
}

app::StartupResult CMainWnd::start(std::int64_t startTime, CSplashDlg* splash) {
    splash_ = splash;
    app_.largeFonts = largeFonts();
    app::Startup startup(app_, logic_, *this);
    app::StartupResult result = startup.run(startTime);
    closeSplash();
    if (result == app::StartupResult::Quit) {
        closed_ = true;
        return result;
    }
    if (!closing_) {
        showMainWindow();
        heartbeat_->start();
    }
    return result;
}

PageWidget* CMainWnd::currentPageWidget() const {
    return factory_.widget(logic_.currentIndex());
}

void CMainWnd::menuCommand(int command) {
    ++pending_;
    postWhenIdle(this, app_, [this, command] {
        --pending_;
        logic_.pageCommand(command);
    });
}

QString CMainWnd::captionFor(int index) const {
    QString program = labelText(kCaptionText, 0); // the same in both languages
    if (!connectionNote_.isEmpty()) program += QStringLiteral(" — ") + connectionNote_;
    std::optional<menus::PageInfo> info = menus::pageAt(index);
    if (!info) return program;
    return labelText(info->helpTitle, app_.language) + QStringLiteral(" - ") + program;
}

void CMainWnd::connectionNote(const std::string& text) {
    connectionNote_ = QString::fromStdString(text);
    updateCaption();
}

void CMainWnd::updateCaption() {
    setWindowTitle(captionFor(logic_.currentIndex()));
}

// ---- PageUi ----

void CMainWnd::message(int textId) {
    showMessage(isVisible() ? this : nullptr, textId, app_.language, beepFor(app_.soundOn));
}

bool CMainWnd::askYesNo(int textId) {
    return widgets::askYesNo(this, textId, app_.language, beepFor(app_.soundOn));
}

core::DiscardAnswer CMainWnd::askSendDiscardCancel() {
    int answer = CDiscardDlg::ask(app_.language, beepFor(app_.soundOn), this);
    if (answer == CDiscardDlg::kSend) return core::DiscardAnswer::Send;
    if (answer == CDiscardDlg::kDiscard) return core::DiscardAnswer::Discard;
    return core::DiscardAnswer::Cancel;
}

void CMainWnd::beep() {
    systemBeep();
}

void CMainWnd::setBusy(bool on) {
    busy_.set(on);
}

void CMainWnd::focus(int controlId) {
    if (PageWidget* page = currentPageWidget()) page->focus(controlId);
}

void CMainWnd::refresh() {
    if (isVisible()) repaint();
}

void CMainWnd::messageWithTail(int textId, const std::string& tail) {
    showMessage(this, labelText(textId, app_.language) + QString::fromStdString(tail),
                beepFor(app_.soundOn));
}

// ---- ShellUi ----

app::NoResponseAnswer CMainWnd::askNoResponse() {
    closeSplash();
    std::vector<std::string> tried;
    if (app_.ports != nullptr) tried = core::triedPortLines(*app_.ports, app_.language);
    int answer = CNoResponseDlg::ask(app_.language, isVisible() ? this : nullptr, tried);
    return answer == CNoResponseDlg::kTryAgain ? app::NoResponseAnswer::TryAgain
                                               : app::NoResponseAnswer::Quit;
}

bool CMainWnd::splashUp() {
    return !splash_.isNull();
}

void CMainWnd::closeSplash() {
    if (splash_) {
        // Deleted at once: the start-up runs before any event loop, where a
        // deferred deletion would wait for the end of the program.
        delete splash_.data();
        splash_ = nullptr;
    }
}

void CMainWnd::postCommand(int command) {
    ++pending_;
    postWhenIdle(this, app_, [this, command] {
        --pending_;
        if (!closing_) logic_.command(command);
    });
}

void CMainWnd::postPageMessage(int index, core::UserMessage message) {
    ++pending_;
    postWhenIdle(this, app_, [this, index, message] {
        --pending_;
        if (!closing_) logic_.pageMessage(index, message);
    });
}

void CMainWnd::relabelPageButtons() {
    // The pages carry the strips; the window's part is the menu bar and the caption.
    fillMenuBar(menuBar(), app_.language, [this](int command) { menuCommand(command); });
    updateCaption();
}

QSize CMainWnd::pagesSize() const {
    QSize largest(PageWidget::kPageWidth, PageWidget::kDefaultHeight);
    for (int k = 0; k < menus::kPageCount; ++k) {
        if (PageWidget* page = factory_.widget(k))
            largest = largest.expandedTo(page->naturalSize());
    }
    return largest;
}

void CMainWnd::fitToPages() {
    // One size for every page of the model, the largest: a page switch never
    // grows the window (a Wayland compositor would let it grow off the screen's
    // bottom edge, as it keeps the top left corner where it is). Smaller pages
    // keep their controls in the middle.
    const QSize pages = pagesSize();
    if (pages != stack_->size()) stack_->setFixedSize(pages);
    const QSize wanted = pages + QSize(0, menuBar()->sizeHint().height());
    // Never beyond the screen's room: there the page scrolls.
    setMaximumSize(wanted);
    const QSize size = wanted.boundedTo(widgets::screenRoom(this));
    if (size != this->size()) resize(size);
}

void CMainWnd::markPageButton(int index) {
    if (PageWidget* page = factory_.widget(index)) {
        stack_->setCurrentWidget(page);
        fitToPages();
        // Follow the page's caption when its language changes.
        connect(page, &PageWidget::captionChanged, this, &CMainWnd::updateCaption,
                Qt::UniqueConnection);
    }
    setWindowTitle(captionFor(index));
}

void CMainWnd::hideMainWindow() {
    hide();
}

void CMainWnd::centreMainWindow() {
    // Where the platform places windows itself (Wayland), it does so.
    if (QScreen* screen = this->screen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
}

void CMainWnd::showMainWindow() {
    if (closing_ || isVisible()) return;
    fitToPages();
    centreMainWindow();
    show();
}

void CMainWnd::closeMainWindow() {
    closing_ = true;
    closed_ = true;
    heartbeat_->stop();
    close();
    emit closedForGood();
}

void CMainWnd::progressOpen(int textId, const std::string& suffix, int range) {
    delete status_;
    status_ = new CStatusDlg(this);
    app_.suspendHeartbeat(); // the work owns the line until the window closes
    status_->show();
    status_->setText(labelText(textId, app_.language) + QString::fromStdString(suffix));
    status_->setRange(range);
    status_->setPosition(0);
}

void CMainWnd::progressText(int textId) {
    if (status_ != nullptr) status_->setText(labelText(textId, app_.language));
}

void CMainWnd::progressPosition(int position) {
    if (status_ != nullptr) status_->setPosition(position);
}

void CMainWnd::progressClose() {
    if (status_ == nullptr) return;
    status_->hide();
    status_->deleteLater();
    status_ = nullptr;
    app_.resumeHeartbeat();
}

std::optional<std::string> CMainWnd::askProfileFile(app::FileDialogKind kind) {
    std::optional<QString> path = kind == app::FileDialogKind::Load
                                      ? CMyFileDlg::askLoad(profileFolder_, app_.language, this)
                                      : CMyFileDlg::askSave(profileFolder_, app_.language, this);
    if (!path) return std::nullopt;
    return path->toStdString();
}

void CMainWnd::reportWriteFailures(const core::WriteReport& report) {
    if (report.ok()) return;
    QString head = app_.language == 1
                       ? QStringLiteral("Diese Einstellungen konnten nicht gespeichert werden:")
                       : QStringLiteral("These settings could not be saved:");
    showMessage(this, head + QStringLiteral("\n\n") + QString::fromStdString(report.describe()),
                beepFor(app_.soundOn));
}

bool CMainWnd::askWriteUnconfirmed(const std::vector<std::string>& items) {
    const QString text = labelText(9916, app_.language) + QStringLiteral("\n\n") +
                         QString::fromStdString(core::listItems(items)) + QStringLiteral("\n") +
                         labelText(9918, app_.language);
    return widgets::askYesNo(this, text, beepFor(app_.soundOn));
}

bool CMainWnd::askLoadMissingAsDefaults(const std::vector<std::string>& items) {
    const QString text = labelText(app::kTextProfileLacks, app_.language) + QStringLiteral("\n\n") +
                         QString::fromStdString(core::listItems(items)) + QStringLiteral("\n") +
                         labelText(app::kTextLoadLackingAsDefaults, app_.language);
    return widgets::askYesNo(this, text, beepFor(app_.soundOn));
}

void CMainWnd::runSettingsDialog() {
    std::string path = portPath_ && app_.portIndex >= 0 ? portPath_(app_.portIndex) : "";
    CSettingsDlg dlg(app_, logic_, path, isVisible() ? this : nullptr);
    dlg.exec();
}

void CMainWnd::runMonitorDialog() {
    widgets::runMonitorDialog(app_, currentPageWidget());
}

int CMainWnd::runUpgradeDialog() {
    return widgets::runUpgradeDialog(app_, logic_, currentPageWidget());
}

void CMainWnd::runCallbackDialog() {
    // The main window's logic has read the device already (menu 5015).
    widgets::runCallbackDialog(app_, logic_, false, currentPageWidget());
}

void CMainWnd::runCheckDialog() {
    widgets::runCheckDialog(app_, currentPageWidget());
}

void CMainWnd::runInfoDialog() {
    widgets::runIsdnInfoDialog(app_, currentPageWidget());
}

void CMainWnd::showHelp(int bodyTextId, int titleTextId) {
    CInfoDlg dlg(bodyTextId, titleTextId, app_.language, beepFor(app_.soundOn), this);
    dlg.exec();
}

void CMainWnd::showAbout() {
    CSplashDlg about(true, app_.language, this);
    about.exec();
}

// ---- window events ----

void CMainWnd::closeEvent(QCloseEvent* event) {
    if (closing_) {
        event->accept();
        return;
    }
    // The close box is Quit: the page's unsent-changes question first.
    event->ignore();
    menuCommand(menus::kCmdQuit);
}

} // namespace quorvex::widgets
