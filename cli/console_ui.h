#pragma once
// The user as the command line meets him: the main window's and the pages'
// messages are printed (by text id, in the chosen language) instead of shown
// in boxes; questions get the answer the command was given; the status
// window becomes one progress line, drawn only when stdout is a terminal.

#include "app/shell_ui.h"

#include <string>
#include <vector>

namespace quorvex::cli {

class ConsoleUi final : public app::ShellUi {
public:
    explicit ConsoleUi(int language);

    int language() const { return language_; }
    // The answer to every yes/no question (a command line asks nothing).
    void setYesNoAnswer(bool yes) { yesNo_ = yes; }
    // The progress of a long job on stdout: on a terminal a bar drawn over
    // itself, elsewhere (a pipe, a log file) one line when the job starts; the
    // command's own result is the line when it ends.
    void setProgressShown(bool shown) {
        progressShown_ = shown && isTerminal_;
        startLine_ = shown && !isTerminal_;
    }
    // Messages are collected instead of printed while muted.
    void setMuted(bool muted) { muted_ = muted; }

    // Every message the program showed, by English text id (with the tail).
    const std::vector<std::string>& messages() const { return messages_; }
    std::vector<int> messageIds() const { return ids_; }
    const core::WriteReport& writeFailures() const { return failures_; }

    // PageUi
    void message(int textId) override;
    bool askYesNo(int textId) override;
    core::DiscardAnswer askSendDiscardCancel() override { return core::DiscardAnswer::Discard; }
    void beep() override {}
    void setBusy(bool) override {}
    void focus(int) override {}
    void refresh() override {}
    void messageWithTail(int textId, const std::string& tail) override;

    // ShellUi
    app::NoResponseAnswer askNoResponse() override { return app::NoResponseAnswer::Quit; }
    bool splashUp() override { return false; }
    void closeSplash() override {}
    void postCommand(int) override {} // no message loop: nothing runs later
    void postPageMessage(int, core::UserMessage) override {}
    void relabelPageButtons() override {}
    void markPageButton(int) override {}
    void hideMainWindow() override {}
    void centreMainWindow() override {}
    void showMainWindow() override {}
    void closeMainWindow() override {}
    void progressOpen(int textId, const std::string& suffix, int range) override;
    void progressText(int textId) override;
    void progressPosition(int position) override;
    void progressClose() override;
    std::optional<std::string> askProfileFile(app::FileDialogKind) override { return {}; }
    void reportWriteFailures(const core::WriteReport& report) override;
    // The command line saves with Unconfirmed::Refuse and names the items itself.
    bool askWriteUnconfirmed(const std::vector<std::string>&) override { return false; }
    // restore decides with --missing before it loads.
    bool askLoadMissingAsDefaults(const std::vector<std::string>&) override { return false; }
    void runSettingsDialog() override {}
    void runMonitorDialog() override {}
    int runUpgradeDialog() override { return 2; }
    void runCallbackDialog() override {}
    void runInfoDialog() override {}
    void runCheckDialog() override {}
    void showHelp(int, int) override {}
    void showAbout() override {}

private:
    void drawProgress();

    int language_;
    bool yesNo_ = false;
    bool isTerminal_ = false;
    bool progressShown_ = false;
    bool startLine_ = false;
    bool muted_ = false;
    std::vector<std::string> messages_;
    std::vector<int> ids_;
    core::WriteReport failures_;
    std::string progressLabel_;
    int range_ = 100;
    int position_ = 0;
    bool progressOpen_ = false;
};

} // namespace quorvex::cli
