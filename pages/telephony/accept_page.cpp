#include "pages/telephony/accept_page.h"

#include "core/config_app.h"
#include "core/detection.h"
#include "profile/sections.h"
#include "resources/literal_tables.h"

#include <algorithm>

namespace quorvex::telephony {
namespace {

constexpr profile::Section kSection = profile::Section::Accep;

// The control each key of the section is bound to (plus the port index p).
struct Binding {
    std::string_view keyFormat;
    int firstControl;
};
constexpr std::array<Binding, 7> kBindings = {{
    {"ACCEPDTAA", kDataModeControl},
    {"ACCEPDTAB", kSoftFaxModeControl},
    {"ACCEPCALL%d", kAcceptModeControl},
    {"SHOWID%d", kCallerIdControl},
    {"DELAYRING%d", kRingDelayControl},
    {"CALLWAIT%d", kCallWaitingControl},
    {"LOWVOL%d", kLowerVolumeControl},
}};

int controlOf(const profile::KeySpec& key) {
    for (const Binding& b : kBindings) {
        if (b.keyFormat == key.format) return b.firstControl + (key.first < 0 ? 0 : key.first);
    }
    return -1;
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
    buildItems();
    copyFromCache();
}

void AcceptPage::buildItems() {
    // The device reads and gets them port by port: the data port's two modes
    // first, then each port's acceptance mode, caller-ID presentation, ring
    // delay, call waiting and volume. A save writes them key by key.
    std::vector<profile::KeySpec> sendOrder;
    for (const profile::KeySpec& key : profile::keysPortByPort(kSection, portCount_))
        if (key.first < portCount_) sendOrder.push_back(key);
    values_.resize(sendOrder.size()); // never again: items_ points into it
    for (std::size_t i = 0; i < sendOrder.size(); ++i) {
        core::ItemSpec spec;
        if (!core::itemSpecOf(sendOrder[i], spec)) continue;
        controls_.push_back(controlOf(sendOrder[i]));
        items_.add(std::move(spec), values_[controls_.size() - 1]);
    }
    items_.saveInOrderOf(profile::keysOf(kSection, portCount_));
}

core::Item<int>* AcceptPage::itemOf(int controlId) {
    for (std::size_t i = 0; i < controls_.size(); ++i) {
        if (controls_[i] == controlId) return &values_[i];
    }
    return nullptr;
}

const core::Item<int>* AcceptPage::itemOf(int controlId) const {
    return const_cast<AcceptPage*>(this)->itemOf(controlId);
}

const core::ItemSpec* AcceptPage::specOf(int controlId) const {
    for (std::size_t i = 0; i < controls_.size(); ++i) {
        if (controls_[i] == controlId) return &items_.spec(i);
    }
    return nullptr;
}

// ---- device ----

void AcceptPage::readDevice() {
    ui_.setBusy(true);
    items_.read(app_);
    copyFromCache();
    ui_.refresh();
    ui_.focus(kCallWaitingControl);
    ui_.setBusy(false);
}

void AcceptPage::sendChanged(bool progress) {
    report_.clear();
    items_.send(app_, report_, core::SendMode::Changed, [&](std::size_t) {
        if (progress) host_.progress();
    });
}

void AcceptPage::send() {
    ui_.setBusy(true);
    sendChanged(false);
    ui_.refresh();
    ui_.setBusy(false);
}

bool AcceptPage::hasUnsentChanges() const {
    return items_.anyChanged();
}

void AcceptPage::discard() {
    items_.discardAll();
    ui_.refresh();
}

// ---- profile ----

void AcceptPage::profileLoad(int selector) {
    items_.load(app_.profiles(), selector, profile::sectionName(kSection));
    copyFromCache();
    ui_.refresh();
    ui_.setBusy(true);
    sendChanged(true); // only what differs from the device
    ui_.refresh();
    ui_.setBusy(false);
}

core::WriteReport AcceptPage::profileSave(int selector) {
    core::WriteReport report;
    items_.save(app_.profiles(), selector, profile::sectionName(kSection), report);
    return report;
}

void AcceptPage::forget() {
    items_.forgetAll();
}

std::vector<std::string> AcceptPage::unconfirmedItems() const {
    std::vector<std::string> out;
    items_.addUnconfirmed(profile::sectionName(kSection), out);
    return out;
}

// ---- widget ----

void AcceptPage::shown() {
    copyFromCache();
    ui_.refresh();
    ui_.focus(kCallWaitingControl);
}

int AcceptPage::value(int controlId) const {
    const core::Item<int>* item = itemOf(controlId);
    return item != nullptr ? item->edited : -1;
}

int AcceptPage::confirmedValue(int controlId) const {
    const core::Item<int>* item = itemOf(controlId);
    return item != nullptr ? item->confirmed : -1;
}

bool AcceptPage::selectionChanged(int controlId, int index) {
    core::Item<int>* item = itemOf(controlId);
    const core::ItemSpec* spec = specOf(controlId);
    if (item == nullptr || spec->field != core::ValueField::Number) return false;
    item->edited = std::clamp(index, spec->minValue, spec->maxValue);
    return true;
}

bool AcceptPage::toggle(int controlId) {
    core::Item<int>* item = itemOf(controlId);
    const core::ItemSpec* spec = specOf(controlId);
    if (item == nullptr || spec->field != core::ValueField::Flag) return false;
    item->edited = item->edited != 0 ? 0 : 1;
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
