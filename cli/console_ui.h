#pragma once
// The user as the command line meets him: the main window's and the pages'
// messages are printed (by text id, in the chosen language) instead of shown
// in boxes; questions get the answer the command was given; the status
// window becomes one progress line, drawn only when stdout is a terminal.

#include "app/shell_ui.h"

#include <string>
#include <vector>

namespace quorvex::cli {

class ConsoleUi final : public app::HeadlessShellUi {
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

    // What the command line does otherwise than a shell without a screen.
    void message(int textId) override;
    bool askYesNo(int textId) override;
    void messageWithTail(int textId, const std::string& tail) override;
    void progressOpen(int textId, const std::string& suffix, int range) override;
    void progressText(int textId) override;
    void progressPosition(int position) override;
    void progressClose() override;
    void reportWriteFailures(const core::WriteReport& report) override;
    // The command line saves with Unconfirmed::Refuse and names the items
    // itself (askWriteUnconfirmed: No); restore decides with --missing before
    // it loads (askLoadMissingAsDefaults: No).

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
