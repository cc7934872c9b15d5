#pragma once
// TimerPage: the morning calls and the device clock ("Timer") without its
// widgets. Per analog port a morning call switch and time (driver command
// 7); the device clock (driver command 8) is read with the page and set from
// the computer's clock on request, or at once when it was never set.
//
// The computer's clock is a function, so that tests decide what time it is.

#include "core/device_cache.h"
#include "core/page.h"

#include <array>
#include <functional>
#include <string>

namespace quorvex::data {

struct DateTime {
    int year = 0;
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
};
using WallClock = std::function<DateTime()>;
// The computer's local date and time.
DateTime localDateTime();
// "%02d/%02d/%04d %02d:%02d:%02d": day, month, year, hour, minute, second.
std::string formatDateTime(const DateTime& t);

// The check while typing a time: at most 5 characters, digits and at most
// one ":", the hour below 24 and the minute below 60. Empty passes.
bool timeTypingAccepted(const std::string& text);

inline constexpr int kMsgTimeFormat = 9020;
// Shown when Enter finds a time it cannot read; the program shows it as it
// stands in every language.
inline constexpr std::string_view kErrorFormatText = "Error Format";

namespace timer_control {
inline constexpr int kActiveBase = 1100; // + port index: "Activated"
inline constexpr int kTimeBase = 1200;   // + port index: the time field
inline constexpr int kSync = 1300;       // "Synchronize time now"
inline constexpr int kSend = menus::kCmdSend;
} // namespace timer_control

class TimerPage : public core::PageBase {
public:
    TimerPage(core::CConfigApp& app, core::PageUi& ui, core::PageHost& host);

    void readDevice() override;
    void shown() override;
    void hidden() override { hidden_ = true; }
    void pausePoll(bool pause) override { paused_ = pause; }
    void profileLoad(int selector) override;
    core::WriteReport profileSave(int selector) override;
    bool hasUnsentChanges() const override;
    std::vector<std::string> unconfirmedItems() const override;
    void forget() override;
    void send() override;
    void discard() override;

    // ---- the controls ----
    int portCount() const;
    std::string text(int controlId) const; // a time field
    bool flag(int controlId) const;        // an "Activated" box
    void typeText(int controlId, const std::string& text);
    // A field's text as the control holds it, unchecked (pasted text, a
    // control that reports no changes); Enter then checks it.
    void takeText(int controlId, const std::string& text);
    void click(int controlId); // "Activated" boxes and "Synchronize time now"
    // Enter or Tab anywhere: the last changed time is checked and rewritten.
    void enterOrTab(int controlId);
    using core::PageBase::enterOrTab;
    void synchronize();
    std::string portName(int port) const;

    // ---- state ----
    const core::Item<int>& active(int port) const { return active_[std::size_t(port)]; }
    const core::Item<std::string>& time(int port) const { return time_[std::size_t(port)]; }
    const std::string& deviceClockText() const { return deviceClock_; }
    const std::string& computerClockText() const { return computerClock_; }
    bool paused() const { return paused_; }

    // The computer's clock (localDateTime unless a test sets another).
    void setWallClock(WallClock clock) { wallClock_ = std::move(clock); }
    // How "Error Format" reaches the user; by default a message box by the
    // widget. Set by the widget, which shows kErrorFormatText untranslated.
    std::function<void(std::string_view)> showFixedText;

private:
    int portOf(int controlId, int base) const;
    void writeClock(const DateTime& t);
    void readClock();
    void sendItems(bool all);
    // The items of the ports the device has now: each port's "Activated" box,
    // then each port's time, as the setting table gives them.
    core::ItemTable& items() const;

    std::array<core::Item<int>, core::kMaxAnalogPorts> active_{};
    std::array<core::Item<std::string>, core::kMaxAnalogPorts> time_{};
    mutable core::ItemTable items_; // over active_ and time_
    mutable int itemPorts_ = -1;    // the port count items_ was made for
    std::string deviceClock_;
    std::string computerClock_;
    int lastTimeField_ = -1; // port index of the time field changed last
    bool hidden_ = true;
    bool paused_ = false;
    // The device took new firmware, which may have lost its clock: the next
    // load asks for it (and sets it when it is unset) as a read does.
    bool clockLost_ = false;
    WallClock wallClock_ = localDateTime;
};

} // namespace quorvex::data
