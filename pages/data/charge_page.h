#pragma once
// ChargePage: the charge monitor ("Charge monitor") without its widgets.
// It shows what the device counts (driver command 30): the last outgoing
// call, the current connection and the sum per port, and the device's
// total; it refreshes itself every 5000 ms while shown and lets the user
// clear one port's sum or the total. Nothing is ever sent or saved, so
// leaving never asks.
//
// The widget (ChargePageWidget) runs a 5000 ms timer while timerRunning() is true
// (timerChanged tells it when that changes) and calls timerTick() on it.

#include "core/page.h"
#include "pages/data/charge_parse.h"

#include <array>
#include <functional>
#include <string>

namespace quorvex::data {

enum class ChargeRowKind { LastCall = 0, Current = 1, Sum = 2 };
inline constexpr int kChargeRows = 3;
inline constexpr int kChargeRefreshMs = 5000;
inline constexpr int kMsgClearTotal = 9060;
// The device's reply is copied into a buffer of the page; the driver never
// writes beyond it.
inline constexpr int kChargeBufferSize = 1024;

namespace charge_control {
inline constexpr int kClearBase = 1100;  // + column: "Clear" under the sum of a port
inline constexpr int kClearTotal = 1110; // "Clear" beside the total
} // namespace charge_control

class ChargePage : public core::PageBase {
public:
    ChargePage(core::CConfigApp& app, core::PageUi& ui, core::PageHost& host);

    void readDevice() override; // reads, starts the timer, focus on the first "Clear"
    void shown() override;      // reads, restarts the timer
    void hidden() override;     // stops the timer
    void pausePoll(bool pause) override { paused_ = pause; }
    void timerTick() override;
    void profileLoad(int /*selector*/) override {}
    core::WriteReport profileSave(int /*selector*/) override { return {}; }
    int mayLeave() override { return 1; }
    bool hasUnsentChanges() const override { return false; }
    void send() override {}
    void discard() override {}

    // "Clear" under column (0..4 the analog ports, 5 the data port): no question.
    void clearPortSum(int column);
    // "Clear" beside the total: question 9060, Yes clears.
    void clearTotal();
    // A button by control id (kClearBase + column or kClearTotal).
    void click(int controlId);

    // All figures again (selectors 0..3).
    void readAll();

    // ---- what the widget shows ----
    int portCount() const;
    bool columnShown(int column) const; // ports 31 and 32 only on the five-port model
    // currency, blank, value; empty for a column not shown or never read.
    std::string cellText(ChargeRowKind row, int column) const;
    std::string totalText() const;
    const std::string& cell(ChargeRowKind row, int column) const;
    const std::string& total() const { return total_; }
    const std::string& currency() const { return currency_; }
    // The port's name from the device-state cache, else "\"21\"" / "\"data\"".
    std::string portName(int column) const;

    bool timerRunning() const { return timerRunning_; }
    bool paused() const { return paused_; }
    std::function<void(bool running)> timerChanged;

private:
    void setTimer(bool running);
    bool readRow(int selector, std::string& text);
    std::string shownValue(const std::string& value) const;

    std::array<std::array<std::string, kChargeColumns>, kChargeRows> cells_{};
    std::string total_;
    std::string currency_;
    bool hidden_ = true;
    bool paused_ = false;
    bool timerRunning_ = false;
};

} // namespace quorvex::data
