#include "check/check_values.h"

#include "core/device_settings.h"
#include "core/number_classifier.h"
#include "maintenance/callback_logic.h"
#include "maintenance/log_parse.h"
#include "pages/data/charge_parse.h"
#include "pages/telephony/msn_page.h"

#include <algorithm>
#include <array>
#include <charconv>

namespace quorvex::check {
namespace {

using V = ValueVerdict;

bool digitsOnly(std::string_view s) {
    return !s.empty() &&
           std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// A number of at most nine digits; nothing for anything else.
std::optional<int> number(std::string_view s) {
    if (!digitsOnly(s) || s.size() > 9) return std::nullopt;
    int n = 0;
    std::from_chars(s.data(), s.data() + s.size(), n);
    return n;
}

V inRange(std::string_view s, int min, int max) {
    const std::optional<int> n = number(s);
    if (!n) return digitsOnly(s) ? V::OutOfRange : V::Unreadable;
    return *n >= min && *n <= max ? V::Fine : V::OutOfRange;
}

// Two digits at s[at], at most max.
V twoDigits(std::string_view s, std::size_t at, int min, int max) {
    return at + 2 <= s.size() ? inRange(s.substr(at, 2), min, max) : V::Unreadable;
}

V worst(std::initializer_list<V> verdicts) {
    V out = V::Fine;
    for (V v : verdicts) {
        if (v == V::Unreadable) return v;
        if (v == V::OutOfRange) out = v;
    }
    return out;
}

V portNumber(std::string_view s) {
    const int kind = core::classify(s, core::PortNames{});
    if (kind == 1 || (kind >= 8 && kind <= 12)) return V::Fine;
    return digitsOnly(s) ? V::OutOfRange : V::Unreadable;
}

V clock(std::string_view s) {
    if (s == "--/--/---- --:--:--") return V::Fine; // the device's clock is not set
    if (s.size() != 19 || s[2] != '/' || s[5] != '/' || s[10] != ' ' || s[13] != ':' ||
        s[16] != ':' || !digitsOnly(s.substr(6, 4)))
        return V::Unreadable;
    return worst({twoDigits(s, 0, 1, 31), twoDigits(s, 3, 1, 12), twoDigits(s, 11, 0, 23),
                  twoDigits(s, 14, 0, 59), twoDigits(s, 17, 0, 59)});
}

V lcrHours(std::string_view s) {
    if (s.empty()) return V::Fine;
    if (s.size() != 5 || s[2] != '-') return V::Unreadable;
    return worst({twoDigits(s, 0, 0, 23), twoDigits(s, 3, 1, 24)});
}

V lcrRange(std::string_view s) {
    if (s.empty()) return V::Fine;
    const std::size_t dash = s.find('-');
    if (dash == std::string_view::npos) return V::Unreadable;
    const std::string_view from = s.substr(0, dash), to = s.substr(dash + 1);
    if (!digitsOnly(from) || !digitsOnly(to)) return V::Unreadable;
    // The page sends no table with ends of unequal length.
    return from.size() <= 5 && from.size() == to.size() ? V::Fine : V::OutOfRange;
}

V protocol(std::string_view s) {
    constexpr std::array<int, 8> kCodes = {95, 2, 1, 5, 3, 4, 92, 90};
    const std::optional<int> n = number(s);
    if (!n) return V::Unreadable;
    return std::find(kCodes.begin(), kCodes.end(), *n) != kCodes.end() ? V::Fine : V::OutOfRange;
}

// Five groups of 18 characters: a label of 15, the flag, CR LF.
V lineState(std::string_view value) {
    constexpr std::size_t kGroup = 18;
    if (value.size() < 5 * kGroup) return V::Unreadable;
    for (std::size_t k = 0; k < 5; ++k) {
        const std::string_view group = value.substr(k * kGroup, kGroup);
        if (group.substr(16) != "\r\n") return V::Unreadable;
        if (group[15] != '0' && group[15] != '1') return V::Unreadable;
    }
    return V::Fine;
}

// The lines of a call list up to the empty line that ends it.
std::vector<std::string_view> listLines(std::string_view text) {
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        const std::size_t end = text.find("\r\n");
        const std::string_view line = text.substr(0, end);
        if (line.empty()) break;
        lines.push_back(line);
        if (end == std::string_view::npos) break;
        text.remove_prefix(end + 2);
    }
    return lines;
}

V callList(const Query& q, std::string_view reply, std::string_view text) {
    const std::string_view heading = q.index == 0 ? "Charge Amount" : "Disc Cause";
    if (reply.find(heading) == std::string_view::npos) return V::Unreadable;
    const std::vector<std::string_view> lines = listLines(text);
    if (lines.size() > static_cast<std::size_t>(maintenance::kLogMaxEntries)) return V::OutOfRange;
    const maintenance::ParsedLog parsed = maintenance::parseCallList(text, q.index);
    if (parsed.beep || parsed.entries.size() != lines.size()) return V::Unreadable;
    for (const maintenance::LogEntry& e : parsed.entries) {
        if (e.date().size() != 8 || e.time().empty()) return V::Unreadable;
        if (e.number() != maintenance::kNoId && portNumber(e.number()) != V::Fine)
            return V::Unreadable;
        if (q.index == 0 && (e.amount().empty() || e.unit().empty())) return V::Unreadable;
    }
    return V::Fine;
}

// An amount ("0,360", "12,34", or one the device does not know, "???"), a
// blank and a currency word.
V chargeValue(std::string_view line) {
    const std::size_t blank = line.find(' ');
    if (blank == std::string_view::npos || blank + 1 >= line.size()) return V::Unreadable;
    const std::string_view amount = line.substr(0, blank);
    if (amount.find("???") != std::string_view::npos) return V::Fine;
    const std::size_t comma = amount.find(',');
    if (comma == std::string_view::npos || !digitsOnly(amount.substr(0, comma)) ||
        !digitsOnly(amount.substr(comma + 1)))
        return V::Unreadable;
    return V::Fine;
}

V chargeRow(std::string_view reply, int portCount) {
    if (reply.find("Charge:") == std::string_view::npos) return V::Unreadable;
    for (int column = 0; column < data::kChargeColumns; ++column) {
        if (portCount == 3 && (column == 3 || column == 4)) continue;
        const std::string_view label = data::chargeLabel(column);
        const std::size_t at = reply.find(label);
        if (at == std::string_view::npos) return V::Unreadable;
        const std::string_view rest = reply.substr(at + label.size());
        if (chargeValue(rest.substr(0, rest.find_first_of("\r\n"))) != V::Fine)
            return V::Unreadable;
    }
    return V::Fine;
}

} // namespace

std::string_view replyValue(std::string_view reply) {
    return reply.size() > 2 ? reply.substr(2) : std::string_view();
}

std::string_view replyValueLine(std::string_view reply) {
    const std::string_view value = replyValue(reply);
    return value.substr(0, value.find_first_of("\r\n"));
}

ValueVerdict judgeValue(const Query& q, std::string_view reply, std::string_view text,
                        int portCount) {
    const std::string_view line = replyValueLine(reply);
    switch (q.rule) {
    case ValueRule::Ok:
        return V::Fine;
    case ValueRule::Flag:
    case ValueRule::CallCheck:
        return line == "0" || line == "1" ? V::Fine : V::Unreadable;
    case ValueRule::Digit:
        return line.size() == 1 ? inRange(line, q.min, q.max) : V::Unreadable;
    case ValueRule::Number:
        return inRange(line, q.min, q.max);
    case ValueRule::Msn:
        if (telephony::validMsn(line)) return V::Fine;
        return digitsOnly(line) ? V::OutOfRange : V::Unreadable;
    case ValueRule::PortNumber:
        return portNumber(line);
    case ValueRule::Forwarding:
        if (line == "0") return V::Fine;
        // "1,TO: " and the target: the driver takes it from the seventh character.
        if (line.size() <= 6 || line[0] != '1') return V::Unreadable;
        return portNumber(line.substr(6));
    case ValueRule::PortTime:
        if (line.size() != 5 || line[2] != ':') return V::Unreadable;
        return worst({twoDigits(line, 0, 0, 23), twoDigits(line, 3, 0, 59)});
    case ValueRule::Clock:
        return clock(line);
    case ValueRule::LcrHours:
        return lcrHours(line);
    case ValueRule::LcrPredial:
        if (line.empty()) return V::Fine;
        if (!digitsOnly(line)) return V::Unreadable;
        return line.size() <= 5 ? V::Fine : V::OutOfRange;
    case ValueRule::LcrRange:
        return lcrRange(line);
    case ValueRule::ChargeUnit:
        return core::validChargeUnit(line) ? V::Fine : V::Unreadable;
    case ValueRule::Digits:
        if (core::validDigits(line, static_cast<std::size_t>(q.max))) return V::Fine;
        return digitsOnly(line) ? V::OutOfRange : V::Unreadable;
    case ValueRule::CallbackNumber:
        if (maintenance::isCallbackNumber(line)) return V::Fine;
        return digitsOnly(line) ? V::OutOfRange : V::Unreadable;
    case ValueRule::Protocol:
        return protocol(line);
    case ValueRule::EidText:
        if (!std::all_of(line.begin(), line.end(), [](char c) { return c > ' ' && c < 0x7f; }))
            return V::Unreadable;
        return line.size() <= static_cast<std::size_t>(q.max) ? V::Fine : V::OutOfRange;
    case ValueRule::StatusText:
        return replyValue(reply).find('\b') != std::string_view::npos ? V::Fine : V::Unreadable;
    case ValueRule::LineState:
        return lineState(replyValue(reply));
    case ValueRule::CallList:
        return callList(q, reply, text);
    case ValueRule::ChargeRow:
        return chargeRow(reply, portCount);
    case ValueRule::ChargeTotal:
        return chargeValue(line);
    }
    return V::Fine;
}

ValueVerdict judgeIdentityReply(std::string_view sent, std::string_view reply) {
    const std::string_view line = replyValueLine(reply);
    if (sent.starts_with("ATI4")) {
        const bool model = line.find("633") != std::string_view::npos ||
                           line.find("613") != std::string_view::npos;
        return model ? V::Fine : V::Unreadable;
    }
    if (sent.starts_with("ATI3")) {
        const bool code = replyValue(reply).find("CODE") != std::string_view::npos;
        return !line.empty() && code ? V::Fine : V::Unreadable;
    }
    return V::Fine;
}

} // namespace quorvex::check
