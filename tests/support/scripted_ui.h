#pragma once
// ScriptedUi: the user as the shell meets him, scripted: the page user
// interface of ScriptedPageUi plus the shell's dialogs, the status window and
// the message loop (posted commands and page messages, run by runPosted()).
// Hooks (onSettingsDialog, ...) let a test act while a modal dialog is
// "open", e.g. tick the heartbeat to prove it is suspended.

#include "app/logic_pages.h"
#include "app/main_window_logic.h"
#include "app/shell_ui.h"
#include "support/scripted_page_ui.h"

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace quorvex::test {

class ScriptedUi : public ScriptedPageUiOf<app::ShellUi> {
public:
    // ---- answers ----
    std::deque<app::NoResponseAnswer> noResponseAnswers;
    std::deque<std::optional<std::string>> fileAnswers;
    std::deque<int> upgradeResults;
    std::deque<bool> writeUnconfirmedAnswers;  // "write the stand-ins anyway?"
    std::deque<bool> missingAsDefaultsAnswers; // "load what the profile lacks as defaults?"

    // ---- hooks, run while the dialog is open ----
    std::function<void()> onNoResponse;
    std::function<void()> onSettingsDialog;
    std::function<void()> onMonitorDialog;
    std::function<void()> onUpgradeDialog;

    // ---- what was shown ----
    std::vector<int> posted;
    std::vector<int> progressPositions;
    std::vector<core::WriteReport> writeFailures;
    std::vector<std::vector<std::string>> unconfirmedAsked; // the items of each question
    std::vector<std::vector<std::string>> missingAsked;     // the items of each question
    int settingsDialogs = 0;
    int noResponseDialogs = 0;
    bool splash = true;
    bool mainWindowClosed = false;

    // Runs and empties the posted commands and page messages through the main
    // window in the order they were posted, as the message loop would.
    void runPosted(app::MainWindowLogic& main);

    // ShellUi
    app::NoResponseAnswer askNoResponse() override;
    bool splashUp() override { return splash; }
    void closeSplash() override;
    void postCommand(int command) override;
    void postPageMessage(int index, core::UserMessage message) override;
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
    void reportWriteFailures(const core::WriteReport& report) override;
    bool askWriteUnconfirmed(const std::vector<std::string>& items) override;
    bool askLoadMissingAsDefaults(const std::vector<std::string>& items) override;
    void runSettingsDialog() override;
    void runMonitorDialog() override;
    int runUpgradeDialog() override;
    void runCallbackDialog() override;
    void runInfoDialog() override;
    void runCheckDialog() override;
    std::function<void()> onCheckDialog;
    void showHelp(int bodyTextId, int titleTextId) override;
    void showAbout() override;
    void connectionNote(const std::string& text) override { connectionNotes.push_back(text); }
    std::vector<std::string> connectionNotes; // every note the window's title got

private:
    // Everything posted, in order: a command (page -1) or a page message.
    struct Posted {
        int page;
        int value;
    };
    std::deque<Posted> queue_;
};

// The desktop program's logic of one run over the real pages: the
// application state, the scripted shell and the main window.
struct ProgramLogic {
    ProgramLogic(core::DriverFn driver, core::ProfileStore& profiles, core::Clock& clock,
                 core::DriverFn direct = {})
        : app(std::move(driver), profiles, clock, std::move(direct)) {}
    core::CConfigApp app;
    ScriptedUi shell;
    app::LogicPageFactory pages{app, shell};
    app::MainWindowLogic main{app, shell, pages};
};

} // namespace quorvex::test
