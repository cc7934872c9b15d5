#include "driver/line/rfc2217_codec.h"

#include "driver/ports/port_discovery.h"
#include "driver/protocol/catalogue.h"

#include <cstdio>
#include <cstring>

namespace r70::rfc2217 {
namespace {

constexpr std::string_view kScheme = "rfc2217://";

// A subnegotiation longer than this does not end: a COM-PORT-OPTION answer is
// a few bytes, a signature a line of text.
constexpr std::size_t kLongestSubnegotiation = 1024;
// How often one request is refused before further ones go unanswered.
constexpr uint8_t kRefusals = 4;

struct Name {
    uint8_t code;
    const char* name;
};

// clang-format off
constexpr Name kOptionNames[] = {
    {0, "BINARY"}, {1, "ECHO"}, {3, "SUPPRESS-GO-AHEAD"}, {5, "STATUS"}, {24, "TERMINAL-TYPE"},
    {31, "NAWS"}, {32, "TERMINAL-SPEED"}, {33, "TOGGLE-FLOW-CONTROL"}, {34, "LINEMODE"},
    {39, "NEW-ENVIRON"}, {44, "COM-PORT-OPTION"},
};
constexpr Name kVerbNames[] = {{kWill, "WILL"}, {kWont, "WONT"}, {kDo, "DO"}, {kDont, "DONT"}};
constexpr const char* kCommandNames[] = {
    "SIGNATURE", "SET-BAUDRATE", "SET-DATASIZE", "SET-PARITY", "SET-STOPSIZE", "SET-CONTROL",
    "NOTIFY-LINESTATE", "NOTIFY-MODEMSTATE", "FLOWCONTROL-SUSPEND", "FLOWCONTROL-RESUME",
    "SET-LINESTATE-MASK", "SET-MODEMSTATE-MASK", "PURGE-DATA",
};
constexpr Name kControlValues[] = {
    {0, "flow control?"}, {1, "no flow control"}, {2, "XON/XOFF"}, {3, "hardware flow control"},
    {4, "BREAK?"}, {5, "BREAK on"}, {6, "BREAK off"}, {7, "DTR?"}, {8, "DTR on"}, {9, "DTR off"},
    {10, "RTS?"}, {11, "RTS on"}, {12, "RTS off"},
};
constexpr Name kParityValues[] = {{0, "?"}, {1, "NONE"}, {2, "ODD"}, {3, "EVEN"}, {4, "MARK"}, {5, "SPACE"}};
constexpr Name kPurgeValues[] = {{1, "receive"}, {2, "transmit"}, {3, "both"}};
// clang-format on

template <std::size_t N> const char* nameOf(const Name (&table)[N], uint32_t code) noexcept {
    for (const Name& n : table)
        if (n.code == code) return n.name;
    return nullptr;
}

// Bytes each COM-PORT-OPTION answer carries behind its command byte (the
// signature: any text).
constexpr std::size_t kText = 99;
std::size_t valueBytesOf(Command command) noexcept {
    switch (command) {
    case Command::Signature:
        return kText;
    case Command::SetBaudRate:
        return 4;
    case Command::FlowControlSuspend:
    case Command::FlowControlResume:
        return 0;
    default:
        return 1;
    }
}

} // namespace

bool parseAddress(std::string_view path, Address& out) noexcept {
    out = Address{};
    if (!isNetworkAddress(path)) return false;
    std::string_view rest = path.substr(kScheme.size());
    std::string_view host;
    std::string_view port;
    if (!rest.empty() && rest.front() == '[') {
        const std::size_t close = rest.find(']');
        if (close == std::string_view::npos || close + 1 >= rest.size() || rest[close + 1] != ':')
            return false;
        host = rest.substr(1, close - 1);
        port = rest.substr(close + 2);
    } else {
        const std::size_t colon = rest.rfind(':');
        if (colon == std::string_view::npos) return false;
        host = rest.substr(0, colon);
        port = rest.substr(colon + 1);
        if (host.find(':') != std::string_view::npos) return false; // IPv6 needs brackets
    }
    if (host.empty() || host.size() >= sizeof out.host) return false;
    for (char c : host)
        if (c <= ' ' || c == '/' || c == '[' || c == ']' || c == '@' || c == 0x7f) return false;
    if (port.empty() || port.size() > 5) return false;
    unsigned number = 0;
    for (char c : port) {
        if (c < '0' || c > '9') return false;
        number = number * 10 + static_cast<unsigned>(c - '0');
    }
    if (number == 0 || number > 65535) return false;
    copyText(out.host, sizeof out.host, host);
    copyText(out.port, sizeof out.port, port);
    return true;
}

std::size_t escapeData(std::span<const uint8_t> data, std::span<uint8_t> out,
                       std::size_t* consumed) noexcept {
    std::size_t written = 0;
    std::size_t taken = 0;
    for (uint8_t b : data) {
        const std::size_t need = b == kIac ? 2 : 1;
        if (written + need > out.size()) break;
        out[written++] = b;
        if (b == kIac) out[written++] = kIac;
        ++taken;
    }
    if (consumed != nullptr) *consumed = taken;
    return written;
}

std::size_t unitEnd(std::span<const uint8_t> stream, std::size_t at) noexcept {
    std::size_t i = 0;
    while (i < at && i < stream.size()) {
        std::size_t length = 1;
        if (stream[i] == kIac && i + 1 < stream.size()) {
            const uint8_t b = stream[i + 1];
            length = b >= kWill && b != kIac ? 3 : 2;
            if (b == kSb) { // up to its IAC SE, a doubled 0xFF inside staying whole
                std::size_t j = i + 2;
                while (j + 1 < stream.size() && !(stream[j] == kIac && stream[j + 1] == kSe))
                    j += stream[j] == kIac ? 2 : 1;
                length = j + 2 - i;
            }
        }
        i += length;
    }
    return i < stream.size() ? i : stream.size();
}

std::size_t request(Command command, uint32_t value, std::size_t valueBytes,
                    std::span<uint8_t> out) noexcept {
    if (valueBytes != 1 && valueBytes != 4) return 0;
    uint8_t bytes[4];
    for (std::size_t i = 0; i < valueBytes; ++i)
        bytes[i] = static_cast<uint8_t>(value >> (8 * (valueBytes - 1 - i)));
    uint8_t buffer[16] = {kIac, kSb, kComPort, static_cast<uint8_t>(command)};
    std::size_t n = 4;
    n += escapeData({bytes, valueBytes}, std::span<uint8_t>(buffer + n, 8), nullptr);
    buffer[n++] = kIac;
    buffer[n++] = kSe;
    if (out.size() < n) return 0;
    std::memcpy(out.data(), buffer, n);
    return n;
}

Event Decoder::feed(uint8_t byte) noexcept {
    Event e;
    auto append = [&](uint8_t b) {
        if (subLength_ < sizeof sub_)
            sub_[subLength_++] = b;
        else
            overflow_ = true;
    };
    switch (state_) {
    case State::Data:
        if (byte == kIac) {
            state_ = State::Iac;
        } else {
            e.kind = Event::Kind::Data;
            e.byte = byte;
        }
        return e;
    case State::Iac:
        state_ = State::Data;
        if (byte == kIac) {
            e.kind = Event::Kind::Data;
            e.byte = kIac;
        } else if (byte >= kWill) {
            verb_ = byte;
            state_ = State::Verb;
        } else if (byte == kSb) {
            subLength_ = subTotal_ = 0;
            overflow_ = false;
            state_ = State::Sub;
        } else if (byte == kSe) {
            e.kind = Event::Kind::Error;
            e.error = "IAC SE outside a subnegotiation";
        } else {
            e.kind = Event::Kind::Command;
            e.verb = byte;
        }
        return e;
    case State::Verb:
        state_ = State::Data;
        e.kind = Event::Kind::Option;
        e.verb = verb_;
        e.option = byte;
        return e;
    case State::Sub:
        if (++subTotal_ > kLongestSubnegotiation) {
            // Whether what follows is still the subnegotiation or the device's
            // output can no longer be told.
            state_ = State::Broken;
            e.kind = Event::Kind::Broken;
            e.error = "a subnegotiation that does not end";
        } else if (byte == kIac) {
            state_ = State::SubIac;
        } else {
            append(byte);
        }
        return e;
    case State::SubIac:
        if (byte == kIac) {
            append(kIac);
            state_ = State::Sub;
            return e;
        }
        if (byte != kSe) {
            // Neither the end nor a doubled 0xFF: the rest of it would be read
            // as the device's bytes.
            state_ = State::Broken;
            e.kind = Event::Kind::Broken;
            e.error = "a subnegotiation broken off by another telnet command";
            return e;
        }
        state_ = State::Data;
        if (overflow_) {
            e.kind = Event::Kind::Error;
            e.error = "a subnegotiation too long to be a COM-PORT-OPTION answer";
        } else {
            e.kind = Event::Kind::Subnegotiation;
        }
        return e;
    case State::Broken:
        return e;
    }
    return e;
}

Reply parseReply(std::span<const uint8_t> sub) noexcept {
    Reply r;
    if (sub.size() < 2 || sub[0] != kComPort || sub[1] < kServerOffset ||
        sub[1] > kServerOffset + static_cast<uint8_t>(Command::PurgeData))
        return r;
    r.command = static_cast<Command>(sub[1] - kServerOffset);
    const std::size_t bytes = valueBytesOf(r.command);
    if (bytes == kText) {
        r.valid = true;
        return r;
    }
    if (sub.size() != 2 + bytes) return r;
    for (std::size_t i = 0; i < bytes; ++i)
        r.value = (r.value << 8) | sub[2 + i];
    r.valid = true;
    return r;
}

bool Negotiation::weWill(uint8_t option) noexcept {
    return option == kBinary || option == kSuppressGoAhead || option == kComPort;
}

bool Negotiation::weWantHim(uint8_t option) noexcept {
    return option == kBinary || option == kSuppressGoAhead;
}

std::size_t Negotiation::start(std::span<uint8_t> out) noexcept {
    constexpr uint8_t kRequests[][2] = {{kWill, kBinary},
                                        {kDo, kBinary},
                                        {kWill, kSuppressGoAhead},
                                        {kDo, kSuppressGoAhead},
                                        {kWill, kComPort}};
    if (out.size() < 3 * std::size(kRequests)) return 0;
    std::size_t n = 0;
    for (const auto& r : kRequests) {
        (r[0] == kWill ? us_ : him_)[r[1]] = State::WantYes;
        out[n++] = kIac;
        out[n++] = r[0];
        out[n++] = r[1];
    }
    return n;
}

std::size_t Negotiation::answer(uint8_t verb, uint8_t option, std::span<uint8_t> out) noexcept {
    uint8_t reply = 0;
    const bool enable = verb == kDo || verb == kWill;
    const bool ours = verb == kDo || verb == kDont; // about our side of the option
    State& state = (ours ? us_ : him_)[option];
    const bool wanted = ours ? weWill(option) : weWantHim(option);
    const uint8_t yes = ours ? kWill : kDo;
    const uint8_t no = ours ? kWont : kDont;
    if (enable) {
        uint8_t& refused = (ours ? refusedUs_ : refusedHim_)[option];
        if (!wanted && refused < kRefusals) {
            reply = no; // state stays No
            ++refused;
        } else if (wanted && state == State::No) {
            reply = yes;
        }
        if (wanted) state = State::Yes;
    } else {
        if (state == State::Yes) reply = no;
        state = State::No; // WantYes -> No: refused
    }
    if (reply == 0 || out.size() < 3) return 0;
    out[0] = kIac;
    out[1] = reply;
    out[2] = option;
    return 3;
}

bool Negotiation::settled() const noexcept {
    return us_[kBinary] != State::WantYes && him_[kBinary] != State::WantYes &&
           us_[kComPort] != State::WantYes;
}

void describeOption(uint8_t verb, uint8_t option, char* out, std::size_t size) noexcept {
    const char* v = nameOf(kVerbNames, verb);
    const char* o = nameOf(kOptionNames, option);
    char number[16];
    std::snprintf(number, sizeof number, "option %u", option);
    std::snprintf(out, size, "%s %s", v != nullptr ? v : "?", o != nullptr ? o : number);
}

void describeCommand(uint8_t command, uint32_t value, char* out, std::size_t size) noexcept {
    if (command >= std::size(kCommandNames)) {
        std::snprintf(out, size, "COM-PORT-OPTION %u %u", command, value);
        return;
    }
    const char* named = nullptr;
    switch (static_cast<Command>(command)) {
    case Command::SetControl:
        named = nameOf(kControlValues, value);
        break;
    case Command::SetParity:
        named = nameOf(kParityValues, value);
        break;
    case Command::PurgeData:
        named = nameOf(kPurgeValues, value);
        break;
    case Command::NotifyLineState:
    case Command::NotifyModemState:
    case Command::SetLineStateMask:
    case Command::SetModemStateMask:
        std::snprintf(out, size, "%s 0x%02X", kCommandNames[command], value);
        return;
    default:
        break;
    }
    if (named != nullptr)
        std::snprintf(out, size, "%s %s", kCommandNames[command], named);
    else
        std::snprintf(out, size, "%s %u", kCommandNames[command], value);
}

void describeSubnegotiation(std::span<const uint8_t> sub, char* out, std::size_t size) noexcept {
    const Reply r = parseReply(sub);
    if (r.valid && r.command == Command::Signature) {
        char text[64];
        std::size_t n = 0;
        for (std::size_t i = 2; i < sub.size() && n + 1 < sizeof text; ++i)
            text[n++] = sub[i] >= ' ' && sub[i] < 0x7f ? static_cast<char>(sub[i]) : '.';
        text[n] = '\0';
        std::snprintf(out, size, "SIGNATURE '%s'", text);
        return;
    }
    if (r.valid) {
        describeCommand(static_cast<uint8_t>(r.command), r.value, out, size);
        return;
    }
    int n = std::snprintf(out, size, "SB");
    for (uint8_t b : sub) {
        if (n < 0 || static_cast<std::size_t>(n) + 4 >= size) break;
        n += std::snprintf(out + n, size - static_cast<std::size_t>(n), " %u", b);
    }
}

} // namespace r70::rfc2217
