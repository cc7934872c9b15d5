// A local serial port on the Windows serial functions: exclusive open of
// \\.\COMn, 8N1 at the speed codes, time-outs per read, DTR.
#ifndef R70_WIN32_TRANSPORT_H
#define R70_WIN32_TRANSPORT_H

#include "driver/line/transport.h"

#include <windows.h>

namespace r70 {

// The system's serial functions, as the transport calls them. A test hands
// in its own to play a port in a state a real one is hard to bring into: a
// line error while the port has abort-on-error set, DTR handshaking.
struct CommFunctions {
    decltype(&::CreateFileW) createFile;
    decltype(&::CloseHandle) closeHandle;
    decltype(&::GetCommState) getCommState;
    decltype(&::SetCommState) setCommState;
    decltype(&::GetCommTimeouts) getCommTimeouts;
    decltype(&::SetCommTimeouts) setCommTimeouts;
    decltype(&::ReadFile) readFile;
    decltype(&::WriteFile) writeFile;
    decltype(&::PurgeComm) purgeComm;
    decltype(&::ClearCommError) clearCommError;
    decltype(&::EscapeCommFunction) escapeCommFunction;
};
const CommFunctions& systemCommFunctions() noexcept;

class Win32Transport final : public Transport {
public:
    explicit Win32Transport(const CommFunctions& comm = systemCommFunctions()) noexcept
        : comm_(comm) {}
    Win32Transport(const Win32Transport&) = delete;
    Win32Transport& operator=(const Win32Transport&) = delete;
    bool open(const char* path, OpenError& error) noexcept override;
    bool isOpen() const noexcept override { return handle_ != INVALID_HANDLE_VALUE; }
    bool hungUp() const noexcept override { return hungUp_; }
    SpeedResult setSpeed(const LineSpeed& speed) noexcept override;
    void discardInput() noexcept override;
    bool write(const void* data, std::size_t count) noexcept override;
    bool readByte(int timeoutMs, char* byte) noexcept override;
    void dtr(bool on) noexcept override;
    const char* dtrNote() const noexcept override { return dtrNote_; }
    void close() noexcept override;

private:
    bool applyReadTimeout(int timeoutMs) noexcept;
    void noteFailure() noexcept;
    bool clearLineError() noexcept;

    const CommFunctions& comm_;
    HANDLE handle_ = INVALID_HANDLE_VALUE;
    COMMTIMEOUTS timeouts_{};
    int readTimeoutMs_ = -1; // what the port's read time-outs give one byte now
    bool hungUp_ = false;
    char dtrNote_[160] = {};
};

} // namespace r70

#endif
