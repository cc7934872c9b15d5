#include "pages/telephony/short_dial_page.h"

#include "core/config_app.h"
#include "profile/sections.h"

#include <utility>

namespace quorvex::telephony {
namespace {

using profile::Section;

constexpr std::string_view kRingKeyFormat = "CHKSPXRING%d";
constexpr std::string_view kEntryKeyFormat = "SDNUM%d%d";

} // namespace

ShortDialPage::ShortDialPage(core::CConfigApp& app, core::PageUi& ui, core::PageHost& host,
                             int model)
    : PageBase(app, ui, host), portCount_((model < 0 ? app.pageModel : model) == 30 ? 3 : 5) {
    // The section's keys run in the order the device is written: every
    // special ring switch, then the entries port by port, slot by slot.
    for (const profile::KeySpec& key : profile::keysOf(Section::ShortDial, portCount_)) {
        if (key.first < 0 || key.first >= portCount_) continue;
        auto p = static_cast<std::size_t>(key.first);
        core::ItemSpec spec;
        if (!core::itemSpecOf(key, spec)) continue;
        if (key.format == kRingKeyFormat)
            table_.add(std::move(spec), ring_[p]);
        else if (key.format == kEntryKeyFormat && key.second >= 0 && key.second < kShortDialSlots)
            table_.add(std::move(spec), entries_[p][static_cast<std::size_t>(key.second)].item());
    }
}

const PortEntry& ShortDialPage::entry(int port, int slot) const {
    return entries_.at(static_cast<std::size_t>(port)).at(static_cast<std::size_t>(slot));
}

const core::Item<int>& ShortDialPage::specialRing(int port) const {
    return ring_.at(static_cast<std::size_t>(port));
}

// ---- controls ----

const PortEntry* ShortDialPage::entryOf(int controlId) const {
    int offset = controlId - kShortDialEditFirst;
    if (offset < 0 || offset >= portCount_ * kShortDialSlots) return nullptr;
    return &entries_[static_cast<std::size_t>(offset / kShortDialSlots)]
                    [static_cast<std::size_t>(offset % kShortDialSlots)];
}

PortEntry* ShortDialPage::entryOf(int controlId) {
    return const_cast<PortEntry*>(std::as_const(*this).entryOf(controlId));
}

bool ShortDialPage::hasControl(int controlId) const {
    int ring = controlId - kSpecialRingCheckFirst;
    return entryOf(controlId) != nullptr || (ring >= 0 && ring < portCount_) ||
           controlId == kShortDialSendButton;
}

std::string ShortDialPage::text(int controlId) const {
    const PortEntry* e = entryOf(controlId);
    return e != nullptr ? e->displayed() : std::string();
}

bool ShortDialPage::checked(int controlId) const {
    int ring = controlId - kSpecialRingCheckFirst;
    if (ring < 0 || ring >= portCount_) return false;
    return ring_[static_cast<std::size_t>(ring)].edited != 0;
}

bool ShortDialPage::setText(int controlId, std::string_view text) {
    PortEntry* e = entryOf(controlId);
    if (e == nullptr) return false;
    e->setDisplayed(std::string(text));
    lastEdited_ = controlId;
    return true;
}

bool ShortDialPage::setChecked(int controlId, bool on) {
    int ring = controlId - kSpecialRingCheckFirst;
    if (ring < 0 || ring >= portCount_) return false;
    ring_[static_cast<std::size_t>(ring)].edited = on ? 1 : 0;
    return true;
}

int ShortDialPage::nextControl(int controlId) const {
    const int lastEdit = kShortDialEditFirst + portCount_ * kShortDialSlots - 1;
    const int lastRing = kSpecialRingCheckFirst + portCount_ - 1;
    if (controlId >= kShortDialEditFirst && controlId < lastEdit) return controlId + 1;
    if (controlId == lastEdit) return kSpecialRingCheckFirst;
    if (controlId >= kSpecialRingCheckFirst && controlId < lastRing) return controlId + 1;
    if (controlId == lastRing) return kShortDialSendButton;
    return kShortDialEditFirst;
}

// ---- display and commit ----

void ShortDialPage::rederiveAll() {
    core::PortNames names = app_.cache.portNames();
    for (int p = 0; p < portCount_; ++p) {
        for (PortEntry& e : entries_[static_cast<std::size_t>(p)])
            e.rederive(names);
    }
}

void ShortDialPage::commitControls() {
    core::PortNames names = app_.cache.portNames();
    for (int p = 0; p < portCount_; ++p) {
        for (PortEntry& e : entries_[static_cast<std::size_t>(p)])
            e.commit(names);
    }
}

void ShortDialPage::undo(PortEntry& entry, int controlId) {
    entry.discard(app_.cache.portNames());
    ui_.refresh();
    ui_.focus(controlId);
}

// ---- user events ----

void ShortDialPage::fieldChanged(int controlId) {
    PortEntry* e = entryOf(controlId);
    if (e == nullptr) return;
    lastEdited_ = controlId;
    if (core::classify(e->displayed(), app_.cache.portNames()) != kClassInvalid) return;
    ui_.message(core::characterCount(e->displayed()) > kShortDialMaxDigits ? kTextMax15Digits
                                                                           : kTextPhoneNumber);
    undo(*e, controlId);
}

void ShortDialPage::fieldLeft(int controlId) {
    if (entryOf(controlId) == nullptr) return;
    // An incomplete entry goes back silently: the user did not finish it.
    commitControls();
    ui_.refresh();
}

void ShortDialPage::enterOrTab(int focusedControl) {
    PortEntry* e = entryOf(focusedControl);
    if (e != nullptr && e->pending() && halfTyped(e->displayed(), app_.cache.portNames())) {
        undo(*e, focusedControl);
        return;
    }
    commitControls();
    ui_.refresh();
    ui_.focus(nextControl(focusedControl));
}

void ShortDialPage::acceptField() {
    commitControls();
    ui_.refresh();
}

void ShortDialPage::buttonPressed(int controlId) {
    if (controlId != kShortDialSendButton) return;
    if (app_.soundOn) ui_.beep();
    sendAll();
}

// ---- Page ----

void ShortDialPage::readDevice() {
    ui_.setBusy(true);
    table_.read(app_); // a failed query reads as off or as an empty entry
    rederiveAll();
    ui_.refresh();
    ui_.focus(kShortDialEditFirst);
    ui_.setBusy(false);
}

void ShortDialPage::shown() {
    // The MSN page may have renamed a port: the star codes show the new names.
    commitControls();
    ui_.refresh();
}

bool ShortDialPage::hasUnsentChanges() const {
    core::PortNames names = app_.cache.portNames();
    for (int p = 0; p < portCount_; ++p) {
        if (ring_[static_cast<std::size_t>(p)].changed()) return true;
        for (const PortEntry& e : entries_[static_cast<std::size_t>(p)]) {
            if (e.unsentAfterCommit(names)) return true;
        }
    }
    return false;
}

int ShortDialPage::mayLeave() {
    commitControls();
    ui_.refresh();
    return PageBase::mayLeave();
}

void ShortDialPage::sendItems(core::SendMode mode, bool withProgress) {
    ui_.setBusy(true);
    commitControls();
    report_.clear();
    auto progress = [this, withProgress](std::size_t) {
        if (withProgress) host_.progress();
    };
    table_.send(app_, report_, mode, progress);
    ui_.refresh();
    ui_.setBusy(false);
}

void ShortDialPage::send() {
    sendItems(core::SendMode::Changed, false);
}

void ShortDialPage::sendAll() {
    sendItems(core::SendMode::All, false);
}

void ShortDialPage::discard() {
    table_.discardAll();
    rederiveAll();
    ui_.refresh();
}

void ShortDialPage::profileLoad(int selector) {
    table_.load(app_.profiles(), selector, profile::sectionName(Section::ShortDial));
    rederiveAll();
    ui_.refresh();
    sendItems(core::SendMode::All, true);
}

void ShortDialPage::forget() {
    table_.forgetAll();
}

std::vector<std::string> ShortDialPage::unconfirmedItems() const {
    std::vector<std::string> out;
    table_.addUnconfirmed(profile::sectionName(Section::ShortDial), out);
    return out;
}

core::WriteReport ShortDialPage::profileSave(int selector) {
    core::WriteReport report;
    table_.save(app_.profiles(), selector, profile::sectionName(Section::ShortDial), report);
    return report;
}

} // namespace quorvex::telephony
