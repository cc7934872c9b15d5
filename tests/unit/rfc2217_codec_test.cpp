// The telnet codec of a network port: bytes from the server in, events out;
// our requests and answers as bytes.
#include "driver/line/rfc2217_codec.h"
#include "driver/ports/port_discovery.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

namespace t = r70::rfc2217;
using Bytes = std::vector<uint8_t>;

// The decoder's events for a byte stream, one word each: D41 data, WILL/0
// option, C241 command, S<hex...> subnegotiation, E error, B broken.
std::string decode(const Bytes& in) {
    t::Decoder d;
    std::string out;
    char word[16];
    for (uint8_t b : in) {
        const t::Event e = d.feed(b);
        switch (e.kind) {
        case t::Event::Kind::None:
            continue;
        case t::Event::Kind::Data:
            std::snprintf(word, sizeof word, "D%02X", e.byte);
            break;
        case t::Event::Kind::Option:
            std::snprintf(word, sizeof word, "%u/%u", e.verb, e.option);
            break;
        case t::Event::Kind::Command:
            std::snprintf(word, sizeof word, "C%u", e.verb);
            break;
        case t::Event::Kind::Subnegotiation: {
            std::string sub = "S";
            for (uint8_t s : d.subnegotiation()) {
                std::snprintf(word, sizeof word, "%02X", s);
                sub += word;
            }
            out += (out.empty() ? "" : " ") + sub;
            continue;
        }
        case t::Event::Kind::Error:
            std::snprintf(word, sizeof word, "E");
            break;
        case t::Event::Kind::Broken:
            std::snprintf(word, sizeof word, "B");
            break;
        }
        out += (out.empty() ? "" : " ") + std::string(word);
    }
    return out;
}

TEST(Rfc2217Codec, DecodesTheServersStream) {
    struct Case {
        const char* what;
        Bytes in;
        const char* events;
    };
    const Bytes tooLong = [] {
        Bytes b{255, 250, 44, 100};
        b.insert(b.end(), 80, 'x');
        b.insert(b.end(), {255, 240, 'A'});
        return b;
    }();
    const Bytes neverEnds = [] {
        Bytes b{255, 250, 44, 100};
        b.insert(b.end(), 2000, 'x');
        b.insert(b.end(), {255, 240, 'A'});
        return b;
    }();
    const Case cases[] = {
        {"data, CR NUL unchanged (binary)", {'O', 'K', 13, 0}, "D4F D4B D0D D00"},
        {"doubled 0xFF is one data byte", {1, 255, 255, 2}, "D01 DFF D02"},
        {"option", {255, 251, 0, 'x'}, "251/0 D78"},
        {"baud answer, 0xFF doubled inside",
         {255, 250, 44, 101, 0, 0, 255, 255, 255, 255, 255, 240},
         "S2C650000FFFF"},
        {"two-byte command", {255, 241, 'a'}, "C241 D61"},
        {"stray IAC SE", {255, 240, 'a'}, "E D61"},
        // What follows a broken subnegotiation can no longer be told apart
        // from the device's bytes: none of it becomes data.
        {"subnegotiation broken by an option",
         {255, 250, 44, 112, 255, 251, 0, 'a', 255, 240, 'b'},
         "B"},
        {"subnegotiation broken by a command", {255, 250, 44, 101, 0, 255, 241, 28, 32}, "B"},
        {"subnegotiation that never ends", neverEnds, "B"},
        {"subnegotiation too long for an answer, but ended", tooLong, "E D41"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(decode(c.in), c.events) << c.what;
}

TEST(Rfc2217Codec, ParsesComPortAnswers) {
    struct Case {
        Bytes sub;
        bool valid;
        t::Command command;
        uint32_t value;
    };
    const Case cases[] = {
        {{44, 101, 0, 1, 0xC2, 0}, true, t::Command::SetBaudRate, 115200},
        {{44, 101, 0, 1, 0xC2}, false, t::Command::Signature, 0}, // short
        {{44, 105, 9}, true, t::Command::SetControl, 9},
        {{44, 105, 9, 9}, false, t::Command::Signature, 0},
        {{44, 112, 1}, true, t::Command::PurgeData, 1},
        {{44, 108}, true, t::Command::FlowControlSuspend, 0}, // no value
        {{44, 109, 0}, false, t::Command::Signature, 0},
        {{44, 100, 's', 'e', 'r'}, true, t::Command::Signature, 0},
        {{44, 5, 8}, false, t::Command::Signature, 0},   // a client command, not an answer
        {{44, 113, 1}, false, t::Command::Signature, 0}, // no such command
        {{24, 101, 0, 0, 0, 0}, false, t::Command::Signature, 0},
        {{44}, false, t::Command::Signature, 0},
    };
    for (const Case& c : cases) {
        const t::Reply r = t::parseReply(c.sub);
        EXPECT_EQ(r.valid, c.valid) << int(c.sub.size() > 1 ? c.sub[1] : 0);
        if (!c.valid) continue;
        EXPECT_EQ(r.command, c.command);
        EXPECT_EQ(r.value, c.value);
    }
}

TEST(Rfc2217Codec, DoublesEvery0xFFAndNeverSplitsOne) {
    const Bytes data{'A', 255, 255, 'B', 255};
    uint8_t out[16];
    std::size_t taken = 0;
    std::size_t n = t::escapeData(data, out, &taken);
    EXPECT_EQ(Bytes(out, out + n), (Bytes{'A', 255, 255, 255, 255, 'B', 255, 255}));
    EXPECT_EQ(taken, 5u);
    n = t::escapeData(data, std::span<uint8_t>(out, 2), &taken); // room for 'A' and half a pair
    EXPECT_EQ(Bytes(out, out + n), (Bytes{'A'}));
    EXPECT_EQ(taken, 1u);

    // Where a send cut at each position must go on to, so that the server
    // never reads the next bytes as the rest of a unit.
    const Bytes stream{'A', 255, 255, 255, 251, 1, 255, 241, 255, 250,
                       44,  1,   0,   255, 255, 0, 255, 240, 'B'};
    const std::size_t ends[] = {0,  1,  3,  3,  6,  6,  6,  8,  8,  18,
                                18, 18, 18, 18, 18, 18, 18, 18, 18, 19};
    for (std::size_t at = 0; at <= stream.size(); ++at)
        EXPECT_EQ(t::unitEnd(stream, at), ends[at]) << "cut at " << at;

    n = t::request(t::Command::SetBaudRate, 0x0001FFFF, 4, out);
    EXPECT_EQ(Bytes(out, out + n), (Bytes{255, 250, 44, 1, 0, 1, 255, 255, 255, 255, 255, 240}));
    n = t::request(t::Command::SetControl, t::kDtrOff, 1, out);
    EXPECT_EQ(Bytes(out, out + n), (Bytes{255, 250, 44, 5, 9, 255, 240}));
    EXPECT_EQ(t::request(t::Command::SetBaudRate, 0xFFFFFFFF, 4, std::span<uint8_t>(out, 13)), 0u);
}

TEST(Rfc2217Codec, NegotiatesWithoutLoops) {
    using State = t::Negotiation::State;
    struct Case {
        const char* server;
        Bytes verbs; // pairs: verb, option
        Bytes answers;
        State comPort, binaryOut, binaryIn;
        bool settled;
    };
    const uint8_t WILL = t::kWill, WONT = t::kWont, DO = t::kDo, DONT = t::kDont;
    const Case cases[] = {
        {"ser2net with rfc2217",
         {WILL, 3, DO, 3, WILL, 1, DONT, 1, DO, 0, WILL, 0, DO, 44, DO, 3},
         {255, DONT, 1},
         State::Yes,
         State::Yes,
         State::Yes,
         true},
        {"ser2net without rfc2217",
         {DO, 0, WILL, 0, DONT, 44},
         {},
         State::No,
         State::Yes,
         State::Yes,
         true},
        {"refuses binary from us",
         {DONT, 0, WILL, 0, DO, 44},
         {},
         State::Yes,
         State::No,
         State::Yes,
         true},
        {"asks what we do not do",
         {DO, 24, WILL, 5},
         {255, WONT, 24, 255, DONT, 5},
         State::WantYes,
         State::WantYes,
         State::WantYes,
         false},
        {"asks again and again: refused a few times, then not answered",
         {DO, 24, DO, 24, DO, 24, DO, 24, DO, 24, DO, 24},
         {255, WONT, 24, 255, WONT, 24, 255, WONT, 24, 255, WONT, 24},
         State::WantYes,
         State::WantYes,
         State::WantYes,
         false},
        {"takes binary back later",
         {DO, 0, WILL, 0, DO, 44, DO, 0, DONT, 0, WONT, 0},
         {255, WONT, 0, 255, DONT, 0},
         State::Yes,
         State::No,
         State::No,
         true},
    };
    for (const Case& c : cases) {
        t::Negotiation n;
        uint8_t start[15];
        ASSERT_EQ(n.start(start), 15u);
        Bytes answers;
        for (std::size_t i = 0; i + 1 < c.verbs.size(); i += 2) {
            uint8_t out[3];
            const std::size_t k = n.answer(c.verbs[i], c.verbs[i + 1], out);
            answers.insert(answers.end(), out, out + k);
        }
        EXPECT_EQ(answers, c.answers) << c.server;
        EXPECT_EQ(n.comPort(), c.comPort) << c.server;
        EXPECT_EQ(n.binaryOut(), c.binaryOut) << c.server;
        EXPECT_EQ(n.binaryIn(), c.binaryIn) << c.server;
        EXPECT_EQ(n.settled(), c.settled) << c.server;
    }
}

TEST(Rfc2217Codec, ReadsNetworkAddresses) {
    struct Case {
        const char* path;
        const char* host; // nullptr: refused
        const char* port;
    };
    const Case cases[] = {
        {"rfc2217://box.local:2000", "box.local", "2000"},
        {"RFC2217://10.0.0.7:4001", "10.0.0.7", "4001"},
        {"rfc2217://[::1]:2000", "::1", "2000"},
        {"rfc2217://::1:2000", nullptr, nullptr},
        {"rfc2217://box:0", nullptr, nullptr},
        {"rfc2217://box:65536", nullptr, nullptr},
        {"rfc2217://box:20a0", nullptr, nullptr},
        {"rfc2217://box", nullptr, nullptr},
        {"rfc2217://:2000", nullptr, nullptr},
        {"rfc2217://box:2000/x", nullptr, nullptr},
        {"rfc2217://user@box:2000", nullptr, nullptr},
        {"/dev/ttyUSB0", nullptr, nullptr},
    };
    for (const Case& c : cases) {
        t::Address a;
        const bool ok = t::parseAddress(c.path, a);
        EXPECT_EQ(ok, c.host != nullptr) << c.path;
        if (!ok) continue;
        EXPECT_STREQ(a.host, c.host) << c.path;
        EXPECT_STREQ(a.port, c.port) << c.path;
    }
    EXPECT_TRUE(r70::isNetworkAddress("Rfc2217://x:1"));
    EXPECT_FALSE(r70::isNetworkAddress("/dev/rfc2217://x:1"));
}

} // namespace
