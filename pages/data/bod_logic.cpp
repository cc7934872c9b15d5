#include "pages/data/bod_logic.h"

#include "pages/data/data_controls.h"
#include "pages/data/eid.h"

#include <optional>

namespace quorvex::data {

namespace {

struct FieldRule {
    BodField field;
    int controlId;
    int typingMin, typingMax; // what may be typed
    int okMin, okMax;         // what OK takes over from the field
    int messageId;
};

// Water marks may be typed 0..64; OK takes 0..128 (so a larger value the
// device reported survives an untouched field). Durations are 1..60 minutes.
constexpr FieldRule kRules[kBodFieldCount] = {
    {BodField::HighWater, kBodHighWaterControl, 0, 64, 0, 128, kMsgBodWater},
    {BodField::HighDuration, kBodHighDurationControl, 1, 60, 1, 60, kMsgBodDuration},
    {BodField::LowWater, kBodLowWaterControl, 0, 64, 0, 128, kMsgBodWater},
    {BodField::LowDuration, kBodLowDurationControl, 1, 60, 1, 60, kMsgBodDuration},
};

const FieldRule& ruleOf(BodField field) {
    return kRules[static_cast<std::size_t>(field)];
}

} // namespace

int bodControlId(BodField field) {
    return ruleOf(field).controlId;
}

BodRange bodAcceptedRange(BodField field) {
    return {ruleOf(field).okMin, ruleOf(field).okMax};
}

int bodTypingError(BodField field, std::string_view text) {
    if (text.empty()) return 0;
    const std::optional<int> value = digitsValue(text);
    if (!value) return kMsgDigitsOnly;
    const FieldRule& rule = ruleOf(field);
    return *value < rule.typingMin || *value > rule.typingMax ? rule.messageId : 0;
}

BodDialog::BodDialog(core::PageUi& ui, BodValues opening, bool soundOn)
    : ui_(ui), opening_(opening), result_(opening), soundOn_(soundOn) {
    for (const FieldRule& rule : kRules)
        texts_[slot(rule.field)] = std::to_string(valueOf(opening_, rule.field));
}

int& BodDialog::valueOf(BodValues& values, BodField field) {
    switch (field) {
    case BodField::HighWater:
        return values.highWater;
    case BodField::HighDuration:
        return values.highDuration;
    case BodField::LowWater:
        return values.lowWater;
    case BodField::LowDuration:
        break;
    }
    return values.lowDuration;
}

const std::string& BodDialog::text(BodField field) const {
    return texts_[slot(field)];
}

bool BodDialog::fieldChanged(BodField field, std::string_view text) {
    texts_[slot(field)] = std::string(text);
    const int error = bodTypingError(field, text);
    if (error == 0) return true;
    ui_.message(error);
    texts_[slot(field)] = std::to_string(valueOf(opening_, field));
    ui_.refresh();
    ui_.focus(bodControlId(field));
    return false;
}

BodValues BodDialog::ok() {
    if (soundOn_) ui_.beep();
    BodValues values = opening_;
    for (const FieldRule& rule : kRules) {
        std::optional<int> typed = digitsValue(texts_[slot(rule.field)]);
        if (typed && *typed >= rule.okMin && *typed <= rule.okMax)
            valueOf(values, rule.field) = *typed;
    }
    for (const FieldRule& rule : kRules)
        texts_[slot(rule.field)] = std::to_string(valueOf(values, rule.field));
    if (values.highWater < values.lowWater) {
        values.lowWater = values.highWater;
        texts_[slot(BodField::LowWater)] = std::to_string(values.lowWater);
        ui_.refresh();
        ui_.message(kMsgBodHighBelowLow);
    }
    result_ = values;
    return result_;
}

} // namespace quorvex::data
