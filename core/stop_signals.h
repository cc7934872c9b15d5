#pragma once
// Ctrl-C, SIGTERM and SIGHUP in the middle of a backup, a restore or any
// other work: the file replacement under way ends first (whole or not at all,
// so no hidden temporary file stays), then the cleanup runs (the driver closes
// its port: its lock file goes, the line gets its own settings back), and the
// program ends as the signal would have ended it.
//
// Made first thing in main(), before any other thread exists: the signals are
// then blocked in every thread the program starts and taken by one thread of
// their own, which may do what a signal handler may not. On Windows (no such
// signals; the console's Ctrl+C is cli/terminal.cpp's) it does nothing.

#include <functional>

namespace quorvex::core {

class StopOnSignals {
public:
    explicit StopOnSignals(std::function<void()> cleanup);
    StopOnSignals(const StopOnSignals&) = delete;
    StopOnSignals& operator=(const StopOnSignals&) = delete;
};

} // namespace quorvex::core
