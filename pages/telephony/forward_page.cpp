#include "pages/telephony/forward_page.h"

#include "core/config_app.h"
#include "profile/sections.h"

#include <utility>

namespace quorvex::telephony {
namespace {

constexpr profile::Section kSection = profile::Section::Forward;

int portNumber(int p) {
    return core::kAnalogPortNumbers[static_cast<std::size_t>(p)];
}

const ForwardTypeSpec& spec(int typeIndex) {
    return kForwardTypes[static_cast<std::size_t>(typeIndex)];
}

// The type whose setting a key was made from, or -1.
int typeOf(const profile::KeySpec& key) {
    for (const ForwardTypeSpec& s : kForwardTypes) {
        if (s.keyFormat == key.format) return static_cast<int>(s.type);
    }
    return -1;
}

} // namespace

ForwardPage::ForwardPage(core::CConfigApp& app, core::PageUi& ui, core::PageHost& host, int model)
    : PageBase(app, ui, host), portCount_((model < 0 ? app.pageModel : model) == 30 ? 3 : 5) {
    buildItems();
}

void ForwardPage::buildItems() {
    // keysPortByPort: port by port, each port's keys in the order of the rows.
    for (const profile::KeySpec& key : profile::keysPortByPort(kSection, portCount_)) {
        const int t = typeOf(key);
        core::ItemSpec item;
        if (t < 0 || key.first < 0 || key.first >= portCount_ || !core::itemSpecOf(key, item))
            continue;
        fieldOf_.push_back({t, key.first});
        items_.add(std::move(item), entry(t, key.first).item());
    }
    items_.saveInOrderOf(profile::keysOf(kSection, portCount_));
}

int ForwardPage::itemOf(int typeIndex, int port) const {
    for (std::size_t i = 0; i < fieldOf_.size(); ++i) {
        if (fieldOf_[i].typeIndex == typeIndex && fieldOf_[i].port == port)
            return static_cast<int>(i);
    }
    return -1;
}

int ForwardPage::fieldId(ForwardType type, int port) {
    return kForwardTypes[static_cast<std::size_t>(type)].firstField + port;
}

const PortEntry& ForwardPage::field(ForwardType type, int port) const {
    return fields_.at(static_cast<std::size_t>(type)).at(static_cast<std::size_t>(port));
}

PortEntry& ForwardPage::entry(int typeIndex, int port) {
    return fields_[static_cast<std::size_t>(typeIndex)][static_cast<std::size_t>(port)];
}

const PortEntry& ForwardPage::entry(int typeIndex, int port) const {
    return fields_[static_cast<std::size_t>(typeIndex)][static_cast<std::size_t>(port)];
}

// ---- controls ----

const PortEntry* ForwardPage::entryOf(int controlId) const {
    for (std::size_t t = 0; t < kForwardTypes.size(); ++t) {
        int p = controlId - kForwardTypes[t].firstField;
        if (p >= 0 && p < portCount_) return &fields_[t][static_cast<std::size_t>(p)];
    }
    return nullptr;
}

PortEntry* ForwardPage::entryOf(int controlId) {
    return const_cast<PortEntry*>(std::as_const(*this).entryOf(controlId));
}

bool ForwardPage::hasControl(int controlId) const {
    return entryOf(controlId) != nullptr || entryOf(controlId - kForwardButtonOffset) != nullptr;
}

std::string ForwardPage::text(int controlId) const {
    const PortEntry* e = entryOf(controlId);
    return e != nullptr ? e->displayed() : std::string();
}

bool ForwardPage::setText(int controlId, std::string_view text) {
    PortEntry* e = entryOf(controlId);
    if (e == nullptr) return false;
    e->setDisplayed(std::string(text));
    lastEdited_ = controlId;
    return true;
}

int ForwardPage::nextControl(int controlId) const {
    for (int id = controlId + 1; id <= kForwardFieldLast; ++id) {
        if (entryOf(id) != nullptr) return id;
    }
    return kForwardFieldFirst;
}

// ---- status ----

void ForwardPage::setStatus(int textId) {
    statusTextId_ = textId;
    if (textId != kStatusError) {
        statusDue_.reset();
        reportMessage_.clear();
    }
}

void ForwardPage::startErrorStatus(int typeIndex, int port, int state) {
    setStatus(kStatusError);
    statusDue_ = app_.clock().now() + kStatusErrorMs; // restarted when already running
    reportMessage_ = literals::forwardReportMessage(spec(typeIndex).kind,
                                                    state == kForwardNotSubscribed
                                                        ? literals::ForwardReport::NotSubscribed
                                                        : literals::ForwardReport::Unknown,
                                                    portNumber(port));
}

void ForwardPage::statusIdle() {
    setStatus(kStatusIdle);
    ui_.refresh();
}

void ForwardPage::timerTick() {
    if (statusDue_ && app_.clock().now() >= *statusDue_) statusIdle();
}

// ---- display and commit ----

void ForwardPage::commitControls() {
    // Half a name or a lone star is accepted while typing, but never sent as
    // a forwarding target: the commit returns it to the confirmed one.
    core::PortNames names = app_.cache.portNames();
    for (int t = 0; t < kForwardTypeCount; ++t) {
        for (int p = 0; p < portCount_; ++p)
            entry(t, p).commit(names);
    }
}

void ForwardPage::rederiveAll() {
    core::PortNames names = app_.cache.portNames();
    for (const FieldRef& f : fieldOf_)
        entry(f.typeIndex, f.port).rederive(names);
}

void ForwardPage::undo(PortEntry& e, int controlId) {
    e.discard(app_.cache.portNames());
    ui_.refresh();
    ui_.focus(controlId);
}

// ---- user events ----

void ForwardPage::fieldChanged(int controlId) {
    PortEntry* e = entryOf(controlId);
    if (e == nullptr) return;
    lastEdited_ = controlId;
    int p = 0;
    for (const ForwardTypeSpec& s : kForwardTypes) {
        if (controlId >= s.firstField && controlId < s.firstField + portCount_)
            p = controlId - s.firstField;
    }
    // The network forwards calls of an MSN: without one the port has nothing to forward.
    if (app_.cache.analog[static_cast<std::size_t>(p)].msn[0].empty()) {
        ui_.messageWithTail(kTextSetMsn0, " " + std::to_string(portNumber(p)));
        undo(*e, controlId);
        return;
    }
    if (core::classify(e->displayed(), app_.cache.portNames()) == kClassInvalid) {
        ui_.message(kTextPhoneNumber);
        undo(*e, controlId);
    }
}

void ForwardPage::enterOrTab(int focusedControl) {
    commitControls();
    ui_.refresh();
    ui_.focus(nextControl(focusedControl));
}

void ForwardPage::acceptField() {
    commitControls();
    ui_.refresh();
}

void ForwardPage::buttonPressed(int controlId) {
    int fieldControl = controlId - kForwardButtonOffset;
    for (const ForwardTypeSpec& s : kForwardTypes) {
        int p = fieldControl - s.firstField;
        if (p >= 0 && p < portCount_) {
            sendField(s.type, p);
            return;
        }
    }
}

// ---- device ----

void ForwardPage::query(std::size_t item, bool keepEdits) {
    const core::ItemSpec& s = items_.spec(item);
    DRVPARAM record = core::makeRecord(s.port, s.index, core::kOpQuery);
    record.nValue = kForwardOff; // a reply the device does not explain reads as off
    int32_t result = app_.SendDrvCmd(s.code, &record);
    const bool answered = core::queryDone(result, record);
    std::string target =
        answered && record.nValue == kForwardOn ? core::fieldText(record.szText) : std::string();
    PortEntry& e = entry(fieldOf_[item].typeIndex, fieldOf_[item].port);
    core::PortNames names = app_.cache.portNames();
    if (keepEdits && e.changed()) {
        // The device's value becomes the confirmed one; the user's unsent
        // target stays in the field.
        std::string edited = e.stored();
        e.reset(std::move(target), names, answered);
        e.setStored(std::move(edited), names);
    } else {
        e.reset(std::move(target), names, answered);
    }
}

void ForwardPage::readDevice() {
    readAll(false);
}

void ForwardPage::readAll(bool keepEdits) {
    ui_.setBusy(true);
    for (std::size_t i = 0; i < items_.size(); ++i)
        query(i, keepEdits);
    setStatus(kStatusIdle);
    ui_.focus(kForwardFieldFirst);
    ui_.refresh();
    ui_.setBusy(false);
}

void ForwardPage::sendOne(std::size_t item, bool always) {
    commitControls();
    const int typeIndex = fieldOf_[item].typeIndex;
    const int port = fieldOf_[item].port;
    PortEntry& e = entry(typeIndex, port);
    const core::ItemSpec& s = items_.spec(item);
    int state = -1; // -1: nothing sent, or no verdict from the device
    if (always || e.changed()) {
        DRVPARAM record = core::makeRecord(s.port, s.index, core::kOpSet);
        record.bFlag = e.stored().empty() ? 0 : 1;
        record.nValue = kForwardOn; // a state the device does not report counts as on
        if (core::setFieldText(record.szText, e.stored())) {
            int32_t result = app_.SendDrvCmd(s.code, &record);
            if (core::sendOutcome(result, record) == core::SendOutcome::Done) {
                state = record.nValue;
                if (state < kForwardOff || state > kForwardUnknown) state = kForwardOn;
            }
        } else {
            report_.addUnsent("(too long) " + e.stored());
        }
        std::string echo = core::fieldText(record.szCmd);
        switch (state) {
        case kForwardOff:
            report_.add(echo, core::ReportOutcome::Off);
            e.confirm();
            break;
        case kForwardOn:
            report_.add(echo, spec(typeIndex).onOutcome);
            e.confirm();
            break;
        case kForwardNotSubscribed:
        case kForwardUnknown:
            report_.add(echo, state == kForwardNotSubscribed ? core::ReportOutcome::NotSubscribed
                                                             : core::ReportOutcome::Unknown);
            e.discard(app_.cache.portNames());
            ui_.refresh();
            break;
        default:
            break;
        }
    }
    if (state == kForwardNotSubscribed || state == kForwardUnknown)
        startErrorStatus(typeIndex, port, state);
    else
        setStatus(kStatusIdle);
    ui_.refresh();
    ui_.focus(spec(typeIndex).firstField + port);
    app_.clock().sleep(kPauseAfterSendMs);
}

void ForwardPage::sendField(ForwardType type, int port) {
    const int t = static_cast<int>(type);
    const int item = itemOf(t, port);
    if (item < 0) return;
    if (app_.soundOn) ui_.beep();
    setStatus(kStatusSending);
    ui_.refresh();
    // The heartbeat stays quiet while a request and its re-reads are on the line.
    core::HeartbeatPause busy(app_);
    report_.clear(); // the report is of this send alone
    sendOne(static_cast<std::size_t>(item), false);
    // The device may have changed the same forwarding of ports that share
    // the MSN: read that type back for every other port.
    for (std::size_t i = 0; i < items_.size(); ++i) {
        if (fieldOf_[i].typeIndex == t && fieldOf_[i].port != port) query(i, true);
    }
    ui_.refresh();
}

void ForwardPage::sendAllFields(bool every, bool withProgress) {
    core::HeartbeatPause busy(app_);
    report_.clear();
    commitControls();
    for (std::size_t i = 0; i < items_.size(); ++i) {
        if (!every && !entry(fieldOf_[i].typeIndex, fieldOf_[i].port).changed()) continue;
        sendOne(i, every);
        if (withProgress) host_.progress();
    }
    // Read the whole page back; a field the device did not take keeps the
    // user's target, so it is offered again as an unsent change.
    readAll(true);
}

void ForwardPage::send() {
    sendAllFields(false, false);
}

bool ForwardPage::hasUnsentChanges() const {
    core::PortNames names = app_.cache.portNames();
    for (int t = 0; t < kForwardTypeCount; ++t) {
        for (int p = 0; p < portCount_; ++p) {
            const PortEntry& e = fields_[static_cast<std::size_t>(t)][static_cast<std::size_t>(p)];
            if (e.unsentAfterCommit(names)) return true;
        }
    }
    return false;
}

int ForwardPage::mayLeave() {
    commitControls();
    ui_.refresh();
    return PageBase::mayLeave();
}

void ForwardPage::discard() {
    items_.discardAll();
    rederiveAll();
    ui_.refresh();
}

void ForwardPage::profileLoad(int selector) {
    items_.load(app_.profiles(), selector, profile::sectionName(kSection));
    core::PortNames names = app_.cache.portNames();
    for (const FieldRef& f : fieldOf_) {
        PortEntry& e = entry(f.typeIndex, f.port);
        if (app_.cache.analog[static_cast<std::size_t>(f.port)].msn[0].empty())
            // Nothing to forward without an MSN; what the device holds is not known.
            e.reset(std::string(), names, false);
        else
            e.rederive(names);
    }
    ui_.refresh();
    sendAllFields(true, true);
}

void ForwardPage::forget() {
    items_.forgetAll();
}

std::vector<std::string> ForwardPage::unconfirmedItems() const {
    std::vector<std::string> out;
    items_.addUnconfirmed(profile::sectionName(kSection), out);
    return out;
}

core::WriteReport ForwardPage::profileSave(int selector) {
    core::WriteReport report;
    items_.save(app_.profiles(), selector, profile::sectionName(kSection), report);
    return report;
}

} // namespace quorvex::telephony
