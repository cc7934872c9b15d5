// The local serial port on the Windows serial functions.
//
// Reading: the interval time-out of COMMTIMEOUTS only acts between the bytes
// of one ReadFile, and a reply is taken one byte per read so that its end is
// the first gap. A one-byte ReadFile therefore ends at the total time-out
// (multiplier x 1 + constant), and the reader's waits, for the first byte and
// for each further one, are set as that constant. The port's time-outs are
// changed only when the wait changes: twice per reply.
//
// Line errors: a port that another program left with abort-on-error set
// fails every read and write after one framing error or overrun until the
// error is cleared. Errors are cleared at the open, before every command, and
// when a read or write is aborted (that one is then tried once more).
#include "driver/line/transport_win32.h"

#include "driver/api/r70com32.h"
#include "driver/protocol/catalogue.h"

#include <cstdio>
#include <cwchar>

namespace r70 {
namespace {

// The line's fixed time-outs; only the read total constant follows the reader.
constexpr DWORD kReadIntervalMs = 20;
constexpr DWORD kReadMultiplierMs = 10;
constexpr DWORD kWriteMultiplierMs = 10;
constexpr DWORD kWriteConstantMs = 20;
// Bounded repetition of a refused DTR request (a virtual port may have no DTR).
constexpr int kDtrAttempts = 3;

// The system's sentence for an error code, in UTF-8, without its line break.
void systemMessage(DWORD code, char* out, std::size_t size) noexcept {
    wchar_t text[256];
    DWORD n = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                             code, 0, text, sizeof text / sizeof text[0], nullptr);
    while (n > 0 && (text[n - 1] == L'\r' || text[n - 1] == L'\n' || text[n - 1] == L' ' ||
                     text[n - 1] == L'.'))
        --n;
    const int written = n == 0 || size == 0
                            ? 0
                            : WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(n), out,
                                                  static_cast<int>(size - 1), nullptr, nullptr);
    if (written <= 0) {
        std::snprintf(out, size, "Windows error %lu", static_cast<unsigned long>(code));
        return;
    }
    out[written] = '\0';
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

const CommFunctions& systemCommFunctions() noexcept {
    static const CommFunctions functions{
        ::CreateFileW,     ::CloseHandle,     ::GetCommState,       ::SetCommState,
        ::GetCommTimeouts, ::SetCommTimeouts, ::ReadFile,           ::WriteFile,
        ::PurgeComm,       ::ClearCommError,  ::EscapeCommFunction,
    };
    return functions;
}

bool Win32Transport::open(const char* path, OpenError& error) noexcept {
    auto fail = [&](int code, const char* reason) {
        error.code = code;
        copyText(error.text, sizeof error.text, reason);
        return false;
    };
    wchar_t name[260];
    if (MultiByteToWideChar(CP_UTF8, 0, path, -1, name, 260) == 0)
        return fail(DRV_OPENERR_ABSENT, "no such port (the name is too long)");
    // No sharing: a second open, by us or another program, is refused.
    HANDLE h =
        comm_.createFile(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
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
    if (!comm_.getCommState(h, &dcb) || !comm_.getCommTimeouts(h, &timeouts)) {
        const DWORD e = GetLastError();
        comm_.closeHandle(h);
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
    dtrNote_[0] = '\0';
    // An error the last program left on the port would stop the first read.
    (void)clearLineError();
    if (!applyReadTimeout(60)) { // the wait before any speed is set
        close();
        return fail(DRV_OPENERR_NOTSERIAL, "not a serial line (time-outs refused)");
    }
    return true;
}

bool Win32Transport::clearLineError() noexcept {
    DWORD errors = 0;
    COMSTAT status{};
    return comm_.clearCommError(handle_, &errors, &status) != 0;
}

bool Win32Transport::applyReadTimeout(int timeoutMs) noexcept {
    if (timeoutMs == readTimeoutMs_) return true;
    const DWORD total = timeoutMs > 0 ? static_cast<DWORD>(timeoutMs) : 0;
    timeouts_.ReadTotalTimeoutConstant = total > kReadMultiplierMs ? total - kReadMultiplierMs : 0;
    if (!comm_.setCommTimeouts(handle_, &timeouts_)) {
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
    if (!comm_.getCommState(handle_, &dcb)) {
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
    if (!comm_.setCommState(handle_, &dcb)) {
        noteFailure();
        return SpeedResult::Refused;
    }
    return SpeedResult::Set;
}

void Win32Transport::discardInput() noexcept {
    if (handle_ == INVALID_HANDLE_VALUE) return;
    (void)clearLineError(); // each command starts on a line without a pending error
    (void)comm_.purgeComm(handle_, PURGE_RXCLEAR);
}

bool Win32Transport::write(const void* data, std::size_t count) noexcept {
    if (handle_ == INVALID_HANDLE_VALUE) return false;
    const auto* p = static_cast<const char*>(data);
    std::size_t done = 0;
    bool cleared = false;
    // The write time-outs bound each WriteFile; a short write is a timed-out line.
    while (done < count) {
        const std::size_t chunk = count - done < 65536 ? count - done : 65536;
        DWORD written = 0;
        if (!comm_.writeFile(handle_, p + done, static_cast<DWORD>(chunk), &written, nullptr)) {
            if (GetLastError() == ERROR_OPERATION_ABORTED && !cleared && clearLineError()) {
                cleared = true;
                continue;
            }
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
    for (int attempt = 0; attempt < 2; ++attempt) {
        DWORD got = 0;
        if (comm_.readFile(handle_, byte, 1, &got, nullptr)) return got == 1;
        // Aborted by a line error (a garbled byte): cleared, and read again.
        if (GetLastError() != ERROR_OPERATION_ABORTED || !clearLineError()) break;
    }
    noteFailure();
    return false;
}

void Win32Transport::dtr(bool on) noexcept {
    if (handle_ == INVALID_HANDLE_VALUE) return;
    dtrNote_[0] = '\0';
    DWORD err = ERROR_SUCCESS;
    for (int attempt = 0; attempt < kDtrAttempts; ++attempt) {
        if (comm_.escapeCommFunction(handle_, on ? SETDTR : CLRDTR)) return;
        err = GetLastError();
    }
    // The system refuses to move DTR by hand while DTR handshaking drives it.
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (comm_.getCommState(handle_, &dcb) && dcb.fDtrControl == DTR_CONTROL_HANDSHAKE) {
        copyText(dtrNote_, sizeof dtrNote_,
                 "not done: the port has DTR handshaking on (DTR follows the input buffer)");
        return;
    }
    char reason[120];
    systemMessage(err, reason, sizeof reason);
    formatInto(dtrNote_, sizeof dtrNote_, "not done: %s", reason);
}

void Win32Transport::close() noexcept {
    if (handle_ == INVALID_HANDLE_VALUE) return;
    (void)comm_.purgeComm(handle_, PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR);
    comm_.closeHandle(handle_);
    handle_ = INVALID_HANDLE_VALUE;
    readTimeoutMs_ = -1;
}

} // namespace r70
