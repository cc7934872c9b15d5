// The one serial line of the driver: open a path (a local port, or the
// network address of a port behind an RFC 2217 server), speed, read budgets,
// the reply reader, DTR, close; plus the optional line trace. Which path a
// COM name stands for is the map's business (com_ports.h).
#ifndef R70_SERIAL_LINE_H
#define R70_SERIAL_LINE_H

#include "driver/line/line_watch.h"
#include "driver/ports/com_ports.h"
#include "driver/ports/port_discovery.h"
#include "driver/protocol/byte_escape.h"
#ifdef _WIN32
#include "driver/line/transport_win32.h"
#else
#include "driver/line/rfc2217_transport.h"
#include "driver/line/transport_linux.h"
#endif
#include "driver/line/transport.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace r70 {

// Whether bytes end with the device's final result line (CR LF "OK" CR LF,
// or "ERROR"): after it, the device has said all it will.
bool endsWithFinalLine(std::string_view bytes) noexcept;

class SerialLine final : public TraceSink {
public:
    SerialLine() = default;
    ~SerialLine();
    SerialLine(const SerialLine&) = delete;
    SerialLine& operator=(const SerialLine&) = delete;

    // Opens path as COM<index+1>, closing any port that is open; port is
    // what discovery knows of it (null: nothing). A path longer than the
    // library takes is refused, never cut. On failure fills error with the
    // whole English line (on success error.code = 0).
    bool open(int index, const std::string& path, const SerialPortInfo* port,
              OpenError& error) noexcept;
    // The same without waiting for a network port's connection: Pending while
    // it goes on, continueOpen() asks whether it is done (Opened, Failed with
    // error filled, or still Pending).
    OpenStep beginOpen(int index, const std::string& path, const SerialPortInfo* port,
                       OpenError& error) noexcept;
    OpenStep continueOpen(OpenError& error) noexcept;
    bool isOpen() const noexcept { return line_ != nullptr && line_->isOpen(); }
    // While held, the open port is out of reach: the line acts as closed
    // (every write and read fails at once) until resume(); close() closes it.
    void hold() noexcept;
    void resume() noexcept;
    // Bytes have come within waitMs that nobody read (one of them is taken).
    bool inputWaiting(int waitMs) noexcept;
    // The line hung up (a USB adapter unplugged: the handle is dead for good,
    // even when the device comes back under the same name). Only a new open
    // clears it.
    bool hungUp() const noexcept { return hungUp_; }
    void clearHangUp() noexcept { hungUp_ = false; }
    int index() const noexcept { return index_; }

    // Speed codes 1 = 115200, 2 = 57600, 6 = 19200. Fails when the settings
    // cannot be read (the port is then closed) or written.
    bool setSpeed(int code) noexcept;
    // The next read waits up to ms (+10) for its first byte; every read
    // after it waits the inter-byte constant of the speed (+10).
    void setBudget(int ms) noexcept;

    // Discards input that arrived before the command (stale replies).
    void discardInput() noexcept;
    // Both writes discard pending input first: whatever waits then belongs to
    // an earlier command.
    bool writeText(std::string_view text) noexcept;
    bool writeBytes(const void* data, std::size_t count) noexcept;
    // Reads a reply into buffer (capacity includes the NUL): 0 with the
    // reply NUL-terminated and its length in *length, -2 when nothing came.
    int readReply(char* buffer, std::size_t capacity, std::size_t* length) noexcept;
    void dtr(bool on) noexcept;
    void close() noexcept;

    // A free-form event line in the trace ("speed 19200").
    void traceEvent(std::string_view what) noexcept override;

    // The record of the exchanges for a check of the device (off until started).
    LineWatch& watch() noexcept { return watch_; }

    // What the USB adapter of the line opened last holds back, with
    // what the reader now adds to its waits for it (D_LineAdapter).
    DRVADAPTER adapter() const noexcept;

private:
    OpenStep startOpen(int index, const std::string& path, const SerialPortInfo* port,
                       OpenError& error, bool inSteps) noexcept;
    void opened(Transport& line, const std::string& path, const SerialPortInfo* port) noexcept;
    void openTrace() noexcept;
    // Every wait of the reply reader goes through here.
    bool readByte(int waitMs, char* byte) noexcept;
    void endRead(std::string_view reply, int result) noexcept;
    void noteStale() noexcept;
    bool writeAll(const void* data, std::size_t count, bool command) noexcept;
    int waitFirstMs() noexcept;
    // The wait for a further byte of a reply; finalLine: the bytes so far
    // end with the device's final result line.
    int nextWaitMs(bool finalLine) noexcept;
    void askAdapter(const std::string& path, const SerialPortInfo* port) noexcept;
    void noteHangUp() noexcept;
    void traceExchange(std::string_view reply, int result) noexcept;
    void flushPendingTrace() noexcept;
    void flushRawTrace() noexcept;
    void writeTraceLine(std::string_view what) noexcept;

#ifdef _WIN32
    Win32Transport local_;
#else
    TermiosTransport local_;
    Rfc2217Transport network_{*this};
#endif
    Transport* line_ = nullptr;    // the transport of the open port
    Transport* held_ = nullptr;    // the open port, out of reach (hold)
    Transport* pending_ = nullptr; // an open under way (beginOpen)
    char pendingPath_[DRV_MAX_PATH] = {};
    LineWatch watch_;
    int index_ = -1;
    int budgetMs_ = 200;
    bool budgetPending_ = false;
    int interByteMs_ = 50; // before any speed is set
    unsigned baud_ = 0;    // the line's speed; 0 before any is set
    DRVADAPTER adapter_ = noAdapter();
    int allowMs_ = 0; // what the reader adds to its waits for the adapter
    bool writeFailed_ = false;
    bool hungUp_ = false;
    int traceFd_ = -1;
    char sent_[64] = {}; // command text waiting for its reply (trace)
    std::size_t sentLength_ = 0;
    bool sentPending_ = false;
    // Raw blocks (firmware) written since the last other trace line: the trace
    // gives them one summary line instead of one line per block.
    std::size_t rawBlocks_ = 0;
    std::size_t rawBytes_ = 0;
    std::size_t rawFailed_ = 0;
    long long rawStartMs_ = 0;
};

} // namespace r70

#endif
