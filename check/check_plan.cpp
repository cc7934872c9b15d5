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
#include "pages/telephony/filter_page.h"
#include "pages/telephony/short_dial_page.h"
#include "profile/sections.h"

#include <algorithm>

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
    std::vector<Query> take() { return std::move(out_); }

private:
    int ports_;
    std::vector<Query> out_;
};

void msnTable(Plan& plan) {
    for (int i = 0; i < core::kDataMsnCount; ++i)
        plan.add(DRV_MSN, core::kDataPortNumber, i, R::Msn, Area::Msn).phoneNumber = true;
    plan.add(DRV_CLIP, core::kDataPortNumber, 0, R::Flag, Area::Msn);
    plan.eachPort([&](int port) {
        for (int i = 0; i < core::kAnalogMsnCount; ++i)
            plan.add(DRV_MSN, port, i, R::Msn, Area::Msn).phoneNumber = true;
        plan.add(DRV_CLIP, port, 0, R::Flag, Area::Msn);
    });
}

void settingsAndCallback(Plan& plan) {
    plan.add(DRV_LCDGERMAN, 0, 0, R::Flag, Area::Settings);
    for (const core::TextSetting& field : core::kTextSettings) {
        Query& q = plan.add(field.code, 0, 0, field.maxDigits == 0 ? R::ChargeUnit : R::Digits,
                            Area::Settings);
        q.max = field.maxDigits;
    }
    plan.add(DRV_CALLBACK, 0, 0, R::Flag, Area::Callback);
    for (int i = 0; i < core::kCallbackNumberCount; ++i)
        plan.add(DRV_CALLBACKNUM, 0, i, R::CallbackNumber, Area::Callback).phoneNumber = true;
}

void telephonyPages(Plan& plan) {
    // The call acceptance page's items as the setting table gives them: the
    // device answers each number with one digit.
    for (const profile::KeySpec& key :
         profile::keysPortByPort(profile::Section::Accep, plan.ports())) {
        core::ItemSpec item;
        if (!core::itemSpecOf(key, item)) continue;
        if (item.field == core::ValueField::Flag)
            plan.add(item.code, item.port, item.index, R::Flag, Area::Accept);
        else
            plan.range(plan.add(item.code, item.port, item.index, R::Digit, Area::Accept),
                       item.minValue, item.maxValue);
    }
    plan.eachPort([&](int port) {
        plan.add(DRV_SPECIALRING, port, 0, R::Flag, Area::ShortDial);
        for (int i = 0; i < telephony::kShortDialSlots; ++i)
            plan.add(DRV_SHORTDIAL, port, i, R::PortNumber, Area::ShortDial).phoneNumber = true;
    });
    plan.eachPort([&](int port) {
        for (uint16_t code : {DRV_CFU, DRV_CFB, DRV_CFNR})
            plan.add(code, port, 0, R::Forwarding, Area::Forward).phoneNumber = true;
    });
    std::vector<int32_t> filterPorts;
    plan.eachPort([&](int port) { filterPorts.push_back(port); });
    filterPorts.push_back(core::kDataPortNumber);
    for (int32_t port : filterPorts) {
        plan.add(DRV_FILTER, port, 0, R::Flag, Area::Filter);
        for (int i = 0; i < telephony::kFilterSlots; ++i)
            plan.add(DRV_FILTERNUM, port, i, R::PortNumber, Area::Filter).phoneNumber = true;
    }
}

void dataPage(Plan& plan) {
    plan.add(DRV_DATAPROTO, 0, 0, R::Protocol, Area::Data);
    plan.add(DRV_DATAPROTO, 1, 0, R::Flag, Area::Data);
    // Selector 2 names another register for PPP and for X.75.
    for (int32_t protocol : {data::kPpp, data::kX75Btx})
        plan.add(DRV_DATAPROTO, 2, 0, R::Flag, Area::Data).aux = protocol;
    for (int32_t selector : {3, 4, 5})
        plan.add(DRV_DATAPROTO, selector, 0, R::Flag, Area::Data);
    // Selector 6: the frame size of V.120, X.75 and HDLC.
    for (int32_t protocol : {data::kV120, data::kX75Btx, data::kHdlc}) {
        const data::FrameRange r = data::frameRange(*data::frameFieldOf(protocol));
        Query& q = plan.range(plan.add(DRV_DATAPROTO, 6, 0, R::Number, Area::Data), r.min, r.max);
        q.aux = protocol;
    }
    plan.range(plan.add(DRV_EID, 11, 0, R::Number, Area::Data), 0, data::kEidClasses - 1);
    plan.add(DRV_EID, 12, 0, R::EidText, Area::Data).max =
        static_cast<int>(data::kEidMaxSendLength);
    // Bandwidth on demand: registers 7 to 10 in the device's order.
    constexpr std::pair<int32_t, data::BodField> kBod[] = {
        {7, data::BodField::HighWater},
        {9, data::BodField::LowWater},
        {8, data::BodField::HighDuration},
        {10, data::BodField::LowDuration},
    };
    for (const auto& [reg, field] : kBod) {
        const data::BodRange r = data::bodAcceptedRange(field);
        plan.range(plan.add(DRV_BODREG, reg, 0, R::Number, Area::Data), r.min, r.max);
    }
}

void lcrPage(Plan& plan) {
    plan.add(DRV_LCR, 0, 0, R::Flag, Area::Lcr);
    for (int day = 0; day < data::kLcrDayTypes; ++day) {
        for (int band = 0; band < data::kLcrBands; ++band) {
            plan.add(DRV_LCRTIME, day, band, R::LcrHours, Area::Lcr);
            plan.add(DRV_LCRPREFIX, day, band, R::LcrPredial, Area::Lcr).phoneNumber = true;
            plan.add(DRV_LCRLOCAL, day, band, R::Flag, Area::Lcr);
            plan.add(DRV_LCRACTIVE, day, band, R::Flag, Area::Lcr);
        }
        for (int range = 0; range < data::kLcrRanges; ++range) {
            plan.add(DRV_LCRRANGE, day, range, R::LcrRange, Area::Lcr);
            plan.add(DRV_LCRRANGEACTIVE, day, range, R::Flag, Area::Lcr);
        }
    }
}

void timerAndWatching(Plan& plan) {
    plan.eachPort([&](int port) { plan.add(DRV_PORTTIMER, port, 0, R::Flag, Area::Timer); });
    plan.eachPort(
        [&](int port) { plan.add(DRV_PORTTIMER, port, 0, R::PortTime, Area::Timer).op = 3; });
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
