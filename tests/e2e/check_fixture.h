// The check of the device through the real driver against a simulated device
// on COM3 that the test makes odd on purpose.
#pragma once

#include "check/check_report.h"
#include "check/device_check.h"
#include "e2e/sim_driver_fixture.h"

#include <algorithm>
#include <cstdlib>
#include <string>

namespace checktest {

namespace qa = quorvex::check;
using namespace quorvex::sim;

class CheckSim : public simtest::SimDriver {
protected:
    // listenMs: how long the library listens after each reply (R70COM_LISTEN_MS).
    // The program's 250 ms cost a run of the check 85 s: only the runs that
    // look for bytes after a reply need them.
    static qa::CheckRun runCheck(int listenMs = 30) {
        ::setenv("R70COM_LISTEN_MS", std::to_string(listenMs).c_str(), 1);
        qa::DeviceCheck check(D_SendDrvCmd, {D_WatchLine, D_TakeExchange, D_LineAdapter});
        if (check.start(true)) {
            while (check.next()) {
            }
        }
        qa::CheckRun run = check.finish();
        D_SendDrvCmd(DRV_CLOSE, nullptr);
        ::unsetenv("R70COM_LISTEN_MS");
        return run;
    }
    // The step that sent command (without its CR); null when none did.
    static const qa::CheckStep* stepOf(const qa::CheckRun& run, std::string_view command) {
        for (const qa::CheckStep& s : run.steps)
            if (!s.exchanges.empty() && s.exchanges.back().sent == std::string(command) + "\r")
                return &s;
        return nullptr;
    }
    static bool flagged(const qa::CheckStep& s, qa::Finding kind) {
        return std::any_of(s.flags.begin(), s.flags.end(),
                           [kind](const qa::Flag& f) { return f.kind == kind; });
    }
    // A machine busy with other work may hold a reply up: only such findings.
    static bool onlyTiming(const qa::CheckRun& run) {
        for (const qa::CheckStep& s : run.steps)
            for (const qa::Flag& f : s.flags)
                if (f.kind != qa::Finding::SlowFirstByte && f.kind != qa::Finding::LongGap)
                    return false;
        return run.found && !run.stoppedEarly;
    }
};

} // namespace checktest
