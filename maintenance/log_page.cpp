#include "maintenance/log_page.h"

#include "core/config_app.h"
#include "core/device_cache.h"

#include <vector>

namespace quorvex::maintenance {

namespace {

// Cell id -> list, row and column kind; false outside the grid.
struct Cell {
    int kind; // 0 date, 1 number, 2 status, 3 charge
    int list;
    int row;
};
bool cellOf(int id, Cell& cell) {
    if (id >= kLogChargeCell && id < kLogChargeCell + kLogMaxEntries) {
        cell = {3, 0, id - kLogChargeCell};
        return true;
    }
    if (id < kLogDateCell || id >= kLogChargeCell) return false;
    const int offset = id - kLogDateCell;
    cell = {offset / 30, (offset % 30) / 10, offset % 10};
    return true;
}

} // namespace

void LogPage::readList(int l) {
    const int port = kLogPortValues[static_cast<std::size_t>(selected_)];
    std::vector<char> buffer(kLogBufferSize + 1, '\0');
    DRVPARAM r{};
    r.nPort = port;
    r.nIndex = l;
    r.nOp = 0;
    drv_set_buffer(&r, buffer.data(), static_cast<int32_t>(kLogBufferSize));
    // Not connected, no answer, or an answer without OK: the list keeps what it showed.
    if (!core::queryDone(app_.SendDrvCmd(DRV_LOG, &r), r)) return;

    ParsedLog parsed;
    if (r.nValue == 1) parsed = parseCallList(buffer.data(), l);
    if (parsed.beep) ui_.beep();

    LogList& list = store_[static_cast<std::size_t>(selected_)][static_cast<std::size_t>(l)];
    const core::PortNames names = app_.cache.portNames();
    list.count = static_cast<int>(parsed.entries.size());
    for (int e = 0; e < kLogMaxEntries; ++e) {
        const auto i = static_cast<std::size_t>(e);
        if (e < list.count) {
            list.entries[i] = parsed.entries[i];
            list.numberText[i] = logNumberText(list.entries[i].number(), names);
        } else {
            list.entries[i] = LogEntry{};
            list.numberText[i].clear();
        }
    }
}

void LogPage::readAllLists() {
    for (int l = 0; l < kLogListCount; ++l)
        readList(l);
    ui_.refresh(); // labels, symbols and the grid
}

void LogPage::readDevice() {
    readAllLists();
    startTimer();
    ui_.focus(kLogFirstPortButton);
}

void LogPage::shown() {
    busy_ = false;
    selected_ = 0;
    readAllLists();
    startTimer();
}

void LogPage::hidden() {
    busy_ = true;
    timerRunning_ = false;
}

void LogPage::timerTick() {
    // A profile load or save (the heartbeat is suspended) owns the line.
    if (!timerRunning_ || !app_.connected || paused_ || busy_ || app_.heartbeatSuspended()) return;
    readAllLists();
}

void LogPage::portButton(int controlId) {
    const int k = controlId - kLogFirstPortButton;
    if (k < 0 || k >= kLogPortCount || !portButtonVisible(k)) return;
    if (app_.soundOn) ui_.beep();
    if (k != selected_) {
        selected_ = k;
        for (int l = 0; l < kLogListCount; ++l)
            readList(l);
    }
    ui_.refresh();
}

void LogPage::clearButton(int controlId) {
    const int which = controlId - kLogFirstClearButton;
    if (which < 0 || which > kLogListCount) return;
    if (app_.soundOn) ui_.beep();
    busy_ = true;
    DRVPARAM r{};
    r.nPort = kLogPortValues[static_cast<std::size_t>(selected_)];
    r.nIndex = which;
    r.nOp = 2;
    drv_set_aux(&r, 0);
    if (app_.SendDrvCmd(DRV_LOG, &r) == 0 && r.bOk == 1) {
        auto& lists = store_[static_cast<std::size_t>(selected_)];
        for (int l = 0; l < kLogListCount; ++l) {
            if (which == kLogListCount || which == l)
                lists[static_cast<std::size_t>(l)] = LogList{};
        }
    }
    busy_ = false;
    ui_.refresh();
}

void LogPage::dialBack(int list, int entry) {
    if (list < 0 || list >= kLogListCount || entry < 0 || entry >= kLogMaxEntries) return;
    const LogList& l = store_[static_cast<std::size_t>(selected_)][static_cast<std::size_t>(list)];
    if (entry >= l.count) return; // only rows that were read
    const std::string& number = l.entries[static_cast<std::size_t>(entry)].number();
    if (number.empty() || number == kNoId) return; // nothing to dial
    DRVPARAM r{};
    r.nPort = kLogPortValues[static_cast<std::size_t>(selected_)];
    if (!core::setFieldText(r.szText, number)) return;
    if (dialling()) {
        // One call at a time: a second click, or a key held down, is no new call.
        if (app_.soundOn) ui_.beep();
        return;
    }
    dialStart_ = app_.clock().now();
    dialNumber_ = number;
    dialPort_ = selected_;
    busy_ = true;
    ui_.refresh();                 // the status line names the number before the device dials it
    app_.SendDrvCmd(DRV_DIAL, &r); // the device dials; its answer is not shown
    busy_ = false;
    ui_.refresh();
}

bool LogPage::dialling() const {
    return dialStart_ && app_.clock().now() - *dialStart_ < kLogDialWaitMs;
}

bool LogPage::portButtonVisible(int k) const {
    if (k < 0 || k >= kLogPortCount) return false;
    return app_.portCount != 3 || (k != 3 && k != 4);
}

std::string LogPage::portLabel(int k) const {
    if (k == kLogPortCount - 1) {
        return app_.cache.data.name.empty() ? std::string(core::kDefaultDataPortName)
                                            : app_.cache.data.name;
    }
    const std::string& name = app_.cache.analog[static_cast<std::size_t>(k)].name;
    return name.empty() ? core::defaultPortName(k) : name;
}

std::string LogPage::cellText(int controlId) const {
    Cell c{};
    if (!cellOf(controlId, c)) return {};
    const LogList& l =
        store_[static_cast<std::size_t>(selected_)][static_cast<std::size_t>(c.list)];
    if (c.row >= l.count) return {};
    const LogEntry& e = l.entries[static_cast<std::size_t>(c.row)];
    switch (c.kind) {
    case 0:
        return logDateTime(e);
    case 1:
        return l.numberText[static_cast<std::size_t>(c.row)];
    case 2:
        return e.status();
    default:
        return e.unit().empty() ? e.amount() : e.unit() + " " + e.amount();
    }
}

bool LogPage::cellIsNoId(int controlId) const {
    Cell c{};
    return cellOf(controlId, c) && c.kind == 1 && cellText(controlId) == kNoId;
}

} // namespace quorvex::maintenance
