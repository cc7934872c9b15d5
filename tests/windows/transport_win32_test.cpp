// The serial line on the Windows serial functions, against a port played by
// this test in states a real one is hard to bring into on purpose, as the
// system documents them: a port another program left with abort-on-error
// set, on which every read and write fails with ERROR_OPERATION_ABORTED after
// a line error until ClearCommError is called; and a port left with DTR
// handshaking, on which the system refuses to move DTR by hand. And the
// latency timer FTDI's driver keeps for each port in the registry.
//   transport_win32_test.exe
#include "driver/api/r70com32.h"
#include "driver/line/transport_win32.h"
#include "driver/ports/adapter_hold.h"
#include "driver/ports/com_list.h"
#include "windows/check.h"

#include <windows.h>

#include <cstring>
#include <string>

namespace {

wintest::Tally t;

struct PlayedPort {
    bool lineError = false;   // an error is pending: I/O aborts until cleared
    std::size_t garbleAt = 0; // the byte whose arrival raises a line error (0: none)
    std::string input;        // what the device sends
    std::size_t delivered = 0;
    std::string written;
    DWORD dtrControl = DTR_CONTROL_ENABLE;
    bool dtr = true;
    int clears = 0;
};
PlayedPort port;
HANDLE const kHandle = reinterpret_cast<HANDLE>(static_cast<INT_PTR>(0x5150));

BOOL aborted() {
    SetLastError(ERROR_OPERATION_ABORTED);
    return FALSE;
}

HANDLE WINAPI playCreate(LPCWSTR, DWORD, DWORD, LPSECURITY_ATTRIBUTES, DWORD, DWORD, HANDLE) {
    return kHandle;
}
BOOL WINAPI playClose(HANDLE) {
    return TRUE;
}
BOOL WINAPI playGetState(HANDLE, LPDCB dcb) {
    dcb->fAbortOnError = TRUE;
    dcb->fDtrControl = port.dtrControl;
    return TRUE;
}
BOOL WINAPI playSetState(HANDLE, LPDCB) {
    return TRUE;
}
BOOL WINAPI playGetTimeouts(HANDLE, LPCOMMTIMEOUTS timeouts) {
    *timeouts = COMMTIMEOUTS{};
    return TRUE;
}
BOOL WINAPI playSetTimeouts(HANDLE, LPCOMMTIMEOUTS) {
    return TRUE;
}
BOOL WINAPI playRead(HANDLE, LPVOID buffer, DWORD, LPDWORD got, LPOVERLAPPED) {
    *got = 0;
    if (port.lineError) return aborted();
    if (port.garbleAt != 0 && port.delivered + 1 == port.garbleAt) {
        port.garbleAt = 0; // the garbled byte itself is lost
        ++port.delivered;
        port.lineError = true;
        return aborted();
    }
    if (port.delivered >= port.input.size()) return TRUE; // silence: the time-out
    *static_cast<char*>(buffer) = port.input[port.delivered++];
    *got = 1;
    return TRUE;
}
BOOL WINAPI playWrite(HANDLE, LPCVOID data, DWORD count, LPDWORD written, LPOVERLAPPED) {
    *written = 0;
    if (port.lineError) return aborted();
    port.written.append(static_cast<const char*>(data), count);
    *written = count;
    return TRUE;
}
BOOL WINAPI playPurge(HANDLE, DWORD) {
    return TRUE; // purging does not clear a line error
}
BOOL WINAPI playClear(HANDLE, LPDWORD errors, LPCOMSTAT) {
    if (errors != nullptr) *errors = port.lineError ? CE_FRAME : 0;
    port.lineError = false;
    ++port.clears;
    return TRUE;
}
BOOL WINAPI playEscape(HANDLE, DWORD function) {
    if ((function == SETDTR || function == CLRDTR) && port.dtrControl == DTR_CONTROL_HANDSHAKE) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (function == SETDTR || function == CLRDTR) port.dtr = function == SETDTR;
    return TRUE;
}

const r70::CommFunctions kPlayed{playCreate,      playClose,       playGetState, playSetState,
                                 playGetTimeouts, playSetTimeouts, playRead,     playWrite,
                                 playPurge,       playClear,       playEscape};

// One command and its reply, as the serial line does it.
std::string exchange(r70::Win32Transport& line, const char* command) {
    line.discardInput();
    if (!line.write(command, std::strlen(command))) return "(write failed)";
    std::string reply;
    char byte = 0;
    int wait = 210;
    while (line.readByte(wait, &byte)) {
        reply += byte;
        wait = 20;
    }
    return reply;
}

void lineErrorsAreCleared() {
    // Left by another program with an error pending: the first command works.
    port = PlayedPort{};
    port.lineError = true;
    port.input = "\r\nOK\r\n";
    r70::Win32Transport line(kPlayed);
    r70::OpenError error;
    t.check(line.open("\\\\.\\COM3", error), "the port opens");
    t.check(exchange(line, "AT\r") == "\r\nOK\r\n", "a port left with a line error answers");
    t.check(port.written == "AT\r", "the command went out");

    // A garbled byte in the middle of a reply: the rest of it still comes.
    port.input = "\r\nV2.10 R70\r\n";
    port.delivered = 0;
    port.garbleAt = 5; // the "." is garbled and lost
    const std::string reply = exchange(line, "ATI3\r");
    t.check(reply == "\r\nV210 R70\r\n", "the reply goes on after a line error: '" + reply + "'");
    t.check(port.clears >= 2, "errors were cleared");
    line.close();
}

void dtrHandshakingIsReported() {
    port = PlayedPort{};
    r70::Win32Transport line(kPlayed);
    r70::OpenError error;
    line.open("\\\\.\\COM3", error);
    line.dtr(false);
    t.check(!port.dtr && std::string(line.dtrNote()).empty(), "DTR drops, nothing to report");
    line.dtr(true);

    port.dtrControl = DTR_CONTROL_HANDSHAKE;
    line.dtr(false);
    const std::string note = line.dtrNote();
    t.check(port.dtr && note.find("DTR handshaking") != std::string::npos,
            "a refused DTR pulse says why: '" + note + "'");
    line.close();
}

// FTDI's driver keeps a latency timer per port (LatencyTimer in the
// device's parameters, which Device Manager's Advanced port settings show);
// the reader allows for it as on Linux. Other drivers show none.
void ftdiLatencyComesFromTheRegistry() {
    const char* id = "FTDIBUS\\VID_0403+PID_6001+Q33TESTA\\0000";
    const std::wstring key = L"SYSTEM\\CurrentControlSet\\Enum\\FTDIBUS\\VID_0403+PID_6001+"
                             L"Q33TESTA\\0000\\Device Parameters";
    HKEY k = nullptr;
    if (!t.check(RegCreateKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE,
                                 nullptr, &k, nullptr) == ERROR_SUCCESS,
                 "the test's FTDI port in the registry"))
        return;
    const r70::SerialPortInfo ftdi =
        r70::comPortInfo("COM7", {id, "FTDI", "USB Serial Port", "FTSER2K"});
    t.check(ftdi.driver == "FTSER2K" && ftdi.adapterKey == id, "the port's driver and its key");
    for (const DWORD ms : {16, 1}) {
        RegSetValueExW(k, L"LatencyTimer", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&ms),
                       sizeof ms);
        const DRVADAPTER a = r70::peekHold(ftdi);
        t.check(a.nState == DRV_ADAPTER_HOLDS && a.nLatencyMs == static_cast<int32_t>(ms),
                "LatencyTimer " + std::to_string(ms) + " is read: " + std::to_string(a.nLatencyMs));
        t.check(r70::holdAllowanceMs(a, 115200) == (ms == 16 ? 63 : 3),
                "the reader allows for " + std::to_string(ms) + " ms");
    }
    RegCloseKey(k);
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, key.c_str());
    const DRVADAPTER gone = r70::peekHold(ftdi);
    t.check(gone.nState == DRV_ADAPTER_UNKNOWN && r70::holdAllowanceMs(gone, 115200) == 63,
            std::string("without its key the latency is not known: ") + gone.szDetail);
    const r70::SerialPortInfo acm = r70::comPortInfo(
        "COM8", {"USB\\VID_2341&PID_0043\\7583", "Arduino", "USB Serial Device", "usbser"});
    const DRVADAPTER other = r70::peekHold(acm);
    t.check(other.nState == DRV_ADAPTER_UNKNOWN &&
                std::string(other.szDetail) == "its driver shows no latency timer",
            std::string("another driver shows none: ") + other.szDetail);
    t.check(r70::peekHold(r70::comPortInfo("COM1", {})).nState == DRV_ADAPTER_NONE,
            "a built-in port has no adapter");
}

} // namespace

int main() {
    lineErrorsAreCleared();
    dtrHandshakingIsReported();
    ftdiLatencyComesFromTheRegistry();
    return t.finish(sizeof(void*) == 4 ? "line (32-bit)" : "line (64-bit)");
}
