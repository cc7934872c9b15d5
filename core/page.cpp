#include "core/page.h"

#include "core/config_app.h"

namespace quorvex::core {

int PageBase::mayLeave() {
    if (!hasUnsentChanges()) return 1;
    switch (ui_.askSendDiscardCancel()) {
    case DiscardAnswer::Send:
        send();
        return 1;
    case DiscardAnswer::Discard:
        discard();
        ui_.refresh();
        return 1;
    case DiscardAnswer::Cancel:
        return 0;
    }
    return 0;
}

void PageBase::sendButton() {
    if (app_.soundOn) ui_.beep();
    send();
}

void TablePage::readDevice() {
    ui_.setBusy(true);
    table_.read(app_);
    ui_.refresh();
    ui_.setBusy(false);
}

std::vector<std::string> TablePage::unconfirmedItems() const {
    std::vector<std::string> out;
    table_.addUnconfirmed(section_, out);
    return out;
}

void TablePage::send() {
    acceptField();
    report_.clear();
    auto progress = [this](std::size_t) {
        if (sendingForLoad_) host_.progress();
    };
    table_.send(app_, report_, sendingForLoad_ ? SendMode::All : SendMode::Changed, progress);
    ui_.refresh();
}

void TablePage::discard() {
    table_.discardAll();
    ui_.refresh();
}

void TablePage::profileLoad(int selector) {
    table_.load(app_.profiles(), selector, section_);
    ui_.refresh();
    sendingForLoad_ = true;
    send();
    sendingForLoad_ = false;
}

WriteReport TablePage::profileSave(int selector) {
    WriteReport report;
    table_.save(app_.profiles(), selector, section_, report);
    return report;
}

int dispatch(Page& page, UserMessage message, int wParam) {
    switch (message) {
    case UM_READDEVICE:
        page.readDevice();
        return 0;
    case UM_PAGESHOWN:
        page.shown();
        return 0;
    case UM_PAGEHIDDEN:
        page.hidden();
        return 0;
    case UM_LANGUAGE:
        page.language(wParam);
        return 0;
    case UM_PROFILELOAD:
        page.profileLoad(wParam);
        return 0;
    case UM_PROFILESAVE:
        return page.profileSave(wParam).ok() ? 1 : 0;
    case UM_PAUSEPOLL:
        page.pausePoll(wParam != 0);
        return 0;
    case UM_MAYLEAVE:
        return page.mayLeave();
    default:
        return 0;
    }
}

} // namespace quorvex::core
