#include "support/scripted_page_ui.h"

#include <gtest/gtest.h>

namespace quorvex::test {

std::vector<std::string> PageUiScript::eventsStartingWith(const std::string& prefix) const {
    std::vector<std::string> out;
    for (const std::string& e : events) {
        if (e.rfind(prefix, 0) == 0) out.push_back(e);
    }
    return out;
}

void PageUiScript::message(int textId) {
    events.push_back("message " + std::to_string(textId));
    messages.push_back(textId);
    messageTails.emplace_back();
    if (onMessage) onMessage(textId);
}

void PageUiScript::messageWithTail(int textId, const std::string& tail) {
    events.push_back("message " + std::to_string(textId) + tail);
    messages.push_back(textId);
    messageTails.push_back(tail);
    if (onMessage) onMessage(textId);
}

bool PageUiScript::askYesNo(int textId) {
    events.push_back("yesno " + std::to_string(textId));
    if (yesNo.empty()) {
        ADD_FAILURE() << "unexpected yes/no question " << textId;
        return false;
    }
    bool answer = yesNo.front();
    yesNo.pop_front();
    return answer;
}

core::DiscardAnswer PageUiScript::askSendDiscardCancel() {
    events.push_back("discard?");
    if (discardAnswers.empty()) {
        ADD_FAILURE() << "unexpected unsent-changes question";
        return core::DiscardAnswer::Cancel;
    }
    core::DiscardAnswer answer = discardAnswers.front();
    discardAnswers.pop_front();
    return answer;
}

void PageUiScript::beep() {
    events.push_back("beep");
    ++beeps;
}

void PageUiScript::setBusy(bool on) {
    events.push_back(on ? "busy 1" : "busy 0");
    busyDepth += on ? 1 : -1;
}

void PageUiScript::focus(int controlId) {
    events.push_back("focus " + std::to_string(controlId));
}
void PageUiScript::refresh() {
    events.push_back("refresh");
}

} // namespace quorvex::test
