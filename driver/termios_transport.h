// A local serial port on termios: exclusive open, raw 8N1, speed, DTR.
#ifndef R70_TERMIOS_TRANSPORT_H
#define R70_TERMIOS_TRANSPORT_H

#include "driver/transport.h"

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
    void dtr(bool on) noexcept override;
    void close() noexcept override;

private:
    int fd_ = -1;
    bool hungUp_ = false;
};

} // namespace r70

#endif
