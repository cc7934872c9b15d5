#include "sim/interpreter.h"

#include "sim/registers.h"

#include <charconv>
#include <cstdio>
#include <ctime>

namespace quorvex::sim {

namespace {

using namespace std::chrono_literals;

// The dial command answers at once and again once the call is set up.
constexpr auto kDialSetupDelay = 300ms;

Outcome reply(std::string text) {
    return Outcome{{ReplyPart{std::move(text), 0ms}}, Action::None};
}
Outcome ok() {
    return reply(std::string(kOk));
}
Outcome error() {
    return reply(std::string(kError));
}
Outcome valueReply(std::string_view value) {
    return reply("\r\n" + std::string(value) + "\r\nOK\r\n");
}

// Reads a decimal number of 1 to maxDigits digits from the front of text.
std::optional<int> takeNumber(std::string_view& text, std::size_t maxDigits = 3) {
    std::size_t n = 0;
    while (n < text.size() && n < maxDigits && text[n] >= '0' && text[n] <= '9')
        ++n;
    if (n == 0) return std::nullopt;
    int v = 0;
    std::from_chars(text.data(), text.data() + n, v);
    text.remove_prefix(n);
    return v;
}

bool dialableNumber(std::string_view n) {
    if (n.empty() || n.size() > 20) return false;
    for (char c : n)
        if (!((c >= '0' && c <= '9') || c == '*' || c == '#')) return false;
    return true;
}

bool startsWithNoCase(std::string_view s, std::string_view prefix) {
    if (s.size() < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i)
        if ((s[i] | 0x20) != (prefix[i] | 0x20)) return false;
    return true;
}

// Money text "0,120" to thousandths; anything unreadable counts as nothing.
int64_t parseMoney(std::string_view text) {
    int64_t whole = 0, frac = 0;
    int fracDigits = 0;
    bool inFrac = false;
    for (char c : text) {
        if (c == ',' || c == '.') {
            if (inFrac) break;
            inFrac = true;
        } else if (c >= '0' && c <= '9') {
            if (!inFrac)
                whole = whole * 10 + (c - '0');
            else if (fracDigits < 3)
                frac = frac * 10 + (c - '0'), ++fracDigits;
        } else {
            break;
        }
        if (whole > 1'000'000) break;
    }
    while (fracDigits < 3)
        frac *= 10, ++fracDigits;
    return whole * 1000 + frac;
}

} // namespace

std::string Outcome::text() const {
    std::string all;
    for (const ReplyPart& p : parts)
        all += p.bytes;
    return all;
}

std::optional<int64_t> parseDeviceClock(std::string_view t) {
    // dd/mm/yyyy hh:mm:ss
    if (t.size() != 19 || t[2] != '/' || t[5] != '/' || t[10] != ' ' || t[13] != ':' ||
        t[16] != ':')
        return std::nullopt;
    auto field = [&](std::size_t pos, std::size_t len) -> std::optional<int> {
        std::string_view f = t.substr(pos, len);
        auto v = takeNumber(f, len);
        if (!v || !f.empty()) return std::nullopt;
        return v;
    };
    auto day = field(0, 2), mon = field(3, 2), year = field(6, 4), h = field(11, 2),
         m = field(14, 2), s = field(17, 2);
    if (!day || !mon || !year || !h || !m || !s) return std::nullopt;
    if (*mon < 1 || *mon > 12 || *day < 1 || *h > 23 || *m > 59 || *s > 59 || *year < 1970)
        return std::nullopt;
    static constexpr int kDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    bool leap = (*year % 4 == 0 && *year % 100 != 0) || *year % 400 == 0;
    int maxDay = (*mon == 2 && !leap) ? 28 : kDays[*mon - 1];
    if (*day > maxDay) return std::nullopt;
    std::tm tm{};
    tm.tm_year = *year - 1900;
    tm.tm_mon = *mon - 1;
    tm.tm_mday = *day;
    tm.tm_hour = *h;
    tm.tm_min = *m;
    tm.tm_sec = *s;
    return static_cast<int64_t>(timegm(&tm));
}

std::string formatDeviceClock(int64_t seconds) {
    std::time_t t = static_cast<std::time_t>(seconds);
    std::tm tm{};
    gmtime_r(&t, &tm);
    char buf[40];
    std::snprintf(buf, sizeof buf, "%02d/%02d/%04d %02d:%02d:%02d", tm.tm_mday, tm.tm_mon + 1,
                  tm.tm_year + 1900, tm.tm_hour, tm.tm_min, tm.tm_sec);
    return buf;
}

int64_t callCharge(std::string_view number, std::string_view unitPrice) {
    // Internal calls ("*21") are free; local one unit, national three, abroad eight.
    int units = 1;
    if (number.starts_with('*'))
        units = 0;
    else if (number.starts_with("00"))
        units = 8;
    else if (number.starts_with('0'))
        units = 3;
    return units * parseMoney(unitPrice);
}

Interpreter::Interpreter(DeviceState& state, HostClock hostSeconds)
    : state_(state), hostSeconds_(std::move(hostSeconds)) {}

void Interpreter::setForwardingStatus(int port, int reg, int status) {
    if (status == 0 || status == 1)
        forwardingStatus_.erase({port, reg});
    else
        forwardingStatus_[{port, reg}] = status;
}

int64_t Interpreter::now() const {
    if (hostSeconds_) return hostSeconds_();
    return static_cast<int64_t>(std::time(nullptr));
}

Outcome Interpreter::handle(std::string_view line) {
    // Stray line feeds or blanks around the command are not part of it.
    while (!line.empty() && (line.front() == '\n' || line.front() == ' '))
        line.remove_prefix(1);
    while (!line.empty() && (line.back() == '\n' || line.back() == ' ' || line.back() == '\r'))
        line.remove_suffix(1);
    if (!startsWithNoCase(line, "AT")) return error();
    return handleBody(line.substr(2));
}

Outcome Interpreter::handleBody(std::string_view body) {
    const Model model = state_.model;
    if (body.empty()) return ok();
    if (body == "E0" || body == "E1") {
        echoOff_ = body == "E0";
        return ok();
    }
    if (body == "V0" || body == "V1") {
        verbose_ = body == "V1";
        return ok();
    }
    if (body == "Q0" || body == "Z") return ok();
    if (body == "I0" || body == "I") return valueReply("OrvaISDN " + std::string(modelName(model)));
    if (body == "I4")
        return valueReply("OrvaISDN " + std::string(modelName(model)) + " " +
                          std::string(modelPartNumber(model)) + "\r\n");
    if (body == "I3")
        return valueReply(state_.firmware + "\r\nBOOT CODE " + state_.bootCode + "\r\n");
    // Any "0" in the reply means idle to the program, so the busy form has none.
    if (body == "C?") return valueReply(state_.callInProgress ? "1" : "0");
    if (body == "&W") {
        if (persist_ && !persist_(state_)) return error();
        return ok();
    }
    if (body == "!DOWNLOAD") return Outcome{{}, Action::EnterLoader};
    if (body.starts_with("!T")) return clock(body.substr(2));
    if (body == "!C1?") return valueReply(std::to_string(state_.isdnStatus));
    if (body == "S71?") return valueReply(std::to_string(state_.lastDisconnectCause));
    if (body == "\\S0?") return statusText(0);
    if (body == "\\S1?") return statusText(1);
    if (body == "!P14#0?") return lineState();
    if (body == "\\X1?") return chargeReply(1);
    if (body == "\\X2?") return chargeReply(2);
    if (body == "\\X3?") return chargeReply(3);
    if (body == "!P27?") return valueReply(formatMills(state_.totalMills) + " " + state_.currency);
    if (body == "!P28") {
        state_.totalMills = 0;
        return ok();
    }
    if (body == "\\Y") {
        state_.charges[kDataPort].sumMills = 0;
        return ok();
    }

    // Commands addressed by register and port: "!P20#21?", "!P3#21*0?", ...
    if (body.starts_with("!P")) {
        std::string_view t = body.substr(2);
        auto reg = takeNumber(t, 2);
        if (reg && t.starts_with('#')) {
            t.remove_prefix(1);
            auto port = takeNumber(t, 2);
            if (!port) return error();
            bool analog = hasAnalogPort(model, *port);
            switch (*reg) {
            case 20:
            case 21:
            case 22:
                return analog ? forwarding(*reg, *port, t) : error();
            case 3:    // a call list: "!P3#21*0?"
            case 23: { // clearing one ("!P23#21*1"; list 3 = all three)
                if (!analog || !t.starts_with('*')) return error();
                t.remove_prefix(1);
                auto list = takeNumber(t, 1);
                if (!list) return error();
                if (*reg == 3)
                    return (t == "?" && *list < kCallListCount) ? callList(*port, *list) : error();
                return (t.empty() && *list <= kCallListCount) ? clearCallList(*port, *list)
                                                              : error();
            }
            case 5: // clearing the charge sum of a port
                if (!analog || !t.empty()) return error();
                state_.charges[*port].sumMills = 0;
                return ok();
            case 24: // dialling from a port (or the data port, 0)
                if ((!analog && *port != kDataPort) || !t.starts_with('=')) return error();
                return dial(*port, t.substr(1));
            default:
                break;
            }
        }
    }
    if (body.starts_with("\\H")) { // call lists of the data port: "\H1?", "\H3=" clears
        std::string_view t = body.substr(2);
        auto list = takeNumber(t, 1);
        if (!list) return error();
        if (t == "?" && *list < kCallListCount) return callList(kDataPort, *list);
        if (t == "=" && *list <= kCallListCount) return clearCallList(kDataPort, *list);
        return error();
    }

    std::string_view rest;
    auto addr = resolveRegister(model, body, &rest);
    if (!addr) return error();
    if (rest == "?") {
        auto it = state_.registers.find(addr->key);
        return valueReply(it == state_.registers.end() ? std::string(addr->family->initial)
                                                       : it->second);
    }
    // rest starts with "=": a set, or a clear when nothing follows.
    std::string_view value = rest.substr(1);
    if (!valueAccepted(*addr->family, value)) return error();
    state_.registers[addr->key] = std::string(value);
    return ok();
}

Outcome Interpreter::forwarding(int reg, int port, std::string_view rest) {
    const std::string key = "!P" + std::to_string(reg) + "#" + std::to_string(port);
    if (rest == "?") {
        auto it = state_.registers.find(key);
        if (it == state_.registers.end() || it->second.empty()) return valueReply("0");
        // The target starts at the value line's seventh character.
        return valueReply("1,TO: " + it->second);
    }
    bool on;
    std::string_view target;
    if (rest.starts_with("*1=")) {
        on = true;
        target = rest.substr(3);
        if (!dialableNumber(target)) return error();
    } else if (rest == "*0") {
        on = false;
    } else {
        return error();
    }
    if (auto it = forwardingStatus_.find({port, reg}); it != forwardingStatus_.end())
        return valueReply(std::to_string(it->second));
    if (on)
        state_.registers[key] = std::string(target);
    else
        state_.registers.erase(key);
    return valueReply(on ? "1" : "0");
}

Outcome Interpreter::callList(int port, int list) {
    // The program finds the entries 16 characters behind the "C" of "Charge Amount"
    // and 12 behind the "D" of "Disc Cause": the headings end exactly there.
    std::string out = list == kOutgoing
                          ? "\r\nDate     Time  Number        Status Charge Amount \r\n"
                          : "\r\nDate     Time  Number        Disc Cause\r\n";
    // A query leaves the state as it is: a port without calls gets no entry.
    const auto lists = state_.callLists.find(port);
    const std::deque<CallEntry> none;
    const auto& entries =
        lists == state_.callLists.end() ? none : lists->second[static_cast<std::size_t>(list)];
    for (const CallEntry& e : entries) {
        out += e.date + " " + e.time + " " + e.number + " " + e.status;
        if (list == kOutgoing) out += " " + formatMills(e.chargeMills) + " " + state_.currency;
        out += "\r\n";
    }
    out += "\r\nOK\r\n";
    return reply(std::move(out));
}

Outcome Interpreter::clearCallList(int port, int list) {
    auto& lists = state_.callLists[port];
    for (int l = 0; l < kCallListCount; ++l)
        if (list == l || list == kCallListCount) lists[static_cast<std::size_t>(l)].clear();
    return ok();
}

Outcome Interpreter::chargeReply(int which) {
    // "Charge:" and its line break are 9 characters: the program reads from there.
    std::string out = "\r\nCharge:\r\n";
    auto line = [&](std::string_view label, int port) {
        const auto found = state_.charges.find(port);
        const PortCharges c = found == state_.charges.end() ? PortCharges{} : found->second;
        int64_t v = which == 1 ? c.lastMills : which == 2 ? c.sumMills : c.currentMills;
        out += std::string(label) + ": " + formatMills(v) + " " + state_.currency + "\r\n";
    };
    for (int p : analogPorts(state_.model))
        line("P" + std::to_string(p), p);
    line("ATA", kDataPort);
    out += "\r\nOK\r\n";
    return reply(std::move(out));
}

Outcome Interpreter::dial(int port, std::string_view number) {
    if (!dialableNumber(number)) return error();
    int64_t charge = callCharge(number, state_.registers["S95"]);
    const int64_t t = state_.clockOffsetSeconds ? now() + *state_.clockOffsetSeconds : now();
    const std::string stamp = formatDeviceClock(t); // "07/03/2001 09:05:00"
    CallEntry e{stamp.substr(0, 6) + stamp.substr(8, 2), stamp.substr(11, 5), std::string(number),
                "OK", charge};
    auto& out = state_.callLists[port][kOutgoing];
    out.push_front(std::move(e));
    while (out.size() > kMaxListEntries)
        out.pop_back();
    PortCharges& c = state_.charges[port];
    c.lastMills = charge;
    c.sumMills += charge;
    state_.totalMills += charge;
    state_.lastDisconnectCause = 16;
    return Outcome{
        {ReplyPart{"\r\nDIALING\r\n", 0ms}, ReplyPart{std::string(kOk), kDialSetupDelay}},
        Action::None};
}

Outcome Interpreter::clock(std::string_view rest) {
    if (rest == "?") {
        if (!state_.clockOffsetSeconds) return valueReply("--/--/---- --:--:--");
        return valueReply(formatDeviceClock(now() + *state_.clockOffsetSeconds));
    }
    if (!rest.starts_with('=')) return error();
    auto t = parseDeviceClock(rest.substr(1));
    if (!t) return error();
    state_.clockOffsetSeconds = *t - now();
    return ok();
}

Outcome Interpreter::lineState() const {
    // Five groups of 18 characters: 15 of label, the flag, CR LF.
    std::string out = "\r\n";
    static constexpr int kAllPorts[] = {11, 21, 22, 31, 32};
    for (std::size_t i = 0; i < 5; ++i) {
        char group[32];
        std::snprintf(group, sizeof group, "Port %2d state: %c\r\n", kAllPorts[i],
                      state_.lineFlags[i] ? '1' : '0');
        out += group;
    }
    out += "OK\r\n";
    return reply(std::move(out));
}

Outcome Interpreter::statusText(int which) const {
    // The device ends these texts with a backspace and whatever its buffer held.
    std::string text;
    if (which == 0) {
        text = std::string(echoOff_ ? "E0" : "E1") + (verbose_ ? " V1" : " V0") +
               " Q0 X4 &C1 &D2 &K3 S0=0";
    } else {
        for (const char* reg : {"S91", "S95", "S76", "S78", "S75"}) {
            auto fam = std::string_view(reg);
            std::string initial;
            for (const RegisterFamily& f : registerFamilies())
                if (f.prefix == fam) initial = f.initial;
            auto it = state_.registers.find(reg);
            if (it != state_.registers.end() && it->second != initial)
                text += (text.empty() ? "" : " ") + std::string(reg) + "=" + it->second;
        }
        if (text.empty()) text = "NONE";
    }
    return reply("\r\n" + text + "\b~~\x7f\r\n\r\nOK\r\n");
}

} // namespace quorvex::sim
