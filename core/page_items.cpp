#include "core/page_items.h"

#include "core/clock_time.h"
#include "core/config_app.h"
#include "core/device_cache.h"

#include <algorithm>
#include <cstdio>

namespace quorvex::core {

DRVPARAM makeRecord(int32_t port, int32_t index, int32_t op) {
    DRVPARAM record{};
    record.nPort = port;
    record.nIndex = index;
    record.nOp = op;
    return record;
}

namespace {

// The port time of a reply (its hour and minute bytes) as "HH:MM".
std::string clockText(const DRVPARAM& r) {
    const auto byteAt = [&](std::size_t i) { return static_cast<unsigned char>(r.szText[i]); };
    char buffer[24];
    std::snprintf(buffer, sizeof buffer, "%02d:%02d", byteAt(2), byteAt(3));
    return buffer;
}

} // namespace

SendOutcome sendOutcome(int32_t result, const DRVPARAM& r) {
    if (result != 0) return SendOutcome::Failed;
    return r.bOk == 1 ? SendOutcome::Done : SendOutcome::NotAcknowledged;
}

std::string_view reportWord(ReportOutcome outcome) {
    switch (outcome) {
    case ReportOutcome::Ok:
        return "OK";
    case ReportOutcome::Fail:
        return "FAIL";
    case ReportOutcome::NotGood:
        return "NG";
    case ReportOutcome::On:
        return "ON";
    case ReportOutcome::Off:
        return "OFF";
    case ReportOutcome::NotSubscribed:
        return "2:NS";
    case ReportOutcome::Unknown:
        return "3:UK";
    }
    return "FAIL";
}

bool refused(ReportOutcome outcome) {
    return outcome == ReportOutcome::Fail || outcome == ReportOutcome::NotGood ||
           outcome == ReportOutcome::NotSubscribed || outcome == ReportOutcome::Unknown;
}

void SendReport::add(const DRVPARAM& record, SendOutcome outcome) {
    if (outcome == SendOutcome::Done) add(fieldText(record.szCmd), ReportOutcome::Ok);
    if (outcome == SendOutcome::Failed) add(fieldText(record.szCmd), ReportOutcome::Fail);
}

void SendReport::add(std::string command, ReportOutcome outcome) {
    entries_.push_back(ReportEntry{std::move(command), outcome, true});
}

void SendReport::addUnsent(std::string standIn, ReportOutcome outcome) {
    entries_.push_back(ReportEntry{std::move(standIn), outcome, false});
}

std::string SendReport::text() const {
    std::string out;
    for (const ReportEntry& e : entries_) {
        out += e.command;
        out += ',';
        out += reportWord(e.outcome);
        out += '\n';
    }
    return out;
}

namespace {

// The fields that carry a number an Item<int> holds as it is.
bool numeric(ValueField field) {
    return field == ValueField::Number || field == ValueField::Index || field == ValueField::Aux;
}

// A number the device answered (ok) or a file gave, as the item takes it.
int numberTaken(const ItemSpec& spec, bool ok, int value) {
    if (!spec.defaultStands) return ok ? std::clamp(value, spec.minValue, spec.maxValue) : 0;
    return ok && value >= spec.minValue && value <= spec.maxValue ? value : spec.loadDefault;
}

} // namespace

void recordPlaceOf(const profile::KeySpec& key, int32_t& port, int32_t& index) {
    const profile::Setting& row = *key.setting;
    const auto analog = [](int p) {
        return p >= 0 && p < kMaxAnalogPorts ? kAnalogPortNumbers[static_cast<std::size_t>(p)]
                                             : kDataPortNumber;
    };
    switch (row.port) {
    case profile::PortForm::Fixed:
        port = row.fixedPort;
        break;
    case profile::PortForm::AnalogPort:
    case profile::PortForm::PortOrData:
        port = analog(key.first);
        break;
    case profile::PortForm::DayType:
        port = key.dayType == 'S' ? 1 : 0;
        break;
    }
    switch (row.index) {
    case profile::IndexForm::Zero:
        index = 0;
        break;
    case profile::IndexForm::First:
        index = key.first;
        break;
    case profile::IndexForm::Second:
        index = key.second;
        break;
    }
}

bool itemSpecOf(const profile::KeySpec& key, ItemSpec& out) {
    using profile::RecordField;
    const profile::Setting* row = key.setting;
    if (row == nullptr || row->command == 0) return false;
    ItemSpec spec;
    switch (row->field) {
    case RecordField::Flag:
        spec.field = ValueField::Flag;
        break;
    case RecordField::Number:
        spec.field = ValueField::Number;
        break;
    case RecordField::Text:
        spec.field = ValueField::Text;
        break;
    case RecordField::Time:
        spec.field = ValueField::Time;
        break;
    case RecordField::Index:
        spec.field = ValueField::Index;
        break;
    case RecordField::Aux:
        spec.field = ValueField::Aux;
        break;
    default:
        return false;
    }
    spec.code = row->command;
    recordPlaceOf(key, spec.port, spec.index);
    spec.key = key.name;
    spec.loadDefault = key.numberDefault;
    spec.textDefault = std::string(key.textDefault);
    if (numeric(spec.field)) {
        spec.minValue = key.minValue;
        spec.maxValue = key.maxValue;
    }
    spec.inverted = row->inverted;
    spec.aux = row->aux;
    out = std::move(spec);
    return true;
}

void ItemTable::add(ItemSpec spec, Item<int>& value) {
    entries_.push_back(Entry{std::move(spec), &value, nullptr, nullptr});
}

void ItemTable::add(ItemSpec spec, Item<bool>& value) {
    entries_.push_back(Entry{std::move(spec), nullptr, &value, nullptr});
}

void ItemTable::add(ItemSpec spec, Item<std::string>& value) {
    entries_.push_back(Entry{std::move(spec), nullptr, nullptr, &value});
}

bool ItemTable::anyChanged(const Only& only) const {
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        const Entry& e = entries_[i];
        if (only && !only(i)) continue;
        if (e.visit([](const auto& item) { return item.changed(); })) return true;
    }
    return false;
}

bool ItemTable::anyMarked() const {
    for (const Entry& e : entries_) {
        if (e.visit([](const auto& item) { return item.mark; })) return true;
    }
    return false;
}

void ItemTable::discardAll() {
    for (Entry& e : entries_)
        e.visit([](auto& item) { item.discard(); });
}

void ItemTable::confirmAll() {
    for (Entry& e : entries_)
        e.visit([](auto& item) { item.confirm(); });
}

void ItemTable::forgetAll() {
    for (Entry& e : entries_)
        e.visit([](auto& item) { item.forget(); });
}

void ItemTable::read(CConfigApp& app, std::size_t first, std::size_t last,
                     const std::function<void(std::size_t)>& afterEach) {
    for (std::size_t i = first; i < last && i < entries_.size(); ++i) {
        Entry& e = entries_[i];
        const bool time = e.spec.field == ValueField::Time;
        DRVPARAM record = makeRecord(e.spec.port, e.spec.index, time ? kOpTimeQuery : kOpQuery);
        if (e.spec.aux != 0) drv_set_aux(&record, e.spec.aux);
        bool ok = queryDone(app.SendDrvCmd(e.spec.code, &record), record);
        switch (e.spec.field) {
        case ValueField::Flag: {
            // An inverted flag reads as on only when the device really said
            // off; a failed query reads as off either way.
            const bool on = ok && (record.bFlag != 0) != e.spec.inverted;
            if (e.flag != nullptr)
                e.flag->reset(on, ok);
            else
                e.number->reset(on ? 1 : 0, ok);
            break;
        }
        case ValueField::Number:
            e.number->reset(numberTaken(e.spec, ok, record.nValue), ok);
            break;
        case ValueField::Index:
            e.number->reset(numberTaken(e.spec, ok, record.nIndex), ok);
            break;
        case ValueField::Aux:
            e.number->reset(numberTaken(e.spec, ok, drv_get_aux(&record)), ok);
            break;
        case ValueField::Text:
            e.text->reset(ok ? fieldText(record.szText) : std::string(), ok);
            break;
        case ValueField::Time:
            e.text->reset(ok ? clockText(record) : std::string(), ok);
            break;
        }
        if (afterEach) afterEach(i);
    }
}

int ItemTable::send(CConfigApp& app, SendReport& report, SendMode mode,
                    const std::function<void(std::size_t)>& afterEach, const Only& only) {
    int failures = 0;
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        Entry& e = entries_[i];
        if (only && !only(i)) continue;
        if (mode == SendMode::Changed && !e.visit([](const auto& item) { return item.changed(); }))
            continue;
        if (mode == SendMode::Marked && !e.visit([](const auto& item) { return item.mark; }))
            continue;
        const bool time = e.spec.field == ValueField::Time;
        DRVPARAM record = makeRecord(e.spec.port, e.spec.index, time ? kOpTimeSet : kOpSet);
        if (e.spec.aux != 0) drv_set_aux(&record, e.spec.aux);
        std::string unsent; // what stands for a value that cannot be sent
        int hour = 0;
        int minute = 0;
        switch (e.spec.field) {
        case ValueField::Flag:
            record.bFlag = (e.editedNumber() != 0) != e.spec.inverted ? 1 : 0;
            break;
        case ValueField::Number:
            record.nValue = e.number->edited;
            break;
        case ValueField::Index:
            record.nIndex = e.number->edited;
            break;
        case ValueField::Aux:
            drv_set_aux(&record, e.number->edited);
            break;
        case ValueField::Text:
            if (!setFieldText(record.szText, e.text->edited))
                unsent = "(too long) " + e.text->edited;
            break;
        case ValueField::Time:
            // Sent as the device's "HH:MM", which the edited copy becomes.
            if (ParseClockTime(e.text->edited, hour, minute))
                drv_set_port_time(&record, hour, minute);
            else
                unsent = "(time " + e.text->edited + ")";
            break;
        }
        SendOutcome outcome = SendOutcome::Failed;
        if (unsent.empty()) {
            outcome = sendOutcome(app.SendDrvCmd(e.spec.code, &record), record);
            report.add(record, outcome);
        } else {
            report.addUnsent(std::move(unsent));
        }
        if (outcome == SendOutcome::Done)
            e.visit([](auto& item) { item.confirm(); });
        else
            ++failures;
        if (afterEach) afterEach(i);
    }
    return failures;
}

std::string itemName(std::string_view section, std::string_view key) {
    std::string name(section);
    name += '/';
    name += key;
    return name;
}

std::string listItems(const std::vector<std::string>& items) {
    std::string text;
    for (std::size_t i = 0; i < items.size() && i < kListedItems; ++i)
        text += "  " + items[i] + "\n";
    if (items.size() > kListedItems)
        text += "  ... (" + std::to_string(items.size() - kListedItems) + " more)\n";
    return text;
}

void ItemTable::saveInOrderOf(const std::vector<profile::KeySpec>& keys) {
    saveOrder_.clear();
    std::vector<bool> placed(entries_.size(), false);
    for (const profile::KeySpec& key : keys) {
        for (std::size_t i = 0; i < entries_.size(); ++i) {
            if (!placed[i] && entries_[i].spec.key == key.name) {
                saveOrder_.push_back(i);
                placed[i] = true;
            }
        }
    }
    for (std::size_t i = 0; i < entries_.size(); ++i)
        if (!placed[i]) saveOrder_.push_back(i);
}

std::vector<std::size_t> ItemTable::inSaveOrder() const {
    if (saveOrder_.size() == entries_.size()) return saveOrder_;
    std::vector<std::size_t> order(entries_.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    return order;
}

void ItemTable::addUnconfirmed(std::string_view section, std::vector<std::string>& out,
                               const Only& only) const {
    for (const std::size_t i : inSaveOrder()) {
        const Entry& e = entries_[i];
        if (only && !only(i)) continue;
        const bool known = e.visit([](const auto& item) { return item.known; });
        if (!e.spec.key.empty() && !known) out.push_back(itemName(section, e.spec.key));
    }
}

void ItemTable::load(ProfileStore& store, int selector, std::string_view section) {
    for (Entry& e : entries_) {
        if (e.spec.key.empty()) continue;
        switch (e.spec.field) {
        case ValueField::Flag: {
            const bool on = store.readInt(selector, section, e.spec.key, e.spec.loadDefault) != 0;
            if (e.flag != nullptr)
                e.flag->edited = on;
            else
                e.number->edited = on ? 1 : 0;
            break;
        }
        case ValueField::Number:
        case ValueField::Index:
        case ValueField::Aux:
            e.number->edited = numberTaken(
                e.spec, true, store.readInt(selector, section, e.spec.key, e.spec.loadDefault));
            break;
        case ValueField::Text:
        case ValueField::Time:
            e.text->edited = store.readString(selector, section, e.spec.key, e.spec.textDefault);
            break;
        }
    }
}

void ItemTable::save(ProfileStore& store, int selector, std::string_view section,
                     WriteReport& report, const Only& only) const {
    saveWhere(store, selector, section, report, false, only);
}

void ItemTable::saveVouched(ProfileStore& store, int selector, std::string_view section,
                            WriteReport& report) const {
    saveWhere(store, selector, section, report, true, {});
}

void ItemTable::saveWhere(ProfileStore& store, int selector, std::string_view section,
                          WriteReport& report, bool vouchedOnly, const Only& only) const {
    for (const std::size_t i : inSaveOrder()) {
        const Entry& e = entries_[i];
        if (e.spec.key.empty() || (only && !only(i))) continue;
        if (vouchedOnly && !e.visit([](const auto& item) { return item.known && !item.mark; }))
            continue;
        std::string value;
        switch (e.spec.field) {
        case ValueField::Flag:
            value.push_back(e.confirmedNumber() != 0 ? '1' : '0');
            break;
        case ValueField::Number:
        case ValueField::Index:
        case ValueField::Aux:
            value = std::to_string(e.number->confirmed);
            break;
        case ValueField::Text:
        case ValueField::Time:
            value = e.text->confirmed;
            break;
        }
        report.write(store, selector, section, e.spec.key, value);
    }
}

} // namespace quorvex::core
