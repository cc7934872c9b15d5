// The network line against a scripted RFC 2217 server doing what ser2net
// never does but a hostile or broken server may: a flood of option requests,
// BINARY turned off, a Synch, a broken subnegotiation, a peer that stops
// reading in the middle of a doubled 0xFF. The telnet stream must stay in
// step and no telnet byte may become the device's.
#include "driver/api/r70com32.h"
#include "driver/line/rfc2217_transport.h"
#include "support/wait_for.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <netinet/in.h>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

namespace t = r70::rfc2217;
using Bytes = std::vector<uint8_t>;
using Clock = std::chrono::steady_clock;

struct Traces final : r70::TraceSink {
    void traceEvent(std::string_view what) noexcept override { text += std::string(what) + "\n"; }
    std::string text;
};

// A server on 127.0.0.1 that agrees to the line the program asks for and
// answers every COM-PORT-OPTION request with the value asked for, until the
// test speaks for it through fd(). With flood set it answers nothing and
// asks for options without end instead.
class FakeServer {
public:
    explicit FakeServer(bool flood = false) : flood_(flood) {
        listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        const int buffer = 65536; // fixed: a peer that stops reading fills up soon
        ::setsockopt(listener_, SOL_SOCKET, SO_RCVBUF, &buffer, sizeof buffer);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof a;
        ::bind(listener_, reinterpret_cast<sockaddr*>(&a), sizeof a);
        ::listen(listener_, 1);
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&a), &size);
        port_ = ntohs(a.sin_port);
        thread_ = std::thread([this] { serveOpen(); });
    }
    ~FakeServer() {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
        if (fd_ >= 0) ::close(fd_);
        ::close(listener_);
    }
    std::string address() const { return "rfc2217://127.0.0.1:" + std::to_string(port_); }
    // The connection: from now on the test speaks for the server.
    int fd() {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
        return fd_;
    }
    void send(const Bytes& bytes, int flags = 0) {
        ASSERT_EQ(::send(fd(), bytes.data(), bytes.size(), flags | MSG_NOSIGNAL),
                  static_cast<ssize_t>(bytes.size()));
    }
    // Everything the program sent until it has been quiet for quietMs.
    Bytes drain(int quietMs = 300) {
        Bytes got;
        pollfd p{fd(), POLLIN, 0};
        while (::poll(&p, 1, quietMs) > 0) {
            uint8_t b[65536];
            const ssize_t n = ::recv(fd_, b, sizeof b, 0);
            if (n <= 0) break;
            got.insert(got.end(), b, b + n);
        }
        return got;
    }

private:
    void put(const Bytes& bytes) { (void)::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL); }
    void serveOpen() {
        pollfd l{listener_, POLLIN, 0};
        while (!stop_ && ::poll(&l, 1, 20) <= 0) {
        }
        if (stop_) return;
        fd_ = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        if (flood_) {
            while (!stop_)
                for (int i = 0; i < 100 && !stop_; ++i)
                    if (::send(fd_, "\xFF\xFB\x01\xFF\xFC\x01", 6, MSG_NOSIGNAL | MSG_DONTWAIT) < 0)
                        std::this_thread::sleep_for(std::chrono::milliseconds(1));
            return;
        }
        t::Decoder decoder;
        while (!stop_) {
            pollfd p{fd_, POLLIN, 0};
            if (::poll(&p, 1, 20) <= 0) continue;
            uint8_t b[512];
            const ssize_t n = ::recv(fd_, b, sizeof b, 0);
            if (n <= 0) return;
            for (ssize_t i = 0; i < n; ++i) {
                const t::Event e = decoder.feed(b[i]);
                if (e.kind == t::Event::Kind::Option && (e.verb == t::kWill || e.verb == t::kDo))
                    put({t::kIac, static_cast<uint8_t>(e.verb == t::kWill ? t::kDo : t::kWill),
                         e.option});
                const auto sub = decoder.subnegotiation();
                if (e.kind != t::Event::Kind::Subnegotiation || sub.size() < 2) continue;
                Bytes answer{t::kIac, t::kSb, sub[0],
                             static_cast<uint8_t>(sub[1] + t::kServerOffset)};
                answer.insert(answer.end(), sub.begin() + 2, sub.end());
                answer.insert(answer.end(), {t::kIac, t::kSe});
                put(answer);
            }
        }
    }

    bool flood_;
    int listener_ = -1;
    int fd_ = -1;
    int port_ = 0;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

class NetStream : public ::testing::Test {
protected:
    void openLine() {
        r70::OpenError error;
        ASSERT_TRUE(line_.open(server_.address().c_str(), error)) << error.text;
    }
    std::string read(int waitMs = 300) {
        std::string got;
        char c = 0;
        while (line_.readByte(waitMs, &c))
            got += c;
        return got;
    }
    FakeServer server_;
    Traces traces_;
    r70::Rfc2217Transport line_{traces_};
};

TEST(NetStreamOpen, AFloodOfOptionRequestsIsCutOffWithItsOwnReason) {
    FakeServer server(/*flood=*/true);
    Traces traces;
    r70::Rfc2217Transport line(traces);
    r70::OpenError error;
    const auto started = Clock::now();
    EXPECT_FALSE(line.open(server.address().c_str(), error));
    EXPECT_LT(Clock::now() - started, std::chrono::seconds(4)) << "the open is bounded";
    EXPECT_EQ(error.code, DRV_OPENERR_NOTSERIAL);
    EXPECT_NE(std::string(error.text).find("floods telnet option requests"), std::string::npos)
        << error.text;
}

// A write that times out while the server reads nothing stops after whole
// telnet units: the purge that goes out with the next write must reach the
// server as a request, not as data behind half a doubled 0xFF.
TEST_F(NetStream, ATimedOutWriteNeverLeavesHalfADoubled0xFF) {
    openLine();
    // A line so fast that the pacing does not hold the writes back: the
    // socket's buffers (megabytes on this machine) fill soon.
    const r70::LineSpeed fast{DRV_SPEED_115200, 20000000, 10, "20000000"};
    ASSERT_EQ(line_.setSpeed(fast), r70::SpeedResult::Set);
    (void)server_.drain(50);
    const Bytes block(31, 0xFF); // odd, so cuts fall anywhere
    t::Decoder decoder;
    std::size_t data = 0, purges = 0;
    for (int round = 0; round < 6; ++round) {
        int writes = 0;
        for (bool ok = true; ok && writes < 1000000; ++writes) {
            line_.discardInput();
            ok = line_.write(block.data(), block.size());
        }
        ASSERT_LT(writes, 1000000) << "the server's buffers never filled";
        for (uint8_t b : server_.drain(100)) {
            const t::Event e = decoder.feed(b);
            if (e.kind == t::Event::Kind::None) continue;
            if (e.kind == t::Event::Kind::Data && e.byte == 0xFF) {
                ++data;
                continue;
            }
            ASSERT_EQ(e.kind, t::Event::Kind::Subnegotiation) << "round " << round;
            const t::Reply r = t::parseReply(decoder.subnegotiation());
            EXPECT_FALSE(r.valid) << "a client request, not an answer";
            ++purges;
        }
    }
    // The rest of a unit cut last goes out first, then the purge and the byte.
    line_.discardInput();
    ASSERT_TRUE(line_.write("A", 1));
    t::Event last;
    for (uint8_t b : server_.drain(100)) {
        const t::Event e = decoder.feed(b);
        ASSERT_NE(e.kind, t::Event::Kind::Error);
        ASSERT_NE(e.kind, t::Event::Kind::Broken);
        if (e.kind != t::Event::Kind::None) last = e;
    }
    EXPECT_EQ(last.kind, t::Event::Kind::Data);
    EXPECT_EQ(last.byte, 'A');
    EXPECT_GT(data, 0u);
    EXPECT_GT(purges, 6u);
    EXPECT_FALSE(line_.hungUp());
}

TEST_F(NetStream, AServerThatTurnsBinaryOffIsRefused) {
    openLine();
    server_.send({'a', t::kIac, t::kWont, t::kBinary, 'b'});
    EXPECT_EQ(read(), "a");
    EXPECT_TRUE(line_.hungUp());
    EXPECT_NE(traces_.text.find("the server turned binary transfer off"), std::string::npos)
        << traces_.text;
}

TEST_F(NetStream, ABrokenSubnegotiationNeverBecomesDeviceData) {
    openLine();
    server_.send({'a', 'b', t::kIac, t::kSb, t::kComPort, 101, t::kIac, 241, 'c', 'd', t::kIac,
                  t::kSe, 'e'});
    EXPECT_EQ(read(), "ab");
    EXPECT_TRUE(line_.hungUp());
}

TEST_F(NetStream, TheServersSynchDropsItsDataUpToTheDataMark) {
    openLine();
    server_.send({'j', 'u', 'n', 'k', t::kIac});
    server_.send({t::kDataMark}, MSG_OOB); // the urgent byte: the Data Mark
    server_.send({'O', 'K'});
    EXPECT_EQ(read(), "OK");
    EXPECT_NE(traces_.text.find("Synch, 4 bytes dropped"), std::string::npos) << traces_.text;
}

} // namespace
