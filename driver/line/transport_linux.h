// A local serial port on termios: an open that leaves alone what belongs to
// the system or another program (the console, a login, another line
// discipline, an exclusive holder, a UUCP lock file), exclusive use, raw 8N1,
// speed, DTR, and the port's own line settings back on close.
#ifndef R70_TERMIOS_TRANSPORT_H
#define R70_TERMIOS_TRANSPORT_H

#include "driver/line/transport.h"
#include "driver/line/usb_latency_linux.h"

#include <string>
#include <termios.h>

namespace r70 {

// How long one write may take: the constant plus so much per byte.
inline constexpr long long kWriteConstantMs = 20;
inline constexpr long long kWritePerByteMs = 10;

class TermiosTransport final : public Transport {
public:
    bool open(const char* path, OpenError& error) noexcept override;
    bool isOpen() const noexcept override { return fd_ >= 0; }
    bool hungUp() const noexcept override { return hungUp_; }
    SpeedResult setSpeed(const LineSpeed& speed) noexcept override;
    void discardInput() noexcept override;
    bool write(const void* data, std::size_t count) noexcept override;
    bool readByte(int timeoutMs, char* byte) noexcept override;
    DRVADAPTER holdLess(const SerialPortInfo* port) noexcept override;
    const char* givenBack() const noexcept override { return givenBack_; }
    void dtr(bool on) noexcept override;
    void close() noexcept override;

    // The tty's kernel name for the next open's lock file ("ttyUSB0"); empty:
    // made from the path.
    void setTtyName(const std::string& name) noexcept;

private:
    bool openChecked(const char* path, OpenError& error);

    int fd_ = -1;
    bool hungUp_ = false;
    termios original_{}; // the port's settings before the open, put back on close
    char ttyName_[128] = {};
    char lockFile_[600] = {}; // ours while the port is open; empty: none written
    UsbLatency latency_;
    char givenBack_[256] = {};
};

} // namespace r70

#endif
