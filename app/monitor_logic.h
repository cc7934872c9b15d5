#pragma once
// Monitor mode (CMonitorDlg, command 5010) without a widget: the live state
// of every port side by side, read from the device when the window opens
// and every 5000 ms while the device is connected. It only reads.

#include "core/config_app.h"
#include "maintenance/log_parse.h"
#include "pages/data/charge_parse.h"

#include <array>
#include <string>

namespace quorvex::app {

using data::kNoCharge;

inline constexpr int kMonitorColumns = 6; // "11", "21", "22", "31", "32", the data port
inline constexpr int kMonitorTimerPeriodMs = 5000;
inline constexpr std::size_t kMonitorChargeBufferSize = 512;
inline constexpr std::size_t kMonitorLogBufferSize = 960;

// Control ids, column k added (the call rows: 1612 + 10 k + row).
inline constexpr int kMonitorNameLabel = 1233;
inline constexpr int kMonitorMsnControl = 1595;
inline constexpr int kMonitorClipControl = 1601;
inline constexpr int kMonitorForwardControl = 1607; // analog columns only
inline constexpr int kMonitorCallControl = 1612;

struct MonitorColumn {
    int port = 0; // 11 ... 32, 0 the data port
    std::string firstMsn = "--";
    std::string clip = "Off";  // the first MSN when CLIP is on
    std::string forwardTarget; // empty: none; a port code already shown as its name
    std::string charge1 = std::string(kNoCharge);
    std::string charge2 = std::string(kNoCharge);
    std::array<maintenance::LogEntry, maintenance::kLogMaxEntries> calls{};
    std::array<std::string, maintenance::kLogMaxEntries> callNumbers{};
    int callCount = 0;
    int lineState = 0; // analog ports; handed to the symbol control
};

class MonitorLogic {
public:
    explicit MonitorLogic(core::CConfigApp& app);

    void open() { readAll(); }
    // Every 5000 ms: read everything again while connected; otherwise keep the last values.
    void timerTick();
    void readAll();

    bool columnVisible(int k) const; // R30 hides the columns of "31" and "32"
    const MonitorColumn& column(int k) const { return columns_[static_cast<std::size_t>(k)]; }
    // Port name from the cache, "%d" when empty; "data" for the data port.
    std::string columnName(int k) const;
    // "none" / "keine" when no target was found.
    std::string forwardText(int k, int language) const;
    // Currency text, a blank and the amount (row 1 or 2).
    std::string chargeText(int k, int row) const;
    std::string totalText() const;
    const std::string& currency() const { return currency_; }
    const std::string& total() const { return total_; }

    // The text of a control of the window (names, MSN, CLIP, forwarding, call rows).
    std::string text(int controlId, int language) const;

private:
    void readMsnAndClip(MonitorColumn& c);
    void readForwarding(MonitorColumn& c);
    void readCharges();
    void readCalls(MonitorColumn& c);
    void readLineState();
    std::string chargeReply(int selector, bool& ok);
    std::string nameOfPortIndex(int portIndex) const;

    core::CConfigApp& app_;
    std::array<MonitorColumn, kMonitorColumns> columns_{};
    std::string currency_;
    std::string total_ = std::string(kNoCharge);
    std::string totalCurrency_;
};

} // namespace quorvex::app
