#include "check/check_judge.h"

#include "check/check_values.h"

#include <algorithm>

namespace quorvex::check {
namespace {

constexpr std::string_view kOkLine = "\r\nOK\r\n";

std::string kept(const char* bytes, int32_t count, std::size_t capacity) {
    const auto n = static_cast<std::size_t>(std::clamp<int32_t>(count, 0, INT32_MAX));
    return std::string(bytes, std::min(n, capacity));
}

double ms(long long us) {
    return static_cast<double>(us) / 1000.0;
}

// Whether what was measured takes more than half of a wait, once the share
// of the wait that is a USB adapter's (where the wait holds it) is taken off
// both.
bool overHalf(long long measuredUs, int waitMs, int allowMs) {
    const int share = waitMs > allowMs ? allowMs : 0;
    return (measuredUs - share * 1000LL) * 2 > (waitMs - share) * 1000LL;
}

// The reply's own end: its final OK line, when it has one anywhere.
std::size_t okLineEnd(std::string_view reply) {
    const std::size_t at = reply.rfind(kOkLine);
    return at == std::string_view::npos ? std::string_view::npos : at + kOkLine.size();
}

void okLine(const LineExchange& e, std::vector<Flag>& out) {
    const std::size_t end = okLineEnd(e.reply);
    if (end == std::string_view::npos) {
        // The driver looks for "OK" anywhere: a call list's "OK" status
        // would pass for the final line.
        Flag f = makeFlag(Finding::NoOk);
        if (e.reply.find("OK") != std::string::npos) f.detail = Detail::OkNotLast;
        out.push_back(f);
        return;
    }
    if (end < e.reply.size()) {
        Flag f = makeFlag(Finding::BytesAfterEnd, Detail::InReply);
        f.bytes = e.reply.substr(end);
        f.count = static_cast<int>(f.bytes.size());
        out.push_back(f);
    }
}

// Between the leading CR LF and the final OK line: the value line alone,
// or lines of which only the last (the blank before OK) may be empty.
bool formFits(std::string_view reply, bool single) {
    const std::size_t ok = reply.rfind(kOkLine);
    const std::string_view body = ok > 2 ? reply.substr(2, ok - 2) : std::string_view();
    if (single) return body.find_first_of("\r\n") == std::string_view::npos;
    std::string_view lines = body;
    if (lines.ends_with("\r\n")) lines.remove_suffix(2); // the blank line before OK
    return !lines.starts_with("\r\n") && !lines.ends_with("\r\n") &&
           lines.find("\r\n\r\n") == std::string_view::npos;
}

bool singleLine(ValueRule rule) {
    switch (rule) {
    case ValueRule::StatusText:
    case ValueRule::LineState:
    case ValueRule::CallList:
    case ValueRule::ChargeRow:
        return false;
    default:
        return true;
    }
}

} // namespace

Flag makeFlag(Finding kind, Detail detail) {
    Flag f;
    f.kind = kind;
    f.detail = detail;
    return f;
}

LineExchange lineExchange(const DRVEXCHANGE& r) {
    LineExchange e;
    e.portIndex = r.nPortIndex;
    e.result = r.nResult;
    e.sent = kept(r.abSent, r.nSent, sizeof r.abSent);
    e.reply = kept(r.abReply, r.nReceived, sizeof r.abReply);
    e.stale = kept(r.abStale, r.nStale, sizeof r.abStale);
    e.late = kept(r.abLate, r.nLate, sizeof r.abLate);
    e.received = r.nReceived;
    e.staleCount = r.nStale;
    e.lateCount = r.nLate;
    e.capacity = r.nCapacity;
    e.firstWaitMs = r.nFirstWaitMs;
    e.gapWaitMs = r.nGapWaitMs;
    e.silenceMs = r.nSilenceMs;
    e.firstByteUs = r.nFirstByteUs;
    e.totalUs = r.nTotalUs;
    e.longestGapUs = r.nLongestGapUs;
    e.lateAfterUs = r.nLateAfterUs;
    return e;
}

std::vector<Flag> judgeLine(const LineExchange& e, bool answerExpected, int allowMs) {
    std::vector<Flag> out;
    auto timed = [&out](Finding kind, double measured, int limitMs) {
        Flag f = makeFlag(kind);
        f.ms = measured;
        f.limitMs = limitMs;
        out.push_back(f);
    };
    if (e.result != 0) {
        if (answerExpected) timed(Finding::NoReply, 0, e.firstWaitMs);
    } else if (overHalf(e.firstByteUs, e.firstWaitMs, allowMs)) {
        timed(Finding::SlowFirstByte, ms(e.firstByteUs), e.firstWaitMs);
    }
    if (e.result == 0 && overHalf(e.longestGapUs, e.gapWaitMs, allowMs))
        timed(Finding::LongGap, ms(e.longestGapUs), e.gapWaitMs);
    // Filled to the last byte: the reply may have been longer.
    if (e.capacity > 0 && e.received >= e.capacity - 1) {
        Flag f = makeFlag(Finding::Cut);
        f.count = e.received;
        f.capacity = e.capacity - 1;
        out.push_back(f);
    }
    if (e.lateCount > 0) {
        // After no reply at all, what came was the reply, too late.
        Flag f = e.result == 0 ? makeFlag(Finding::BytesAfterEnd, Detail::AfterReply)
                               : makeFlag(Finding::SlowFirstByte);
        f.ms = ms(e.lateAfterUs) + (e.result == 0 ? 0 : e.firstWaitMs);
        f.limitMs = e.result == 0 ? e.silenceMs : e.firstWaitMs;
        f.count = e.lateCount;
        f.bytes = e.late;
        out.push_back(f);
    }
    return out;
}

std::vector<Flag> judgeReply(const Query& q, const LineExchange& e, std::string_view text,
                             int portCount) {
    std::vector<Flag> out;
    if (e.result != 0) return out;
    if (!e.reply.starts_with("\r\n")) out.push_back(makeFlag(Finding::Form, Detail::NotCrLf));
    const bool hasOkLine = okLineEnd(e.reply) != std::string_view::npos;
    // The status texts are taken without looking for OK.
    if (q.rule != ValueRule::StatusText) {
        okLine(e, out);
        // Without OK the program keeps its old values: there is nothing read to judge.
        if (!hasOkLine) return out;
    }
    if (hasOkLine && !formFits(e.reply, singleLine(q.rule)))
        out.push_back(makeFlag(Finding::Form, Detail::ExtraLine));
    const ValueVerdict verdict = judgeValue(q, e.reply, text, portCount);
    if (verdict != ValueVerdict::Fine) {
        Flag f = makeFlag(verdict == ValueVerdict::Unreadable ? Finding::Unreadable
                                                              : Finding::OutOfRange);
        f.bytes = singleLine(q.rule) ? std::string(replyValueLine(e.reply))
                                     : std::string(replyValue(e.reply));
        out.push_back(f);
    }
    if (q.buffer > 0 && text.size() + 1 >= static_cast<std::size_t>(q.buffer)) {
        Flag f = makeFlag(Finding::Cut, Detail::CallerBuffer);
        f.count = static_cast<int>(text.size());
        f.capacity = q.buffer - 1;
        out.push_back(f);
    }
    return out;
}

std::vector<Flag> judgeIdentification(const LineExchange& e) {
    std::vector<Flag> out;
    if (e.result != 0) return out;
    if (!e.reply.starts_with("\r\n")) out.push_back(makeFlag(Finding::Form, Detail::NotCrLf));
    okLine(e, out);
    if (okLineEnd(e.reply) == std::string_view::npos) return out;
    if (!formFits(e.reply, false)) out.push_back(makeFlag(Finding::Form, Detail::ExtraLine));
    if (judgeIdentityReply(e.sent, e.reply) != ValueVerdict::Fine) {
        Flag f = makeFlag(Finding::Unreadable);
        f.bytes = std::string(replyValue(e.reply));
        out.push_back(f);
    }
    return out;
}

} // namespace quorvex::check
