#include "pages/telephony/filter_page.h"

#include "pages/telephony/port_entry.h"

#include "app/config_app.h"
#include "maintenance/detection.h"
#include "profile/sections.h"

#include <algorithm>

namespace quorvex::telephony {
namespace {

constexpr std::string_view kSection = "FILTER_DIV";
constexpr int kInvalidEntryText = 9000;

// Driver port of a filter column: the analog port's number, 0 for the data port.
int32_t columnPort(int column) {
    return column < app::kMaxAnalogPorts ? app::kAnalogPortNumbers[static_cast<std::size_t>(column)]
                                         : app::kDataPortNumber;
}

const std::string& emptyText() {
    static const std::string empty;
    return empty;
}

} // namespace

FilterPage::FilterPage(app::CConfigApp& app, app::PageUi& ui, app::PageHost& host)
    : FilterPage(app, ui, host, maintenance::portCountFor(app.pageModel)) {}

FilterPage::FilterPage(app::CConfigApp& app, app::PageUi& ui, app::PageHost& host, int portCount)
    : PageBase(app, ui, host), portCount_(std::clamp(portCount, 0, app::kMaxAnalogPorts)) {
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
        int32_t port = columnPort(key.first);
        if (key.second < 0) {
            table_.add(
                {DRV_FILTER, port, 0, app::ValueField::Flag, key.name, key.numberDefault, ""},
                column.active);
        } else if (key.second < kFilterSlots) {
            table_.add({DRV_FILTERNUM, port, key.second, app::ValueField::Text, key.name, 0,
                        std::string(key.textDefault)},
                       column.entries[static_cast<std::size_t>(key.second)].value);
        }
    }
}

// The entry number (10 column + slot) of an edit control, -1 when this model has no such field.
int FilterPage::entryNumber(int controlId) const {
    int n = controlId - kFilterEntryControl;
    if (n < 0 || n >= kFilterColumns * kFilterSlots || !columnExists(n / kFilterSlots)) return -1;
    return n;
}

FilterPage::Entry* FilterPage::entryOf(int controlId) {
    int n = entryNumber(controlId);
    if (n < 0) return nullptr;
    return &columns_[static_cast<std::size_t>(n / kFilterSlots)]
                .entries[static_cast<std::size_t>(n % kFilterSlots)];
}

const FilterPage::Entry* FilterPage::entryOf(int controlId) const {
    int n = entryNumber(controlId);
    if (n < 0) return nullptr;
    return &columns_[static_cast<std::size_t>(n / kFilterSlots)]
                .entries[static_cast<std::size_t>(n % kFilterSlots)];
}

void FilterPage::refreshNames() {
    const app::DeviceCache& cache = app_.cache;
    for (std::size_t p = 0; p < cache.analog.size(); ++p) {
        names_[p] = cache.analog[p].name.empty() ? app::defaultPortName(static_cast<int>(p))
                                                 : cache.analog[p].name;
    }
    names_[kFilterDataColumn] =
        cache.data.name.empty() ? std::string(app::kDefaultDataPortName) : cache.data.name;
}

PortNames FilterPage::classifierNames() const {
    PortNames names;
    std::copy_n(names_.begin(), names.size(), names.begin());
    return names;
}

void FilterPage::refreshDisplay() {
    PortNames names = classifierNames();
    for (Column& column : columns_) {
        for (Entry& entry : column.entries)
            entry.shown = displayText(entry.value.edited, names);
    }
}

// The value a commit of the entry stores. A star code whose field still shows
// its port's name keeps its code, so that of two ports with the same name the
// second's code never turns into the first's.
std::string FilterPage::committedValue(const Entry& entry, const PortNames& names) const {
    const std::string& stored = entry.value.edited;
    int kind = classify(stored, names);
    if (kind >= 8 && kind <= 12 && entry.shown == displayText(stored, names)) return stored;
    return storedValue(entry.shown, names);
}

void FilterPage::commit(Entry& entry) {
    PortNames names = classifierNames();
    entry.value.edited = committedValue(entry, names);
    entry.shown = displayText(entry.value.edited, names);
}

void FilterPage::acceptField() {
    for (int c = 0; c < kFilterColumns; ++c) {
        if (!columnExists(c)) continue;
        for (Entry& entry : columns_[static_cast<std::size_t>(c)].entries)
            commit(entry);
    }
}

bool FilterPage::hasUnsentChanges() const {
    PortNames names = classifierNames();
    for (int c = 0; c < kFilterColumns; ++c) {
        if (!columnExists(c)) continue;
        const Column& column = columns_[static_cast<std::size_t>(c)];
        if (column.active.changed()) return true;
        for (const Entry& entry : column.entries) {
            if (committedValue(entry, names) != entry.value.confirmed) return true;
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

void FilterPage::sendItems(app::SendMode mode) {
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
    sendItems(app::SendMode::Changed);
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
    sendItems(app::SendMode::All);
    loading_ = false;
}

std::vector<std::string> FilterPage::unconfirmedItems() const {
    std::vector<std::string> out;
    table_.addUnconfirmed(kSection, out);
    return out;
}

app::WriteReport FilterPage::profileSave(int selector) {
    app::WriteReport report;
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
    const Entry* entry = entryOf(controlId);
    return entry != nullptr ? entry->shown : emptyText();
}

void FilterPage::setText(int controlId, std::string text) {
    if (Entry* entry = entryOf(controlId)) entry->shown = std::move(text);
}

bool FilterPage::textChanged(int controlId, std::string text) {
    Entry* entry = entryOf(controlId);
    if (entry == nullptr) return false;
    entry->shown = std::move(text);
    currentField_ = controlId;
    if (classify(entry->shown, classifierNames()) != 0) return true; // incomplete is fine
    ui_.message(kInvalidEntryText);
    entry->value.discard();
    entry->shown = displayText(entry->value.edited, classifierNames());
    ui_.refresh();
    ui_.focus(controlId);
    return false;
}

void FilterPage::fieldChanged(int controlId) {
    const Entry* entry = entryOf(controlId);
    if (entry != nullptr) textChanged(controlId, entry->shown);
}

void FilterPage::enterOrTab() {
    Entry* entry = entryOf(currentField_);
    if (entry != nullptr) commit(*entry);
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
    app::Item<int>& active = columns_[static_cast<std::size_t>(column)].active;
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
        .value.edited;
}

const std::string& FilterPage::confirmed(int column, int slot) const {
    if (!columnExists(column) || slot < 0 || slot >= kFilterSlots) return emptyText();
    return columns_[static_cast<std::size_t>(column)]
        .entries[static_cast<std::size_t>(slot)]
        .value.confirmed;
}

} // namespace quorvex::telephony
