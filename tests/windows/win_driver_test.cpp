// R70COM32.dll as the program binds it: LoadLibrary, entry 2 by ordinal,
// against the simulated R70 on COM3. The simulator runs with a 300 ms pause
// after 120 bytes of every reply, which only the long call list of port 11
// reaches: that reply ends at the pause and its tail is stale input for the
// next command.
//   win_driver_test.exe PATH-OF-R70COM32.dll
#include "driver/r70com32.h"
#include "support/catalogue_rows.h"
#include "windows/check.h"

#include <windows.h>

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

} // namespace

int main(int argc, char** argv) {
    const char* path = argc > 1 ? argv[1] : "R70COM32.dll";
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
    return t.finish(sizeof(void*) == 4 ? "driver (32-bit)" : "driver (64-bit)");
}
