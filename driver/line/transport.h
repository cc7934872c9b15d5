// What carries the serial line's bytes: a local port (termios) or a port on
// another machine behind an RFC 2217 server. The serial line keeps the
// budgets, the reply reader and the trace; a transport only moves bytes and
// sets the line's parameters.
#ifndef R70_TRANSPORT_H
#define R70_TRANSPORT_H

#include "driver/api/r70com32.h"
#include "driver/ports/adapter_hold.h"
#include "driver/ports/port_discovery.h"

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <string_view>

#ifdef _WIN32
#include <windows.h>
#endif

namespace r70 {

// The clock every wait of the line is measured on. On Windows the tick count
// moves in steps of the system timer (15.6 ms unless a program asks for
// finer), too coarse for gaps of 20 ms: the performance counter is used.
inline long long monotonicMs() noexcept {
#ifdef _WIN32
    LARGE_INTEGER frequency{}, now{};
    if (!QueryPerformanceFrequency(&frequency) || !QueryPerformanceCounter(&now))
        return static_cast<long long>(GetTickCount64());
    return static_cast<long long>(now.QuadPart / frequency.QuadPart * 1000 +
                                  now.QuadPart % frequency.QuadPart * 1000 / frequency.QuadPart);
#else
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<long long>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
#endif
}

// snprintf that may cut its output (messages, trace lines).
void formatInto(char* out, std::size_t size, const char* format, ...) noexcept
    __attribute__((format(printf, 3, 4)));

// Why the last attempt on a port failed (the DRV_OPENERR_ and DRV_WHY_ codes
// of the header). A transport sets code and either why with the facts it
// needs, or the reason in words in text; describeOpenError then makes text
// the whole English line.
struct OpenError {
    int32_t code = 0;
    int32_t why = 0;
    int32_t pid = 0;    // the process holding the port
    int32_t number = 0; // line discipline, mode, or the longest path
    char path[512] = {};
    char name[64] = {};  // the holder's program, or the node's group
    char owner[64] = {}; // the node's owner
    char detail[256] = {};
    char text[768] = {};
};

// text := "COM<com> (path): reason" in English, from why and the facts, or
// from the words a transport left in text (kept in detail).
void describeOpenError(OpenError& error, int com, std::string_view path) noexcept;
// The facts of error as the library hands them out (D_PortReason).
DRVPORTREASON portReason(const OpenError& error) noexcept;

struct LineSpeed {
    int code; // DRV_SPEED_
    unsigned baud;
    int interByteMs; // the reader's wait for each further byte, less 10 ms
    const char* name;
};

// Where a transport writes its own trace lines.
class TraceSink {
public:
    virtual void traceEvent(std::string_view what) noexcept = 0;

protected:
    ~TraceSink() = default;
};

enum class SpeedResult { Set, Refused, Unreadable };

// An open in steps (a network port's connection, which may take seconds).
enum class OpenStep { Opened, Pending, Failed };

class Transport {
public:
    virtual ~Transport() = default;

    // Opens the line at path. On failure error.code is set and error.text
    // holds the reason alone (the caller names the port).
    virtual bool open(const char* path, OpenError& error) noexcept = 0;
    // The same without waiting: Pending while it goes on in the background,
    // continueOpen() then asks whether it is done. A local line opens at once.
    virtual OpenStep beginOpen(const char* path, OpenError& error) noexcept {
        return open(path, error) ? OpenStep::Opened : OpenStep::Failed;
    }
    virtual OpenStep continueOpen(OpenError& error) noexcept {
        (void)error;
        return OpenStep::Failed;
    }
    virtual bool isOpen() const noexcept = 0;
    // The handle is dead for good (a USB adapter unplugged, the connection
    // dropped); only a new open helps.
    virtual bool hungUp() const noexcept = 0;
    virtual SpeedResult setSpeed(const LineSpeed& speed) noexcept = 0;
    // Drops input that arrived before the next command.
    virtual void discardInput() noexcept = 0;
    virtual bool write(const void* data, std::size_t count) noexcept = 0;
    // A command text whose reply will be read (write() carries raw blocks
    // that get none); a transport that must wait for a quiet line first
    // does so here.
    virtual bool writeCommand(const void* data, std::size_t count) noexcept {
        return write(data, count);
    }
    // One byte of the device's output within timeoutMs; false on silence or
    // a dead line.
    virtual bool readByte(int timeoutMs, char* byte) noexcept = 0;
    // The reader's waits on this line, from the local line's (ms): for the
    // first byte of a reply, and for each further byte. finalLine: the bytes
    // so far end with the device's final result line ("OK", "ERROR"). A
    // local line keeps the local waits.
    virtual int firstByteWaitMs(int localMs) noexcept { return localMs; }
    virtual int nextByteWaitMs(int localMs, bool finalLine) noexcept {
        (void)finalLine;
        return localMs;
    }
    // Right after the open: asks a USB serial adapter behind the line (port:
    // what discovery knows of it; null: nothing) to hold the device's bytes
    // as briefly as it can, and says what it holds now (adapter_hold.h). A
    // line that asks nothing says what its driver shows.
    virtual DRVADAPTER holdLess(const SerialPortInfo* port) noexcept {
        return port != nullptr ? peekHold(*port) : noAdapter();
    }
    // What the last close put back of what holdLess changed ("": nothing).
    virtual const char* givenBack() const noexcept { return ""; }
    virtual void dtr(bool on) noexcept = 0;
    // What the system did instead, when the last DTR request was not done as
    // asked ("not done: the port has DTR handshaking on"); "" when it was.
    virtual const char* dtrNote() const noexcept { return ""; }
    // Discards pending input and output and closes the handle.
    virtual void close() noexcept = 0;
};

} // namespace r70

#endif
