// Finding a lost device again: where it may be now, tried step by step
// while the line is lost (searchStep), or for some seconds at once after a
// firmware upgrade (reopen).
#include "driver/api/driver_state.h"
#include "driver/protocol/catalogue.h"
#ifndef _WIN32
#include "driver/line/rfc2217_codec.h"
#endif

#include <algorithm>
#include <filesystem>
#include <memory>
#include <new>
#include <string>
#include <vector>

namespace r70 {
namespace {

// After a firmware upgrade an adapter on USB leaves the bus and comes back,
// and the device then needs a moment to start: the reopen looks for it this
// long before it gives up.
constexpr long long kReopenPatienceMs = 10000;
constexpr int kReopenRetryMs = 500;

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

} // namespace

void endSearch() noexcept {
    gSearch = LostSearch{};
}

namespace {

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

} // namespace

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

} // namespace r70
