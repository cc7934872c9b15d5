#pragma once
// The user as the program's shell (start-up, main window, heartbeat) meets
// him. The Qt main window implements it; tests use ScriptedUi.

#include "core/page.h"
#include "core/profile_store.h"

#include <optional>
#include <string>
#include <vector>

namespace quorvex::app {

enum class NoResponseAnswer {
    TryAgain = 1540,
    Quit = 1542,
};

enum class FileDialogKind { Load, Save };

class ShellUi : public core::PageUi {
public:
    // The no-response dialog (texts 8552, 6224, 6226, 6228).
    virtual NoResponseAnswer askNoResponse() = 0;
    virtual bool splashUp() = 0;
    virtual void closeSplash() = 0;
    // Queue a command for the message loop (runs after the current work).
    virtual void postCommand(int command) = 0;
    // Queue UM_READDEVICE for page index: it runs once the page switch is
    // done and painted, through MainWindowLogic::pageMessage.
    virtual void postPageMessage(int index, core::UserMessage message) = 0;

    // The main window's own page buttons: reload their texts / mark the current one.
    virtual void relabelPageButtons() = 0;
    virtual void markPageButton(int index) = 0;
    virtual void hideMainWindow() = 0;
    virtual void centreMainWindow() = 0; // on the desktop, at every page switch
    virtual void showMainWindow() = 0;
    virtual void closeMainWindow() = 0; // ends the program

    // The status window of profile load and save (dialog 353): text = string
    // textId + suffix (the quoted file name, or nothing).
    virtual void progressOpen(int textId, const std::string& suffix, int range) = 0;
    virtual void progressText(int textId) = 0;
    virtual void progressPosition(int position) = 0;
    virtual void progressClose() = 0;

    // The open/save dialog for profiles; the full path, nullopt when cancelled.
    virtual std::optional<std::string> askProfileFile(FileDialogKind kind) = 0;
    // A save or a write to the default profile failed: tell the user which keys.
    virtual void reportWriteFailures(const core::WriteReport& report) = 0;
    // A save found items the device did not confirm ("SECTION/KEY"): they
    // would be written as defaults. True: write them anyway.
    virtual bool askWriteUnconfirmed(const std::vector<std::string>& items) = 0;
    // A profile to load lacks settings that a full save of this model holds
    // ("SECTION" or "SECTION/KEY"). True: load them as their default values;
    // false: load only what the profile holds.
    virtual bool askLoadMissingAsDefaults(const std::vector<std::string>& items) = 0;

    // Modal dialogs opened by the main window.
    virtual void runSettingsDialog() = 0;
    virtual void runMonitorDialog() = 0;
    virtual int runUpgradeDialog() = 0; // 1 OK, 2 Cancel
    virtual void runCallbackDialog() = 0;
    virtual void runInfoDialog() = 0;
    // The check of the device: progress, the summary, saving the report.
    virtual void runCheckDialog() = 0;
    virtual void showHelp(int bodyTextId, int titleTextId) = 0; // CInfoDlg
    virtual void showAbout() = 0;
    // What the connection is doing while the device is away ("connecting to
    // tabox..."), in the window's title; "" when nothing is under way.
    virtual void connectionNote(const std::string& /*text*/) {}
};

// A shell without a screen: it shows nothing, opens no dialog, and answers
// every question No (a discard for unsent changes, Quit for no response,
// Cancel for the upgrade). The command line and the load trial build on it.
class HeadlessShellUi : public ShellUi {
public:
    void message(int) override {}
    bool askYesNo(int) override { return false; }
    core::DiscardAnswer askSendDiscardCancel() override { return core::DiscardAnswer::Discard; }
    void beep() override {}
    void setBusy(bool) override {}
    void focus(int) override {}
    void refresh() override {}
    void messageWithTail(int, const std::string&) override {}
    NoResponseAnswer askNoResponse() override { return NoResponseAnswer::Quit; }
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
    void progressOpen(int, const std::string&, int) override {}
    void progressText(int) override {}
    void progressPosition(int) override {}
    void progressClose() override {}
    std::optional<std::string> askProfileFile(FileDialogKind) override { return std::nullopt; }
    void reportWriteFailures(const core::WriteReport&) override {}
    bool askWriteUnconfirmed(const std::vector<std::string>&) override { return false; }
    bool askLoadMissingAsDefaults(const std::vector<std::string>&) override { return false; }
    void runSettingsDialog() override {}
    void runMonitorDialog() override {}
    int runUpgradeDialog() override { return 2; }
    void runCallbackDialog() override {}
    void runInfoDialog() override {}
    void runCheckDialog() override {}
    void showHelp(int, int) override {}
    void showAbout() override {}
};

} // namespace quorvex::app
