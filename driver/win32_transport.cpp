// The local serial port on the Windows serial functions.
//
// Reading: the interval time-out of COMMTIMEOUTS only acts between the bytes
// of one ReadFile, and a reply is taken one byte per read so that its end is
// the first gap. A one-byte ReadFile therefore ends at the total time-out
// (multiplier x 1 + constant), and the reader's waits, for the first byte and
// for each further one, are set as that constant. The port's time-outs are
// changed only when the wait changes: twice per reply.
#include "driver/win32_transport.h"

#include "driver/catalogue.h"
#include "driver/r70com32.h"
#include "driver/serial_line.h"

#include <cstdio>

namespace r70 {
namespace {

// The line's fixed time-outs; only the read total constant follows the reader.
constexpr DWORD kReadIntervalMs = 20;
constexpr DWORD kReadMultiplierMs = 10;
constexpr DWORD kWriteMultiplierMs = 10;
constexpr DWORD kWriteConstantMs = 20;
// Bounded repetition of a refused DTR request (a virtual port may have no DTR).
constexpr int kDtrAttempts = 3;

// The system's sentence for an error code, without its line break.
void systemMessage(DWORD code, char* out, std::size_t size) noexcept {
    const DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                   nullptr, code, 0, out, static_cast<DWORD>(size), nullptr);
    std::size_t end = n;
    while (end > 0 && (out[end - 1] == '\r' || out[end - 1] == '\n' || out[end - 1] == ' ' ||
                       out[end - 1] == '.'))
        --end;
    if (end == 0) {
        std::snprintf(out, size, "Windows error %lu", static_cast<unsigned long>(code));
        return;
    }
    out[end] = '\0';
}

// Errors after which the handle stays dead (a USB adapter was unplugged).
bool isHangUp(DWORD code) noexcept {
    switch (code) {
    case ERROR_ACCESS_DENIED:
    case ERROR_BAD_COMMAND:
    case ERROR_DEVICE_NOT_CONNECTED:
    case ERROR_DEVICE_REMOVED:
    case ERROR_GEN_FAILURE:
    case ERROR_INVALID_HANDLE:
        return true;
    default:
        return false;
    }
}

} // namespace

// COM names are the system's own: COMn is \\.\COMn (the prefix also reaches
// COM10 and above, which the plain name does not).
bool portPath(int index, char* path, std::size_t size) noexcept {
    if (index < 0 || index >= kPortCount) {
        copyText(path, size, "");
        return false;
    }
    formatInto(path, size, "\\\\.\\COM%d", index + 1);
    return true;
}

bool Win32Transport::open(const char* path, OpenError& error) noexcept {
    auto fail = [&](int code, const char* reason) {
        error.code = code;
        copyText(error.text, sizeof error.text, reason);
        return false;
    };
    // No sharing: a second open, by us or another program, is refused.
    HANDLE h =
        CreateFileA(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        const DWORD e = GetLastError();
        if (e == ERROR_FILE_NOT_FOUND || e == ERROR_PATH_NOT_FOUND)
            return fail(DRV_OPENERR_ABSENT, "no such port");
        // The system answers "access denied" for a port another program holds.
        if (e == ERROR_ACCESS_DENIED || e == ERROR_SHARING_VIOLATION)
            return fail(DRV_OPENERR_BUSY, "busy — another program holds it (access denied)");
        char reason[200];
        systemMessage(e, reason, sizeof reason);
        return fail(DRV_OPENERR_NOTSERIAL, reason);
    }
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    COMMTIMEOUTS timeouts{};
    if (!GetCommState(h, &dcb) || !GetCommTimeouts(h, &timeouts)) {
        const DWORD e = GetLastError();
        CloseHandle(h);
        // A port name whose device is gone (Wine keeps the name) fails here.
        if (e == ERROR_FILE_NOT_FOUND || e == ERROR_PATH_NOT_FOUND)
            return fail(DRV_OPENERR_ABSENT, "no such port");
        char reason[200];
        systemMessage(e, reason, sizeof reason);
        char text[256];
        formatInto(text, sizeof text, "not a serial line (%s)", reason);
        return fail(DRV_OPENERR_NOTSERIAL, text);
    }
    timeouts.ReadIntervalTimeout = kReadIntervalMs;
    timeouts.ReadTotalTimeoutMultiplier = kReadMultiplierMs;
    timeouts.WriteTotalTimeoutMultiplier = kWriteMultiplierMs;
    timeouts.WriteTotalTimeoutConstant = kWriteConstantMs;
    handle_ = h;
    timeouts_ = timeouts;
    readTimeoutMs_ = -1;
    hungUp_ = false;
    if (!applyReadTimeout(60)) { // the wait before any speed is set
        close();
        return fail(DRV_OPENERR_NOTSERIAL, "not a serial line (time-outs refused)");
    }
    return true;
}

bool Win32Transport::applyReadTimeout(int timeoutMs) noexcept {
    if (timeoutMs == readTimeoutMs_) return true;
    const DWORD total = timeoutMs > 0 ? static_cast<DWORD>(timeoutMs) : 0;
    timeouts_.ReadTotalTimeoutConstant = total > kReadMultiplierMs ? total - kReadMultiplierMs : 0;
    if (!SetCommTimeouts(handle_, &timeouts_)) {
        noteFailure();
        readTimeoutMs_ = -1;
        return false;
    }
    readTimeoutMs_ = timeoutMs;
    return true;
}

void Win32Transport::noteFailure() noexcept {
    if (isHangUp(GetLastError())) hungUp_ = true;
}

SpeedResult Win32Transport::setSpeed(const LineSpeed& speed) noexcept {
    if (handle_ == INVALID_HANDLE_VALUE) return SpeedResult::Unreadable;
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (!GetCommState(handle_, &dcb)) {
        noteFailure();
        return SpeedResult::Unreadable;
    }
    // 8N1 at the speed; flow control and the rest stay as the port had them.
    dcb.BaudRate = speed.baud;
    dcb.ByteSize = 8;
    dcb.Parity = NOPARITY;
    dcb.StopBits = ONESTOPBIT;
    dcb.fBinary = TRUE;
    dcb.fParity = FALSE;
    if (!SetCommState(handle_, &dcb)) {
        noteFailure();
        return SpeedResult::Refused;
    }
    return SpeedResult::Set;
}

void Win32Transport::discardInput() noexcept {
    if (handle_ != INVALID_HANDLE_VALUE) (void)PurgeComm(handle_, PURGE_RXCLEAR);
}

bool Win32Transport::write(const void* data, std::size_t count) noexcept {
    if (handle_ == INVALID_HANDLE_VALUE) return false;
    const auto* p = static_cast<const char*>(data);
    std::size_t done = 0;
    // The write time-outs bound each WriteFile; a short write is a timed-out line.
    while (done < count) {
        const std::size_t chunk = count - done < 65536 ? count - done : 65536;
        DWORD written = 0;
        if (!WriteFile(handle_, p + done, static_cast<DWORD>(chunk), &written, nullptr)) {
            noteFailure();
            return false;
        }
        if (written == 0) return false;
        done += written;
    }
    return true;
}

bool Win32Transport::readByte(int timeoutMs, char* byte) noexcept {
    if (handle_ == INVALID_HANDLE_VALUE || !applyReadTimeout(timeoutMs)) return false;
    DWORD got = 0;
    if (!ReadFile(handle_, byte, 1, &got, nullptr)) {
        noteFailure();
        return false;
    }
    return got == 1;
}

void Win32Transport::dtr(bool on) noexcept {
    if (handle_ == INVALID_HANDLE_VALUE) return;
    for (int attempt = 0; attempt < kDtrAttempts; ++attempt)
        if (EscapeCommFunction(handle_, on ? SETDTR : CLRDTR)) break;
}

void Win32Transport::close() noexcept {
    if (handle_ == INVALID_HANDLE_VALUE) return;
    (void)PurgeComm(handle_, PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR);
    CloseHandle(handle_);
    handle_ = INVALID_HANDLE_VALUE;
    readTimeoutMs_ = -1;
}

} // namespace r70
