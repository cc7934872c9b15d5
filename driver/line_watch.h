// What a check of the device needs to know of each exchange on the line
// (D_WatchLine, D_TakeExchange): the command, the reply byte by byte with
// when it came, and what came outside any reply. The serial line reports to
// it; it does nothing while it is off.
#ifndef R70_LINE_WATCH_H
#define R70_LINE_WATCH_H

#include "driver/r70com32.h"

#include <cstddef>
#include <deque>
#include <string_view>

namespace r70 {

// Microseconds on the clock every wait of the line is measured on.
long long monotonicUs() noexcept;

// Whether bytes end with the device's final result line ("OK" or "ERROR"
// between CR LF pairs): after it the device has said all it will.
bool endsWithResultLine(std::string_view bytes) noexcept;

class LineWatch {
public:
    bool on() const noexcept { return on_; }
    // Starts recording afresh; stop() drops what was not taken.
    void start() noexcept;
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
    // Whether the reply just read wants listening on: none came, or it did
    // not end with the final result line.
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
    bool open_ = false; // current_ holds a command or a read not yet kept
    bool firstWait_ = true;
    long long readStartUs_ = 0;
    long long readEndUs_ = 0;
    DRVEXCHANGE current_{};
    std::deque<DRVEXCHANGE> kept_;
};

} // namespace r70

#endif
