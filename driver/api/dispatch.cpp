// D_SendDrvCmd: one switch over the command code, every call under one lock.
// The module state (the open line, the COM map of the last search, the port
// that answered and where the device is looked for when it is lost, the
// identified model and its version texts) lives here.
#include "driver/api/driver_state.h"
#include "driver/api/r70com32.h"
#include "driver/protocol/catalogue.h"
#ifndef _WIN32
#include "driver/line/rfc2217_codec.h"
#include "driver/ports/port_holders_linux.h"

#include <sys/stat.h>
#endif

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <memory>
#include <mutex> // std::lock_guard
#include <new>
#include <optional>
#include <string_view>

namespace r70 {
namespace {

enum class Handler : unsigned char {
    Find,
    Ping,
    Nothing0,
    Close,
    General,
    Store,
    Forwarding,
    Identify,
    CallCheck,
    DownloadStart,
    WriteRaw,
    DownloadResult,
    Nothing1,
    BootProbeOpen,
    SetSpeed,
    Dial,
    BootProbe,
    Reopen,
};

struct CommandInfo {
    Handler handler;
    bool usesRecord;
    int budgetMs;       // read budget of pattern A
    int noRecordResult; // what a record command returns for a null record
};

constexpr CommandInfo infoFor(int code) {
    switch (code) {
    case DRV_FINDPORT:
        return {Handler::Find, false, 200, 0};
    case DRV_PING:
    case DRV_PING2:
        return {Handler::Ping, false, 200, 0};
    case DRV_NOP:
        return {Handler::Nothing0, false, 200, 0};
    case DRV_CLOSE:
        return {Handler::Close, false, 200, 0};
    case DRV_STORE:
        return {Handler::Store, false, 5000, 0};
    case DRV_DIALWAIT:
    case DRV_DIAL:
        return {Handler::Dial, true, 5000, -2};
    case DRV_CFU:
    case DRV_CFNR:
    case DRV_CFB:
        return {Handler::Forwarding, true, 5000, -2};
    case DRV_IDENT:
        return {Handler::Identify, true, 200, 1};
    case DRV_CALLCHECK:
        return {Handler::CallCheck, false, 200, 0};
    case DRV_DOWNLOAD:
        return {Handler::DownloadStart, false, 200, 0};
    case DRV_WRITERAW:
        return {Handler::WriteRaw, true, 200, 1};
    case DRV_DOWNLOADRESULT:
        return {Handler::DownloadResult, false, 3000, 0};
    case DRV_NOP1:
        return {Handler::Nothing1, false, 3000, 0};
    case DRV_BOOTPROBE:
        return {Handler::BootProbeOpen, true, 3000, 1};
    case DRV_SETSPEED:
        return {Handler::SetSpeed, true, 200, 1};
    case DRV_BOOTPROBE2:
        return {Handler::BootProbe, true, 3000, 1};
    case DRV_REOPEN:
        return {Handler::Reopen, false, 200, 0};
    case DRV_MSN:
    case DRV_LOG:
    case DRV_CHARGE:
        return {Handler::General, true, 5000, -2};
    default:
        return {Handler::General, true, 200, -2};
    }
}
bool contains(std::string_view text, std::string_view what) noexcept {
    return text.find(what) != std::string_view::npos;
}

// The reply as the parser sees it: a C text, so it ends at a NUL byte.
template <std::size_t N>
std::string_view replyText(const char (&buffer)[N], std::size_t length) noexcept {
    return {buffer, strnlen(buffer, length)};
}

// One command text out, one reply in.
template <std::size_t N>
int exchange(std::string_view text, char (&buffer)[N], std::size_t* length) noexcept {
    gState.line.writeText(text);
    return gState.line.readReply(buffer, N, length);
}

// How long a watched line listens on after each reply: DRV_LATE_LISTEN_MS, or
// R70COM_LISTEN_MS (0 to 5000) for a device whose stray lines come later.
int listenAfterReplyMs() noexcept {
    try {
        const std::string text = environment("R70COM_LISTEN_MS");
        char* end = nullptr;
        const long ms = std::strtol(text.c_str(), &end, 10);
        if (!text.empty() && *end == '\0' && ms >= 0 && ms <= 5000) return static_cast<int>(ms);
    } catch (const std::bad_alloc&) {
    }
    return DRV_LATE_LISTEN_MS;
}

// Identification: the second "ATE0", "ATV1", "ATI4" and "ATI3" have only the
// inter-byte wait for their first byte, since the budget is set only twice.
bool identify() noexcept {
    SerialLine& line = gState.line;
    ReplyBuffers& b = gState.buffers;
    std::size_t n = 0;
    line.setBudget(1000);
    (void)exchange("ATE0\r", b.identify, &n); // may still echo: ignored
    if (exchange("ATE0\r", b.identify, &n) != 0) return false;
    line.setBudget(200);
    if (exchange("ATV1\r", b.identify, &n) != 0) return false;
    if (exchange("ATI4\r", b.ati4, &n) != 0) return false;
    const std::string_view model = replyText(b.ati4, n);
    if (contains(model, "633")) {
        gState.model = 70;
        gState.usb = contains(model, "USB") ? 1 : 0;
    } else if (contains(model, "613")) {
        gState.model = 30;
    } else {
        gState.model = 0;
        return false;
    }
    if (exchange("ATI3\r", b.ati3, &n) != 0) return false;
    const std::string_view versions = replyText(b.ati3, n);
    copyText(gState.firmware, valueLine(replyValue(versions)));
    std::string_view boot;
    const std::string_view afterBreak = replyValue(versions);
    if (std::size_t at = afterBreak.find("CODE");
        at != std::string_view::npos && at + 5 <= afterBreak.size())
        boot = valueLine(afterBreak.substr(at + 5));
    copyText(gState.bootCode, boot);
    return true;
}

void remember(const ComPorts& ports, int index) noexcept {
    try {
        KnownPort known;
        known.path = ports.path(index);
        if (const SerialPortInfo* port = ports.port(index)) known.port = *port;
        known.presentWhenFound = ports.appearances();
        gState.device = std::move(known);
    } catch (const std::bad_alloc&) {
        gState.device.reset(); // found again only by a new search
    }
    gState.lost = false;
}

} // namespace

DriverState gState;

void sleepMs(int ms) noexcept {
#ifdef _WIN32
    Sleep(static_cast<DWORD>(ms));
#else
    timespec left{ms / 1000, static_cast<long>(ms % 1000) * 1000000L};
    while (nanosleep(&left, &left) != 0 && errno == EINTR) {
    }
#endif
}

ComPorts* currentMap() noexcept {
    if (!gState.map) gState.map = takeComPorts();
    return gState.map.get();
}

bool identifyOpen(const ComPorts& ports, int index, OpenError& error) noexcept {
    SerialLine& line = gState.line;
    const std::string& path = ports.path(index);
    auto failAs = [&](int code, int why) {
        error.code = code;
        error.why = why;
        describeOpenError(error, index + 1, path);
        line.close();
        return false;
    };
    if (!line.setSpeed(DRV_SPEED_115200)) return failAs(DRV_OPENERR_NOTSERIAL, DRV_WHY_SPEED);
    if (!identify()) return failAs(DRV_OPENERR_NOANSWER, DRV_WHY_NONE);
    describeOpenError(error, index + 1, path); // "open"
    remember(ports, index);
    return true;
}

bool openAndIdentify(const ComPorts& ports, int index, OpenError& error) noexcept {
    if (!gState.line.open(index, ports.path(index), ports.port(index), error)) return false;
    return identifyOpen(ports, index, error);
}

namespace {

int findPort() noexcept {
    gState.line.close();
    gState.map = takeComPorts();
    gState.lost = false;
    endSearch();
    for (OpenError& e : gState.openErrors)
        e = OpenError{};
    if (!gState.map) return -2;
    for (int index = 0; index < kPortCount; ++index) {
        if (openAndIdentify(*gState.map, index, gState.openErrors[index])) {
            gState.portIndex = index;
            return 0;
        }
    }
    return -2;
}

// Command 31: identify once more, then report what the last successful
// identification found (a silent device leaves the old values).
int reportIdentity(DRVPARAM& p) noexcept {
    (void)identify();
    p.nPort = gState.portIndex;
    p.nIndex = gState.model;
    std::memcpy(p.szText2 + 16, &gState.usb, sizeof gState.usb);
    copyText(p.szCmd, gState.firmware);
    // The boot-code text runs from nValue into szText: 36 bytes, never into
    // szText2.
    constexpr std::size_t kRoom = sizeof p.nValue + sizeof p.szText;
    char boot[kRoom];
    copyText(boot, gState.bootCode);
    std::memcpy(reinterpret_cast<unsigned char*>(&p) + offsetof(DRVPARAM, nValue), boot,
                strnlen(boot, kRoom) + 1);
    return 1;
}

int general(DRVPARAM& p, int budgetMs, char* buffer, std::size_t capacity) noexcept {
    CommandText command;
    if (buildCommand(p, command) != BuildStatus::Built) {
        p.bReply = 0; // nothing sent: the no-reply result, the line untouched
        return -2;
    }
    gState.line.writeText({command.text, command.length});
    gState.line.setBudget(budgetMs);
    std::size_t n = 0;
    const int result = gState.line.readReply(buffer, capacity, &n);
    parseReply({buffer, strnlen(buffer, n)}, result, p);
    return result;
}

int dial(DRVPARAM& p) noexcept {
    CommandText command;
    if (buildCommand(p, command) != BuildStatus::Built) {
        p.bReply = 0;
        return -2;
    }
    SerialLine& line = gState.line;
    char* buffer = gState.buffers.dial;
    std::size_t n = 0;
    line.setBudget(200);
    line.writeText({command.text, command.length});
    (void)line.readReply(buffer, sizeof gState.buffers.dial, &n); // the first reply
    // The second reply follows no new command: nothing may be discarded.
    line.setBudget(5000);
    return line.readReply(buffer, sizeof gState.buffers.dial, &n);
}

// The boot probe: at 19200 baud, a DTR pulse restarts the device; a device in
// its boot loader then answers with "FAIL".
int bootProbe(int index) noexcept {
    SerialLine& line = gState.line;
    if (!line.setSpeed(DRV_SPEED_19200)) return 1;
    line.setBudget(3000);
    line.dtr(false);
    sleepMs(5000);
    line.dtr(true);
    sleepMs(2000);
    std::size_t n = 0;
    const int result =
        line.readReply(gState.buffers.bootProbe, sizeof gState.buffers.bootProbe, &n);
    if (result == 0 && contains(replyText(gState.buffers.bootProbe, n), "FAIL")) {
        if (index >= 0 && index < kPortCount) {
            gState.portIndex = index;
            // After the upgrade the reopen looks for the device from here.
            if (ComPorts* map = currentMap()) remember(*map, index);
        }
        return 2;
    }
    return 1;
}

// The boot probe drops DTR for seconds and changes the speed: a line another
// program has open (a terminal program, without any lock) is left alone, and
// the reason kept for the COM name. The same bounded scan of /proc as a busy
// port's. (On Windows the open itself refuses a port another program has.)
bool heldByAnother(int index, const std::string& path, OpenError& error) noexcept {
#ifdef _WIN32
    (void)index, (void)path, (void)error;
    return false;
#else
    struct stat node {};
    if (isNetworkAddress(path) || ::stat(path.c_str(), &node) != 0 || !S_ISCHR(node.st_mode))
        return false;
    try {
        const Holder holder = openHolder(node.st_rdev);
        if (holder.pid <= 0) return false;
        error = OpenError{};
        error.code = DRV_OPENERR_LEFTALONE;
        error.why = DRV_WHY_OPENBY;
        error.pid = holder.pid;
        copyText(error.name, holder.name);
        describeOpenError(error, index + 1, path);
        gState.line.traceEvent(error.text);
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
#endif
}

int presence(std::string_view text, char* buffer, std::size_t capacity, std::size_t* n) noexcept {
    gState.line.setBudget(200);
    gState.line.writeText(text);
    return gState.line.readReply(buffer, capacity, n);
}

// The commands that talk to the device on the open line: when the line hung
// up under them, they look for the device first.
bool usesDevice(Handler handler) noexcept {
    switch (handler) {
    case Handler::Ping:
    case Handler::General:
    case Handler::Forwarding:
    case Handler::Store:
    case Handler::Identify:
    case Handler::CallCheck:
    case Handler::SetSpeed:
    case Handler::Dial:
        return true;
    default:
        return false;
    }
}

int run(int code, const CommandInfo& info, DRVPARAM* p) noexcept;

int dispatch(int code, DRVPARAM* p) noexcept {
    const CommandInfo info = infoFor(code);
    if (info.usesRecord) {
        if (p == nullptr) return info.noRecordResult;
        p->nCmd = code;
    }
    // Not found (yet): the command fails at once, as on a closed line (a
    // candidate being contacted is held out of its reach).
    if (gState.lost && usesDevice(info.handler)) (void)searchStep();
    const int result = run(code, info, p);
    if (gState.line.hungUp()) {
        // The handle is dead for good: the next command looks for the device.
        gState.lost = true;
        gState.line.close();
        gState.line.clearHangUp();
        startSearch();
    }
    return result;
}

int run(int code, const CommandInfo& info, DRVPARAM* p) noexcept {
    SerialLine& line = gState.line;
    ReplyBuffers& b = gState.buffers;
    std::size_t n = 0;
    switch (info.handler) {
    case Handler::Find:
        return findPort();
    case Handler::Ping:
        return presence("AT\r", b.presence, sizeof b.presence, &n) == 0 ? 1 : -1;
    case Handler::Nothing0:
        return 0;
    case Handler::Close:
        line.close();
        line.clearHangUp(); // closed on purpose: nothing looks for the device
        gState.lost = false;
        endSearch();
        return 0;
    case Handler::General: {
        if (code == DRV_LOG || code == DRV_CHARGE)
            return general(*p, info.budgetMs, b.logCharge, sizeof b.logCharge);
        if (code == DRV_ATIMPORTANT || code == DRV_ATCHANGED)
            return general(*p, info.budgetMs, b.statusText, sizeof b.statusText);
        if (code == DRV_DATAPROTO)
            return general(*p, info.budgetMs, b.dataProtocol, sizeof b.dataProtocol);
        return general(*p, info.budgetMs, b.general, sizeof b.general);
    }
    case Handler::Forwarding:
        return general(*p, 5000, b.forwarding, sizeof b.forwarding);
    case Handler::Store:
        line.writeText("AT&W\r");
        line.setBudget(5000);
        (void)line.readReply(b.general, sizeof b.general, &n);
        line.setBudget(200);
        return 0;
    case Handler::Identify:
        return reportIdentity(*p);
    case Handler::CallCheck: {
        if (presence("ATC?\r", b.callCheck, sizeof b.callCheck, &n) != 0) return -1;
        return contains(replyText(b.callCheck, n), "0") ? 1 : 0;
    }
    case Handler::DownloadStart:
        line.setBudget(200);
        line.writeText("AT!DOWNLOAD\r");
        return 1;
    case Handler::WriteRaw: {
        const void* data = drv_get_address(p);
        const int32_t count = drv_get_capacity(p);
        // A block the line did not take whole (the far end stopped reading:
        // flow control held, the device switched off) is a failure like no
        // reply: the transfer must not count it as sent.
        if (data != nullptr && count > 0 && !line.writeBytes(data, static_cast<std::size_t>(count)))
            return -2;
        return 1;
    }
    case Handler::DownloadResult: {
        line.setBudget(8000);
        // No new command before this read: the outcome may already be waiting.
        if (line.readReply(b.downloadResult, sizeof b.downloadResult, &n) != 0) return 1;
        const std::string_view reply = replyText(b.downloadResult, n);
        if (contains(reply, "ESSFUL")) return 3;
        return contains(reply, "FAIL") ? 2 : 1;
    }
    case Handler::Nothing1:
        return 1;
    case Handler::BootProbeOpen: {
        // The ports of the last search's map: the index names the port the
        // search tried, even when an adapter was plugged in since.
        const int index = p->nPort;
        ComPorts* map = currentMap();
        if (index < 0 || index >= kPortCount || map == nullptr) return 1;
        if (heldByAnother(index, map->path(index), gState.openErrors[index])) return 1;
        if (!line.open(index, map->path(index), map->port(index), gState.openErrors[index]))
            return 1;
        return bootProbe(index);
    }
    case Handler::BootProbe:
        return bootProbe(p->nPort);
    case Handler::SetSpeed:
        (void)line.setSpeed(p->nValue & 0xff);
        (void)identify();
        return 1;
    case Handler::Dial:
        return dial(*p);
    case Handler::Reopen:
        return reopen();
    }
    return 0;
}

} // namespace
} // namespace r70

extern "C" R70COM32_API int32_t R70COM32_CALL D_SendDrvCmd(uint16_t code, DRVPARAM* p) {
    if (code > DRV_REOPEN) return 0; // touches neither the line nor the record
    std::lock_guard<r70::DriverLock> guard(r70::gState.lock);
    return r70::dispatch(code, p);
}

extern "C" R70COM32_API int32_t R70COM32_CALL D_LastOpenError(int32_t index, char* text,
                                                              int32_t size) {
    std::lock_guard<r70::DriverLock> guard(r70::gState.lock);
    auto copy = [&](std::string_view s) {
        if (size > 0) r70::copyText(text, static_cast<std::size_t>(size), s);
    };
    if (index < 0 || index >= r70::kPortCount) {
        copy("no such port index");
        return DRV_OPENERR_ABSENT;
    }
    const r70::OpenError& e = r70::gState.openErrors[index];
    copy(e.text);
    return e.code;
}

extern "C" R70COM32_API int32_t R70COM32_CALL D_PortReason(int32_t index, DRVPORTREASON* reason) {
    std::lock_guard<r70::DriverLock> guard(r70::gState.lock);
    if (reason == nullptr) return DRV_OPENERR_ABSENT;
    *reason = DRVPORTREASON{};
    if (index < 0 || index >= r70::kPortCount) {
        reason->nCode = DRV_OPENERR_ABSENT;
        return reason->nCode;
    }
    *reason = r70::portReason(r70::gState.openErrors[index]);
    return reason->nCode;
}

extern "C" R70COM32_API int32_t R70COM32_CALL D_PortPath(int32_t index, char* path, int32_t size) {
    std::lock_guard<r70::DriverLock> guard(r70::gState.lock);
    const r70::ComPorts* map = r70::currentMap();
    const std::string empty;
    const std::string& full = map != nullptr ? map->path(index) : empty;
    if (full.empty()) {
        if (path != nullptr && size > 0) path[0] = '\0';
        return -1;
    }
    if (size > 0) r70::copyText(path, static_cast<std::size_t>(size), full);
    return static_cast<int32_t>(full.size());
}

extern "C" R70COM32_API void R70COM32_CALL D_ChoosePort(const char* path) {
    std::lock_guard<r70::DriverLock> guard(r70::gState.lock);
    r70::setPortChoice(path != nullptr ? std::string_view(path) : std::string_view());
}

extern "C" R70COM32_API int32_t R70COM32_CALL D_WatchLine(int32_t on) {
    std::lock_guard<r70::DriverLock> guard(r70::gState.lock);
    r70::LineWatch& watch = r70::gState.line.watch();
    if (on != 0)
        watch.start(r70::listenAfterReplyMs());
    else
        watch.stop();
    return 0;
}

extern "C" R70COM32_API int32_t R70COM32_CALL D_TakeExchange(DRVEXCHANGE* exchange) {
    std::lock_guard<r70::DriverLock> guard(r70::gState.lock);
    if (exchange == nullptr) return 0;
    return r70::gState.line.watch().take(*exchange) ? 1 : 0;
}

extern "C" R70COM32_API int32_t R70COM32_CALL D_LineAdapter(DRVADAPTER* adapter) {
    std::lock_guard<r70::DriverLock> guard(r70::gState.lock);
    if (adapter == nullptr) return DRV_ADAPTER_NONE;
    *adapter = r70::gState.line.adapter();
    return adapter->nState;
}
