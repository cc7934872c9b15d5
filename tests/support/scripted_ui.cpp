#include "support/scripted_ui.h"

#include <gtest/gtest.h>

namespace quorvex::test {

void ScriptedUi::runPosted(app::MainWindowLogic& main) {
    while (!queue_.empty()) {
        const Posted next = queue_.front();
        queue_.pop_front();
        if (next.page < 0) {
            if (!posted.empty()) posted.erase(posted.begin());
            main.command(next.value);
        } else {
            main.pageMessage(next.page, static_cast<core::UserMessage>(next.value));
        }
    }
}

app::NoResponseAnswer ScriptedUi::askNoResponse() {
    events.push_back("no-response?");
    ++noResponseDialogs;
    if (onNoResponse) onNoResponse();
    if (noResponseAnswers.empty()) {
        ADD_FAILURE() << "unexpected no-response dialog";
        return app::NoResponseAnswer::Quit;
    }
    app::NoResponseAnswer answer = noResponseAnswers.front();
    noResponseAnswers.pop_front();
    return answer;
}

void ScriptedUi::closeSplash() {
    events.push_back("splash closed");
    splash = false;
}

void ScriptedUi::postCommand(int command) {
    events.push_back("post " + std::to_string(command));
    posted.push_back(command);
    queue_.push_back({-1, command});
}

void ScriptedUi::postPageMessage(int index, core::UserMessage message) {
    events.push_back("post page " + std::to_string(index) + " message " +
                     std::to_string(static_cast<int>(message)));
    queue_.push_back({index, static_cast<int>(message)});
}

void ScriptedUi::relabelPageButtons() {
    events.push_back("relabel");
}
void ScriptedUi::markPageButton(int index) {
    events.push_back("button " + std::to_string(index));
}
void ScriptedUi::centreMainWindow() {
    events.push_back("main centred");
}
void ScriptedUi::hideMainWindow() {
    events.push_back("main hidden");
}
void ScriptedUi::showMainWindow() {
    events.push_back("main shown");
}
void ScriptedUi::closeMainWindow() {
    events.push_back("main closed");
    mainWindowClosed = true;
}

void ScriptedUi::progressOpen(int textId, const std::string& suffix, int range) {
    events.push_back("progress open " + std::to_string(textId) + " " + suffix + " " +
                     std::to_string(range));
}
void ScriptedUi::progressText(int textId) {
    events.push_back("progress text " + std::to_string(textId));
}
void ScriptedUi::progressPosition(int position) {
    events.push_back("progress " + std::to_string(position));
    progressPositions.push_back(position);
}
void ScriptedUi::progressClose() {
    events.push_back("progress close");
}

std::optional<std::string> ScriptedUi::askProfileFile(app::FileDialogKind kind) {
    events.push_back(kind == app::FileDialogKind::Load ? "file? load" : "file? save");
    if (fileAnswers.empty()) {
        ADD_FAILURE() << "unexpected file dialog";
        return std::nullopt;
    }
    std::optional<std::string> answer = fileAnswers.front();
    fileAnswers.pop_front();
    return answer;
}

void ScriptedUi::reportWriteFailures(const core::WriteReport& report) {
    events.push_back("write failures");
    writeFailures.push_back(report);
}

bool ScriptedUi::askWriteUnconfirmed(const std::vector<std::string>& items) {
    events.push_back("unconfirmed? " + std::to_string(items.size()));
    unconfirmedAsked.push_back(items);
    if (writeUnconfirmedAnswers.empty()) {
        ADD_FAILURE() << "unexpected question about " << items.size()
                      << " unconfirmed items, first " << items.front();
        return false;
    }
    bool answer = writeUnconfirmedAnswers.front();
    writeUnconfirmedAnswers.pop_front();
    return answer;
}

bool ScriptedUi::askLoadMissingAsDefaults(const std::vector<std::string>& items) {
    events.push_back("missing? " + std::to_string(items.size()));
    missingAsked.push_back(items);
    if (missingAsDefaultsAnswers.empty()) {
        ADD_FAILURE() << "unexpected question about " << items.size() << " missing settings, first "
                      << items.front();
        return true;
    }
    bool answer = missingAsDefaultsAnswers.front();
    missingAsDefaultsAnswers.pop_front();
    return answer;
}

void ScriptedUi::runSettingsDialog() {
    events.push_back("settings dialog");
    ++settingsDialogs;
    if (onSettingsDialog) onSettingsDialog();
}

void ScriptedUi::runMonitorDialog() {
    events.push_back("monitor dialog");
    if (onMonitorDialog) onMonitorDialog();
}

int ScriptedUi::runUpgradeDialog() {
    events.push_back("upgrade dialog");
    if (onUpgradeDialog) onUpgradeDialog();
    if (upgradeResults.empty()) {
        ADD_FAILURE() << "unexpected upgrade dialog";
        return 2;
    }
    int result = upgradeResults.front();
    upgradeResults.pop_front();
    return result;
}

void ScriptedUi::runCallbackDialog() {
    events.push_back("callback dialog");
}
void ScriptedUi::runInfoDialog() {
    events.push_back("info dialog");
}
void ScriptedUi::runCheckDialog() {
    events.push_back("check dialog");
    if (onCheckDialog) onCheckDialog();
}
void ScriptedUi::showHelp(int bodyTextId, int titleTextId) {
    events.push_back("help " + std::to_string(bodyTextId) + " " + std::to_string(titleTextId));
}
void ScriptedUi::showAbout() {
    events.push_back("about");
}

} // namespace quorvex::test
