#include "pages/telephony/filter_page.h"

#include "core/config_app.h"
#include "core/detection.h"
#include "profile/sections.h"

#include <algorithm>

namespace quorvex::telephony {
namespace {

constexpr std::string_view kSection = profile::sectionName(profile::Section::Filter);

const std::string& emptyText() {
    static const std::string empty;
    return empty;
}

} // namespace

FilterPage::FilterPage(core::CConfigApp& app, core::PageUi& ui, core::PageHost& host)
    : FilterPage(app, ui, host, core::portCountFor(app.pageModel)) {}

FilterPage::FilterPage(core::CConfigApp& app, core::PageUi& ui, core::PageHost& host, int portCount)
    : PageBase(app, ui, host), portCount_(std::clamp(portCount, 0, core::kMaxAnalogPorts)) {
    buildTable();
    refreshNames();
}

bool FilterPage::columnExists(int column) const {
    return (column >= 0 && column < portCount_) || column == kFilterDataColumn;
}

// One table, in the order of the profile keys, which is also the device's
// order: the switches of every existing column, then the entries of the
// analog columns and last the data column.
void FilterPage::buildTable() {
    for (const profile::KeySpec& key : profile::keysOf(profile::Section::Filter, portCount_)) {
        if (!columnExists(key.first)) continue;
        Column& column = columns_[static_cast<std::size_t>(key.first)];
        core::ItemSpec spec;
        if (!core::itemSpecOf(key, spec)) continue;
        if (key.second < 0)
            table_.add(std::move(spec), column.active);
        else if (key.second < kFilterSlots)
            table_.add(std::move(spec),
                       column.entries[static_cast<std::size_t>(key.second)].item());
    }
}

// The entry number (10 column + slot) of an edit control, -1 when this model has no such field.
int FilterPage::entryNumber(int controlId) const {
    int n = controlId - kFilterEntryControl;
    if (n < 0 || n >= kFilterColumns * kFilterSlots || !columnExists(n / kFilterSlots)) return -1;
    return n;
}

PortEntry* FilterPage::entryOf(int controlId) {
    int n = entryNumber(controlId);
    if (n < 0) return nullptr;
    return &columns_[static_cast<std::size_t>(n / kFilterSlots)]
                .entries[static_cast<std::size_t>(n % kFilterSlots)];
}

const PortEntry* FilterPage::entryOf(int controlId) const {
    int n = entryNumber(controlId);
    if (n < 0) return nullptr;
    return &columns_[static_cast<std::size_t>(n / kFilterSlots)]
                .entries[static_cast<std::size_t>(n % kFilterSlots)];
}

void FilterPage::refreshNames() {
    const core::DeviceCache& cache = app_.cache;
    for (std::size_t p = 0; p < cache.analog.size(); ++p) {
        names_[p] = cache.analog[p].name.empty() ? core::defaultPortName(static_cast<int>(p))
                                                 : cache.analog[p].name;
    }
    names_[kFilterDataColumn] =
        cache.data.name.empty() ? std::string(core::kDefaultDataPortName) : cache.data.name;
}

core::PortNames FilterPage::classifierNames() const {
    core::PortNames names;
    std::copy_n(names_.begin(), names.size(), names.begin());
    return names;
}

void FilterPage::refreshDisplay() {
    core::PortNames names = classifierNames();
    for (Column& column : columns_) {
        for (PortEntry& entry : column.entries)
            entry.rederive(names);
    }
}

void FilterPage::acceptField() {
    core::PortNames names = classifierNames();
    for (int c = 0; c < kFilterColumns; ++c) {
        if (!columnExists(c)) continue;
        for (PortEntry& entry : columns_[static_cast<std::size_t>(c)].entries)
            entry.commit(names);
    }
}

bool FilterPage::hasUnsentChanges() const {
    core::PortNames names = classifierNames();
    for (int c = 0; c < kFilterColumns; ++c) {
        if (!columnExists(c)) continue;
        const Column& column = columns_[static_cast<std::size_t>(c)];
        if (column.active.changed()) return true;
        for (const PortEntry& entry : column.entries) {
            if (entry.unsentAfterCommit(names)) return true;
        }
    }
    return false;
}

// ---- device ----

void FilterPage::readDevice() {
    ui_.setBusy(true);
    table_.read(app_);
    refreshNames();
    refreshDisplay();
    ui_.refresh();
    ui_.setBusy(false);
}

void FilterPage::sendItems(core::SendMode mode) {
    ui_.setBusy(true);
    acceptField();
    report_.clear();
    // An item counts only with result 0 and the device's OK: a device that
    // answers without "OK" has refused the entry.
    table_.send(app_, report_, mode, [this](std::size_t) {
        if (loading_) host_.progress();
    });
    refreshDisplay();
    ui_.refresh();
    ui_.setBusy(false);
}

void FilterPage::send() {
    sendItems(core::SendMode::Changed);
}

void FilterPage::discard() {
    table_.discardAll();
    refreshDisplay();
    ui_.refresh();
}

// ---- profile ----

void FilterPage::profileLoad(int selector) {
    table_.load(app_.profiles(), selector, kSection);
    refreshNames();
    refreshDisplay();
    ui_.refresh();
    loading_ = true;
    sendItems(core::SendMode::All);
    loading_ = false;
}

void FilterPage::forget() {
    table_.forgetAll();
}

std::vector<std::string> FilterPage::unconfirmedItems() const {
    std::vector<std::string> out;
    table_.addUnconfirmed(kSection, out);
    return out;
}

core::WriteReport FilterPage::profileSave(int selector) {
    core::WriteReport report;
    table_.save(app_.profiles(), selector, kSection, report);
    return report;
}

// ---- widget ----

void FilterPage::shown() {
    refreshNames();
    refreshDisplay();
    ui_.refresh();
    currentField_ = kFilterEntryControl;
    ui_.focus(kFilterEntryControl);
}

const std::string& FilterPage::text(int controlId) const {
    const PortEntry* entry = entryOf(controlId);
    return entry != nullptr ? entry->displayed() : emptyText();
}

void FilterPage::setText(int controlId, std::string text) {
    if (PortEntry* entry = entryOf(controlId)) entry->setDisplayed(std::move(text));
}

bool FilterPage::textChanged(int controlId, std::string text) {
    PortEntry* entry = entryOf(controlId);
    if (entry == nullptr) return false;
    entry->setDisplayed(std::move(text));
    currentField_ = controlId;
    // Incomplete is fine while typing ("*" on the way to "*21").
    if (core::classify(entry->displayed(), classifierNames()) != kClassInvalid) return true;
    ui_.message(kTextPhoneNumber);
    entry->discard(classifierNames());
    ui_.refresh();
    ui_.focus(controlId);
    return false;
}

void FilterPage::fieldChanged(int controlId) {
    const PortEntry* entry = entryOf(controlId);
    if (entry != nullptr) textChanged(controlId, entry->displayed());
}

void FilterPage::enterOrTab() {
    // A half-typed entry goes back to its confirmed value; the focus moves on.
    PortEntry* entry = entryOf(currentField_);
    if (entry != nullptr) entry->commit(classifierNames());
    // The next existing field, wrapping round after the data column.
    int n = currentField_ - kFilterEntryControl;
    for (int step = 1; step <= kFilterColumns * kFilterSlots; ++step) {
        int next = (n + step) % (kFilterColumns * kFilterSlots);
        if (next < 0) next = 0;
        if (columnExists(next / kFilterSlots)) {
            currentField_ = kFilterEntryControl + next;
            break;
        }
    }
    ui_.refresh();
    ui_.focus(currentField_);
}

bool FilterPage::active(int column) const {
    return columnExists(column) && columns_[static_cast<std::size_t>(column)].active.edited != 0;
}

bool FilterPage::toggleActive(int controlId) {
    int column = controlId - kFilterActiveControl;
    if (!columnExists(column)) return false;
    core::Item<int>& active = columns_[static_cast<std::size_t>(column)].active;
    active.edited = active.edited != 0 ? 0 : 1;
    return true;
}

std::string FilterPage::portName(int column) const {
    if (!columnExists(column)) return std::string();
    return names_[static_cast<std::size_t>(column)];
}

const std::string& FilterPage::stored(int column, int slot) const {
    if (!columnExists(column) || slot < 0 || slot >= kFilterSlots) return emptyText();
    return columns_[static_cast<std::size_t>(column)]
        .entries[static_cast<std::size_t>(slot)]
        .stored();
}

const std::string& FilterPage::confirmed(int column, int slot) const {
    if (!columnExists(column) || slot < 0 || slot >= kFilterSlots) return emptyText();
    return columns_[static_cast<std::size_t>(column)]
        .entries[static_cast<std::size_t>(slot)]
        .confirmed();
}

} // namespace quorvex::telephony
