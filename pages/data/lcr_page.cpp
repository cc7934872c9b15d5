#include "pages/data/lcr_page.h"

#include "core/config_app.h"
#include "pages/data/providers.h"
#include "profile/sections.h"

#include <cstdio>

namespace quorvex::data {

namespace {

using core::fieldText;
using core::kOpClear;
using core::kOpQuery;
using core::kOpSet;
using core::makeRecord;
using core::queryDone;
using core::setFieldText;

constexpr std::string_view kSection = profile::sectionName(profile::Section::Lcr);
constexpr int kMsgHour = 9016;
constexpr int kMsgPredial = 9010;
constexpr int kMaxDigits = 5;

// Where each LCR_DIV key lives in the tables.
enum class Row { Activation, Band, Range };
struct KeyPlace {
    std::string_view format;
    Row row;
    int field; // BandField or RangeField
};
constexpr KeyPlace kKeyPlaces[] = {
    {"LCRACT", Row::Activation, 0},
    {"LCPFRM_%s%d", Row::Band, int(BandField::From)},
    {"LCPTO_%s%d", Row::Band, int(BandField::Till)},
    {"PREDIAL%s%d", Row::Band, int(BandField::Predial)},
    {"PROVIDER%s%d", Row::Band, int(BandField::Provider)},
    {"LOCALCALL%s%d", Row::Band, int(BandField::Local)},
    {"ITEMACT%s%d", Row::Band, int(BandField::Active)},
    {"EPNFRM%s%d", Row::Range, int(RangeField::From)},
    {"EPNTO%s%d", Row::Range, int(RangeField::To)},
    {"EPNACT%s%d", Row::Range, int(RangeField::Active)},
};

// The commands that carry the section's keys, as their setting rows name them.
struct LcrCommands {
    uint16_t activation, hours, predial, local, bandActive, range, rangeActive;
};
uint16_t commandOf(Row row, int field) {
    for (const KeyPlace& place : kKeyPlaces) {
        if (place.row != row || place.field != field) continue;
        const profile::Setting* setting = profile::settingOf(profile::Section::Lcr, place.format);
        return setting != nullptr ? setting->command : uint16_t{0};
    }
    return 0;
}
const LcrCommands& commands() {
    static const LcrCommands c{commandOf(Row::Activation, 0),
                               commandOf(Row::Band, int(BandField::From)),
                               commandOf(Row::Band, int(BandField::Predial)),
                               commandOf(Row::Band, int(BandField::Local)),
                               commandOf(Row::Band, int(BandField::Active)),
                               commandOf(Row::Range, int(RangeField::From)),
                               commandOf(Row::Range, int(RangeField::Active))};
    return c;
}

char dayLetter(int day) {
    return day == 0 ? 'M' : 'S';
}

std::string providerKey(int day, int band) {
    return "PROVIDER" + std::string(1, dayLetter(day)) + std::to_string(band);
}

bool allDigits(std::string_view text) {
    for (char c : text) {
        if (c < '0' || c > '9') return false;
    }
    return true;
}

// From and till hours while typing: digits only; 0 always passes (the user
// is on the way to "08"); otherwise at most two digits within lo..hi.
bool hourAccepted(const std::string& text, int lo, int hi) {
    if (!allDigits(text)) return false;
    if (text.empty()) return true;
    const int value = hourValue(text);
    if (value == 0) return true;
    return text.size() <= 2 && value >= lo && value <= hi;
}

bool predialAccepted(const std::string& text) {
    return text.size() <= kMaxDigits && allDigits(text);
}

bool rangeAccepted(const std::string& text) {
    return text.empty() || (text.size() <= kMaxDigits && allDigits(text) && text[0] == '0');
}

std::string hourText(int hour) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%02d", hour);
    return buffer;
}

} // namespace

LcrPage::LcrPage(core::CConfigApp& app, core::PageUi& ui, core::PageHost& host)
    : PageBase(app, ui, host) {
    describeItems();
}

// ---- reading ----

void LcrPage::readDevice() {
    ui_.setBusy(true);
    auto query = [this](uint16_t code, int day, int row, DRVPARAM& record) {
        record = makeRecord(day, row, kOpQuery);
        return queryDone(app_.SendDrvCmd(code, &record), record);
    };
    const LcrCommands& cmd = commands();
    DRVPARAM r{};
    bool ok = query(cmd.activation, 0, 0, r);
    activated_.reset(ok && r.bFlag != 0, ok);
    for (int day = 0; day < kLcrDayTypes; ++day) {
        LcrDayTable& table = tables_[std::size_t(day)];
        for (int b = 0; b < kLcrBands; ++b) {
            LcrBand& band = table.bands[std::size_t(b)];
            ok = query(cmd.hours, day, b, r);
            // Both hours 0 is how the device says the band is free.
            const bool used = ok && (r.nFrom != 0 || r.nTo != 0);
            band.from.reset(used ? hourText(r.nFrom) : std::string(), ok);
            band.till.reset(used ? hourText(r.nTo) : std::string(), ok);
            ok = query(cmd.predial, day, b, r);
            band.predial.reset(ok ? fieldText(r.szText3) : std::string(), ok);
            ok = query(cmd.local, day, b, r);
            band.local.reset(ok && r.bFlag != 0, ok);
            ok = query(cmd.bandActive, day, b, r);
            band.active.reset(ok && r.bFlag != 0, ok);
        }
        for (int i = 0; i < kLcrRanges; ++i) {
            LcrRange& range = table.ranges[std::size_t(i)];
            ok = query(cmd.range, day, i, r);
            range.from.reset(ok ? fieldText(r.szText) : std::string(), ok);
            range.to.reset(ok ? fieldText(r.szText2) : std::string(), ok);
            ok = query(cmd.rangeActive, day, i, r);
            range.active.reset(ok && r.bFlag != 0, ok);
        }
    }
    correctProviderNames();
    pendingPredialLeave_ = -1;
    dayType_ = 0;
    ui_.refresh();
    ui_.setBusy(false);
}

// The device keeps no names: they come from the default profile, and a band
// with a prefix but no name is named from the provider list. A read never
// writes the file: a device that lost its prefixes (new firmware, or a read
// on the way to loading this very file) would otherwise erase the user's
// names. The corrected names reach the default profile with the next send.
void LcrPage::correctProviderNames() {
    core::ProfileStore& store = app_.profiles();
    for (int day = 0; day < kLcrDayTypes; ++day) {
        for (int b = 0; b < kLcrBands; ++b) {
            LcrBand& band = tables_[std::size_t(day)].bands[std::size_t(b)];
            std::string name =
                store.readString(core::kDefaultProfile, kSection, providerKey(day, b), "");
            if (!band.predial.known) {
                // The prefix is not known (its query failed): the name stays as it is.
            } else if (!band.predial.edited.empty() && name.empty()) {
                name = providerNameFor(band.predial.edited);
            } else if (band.predial.edited.empty()) {
                name.clear();
            }
            band.provider.reset(name, true); // the program's own
        }
    }
}

// ---- sending ----

void LcrPage::send() {
    acceptField();
    LcrCheckOutcome outcome = checkForSend(tables_);
    tables_ = outcome.tables;
    writeMarkedProviderNames();
    for (int id : outcome.messages)
        ui_.message(id);
    ui_.refresh();
    lastSendBlocked_ = !outcome.allowed();
    if (lastSendBlocked_) return;
    ui_.setBusy(true);
    sendItems(core::SendMode::Marked);
    ui_.setBusy(false);
    ui_.refresh();
}

// Names are not sent to the device: a marked name is written to the default
// profile and then counts as held. A name that could not be written stays
// marked.
void LcrPage::writeMarkedProviderNames() {
    for (int day = 0; day < kLcrDayTypes; ++day) {
        for (int b = 0; b < kLcrBands; ++b) {
            Item<std::string>& name = tables_[std::size_t(day)].bands[std::size_t(b)].provider;
            if (!name.mark) continue;
            if (writeFailures_.write(app_.profiles(), core::kDefaultProfile, kSection,
                                     providerKey(day, b), name.edited)) {
                name.reset(name.edited, true);
            }
        }
    }
}

void LcrPage::sendItems(core::SendMode mode) {
    report_.clear();
    const bool all = mode == core::SendMode::All;
    // One call. Only result 0 with the device's OK counts; an item that
    // failed keeps (or, after a load, gets) its mark, so it is offered again.
    auto call = [&](uint16_t code, DRVPARAM& record, bool fits) {
        bool done = false;
        if (fits) {
            done = app_.SendDrvCmd(code, &record) == 0 && record.bOk == 1;
            report_.add(fieldText(record.szCmd),
                        done ? core::ReportOutcome::Ok : core::ReportOutcome::NotGood);
        } else {
            report_.addUnsent("(too long)", core::ReportOutcome::NotGood);
        }
        if (all) host_.progress();
        return done;
    };
    auto settle = [](auto& item, bool done) {
        if (done)
            item.reset(item.edited, true);
        else
            item.mark = true;
    };
    auto sendFlag = [&](uint16_t code, int day, int row, Item<bool>& item) {
        if (!all && !item.mark) return;
        DRVPARAM r = makeRecord(day, row, kOpSet);
        r.bFlag = item.edited ? 1 : 0;
        settle(item, call(code, r, true));
    };

    const LcrCommands& cmd = commands();
    sendFlag(cmd.activation, 0, 0, activated_);
    for (int day = 0; day < kLcrDayTypes; ++day) {
        LcrDayTable& table = tables_[std::size_t(day)];
        for (int b = 0; b < kLcrBands; ++b) {
            LcrBand& band = table.bands[std::size_t(b)];
            if (all || band.from.mark || band.till.mark) {
                DRVPARAM r = makeRecord(day, b, kOpSet);
                r.nFrom = hourValue(band.from.edited);
                r.nTo = hourValue(band.till.edited);
                if (r.nFrom == 0 && r.nTo == 0) r.nOp = kOpClear;
                const bool done = call(cmd.hours, r, true);
                settle(band.from, done);
                settle(band.till, done);
            }
            if (all || band.predial.mark) {
                DRVPARAM r = makeRecord(day, b, band.predial.edited.empty() ? kOpClear : kOpSet);
                const bool fits = setFieldText(r.szText3, band.predial.edited);
                settle(band.predial, call(cmd.predial, r, fits));
            }
            sendFlag(cmd.local, day, b, band.local);
            sendFlag(cmd.bandActive, day, b, band.active);
            // After a load the names from the file count as held; the
            // section written below puts them into the default profile.
            if (all) band.provider.reset(band.provider.edited, true);
        }
        for (int i = 0; i < kLcrRanges; ++i) {
            LcrRange& range = table.ranges[std::size_t(i)];
            const bool sameLength = range.from.edited.size() == range.to.edited.size();
            if (all || ((range.from.mark || range.to.mark) && sameLength)) {
                const bool clear = range.from.edited.empty() && range.to.edited.empty();
                DRVPARAM r = makeRecord(day, i, clear ? kOpClear : kOpSet);
                const bool fits = setFieldText(r.szText, range.from.edited) &&
                                  setFieldText(r.szText2, range.to.edited);
                const bool done = call(cmd.range, r, fits);
                settle(range.from, done);
                settle(range.to, done);
            }
            sendFlag(cmd.rangeActive, day, i, range.active);
        }
    }
    // The default profile follows what the device holds: only values it
    // confirmed, so that neither a stand-in for a failed query nor the
    // device's own value after a failed load replaces a saved one.
    items_.saveVouched(app_.profiles(), core::kDefaultProfile, kSection, writeFailures_);
}

// ---- unsent changes ----

bool LcrPage::hasUnsentChanges() const {
    return items_.anyMarked();
}

int LcrPage::mayLeave() {
    if (!hasUnsentChanges()) return 1;
    switch (ui_.askSendDiscardCancel()) {
    case core::DiscardAnswer::Send:
        send();
        // A blocked send keeps the user here with the message and the repaired rows.
        return lastSendBlocked_ ? 0 : 1;
    case core::DiscardAnswer::Discard:
        discard();
        return 1;
    case core::DiscardAnswer::Cancel:
        return 0;
    }
    return 0;
}

void LcrPage::discard() {
    items_.discardAll();
    pendingPredialLeave_ = -1;
    ui_.refresh();
}

// ---- profiles ----

namespace {
// Tables and activation const or not: the same walk for reading and for loading.
template <typename Tables, typename Flag, typename Fn>
void forEachKey(Tables& tables, Flag& activated, Fn&& fn) {
    for (const profile::KeySpec& spec : profile::keysOf(profile::Section::Lcr, 5)) {
        for (const KeyPlace& place : kKeyPlaces) {
            if (place.format != spec.format) continue;
            const std::size_t day = spec.dayType == 'S' ? 1 : 0;
            const std::size_t row = spec.first < 0 ? 0 : std::size_t(spec.first);
            switch (place.row) {
            case Row::Activation:
                fn(spec, &activated, nullptr);
                break;
            case Row::Band: {
                if (row >= std::size_t(kLcrBands)) break;
                auto& b = tables[day].bands[row];
                switch (BandField(place.field)) {
                case BandField::From:
                    fn(spec, nullptr, &b.from);
                    break;
                case BandField::Till:
                    fn(spec, nullptr, &b.till);
                    break;
                case BandField::Predial:
                    fn(spec, nullptr, &b.predial);
                    break;
                case BandField::Provider:
                    fn(spec, nullptr, &b.provider);
                    break;
                case BandField::Local:
                    fn(spec, &b.local, nullptr);
                    break;
                case BandField::Active:
                    fn(spec, &b.active, nullptr);
                    break;
                }
                break;
            }
            case Row::Range: {
                if (row >= std::size_t(kLcrRanges)) break;
                auto& r = tables[day].ranges[row];
                switch (RangeField(place.field)) {
                case RangeField::From:
                    fn(spec, nullptr, &r.from);
                    break;
                case RangeField::To:
                    fn(spec, nullptr, &r.to);
                    break;
                case RangeField::Active:
                    fn(spec, &r.active, nullptr);
                    break;
                }
                break;
            }
            }
        }
    }
}
} // namespace

void LcrPage::describeItems() {
    forEachKey(tables_, activated_,
               [&](const profile::KeySpec& spec, Item<bool>* flag, Item<std::string>* text) {
                   core::ItemSpec item;
                   item.key = spec.name;
                   item.field = flag != nullptr ? core::ValueField::Flag : core::ValueField::Text;
                   item.loadDefault = spec.numberDefault;
                   item.textDefault = std::string(spec.textDefault);
                   if (flag != nullptr)
                       items_.add(std::move(item), *flag);
                   else
                       items_.add(std::move(item), *text);
               });
}

void LcrPage::loadSection(int selector) {
    items_.load(app_.profiles(), selector, kSection);
}

void LcrPage::profileLoad(int selector) {
    loadSection(selector);
    pendingPredialLeave_ = -1;
    ui_.refresh();
    // A profile is sent whole, free entries cleared, without the check.
    ui_.setBusy(true);
    sendItems(core::SendMode::All);
    ui_.setBusy(false);
    ui_.refresh();
}

core::WriteReport LcrPage::profileSave(int selector) {
    core::WriteReport report;
    items_.save(app_.profiles(), selector, kSection, report);
    return report;
}

void LcrPage::forget() {
    activated_.forget();
    for (LcrDayTable& table : tables_) {
        for (LcrBand& band : table.bands) {
            for (Item<std::string>* text : {&band.from, &band.till, &band.predial})
                text->forget();
            band.local.forget();
            band.active.forget();
        }
        for (LcrRange& range : table.ranges) {
            range.from.forget();
            range.to.forget();
            range.active.forget();
        }
    }
}

std::vector<std::string> LcrPage::unconfirmedItems() const {
    std::vector<std::string> out;
    items_.addUnconfirmed(kSection, out);
    return out;
}

core::WriteReport LcrPage::takeWriteFailures() {
    core::WriteReport out = std::move(writeFailures_);
    writeFailures_ = core::WriteReport();
    return out;
}

// ---- the controls ----

LcrBand* LcrPage::bandOf(int controlId, BandField& field) {
    const int offset = controlId - lcr_control::kBandBase;
    if (offset < 0 || offset >= 10 * kLcrBands || offset % 10 > int(BandField::Active)) {
        return nullptr;
    }
    field = BandField(offset % 10);
    return &tables_[std::size_t(dayType_)].bands[std::size_t(offset / 10)];
}

LcrRange* LcrPage::rangeOf(int controlId, RangeField& field) {
    const int offset = controlId - lcr_control::kRangeBase;
    if (offset < 0 || offset >= 10 * kLcrRanges || offset % 10 > int(RangeField::Active)) {
        return nullptr;
    }
    field = RangeField(offset % 10);
    return &tables_[std::size_t(dayType_)].ranges[std::size_t(offset / 10)];
}

const Item<std::string>* LcrPage::textItem(int controlId) const {
    auto* self = const_cast<LcrPage*>(this);
    BandField bf{};
    RangeField rf{};
    if (LcrBand* b = self->bandOf(controlId, bf)) {
        switch (bf) {
        case BandField::From:
            return &b->from;
        case BandField::Till:
            return &b->till;
        case BandField::Predial:
            return &b->predial;
        case BandField::Provider:
            return &b->provider;
        default:
            return nullptr;
        }
    }
    if (LcrRange* r = self->rangeOf(controlId, rf)) {
        if (rf == RangeField::From) return &r->from;
        if (rf == RangeField::To) return &r->to;
    }
    return nullptr;
}

std::string LcrPage::text(int controlId) const {
    const Item<std::string>* item = textItem(controlId);
    return item != nullptr ? item->edited : std::string();
}

bool LcrPage::flag(int controlId) const {
    if (controlId == lcr_control::kActivated) return activated_.edited;
    if (controlId == lcr_control::kMonFri) return dayType_ == 0;
    if (controlId == lcr_control::kSatSun) return dayType_ == 1;
    auto* self = const_cast<LcrPage*>(this);
    BandField bf{};
    RangeField rf{};
    if (LcrBand* b = self->bandOf(controlId, bf)) {
        if (bf == BandField::Local) return b->local.edited;
        if (bf == BandField::Active) return b->active.edited;
    }
    if (LcrRange* r = self->rangeOf(controlId, rf)) {
        if (rf == RangeField::Active) return r->active.edited;
    }
    return false;
}

void LcrPage::typeHour(LcrBand& band, BandField field, int controlId, const std::string& typed) {
    if (field == BandField::From) {
        std::string value = typed;
        const bool dash = !value.empty() && value.back() == '-';
        if (dash) value.pop_back();
        if (hourAccepted(value, 0, 23)) {
            band.from.set(value);
            if (dash) {
                ui_.refresh();
                ui_.focus(controlId + 1); // on to the till hour
            }
            return;
        }
        ui_.message(kMsgHour);
        band.from.set("0");
    } else {
        if (hourAccepted(typed, 1, 24)) {
            band.till.set(typed);
            return;
        }
        // The field shows its last accepted text again, with the mark that
        // text had: an earlier edit is not lost by a wrong keystroke.
        ui_.message(kMsgHour);
    }
    ui_.refresh();
    ui_.focus(controlId);
}

void LcrPage::typeText(int controlId, const std::string& typed) {
    BandField bf{};
    RangeField rf{};
    if (LcrBand* band = bandOf(controlId, bf)) {
        switch (bf) {
        case BandField::From:
        case BandField::Till:
            typeHour(*band, bf, controlId, typed);
            return;
        case BandField::Predial:
            pendingPredialLeave_ = controlId;
            if (!predialAccepted(typed)) {
                ui_.message(kMsgPredial);
                band->predial.discard();
                ui_.refresh();
                ui_.focus(controlId);
                return;
            }
            if (typed.empty()) {
                band->predial.edited.clear();
                band->predial.mark = false; // marked again when the field is left
                return;
            }
            band->predial.set(typed);
            if (typed.size() == kMaxDigits) {
                if (std::optional<std::string> name = findProvider(typed)) {
                    band->provider.set(*name);
                    ui_.refresh();
                }
            }
            return;
        case BandField::Provider:
            band->provider.set(typed);
            return;
        default:
            return;
        }
    }
    if (LcrRange* range = rangeOf(controlId, rf)) {
        if (rf == RangeField::Active) return;
        Item<std::string>& item = rf == RangeField::From ? range->from : range->to;
        if (rangeAccepted(typed)) {
            item.set(typed);
            return;
        }
        ui_.message(kMsgRange);
        ui_.refresh();
        ui_.focus(controlId);
    }
}

void LcrPage::fieldLeft(int controlId) {
    if (controlId != pendingPredialLeave_) return;
    pendingPredialLeave_ = -1;
    BandField bf{};
    LcrBand* band = bandOf(controlId, bf);
    if (band == nullptr || bf != BandField::Predial) return;
    if (band->predial.edited.empty()) {
        band->predial.mark = true;
        return;
    }
    band->provider.mark = true;
    if (band->provider.edited.empty()) band->provider.edited = kUnknownProviderName;
    ui_.refresh();
}

void LcrPage::acceptField() {
    if (pendingPredialLeave_ >= 0) fieldLeft(pendingPredialLeave_);
}

void LcrPage::click(int controlId) {
    if (controlId == lcr_control::kActivated) {
        activated_.set(!activated_.edited);
        ui_.refresh();
        return;
    }
    if (controlId == lcr_control::kMonFri || controlId == lcr_control::kSatSun) {
        acceptField();
        dayType_ = controlId == lcr_control::kMonFri ? 0 : 1;
        ui_.refresh();
        return;
    }
    BandField bf{};
    RangeField rf{};
    Item<bool>* item = nullptr;
    if (LcrBand* band = bandOf(controlId, bf)) {
        if (bf == BandField::Local) item = &band->local;
        if (bf == BandField::Active) item = &band->active;
    } else if (LcrRange* range = rangeOf(controlId, rf)) {
        if (rf == RangeField::Active) item = &range->active;
    }
    if (item == nullptr) return;
    item->set(!item->edited);
    ui_.refresh();
    ui_.focus(nextControl(controlId));
}

int LcrPage::nextControl(int controlId) {
    using namespace lcr_control;
    if (controlId == kActivated) return band(0, BandField::From);
    int offset = controlId - kBandBase;
    if (offset >= 0 && offset < 10 * kLcrBands && offset % 10 <= int(BandField::Active)) {
        if (offset % 10 < int(BandField::Active)) return controlId + 1;
        const int row = offset / 10;
        return row + 1 < kLcrBands ? band(row + 1, BandField::From) : range(0, RangeField::From);
    }
    offset = controlId - kRangeBase;
    if (offset >= 0 && offset < 10 * kLcrRanges && offset % 10 <= int(RangeField::Active)) {
        if (offset % 10 < int(RangeField::Active)) return controlId + 1;
        const int row = offset / 10;
        return row + 1 < kLcrRanges ? range(row + 1, RangeField::From) : kSend;
    }
    return kActivated;
}

void LcrPage::enterOrTab(int controlId) {
    fieldLeft(controlId);
    ui_.focus(nextControl(controlId));
}

void LcrPage::shown() {
    ui_.focus(lcr_control::kActivated);
}

} // namespace quorvex::data
