#include "pages/data/data_page.h"

#include "core/config_app.h"
#include "profile/sections.h"

#include <algorithm>
#include <cstring>

namespace quorvex::data {

namespace {

using core::Item;

constexpr profile::Section kSection = profile::Section::Data;

// Which protocol a setting belongs to: it is sent and compared only then.
enum class When { Always, Ppp, V120, X75, Hdlc };

// The item behind each key of the section and the protocol it belongs to.
// Command, register, protocol index (nAux), record field, range and default
// are the key's row of the setting table; the rows are in the device's
// order, which reading and sending both walk.
struct Binding {
    std::string_view format;
    Item<int> DataSettings::*item; // null for the EID number
    When when;
};
constexpr Binding kBindings[] = {
    {"CURPTOCOL", &DataSettings::protocol, When::Always},
    {"ATOPROTOCOL", &DataSettings::autoIdent, When::Always},
    {"MLP_PPP", &DataSettings::multiLinkPpp, When::Ppp},
    {"DBA", &DataSettings::dba, When::Ppp},
    {"BOD", &DataSettings::bod, When::Ppp},
    {"EIDCLS", &DataSettings::eidClass, When::Ppp},
    {"EIDNUM%d", nullptr, When::Ppp},
    {"FRMSZV120", &DataSettings::v120FrameSize, When::V120},
    {"IFRAME", &DataSettings::v120IFrame, When::V120},
    {"MLP_X75", &DataSettings::multiLinkX75, When::X75},
    {"FRMSZX75", &DataSettings::x75FrameSize, When::X75},
    {"FRMSZHDLC", &DataSettings::hdlcFrameSize, When::Hdlc},
    {"HIWATER", &DataSettings::highWater, When::Always},
    {"LOWATER", &DataSettings::lowWater, When::Always},
    {"HIDURATION", &DataSettings::highDuration, When::Always},
    {"LODURATION", &DataSettings::lowDuration, When::Always},
};

const Binding* bindingOf(std::string_view format) {
    for (const Binding& b : kBindings)
        if (b.format == format) return &b;
    return nullptr;
}

constexpr FrameField kFrameFields[] = {FrameField::V120, FrameField::X75, FrameField::Hdlc};

constexpr std::string_view kEidKeyFormat = "EIDNUM%d";
constexpr std::size_t kEidTextCapacity = sizeof(DRVPARAM::szText) - sizeof(int32_t);

std::string eidTextOf(DRVPARAM& r) {
    const char* text = drv_eid_text(&r);
    return std::string(text, strnlen(text, kEidTextCapacity));
}

bool setEidText(DRVPARAM& r, std::string_view text) {
    if (text.size() >= kEidTextCapacity) return false;
    char* out = drv_eid_text(&r);
    std::memset(out, 0, kEidTextCapacity);
    std::memcpy(out, text.data(), text.size());
    return true;
}

std::string eidKey(int eidClass) {
    return "EIDNUM" + std::to_string(eidClass);
}

// "DATA_DIV/KEY=value", how the report names a value it did not send.
std::string refusedItem(std::string_view key, std::string_view value) {
    return core::itemName(profile::sectionName(kSection), key) + "=" + std::string(value);
}

} // namespace

// ---- the page ----

DataPage::DataPage(core::CConfigApp& app, core::PageUi& ui, core::PageHost& host)
    : PageBase(app, ui, host) {
    buildItems();
    rebuildFieldTexts();
}

void DataPage::buildItems() {
    for (const profile::KeySpec& key : profile::keysOf(kSection, app_.portCount)) {
        const Binding* binding = bindingOf(key.format);
        core::ItemSpec spec;
        if (binding == nullptr || !core::itemSpecOf(key, spec)) continue;
        if (binding->item == nullptr) {
            // The EID numbers of the five classes share one register.
            if (eidSpec_.code == 0) {
                eidAt_ = items_.size();
                eidSpec_ = std::move(spec);
                eidWhen_ = static_cast<int>(binding->when);
            }
            continue;
        }
        // A read that fails, or a protocol or class outside its table, gives the default.
        spec.defaultStands = true;
        // Before any read: PPP, every switch off, NULL class, UI-frame, the
        // default frame sizes and thresholds; the EID numbers are empty.
        // None of them is the device's until a read or a send says so.
        Item<int>& item = s_.*binding->item;
        item.reset(spec.loadDefault, false);
        items_.add(std::move(spec), item);
        numbers_.push_back(&item);
        when_.push_back(static_cast<int>(binding->when));
    }
}

void DataPage::shown() {
    ui_.focus(kCtlProtocol);
}

bool DataPage::protocolCondition(int when) const {
    const int protocol = s_.protocol.edited;
    switch (static_cast<When>(when)) {
    case When::Always:
        return true;
    case When::Ppp:
        return protocol == kPpp;
    case When::V120:
        return protocol == kV120;
    case When::X75:
        return isX75(protocol);
    case When::Hdlc:
        return protocol == kHdlc;
    }
    return false;
}

std::string_view DataPage::settingKey(const core::Item<int>& item) const {
    for (std::size_t i = 0; i < numbers_.size(); ++i)
        if (numbers_[i] == &item) return items_.spec(i).key;
    return {};
}

core::Item<int>& DataPage::frameItem(FrameField field) {
    switch (field) {
    case FrameField::V120:
        return s_.v120FrameSize;
    case FrameField::X75:
        return s_.x75FrameSize;
    case FrameField::Hdlc:
        break;
    }
    return s_.hdlcFrameSize;
}

std::string& DataPage::frameText(FrameField field) {
    return frameTexts_[static_cast<std::size_t>(field)];
}

void DataPage::rebuildFieldTexts() {
    for (FrameField field : kFrameFields)
        frameText(field) = std::to_string(frameItem(field).edited);
    const int cls = clampEidClass(s_.eidClass.edited);
    eidText_ = eidDisplay(cls, s_.eid[static_cast<std::size_t>(cls)].edited);
}

void DataPage::readDevice() {
    ui_.setBusy(true);
    // The examples of the classes not in use: the device holds one number only.
    for (int cls = 0; cls < kEidClasses; ++cls)
        s_.eid[static_cast<std::size_t>(cls)].reset(std::string(eidInitialText(cls)), false);
    const auto correct = [this](std::size_t i) { correctFrameSize(i); };
    items_.read(app_, 0, eidAt_, correct);
    readEidNumber();
    items_.read(app_, eidAt_, SIZE_MAX, correct);
    rebuildFieldTexts();
    loaded_ = true;
    ui_.refresh();
    ui_.setBusy(false);
}

// Only the current class's number is on the device.
void DataPage::readEidNumber() {
    DRVPARAM r = core::makeRecord(eidSpec_.port, 0, core::kOpQuery);
    const bool ok = core::queryDone(app_.SendDrvCmd(eidSpec_.code, &r), r);
    const int cls = clampEidClass(s_.eidClass.confirmed);
    s_.eid[static_cast<std::size_t>(cls)].reset(ok ? eidTextOf(r) : std::string(), ok);
}

// A frame size the device answers and cannot use is replaced by the default
// and corrected on the device at once, before the next query.
void DataPage::correctFrameSize(std::size_t i) {
    Item<int>& item = *numbers_[i];
    for (FrameField field : kFrameFields) {
        if (&frameItem(field) != &item) continue;
        const FrameRange range = frameRange(field);
        if (!item.known || (item.confirmed >= range.min && item.confirmed <= range.max)) return;
        const core::ItemSpec& spec = items_.spec(i);
        item.reset(spec.loadDefault, true);
        DRVPARAM fix = core::makeRecord(spec.port, spec.loadDefault, core::kOpSet);
        drv_set_aux(&fix, spec.aux);
        app_.SendDrvCmd(spec.code, &fix);
    }
}

// An item of another protocol than the chosen one counts only when the
// device may have lost it (new firmware): its register is the device's all the same.
bool DataPage::counts(int when, bool stale) const {
    return stale || protocolCondition(when);
}

bool DataPage::sendsNow(std::size_t i, bool loading) const {
    return loading || counts(when_[i], numbers_[i]->stale);
}

core::Item<std::string>* DataPage::pendingEidNumber(bool loading) {
    const int cls = clampEidClass(s_.eidClass.edited);
    if (cls == kEidNull) return nullptr;
    core::Item<std::string>& number = s_.eid[static_cast<std::size_t>(cls)];
    if (!number.changed() || !(loading || counts(eidWhen_, number.stale))) return nullptr;
    return &number;
}

bool DataPage::hasUnsentChanges() const {
    auto* self = const_cast<DataPage*>(this);
    return items_.anyChanged([this](std::size_t i) { return sendsNow(i, false); }) ||
           self->pendingEidNumber(false) != nullptr;
}

void DataPage::forget() {
    items_.forgetAll();
    for (core::Item<std::string>& number : s_.eid)
        number.forget();
}

void DataPage::collectFrameSize(FrameField field, bool selected, bool loading) {
    core::Item<int>& item = frameItem(field);
    const std::optional<int> typed = digitsValue(frameText(field));
    const FrameRange range = frameRange(field);
    if (selected) {
        // An empty or unreadable field counts as out of range: it is never sent.
        if (!typed || *typed < range.min || *typed > range.max) {
            refused_.push_back(refusedItem(settingKey(item), frameText(field)));
            item.edited = item.confirmed;
            ui_.message(range.messageId);
            error_ = true;
        } else {
            item.edited = *typed;
        }
    } else if (typed && loading && (*typed < range.min || *typed > range.max)) {
        // A profile's size for another protocol: not sent, and named.
        refused_.push_back(refusedItem(settingKey(item), frameText(field)));
        item.edited = item.confirmed;
    } else if (typed) {
        item.edited = *typed; // checked when its protocol is chosen
    }
    frameText(field) = std::to_string(item.edited);
}

// quiet: the number of a protocol not chosen, which a load sends all the
// same: refused alone, without a message, the rest goes.
bool DataPage::collectEid(bool quiet) {
    const int cls = clampEidClass(s_.eidClass.edited);
    core::Item<std::string>& number = s_.eid[static_cast<std::size_t>(cls)];
    // The device's own number, untouched, is neither checked nor converted.
    if (number.edited == number.confirmed && eidText_ == eidDisplay(cls, number.edited))
        return true;
    EidConversion converted = eidFromDisplay(cls, eidText_);
    if (!converted.ok()) {
        // Named as the file holds it, or as typed.
        const bool typed = eidText_ != eidDisplay(cls, number.edited);
        refused_.push_back(refusedItem(eidKey(cls), typed ? eidText_ : number.edited));
        number.edited = number.confirmed;
        eidText_ = eidDisplay(cls, number.edited);
        if (quiet) return true;
        ui_.message(converted.messageId);
        error_ = true;
        return false;
    }
    number.edited = converted.stored;
    eidText_ = eidDisplay(cls, number.edited);
    return true;
}

// Loading sends the settings of every protocol, so their values are checked
// whatever the protocol.
bool DataPage::collect(bool loading) {
    refused_.clear();
    const std::optional<FrameField> selected = frameFieldOf(s_.protocol.edited);
    for (FrameField field : kFrameFields)
        collectFrameSize(field, selected == field, loading);
    if (clampEidClass(s_.eidClass.edited) == kEidNull) return true;
    if (s_.protocol.edited == kPpp) return collectEid(false);
    if (loading) return collectEid(true);
    return true;
}

void DataPage::sendItems(bool forLoad) {
    const auto progress = [&](std::size_t) {
        if (forLoad) host_.progress();
    };
    items_.send(app_, report_, core::SendMode::Changed, progress,
                [&](std::size_t i) { return i < eidAt_ && sendsNow(i, forLoad); });
    sendEidNumber(forLoad);
    items_.send(app_, report_, core::SendMode::Changed, progress,
                [&](std::size_t i) { return i >= eidAt_ && sendsNow(i, forLoad); });
}

void DataPage::sendEidNumber(bool forLoad) {
    core::Item<std::string>* number = pendingEidNumber(forLoad);
    if (number == nullptr) return;
    DRVPARAM r = core::makeRecord(eidSpec_.port, 0, core::kOpSet);
    if (setEidText(r, number->edited)) {
        const core::SendOutcome outcome = core::sendOutcome(app_.SendDrvCmd(eidSpec_.code, &r), r);
        report_.add(r, outcome);
        if (outcome == core::SendOutcome::Done) number->confirm();
    } else {
        report_.addUnsent("(too long) " + number->edited);
    }
    if (forLoad) host_.progress();
}

// A rejected value stops the whole send: nothing at all goes to the device,
// and the report names what was refused.
void DataPage::collectAndSend(bool forLoad) {
    report_.clear();
    error_ = false;
    collect(forLoad);
    for (const std::string& item : refused_)
        report_.addUnsent(item);
    if (!error_) sendItems(forLoad);
    ui_.refresh();
}

void DataPage::send() {
    collectAndSend(false);
}

int DataPage::mayLeave() {
    error_ = false;
    const bool eidAccepted = collect();
    ui_.refresh();
    if (!eidAccepted) return 0;
    return PageBase::mayLeave();
}

void DataPage::discard() {
    items_.discardAll();
    for (core::Item<std::string>& number : s_.eid)
        number.discard();
    rebuildFieldTexts();
    ui_.refresh();
}

void DataPage::profileLoad(int selector) {
    core::ProfileStore& store = app_.profiles();
    const std::string_view section = profile::sectionName(kSection);
    // A protocol or class outside its table is not a setting: the default stands.
    items_.load(store, selector, section);
    for (const profile::KeySpec& key : profile::keysOf(kSection, app_.portCount)) {
        if (key.format == kEidKeyFormat && key.first > 0 && key.first < kEidClasses)
            s_.eid[static_cast<std::size_t>(key.first)].edited =
                store.readString(selector, section, key.name, key.textDefault);
    }
    rebuildFieldTexts();
    ui_.refresh();
    collectAndSend(true);
}

std::vector<std::string> DataPage::unconfirmedItems() const {
    std::vector<std::string> out;
    const std::string_view section = profile::sectionName(kSection);
    items_.addUnconfirmed(section, out, [this](std::size_t i) { return i < eidAt_; });
    // Only the current class's number lives on the device.
    const int cls = clampEidClass(s_.eidClass.confirmed);
    if (cls != kEidNull && !s_.eid[static_cast<std::size_t>(cls)].known)
        out.push_back(core::itemName(section, eidKey(cls)));
    items_.addUnconfirmed(section, out, [this](std::size_t i) { return i >= eidAt_; });
    return out;
}

core::WriteReport DataPage::profileSave(int selector) {
    core::WriteReport report;
    core::ProfileStore& store = app_.profiles();
    const std::string_view section = profile::sectionName(kSection);
    items_.save(store, selector, section, report, [this](std::size_t i) { return i < eidAt_; });
    // The device holds the number of its class only; the examples shown for
    // the others are never a setting, and the file keeps what the user gave for them.
    const int cls = clampEidClass(s_.eidClass.confirmed);
    if (cls != kEidNull)
        report.write(store, selector, section, eidKey(cls),
                     s_.eid[static_cast<std::size_t>(cls)].confirmed);
    items_.save(store, selector, section, report, [this](std::size_t i) { return i >= eidAt_; });
    return report;
}

// ---- the user's events ----

void DataPage::protocolSelected(int index) {
    if (index < 0 || index >= kProtocols || index == s_.protocol.edited) return;
    s_.protocol.edited = index;
    collect();
    ui_.refresh();
}

void DataPage::eidClassSelected(int eidClass) {
    const int cls = clampEidClass(eidClass);
    s_.eidClass.edited = cls;
    // Text typed for the previous class and not yet collected is dropped.
    eidText_ = eidDisplay(cls, s_.eid[static_cast<std::size_t>(cls)].edited);
    ui_.refresh();
    if (cls != kEidNull) ui_.focus(kCtlEidNumber);
}

void DataPage::checkClicked(int controlId, bool on) {
    core::Item<int>* item = nullptr;
    switch (controlId) {
    case kCtlAutoIdent:
        item = &s_.autoIdent;
        break;
    case kCtlMultiLinkPpp:
        item = &s_.multiLinkPpp;
        break;
    case kCtlDba:
        item = &s_.dba;
        break;
    case kCtlBod:
        item = &s_.bod;
        break;
    case kCtlMultiLinkX75:
        item = &s_.multiLinkX75;
        break;
    default:
        return;
    }
    item->edited = on ? 1 : 0;
    ui_.refresh(); // MultiLink and BOD switch controls on and off at once
}

void DataPage::frameTypeClicked(bool iFrame) {
    s_.v120IFrame.edited = iFrame ? 1 : 0;
    ui_.refresh();
}

void DataPage::rejectEdit(int controlId) {
    ui_.refresh();
    ui_.focus(controlId); // the widget selects the field's whole text
}

bool DataPage::editChanged(int controlId, std::string_view text) {
    if (controlId == kCtlEidNumber) {
        eidText_ = std::string(text);
        const int cls = clampEidClass(s_.eidClass.edited);
        const int error = eidTypingError(cls, text);
        if (error == 0) return true;
        ui_.message(error);
        eidText_ = eidDisplay(cls, s_.eid[static_cast<std::size_t>(cls)].edited);
        rejectEdit(controlId);
        return false;
    }
    const std::optional<FrameField> field = frameFieldOfControl(controlId);
    if (!field) return true;
    frameText(*field) = std::string(text);
    const int error = frameSizeTypingError(*field, text);
    if (error == 0) return true;
    ui_.message(error);
    core::Item<int>& item = frameItem(*field);
    item.edited = item.confirmed;
    frameText(*field) = std::to_string(item.edited);
    rejectEdit(controlId);
    return false;
}

void DataPage::openBodDialog(const std::function<BodValues(const BodValues&)>& run) {
    if (app_.soundOn) ui_.beep();
    const BodValues back = run(bodValues());
    s_.highWater.edited = back.highWater;
    s_.lowWater.edited = back.lowWater;
    s_.highDuration.edited = back.highDuration;
    s_.lowDuration.edited = back.lowDuration;
    ui_.refresh();
}

// ---- what the widget shows ----

std::string DataPage::fieldText(int controlId) const {
    if (controlId == kCtlEidNumber) return eidText_;
    if (std::optional<FrameField> field = frameFieldOfControl(controlId))
        return frameTexts_[static_cast<std::size_t>(*field)];
    return {};
}

bool DataPage::checked(int controlId) const {
    switch (controlId) {
    case kCtlAutoIdent:
        return s_.autoIdent.edited != 0;
    case kCtlMultiLinkPpp:
        return s_.multiLinkPpp.edited != 0;
    case kCtlDba:
        return s_.dba.edited != 0;
    case kCtlBod:
        return s_.bod.edited != 0;
    case kCtlMultiLinkX75:
        return s_.multiLinkX75.edited != 0;
    case kCtlIFrame:
        return s_.v120IFrame.edited != 0;
    case kCtlUiFrame:
        return s_.v120IFrame.edited == 0;
    default:
        return false;
    }
}

int DataPage::selection(int controlId) const {
    if (controlId == kCtlProtocol) return s_.protocol.edited;
    if (controlId == kCtlEidClass) return clampEidClass(s_.eidClass.edited);
    return -1;
}

bool DataPage::visible(int controlId) const {
    return controlVisible(controlId,
                          VisibilityState{s_.protocol.edited, s_.multiLinkPpp.edited != 0,
                                          s_.bod.edited != 0, s_.eidClass.edited});
}

BodValues DataPage::bodValues() const {
    return BodValues{s_.highWater.edited, s_.lowWater.edited, s_.highDuration.edited,
                     s_.lowDuration.edited};
}

} // namespace quorvex::data
