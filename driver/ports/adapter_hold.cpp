#include "driver/ports/adapter_hold.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#ifndef _WIN32
#include <fcntl.h>
#include <unistd.h>
#endif

namespace r70 {
namespace {

// The slowest speed the line uses: before any speed is set, the reader
// allows for that.
constexpr unsigned kSlowestBaud = 19200;

template <std::size_t N> void put(char (&field)[N], std::string_view text) noexcept {
    std::snprintf(field, N, "%.*s", static_cast<int>(text.size()), text.data());
}

} // namespace

DRVADAPTER noAdapter() noexcept {
    DRVADAPTER hold{};
    hold.nPortIndex = -1;
    hold.nState = DRV_ADAPTER_NONE;
    hold.nLatencyMs = hold.nBeforeMs = -1;
    return hold;
}

int holdAllowanceMs(const DRVADAPTER& hold, unsigned baud) noexcept {
    if (hold.nState == DRV_ADAPTER_NONE) return 0;
    // At 1 ms a packet never fills before the timer sends it: what is left
    // is the timer and the frames.
    if (hold.nLatencyMs >= 0 && hold.nLatencyMs <= 1) return 1 + kUsbFramesMs;
    const int latency = hold.nLatencyMs < 0 ? kAssumedLatencyMs : hold.nLatencyMs;
    const long long rate = baud > 0 ? baud : kSlowestBaud;
    const long long requestMs = (kRequestBytes * 10LL * 1000 + rate - 1) / rate;
    return latency + static_cast<int>(requestMs) + kUsbFramesMs;
}

int parseLatency(std::string_view text) noexcept {
    int value = 0;
    std::size_t digits = 0;
    while (digits < text.size() && digits < 4 && text[digits] >= '0' && text[digits] <= '9')
        value = value * 10 + (text[digits++] - '0');
    const std::string_view rest = text.substr(digits);
    if (digits == 0 || value > 255 || rest.find_first_not_of(" \n") != std::string_view::npos)
        return -1;
    return value;
}

DRVADAPTER peekHold(const SerialPortInfo& port) noexcept {
    DRVADAPTER hold = noAdapter();
    if (port.kind == PortKind::Builtin) return hold;
    hold.nState = DRV_ADAPTER_UNKNOWN;
    put(hold.szDriver, port.driver);
    readLatencySetting(port, hold);
    return hold;
}

#ifndef _WIN32
void readLatencySetting(const SerialPortInfo& port, DRVADAPTER& hold) noexcept {
    if (port.adapterKey.empty()) return;
    char path[700];
    std::snprintf(path, sizeof path, "%s/latency_timer", port.adapterKey.c_str());
    // Non-blocking: whatever stands there, reading it never waits.
    const int fd = ::open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT)
            put(hold.szDetail, "its driver shows no latency_timer");
        else
            std::snprintf(hold.szDetail, sizeof hold.szDetail, "latency_timer unreadable (%s)",
                          std::strerror(errno));
        return;
    }
    char text[16] = {};
    const ssize_t n = ::read(fd, text, sizeof text - 1);
    const int error = errno;
    ::close(fd);
    if (n < 0) {
        std::snprintf(hold.szDetail, sizeof hold.szDetail, "latency_timer unreadable (%s)",
                      std::strerror(error));
        return;
    }
    const int latency = parseLatency(std::string_view(text, static_cast<std::size_t>(n)));
    if (latency < 0) {
        put(hold.szDetail, "latency_timer unreadable (no number in it)");
        return;
    }
    hold.nState = DRV_ADAPTER_HOLDS;
    hold.nLatencyMs = hold.nBeforeMs = latency;
}
#endif

void describeHold(const DRVADAPTER& hold, int allowMs, char* out, std::size_t size) noexcept {
    if (out == nullptr || size == 0) return;
    char latency[96];
    switch (hold.nState) {
    case DRV_ADAPTER_UNKNOWN:
        std::snprintf(latency, sizeof latency, "latency not known");
        break;
    case DRV_ADAPTER_LOWERED:
        std::snprintf(latency, sizeof latency, "latency %d ms (lowered from %d ms)",
                      static_cast<int>(hold.nLatencyMs), static_cast<int>(hold.nBeforeMs));
        break;
    case DRV_ADAPTER_STUCK:
        std::snprintf(latency, sizeof latency, "latency %d ms, could not be lowered",
                      static_cast<int>(hold.nLatencyMs));
        break;
    default:
        std::snprintf(latency, sizeof latency, "latency %d ms", static_cast<int>(hold.nLatencyMs));
        break;
    }
    char allow[64] = "";
    if (allowMs > 0)
        std::snprintf(allow, sizeof allow, "; replies are read with waits %d ms longer", allowMs);
    std::snprintf(out, size, "driver %s, %s%s%s%s",
                  hold.szDriver[0] != '\0' ? hold.szDriver : "USB", latency,
                  hold.szDetail[0] != '\0' ? ": " : "", hold.szDetail, allow);
}

} // namespace r70
