// D_SendDrvCmd: one switch over the command code, every call under one lock.
// The module state (the open line, the COM map of the last search, the port
// that answered and where the device is looked for when it is lost, the
// identified model and its version texts) lives here.
#include "driver/catalogue.h"
#include "driver/driver_lock.h"
#include "driver/r70com32.h"
#include "driver/serial_line.h"
#ifndef _WIN32
#include "driver/port_holders.h"
#include "driver/rfc2217_codec.h"

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

// Reply buffers, one per exchange family, each holding the longest reply of
// its family with the NUL.
struct ReplyBuffers {
    char general[256]; // up to command 54's five groups (~100 characters)
    char forwarding[128];
    char dataProtocol[128];
    char statusText[512]; // commands 52, 53 (~300 characters)
    char logCharge[1024]; // commands 29, 30 (the log page passes 960 bytes)
    char dial[128];
    char bootProbe[128];
    char downloadResult[128];
    char presence[20];
    char callCheck[200];
    char identify[100];
    char ati4[100];
    char ati3[100];
};

// After a firmware upgrade an adapter on USB leaves the bus and comes back,
// and the device then needs a moment to start: the reopen looks for it this
// long before it gives up.
constexpr long long kReopenPatienceMs = 10000;
constexpr int kReopenRetryMs = 500;

struct DriverState {
    DriverLock lock;
    SerialLine line;
    int portIndex = 0;
    int model = 0;
    int usb = 0;
    char firmware[100] = {};
    char bootCode[100] = {};
    // The map of the last search (or of the finding again that found the
    // device); the open errors are by its indexes.
    std::unique_ptr<ComPorts> map;
    OpenError openErrors[kPortCount];
    // Where the device last answered, to find it again.
    std::optional<KnownPort> device;
    // The line hung up under the device (an adapter pulled out). Only a
    // successful identification ends it; meanwhile every command that uses
    // the line first takes one step of the search (LostSearch).
    bool lost = false;
    ReplyBuffers buffers = {};
};

DriverState gState;

// The search for a lost device goes in steps, one per command that needs the
// device, and no step waits: the heartbeat's tick must not hold the window.
// A candidate (findAgain) is opened and asked "ATE0"; a later step looks
// whether it answered (within kFirstContactMs) and only then identifies it.
// A newcomer is tried once per appearance; the device's own names again
// after each failed round, backing off (searchBackoffMs); nothing else is
// ever opened. A network port's connection is made in the background the same
// way, and meanwhile its COM name says "connecting to HOST...".
constexpr long long kFirstContactMs = 900;
constexpr int kQuickAnswerMs = 50;

struct LostSearch {
    std::vector<std::string> presentAtLoss; // the nodes' appearances when the line hung up
    struct Tried {
        std::string key; // the appearance, or the path where there is none
        int round;
    };
    std::vector<Tried> tried;
    int round = 0;
    bool roundTried = false;
    int failedRounds = 0;
    long long nextRoundMs = 0;
    // The candidate being contacted, in the map taken for it.
    std::unique_ptr<ComPorts> map;
    int index = -1;
    bool connecting = false;
    long long contactMs = 0;
};
LostSearch gSearch;

void endSearch() noexcept {
    gSearch = LostSearch{};
}

bool contains(std::string_view text, std::string_view what) noexcept {
    return text.find(what) != std::string_view::npos;
}

// The reply as the parser sees it: a C text, so it ends at a NUL byte.
template <std::size_t N>
std::string_view replyText(const char (&buffer)[N], std::size_t length) noexcept {
    return {buffer, strnlen(buffer, length)};
}

void sleepMs(int ms) noexcept {
#ifdef _WIN32
    Sleep(static_cast<DWORD>(ms));
#else
    timespec left{ms / 1000, static_cast<long>(ms % 1000) * 1000000L};
    while (nanosleep(&left, &left) != 0 && errno == EINTR) {
    }
#endif
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

// The map of the last search; taken now when there was none. Null only when
// memory ran out.
ComPorts* currentMap() noexcept {
    if (!gState.map) gState.map = takeComPorts();
    return gState.map.get();
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

// On the port just opened as COM<index+1> of ports: 115200 baud and the
// identification; on failure the port is closed again.
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

// Open COM<index+1> of ports at 115200 baud and identify; on a failed
// identification the port is closed again.
bool openAndIdentify(const ComPorts& ports, int index, OpenError& error) noexcept {
    if (!gState.line.open(index, ports.path(index), ports.port(index), error)) return false;
    return identifyOpen(ports, index, error);
}

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

// The map's entry at the device's index still leads to the node it had.
bool stillInPlace() noexcept {
    const ComPorts* map = gState.map.get();
    const KnownPort& known = *gState.device;
    if (map == nullptr || map->path(gState.portIndex) != known.path) return false;
    if (!known.port) return true; // R70COM_PORTS or a chosen path: the path is all there is
    try {
        std::error_code a, b;
        const auto now = std::filesystem::canonical(known.path, a);
        return !a && now == std::filesystem::canonical(known.port->node, b) && !b;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

// Where the device is now: the ports that may be its own (findAgain), in a
// map taken now, which becomes the map when the device answers there. Never
// the port that merely has the old index now.
bool findDeviceAgain() noexcept {
    if (!gState.device) return false;
    gState.line.close();
    // Still where it was (closed and reopened, no replug): the map stays.
    const bool inPlace = stillInPlace();
    if (inPlace) {
        OpenError attempt;
        if (openAndIdentify(*gState.map, gState.portIndex, attempt)) {
            gState.openErrors[gState.portIndex] = attempt;
            return true;
        }
    }
    std::unique_ptr<ComPorts> now = takeComPorts();
    if (!now) return false;
    std::vector<Candidate> candidates;
    try {
        candidates = findAgain(now->map, *gState.device, gSearch.presentAtLoss);
    } catch (const std::bad_alloc&) {
        return false;
    }
    for (const Candidate& c : candidates) {
        const int index = c.index;
        if (inPlace && now->path(index) == gState.device->path) continue; // asked just now
        OpenError attempt;
        if (!openAndIdentify(*now, index, attempt)) continue;
        gState.map = std::move(now);
        for (OpenError& e : gState.openErrors)
            e = OpenError{};
        gState.openErrors[index] = attempt;
        gState.portIndex = index;
        return true;
    }
    return false;
}

// The line hung up: the search starts from what the machine has now.
void startSearch() noexcept {
    endSearch();
    if (std::unique_ptr<ComPorts> now = takeComPorts()) {
        try {
            gSearch.presentAtLoss = now->appearances();
        } catch (const std::bad_alloc&) {
            gSearch.presentAtLoss.clear();
        }
    }
}

std::string candidateKey(const ComPorts& ports, int index) {
    const SerialPortInfo* port = ports.port(index);
    return port != nullptr && !port->appearance.empty() ? port->appearance : ports.path(index);
}

// The COM name of a network port whose connection is under way.
void noteConnecting(int index, const std::string& path) noexcept {
    OpenError& e = gState.openErrors[index];
    e = OpenError{};
    e.code = DRV_OPENERR_NOANSWER;
    e.why = DRV_WHY_CONNECTING;
#ifndef _WIN32
    rfc2217::Address address;
    copyText(e.detail, rfc2217::parseAddress(path, address) ? address.host : path.c_str());
#else
    copyText(e.detail, path);
#endif
    describeOpenError(e, index + 1, path);
}

// Whether the candidate answered: then the identification proper, and the
// device is found there (1); -1 when it did not (the line is closed).
int identifyCandidate() noexcept {
    LostSearch& s = gSearch;
    const int index = s.index;
    OpenError attempt;
    s.index = -1;
    if (!identifyOpen(*s.map, index, attempt)) {
        s.map.reset();
        return -1;
    }
    gState.map = std::move(s.map);
    for (OpenError& e : gState.openErrors)
        e = OpenError{};
    gState.openErrors[index] = attempt;
    gState.portIndex = index;
    endSearch();
    return 1;
}

// The candidate's line is open: "ATE0" goes out. A device that is there
// answers within moments, and is identified at once; otherwise the line is
// held out of reach until a later step looks for the answer (0).
int firstContact(long long now) noexcept {
    SerialLine& line = gState.line;
    gSearch.connecting = false;
    gSearch.contactMs = now;
    if (!line.setSpeed(DRV_SPEED_115200)) {
        line.close();
        gSearch.index = -1;
        gSearch.map.reset();
        return -1;
    }
    line.writeText("ATE0\r");
    if (line.inputWaiting(kQuickAnswerMs)) return identifyCandidate();
    line.hold();
    return 0;
}

// 1: the device answers on the line; 0: the contact goes on; -1: not here.
int advanceContact(long long now) noexcept {
    SerialLine& line = gState.line;
    LostSearch& s = gSearch;
    if (s.connecting) {
        const OpenStep step = line.continueOpen(gState.openErrors[s.index]);
        if (step == OpenStep::Pending) return 0;
        if (step == OpenStep::Opened) return firstContact(now);
    } else {
        line.resume();
        if (line.inputWaiting(0)) return identifyCandidate();
        if (now - s.contactMs < kFirstContactMs) {
            line.hold();
            return 0;
        }
        line.close();
    }
    s.index = -1;
    s.map.reset();
    return -1;
}

// One step of the search for a lost device; true when it answers on the
// line now.
bool searchStep() noexcept {
    if (!gState.device) return false;
    LostSearch& s = gSearch;
    const long long now = monotonicMs();
    if (s.index >= 0) {
        const int r = advanceContact(now);
        if (r >= 0) return r == 1;
    }
    try {
        std::unique_ptr<ComPorts> scan = takeComPorts();
        if (!scan) return false;
        for (const Candidate& c : findAgain(scan->map, *gState.device, s.presentAtLoss)) {
            const std::string key = candidateKey(*scan, c.index);
            auto t = std::find_if(s.tried.begin(), s.tried.end(),
                                  [&key](const LostSearch::Tried& x) { return x.key == key; });
            // A newcomer once per appearance; the device's own names once per
            // round, after the round's back-off.
            if (t != s.tried.end() && (!c.own || t->round >= s.round || now < s.nextRoundMs))
                continue;
            OpenError& error = gState.openErrors[c.index];
            const OpenStep step =
                gState.line.beginOpen(c.index, scan->path(c.index), scan->port(c.index), error);
            // Not there (yet), or held by another program: nothing was asked.
            if (step == OpenStep::Failed) continue;
            if (t != s.tried.end())
                t->round = s.round;
            else
                s.tried.push_back({key, s.round});
            s.roundTried = true;
            s.index = c.index;
            s.map = std::move(scan);
            if (step == OpenStep::Pending) {
                s.connecting = true;
                noteConnecting(s.index, s.map->path(s.index));
                return false;
            }
            // The map went with the candidate: after a failure the next step looks again.
            return firstContact(now) == 1;
        }
    } catch (const std::bad_alloc&) {
        return false;
    }
    if (s.roundTried) {
        s.roundTried = false;
        ++s.round;
        s.nextRoundMs = now + searchBackoffMs(++s.failedRounds);
    }
    return false;
}

// Command 57. A device that was identified is looked for where it may be
// now, for some seconds; without one, the remembered index is opened.
int reopen() noexcept {
    if (!gState.device) {
        ComPorts* map = currentMap();
        const int index = gState.portIndex;
        if (map == nullptr || index < 0 || index >= kPortCount) return -2;
        return openAndIdentify(*map, index, gState.openErrors[index]) ? 0 : -2;
    }
    endSearch();
    const long long giveUp = monotonicMs() + kReopenPatienceMs;
    for (;;) {
        if (findDeviceAgain()) return 0;
        if (monotonicMs() >= giveUp) return -2;
        sleepMs(kReopenRetryMs);
    }
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
