#pragma once
// What a check finds in one exchange with the device: the line's facts as
// the library recorded them (D_TakeExchange), judged against the waits the
// reader grants, the buffer it fills and the reply the program expects.

#include "check/check_plan.h"
#include "driver/api/r70com32.h"

#include <string>
#include <string_view>
#include <vector>

namespace quorvex::check {

// One exchange as the library saw it (DRVEXCHANGE, typed).
struct LineExchange {
    int portIndex = 0;
    int result = -2;                      // 0 a reply came, -2 none
    std::string sent, reply, stale, late; // as much of each as the library kept
    int received = 0, staleCount = 0, lateCount = 0;
    int capacity = 0;
    int firstWaitMs = 0, gapWaitMs = 0, silenceMs = 0;
    long long firstByteUs = -1, totalUs = 0, longestGapUs = 0, lateAfterUs = -1;
};
LineExchange lineExchange(const DRVEXCHANGE& record);

// What the program would get wrong, or come close to, grouped as the
// summary lists them.
enum class Finding {
    NoReply,
    NoOk,          // no OK line where one is expected
    Unreadable,    // a value that does not parse
    OutOfRange,    // a value outside what the program accepts
    Form,          // a reply not in its form: an extra line or blank
    Cut,           // a reply at the buffer's capacity
    SlowFirstByte, // later than half its wait
    LongGap,       // a pause inside a reply longer than half the silence that ends it
    BytesAfterEnd, // bytes after the reply's final line, or after the reply
};
inline constexpr int kFindingKinds = 9;

// Which of a kind's wordings a flag takes.
enum class Detail {
    None,
    OkNotLast,    // NoOk: "OK" stands in the reply, but not as its last line
    NotCrLf,      // Form: the reply does not begin with CR LF
    ExtraLine,    // Form: more lines than the value and OK
    CallerBuffer, // Cut: the page's own buffer
    InReply,      // BytesAfterEnd: inside the reply, behind its final line
    AfterReply,   // BytesAfterEnd: after the reply ended, while the library listened
    BeforeNext,   // BytesAfterEnd: waiting when the next command was written
    StoppedEarly, // NoReply: the device stopped answering; the check ended
};

struct Flag {
    Finding kind = Finding::NoReply;
    Detail detail = Detail::None;
    int exchange = 0;            // which exchange of its step
    double ms = 0, limitMs = 0;  // the time measured and the time it is held against
    int count = 0, capacity = 0; // bytes: a cut reply, bytes after the end
    std::string bytes;           // the value or the bytes concerned, as received
    bool operator==(const Flag&) const = default;
};
Flag makeFlag(Finding kind, Detail detail = Detail::None);

// Timing, capacity and bytes after the end: what any exchange can show.
// answerExpected: false for the first "ATE0" of the identification, which
// the program does not rely on. allowMs: what the reader's waits allow for a
// USB adapter that holds bytes back (DRVADAPTER.nAllowMs): the device is
// judged against the rest of each wait, so the adapter's rhythm is never
// taken for the device's.
std::vector<Flag> judgeLine(const LineExchange& e, bool answerExpected = true, int allowMs = 0);

// The reply of a query: its OK line, its form and its value. text: what
// the driver copied into the page's buffer (29, 30, 52, 53).
std::vector<Flag> judgeReply(const Query& q, const LineExchange& e, std::string_view text,
                             int portCount);

// The reply to an identification command ("ATE0" (the second), "ATV1",
// "ATI4", "ATI3").
std::vector<Flag> judgeIdentification(const LineExchange& e);

} // namespace quorvex::check
