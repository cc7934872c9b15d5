#pragma once
// ScriptedPageUi: the user as a page meets him, scripted. It records
// everything a page shows (events(), in order, as short texts such as
// "message 9062", "beep", "busy 1") and answers questions from queues the test
// fills beforehand. A question asked with an empty queue is a test failure
// (and gets the safe answer: No, Cancel). ScriptedUi (scripted_ui.h) adds the
// shell's dialogs to it.
//
// RecordingHost: a PageHost for testing a page alone (progress steps,
// UM_MSNCHANGED, posted commands).

#include "core/page.h"

#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace quorvex::test {

// What the scripted user answered and saw, and the page-level behaviour.
class PageUiScript {
public:
    // ---- answers ----
    std::deque<bool> yesNo;
    std::deque<core::DiscardAnswer> discardAnswers;

    // ---- hooks, run while the dialog is open ----
    std::function<void(int textId)> onMessage;

    // ---- what was shown ----
    std::vector<std::string> events;
    std::vector<int> messages;
    std::vector<std::string> messageTails; // the tail of each message ("" for plain ones)
    int beeps = 0;
    int busyDepth = 0;

    // Events that start with prefix.
    std::vector<std::string> eventsStartingWith(const std::string& prefix) const;

protected:
    void message(int textId);
    void messageWithTail(int textId, const std::string& tail);
    bool askYesNo(int textId);
    core::DiscardAnswer askSendDiscardCancel();
    void beep();
    void setBusy(bool on);
    void focus(int controlId);
    void refresh();
};

// The page user interface over Base (core::PageUi, or the shell's ShellUi).
template <typename Base> class ScriptedPageUiOf : public Base, public PageUiScript {
public:
    void message(int textId) override { PageUiScript::message(textId); }
    void messageWithTail(int textId, const std::string& tail) override {
        PageUiScript::messageWithTail(textId, tail);
    }
    bool askYesNo(int textId) override { return PageUiScript::askYesNo(textId); }
    core::DiscardAnswer askSendDiscardCancel() override {
        return PageUiScript::askSendDiscardCancel();
    }
    void beep() override { PageUiScript::beep(); }
    void setBusy(bool on) override { PageUiScript::setBusy(on); }
    void focus(int controlId) override { PageUiScript::focus(controlId); }
    void refresh() override { PageUiScript::refresh(); }
};

using ScriptedPageUi = ScriptedPageUiOf<core::PageUi>;

class RecordingHost : public core::PageHost {
public:
    void progress() override { ++progressSteps; }
    void msnChanged() override { ++msnChangedCount; }
    void postCommand(int command) override { posted.push_back(command); }
    void reportWriteFailures(const core::WriteReport& report) override {
        writeFailures.push_back(report);
    }
    void openCallbackDialog() override { ++callbackDialogs; }

    int progressSteps = 0;
    std::vector<core::WriteReport> writeFailures;
    int msnChangedCount = 0;
    int callbackDialogs = 0;
    std::vector<int> posted;
};

} // namespace quorvex::test
