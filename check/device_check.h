#pragma once
// The check of a device: it identifies the device, then makes every query
// the program ever makes (check_plan.h), once each, while the library
// records each exchange on the line, and judges what came back
// (check_judge.h). It sends nothing that changes the device: a call that is
// not a query never reaches the driver. The command line and the desktop
// program drive it step by step, so that they can show progress.

#include "check/check_judge.h"
#include "check/check_plan.h"
#include "core/config_app.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace quorvex::check {

using core::LineWatchFns;

enum class StepKind { Find, Identity, Query };

struct CheckStep {
    StepKind kind = StepKind::Query;
    Query query; // StepKind::Query
    int32_t result = 0;
    DRVPARAM record{};                   // as the driver returned it
    std::string text;                    // what the driver copied into the buffer (29, 30, 52, 53)
    std::vector<LineExchange> exchanges; // those on the device's port
    std::vector<Flag> flags;
};

struct CheckRun {
    bool found = false; // a device answered the identification
    core::Identity identity;
    std::vector<CheckStep> steps;
    bool stoppedEarly = false; // the device stopped answering
    long long elapsedMs = 0;
    // What the line's USB adapter holds back (nState DRV_ADAPTER_NONE: no
    // adapter, or the library was not asked).
    DRVADAPTER adapter{};

    int flagCount() const;
    bool conforms() const { return found && !stoppedEarly && flagCount() == 0; }
};

// After this many queries in a row without a reply the device counts as gone.
inline constexpr int kSilentQueriesToStop = 4;

class DeviceCheck {
public:
    DeviceCheck(core::DriverFn driver, LineWatchFns watch);
    ~DeviceCheck();
    DeviceCheck(const DeviceCheck&) = delete;
    DeviceCheck& operator=(const DeviceCheck&) = delete;

    // Starts watching the line and identifies the device: with find, the
    // search of command 0 first (the command line); without, on the port
    // the program has open. False when no device answered.
    bool start(bool find);
    // The queries of the device's model, and how many have run.
    int total() const { return static_cast<int>(plan_.size()); }
    int done() const { return next_; }
    // Runs the next query; false when none is left or the device stopped answering.
    bool next();
    // Stops watching; the run so far.
    CheckRun finish();

private:
    int32_t call(uint16_t code, DRVPARAM* record);
    std::vector<LineExchange> takeExchanges();
    void judgeIdentification(CheckStep& step);

    core::DriverFn driver_;
    LineWatchFns watch_;
    bool watching_ = false;
    std::vector<Query> plan_;
    int next_ = 0;
    int silentInARow_ = 0;
    long long startedMs_ = 0;
    CheckRun run_;
};

} // namespace quorvex::check
