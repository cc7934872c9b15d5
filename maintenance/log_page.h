#pragma once
// The log book, the tenth page: the three call lists (outgoing, incoming,
// not answered) of one port at a time, refreshed every 5000 ms while shown,
// cleared on request, and a listed number dialled back on a click. The page
// has no settings of its own: nothing to send, nothing in a profile.

#include "core/page.h"
#include "maintenance/log_parse.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace quorvex::maintenance {

inline constexpr int kLogPortCount = 6; // "11", "21", "22", "31", "32", the data port
inline constexpr std::array<int, kLogPortCount> kLogPortValues = {11, 21, 22, 31, 32, 0};
inline constexpr int kLogFirstPortButton = 3200;  // 3200-3205
inline constexpr int kLogFirstPortLabel = 1233;   // 1233-1238
inline constexpr int kLogFirstClearButton = 1550; // 1550-1552 one list, 1553 all
inline constexpr int kLogClearAllButton = 1553;
inline constexpr int kLogTimerPeriodMs = 5000;
inline constexpr std::size_t kLogBufferSize = 960;
// Cells of the grid: list L, row r.
inline constexpr int kLogDateCell = 3100;   // + 10 L + r
inline constexpr int kLogNumberCell = 3130; // + 10 L + r
inline constexpr int kLogStatusCell = 3160; // + 10 L + r
inline constexpr int kLogChargeCell = 3190; // + r (outgoing list only)
// A dial back runs this long: the device answers within 200 ms, dials, and
// answers again within 5000 ms (a call that costs the user money). Another
// dial is refused until it has passed.
inline constexpr int kLogDialWaitMs = 5000;

struct LogList {
    std::array<LogEntry, kLogMaxEntries> entries;
    std::array<std::string, kLogMaxEntries> numberText;
    int count = 0;
};

class LogPage final : public core::PageBase {
public:
    LogPage(core::CConfigApp& app, core::PageUi& ui, core::PageHost& host)
        : PageBase(app, ui, host) {}

    // Page messages.
    void readDevice() override; // the three lists of the selected port; timer on; focus 3200
    void shown() override;      // port 11, read, timer on
    void hidden() override;     // busy, timer off
    void pausePoll(bool pause) override { paused_ = pause; }
    void timerTick() override;
    void profileLoad(int /*selector*/) override {}
    core::WriteReport profileSave(int /*selector*/) override { return {}; }
    bool hasUnsentChanges() const override { return false; }
    void send() override {}
    void discard() override {}

    // User events.
    void portButton(int controlId);  // 3200-3205
    void clearButton(int controlId); // 1550-1553
    // A click in a number cell: list L, entry E (the private message L * 10 + E).
    // Refused (with a beep when sound is on) while the last dial runs.
    void dialBack(int list, int entry);
    void dialBackMessage(int value) { dialBack(value / 10, value % 10); }

    // What the widget shows.
    int selectedPort() const { return selected_; } // 0-5
    bool portButtonVisible(int k) const;           // R30 hides "31" and "32"
    std::string portLabel(int k) const;
    const LogList& list(int k, int l) const { return store_[k][l]; }
    // The text of a grid cell 3100-3199 for the selected port; "No ID" cells are drawn blue.
    std::string cellText(int controlId) const;
    bool cellIsNoId(int controlId) const;
    bool timerRunning() const { return timerRunning_; }
    bool busy() const { return busy_; }
    // A dial runs (its wait has not passed): the number and the port (0-5) it
    // is dialled from, for the status line.
    bool dialling() const;
    const std::string& diallingNumber() const { return dialNumber_; }
    int diallingPort() const { return dialPort_; }

private:
    void readList(int l);
    void readAllLists();
    void startTimer() { timerRunning_ = true; }

    std::array<std::array<LogList, kLogListCount>, kLogPortCount> store_{};
    int selected_ = 0;
    bool timerRunning_ = false;
    bool busy_ = false;
    bool paused_ = false;
    std::optional<std::int64_t> dialStart_; // on the application's clock
    std::string dialNumber_;
    int dialPort_ = 0;
};

} // namespace quorvex::maintenance
