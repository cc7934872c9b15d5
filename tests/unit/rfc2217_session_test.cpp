// The server's stream as the line sees it: which bytes are the device's reply,
// which are stale, and when the stream can no longer be trusted.
#include "driver/line/rfc2217_session.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

namespace t = r70::rfc2217;
using Bytes = std::vector<uint8_t>;

struct Traces final : r70::TraceSink {
    void traceEvent(std::string_view what) noexcept override { text += std::string(what) + "\n"; }
    std::string text;
};

const Bytes kPurgeAnswer{255, 250, 44, 112, 1, 255, 240};
const Bytes kBinaryAndComPort{255, 253, 0, 255, 251, 0, 255, 253, 44};

// One step of a case: a purge goes out ("P"), the server's Synch arrives
// with the bytes ("U"), or the bytes arrive ("").
struct Step {
    const char* kind;
    Bytes bytes;
};

TEST(Rfc2217Session, TellsTheReplyFromStaleBytesAndStopsAtABrokenStream) {
    const Bytes flood = [] {
        Bytes b;
        for (unsigned i = 0; i <= t::ServerStream::kOptionRequests; ++i)
            b.insert(b.end(), {255, 251, 1});
        b.push_back('x');
        return b;
    }();
    struct Case {
        const char* what;
        std::vector<Step> steps;
        bool opened;
        const char* data;
        std::size_t stale;
        const char* broken;  // a part of the reason, nullptr: trusted
        std::size_t replies; // bytes of answers owed to the server
    };
    const Case cases[] = {
        {"bytes before the purge's answer are stale",
         {{"P", {}}, {"", {'o', 'l', 'd'}}, {"", kPurgeAnswer}, {"", {'n', 'e', 'w'}}},
         true,
         "new",
         3,
         nullptr,
         0},
        {"the answer and the reply in one piece",
         {{"P", {}}, {"", Bytes{'o', 255, 250, 44, 112, 1, 255, 240, 'O', 'K'}}},
         true,
         "OK",
         1,
         nullptr,
         0},
        {"two purges: stale up to the second answer",
         {{"P", {}}, {"P", {}}, {"", kPurgeAnswer}, {"", {'a'}}, {"", kPurgeAnswer}, {"", {'b'}}},
         true,
         "b",
         1,
         nullptr,
         0},
        {"the server's Synch drops its data up to the Data Mark",
         {{"U", {'j', 'u', 'n', 'k', 255, 242, 'o', 'k'}}},
         true,
         "ok",
         0,
         nullptr,
         0},
        {"a Data Mark without a Synch is nothing",
         {{"", {'a', 255, 242, 'b'}}},
         true,
         "ab",
         0,
         nullptr,
         0},
        {"a broken subnegotiation: nothing after it is data",
         {{"", {'a', 'b', 255, 250, 44, 101, 255, 241, 'c', 'd', 255, 240}}, {"", {'e'}}},
         true,
         "ab",
         0,
         "broken off",
         0},
        {"a flood of option requests", {{"", flood}}, false, "", 0, "floods", 12},
        {"binary turned off after the open",
         {{"", kBinaryAndComPort}, {"", {'a', 255, 252, 0, 'b'}}},
         true,
         "a",
         0,
         "binary transfer off",
         3},
        {"COM-PORT-OPTION turned off after the open",
         {{"", kBinaryAndComPort}, {"", {255, 254, 44, 'b'}}},
         true,
         "",
         0,
         "COM-PORT-OPTION off",
         3},
        {"binary refused while opening is the open's to judge",
         {{"", {255, 252, 0, 'b'}}},
         false,
         "b",
         0,
         nullptr,
         0},
    };
    for (const Case& c : cases) {
        Traces traces;
        t::ServerStream s(traces);
        uint8_t start[16];
        (void)s.negotiation().start(start);
        std::size_t replies = 0;
        for (const Step& step : c.steps) {
            if (std::string(step.kind) == "P") {
                s.purgeSent();
                continue;
            }
            if (c.opened && step.bytes != kBinaryAndComPort) s.opened();
            s.feed(step.bytes, std::string(step.kind) == "U");
            replies += s.replies().size();
            s.repliesSent();
        }
        std::string data;
        uint8_t b = 0;
        while (s.take(&b))
            data += static_cast<char>(b);
        EXPECT_EQ(data, c.data) << c.what;
        EXPECT_EQ(s.staleTotal(), c.stale) << c.what;
        EXPECT_EQ(replies, c.replies) << c.what;
        if (c.broken == nullptr) {
            EXPECT_EQ(s.broken(), nullptr) << c.what << ": " << s.broken();
        } else {
            ASSERT_NE(s.broken(), nullptr) << c.what;
            EXPECT_NE(std::string(s.broken()).find(c.broken), std::string::npos) << s.broken();
            EXPECT_NE(traces.text.find("not trusted"), std::string::npos) << c.what;
        }
    }
}

TEST(Rfc2217Session, CountsTheServersAnswers) {
    Traces traces;
    t::ServerStream s(traces);
    s.feed(Bytes{255, 250, 44, 101, 0, 1, 194, 0, 255, 240, 255, 250, 44, 108, 255, 240}, false);
    EXPECT_EQ(s.answers(t::Command::SetBaudRate), 1u);
    EXPECT_EQ(s.answer(t::Command::SetBaudRate), 115200u);
    EXPECT_TRUE(s.flowSuspended());
    EXPECT_TRUE(s.heardTelnet());
    EXPECT_NE(traces.text.find("SET-BAUDRATE 115200"), std::string::npos) << traces.text;
}

} // namespace
