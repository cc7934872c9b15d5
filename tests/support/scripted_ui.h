#pragma once
// ScriptedUi: the user, scripted. It records everything the program shows
// (events(), in order, as short texts such as "message 9062", "beep",
// "busy 1", "post 5000", "progress 1234") and answers questions from queues
// the test fills beforehand. A question asked with an empty queue is a test
// failure (and gets the safe answer: No, Cancel, Quit, no file, Exit).
// Hooks (onMessage, onSettingsDialog, ...) let a test act while a modal
// dialog is "open", e.g. tick the heartbeat to prove it is suspended.
//
// RecordingHost: a PageHost for testing a page alone (progress steps,
// UM_MSNCHANGED, posted commands).

#include "app/main_window_logic.h"
#include "app/shell_ui.h"

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace quorvex::test {

class ScriptedUi : public app::ShellUi {
public:
    // ---- answers ----
    std::deque<bool> yesNo;
    std::deque<app::DiscardAnswer> discardAnswers;
    std::deque<app::NoResponseAnswer> noResponseAnswers;
    std::deque<std::optional<std::string>> fileAnswers;
    std::deque<int> upgradeResults;
    std::deque<bool> writeUnconfirmedAnswers; // "write the stand-ins anyway?"

    // ---- hooks, run while the dialog is open ----
    std::function<void(int textId)> onMessage;
    std::function<void()> onNoResponse;
    std::function<void()> onSettingsDialog;
    std::function<void()> onMonitorDialog;
    std::function<void()> onUpgradeDialog;

    // ---- what was shown ----
    std::vector<std::string> events;
    std::vector<int> messages;
    std::vector<std::string> messageTails; // the tail of each message ("" for plain ones)
    std::vector<int> posted;
    std::vector<int> progressPositions;
    std::vector<app::WriteReport> writeFailures;
    std::vector<std::vector<std::string>> unconfirmedAsked; // the items of each question
    int beeps = 0;
    int settingsDialogs = 0;
    int noResponseDialogs = 0;
    bool splash = true;
    bool mainWindowClosed = false;
    int busyDepth = 0;

    // Runs and empties the posted commands and page messages through the main
    // window in the order they were posted, as the message loop would.
    void runPosted(app::MainWindowLogic& main);
    // Events that start with prefix.
    std::vector<std::string> eventsStartingWith(const std::string& prefix) const;

    // PageUi
    void message(int textId) override;
    void messageWithTail(int textId, const std::string& tail) override;
    bool askYesNo(int textId) override;
    app::DiscardAnswer askSendDiscardCancel() override;
    void beep() override;
    void setBusy(bool on) override;
    void focus(int controlId) override;
    void refresh() override;

    // ShellUi
    app::NoResponseAnswer askNoResponse() override;
    bool splashUp() override { return splash; }
    void closeSplash() override;
    void postCommand(int command) override;
    void postPageMessage(int index, app::UserMessage message) override;
    void relabelPageButtons() override;
    void markPageButton(int index) override;
    void hideMainWindow() override;
    void centreMainWindow() override;
    void showMainWindow() override;
    void closeMainWindow() override;
    void progressOpen(int textId, const std::string& suffix, int range) override;
    void progressText(int textId) override;
    void progressPosition(int position) override;
    void progressClose() override;
    std::optional<std::string> askProfileFile(app::FileDialogKind kind) override;
    void reportWriteFailures(const app::WriteReport& report) override;
    bool askWriteUnconfirmed(const std::vector<std::string>& items) override;
    void runSettingsDialog() override;
    void runMonitorDialog() override;
    int runUpgradeDialog() override;
    void runCallbackDialog() override;
    void runInfoDialog() override;
    void showHelp(int bodyTextId, int titleTextId) override;
    void showAbout() override;

private:
    // Everything posted, in order: a command (page -1) or a page message.
    struct Posted {
        int page;
        int value;
    };
    std::deque<Posted> queue_;
};

class RecordingHost : public app::PageHost {
public:
    void progress() override { ++progressSteps; }
    void msnChanged() override { ++msnChangedCount; }
    void postCommand(int command) override { posted.push_back(command); }
    void reportWriteFailures(const app::WriteReport& report) override {
        writeFailures.push_back(report);
    }

    int progressSteps = 0;
    std::vector<app::WriteReport> writeFailures;
    int msnChangedCount = 0;
    std::vector<int> posted;
};

} // namespace quorvex::test
