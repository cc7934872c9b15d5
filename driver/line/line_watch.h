// What a check of the device needs to know of each exchange on the line
// (D_WatchLine, D_TakeExchange): the command, the reply byte by byte with
// when it came, and what came outside any reply. The serial line reports to
// it; it does nothing while it is off.
#ifndef R70_LINE_WATCH_H
#define R70_LINE_WATCH_H

#include "driver/api/r70com32.h"

#include <cstddef>
#include <deque>
#include <string_view>

namespace r70 {

// Microseconds on the clock every wait of the line is measured on.
long long monotonicUs() noexcept;

class LineWatch {
public:
    bool on() const noexcept { return on_; }
    // Starts recording afresh, listening on for listenMs after every reply;
    // stop() drops what was not taken.
    void start(int listenMs = DRV_LATE_LISTEN_MS) noexcept;
    int listenMs() const noexcept { return listenMs_; }
    void stop() noexcept;

    // A byte that waited on the line when the next command was written.
    void stale(char byte) noexcept;
    // The command text written to the line of COM index port.
    void command(int port, std::string_view text) noexcept;
    // A read begins on COM index port into a buffer of capacity bytes.
    void readStart(int port, std::size_t capacity) noexcept;
    // One wait of the reader: waitMs granted, from startUs to endUs, and the
    // byte when one came. The first wait of a read is for its first byte.
    void waited(int waitMs, long long startUs, long long endUs, const char* byte) noexcept;
    // The read ended with result (0 a reply, -2 none) at endUs.
    void readEnd(int result, long long endUs) noexcept;
    // Whether the read just ended wants listening on: every read does, final
    // line or not (a device may send a stray line after its OK, which would
    // otherwise be read as part of the next command's reply).
    bool wantsLateBytes() const noexcept;
    // A byte after the reply's end, at atUs.
    void late(char byte, long long atUs) noexcept;
    // The read and what followed it are complete: the record is kept.
    void finish() noexcept;

    // The oldest record not yet taken; false when there is none.
    bool take(DRVEXCHANGE& out) noexcept;

private:
    void clearCurrent() noexcept;

    bool on_ = false;
    int listenMs_ = DRV_LATE_LISTEN_MS;
    bool open_ = false; // current_ holds a command or a read not yet kept
    bool firstWait_ = true;
    long long readStartUs_ = 0;
    long long readEndUs_ = 0;
    DRVEXCHANGE current_{};
    std::deque<DRVEXCHANGE> kept_;
};

} // namespace r70

#endif
