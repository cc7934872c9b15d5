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
