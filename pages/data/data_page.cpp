#include "pages/data/data_page.h"

#include "core/config_app.h"
#include "profile/sections.h"

#include <algorithm>
#include <cstring>

namespace quorvex::data {

namespace {

using core::Item;

// How a setting travels in the driver record.
enum class Carry {
    Protocol,  // protocol index in nAux
    Flag,      // bFlag
    Number,    // nIndex
    EidNumber, // the text behind nAux, of the current EID class
};

// Which protocol a setting belongs to: it is sent and compared only then.
enum class When { Always, Ppp, V120, X75, Hdlc };

constexpr int32_t kNoAux = 0;
constexpr int kNoRange = 0;

struct SettingSpec {
    Item<int> DataSettings::*item; // null for the EID number
    uint16_t code;
    int32_t port;
    int32_t aux; // protocol index that selects the register (47/2, 47/6)
    Carry carry;
    When when;
    int readDefault; // when the device read fails
    // Valid range of a value read from the device; a frame size outside it is
    // replaced by the default and written back at once, an EID class outside
    // it is taken as NULL. kNoRange: any value.
    int min, max;
    bool writeBack;
    std::string_view profileFormat;
};

// One table in the device's order: reading and sending both walk it.
constexpr SettingSpec kSettings[] = {
    {&DataSettings::protocol, DRV_DATAPROTO, 0, kNoAux, Carry::Protocol, When::Always, kPpp, 0,
     kProtocols - 1, false, "CURPTOCOL"},
    {&DataSettings::autoIdent, DRV_DATAPROTO, 1, kNoAux, Carry::Flag, When::Always, 0, kNoRange,
     kNoRange, false, "ATOPROTOCOL"},
    {&DataSettings::multiLinkPpp, DRV_DATAPROTO, 2, kPpp, Carry::Flag, When::Ppp, 0, kNoRange,
     kNoRange, false, "MLP_PPP"},
    {&DataSettings::dba, DRV_DATAPROTO, 3, kNoAux, Carry::Flag, When::Ppp, 0, kNoRange, kNoRange,
     false, "DBA"},
    {&DataSettings::bod, DRV_DATAPROTO, 4, kNoAux, Carry::Flag, When::Ppp, 0, kNoRange, kNoRange,
     false, "BOD"},
    {&DataSettings::eidClass, DRV_EID, 11, kNoAux, Carry::Number, When::Ppp, kEidNull, 0,
     kEidClasses - 1, false, "EIDCLS"},
    {nullptr, DRV_EID, 12, kNoAux, Carry::EidNumber, When::Ppp, 0, kNoRange, kNoRange, false,
     "EIDNUM%d"},
    {&DataSettings::v120FrameSize, DRV_DATAPROTO, 6, kV120, Carry::Number, When::V120, 256, 128,
     256, true, "FRMSZV120"},
    {&DataSettings::v120IFrame, DRV_DATAPROTO, 5, kNoAux, Carry::Flag, When::V120, 0, kNoRange,
     kNoRange, false, "IFRAME"},
    {&DataSettings::multiLinkX75, DRV_DATAPROTO, 2, kX75Btx, Carry::Flag, When::X75, 0, kNoRange,
     kNoRange, false, "MLP_X75"},
    {&DataSettings::x75FrameSize, DRV_DATAPROTO, 6, kX75Btx, Carry::Number, When::X75, 2048, 1,
     2048, true, "FRMSZX75"},
    {&DataSettings::hdlcFrameSize, DRV_DATAPROTO, 6, kHdlc, Carry::Number, When::Hdlc, 2048, 1,
     2048, true, "FRMSZHDLC"},
    {&DataSettings::highWater, DRV_BODREG, 7, kNoAux, Carry::Number, When::Always, 45, kNoRange,
     kNoRange, false, "HIWATER"},
    {&DataSettings::lowWater, DRV_BODREG, 9, kNoAux, Carry::Number, When::Always, 30, kNoRange,
     kNoRange, false, "LOWATER"},
    {&DataSettings::highDuration, DRV_BODREG, 8, kNoAux, Carry::Number, When::Always, 2, kNoRange,
     kNoRange, false, "HIDURATION"},
    {&DataSettings::lowDuration, DRV_BODREG, 10, kNoAux, Carry::Number, When::Always, 2, kNoRange,
     kNoRange, false, "LODURATION"},
};

constexpr FrameField kFrameFields[] = {FrameField::V120, FrameField::X75, FrameField::Hdlc};

constexpr std::string_view kEidKeyFormat = "EIDNUM%d";
constexpr std::size_t kEidTextCapacity = sizeof(DRVPARAM::szText) - sizeof(int32_t);

bool hasRange(const SettingSpec& spec) {
    return spec.min != kNoRange || spec.max != kNoRange;
}
bool inRange(const SettingSpec& spec, int v) {
    return !hasRange(spec) || (v >= spec.min && v <= spec.max);
}

const SettingSpec* specForKey(std::string_view format) {
    for (const SettingSpec& spec : kSettings)
        if (spec.profileFormat == format) return &spec;
    return nullptr;
}

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
    return core::itemName(profile::sectionName(profile::Section::Data), key) + "=" +
           std::string(value);
}

} // namespace

// ---- the page ----

DataPage::DataPage(core::CConfigApp& app, core::PageUi& ui, core::PageHost& host)
    : PageBase(app, ui, host) {
    // Before any read: PPP, every switch off, NULL class, UI-frame, the
    // default frame sizes and thresholds; the EID numbers are empty.
    // None of them is the device's until a read or a send says so.
    for (const SettingSpec& spec : kSettings)
        if (spec.item != nullptr) (s_.*spec.item).reset(spec.readDefault, false);
    rebuildFieldTexts();
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
    for (const SettingSpec& spec : kSettings)
        if (spec.item != nullptr && &(s_.*spec.item) == &item) return spec.profileFormat;
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
    for (const SettingSpec& spec : kSettings) {
        DRVPARAM r = core::makeRecord(spec.port, 0, core::kOpQuery);
        drv_set_aux(&r, spec.aux);
        const bool ok = core::queryDone(app_.SendDrvCmd(spec.code, &r), r);
        if (spec.carry == Carry::EidNumber) {
            // Only the current class's number is on the device.
            const int cls = clampEidClass(s_.eidClass.confirmed);
            s_.eid[static_cast<std::size_t>(cls)].reset(ok ? eidTextOf(r) : std::string(), ok);
            continue;
        }
        int value = spec.readDefault;
        if (ok) {
            switch (spec.carry) {
            case Carry::Protocol:
                value = drv_get_aux(&r);
                break;
            case Carry::Flag:
                value = r.bFlag != 0 ? 1 : 0;
                break;
            default:
                value = r.nIndex;
                break;
            }
        }
        if (!inRange(spec, value)) {
            value = spec.readDefault;
            if (spec.writeBack) {
                // A frame size the device cannot use is corrected on the device at once.
                DRVPARAM fix = core::makeRecord(spec.port, value, core::kOpSet);
                drv_set_aux(&fix, spec.aux);
                app_.SendDrvCmd(spec.code, &fix);
            }
        }
        (s_.*spec.item).reset(value, ok);
    }
    rebuildFieldTexts();
    loaded_ = true;
    ui_.refresh();
    ui_.setBusy(false);
}

// An item of another protocol than the chosen one counts only when the
// device may have lost it (new firmware): its register is the device's all the same.
bool DataPage::counts(int when, bool stale) const {
    return stale || protocolCondition(when);
}

// The item a setting is compared and sent as: the EID number of the chosen
// class (none for NULL), else the setting's own.
DataPage::Target DataPage::targetOf(int settingIndex) {
    const SettingSpec& spec = kSettings[static_cast<std::size_t>(settingIndex)];
    Target t;
    if (spec.carry == Carry::EidNumber) {
        const int cls = clampEidClass(s_.eidClass.edited);
        if (cls != kEidNull) t.text = &s_.eid[static_cast<std::size_t>(cls)];
    } else {
        t.number = &(s_.*spec.item);
    }
    return t;
}

bool DataPage::Target::pending(const DataPage& page, int when, bool loading) const {
    if (text == nullptr && number == nullptr) return false;
    const bool stale = text != nullptr ? text->stale : number->stale;
    const bool changed = text != nullptr ? text->changed() : number->changed();
    return changed && (loading || page.counts(when, stale));
}

bool DataPage::hasUnsentChanges() const {
    auto* self = const_cast<DataPage*>(this);
    for (std::size_t i = 0; i < std::size(kSettings); ++i) {
        if (self->targetOf(static_cast<int>(i))
                .pending(*this, static_cast<int>(kSettings[i].when), false))
            return true;
    }
    return false;
}

void DataPage::forget() {
    for (const SettingSpec& spec : kSettings)
        if (spec.item != nullptr) (s_.*spec.item).forget();
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
    for (std::size_t i = 0; i < std::size(kSettings); ++i) {
        const SettingSpec& spec = kSettings[i];
        const Target target = targetOf(static_cast<int>(i));
        if (!target.pending(*this, static_cast<int>(spec.when), forLoad)) continue;
        DRVPARAM r = core::makeRecord(spec.port, 0, core::kOpSet);
        drv_set_aux(&r, spec.aux);
        bool fits = true;
        core::Item<std::string>* text = target.text;
        core::Item<int>* number = target.number;
        if (text != nullptr) {
            fits = setEidText(r, text->edited);
        } else {
            switch (spec.carry) {
            case Carry::Protocol:
                drv_set_aux(&r, number->edited);
                break;
            case Carry::Flag:
                r.bFlag = number->edited != 0 ? 1 : 0;
                break;
            default:
                r.nIndex = number->edited;
                break;
            }
        }
        core::SendOutcome outcome = core::SendOutcome::Failed;
        if (fits) {
            outcome = core::sendOutcome(app_.SendDrvCmd(spec.code, &r), r);
            report_.add(r, outcome);
        } else {
            report_.addUnsent("(too long) " + text->edited);
        }
        if (outcome == core::SendOutcome::Done) {
            if (text != nullptr) text->confirm();
            if (number != nullptr) number->confirm();
        }
        if (forLoad) host_.progress();
    }
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
    for (const SettingSpec& spec : kSettings)
        if (spec.item != nullptr) (s_.*spec.item).discard();
    for (core::Item<std::string>& number : s_.eid)
        number.discard();
    rebuildFieldTexts();
    ui_.refresh();
}

void DataPage::profileLoad(int selector) {
    core::ProfileStore& store = app_.profiles();
    const std::string_view section = profile::sectionName(profile::Section::Data);
    for (const profile::KeySpec& key : profile::keysOf(profile::Section::Data, app_.portCount)) {
        if (key.format == kEidKeyFormat) {
            if (key.first > 0 && key.first < kEidClasses)
                s_.eid[static_cast<std::size_t>(key.first)].edited =
                    store.readString(selector, section, key.name, key.textDefault);
            continue;
        }
        const SettingSpec* spec = specForKey(key.format);
        if (spec == nullptr || spec->item == nullptr) continue;
        int value = store.readInt(selector, section, key.name, key.numberDefault);
        if (key.form == profile::ValueForm::Switch) value = value != 0 ? 1 : 0;
        // A protocol or class outside its table is not a setting: the default stands.
        if (value < key.minValue || value > key.maxValue) value = key.numberDefault;
        (s_.*spec->item).edited = value;
    }
    rebuildFieldTexts();
    ui_.refresh();
    collectAndSend(true);
}

std::vector<std::string> DataPage::unconfirmedItems() const {
    std::vector<std::string> out;
    const std::string_view section = profile::sectionName(profile::Section::Data);
    for (const profile::KeySpec& key : profile::keysOf(profile::Section::Data, app_.portCount)) {
        bool known = true;
        if (key.format == kEidKeyFormat) {
            // Only the current class's number lives on the device.
            if (key.first == clampEidClass(s_.eidClass.confirmed))
                known = s_.eid[static_cast<std::size_t>(key.first)].known;
        } else if (const SettingSpec* spec = specForKey(key.format);
                   spec != nullptr && spec->item != nullptr) {
            known = (s_.*spec->item).known;
        }
        if (!known) out.push_back(core::itemName(section, key.name));
    }
    return out;
}

core::WriteReport DataPage::profileSave(int selector) {
    core::WriteReport report;
    core::ProfileStore& store = app_.profiles();
    const std::string_view section = profile::sectionName(profile::Section::Data);
    for (const profile::KeySpec& key : profile::keysOf(profile::Section::Data, app_.portCount)) {
        std::string value;
        if (key.format == kEidKeyFormat) {
            // The device holds the number of its class only; the examples
            // shown for the others are never a setting, and the file keeps
            // what the user gave for them.
            if (key.first <= 0 || key.first != clampEidClass(s_.eidClass.confirmed)) continue;
            value = s_.eid[static_cast<std::size_t>(key.first)].confirmed;
        } else {
            const SettingSpec* spec = specForKey(key.format);
            if (spec == nullptr || spec->item == nullptr) continue;
            const int confirmed = (s_.*spec->item).confirmed;
            value = key.form == profile::ValueForm::Switch ? (confirmed != 0 ? "1" : "0")
                                                           : std::to_string(confirmed);
        }
        report.write(store, selector, section, key.name, value);
    }
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
