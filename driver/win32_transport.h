// A local serial port on the Windows serial functions: exclusive open of
// \\.\COMn, 8N1 at the speed codes, time-outs per read, DTR.
#ifndef R70_WIN32_TRANSPORT_H
#define R70_WIN32_TRANSPORT_H

#include "driver/transport.h"

#include <windows.h>

namespace r70 {

class Win32Transport final : public Transport {
public:
    bool open(const char* path, OpenError& error) noexcept override;
    bool isOpen() const noexcept override { return handle_ != INVALID_HANDLE_VALUE; }
    bool hungUp() const noexcept override { return hungUp_; }
    SpeedResult setSpeed(const LineSpeed& speed) noexcept override;
    void discardInput() noexcept override;
    bool write(const void* data, std::size_t count) noexcept override;
    bool readByte(int timeoutMs, char* byte) noexcept override;
    void dtr(bool on) noexcept override;
    void close() noexcept override;

private:
    bool applyReadTimeout(int timeoutMs) noexcept;
    void noteFailure() noexcept;

    HANDLE handle_ = INVALID_HANDLE_VALUE;
    COMMTIMEOUTS timeouts_{};
    int readTimeoutMs_ = -1; // what the port's read time-outs give one byte now
    bool hungUp_ = false;
};

} // namespace r70

#endif
