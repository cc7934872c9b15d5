// The reply parser: one table of reply rules by command code. Every text it
// copies is bounded by the field or the caller's buffer it goes into.
#include "driver/protocol/catalogue.h"

#include <cstdint>
#include <cstring>

namespace r70 {
namespace {

// The caller's text buffer of commands 29, 30, 52, 53 (address and capacity
// in the overlay over szText). Null or no capacity: nothing is written.
struct CallerBuffer {
    char* data;
    std::size_t capacity;
};

CallerBuffer callerBuffer(const DRVPARAM& p) noexcept {
    char* data = static_cast<char*>(drv_get_address(&p));
    int32_t capacity = drv_get_capacity(&p);
    if (data == nullptr || capacity <= 0) return {nullptr, 0};
    return {data, static_cast<std::size_t>(capacity)};
}

enum class Rule : std::uint8_t {
    None,
    Flag,        // op 0
    Digit,       // op 0
    TextLine,    // op 0: value line into szText
    PortTimer,   // op 0 flag, op 3 time
    Clock,       // op 3 date
    Forwarding,  // every op
    Range,       // op 0
    Prefix,      // op 0
    NumberRange, // op 0
    Log,         // op 0
    Charge,      // every op but 2
    DataProtocol,
    Eid,
    IndexNumber, // op 0
    ValueNumber, // every op
    StatusText,  // every op
    LineState,   // every op
};

struct ParseRow {
    std::uint8_t first, last;
    Rule rule;
};

constexpr ParseRow kParseRows[] = {
    {4, 4, Rule::TextLine},      {5, 5, Rule::Flag},          {7, 7, Rule::PortTimer},
    {8, 8, Rule::Clock},         {9, 10, Rule::Flag},         {11, 13, Rule::Digit},
    {14, 14, Rule::Flag},        {15, 15, Rule::TextLine},    {17, 19, Rule::Forwarding},
    {20, 20, Rule::Flag},        {21, 21, Rule::TextLine},    {22, 22, Rule::Flag},
    {23, 23, Rule::Range},       {24, 24, Rule::Prefix},      {25, 26, Rule::Flag},
    {27, 27, Rule::NumberRange}, {28, 28, Rule::Flag},        {29, 29, Rule::Log},
    {30, 30, Rule::Charge},      {39, 39, Rule::Flag},        {40, 43, Rule::TextLine},
    {44, 44, Rule::Flag},        {45, 45, Rule::TextLine},    {47, 47, Rule::DataProtocol},
    {48, 48, Rule::Eid},         {49, 49, Rule::IndexNumber}, {50, 51, Rule::ValueNumber},
    {52, 53, Rule::StatusText},  {54, 54, Rule::LineState},
};

Rule ruleFor(int code) noexcept {
    for (const ParseRow& r : kParseRows)
        if (code >= r.first && code <= r.last) return r.rule;
    return Rule::None;
}

int flagOf(std::string_view value) noexcept {
    return !value.empty() && value[0] == '1' ? 1 : 0;
}

void parseTime(std::string_view line, DRVPARAM& p) noexcept {
    std::size_t colon = line.find(':');
    if (colon == std::string_view::npos) return;
    std::string_view h = line.substr(0, colon), m = line.substr(colon + 1);
    auto hasDigit = [](std::string_view s) {
        return s.find_first_of("0123456789") != std::string_view::npos;
    };
    if (!hasDigit(h) || !hasDigit(m)) return;
    int hour = leadingNumber(h), minute = leadingNumber(m);
    if (hour < 0 || hour > 23 || minute < 0 || minute > 59) return;
    p.szText[2] = static_cast<char>(hour);
    p.szText[3] = static_cast<char>(minute);
}

// Splits at the first sep: returns the part before and leaves rest behind it
// (a missing separator leaves rest empty).
std::string_view splitAt(std::string_view& rest, char sep) noexcept {
    std::size_t at = rest.find(sep);
    std::string_view part = rest.substr(0, at);
    rest = at == std::string_view::npos ? std::string_view{} : rest.substr(at + 1);
    return part;
}

void parseDate(std::string_view line, DRVPARAM& p) noexcept {
    std::string_view rest = line;
    std::string_view day = splitAt(rest, '/');
    std::string_view month = splitAt(rest, '/');
    std::string_view year = splitAt(rest, ' ');
    std::string_view hour = splitAt(rest, ':');
    std::string_view minute = splitAt(rest, ':');
    std::string_view second = rest;
    p.szText[1] = static_cast<char>(leadingNumber(day));
    p.szText[0] = static_cast<char>(leadingNumber(month));
    // "--" in the day: the device's clock is not set.
    p.nValue = day.find("--") != std::string_view::npos ? 1 : leadingNumber(year);
    p.szText[2] = static_cast<char>(leadingNumber(hour));
    p.szText[3] = static_cast<char>(leadingNumber(minute));
    p.szText[4] = static_cast<char>(leadingNumber(second));
}

void parseForwarding(std::string_view value, DRVPARAM& p) noexcept {
    if (value.empty()) return;
    const char status = value[0];
    if (p.nOp == 0) {
        if (status == '0') {
            p.nValue = 0;
            p.bFlag = 0;
        } else if (status == '1') {
            p.nValue = 1;
            p.bFlag = 1;
            // The target stands in the value line from its seventh character;
            // a shorter line has none (never the bytes of the next line).
            std::string_view line = valueLine(value);
            copyText(p.szText, line.size() > 6 ? line.substr(6) : std::string_view{});
        }
        return;
    }
    if (status >= '0' && status <= '3') {
        p.nValue = status - '0';
        p.bFlag = status == '1' ? 1 : 0;
    }
}

void parseRange(std::string_view value, DRVPARAM& p) noexcept {
    if (!value.empty() && value[0] == '\r') {
        p.nFrom = p.nTo = 0;
        return;
    }
    p.nFrom = leadingNumber(value.substr(0, 2));
    p.nTo = leadingNumber(value.size() > 3 ? value.substr(3) : std::string_view{});
}

void parseNumberRange(std::string_view value, DRVPARAM& p) noexcept {
    if (!value.empty() && value[0] == '\r') {
        p.szText[0] = p.szText2[0] = '\0';
        return;
    }
    std::string_view line = valueLine(value);
    std::size_t dash = line.find('-');
    if (dash == std::string_view::npos) {
        copyText(p.szText, line);
        p.szText2[0] = '\0';
        return;
    }
    copyText(p.szText, line.substr(0, dash));
    copyText(p.szText2, line.substr(dash + 1));
}

void parseLog(std::string_view reply, DRVPARAM& p) noexcept {
    std::string_view heading;
    std::size_t skip = 0;
    if (p.nIndex == 0) {
        heading = "Charge Amount";
        skip = 16;
    } else if (p.nIndex == 1 || p.nIndex == 2) {
        heading = "Disc Cause";
        skip = 12;
    } else {
        return;
    }
    std::size_t at = reply.find(heading);
    // A reply that ends before the entries start has no entries.
    if (at == std::string_view::npos || at + skip >= reply.size() || reply[at + skip] == '\r') {
        p.nValue = 0;
        return;
    }
    p.nValue = 1;
    CallerBuffer buffer = callerBuffer(p);
    copyText(buffer.data, buffer.capacity, reply.substr(at + skip));
}

void parseCharge(std::string_view reply, DRVPARAM& p) noexcept {
    if (p.nOp == 2) return;
    CallerBuffer buffer = callerBuffer(p);
    if (p.nIndex == 3) {
        copyText(buffer.data, buffer.capacity, valueLine(replyValue(reply)));
        return;
    }
    if (p.nIndex < 0 || p.nIndex > 2) return;
    std::size_t at = reply.find("Charge:");
    if (at == std::string_view::npos) {
        copyText(buffer.data, buffer.capacity, {});
        return;
    }
    copyText(buffer.data, buffer.capacity,
             at + 9 < reply.size() ? reply.substr(at + 9) : std::string_view{});
}

void parseStatusText(std::string_view value, DRVPARAM& p) noexcept {
    std::size_t bs = value.find('\b');
    if (bs != std::string_view::npos) value = value.substr(0, bs);
    CallerBuffer buffer = callerBuffer(p);
    if (buffer.data == nullptr) return;
    std::size_t n = 0;
    const std::size_t room = buffer.capacity - 1;
    for (char c : value) {
        std::size_t need = c == '&' ? 2 : 1; // never half of a doubled "&"
        if (n + need > room) break;
        buffer.data[n++] = c;
        if (c == '&') buffer.data[n++] = '&';
    }
    buffer.data[n] = '\0';
}

void parseLineState(std::string_view value, DRVPARAM& p) noexcept {
    for (int k = 1; k <= 5; ++k) {
        const std::size_t at = 15 + 18 * static_cast<std::size_t>(k - 1);
        int32_t flag = value.size() > at + 1 && value[at] == '1' ? 1 : 0;
        if (k == 1)
            p.nValue = flag;
        else
            std::memcpy(p.szText + 4 * (k - 2), &flag, sizeof flag);
    }
}

int protocolIndexOf(int code) noexcept {
    for (int i = 0; i < 8; ++i)
        if (kProtocolCodes[i] == code) return i;
    return code; // an unknown code is kept as it came
}

void parseDataProtocol(std::string_view value, DRVPARAM& p) noexcept {
    if (p.nOp != 0) return;
    switch (p.nPort) {
    case 0:
        drv_set_aux(&p, protocolIndexOf(leadingNumber(valueLine(value))));
        break;
    case 1:
    case 2:
    case 3:
    case 4:
        p.bFlag = flagOf(value);
        break;
    case 5:
        p.bFlag = !value.empty() && value[0] == '0' ? 1 : 0;
        break;
    case 6:
        p.nIndex = leadingNumber(valueLine(value));
        break;
    default:
        break;
    }
}

} // namespace

void parseReply(std::string_view reply, int readResult, DRVPARAM& p) noexcept {
    if (readResult != 0) {
        p.bReply = 0;
        return;
    }
    p.bReply = 1;
    if (p.nCmd == DRV_ATIMPORTANT || p.nCmd == DRV_ATCHANGED) {
        p.bOk = 1;
    } else if (reply.find("OK") == std::string_view::npos) {
        p.bOk = 0;
        return;
    } else {
        p.bOk = 1;
    }

    const std::string_view value = replyValue(reply);
    const std::string_view line = valueLine(value);
    const bool query = p.nOp == 0;
    switch (ruleFor(p.nCmd)) {
    case Rule::None:
        break;
    case Rule::Flag:
        if (query) p.bFlag = flagOf(value);
        break;
    case Rule::Digit:
        if (query) p.nValue = leadingNumber(value.substr(0, 1));
        break;
    case Rule::TextLine:
        if (query) copyText(p.szText, line);
        break;
    case Rule::PortTimer:
        if (query) p.bFlag = flagOf(value);
        if (p.nOp == 3) parseTime(line, p);
        break;
    case Rule::Clock:
        if (p.nOp == 3) parseDate(line, p);
        break;
    case Rule::Forwarding:
        parseForwarding(value, p);
        break;
    case Rule::Range:
        if (query) parseRange(value, p);
        break;
    case Rule::Prefix:
        if (!query) break;
        if (!value.empty() && value[0] == '\r')
            p.szText3[0] = '\0';
        else
            copyText(p.szText3, line);
        break;
    case Rule::NumberRange:
        if (query) parseNumberRange(value, p);
        break;
    case Rule::Log:
        if (query) parseLog(reply, p);
        break;
    case Rule::Charge:
        parseCharge(reply, p);
        break;
    case Rule::DataProtocol:
        parseDataProtocol(value, p);
        break;
    case Rule::Eid:
        if (!query) break;
        if (p.nPort == 11) p.nIndex = leadingNumber(line);
        if (p.nPort == 12) copyText(p.szText + 4, sizeof p.szText - 4, line);
        break;
    case Rule::IndexNumber:
        if (query) p.nIndex = leadingNumber(line);
        break;
    case Rule::ValueNumber:
        p.nValue = leadingNumber(line);
        break;
    case Rule::StatusText:
        parseStatusText(value, p);
        break;
    case Rule::LineState:
        parseLineState(value, p);
        break;
    }
}

} // namespace r70
