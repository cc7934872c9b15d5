#pragma once
// CMainWnd: the program's one main window. It shows one page at a time in a
// stacked area (each page carries its strip of page buttons and its Send
// button), carries the menu bar, runs the heartbeat timer, and implements
// ShellUi for MainWindowLogic: the splash, the no-response dialog, the status
// window of profile loads and saves, the file dialogs and the program's
// dialogs. Every decision is MainWindowLogic's and Startup's.

#include "app/main_window_logic.h"
#include "app/page_factory_widget.h"
#include "app/shell_ui.h"
#include "app/startup.h"
#include "core/clock.h"

#include "ui/qt_ui.h"

#include <QMainWindow>
#include <QPointer>

#include <functional>
#include <memory>

class QScrollArea;
class QStackedWidget;
class QTimer;

namespace quorvex::widgets {

class CSplashDlg;
class CStatusDlg;
class PageWidget;

// The program's clock: a steady tick; while a wait hook is set (the splash is
// up), sleeping keeps the window system's events (painting) flowing.
class PaintingClock final : public core::Clock {
public:
    std::int64_t now() override { return steady_.now(); }
    void sleep(std::int64_t ms) override;
    void setWaitHook(std::function<void()> hook) { hook_ = std::move(hook); }

private:
    core::SteadyClock steady_;
    std::function<void()> hook_;
};

class CMainWnd : public QMainWindow, public app::ShellUi {
    Q_OBJECT
public:
    static constexpr int kCaptionText = 57344; // "OrvaISDN Quorvex"

    // profileFolder: where the file dialogs start (QUORVEX_HOME); portPath: the
    // device path of a COM index for the settings dialog (may be empty).
    CMainWnd(core::CConfigApp& app, QString profileFolder,
             std::function<std::string(int portIndex)> portPath = {}, QWidget* parent = nullptr);
    ~CMainWnd() override;

    // The start-up: device, cache, settings, pages, splash time, the
    // no-response loop, first run, heartbeat. The splash (may be null) is
    // closed by it. Running: the window is shown and the MSN page comes up
    // once the event loop runs. Quit: no window.
    app::StartupResult start(std::int64_t startTime, CSplashDlg* splash);

    app::MainWindowLogic& logic() { return logic_; }
    WidgetPageFactory& factory() { return factory_; }
    PageWidget* pageWidget(int index) const { return factory_.widget(index); }
    PageWidget* currentPageWidget() const;
    QStackedWidget* stack() const { return stack_; }
    QScrollArea* scrollArea() const { return scroll_; }
    // The largest page's size (with room for its texts): every page is shown in it.
    QSize pagesSize() const;
    QTimer* heartbeatTimer() const { return heartbeat_; }
    CStatusDlg* statusWindow() const { return status_; }
    bool isClosedForGood() const { return closed_; }
    // Menu commands, commands and page messages posted and not run yet.
    int pendingPosts() const { return pending_; }

    // A menu command (any page's menu): through the page's may-leave for page
    // switches and Quit. Runs from the event loop, after the menu has closed.
    void menuCommand(int command);

    // The window's caption: the page's title and the program's name.
    QString captionFor(int index) const;

    // ---- PageUi ----
    void message(int textId) override;
    bool askYesNo(int textId) override;
    core::DiscardAnswer askSendDiscardCancel() override;
    void beep() override;
    void setBusy(bool on) override;
    void focus(int controlId) override;
    void refresh() override;
    void messageWithTail(int textId, const std::string& tail) override;

    // ---- ShellUi ----
    app::NoResponseAnswer askNoResponse() override;
    bool splashUp() override;
    void closeSplash() override;
    void postCommand(int command) override;
    void relabelPageButtons() override;
    void markPageButton(int index) override;
    void hideMainWindow() override;
    void centreMainWindow() override;
    void postPageMessage(int index, core::UserMessage message) override;
    void showMainWindow() override;
    void closeMainWindow() override;
    void progressOpen(int textId, const std::string& suffix, int range) override;
    void progressText(int textId) override;
    void progressPosition(int position) override;
    void progressClose() override;
    std::optional<std::string> askProfileFile(app::FileDialogKind kind) override;
    void reportWriteFailures(const core::WriteReport& report) override;
    bool askWriteUnconfirmed(const std::vector<std::string>& items) override;
    bool askLoadMissingAsDefaults(const std::vector<std::string>& items) override;
    void runSettingsDialog() override;
    void runMonitorDialog() override;
    int runUpgradeDialog() override;
    void runCallbackDialog() override;
    void runInfoDialog() override;
    void runCheckDialog() override;
    void showHelp(int bodyTextId, int titleTextId) override;
    void showAbout() override;
    void connectionNote(const std::string& text) override;

signals:
    // The window closed for good (Quit): the program ends.
    void closedForGood();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void updateCaption();
    void fitToPages();

    core::CConfigApp& app_;
    QString profileFolder_;
    std::function<std::string(int)> portPath_;
    QStackedWidget* stack_ = nullptr;
    QScrollArea* scroll_ = nullptr;
    WidgetPageFactory factory_;
    app::MainWindowLogic logic_;
    QTimer* heartbeat_ = nullptr;
    QPointer<CSplashDlg> splash_;
    CStatusDlg* status_ = nullptr;
    BusyCursorDepth busy_;
    bool closing_ = false;
    bool closed_ = false;
    int pending_ = 0;
    QString connectionNote_; // behind the caption while the device is away
};

} // namespace quorvex::widgets
