// The one serial line of the driver: COMn -> device path (or the network
// address of a port behind an RFC 2217 server), open, speed, read budgets,
// the reply reader, DTR, close; plus the optional line trace.
#ifndef R70_SERIAL_LINE_H
#define R70_SERIAL_LINE_H

#include "driver/port_discovery.h"
#ifdef _WIN32
#include "driver/win32_transport.h"
#else
#include "driver/rfc2217_transport.h"
#include "driver/termios_transport.h"
#endif
#include "driver/transport.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace r70 {

inline constexpr int kPortCount = 8;

// The device path of COM<index+1>. With R70COM_PORTS set, its entries and
// the fixed map for the ports it does not list; otherwise the chosen port,
// then the ports of this machine (port_discovery.h; on Windows the system's
// COM ports, \\.\COMn). Returns false when the port has no path. The path
// is cut to size.
bool portPath(int index, char* path, std::size_t size) noexcept;

// The path of COM<index+1> and, when it is a port of this machine, what
// discovery knows of it. False when the port has no path.
bool portEntry(int index, std::string& path, std::optional<SerialPortInfo>& port) noexcept;

// The port the user chose (a stable name; empty: search all). It becomes
// COM1 while it is present.
void setPortChoice(std::string_view path) noexcept;

// The COM index where a port that was open before is now, -1 when it is gone
// or the map does not come from discovery (R70COM_PORTS).
int findPortAgain(const SerialPortInfo& port) noexcept;

// Escapes bytes for the trace: <CR>, <LF>, \xNN for other control bytes.
// Writes at most size-1 characters and a NUL; returns the length written.
std::size_t escapeBytes(std::string_view bytes, char* out, std::size_t size) noexcept;

class SerialLine final : public TraceSink {
public:
    SerialLine() = default;
    ~SerialLine();
    SerialLine(const SerialLine&) = delete;
    SerialLine& operator=(const SerialLine&) = delete;

    // Opens COM<index+1>, closing any port that is open. On failure fills
    // error (on success error.code = 0).
    bool open(int index, OpenError& error) noexcept;
    bool isOpen() const noexcept { return line_ != nullptr && line_->isOpen(); }
    // The line hung up (a USB adapter unplugged: the handle is dead for good,
    // even when the device comes back under the same name).
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

private:
    void openTrace() noexcept;
    bool writeAll(const void* data, std::size_t count) noexcept;
    int waitFirstMs() noexcept;
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
    Transport* line_ = nullptr; // the transport of the open port
    int index_ = -1;
    int budgetMs_ = 200;
    bool budgetPending_ = false;
    int interByteMs_ = 50; // before any speed is set
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
