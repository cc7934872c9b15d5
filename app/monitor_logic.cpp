#include "app/monitor_logic.h"

#include "core/device_cache.h"
#include "core/page_items.h"

#include <vector>

namespace quorvex::app {

namespace {
constexpr int kDataColumn = kMonitorColumns - 1;
constexpr int kFirstPortCode = 8; // classify(): "*11" ... "*32"
constexpr int kLastPortCode = 12;
constexpr std::array<uint16_t, 3> kForwardCommands = {DRV_CFU, DRV_CFNR, DRV_CFB};
} // namespace

MonitorLogic::MonitorLogic(core::CConfigApp& app) : app_(app) {
    for (int k = 0; k < core::kMaxAnalogPorts; ++k) {
        columns_[static_cast<std::size_t>(k)].port =
            core::kAnalogPortNumbers[static_cast<std::size_t>(k)];
    }
    columns_[kDataColumn].port = core::kDataPortNumber;
}

bool MonitorLogic::columnVisible(int k) const {
    if (k < 0 || k >= kMonitorColumns) return false;
    return k == kDataColumn || k < app_.portCount;
}

std::string MonitorLogic::nameOfPortIndex(int portIndex) const {
    const std::string& name = app_.cache.analog[static_cast<std::size_t>(portIndex)].name;
    if (!name.empty()) return name;
    return std::to_string(core::kAnalogPortNumbers[static_cast<std::size_t>(portIndex)]);
}

std::string MonitorLogic::columnName(int k) const {
    if (k == kDataColumn) return "data";
    return nameOfPortIndex(k);
}

void MonitorLogic::readMsnAndClip(MonitorColumn& c) {
    DRVPARAM msn{};
    msn.nPort = c.port;
    msn.nIndex = 0;
    msn.nOp = 0;
    const bool haveMsn = core::queryDone(app_.SendDrvCmd(DRV_MSN, &msn), msn);
    c.firstMsn = haveMsn ? core::fieldText(msn.szText) : "--";

    DRVPARAM clip{};
    clip.nPort = c.port;
    clip.nOp = 0;
    const bool clipOn = core::queryDone(app_.SendDrvCmd(DRV_CLIP, &clip), clip) && clip.bFlag == 1;
    c.clip = clipOn ? c.firstMsn : "Off";
}

void MonitorLogic::readForwarding(MonitorColumn& c) {
    c.forwardTarget.clear();
    for (uint16_t code : kForwardCommands) {
        DRVPARAM r{};
        r.nPort = c.port;
        r.nOp = 0;
        const bool ok = core::queryDone(app_.SendDrvCmd(code, &r), r);
        const std::string target = ok ? core::fieldText(r.szText) : std::string();
        if (c.forwardTarget.empty() && !target.empty()) c.forwardTarget = target;
    }
    const int kind = core::classify(c.forwardTarget, app_.cache.portNames());
    if (kind >= kFirstPortCode && kind <= kLastPortCode) {
        c.forwardTarget = nameOfPortIndex(kind - kFirstPortCode);
    }
}

std::string MonitorLogic::chargeReply(int selector, bool& ok) {
    std::vector<char> buffer(kMonitorChargeBufferSize + 1, '\0');
    DRVPARAM r{};
    r.nIndex = selector;
    r.nOp = 0;
    drv_set_buffer(&r, buffer.data(), static_cast<int32_t>(kMonitorChargeBufferSize));
    ok = core::queryDone(app_.SendDrvCmd(DRV_CHARGE, &r), r);
    return ok ? std::string(buffer.data()) : std::string();
}

void MonitorLogic::readCharges() {
    for (int selector = 1; selector <= 2; ++selector) {
        bool ok = false;
        const std::string reply = chargeReply(selector, ok);
        data::ChargeRow row;
        if (ok) row = data::parseChargeRow(reply, app_.portCount);
        for (int k = 0; k < kMonitorColumns; ++k) {
            std::string amount =
                ok ? row.cells[static_cast<std::size_t>(k)] : std::string(kNoCharge);
            MonitorColumn& c = columns_[static_cast<std::size_t>(k)];
            (selector == 1 ? c.charge1 : c.charge2) = amount;
        }
        if (selector == 1 && ok) currency_ = row.currency;
    }
    bool ok = false;
    const std::string reply = chargeReply(3, ok);
    if (ok && !reply.empty()) {
        data::ChargeValue v = data::cutChargeValue(reply);
        total_ = v.value;
        totalCurrency_ = v.currency;
    } else {
        total_ = std::string(kNoCharge);
        totalCurrency_.clear();
    }
}

void MonitorLogic::readCalls(MonitorColumn& c) {
    std::vector<char> buffer(kMonitorLogBufferSize + 1, '\0');
    DRVPARAM r{};
    r.nPort = c.port;
    r.nIndex = 0;
    r.nOp = 0;
    drv_set_buffer(&r, buffer.data(), static_cast<int32_t>(kMonitorLogBufferSize));
    maintenance::ParsedLog parsed;
    if (core::queryDone(app_.SendDrvCmd(DRV_LOG, &r), r) && r.nValue == 1) {
        parsed = maintenance::parseCallList(buffer.data(), 0);
    }
    const core::PortNames names = app_.cache.portNames();
    c.callCount = static_cast<int>(parsed.entries.size());
    for (int e = 0; e < maintenance::kLogMaxEntries; ++e) {
        const auto i = static_cast<std::size_t>(e);
        c.calls[i] = e < c.callCount ? parsed.entries[i] : maintenance::LogEntry{};
        c.callNumbers[i] = e < c.callCount ? maintenance::logNumberText(c.calls[i].number(), names)
                                           : std::string();
    }
}

void MonitorLogic::readLineState() {
    DRVPARAM r{};
    // The heartbeat's "AT" must not cut into this exchange.
    app_.suspendHeartbeat();
    const bool ok = core::queryDone(app_.SendDrvCmd(DRV_LINESTATE, &r), r);
    app_.resumeHeartbeat();
    for (int k = 0; k < core::kMaxAnalogPorts; ++k) {
        columns_[static_cast<std::size_t>(k)].lineState = ok ? drv_line_flag(&r, k) : 0;
    }
}

void MonitorLogic::readAll() {
    const int analog = app_.portCount == 3 ? 3 : core::kMaxAnalogPorts;
    for (int k = 0; k < analog; ++k)
        readMsnAndClip(columns_[static_cast<std::size_t>(k)]);
    readMsnAndClip(columns_[kDataColumn]);
    for (int k = 0; k < analog; ++k)
        readForwarding(columns_[static_cast<std::size_t>(k)]);
    readCharges();
    for (int k = 0; k < analog; ++k)
        readCalls(columns_[static_cast<std::size_t>(k)]);
    readCalls(columns_[kDataColumn]);
    readLineState();
}

void MonitorLogic::timerTick() {
    if (app_.connected) readAll();
}

std::string MonitorLogic::forwardText(int k, int language) const {
    const std::string& t = columns_[static_cast<std::size_t>(k)].forwardTarget;
    if (!t.empty()) return t;
    return language == 1 ? "keine" : "none";
}

std::string MonitorLogic::chargeText(int k, int row) const {
    const MonitorColumn& c = columns_[static_cast<std::size_t>(k)];
    const std::string& amount = row == 1 ? c.charge1 : c.charge2;
    return currency_.empty() ? amount : currency_ + " " + amount;
}

std::string MonitorLogic::totalText() const {
    const std::string& currency = totalCurrency_.empty() ? currency_ : totalCurrency_;
    return currency.empty() ? total_ : currency + " " + total_;
}

std::string MonitorLogic::text(int id, int language) const {
    auto in = [id](int first, int count) { return id >= first && id < first + count; };
    if (in(kMonitorNameLabel, kMonitorColumns)) return columnName(id - kMonitorNameLabel);
    if (in(kMonitorMsnControl, kMonitorColumns)) return column(id - kMonitorMsnControl).firstMsn;
    if (in(kMonitorClipControl, kMonitorColumns)) return column(id - kMonitorClipControl).clip;
    if (in(kMonitorForwardControl, core::kMaxAnalogPorts)) {
        return forwardText(id - kMonitorForwardControl, language);
    }
    if (in(kMonitorCallControl, kMonitorColumns * maintenance::kLogMaxEntries)) {
        const int offset = id - kMonitorCallControl;
        return column(offset / 10).callNumbers[static_cast<std::size_t>(offset % 10)];
    }
    return {};
}

} // namespace quorvex::app
