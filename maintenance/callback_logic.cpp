#include "maintenance/callback_logic.h"

#include "core/config_app.h"

#include <algorithm>

namespace quorvex::maintenance {
namespace {

constexpr int kNotDigitsText = 9002;

const std::string& emptyText() {
    static const std::string empty;
    return empty;
}

} // namespace

bool isCallbackNumber(std::string_view text) {
    return text.size() <= static_cast<std::size_t>(kCallbackMaxDigits) &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

CallbackDialog::CallbackDialog(core::CConfigApp& app, core::PageUi& ui,
                               core::CallbackSettings& values)
    : app_(app), ui_(ui), values_(values), active_(values.active) {
    for (std::size_t i = 0; i < numbers_.size(); ++i)
        numbers_[i] = values.numbers[i];
}

const std::string& CallbackDialog::number(int i) const {
    if (i < 0 || i >= core::kCallbackNumberCount) return emptyText();
    return numbers_[static_cast<std::size_t>(i)].edited;
}

bool CallbackDialog::numberChanged(int controlId, std::string text) {
    int i = controlId - kCallbackNumberControl;
    if (i < 0 || i >= core::kCallbackNumberCount) return false;
    core::Item<std::string>& item = numbers_[static_cast<std::size_t>(i)];
    if (isCallbackNumber(text)) {
        item.edited = std::move(text);
        return true;
    }
    ui_.message(kNotDigitsText);
    ui_.refresh(); // the field shows its last accepted text again
    ui_.focus(controlId);
    return false;
}

bool CallbackDialog::hasChanges() const {
    return active_.changed() ||
           std::any_of(numbers_.begin(), numbers_.end(), [](const auto& n) { return n.changed(); });
}

int CallbackDialog::confirm() {
    if (app_.soundOn) ui_.beep();
    report_.clear();
    int failures = 0;

    // The main window takes what the user confirmed; its device copy moves
    // only with the device's OK, so a failed item is offered again next time.
    if (active_.changed()) {
        DRVPARAM record = core::makeRecord(0, 0, core::kOpSet);
        record.bFlag = active_.edited != 0 ? 1 : 0;
        core::SendOutcome outcome =
            core::sendOutcome(app_.SendDrvCmd(DRV_CALLBACK, &record), record);
        report_.add(record, outcome);
        if (outcome == core::SendOutcome::Done) {
            active_.confirm();
        } else {
            ++failures;
        }
    }
    values_.active = active_;

    for (std::size_t i = 0; i < numbers_.size(); ++i) {
        core::Item<std::string>& item = numbers_[i];
        if (item.changed()) {
            DRVPARAM record = core::makeRecord(0, static_cast<int32_t>(i), core::kOpSet);
            core::SendOutcome outcome = core::SendOutcome::Failed;
            if (core::setFieldText(record.szText, item.edited)) {
                outcome = core::sendOutcome(app_.SendDrvCmd(DRV_CALLBACKNUM, &record), record);
                report_.add(record, outcome);
            } else {
                report_.addUnsent("(too long) " + item.edited);
            }
            if (outcome == core::SendOutcome::Done) {
                item.confirm();
            } else {
                ++failures;
            }
        }
        values_.numbers[i] = item;
    }
    return failures;
}

} // namespace quorvex::maintenance
