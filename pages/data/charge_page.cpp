#include "pages/data/charge_page.h"

#include "core/config_app.h"

namespace quorvex::data {

namespace {
constexpr int kSelectorTotal = 3;
constexpr int kSelectorSum = static_cast<int>(ChargeRowKind::Sum);
} // namespace

ChargePage::ChargePage(core::CConfigApp& app, core::PageUi& ui, core::PageHost& host)
    : PageBase(app, ui, host) {}

int ChargePage::portCount() const {
    return app_.portCount == 3 ? 3 : 5;
}

bool ChargePage::columnShown(int column) const {
    if (column < 0 || column >= kChargeColumns) return false;
    return column == kChargeDataColumn || column < portCount();
}

// Command 30 with the page's buffer. A reply without OK leaves the buffer
// empty and counts as a failed read.
bool ChargePage::readRow(int selector, std::string& text) {
    char buffer[kChargeBufferSize] = {};
    DRVPARAM record = core::makeRecord(0, selector, core::kOpQuery);
    drv_set_buffer(&record, buffer, kChargeBufferSize);
    const bool ok = core::queryDone(app_.SendDrvCmd(DRV_CHARGE, &record), record);
    buffer[kChargeBufferSize - 1] = '\0'; // never trust the far side to end it
    text = ok ? std::string(buffer) : std::string();
    return ok;
}

void ChargePage::readAll() {
    for (int selector = 0; selector < kChargeRows; ++selector) {
        auto& row = cells_[std::size_t(selector)];
        std::string reply;
        if (readRow(selector, reply)) {
            ChargeRow parsed = parseChargeRow(reply, portCount());
            row = parsed.cells;
            currency_ = parsed.currency;
        } else {
            for (int column = 0; column < kChargeColumns; ++column) {
                row[std::size_t(column)] =
                    columnShown(column) ? std::string(kNoCharge) : std::string();
            }
        }
    }
    std::string reply;
    total_ = readRow(kSelectorTotal, reply) ? parseChargeTotal(reply) : std::string(kNoCharge);
    ui_.refresh();
}

void ChargePage::setTimer(bool running) {
    if (timerRunning_ == running) return;
    timerRunning_ = running;
    if (timerChanged) timerChanged(running);
}

void ChargePage::readDevice() {
    hidden_ = false;
    readAll();
    setTimer(true);
    ui_.focus(charge_control::kClearBase);
}

void ChargePage::shown() {
    hidden_ = false;
    readAll();
    setTimer(true);
}

void ChargePage::hidden() {
    hidden_ = true;
    setTimer(false);
}

void ChargePage::timerTick() {
    // While the monitor, an upgrade or a profile load or save has the line,
    // or nobody looks, the page keeps the figures of its last read.
    if (!timerRunning_ || hidden_ || paused_ || !app_.connected || app_.heartbeatSuspended())
        return;
    readAll();
}

void ChargePage::clearPortSum(int column) {
    if (!columnShown(column)) return;
    if (app_.soundOn) ui_.beep();
    const int port = column == kChargeDataColumn ? core::kDataPortNumber
                                                 : core::kAnalogPortNumbers[std::size_t(column)];
    DRVPARAM record = core::makeRecord(port, kSelectorSum, core::kOpClear);
    const core::SendOutcome outcome =
        core::sendOutcome(app_.SendDrvCmd(DRV_CHARGE, &record), record);
    report_.add(record, outcome);
    if (outcome == core::SendOutcome::Done) {
        cells_[std::size_t(kSelectorSum)][std::size_t(column)] = std::string(kNoCharge);
    }
    ui_.refresh();
}

void ChargePage::clearTotal() {
    if (app_.soundOn) ui_.beep();
    if (!ui_.askYesNo(kMsgClearTotal)) return;
    DRVPARAM record = core::makeRecord(0, kSelectorTotal, core::kOpClear);
    const core::SendOutcome outcome =
        core::sendOutcome(app_.SendDrvCmd(DRV_CHARGE, &record), record);
    report_.add(record, outcome);
    if (outcome == core::SendOutcome::Done) total_ = std::string(kNoCharge);
    ui_.refresh();
}

void ChargePage::click(int controlId) {
    if (controlId == charge_control::kClearTotal) {
        clearTotal();
        return;
    }
    const int column = controlId - charge_control::kClearBase;
    if (column >= 0 && column < kChargeColumns) clearPortSum(column);
}

const std::string& ChargePage::cell(ChargeRowKind row, int column) const {
    static const std::string kEmpty;
    if (column < 0 || column >= kChargeColumns) return kEmpty;
    return cells_[std::size_t(row)][std::size_t(column)];
}

std::string ChargePage::shownValue(const std::string& value) const {
    if (value.empty()) return std::string();
    return currency_ + " " + value;
}

std::string ChargePage::cellText(ChargeRowKind row, int column) const {
    if (!columnShown(column)) return std::string();
    return shownValue(cell(row, column));
}

std::string ChargePage::totalText() const {
    return shownValue(total_);
}

std::string ChargePage::portName(int column) const {
    if (column == kChargeDataColumn) {
        return app_.cache.data.name.empty() ? std::string(core::kDefaultDataPortName)
                                            : app_.cache.data.name;
    }
    if (column < 0 || column >= core::kMaxAnalogPorts) return std::string();
    const std::string& name = app_.cache.analog[std::size_t(column)].name;
    return name.empty() ? core::defaultPortName(column) : name;
}

} // namespace quorvex::data
