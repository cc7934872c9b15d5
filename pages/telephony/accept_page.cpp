#include "pages/telephony/accept_page.h"

#include "core/config_app.h"
#include "core/detection.h"
#include "profile/sections.h"
#include "resources/literal_tables.h"

#include <algorithm>

namespace quorvex::telephony {
namespace {

constexpr std::string_view kSection = "ACCEP_DIV";

// The five settings of an analog port, in the order the device reads and
// gets them: acceptance mode, caller-ID presentation, ring delay, call
// waiting, volume.
struct PortSetting {
    uint16_t code;
    bool flag;
    bool inverted;
    int maxValue;
    int firstControl;
    std::string_view keyFormat;
};
constexpr std::array<PortSetting, 5> kPortSettings = {{
    {DRV_ACCEPT, false, false, literals::kAcceptanceModeCount - 1, kAcceptModeControl,
     "ACCEPCALL%d"},
    {DRV_CALLERID, false, false, literals::kCallerIdCount - 1, kCallerIdControl, "SHOWID%d"},
    {DRV_RINGDELAY, false, false, literals::kRingDelayCount - 1, kRingDelayControl, "DELAYRING%d"},
    {DRV_CALLWAIT, true, false, 1, kCallWaitingControl, "CALLWAIT%d"},
    {DRV_VOLUME, true, true, 1, kLowerVolumeControl, "LOWVOL%d"},
}};

// The data port's two acceptance modes: port 0 for MSN 1-3, port 3 for the
// SoftFax / answering machine MSNs 4 and 5.
struct DataMode {
    int32_t port;
    int control;
    std::string_view key;
};
constexpr std::array<DataMode, 2> kDataModes = {{
    {0, kDataModeControl, "ACCEPDTAA"},
    {3, kSoftFaxModeControl, "ACCEPDTAB"},
}};

// A value from a profile (or anywhere else) that a selector could not show
// becomes the nearest value it can: negative -> 0, too large -> the last entry.
int clampTo(int value, int maxValue) {
    return std::clamp(value, 0, maxValue);
}

} // namespace

SelectorKind selectorKindOf(int controlId) {
    if (controlId >= kAcceptModeControl && controlId <= kSoftFaxModeControl)
        return SelectorKind::AcceptanceMode;
    if (controlId >= kCallerIdControl && controlId < kCallerIdControl + 5)
        return SelectorKind::CallerId;
    if (controlId >= kRingDelayControl && controlId < kRingDelayControl + 5)
        return SelectorKind::RingDelay;
    return SelectorKind::None;
}

int selectorItemCount(SelectorKind kind) {
    switch (kind) {
    case SelectorKind::CallerId:
        return literals::kCallerIdCount;
    case SelectorKind::AcceptanceMode:
        return literals::kAcceptanceModeCount;
    case SelectorKind::RingDelay:
        return literals::kRingDelayCount;
    case SelectorKind::None:
        break;
    }
    return 0;
}

std::string_view selectorText(SelectorKind kind, int index, int language, bool face) {
    switch (kind) {
    case SelectorKind::CallerId:
        return face ? literals::callerIdShortText(index, language)
                    : literals::callerIdLongText(index, language);
    case SelectorKind::AcceptanceMode:
        return literals::acceptanceModeText(index, language);
    case SelectorKind::RingDelay:
        return literals::ringDelayText(index, language);
    case SelectorKind::None:
        break;
    }
    return {};
}

AcceptPage::AcceptPage(core::CConfigApp& app, core::PageUi& ui, core::PageHost& host)
    : AcceptPage(app, ui, host, core::portCountFor(app.pageModel)) {}

AcceptPage::AcceptPage(core::CConfigApp& app, core::PageUi& ui, core::PageHost& host, int portCount)
    : PageBase(app, ui, host), portCount_(std::clamp(portCount, 0, core::kMaxAnalogPorts)) {
    buildSlots();
    copyFromCache();
}

void AcceptPage::buildSlots() {
    for (const DataMode& mode : kDataModes) {
        slots_.push_back(Slot{DRV_ACCEPT,
                              mode.port,
                              Encoding::Number,
                              literals::kAcceptanceModeCount - 1,
                              mode.control,
                              mode.key,
                              -1,
                              {}});
    }
    for (int p = 0; p < portCount_; ++p) {
        for (const PortSetting& s : kPortSettings) {
            Encoding encoding = !s.flag      ? Encoding::Number
                                : s.inverted ? Encoding::InvertedFlag
                                             : Encoding::Flag;
            slots_.push_back(Slot{s.code,
                                  core::kAnalogPortNumbers[static_cast<std::size_t>(p)],
                                  encoding,
                                  s.maxValue,
                                  s.firstControl + p,
                                  s.keyFormat,
                                  p,
                                  {}});
        }
    }
}

AcceptPage::Slot* AcceptPage::slotOf(int controlId) {
    for (Slot& slot : slots_) {
        if (slot.controlId == controlId) return &slot;
    }
    return nullptr;
}

const AcceptPage::Slot* AcceptPage::slotOf(const profile::KeySpec& key) const {
    for (const Slot& slot : slots_) {
        if (slot.keyFormat == key.format && slot.keyIndex == key.first) return &slot;
    }
    return nullptr;
}

const AcceptPage::Slot* AcceptPage::slotOf(int controlId) const {
    for (const Slot& slot : slots_) {
        if (slot.controlId == controlId) return &slot;
    }
    return nullptr;
}

// ---- device ----

void AcceptPage::readSlot(Slot& slot) {
    DRVPARAM record = core::makeRecord(slot.port, 0, core::kOpQuery);
    bool ok = core::queryDone(app_.SendDrvCmd(slot.code, &record), record);
    int value = 0;
    switch (slot.encoding) {
    case Encoding::Number:
        // The device answers one digit; a value no selector can show is
        // clamped like a profile value.
        value = ok ? clampTo(record.nValue, slot.maxValue) : 0;
        break;
    case Encoding::Flag:
        value = ok && record.bFlag != 0 ? 1 : 0;
        break;
    case Encoding::InvertedFlag:
        // Lower volume only when the device really said "normal volume off";
        // a failed query shows the normal volume.
        value = ok && record.bFlag == 0 ? 1 : 0;
        break;
    }
    slot.value.reset(value, ok);
}

void AcceptPage::readDevice() {
    ui_.setBusy(true);
    for (Slot& slot : slots_)
        readSlot(slot);
    copyFromCache();
    ui_.refresh();
    ui_.focus(kCallWaitingControl);
    ui_.setBusy(false);
}

void AcceptPage::sendChanged(bool progress) {
    report_.clear();
    for (Slot& slot : slots_) {
        if (!slot.value.changed()) continue;
        DRVPARAM record = core::makeRecord(slot.port, 0, core::kOpSet);
        switch (slot.encoding) {
        case Encoding::Number:
            record.nValue = slot.value.edited;
            break;
        case Encoding::Flag:
            record.bFlag = slot.value.edited != 0 ? 1 : 0;
            break;
        case Encoding::InvertedFlag:
            record.bFlag = slot.value.edited != 0 ? 0 : 1;
            break;
        }
        core::SendOutcome outcome = core::sendOutcome(app_.SendDrvCmd(slot.code, &record), record);
        report_.add(record, outcome);
        if (outcome == core::SendOutcome::Done) slot.value.confirm();
        if (progress) host_.progress();
    }
}

void AcceptPage::send() {
    ui_.setBusy(true);
    sendChanged(false);
    ui_.refresh();
    ui_.setBusy(false);
}

bool AcceptPage::hasUnsentChanges() const {
    return std::any_of(slots_.begin(), slots_.end(),
                       [](const Slot& slot) { return slot.value.changed(); });
}

void AcceptPage::discard() {
    for (Slot& slot : slots_)
        slot.value.discard();
    ui_.refresh();
}

// ---- profile ----

void AcceptPage::profileLoad(int selector) {
    core::ProfileStore& store = app_.profiles();
    for (const profile::KeySpec& key : profile::keysOf(profile::Section::Accep, portCount_)) {
        for (Slot& slot : slots_) {
            if (slot.keyFormat != key.format || slot.keyIndex != key.first) continue;
            int value = store.readInt(selector, kSection, key.name, key.numberDefault);
            slot.value.edited = slot.encoding == Encoding::Number ? clampTo(value, slot.maxValue)
                                                                  : (value != 0 ? 1 : 0);
        }
    }
    copyFromCache();
    ui_.refresh();
    ui_.setBusy(true);
    sendChanged(true); // only what differs from the device
    ui_.refresh();
    ui_.setBusy(false);
}

core::WriteReport AcceptPage::profileSave(int selector) {
    core::WriteReport report;
    core::ProfileStore& store = app_.profiles();
    for (const profile::KeySpec& key : profile::keysOf(profile::Section::Accep, portCount_)) {
        const Slot* found = slotOf(key);
        int value = found != nullptr ? found->value.confirmed : key.numberDefault;
        report.write(store, selector, kSection, key.name, std::to_string(value));
    }
    return report;
}

void AcceptPage::forget() {
    for (Slot& slot : slots_)
        slot.value.forget();
}

std::vector<std::string> AcceptPage::unconfirmedItems() const {
    std::vector<std::string> out;
    for (const profile::KeySpec& key : profile::keysOf(profile::Section::Accep, portCount_)) {
        const Slot* found = slotOf(key);
        if (found != nullptr && !found->value.known)
            out.push_back(core::itemName(kSection, key.name));
    }
    return out;
}

// ---- widget ----

void AcceptPage::shown() {
    copyFromCache();
    ui_.refresh();
    ui_.focus(kCallWaitingControl);
}

int AcceptPage::value(int controlId) const {
    const Slot* slot = slotOf(controlId);
    return slot != nullptr ? slot->value.edited : -1;
}

int AcceptPage::confirmedValue(int controlId) const {
    const Slot* slot = slotOf(controlId);
    return slot != nullptr ? slot->value.confirmed : -1;
}

bool AcceptPage::selectionChanged(int controlId, int index) {
    Slot* slot = slotOf(controlId);
    if (slot == nullptr || slot->encoding != Encoding::Number) return false;
    slot->value.edited = clampTo(index, slot->maxValue);
    return true;
}

bool AcceptPage::toggle(int controlId) {
    Slot* slot = slotOf(controlId);
    if (slot == nullptr || slot->encoding == Encoding::Number) return false;
    slot->value.edited = slot->value.edited != 0 ? 0 : 1;
    return true;
}

void AcceptPage::copyFromCache() {
    const core::DeviceCache& cache = app_.cache;
    for (std::size_t p = 0; p < msns_.size(); ++p) {
        for (std::size_t j = 0; j < msns_[p].size(); ++j)
            msns_[p][j] = cache.analog[p].msn[j];
        names_[p] = cache.analog[p].name.empty() ? core::defaultPortName(static_cast<int>(p))
                                                 : cache.analog[p].name;
    }
    dataMsns_ = cache.data.msn;
    names_[5] = cache.data.name.empty() ? std::string(core::kDefaultDataPortName) : cache.data.name;
}

std::vector<std::string> AcceptPage::listBoxItems(int controlId) const {
    int p = controlId - kMsnListControl;
    if (p >= 0 && p < portCount_) {
        const auto& msns = msns_[static_cast<std::size_t>(p)];
        return {msns.begin(), msns.end()};
    }
    if (controlId == kDataMsnListControl) return {dataMsns_[0], dataMsns_[1], dataMsns_[2]};
    if (controlId == kSoftFaxMsnListControl) return {dataMsns_[3], dataMsns_[4]};
    return {};
}

std::string AcceptPage::portName(int column) const {
    if (column == 5) return names_[5];
    if (column < 0 || column >= portCount_) return std::string();
    return names_[static_cast<std::size_t>(column)];
}

void AcceptPage::callBackButton() {
    if (app_.soundOn) ui_.beep();
    host_.openCallbackDialog(); // on the main window's values, without reading the device
}

} // namespace quorvex::telephony
