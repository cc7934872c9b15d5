#include "pages/telephony/msn_page.h"

#include "core/config_app.h"
#include "profile/setting_table.h"

#include <algorithm>
#include <cstdio>
#include <utility>

namespace quorvex::telephony {
namespace {

constexpr std::string_view kSection = profile::sectionName(profile::Section::Msn);
// A name comes back from a profile cut to 49 bytes, so it is never longer.
constexpr std::size_t kMaxNameBytes = 49;

std::string keyOf(const char* format, int a, int b = 0) {
    char key[24];
    std::snprintf(key, sizeof key, format, a, b);
    return key;
}

// text cut to at most max bytes without splitting a UTF-8 sequence.
std::string_view cutUtf8(std::string_view text, std::size_t max) {
    if (text.size() <= max) return text;
    std::size_t end = max;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
        --end;
    return text.substr(0, end);
}

} // namespace

bool validMsn(std::string_view text) {
    if (text.size() > static_cast<std::size_t>(kMsnMaxDigits)) return false;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
    }
    return true;
}

std::string defaultName(int slot) {
    return slot == kDataSlot ? std::string(core::kDefaultDataPortName)
                             : core::defaultPortName(slot);
}

std::vector<MsnItem> msnItems(int portCount) {
    std::vector<MsnItem> items;
    for (int p = 0; p < portCount; ++p)
        items.push_back({MsnField::Name, p, 0, kNameEditFirst + p, keyOf("ALIAS%d", p), false});
    items.push_back({MsnField::Name, kDataSlot, 0, kNameEditFirst + kDataSlot, "ALIASD", false});
    for (int p = 0; p < portCount; ++p) {
        for (int m = 0; m < core::kAnalogMsnCount; ++m) {
            items.push_back(
                {MsnField::Msn, p, m, kMsnEditFirst + 3 * p + m, keyOf("AMSN%d%d", p, m), false});
        }
    }
    for (int p = 0; p < portCount; ++p)
        items.push_back({MsnField::Clip, p, 0, kClipCheckFirst + p, keyOf("ACLIP%d", p), true});
    for (int i = 0; i < core::kDataMsnCount; ++i)
        items.push_back(
            {MsnField::Msn, kDataSlot, i, kDataMsnEditFirst + i, keyOf("DMSN%d", i), true});
    items.push_back({MsnField::Clip, kDataSlot, 0, kClipCheckFirst + kDataSlot, "DCLIP", false});
    return items;
}

MsnPage::MsnPage(core::CConfigApp& app, core::PageUi& ui, core::PageHost& host, int model)
    : PageBase(app, ui, host),
      portCount_((model < 0 ? app.pageModel : model) == 30 ? 3 : core::kMaxAnalogPorts),
      items_(msnItems(portCount_)) {
    // The MSNs and CLIP switches take command, port and index from their
    // setting rows; the names are the program's own.
    const std::vector<profile::KeySpec> keys = profile::keysOf(profile::Section::Msn, portCount_);
    for (const MsnItem& item : items_) {
        if (item.field == MsnField::Name) continue;
        core::ItemSpec spec;
        const auto key = std::find_if(keys.begin(), keys.end(), [&item](const profile::KeySpec& k) {
            return k.name == item.key;
        });
        if (key == keys.end() || !core::itemSpecOf(*key, spec)) continue;
        PortValues& v = values_[static_cast<std::size_t>(item.slot)];
        if (item.field == MsnField::Msn)
            table_.add(std::move(spec), v.msn[static_cast<std::size_t>(item.index)]);
        else
            table_.add(std::move(spec), v.clip);
    }
}

const core::ItemSpec* MsnPage::specOf(const MsnItem& item) const {
    for (std::size_t i = 0; i < table_.size(); ++i) {
        if (table_.spec(i).key == item.key) return &table_.spec(i);
    }
    return nullptr;
}

// ---- the controls ----

const MsnItem* MsnPage::itemOf(int controlId) const {
    for (const MsnItem& item : items_) {
        if (item.controlId == controlId) return &item;
    }
    return nullptr;
}

const core::Item<std::string>* MsnPage::textItem(int controlId) const {
    const MsnItem* item = itemOf(controlId);
    if (item == nullptr || item->field == MsnField::Clip) return nullptr;
    const PortValues& v = values_[static_cast<std::size_t>(item->slot)];
    return item->field == MsnField::Name ? &v.name : &v.msn[static_cast<std::size_t>(item->index)];
}

core::Item<std::string>* MsnPage::textItem(int controlId) {
    return const_cast<core::Item<std::string>*>(std::as_const(*this).textItem(controlId));
}

bool MsnPage::hasControl(int controlId) const {
    return itemOf(controlId) != nullptr;
}

std::string MsnPage::text(int controlId) const {
    const core::Item<std::string>* item = textItem(controlId);
    return item != nullptr ? item->edited : std::string();
}

bool MsnPage::checked(int controlId) const {
    const MsnItem* item = itemOf(controlId);
    if (item == nullptr || item->field != MsnField::Clip) return false;
    return values_[static_cast<std::size_t>(item->slot)].clip.edited != 0;
}

bool MsnPage::setText(int controlId, std::string_view text) {
    const MsnItem* spec = itemOf(controlId);
    core::Item<std::string>* item = textItem(controlId);
    if (item == nullptr) return false;
    item->edited = spec->field == MsnField::Name ? std::string(cutUtf8(text, kMaxNameBytes))
                                                 : std::string(text);
    if (spec->field == MsnField::Msn) lastChangedMsn_ = controlId;
    lastControl_ = controlId;
    return true;
}

bool MsnPage::setChecked(int controlId, bool on) {
    const MsnItem* item = itemOf(controlId);
    if (item == nullptr || item->field != MsnField::Clip) return false;
    values_[static_cast<std::size_t>(item->slot)].clip.edited = on ? 1 : 0;
    lastControl_ = controlId;
    return true;
}

int MsnPage::nextControl(int controlId) const {
    // Reading order: per port its name, MSNs and CLIP box; the data port last.
    std::vector<int> order;
    auto addPort = [&](int slot) {
        for (const MsnItem& item : items_) {
            if (item.slot == slot && item.field == MsnField::Name) order.push_back(item.controlId);
        }
        for (const MsnItem& item : items_) {
            if (item.slot == slot && item.field == MsnField::Msn) order.push_back(item.controlId);
        }
        for (const MsnItem& item : items_) {
            if (item.slot == slot && item.field == MsnField::Clip) order.push_back(item.controlId);
        }
    };
    for (int p = 0; p < portCount_; ++p)
        addPort(p);
    addPort(kDataSlot);
    order.push_back(kMsnSendButton);
    for (std::size_t i = 0; i < order.size(); ++i) {
        if (order[i] == controlId) return order[(i + 1) % order.size()];
    }
    return order.front();
}

bool MsnPage::symbolChosen(int index, int menuCommand) {
    if (!core::PortSymbolRow::present(index, portCount_)) return false;
    core::WriteReport writes;
    bool taken = symbols_.at(index).choose(menuCommand, app_.profiles(), writes);
    if (!writes.ok()) host_.reportWriteFailures(writes);
    return taken;
}

// ---- comparing ----

core::PortState& MsnPage::cached(int slot) {
    return slot == kDataSlot ? app_.cache.data : app_.cache.analog[static_cast<std::size_t>(slot)];
}

bool MsnPage::unsent(const MsnItem& item) {
    const PortValues& v = values_[static_cast<std::size_t>(item.slot)];
    const core::PortState& c = cached(item.slot);
    if (item.field == MsnField::Msn) {
        auto i = static_cast<std::size_t>(item.index);
        return v.msn[i].stale || v.msn[i].edited != c.msn[i];
    }
    if (item.field == MsnField::Clip) return v.clip.stale || (v.clip.edited != 0) != c.clip;
    return false;
}

bool MsnPage::hasUnsentChanges() const {
    for (const MsnItem& item : items_) {
        if (item.field == MsnField::Name &&
            values_[static_cast<std::size_t>(item.slot)].name.changed())
            return true;
    }
    return table_.anyChanged();
}

void MsnPage::forget() {
    table_.forgetAll(); // the names are the program's own
}

std::vector<std::string> MsnPage::unconfirmedItems() const {
    // The names are the program's own, not the device's.
    std::vector<std::string> out;
    table_.addUnconfirmed(kSection, out);
    return out;
}

// ---- page messages ----

void MsnPage::reloadSymbols() {
    symbols_.load(app_.profiles(), core::kDefaultProfile, portCount_);
}

void MsnPage::readDevice() {
    ui_.setBusy(true);
    reloadSymbols();
    for (int slot = 0; slot < kSlotCount; ++slot) {
        PortValues& v = values_[static_cast<std::size_t>(slot)];
        const core::PortState& c = cached(slot);
        for (std::size_t i = 0; i < v.msn.size(); ++i)
            v.msn[i].reset(c.msn[i], c.msnKnown[i]);
        v.clip.reset(c.clip ? 1 : 0, c.clipKnown);
        v.name.reset(c.name.empty() ? defaultName(slot) : c.name, true); // the program's own
    }
    lastChangedMsn_ = 0;
    ui_.refresh();
    ui_.focus(kNameEditFirst);
    ui_.setBusy(false);
}

void MsnPage::shown() {
    ui_.focus(kNameEditFirst);
}

void MsnPage::discard() {
    table_.discardAll();
    for (PortValues& v : values_)
        v.name.discard();
    lastChangedMsn_ = 0;
    ui_.refresh();
}

// ---- user events ----

void MsnPage::fieldChanged(int controlId) {
    const MsnItem* item = itemOf(controlId);
    if (item == nullptr || item->field != MsnField::Msn) return;
    lastChangedMsn_ = controlId;
    core::Item<std::string>* value = textItem(controlId);
    if (validMsn(value->edited)) return;
    ui_.message(kTextMsnInvalid);
    // Back to what the device holds, not to the text before the keystroke.
    value->edited = cached(item->slot).msn[static_cast<std::size_t>(item->index)];
    ui_.refresh();
    ui_.focus(controlId);
}

void MsnPage::fieldLeft(int controlId) {
    if (hasControl(controlId)) lastControl_ = controlId;
}

bool MsnPage::revertInvalidMsn() {
    const MsnItem* item = itemOf(lastChangedMsn_);
    if (item == nullptr) return false;
    core::Item<std::string>* value = textItem(lastChangedMsn_);
    if (validMsn(value->edited)) return false;
    value->edited = cached(item->slot).msn[static_cast<std::size_t>(item->index)];
    ui_.refresh();
    return true;
}

void MsnPage::enterOrTab(int focusedControl) {
    if (revertInvalidMsn()) return;
    int next = nextControl(focusedControl);
    if (hasControl(next)) lastControl_ = next;
    ui_.focus(next);
}

void MsnPage::acceptField() {
    revertInvalidMsn();
}

// ---- sending ----

core::SendOutcome MsnPage::sendItem(const MsnItem& item) {
    PortValues& v = values_[static_cast<std::size_t>(item.slot)];
    core::PortState& c = cached(item.slot);
    const core::ItemSpec* spec = specOf(item);
    if (spec == nullptr) return core::SendOutcome::Failed;
    DRVPARAM record = core::makeRecord(spec->port, spec->index, core::kOpSet);
    if (item.field == MsnField::Msn) {
        // validMsn() holds, so the at most 15 digits always fit.
        core::setFieldText(record.szText, v.msn[static_cast<std::size_t>(item.index)].edited);
    } else {
        record.bFlag = v.clip.edited != 0 ? 1 : 0;
    }
    core::SendOutcome outcome = core::sendOutcome(app_.SendDrvCmd(spec->code, &record), record);
    report_.add(record, outcome);
    if (outcome != core::SendOutcome::Done) return outcome;
    if (item.field == MsnField::Msn) {
        auto i = static_cast<std::size_t>(item.index);
        v.msn[i].confirm();
        c.msn[i] = v.msn[i].edited;
        c.msnKnown[i] = true;
    } else {
        v.clip.confirm();
        c.clip = v.clip.edited != 0;
        c.clipKnown = true;
    }
    return outcome;
}

void MsnPage::storeNames() {
    for (const MsnItem& item : items_) {
        if (item.field != MsnField::Name) continue;
        core::Item<std::string>& name = values_[static_cast<std::size_t>(item.slot)].name;
        std::string standard = defaultName(item.slot);
        if (name.edited.empty()) name.edited = standard;
        // The default name is stored as the empty text, so a profile stays
        // free of it and a later default still applies.
        lastWrites_.write(app_.profiles(), core::kDefaultProfile, kSection, item.key,
                          name.edited == standard ? std::string() : name.edited);
        cached(item.slot).name = name.edited;
        name.confirm();
    }
}

void MsnPage::sendItems(core::SendMode mode, bool withProgress) {
    report_.clear();
    lastWrites_ = core::WriteReport();
    acceptField();
    bool invalidSkipped = false;
    for (const MsnItem& item : items_) {
        if (item.field == MsnField::Name) continue;
        bool sent = false;
        if (mode == core::SendMode::All || unsent(item)) {
            const std::string* msn = item.field == MsnField::Msn
                                         ? &values_[static_cast<std::size_t>(item.slot)]
                                                .msn[static_cast<std::size_t>(item.index)]
                                                .edited
                                         : nullptr;
            if (msn != nullptr && !validMsn(*msn)) {
                // Only a profile can bring such a text: it never reaches the device.
                report_.addUnsent(item.key + "=" + *msn);
                invalidSkipped = true;
            } else {
                sendItem(item);
                sent = true;
            }
        }
        if (withProgress && (sent || item.progressAlways)) host_.progress();
    }
    if (invalidSkipped) ui_.message(kTextMsnInvalid);
    storeNames();
    symbols_.save(app_.profiles(), core::kDefaultProfile, portCount_, lastWrites_);
    ui_.refresh();
    host_.msnChanged();
    if (!lastWrites_.ok()) host_.reportWriteFailures(lastWrites_);
}

void MsnPage::send() {
    sendItems(core::SendMode::Changed, false);
}

// ---- profiles ----

void MsnPage::profileLoad(int selector) {
    core::ProfileStore& store = app_.profiles();
    symbols_.load(store, selector, portCount_);
    for (const MsnItem& item : items_) {
        if (item.field != MsnField::Name) continue;
        std::string name = store.readString(selector, kSection, item.key, "");
        values_[static_cast<std::size_t>(item.slot)].name.edited =
            name.empty() ? defaultName(item.slot) : name;
    }
    table_.load(store, selector, kSection);
    lastChangedMsn_ = 0;
    ui_.refresh();
    // A loaded profile rewrites every MSN and CLIP switch of the device, even
    // where the cache says the device already holds the value. The cache is
    // left alone: other pages read it, and a failed item must keep the value
    // the device really holds.
    sendItems(core::SendMode::All, true);
}

core::WriteReport MsnPage::profileSave(int selector) {
    core::WriteReport report;
    core::ProfileStore& store = app_.profiles();
    symbols_.save(store, selector, portCount_, report);
    for (const MsnItem& item : items_) {
        if (item.field != MsnField::Name) continue;
        const std::string& name = cached(item.slot).name;
        report.write(store, selector, kSection, item.key,
                     name != defaultName(item.slot) ? name : std::string());
    }
    table_.save(store, selector, kSection, report);
    return report;
}

} // namespace quorvex::telephony
