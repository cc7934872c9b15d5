#include "check/check_plan.h"

#include "core/detection.h"
#include "core/device_cache.h"
#include "core/device_settings.h"
#include "core/page_items.h"
#include "maintenance/info_logic.h"
#include "maintenance/log_page.h"
#include "maintenance/log_parse.h"
#include "pages/data/bod_logic.h"
#include "pages/data/charge_page.h"
#include "pages/data/data_controls.h"
#include "pages/data/eid.h"
#include "pages/data/lcr_check.h"
#include "profile/sections.h"

#include <algorithm>
#include <span>
#include <tuple>

namespace quorvex::check {
namespace {

using R = ValueRule;

// The smallest buffer any window passes for these texts: the monitor's for
// the charges, the log book's (and the monitor's) for the call lists.
constexpr int32_t kChargeBuffer = 512;
constexpr int32_t kCallListBuffer = static_cast<int32_t>(maintenance::kLogBufferSize);
constexpr int32_t kStatusBuffer = static_cast<int32_t>(maintenance::kInfoTextBufferSize);
// Cause values of ISDN are seven bits.
constexpr int kMaxDisconnectCause = 127;

class Plan {
public:
    explicit Plan(int model) : ports_(core::portCountFor(model)) {}

    Query& add(uint16_t code, int32_t port, int32_t index, R rule, Area area) {
        Query q;
        q.code = code;
        q.port = port;
        q.index = index;
        q.rule = rule;
        q.area = area;
        out_.push_back(q);
        return out_.back();
    }
    Query& range(Query& q, int min, int max) {
        q.min = min;
        q.max = max;
        return q;
    }
    // Each analog port of the model, by its number.
    template <typename Fn> void eachPort(Fn fn) const {
        for (int p = 0; p < ports_; ++p)
            fn(core::kAnalogPortNumbers[static_cast<std::size_t>(p)]);
    }
    int ports() const { return ports_; }
    // Whether the last query is already this one: a record that carries two
    // items (a band's two hours, the EID numbers' one register) is asked once.
    bool askedLast(uint16_t code, int32_t port, int32_t index, int32_t aux) const {
        return !out_.empty() && out_.back().code == code && out_.back().port == port &&
               out_.back().index == index && out_.back().aux == aux;
    }
    std::vector<Query> take() { return std::move(out_); }

private:
    int ports_;
    std::vector<Query> out_;
};

// A page's items as the setting table gives them: a switch is 0 or 1, a
// number one digit in its row's range, a port's time asked in its second
// form, a text a phone number under textRule.
void itemsOf(Plan& plan, const std::vector<profile::KeySpec>& keys, Area area, R textRule,
             bool (*only)(const profile::KeySpec&) = nullptr) {
    for (const profile::KeySpec& key : keys) {
        core::ItemSpec item;
        if ((only != nullptr && !only(key)) || !core::itemSpecOf(key, item)) continue;
        if (item.field == core::ValueField::Flag)
            plan.add(item.code, item.port, item.index, R::Flag, area);
        else if (item.field == core::ValueField::Time)
            plan.add(item.code, item.port, item.index, R::PortTime, area).op = core::kOpTimeQuery;
        else if (item.field == core::ValueField::Text)
            plan.add(item.code, item.port, item.index, textRule, area).phoneNumber = true;
        else
            plan.range(plan.add(item.code, item.port, item.index, R::Digit, area), item.minValue,
                       item.maxValue);
    }
}

// In the MSN table the data port's rows are the ones at a fixed port.
bool msnDataPortItem(const profile::KeySpec& key) {
    return key.setting != nullptr && key.setting->port == profile::PortForm::Fixed;
}

bool msnAnalogPortItem(const profile::KeySpec& key) {
    return !msnDataPortItem(key);
}

void msnTable(Plan& plan) {
    // The data port's MSNs and CLIP first, then each analog port's.
    itemsOf(plan, profile::keysOf(profile::Section::Msn, plan.ports()), Area::Msn, R::Msn,
            msnDataPortItem);
    itemsOf(plan, profile::keysPortByPort(profile::Section::Msn, plan.ports()), Area::Msn, R::Msn,
            msnAnalogPortItem);
}

void settingsAndCallback(Plan& plan) {
    // A text's rule and length are its field check's.
    for (const profile::KeySpec& key : profile::keysOf(profile::Section::Set, plan.ports())) {
        core::ItemSpec item;
        if (!core::itemSpecOf(key, item)) continue;
        if (item.field == core::ValueField::Flag) {
            plan.add(item.code, item.port, item.index, R::Flag, Area::Settings);
            continue;
        }
        const auto* field =
            std::find_if(core::kTextSettings.begin(), core::kTextSettings.end(),
                         [&item](const core::TextSetting& f) { return f.code == item.code; });
        const int max = field != core::kTextSettings.end() ? field->maxDigits : 0;
        plan.add(item.code, item.port, item.index, max == 0 ? R::ChargeUnit : R::Digits,
                 Area::Settings)
            .max = max;
    }
    itemsOf(plan, profile::keysOf(profile::Section::Back, plan.ports()), Area::Callback,
            R::CallbackNumber);
}

// The telephony pages port by port (the filter's data column last).
void telephonyPages(Plan& plan) {
    const auto keys = [&plan](profile::Section section) {
        return profile::keysPortByPort(section, plan.ports());
    };
    itemsOf(plan, keys(profile::Section::Accep), Area::Accept, R::Digit);
    itemsOf(plan, keys(profile::Section::ShortDial), Area::ShortDial, R::PortNumber);
    itemsOf(plan, keys(profile::Section::Forward), Area::Forward, R::Forwarding);
    itemsOf(plan, keys(profile::Section::Filter), Area::Filter, R::PortNumber);
}

// The dialog's field behind each bandwidth-on-demand register.
constexpr std::pair<int32_t, data::BodField> kBodRegisters[] = {
    {7, data::BodField::HighWater},
    {8, data::BodField::HighDuration},
    {9, data::BodField::LowWater},
    {10, data::BodField::LowDuration},
};

// What a data register's answer must be: a frame size in its protocol's
// range and a bandwidth register in the dialog's (their rows leave both
// open, as a profile may hold any number there), else its row's range.
void dataRange(Query& q, const core::ItemSpec& item) {
    q.min = item.minValue;
    q.max = item.maxValue;
    if (const auto frame = data::frameFieldOf(item.aux); frame && item.code == DRV_DATAPROTO) {
        const data::FrameRange r = data::frameRange(*frame);
        q.min = r.min;
        q.max = r.max;
    }
    for (const auto& [reg, field] : kBodRegisters) {
        if (item.code != DRV_BODREG || item.port != reg) continue;
        const data::BodRange r = data::bodAcceptedRange(field);
        q.min = r.min;
        q.max = r.max;
    }
}

// The data page's registers in the page's order, for every protocol, not
// only the current one. The EID numbers of the five classes are one register.
void dataPage(Plan& plan) {
    for (const profile::KeySpec& key : profile::keysOf(profile::Section::Data, plan.ports())) {
        core::ItemSpec item;
        if (!core::itemSpecOf(key, item) ||
            plan.askedLast(item.code, item.port, item.index, item.aux))
            continue;
        Query& q = plan.add(item.code, item.port, item.index, R::Number, Area::Data);
        q.aux = item.aux;
        if (item.field == core::ValueField::Flag) {
            q.rule = R::Flag;
        } else if (item.field == core::ValueField::Aux) {
            q.rule = R::Protocol;
        } else if (item.field == core::ValueField::Text) {
            q.rule = R::EidText;
            q.max = static_cast<int>(data::kEidMaxSendLength);
        } else {
            dataRange(q, item);
        }
    }
}

// The rule of an LCR row's value, by the field of the answer that carries it.
R lcrRule(profile::RecordField field) {
    switch (field) {
    case profile::RecordField::From:
    case profile::RecordField::To:
        return R::LcrHours;
    case profile::RecordField::Text3:
        return R::LcrPredial;
    case profile::RecordField::Text:
    case profile::RecordField::Text2:
        return R::LcrRange;
    default:
        return R::Flag;
    }
}

// The LCR tables as the setting table gives them, day type by day type:
// each run of rows over the same indexes (the bands, then the ranges) index
// by index. A band's two hours and a range's two ends come in one answer, so
// a command asked at a port and index already asked is not asked again.
void lcrPage(Plan& plan) {
    const std::span<const profile::Setting> rows = profile::rowsOf(profile::Section::Lcr).rows;
    const auto runOf = [rows](const profile::Setting* row) {
        auto r = static_cast<std::size_t>(row - rows.data());
        while (r > 0 && rows[r - 1].outer == row->outer)
            --r;
        return r;
    };
    std::vector<profile::KeySpec> keys = profile::keysOf(profile::Section::Lcr, plan.ports());
    std::stable_sort(keys.begin(), keys.end(),
                     [&](const profile::KeySpec& a, const profile::KeySpec& b) {
                         return std::tuple(a.dayType, runOf(a.setting), a.first) <
                                std::tuple(b.dayType, runOf(b.setting), b.first);
                     });
    for (const profile::KeySpec& key : keys) {
        const profile::Setting& row = *key.setting;
        if (row.command == 0) continue;
        int32_t port = 0;
        int32_t index = 0;
        core::recordPlaceOf(key, port, index);
        if (plan.askedLast(row.command, port, index, 0)) continue;
        plan.add(row.command, port, index, lcrRule(row.field), Area::Lcr).phoneNumber =
            row.field == profile::RecordField::Text3;
    }
}

void timerAndWatching(Plan& plan) {
    itemsOf(plan, profile::keysOf(profile::Section::Timer, plan.ports()), Area::Timer, R::Ok);
    plan.add(DRV_CLOCK, 0, 0, R::Clock, Area::Timer).op = 3;
    for (int selector = 0; selector <= data::kChargeRows; ++selector) {
        Query& q =
            plan.add(DRV_CHARGE, 0, selector,
                     selector < data::kChargeRows ? R::ChargeRow : R::ChargeTotal, Area::Charges);
        q.buffer = kChargeBuffer;
    }
    std::vector<int32_t> logPorts;
    plan.eachPort([&](int port) { logPorts.push_back(port); });
    logPorts.push_back(core::kDataPortNumber);
    for (int32_t port : logPorts) {
        for (int list = 0; list < maintenance::kLogListCount; ++list) {
            Query& q = plan.add(DRV_LOG, port, list, R::CallList, Area::Log);
            q.buffer = kCallListBuffer;
            q.phoneNumber = true;
        }
    }
    plan.range(plan.add(DRV_ISDNSTATUS, 0, 0, R::Number, Area::Info), 0,
               maintenance::kIsdnStatusCount - 1);
    plan.range(plan.add(DRV_DISCCAUSE, 0, 0, R::Number, Area::Info), 0, kMaxDisconnectCause);
    for (uint16_t code : {DRV_ATIMPORTANT, DRV_ATCHANGED})
        plan.add(code, 0, 0, R::StatusText, Area::Info).buffer = kStatusBuffer;
    plan.add(DRV_LINESTATE, 0, 0, R::LineState, Area::Monitor);
    plan.add(DRV_PING2, 0, 0, R::Ok, Area::Heartbeat);
    plan.add(DRV_CALLCHECK, 0, 0, R::CallCheck, Area::Upgrade);
}

} // namespace

std::vector<Query> checkPlan(int model) {
    Plan plan(model);
    msnTable(plan);
    settingsAndCallback(plan);
    telephonyPages(plan);
    dataPage(plan);
    lcrPage(plan);
    timerAndWatching(plan);
    return plan.take();
}

DRVPARAM queryRecord(const Query& q) {
    DRVPARAM r{};
    r.nPort = q.port;
    r.nIndex = q.index;
    r.nOp = q.op;
    if (q.aux != 0) drv_set_aux(&r, q.aux);
    return r;
}

bool onlyReads(uint16_t code, const DRVPARAM* record) {
    switch (code) {
    // Finding and identifying, the presence tests and the call check, the
    // status queries and closing the port touch no setting.
    case DRV_FINDPORT:
    case DRV_PING:
    case DRV_CLOSE:
    case DRV_IDENT:
    case DRV_CALLCHECK:
    case DRV_ISDNSTATUS:
    case DRV_DISCCAUSE:
    case DRV_ATIMPORTANT:
    case DRV_ATCHANGED:
    case DRV_LINESTATE:
    case DRV_PING2:
        return true;
    // The second query form: the port's time, the clock.
    case DRV_PORTTIMER:
        return record != nullptr && (record->nOp == 0 || record->nOp == 3);
    case DRV_CLOCK:
        return record != nullptr && record->nOp == 3;
    default:
        break;
    }
    const bool catalogueQuery = (code >= DRV_MSN && code <= DRV_SHORTDIAL && code != DRV_STORE) ||
                                (code >= DRV_CFU && code <= DRV_CHARGE) ||
                                (code >= DRV_LCDGERMAN && code <= DRV_BODREG && code != DRV_DIAL);
    return catalogueQuery && record != nullptr && record->nOp == 0;
}

} // namespace quorvex::check
