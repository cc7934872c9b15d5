// R70COM32.dll as the program binds it: LoadLibrary, entry 2 by ordinal,
// against the simulated R70 on COM3. The simulator runs with a 300 ms pause
// after 120 bytes of every reply, which only the long call list of port 11
// reaches: that reply ends at the pause and its tail is stale input for the
// next command.
//   r70com32_win32_test.exe PATH-OF-R70COM32.dll
// With "records FOLDER", against a simulator whose port 22 has a call list
// longer than 960 bytes and whose changed settings text is long: records as
// a program written against the field table fills them, full of bytes left
// from earlier use; and an unload, which must close the port and the trace
// (kept in FOLDER\J\u00fcrgen).
//   r70com32_win32_test.exe PATH-OF-R70COM32.dll records FOLDER
#include "driver/api/r70com32.h"
#include "support/catalogue_rows.h"
#include "windows/check.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

using SendFn = int32_t(R70COM32_CALL*)(uint16_t, DRVPARAM*);
using LastOpenErrorFn = int32_t(R70COM32_CALL*)(int32_t, char*, int32_t);

constexpr int kCom3 = 2;
constexpr int kAnalogPorts[] = {11, 21, 22, 31, 32};

wintest::Tally t;
SendFn send = nullptr;

// GetProcAddress gives a generic function pointer; the entry has its own type.
template <class F> F entry(HMODULE dll, LPCSTR name) {
    FARPROC p = GetProcAddress(dll, name);
    F f;
    static_assert(sizeof f == sizeof p);
    std::memcpy(&f, &p, sizeof f);
    return f;
}

std::string what(const char* check, const DRVPARAM& p) {
    return std::string(check) + " (" + p.szCmd + ")";
}

#if defined(__i386__)
// How far the stack pointer moved across one call of DRV_NOP with a null
// record: 0 when the callee pops both arguments.
long stackChange(SendFn f, int32_t* result) {
    unsigned long before = 0, after = 0;
    asm volatile("movl %%esp, %0\n\t"
                 "pushl $0\n\t"
                 "pushl $2\n\t"
                 "call *%3\n\t"
                 "movl %%esp, %1\n\t"
                 "movl %0, %%esp"
                 : "=&r"(before), "=&r"(after), "=a"(*result)
                 : "r"(f)
                 : "ecx", "edx", "memory", "cc");
    return static_cast<long>(before - after);
}
#endif

void entryPoint(HMODULE dll) {
    send = entry<SendFn>(dll, MAKEINTRESOURCE(2));
    t.check(send != nullptr, "ordinal 2 is exported");
    t.check(send == entry<SendFn>(dll, "D_SendDrvCmd"), "ordinal 2 is D_SendDrvCmd");
    t.check(GetProcAddress(dll, "D_SendDrvCmd@8") == nullptr &&
                GetProcAddress(dll, "_D_SendDrvCmd@8") == nullptr,
            "no decorated export");
#if defined(__i386__)
    int32_t result = -1;
    const long moved = stackChange(send, &result);
    t.check(moved == 0,
            "the callee pops both arguments (stack moved by " + std::to_string(moved) + ")");
    t.check(result == 0, "DRV_NOP returns 0");
#endif
}

void codesOutOfRange() {
    DRVPARAM before;
    std::memset(&before, 0x5a, sizeof before);
    for (unsigned code : {58u, 1000u, 0xffffu}) {
        DRVPARAM p = before;
        t.check(send(static_cast<uint16_t>(code), &p) == 0 &&
                    std::memcmp(&p, &before, sizeof p) == 0,
                "code " + std::to_string(code) + " returns 0 and leaves the record");
    }
    t.check(send(DRV_NOP1, nullptr) == 1, "DRV_NOP1 returns 1");
}

void identification(HMODULE dll) {
    t.check(send(DRV_FINDPORT, nullptr) == 0, "DRV_FINDPORT finds the device");
    DRVPARAM id{};
    t.check(send(DRV_IDENT, &id) == 1, "DRV_IDENT returns 1");
    t.check(id.nPort == kCom3, "found on COM3, index " + std::to_string(id.nPort));
    t.check(id.nIndex == 70 && drv_usb_flag(&id) == 0, "model R70, not USB");
    t.check(std::strcmp(id.szCmd, "V2.10 R70") == 0, std::string("firmware text ") + id.szCmd);
    t.check(std::strcmp(drv_boot_code_text(&id), "V1.03") == 0, "boot code text");

    // COM2 is hidden in the Wine prefix: the port opens but is no serial line.
    const auto lastOpenError = entry<LastOpenErrorFn>(dll, "D_LastOpenError");
    char reason[256] = {};
    const int32_t com2 = lastOpenError != nullptr ? lastOpenError(1, reason, sizeof reason) : -1;
    constexpr char kName[] = "COM2 (\\\\.\\COM2): ";
    t.check((com2 == DRV_OPENERR_ABSENT || com2 == DRV_OPENERR_NOTSERIAL) &&
                std::strncmp(reason, kName, sizeof kName - 1) == 0 &&
                std::strlen(reason) > sizeof kName,
            std::string("COM2 cannot be opened, and says why: ") + reason);

    // Wine shares a serial device between handles whatever the share mode,
    // so the busy port cannot be shown here; closing and reopening can.
    send(DRV_CLOSE, nullptr);
    t.check(send(DRV_REOPEN, nullptr) == 0, "DRV_REOPEN opens COM3 again");
}

// A set and a query of every catalogue form, first and last entry.
void catalogue() {
    int checked = 0;
    for (const testsupport::Row& row : testsupport::catalogue()) {
        std::vector<int> selectors;
        for (int p : row.ports) {
            if (p == testsupport::kAnalog)
                selectors.insert(selectors.end(), std::begin(kAnalogPorts), std::end(kAnalogPorts));
            else
                selectors.push_back(p);
        }
        const uint16_t code = static_cast<uint16_t>(row.item.code);
        const bool inIndex = testsupport::valueInIndex(row.item.code);
        for (int port : selectors) {
            for (int e : {0, row.entries - 1}) {
                DRVPARAM set{};
                set.nPort = port;
                set.nIndex = inIndex ? 0 : e;
                set.nOp = 1;
                row.item.set(set);
                const int32_t setResult = send(code, &set);
                t.check(setResult == 0 && set.bOk == 1, what("set", set));
                DRVPARAM get{};
                get.nPort = port;
                get.nIndex = inIndex ? 0 : e;
                const int32_t getResult = send(code, &get);
                t.check(getResult == 0 && get.bOk == 1 && row.item.check(get), what("query", get));
                ++checked;
            }
        }
    }
    t.check(checked > 50, "catalogue forms checked: " + std::to_string(checked));
}

// The long call list ends at the simulator's pause; its tail, arriving
// later, must not answer the next command.
void staleInput() {
    char list[960] = {};
    DRVPARAM log{};
    log.nPort = 11;
    drv_set_buffer(&log, list, sizeof list);
    t.check(send(DRV_LOG, &log) == 0 && log.nValue == 1, "call list of port 11");
    t.check(std::strstr(list, "4711") == nullptr, "the reply ends at the pause inside it");
    Sleep(1500); // the tail comes 300 ms after the pause
    DRVPARAM ring{};
    ring.nPort = 11;
    const int32_t ringResult = send(DRV_RINGDELAY, &ring);
    t.check(ringResult == 0 && ring.bOk == 1 && ring.nValue == 7,
            "the next command gets its own reply, ring delay " + std::to_string(ring.nValue));
}

// Texts for the caller's buffers stop at the capacity the caller gives.
void bounds() {
    char small[32];
    std::memset(small, '#', sizeof small);
    DRVPARAM log{};
    log.nPort = 21;
    drv_set_buffer(&log, small, 16);
    t.check(send(DRV_LOG, &log) == 0 && log.nValue == 1, "call list into a 16-byte buffer");
    bool guard = true;
    for (std::size_t i = 16; i < sizeof small; ++i)
        guard = guard && small[i] == '#';
    t.check(guard && std::memchr(small, '\0', 16) != nullptr, "nothing written beyond 16 bytes");

    char charges[960] = {};
    DRVPARAM c{};
    c.nIndex = 2;
#if defined(__i386__)
    // The record as its field table lays it out: the address in nValue and
    // nothing else; 0 capacity means 960 bytes.
    c.nValue = static_cast<int32_t>(reinterpret_cast<uintptr_t>(charges));
#else
    drv_set_buffer(&c, charges, sizeof charges);
#endif
    const int32_t chargeResult = send(DRV_CHARGE, &c);
    t.check(chargeResult == 0 && std::strncmp(charges, "P11: ", 5) == 0,
            std::string("charges: ") + charges);
#if defined(__i386__)
    char list[960] = {};
    DRVPARAM log2{};
    log2.nPort = 21;
    const int32_t address = static_cast<int32_t>(reinterpret_cast<uintptr_t>(list));
    std::memcpy(log2.szText, &address, sizeof address); // nAux
    const int32_t listResult = send(DRV_LOG, &log2);
    t.check(listResult == 0 && log2.nValue == 1 && std::strncmp(list, "05/03/01", 8) == 0,
            std::string("call list with the address in nAux: ") + list);
#endif
}

// Whether a text the library wrote stayed inside its capacity: the guard
// bytes behind it are untouched and a NUL ends it inside.
bool inside(const char* buffer, std::size_t capacity, std::size_t size) {
    for (std::size_t i = capacity; i < size; ++i)
        if (buffer[i] != '#') return false;
    return std::memchr(buffer, '\0', capacity) != nullptr;
}

// A query record for buffer as a program fills it: every byte of it left
// from earlier use (filler) but the port, the operation and the address.
DRVPARAM leftoverRecord(unsigned char filler, int32_t port, char* buffer, int32_t size) {
    DRVPARAM p;
    std::memset(&p, filler, sizeof p);
    p.nPort = port;
    p.nIndex = 0;
    p.nOp = 0;
#if defined(__i386__)
    // As the field table lays the record out: the address in nAux, nothing else.
    (void)size;
    const int32_t address = static_cast<int32_t>(reinterpret_cast<uintptr_t>(buffer));
    std::memcpy(p.szText, &address, sizeof address);
#else
    drv_set_buffer(&p, buffer, size); // the helper's address and size
#endif
    return p;
}

// 0x00: a zeroed record; 0x20: text left in it (a size of 538976288);
// 0xFF and 0xAB: negative sizes.
void leftoverRecords() {
    for (const unsigned char filler : {0x00, 0x20, 0xFF, 0xAB}) {
        const std::string with = " (record filled with " + std::to_string(filler) + ")";
        char list[960 + 64];
        std::memset(list, '#', sizeof list);
        DRVPARAM log = leftoverRecord(filler, 22, list, 960);
        t.check(send(DRV_LOG, &log) == 0 && log.nValue == 1, "call list of port 22" + with);
        t.check(inside(list, 960, sizeof list) && std::strlen(list) == 959 &&
                    std::strncmp(list, "01/04/01", 8) == 0,
                "the list fills 960 bytes and no more" + with + ": " +
                    std::to_string(strnlen(list, sizeof list)) + " bytes, " + std::string(list, 8));
        char text[300 + 64];
        std::memset(text, '#', sizeof text);
        DRVPARAM changed = leftoverRecord(filler, 0, text, 300);
        t.check(send(DRV_ATCHANGED, &changed) == 0 && changed.bOk == 1,
                "changed settings text" + with);
        t.check(inside(text, 300, sizeof text) && std::strncmp(text, "S91=", 4) == 0,
                "the text stays inside 300 bytes" + with + ": " + std::string(text, 8));
    }
}

// The unloaded library leaves no port and no trace file open: the next load
// finds the device again, and the trace can be moved away.
bool unloadCloses(const char* path, const char* folder) {
    wchar_t wideFolder[MAX_PATH];
    MultiByteToWideChar(CP_UTF8, 0, folder, -1, wideFolder, MAX_PATH);
    const std::wstring dir = std::wstring(wideFolder) + L"\\J\u00fcrgen";
    CreateDirectoryW(dir.c_str(), nullptr);
    const std::wstring trace = dir + L"\\trace.log";
    SetEnvironmentVariableW(L"R70COM_TRACE", trace.c_str());
    HMODULE dll = LoadLibraryA(path);
    send = entry<SendFn>(dll, MAKEINTRESOURCE(2));
    t.check(send(DRV_FINDPORT, nullptr) == 0, "the device is found");
    leftoverRecords();
    t.check(FreeLibrary(dll) != 0, "FreeLibrary with the port open");
    SetEnvironmentVariableW(L"R70COM_TRACE", nullptr);

    std::string lines;
    if (FILE* f = _wfopen(trace.c_str(), L"rb")) {
        char chunk[4096];
        for (std::size_t n; (n = std::fread(chunk, 1, sizeof chunk, f)) > 0;)
            lines.append(chunk, n);
        std::fclose(f);
    }
    t.check(lines.find("open \\\\.\\COM3") != std::string::npos,
            "the trace went to the folder with a non-ASCII name");
    const std::size_t last = lines.rfind(" COM3 ");
    t.check(last != std::string::npos && lines.compare(last, 12, " COM3 close\r") == 0,
            "the unload closed the port: the trace ends with 'close'");
    const bool deleted = DeleteFileW(trace.c_str()) != 0;
    const DWORD why = deleted ? 0 : GetLastError();
    t.check(deleted, "nothing holds the trace file (error " + std::to_string(why) + ")");

    dll = LoadLibraryA(path);
    send = entry<SendFn>(dll, MAKEINTRESOURCE(2));
    t.check(send(DRV_FINDPORT, nullptr) == 0, "loaded again, the device is found again");
    send(DRV_CLOSE, nullptr);
    return FreeLibrary(dll) != 0;
}

} // namespace

int main(int argc, char** argv) {
    const char* path = argc > 1 ? argv[1] : "R70COM32.dll";
    const char* name = sizeof(void*) == 4 ? "driver (32-bit)" : "driver (64-bit)";
    if (argc > 3 && std::strcmp(argv[2], "records") == 0) {
        t.check(unloadCloses(path, argv[3]), "FreeLibrary");
        return t.finish(name);
    }
    HMODULE dll = LoadLibraryA(path);
    if (!t.check(dll != nullptr, std::string("LoadLibrary ") + path)) return t.finish("driver");
    entryPoint(dll);
    if (send == nullptr) return t.finish("driver");
    codesOutOfRange();
    identification(dll);
    catalogue();
    staleInput();
    bounds();
    send(DRV_CLOSE, nullptr);
    t.check(FreeLibrary(dll) != 0, "FreeLibrary");
    return t.finish(name);
}
