// The serial line over TCP to an RFC 2217 server. Everything the device
// sends arrives through the telnet decoder into an input buffer the reader
// takes bytes from; the server's answers to our COM-PORT-OPTION requests are
// picked out of the same stream.
#include "driver/rfc2217_transport.h"

#include "driver/catalogue.h"
#include "driver/r70com32.h"

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <linux/sockios.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace r70 {
namespace {

using rfc2217::Command;

// A server that takes longer than these does not answer at all.
constexpr int kConnectMs = 3000;
constexpr int kNegotiationMs = 3000;
constexpr int kAnswerMs = 2000;
// DTR: a pseudo-terminal behind the server has none, and the server then
// leaves SET-CONTROL unanswered; the attempts are bounded as on a local line.
constexpr int kControlAnswerMs = 500;
constexpr int kDtrAttempts = 3;
constexpr int kPurgeAnswerMs = 1000;
// How long a port the server calls in use is tried again.
constexpr int kBusyRetryMs = 2000;
constexpr int kBusyPauseMs = 50;
// Data the server does not acknowledge for this long: the connection is gone.
constexpr unsigned kUserTimeoutMs = 10000;
// How far the writes may run ahead of the server's serial line. Beyond it
// bytes would wait in TCP buffers (tens of seconds at 19200 baud), and the
// firmware transfer would seem done long before the device had it.
constexpr long long kLeadBytes = 1024;
// ser2net forwards the device's bytes in batches of up to 64
// (dev-to-net-bufsize): the first byte of a reply may wait for a batch.
constexpr long long kServerBatchBytes = 64;
// ser2net holds what it read from the device about two characters, at least
// 1 ms, before it sends it on.
constexpr long long kServerHoldUs = 2000;
// The longest ser2net holds what it read from the device before it sends it
// on (chardelay-max); a batch it read just before a purge comes after it.
constexpr int kServerHoldMs = 20;
// The network's share of every silence (see docs/driver.md for the figures).
constexpr int kSlackMs = 2;
// Speed assumed before the first SET-BAUDRATE (a slow one: longer waits).
constexpr unsigned kUnknownBaud = 9600;

long long monotonicUs() noexcept {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<long long>(ts.tv_sec) * 1000000 + ts.tv_nsec / 1000;
}

void sleepUs(long long us) noexcept {
    if (us <= 0) return;
    timespec left{static_cast<time_t>(us / 1000000), static_cast<long>(us % 1000000) * 1000};
    while (nanosleep(&left, &left) != 0 && errno == EINTR) {
    }
}

int clampMs(long long ms) noexcept {
    return ms < 0 ? 0 : ms > 60000 ? 60000 : static_cast<int>(ms);
}

} // namespace

void Rfc2217Transport::trace(const char* format, ...) noexcept {
    char line[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    trace_.traceEvent(line);
}

long long Rfc2217Transport::charUs() const noexcept {
    return 10000000LL / (baud_ != 0 ? baud_ : kUnknownBaud);
}

void Rfc2217Transport::startConnection() noexcept {
    decoder_.reset();
    negotiation_ = rfc2217::Negotiation{};
    heardTelnet_ = hungUp_ = purgeAnswered_ = dtrUnanswered_ = flowSuspended_ = false;
    inHead_ = inCount_ = overflow_ = lastChunk_ = stale_ = delivered_ = 0;
    holdBack_ = false;
    purgesPending_ = 0;
    baud_ = 0;
    wireFreeUs_ = 0;
    std::memset(answers_, 0, sizeof answers_);
    std::memset(requestedUs_, 0, sizeof requestedUs_);
    srttUs_ = rttVarUs_ = 0;
    requests_ = 0;
}

bool Rfc2217Transport::open(const char* path, OpenError& error) noexcept {
    close();
    rfc2217::Address address;
    if (!rfc2217::parseAddress(path, address))
        return failOpen(error, DRV_OPENERR_ABSENT,
                        "not a network port (the form is rfc2217://HOST:PORT)");
    // The server takes a moment to let go of a connection that just ended
    // (ours, closed a moment ago, or that of a program that just quit), and
    // meanwhile answers that the port is in use.
    const long long giveUp = monotonicMs() + kBusyRetryMs;
    for (;;) {
        startConnection();
        if (connectTo(address, error) && negotiate(error)) break;
        if (error.code != DRV_OPENERR_BUSY || monotonicMs() >= giveUp) return false;
        trace("%s: trying again", error.text);
        sleepUs(kBusyPauseMs * 1000LL);
    }
    inHead_ = inCount_ = 0; // what came before the line was set up answers nothing
    return true;
}

bool Rfc2217Transport::failOpen(OpenError& error, int code, const char* reason) noexcept {
    error.code = code;
    copyText(error.text, sizeof error.text, reason);
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    return false;
}

bool Rfc2217Transport::connectTo(const rfc2217::Address& address, OpenError& error) noexcept {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    const int gai = getaddrinfo(address.host, address.port, &hints, &found);
    char reason[200];
    if (gai != 0) {
        if (gai == EAI_AGAIN) {
            formatInto(reason, sizeof reason, "no answer from the name server for %s",
                       address.host);
            return failOpen(error, DRV_OPENERR_NOANSWER, reason);
        }
        if (gai == EAI_SYSTEM || gai == EAI_MEMORY) {
            formatInto(reason, sizeof reason, "looking up %s failed: %s", address.host,
                       gai_strerror(gai));
            return failOpen(error, DRV_OPENERR_NOTSERIAL, reason);
        }
        formatInto(reason, sizeof reason, "host not found: %s", address.host);
        return failOpen(error, DRV_OPENERR_ABSENT, reason);
    }
    int lastError = ETIMEDOUT;
    const long long deadline = monotonicMs() + kConnectMs;
    for (addrinfo* a = found; a != nullptr && fd_ < 0; a = a->ai_next) {
        const int fd =
            ::socket(a->ai_family, a->ai_socktype | SOCK_CLOEXEC | SOCK_NONBLOCK, a->ai_protocol);
        if (fd < 0) {
            lastError = errno;
            continue;
        }
        int e = ::connect(fd, a->ai_addr, a->ai_addrlen) == 0 ? 0 : errno;
        if (e == EINPROGRESS) {
            pollfd p{fd, POLLOUT, 0};
            int r = 0;
            while ((r = poll(&p, 1, clampMs(deadline - monotonicMs()))) < 0 && errno == EINTR) {
            }
            socklen_t size = sizeof e;
            if (r <= 0 || getsockopt(fd, SOL_SOCKET, SO_ERROR, &e, &size) != 0) e = ETIMEDOUT;
        }
        if (e != 0) {
            lastError = e;
            ::close(fd);
            continue;
        }
        fd_ = fd;
    }
    freeaddrinfo(found);
    if (fd_ < 0) {
        if (lastError == ECONNREFUSED)
            formatInto(reason, sizeof reason,
                       "connection refused — no server listens on port %s of %s", address.port,
                       address.host);
        else if (lastError == ETIMEDOUT)
            formatInto(reason, sizeof reason, "no answer from %s port %s", address.host,
                       address.port);
        else
            formatInto(reason, sizeof reason, "cannot connect to %s port %s: %s", address.host,
                       address.port, std::strerror(lastError));
        if (lastError == ECONNREFUSED) return failOpen(error, DRV_OPENERR_ABSENT, reason);
        const bool silent =
            lastError == ETIMEDOUT || lastError == EHOSTUNREACH || lastError == ENETUNREACH;
        return failOpen(error, silent ? DRV_OPENERR_NOANSWER : DRV_OPENERR_NOTSERIAL, reason);
    }
    // Commands are a few bytes each and wait for their replies: no Nagle.
    const int one = 1;
    (void)setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    const unsigned userTimeout = kUserTimeoutMs;
    (void)setsockopt(fd_, IPPROTO_TCP, TCP_USER_TIMEOUT, &userTimeout, sizeof userTimeout);
    trace("connected to %s port %s", address.host, address.port);
    return true;
}

bool Rfc2217Transport::negotiate(OpenError& error) noexcept {
    uint8_t start[16];
    const std::size_t n = negotiation_.start(start);
    trace("telnet out: WILL BINARY, DO BINARY, WILL SUPPRESS-GO-AHEAD, DO SUPPRESS-GO-AHEAD, "
          "WILL COM-PORT-OPTION");
    const long long deadline = monotonicMs() + kNegotiationMs;
    if (sendAll(start, n, deadline))
        while (!hungUp_ && !negotiation_.settled() && monotonicMs() < deadline)
            (void)pump(clampMs(deadline - monotonicMs()));

    // The server's words before it hung up ("Port already in use").
    auto closedReason = [&] {
        char said[120] = {};
        std::size_t k = 0;
        for (std::size_t i = 0; i < inCount_ && k + 1 < sizeof said; ++i) {
            const uint8_t c = in_[(inHead_ + i) % sizeof in_];
            if (c >= ' ' && c < 0x7f) said[k++] = static_cast<char>(c);
        }
        char reason[200];
        formatInto(reason, sizeof reason, "the server closed the connection: %s", said);
        // A server that hangs up while the port is being opened holds it for
        // another client: it says so, unless its words were lost to the reset
        // of the bytes we had sent meanwhile (its greeting can settle the
        // telnet options before the hang-up arrives).
        const bool atOnce = k == 0;
        const bool busy = atOnce || std::strstr(said, "in use") != nullptr;
        if (atOnce)
            formatInto(reason, sizeof reason,
                       "busy — the server closed the connection at once (another client may "
                       "hold the port)");
        else if (busy)
            formatInto(reason, sizeof reason, "busy — the server says: %s", said);
        return failOpen(error, busy ? DRV_OPENERR_BUSY : DRV_OPENERR_NOTSERIAL, reason);
    };
    using State = rfc2217::Negotiation::State;
    if (hungUp_) return closedReason();
    if (!negotiation_.settled()) {
        if (!heardTelnet_)
            return failOpen(error, DRV_OPENERR_NOTSERIAL,
                            "the server does not do RFC 2217: no telnet answer (a raw TCP port?)");
        return failOpen(error, DRV_OPENERR_NOANSWER, "no answer to the telnet negotiation");
    }
    if (negotiation_.comPort() != State::Yes)
        return failOpen(error, DRV_OPENERR_NOTSERIAL,
                        "the server does not do RFC 2217: it refused COM-PORT-OPTION (ser2net "
                        "needs telnet(rfc2217) on the accepter)");
    if (negotiation_.binaryOut() != State::Yes || negotiation_.binaryIn() != State::Yes)
        return failOpen(error, DRV_OPENERR_NOTSERIAL,
                        "the server refused binary transfer (TRANSMIT-BINARY)");

    // 8N1; every other setting of the port stays as the server has it.
    struct Setting {
        Command command;
        uint32_t value;
        const char* name;
    };
    constexpr Setting kSettings[] = {{Command::SetDataSize, 8, "SET-DATASIZE"},
                                     {Command::SetParity, rfc2217::kParityNone, "SET-PARITY"},
                                     {Command::SetStopSize, rfc2217::kStopBitsOne, "SET-STOPSIZE"}};
    for (const Setting& s : kSettings) {
        uint32_t got = 0;
        char reason[160];
        if (!ask(s.command, s.value, kAnswerMs, &got)) {
            if (hungUp_) return closedReason();
            formatInto(reason, sizeof reason, "no answer to %s", s.name);
            return failOpen(error, DRV_OPENERR_NOANSWER, reason);
        }
        if (got != s.value) {
            formatInto(reason, sizeof reason, "the server cannot set 8N1 (%s %u answered %u)",
                       s.name, s.value, got);
            return failOpen(error, DRV_OPENERR_NOTSERIAL, reason);
        }
    }
    // Whether the server answers PURGE-DATA decides whether a command waits
    // for that answer (what comes before it is stale).
    uint32_t purged = 0;
    purgeAnswered_ = ask(Command::PurgeData, rfc2217::kPurgeReceive, kAnswerMs, &purged);
    if (hungUp_) return closedReason();
    if (!purgeAnswered_) trace("no answer to PURGE-DATA: stale input is only dropped here");
    trace("round trip to the server %lld.%03lld ms, variation %lld.%03lld ms", srttUs_ / 1000,
          srttUs_ % 1000, rttVarUs_ / 1000, rttVarUs_ % 1000);
    return true;
}

bool Rfc2217Transport::sendAll(const uint8_t* bytes, std::size_t count,
                               long long deadlineMs) noexcept {
    std::size_t done = 0;
    while (done < count && fd_ >= 0 && !hungUp_) {
        const ssize_t n = ::send(fd_, bytes + done, count - done, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
            connectionLost(std::strerror(errno));
            break;
        }
        const long long left = deadlineMs - monotonicMs();
        if (left <= 0) break;
        pollfd p{fd_, POLLOUT, 0};
        (void)poll(&p, 1, clampMs(left));
    }
    return done == count;
}

bool Rfc2217Transport::sendRequest(Command command, uint32_t value, bool traced) noexcept {
    uint8_t bytes[16];
    const std::size_t valueBytes = command == Command::SetBaudRate ? 4 : 1;
    const std::size_t n = rfc2217::request(command, value, valueBytes, bytes);
    // The first request waits for the server to open its device: no sample.
    if (requests_++ > 0) requestedUs_[static_cast<std::size_t>(command)] = monotonicUs();
    if (traced) {
        char what[96];
        rfc2217::describeCommand(static_cast<uint8_t>(command), value, what, sizeof what);
        trace("telnet out: %s", what);
    }
    return n > 0 && sendAll(bytes, n, monotonicMs() + kAnswerMs);
}

bool Rfc2217Transport::ask(Command command, uint32_t value, int waitMs, uint32_t* answer) noexcept {
    const auto c = static_cast<std::size_t>(command);
    const unsigned before = answers_[c];
    if (!sendRequest(command, value, true)) return false;
    const long long deadline = monotonicMs() + waitMs;
    while (answers_[c] == before && !hungUp_ && monotonicMs() < deadline)
        (void)pump(clampMs(deadline - monotonicMs()));
    if (answers_[c] == before) return false;
    if (answer != nullptr) *answer = answer_[c];
    return true;
}

void Rfc2217Transport::connectionLost(const char* why) noexcept {
    if (hungUp_) return;
    hungUp_ = true;
    trace("connection lost: %s", why);
}

bool Rfc2217Transport::pump(int timeoutMs) noexcept {
    if (fd_ < 0 || hungUp_) return false;
    pollfd p{fd_, POLLIN, 0};
    int r = 0;
    while ((r = poll(&p, 1, timeoutMs)) < 0 && errno == EINTR) {
    }
    if (r <= 0) return false;
    uint8_t bytes[4096];
    const ssize_t n = ::recv(fd_, bytes, sizeof bytes, MSG_DONTWAIT);
    if (n == 0) {
        connectionLost("the server closed the connection");
        return false;
    }
    if (n < 0) {
        if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)
            connectionLost(std::strerror(errno));
        return false;
    }
    // The server may hold back its next batch until it sees our ACK.
    const int one = 1;
    (void)setsockopt(fd_, IPPROTO_TCP, TCP_QUICKACK, &one, sizeof one);
    const std::size_t before = inCount_;
    for (ssize_t i = 0; i < n; ++i) {
        const rfc2217::Event e = decoder_.feed(bytes[i]);
        switch (e.kind) {
        case rfc2217::Event::Kind::None:
            break;
        case rfc2217::Event::Kind::Data:
            keep(e.byte);
            break;
        case rfc2217::Event::Kind::Option:
            onOption(e.verb, e.option);
            break;
        case rfc2217::Event::Kind::Command:
            heardTelnet_ = true;
            trace("telnet in: IAC %u", e.verb);
            break;
        case rfc2217::Event::Kind::Subnegotiation:
            onSubnegotiation();
            break;
        case rfc2217::Event::Kind::Error:
            trace("telnet in: %s (ignored)", e.error);
            break;
        }
    }
    if (inCount_ > before) lastChunk_ = inCount_ - before;
    if (overflow_ > 0) {
        trace("%zu bytes dropped: nothing read them", overflow_);
        overflow_ = 0;
    }
    return true;
}

void Rfc2217Transport::keep(uint8_t byte) noexcept {
    if (purgesPending_ > 0) {
        ++stale_; // sent before the server purged: an earlier command's
        return;
    }
    if (inCount_ == sizeof in_) {
        ++overflow_;
        return;
    }
    in_[(inHead_ + inCount_) % sizeof in_] = byte;
    ++inCount_;
}

void Rfc2217Transport::onOption(uint8_t verb, uint8_t option) noexcept {
    heardTelnet_ = true;
    char what[64];
    rfc2217::describeOption(verb, option, what, sizeof what);
    trace("telnet in: %s", what);
    uint8_t reply[3];
    const std::size_t n = negotiation_.answer(verb, option, reply);
    if (n == 0) return;
    rfc2217::describeOption(reply[1], reply[2], what, sizeof what);
    trace("telnet out: %s", what);
    (void)sendAll(reply, n, monotonicMs() + kAnswerMs);
}

void Rfc2217Transport::onSubnegotiation() noexcept {
    heardTelnet_ = true;
    const auto sub = decoder_.subnegotiation();
    const rfc2217::Reply r = rfc2217::parseReply(sub);
    const bool routinePurge = r.valid && r.command == Command::PurgeData && purgesPending_ > 0;
    if (!routinePurge) {
        char what[160];
        rfc2217::describeSubnegotiation(sub, what, sizeof what);
        trace("telnet in: %s%s", what, r.valid ? "" : " (not understood)");
    }
    if (!r.valid) return;
    const auto c = static_cast<std::size_t>(r.command);
    answer_[c] = r.value;
    ++answers_[c];
    if (requestedUs_[c] != 0) sampleRoundTrip(monotonicUs() - requestedUs_[c]);
    requestedUs_[c] = 0;
    if (r.command == Command::PurgeData && purgesPending_ > 0) --purgesPending_;
    if (r.command == Command::FlowControlSuspend) flowSuspended_ = true;
    if (r.command == Command::FlowControlResume) flowSuspended_ = false;
}

SpeedResult Rfc2217Transport::setSpeed(const LineSpeed& speed) noexcept {
    if (fd_ < 0 || hungUp_) return SpeedResult::Unreadable;
    // The server changes the speed when the request arrives: bytes still on
    // their way out at the old speed would be garbled.
    waitUntilSent();
    uint32_t got = 0;
    if (!ask(Command::SetBaudRate, speed.baud, kAnswerMs, &got))
        return hungUp_ ? SpeedResult::Unreadable : SpeedResult::Refused;
    if (got != speed.baud) {
        trace("the server set %u baud, not %u", got, speed.baud);
        return SpeedResult::Refused;
    }
    baud_ = speed.baud;
    return SpeedResult::Set;
}

void Rfc2217Transport::waitUntilSent() noexcept {
    const long long deadline = monotonicMs() + kAnswerMs + (kLeadBytes * charUs()) / 1000;
    for (;;) {
        int unsent = 0;
        if (ioctl(fd_, SIOCOUTQ, &unsent) != 0) unsent = 0;
        const long long lineBusyUs = wireFreeUs_ + charUs() - monotonicUs();
        if ((unsent == 0 && lineBusyUs <= 0) || monotonicMs() >= deadline || hungUp_) return;
        sleepUs(lineBusyUs > 0 ? lineBusyUs : 1000);
    }
}

void Rfc2217Transport::discardInput() noexcept {
    if (fd_ < 0 || hungUp_) return;
    while (pump(0)) {
    }
    // After a command that got no reply in time, or with bytes arriving
    // unasked, the device may still be talking: the next command waits until
    // the server has nothing more of it (see waitForPurge).
    holdBack_ = delivered_ == 0 || inCount_ > 0;
    stale_ += inCount_;
    inHead_ = inCount_ = 0;
    // What the server still holds of the device's output goes too; with an
    // answering server the answer marks where the stale bytes end.
    if (sendRequest(Command::PurgeData, rfc2217::kPurgeReceive, false) && purgeAnswered_)
        ++purgesPending_;
}

void Rfc2217Transport::waitForPurge() noexcept {
    const long long deadline = monotonicMs() + kPurgeAnswerMs;
    while (purgesPending_ > 0 && !hungUp_ && monotonicMs() < deadline)
        (void)pump(clampMs(deadline - monotonicMs()));
    if (purgesPending_ > 0) {
        trace("no answer to PURGE-DATA within %d ms", kPurgeAnswerMs);
        purgesPending_ = 0;
    }
    // The purge does not reach a batch the server read just before it and
    // holds back to send in one piece: a late reply would come after the
    // answer. So after a silence, what comes within the server's longest hold
    // is stale too.
    long long quietUntil = monotonicMs() + (holdBack_ ? kServerHoldMs : 0);
    while (!hungUp_ && monotonicMs() < quietUntil && monotonicMs() < deadline) {
        if (pump(clampMs(quietUntil - monotonicMs())) && inCount_ > 0) {
            stale_ += inCount_;
            inHead_ = inCount_ = 0;
            quietUntil = monotonicMs() + kServerHoldMs; // the device is still talking
        }
    }
    holdBack_ = false;
    if (stale_ > 0) {
        trace("%zu bytes of stale input dropped", stale_);
        stale_ = 0;
    }
}

bool Rfc2217Transport::write(const void* data, std::size_t count) noexcept {
    if (fd_ < 0 || hungUp_) return false;
    waitForPurge();
    delivered_ = 0;
    // Same bound as a local line's write time-outs: 20 ms plus 10 ms per byte.
    const long long deadline = monotonicMs() + 20 + 10 * static_cast<long long>(count);
    const auto* p = static_cast<const uint8_t*>(data);
    std::size_t done = 0;
    while (done < count && !hungUp_) {
        // Keep pace with the server's line, at most kLeadBytes ahead of it.
        const long long aheadUs = wireFreeUs_ - monotonicUs() - kLeadBytes * charUs();
        if (aheadUs > 0 || flowSuspended_) {
            if (monotonicMs() >= deadline) break;
            (void)pump(clampMs(aheadUs > 0 ? (aheadUs + 999) / 1000 : 10));
            continue;
        }
        uint8_t escaped[512];
        std::size_t taken = 0;
        const std::size_t piece = count - done < 256 ? count - done : 256;
        const std::size_t n = rfc2217::escapeData({p + done, piece}, escaped, &taken);
        if (!sendAll(escaped, n, deadline)) break;
        done += taken;
        const long long now = monotonicUs();
        wireFreeUs_ =
            (wireFreeUs_ > now ? wireFreeUs_ : now) + static_cast<long long>(taken) * charUs();
    }
    return done == count;
}

bool Rfc2217Transport::readByte(int timeoutMs, char* byte) noexcept {
    const long long deadline = monotonicMs() + timeoutMs;
    for (;;) {
        if (inCount_ > 0) {
            ++delivered_;
            *byte = static_cast<char>(in_[inHead_]);
            inHead_ = (inHead_ + 1) % sizeof in_;
            --inCount_;
            return true;
        }
        const long long left = deadline - monotonicMs();
        if (fd_ < 0 || hungUp_ || left <= 0) return false;
        (void)pump(clampMs(left));
    }
}

int Rfc2217Transport::firstByteAllowanceMs() noexcept {
    // The way there and back, and a batch the server may collect first.
    const long long us = srttUs_ + 4LL * rttVarUs_ + kServerBatchBytes * charUs();
    return clampMs((us + 999) / 1000 + kSlackMs);
}

int Rfc2217Transport::gapAllowanceMs() noexcept {
    // The server sent what it had collected; the next batch may take as long
    // to collect as this one took on the line.
    const long long us = static_cast<long long>(lastChunk_) * charUs() + 4LL * rttVarUs_;
    return clampMs((us + 999) / 1000 + kSlackMs);
}

void Rfc2217Transport::sampleRoundTrip(long long us) noexcept {
    // As TCP estimates it (RFC 6298), but from the server's own answers: the
    // kernel's estimate also holds the device's time to reply, since the
    // server acknowledges with its data.
    if (srttUs_ == 0 && rttVarUs_ == 0) {
        srttUs_ = us;
        rttVarUs_ = us / 2;
        return;
    }
    const long long deviation = srttUs_ > us ? srttUs_ - us : us - srttUs_;
    rttVarUs_ = (3 * rttVarUs_ + deviation) / 4;
    srttUs_ = (7 * srttUs_ + us) / 8;
}

void Rfc2217Transport::dtr(bool on) noexcept {
    if (fd_ < 0 || hungUp_) return;
    const uint32_t value = on ? rfc2217::kDtrOn : rfc2217::kDtrOff;
    if (dtrUnanswered_) {
        (void)sendRequest(Command::SetControl, value, true);
        return;
    }
    for (int attempt = 0; attempt < kDtrAttempts; ++attempt)
        if (ask(Command::SetControl, value, kControlAnswerMs, nullptr) || hungUp_) return;
    dtrUnanswered_ = true;
    trace("no answer to SET-CONTROL: the server's port has no DTR");
}

void Rfc2217Transport::close() noexcept {
    if (fd_ < 0) return;
    // Whatever the server still holds in either direction is void.
    if (!hungUp_) (void)sendRequest(Command::PurgeData, rfc2217::kPurgeBoth, true);
    ::close(fd_);
    fd_ = -1;
    inHead_ = inCount_ = 0;
}

} // namespace r70
