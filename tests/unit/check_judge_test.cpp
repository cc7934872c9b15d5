// What the check finds in an exchange: replies byte for byte, and the line's
// timing against the waits of the reader.
#include "check/check_judge.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace qa = quorvex::check;
using F = qa::Finding;
using R = qa::ValueRule;

namespace {

qa::Query query(uint16_t code, R rule, int min = 0, int max = 0, int index = 0) {
    qa::Query q;
    q.code = code;
    q.rule = rule;
    q.min = min;
    q.max = max;
    q.index = index;
    return q;
}

qa::LineExchange reply(std::string bytes) {
    qa::LineExchange e;
    e.result = 0;
    e.sent = "AT\r";
    e.reply = std::move(bytes);
    e.received = static_cast<int>(e.reply.size());
    e.capacity = 256;
    e.firstWaitMs = 210;
    e.gapWaitMs = e.silenceMs = 20;
    e.firstByteUs = 300;
    return e;
}

std::vector<F> kinds(const std::vector<qa::Flag>& flags) {
    std::vector<F> out;
    for (const qa::Flag& f : flags)
        out.push_back(f.kind);
    return out;
}

struct ReplyRow {
    const char* name;
    qa::Query q;
    std::string reply;
    std::string text; // the page's buffer
    std::vector<F> expected;
};

TEST(CheckJudge, Replies) {
    const qa::Query flag = query(DRV_CALLWAIT, R::Flag);
    const qa::Query msn = query(DRV_MSN, R::Msn);
    const qa::Query ring = query(DRV_RINGDELAY, R::Digit, 0, 9);
    const qa::Query frame = query(DRV_DATAPROTO, R::Number, 128, 256);
    const qa::Query list = query(DRV_LOG, R::CallList, 0, 0, 1);
    const std::string heading = "\r\nDate     Time  Number        Disc Cause\r\n";
    const std::string entry = "06/03/01 22:47 0301234999 16\r\n";
    const ReplyRow rows[] = {
        {"a flag", flag, "\r\n1\r\nOK\r\n", "", {}},
        {"an empty MSN", msn, "\r\n\r\nOK\r\n", "", {}},
        {"no OK", flag, "\r\nERROR\r\n", "", {F::NoOk}},
        {"OK only inside", list, heading + "06/03/01 22:47 0301234999 OK\r\n", "", {F::NoOk}},
        {"a blank after the value", msn, "\r\n4711 \r\nOK\r\n", "", {F::Unreadable}},
        {"an empty line before OK", flag, "\r\n1\r\n\r\nOK\r\n", "", {F::Form}},
        {"an empty line before the value", msn, "\r\n\r\n4711\r\nOK\r\n", "", {F::Form}},
        {"no CR LF first", flag, "1\r\nOK\r\n", "", {F::Form, F::Unreadable}},
        {"a line behind OK", flag, "\r\n1\r\nOK\r\n\r\nRING\r\n", "", {F::BytesAfterEnd}},
        {"a flag that is no flag", flag, "\r\n2\r\nOK\r\n", "", {F::Unreadable}},
        {"a ring delay of two digits", ring, "\r\n10\r\nOK\r\n", "", {F::Unreadable}},
        {"a frame size too large", frame, "\r\n260\r\nOK\r\n", "", {F::OutOfRange}},
        {"an MSN of 16 digits", msn, "\r\n1234567890123456\r\nOK\r\n", "", {F::OutOfRange}},
        {"a call list", list, heading + entry + "\r\nOK\r\n", entry + "\r\n", {}},
        {"a call list with an extra empty line",
         list,
         heading + entry + "\r\n\r\nOK\r\n",
         entry + "\r\n\r\n",
         {F::Form}},
        {"a call list without its heading",
         list,
         "\r\n" + entry + "\r\nOK\r\n",
         entry,
         {F::Unreadable}},
        {"a call list entry cut short",
         list,
         heading + "06/03/01\r\n\r\nOK\r\n",
         "06/03/01\r\n",
         {F::Unreadable}},
    };
    for (const ReplyRow& r : rows) {
        SCOPED_TRACE(r.name);
        EXPECT_EQ(kinds(qa::judgeReply(r.q, reply(r.reply), r.text, 5)), r.expected);
    }
}

TEST(CheckJudge, ACallListThatFillsThePagesBufferIsCut) {
    qa::Query q = query(DRV_LOG, R::CallList);
    q.buffer = 16;
    const auto flags =
        qa::judgeReply(q, reply("\r\nx Charge Amount \r\n\r\nOK\r\n"), std::string(15, '1'), 5);
    ASSERT_FALSE(flags.empty());
    EXPECT_EQ(flags.back().kind, F::Cut);
    EXPECT_EQ(flags.back().detail, qa::Detail::CallerBuffer);
}

struct LineRow {
    const char* name;
    long long firstByteUs, longestGapUs;
    int received, lateCount, result;
    std::vector<F> expected;
    int allowMs = 0; // the waits' share for a USB adapter
};

TEST(CheckJudge, LineTiming) {
    const LineRow rows[] = {
        {"quick", 300, 100, 9, 0, 0, {}},
        {"a first byte at half the wait", 105000, 100, 9, 0, 0, {}},
        {"a first byte past half the wait", 105001, 100, 9, 0, 0, {F::SlowFirstByte}},
        {"a gap past half the silence", 300, 10001, 9, 0, 0, {F::LongGap}},
        {"a reply that fills the buffer", 300, 100, 255, 0, 0, {F::Cut}},
        {"bytes after the reply ended", 300, 100, 9, 4, 0, {F::BytesAfterEnd}},
        {"no reply", -1, 0, 0, 0, -2, {F::NoReply}},
        {"a reply after the wait", -1, 0, 0, 6, -2, {F::NoReply, F::SlowFirstByte}},
        // Behind an adapter that holds bytes up to 63 ms, the device is judged
        // against the rest of each wait.
        {"an adapter's hold before the first byte", 63000 + 105000, 100, 9, 0, 0, {}, 63},
        {"and the device's own share past half",
         63000 + 105001,
         100,
         9,
         0,
         0,
         {F::SlowFirstByte},
         63},
        {"a gap an adapter made", 300, 63000 + 10000, 9, 0, 0, {}, 63},
        {"and one past it", 300, 63000 + 10001, 9, 0, 0, {F::LongGap}, 63},
    };
    for (const LineRow& r : rows) {
        SCOPED_TRACE(r.name);
        qa::LineExchange e = reply("\r\n1\r\nOK\r\n");
        e.firstByteUs = r.firstByteUs;
        e.longestGapUs = r.longestGapUs;
        e.received = r.received;
        e.lateCount = r.lateCount;
        e.result = r.result;
        e.firstWaitMs += r.allowMs;
        e.gapWaitMs += r.allowMs;
        EXPECT_EQ(kinds(qa::judgeLine(e, true, r.allowMs)), r.expected);
    }
    qa::LineExchange silent = reply("");
    silent.result = -2;
    EXPECT_TRUE(qa::judgeLine(silent, false).empty()); // the first "ATE0" may go unanswered
}

TEST(CheckJudge, Identification) {
    qa::LineExchange ati4 = reply("\r\nOrvaISDN R70 QKM-633S\r\n\r\nOK\r\n");
    ati4.sent = "ATI4\r";
    EXPECT_TRUE(qa::judgeIdentification(ati4).empty());
    ati4.reply = "\r\nOrvaISDN R90\r\n\r\nOK\r\n";
    EXPECT_EQ(kinds(qa::judgeIdentification(ati4)), std::vector<F>{F::Unreadable});
    qa::LineExchange ati3 = reply("\r\nV2.10 R70\r\n\r\nBOOT CODE V1.03\r\n\r\nOK\r\n");
    ati3.sent = "ATI3\r";
    EXPECT_EQ(kinds(qa::judgeIdentification(ati3)), std::vector<F>{F::Form});
}

} // namespace
