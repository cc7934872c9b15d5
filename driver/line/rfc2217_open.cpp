// Opening a network port: the connection (net_connect.h), the telnet
// negotiation, 8N1 and the first purge, within one bound; and the reasons an
// open fails.
#include "driver/api/r70com32.h"
#include "driver/line/net_connect.h"
#include "driver/line/rfc2217_transport.h"
#include "driver/protocol/catalogue.h"

#include <cstring>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

namespace r70 {
namespace {

using rfc2217::Command;

// Everything an open does after the name lookup: connecting, the telnet
// negotiation, 8N1, the first purge, the retries of a busy port. A server that
// keeps it busy longer (a flood of option requests, a trickle) is cut off.
constexpr long long kOpenMs = 8000;
constexpr int kNegotiationMs = 3000;
// How long an open in steps waits at first for the connection.
constexpr int kQuickConnectMs = 50;
// How long a port the server calls in use is tried again.
constexpr int kBusyRetryMs = 2000;
constexpr int kBusyPauseMs = 50;
// Data the server does not acknowledge for this long: the connection is gone.
constexpr unsigned kUserTimeoutMs = 10000;
// The writes run at most a kilobyte ahead of the server's line.
constexpr int kSendBufferBytes = 65536;

} // namespace

void Rfc2217Transport::startConnection() noexcept {
    stream_.reset();
    hungUp_ = purgeAnswered_ = dtrUnanswered_ = false;
    lineClean_ = purgeArmed_ = awaitingMark_ = distrust_ = false;
    delivered_ = staleAtSend_ = staleTraced_ = owedLength_ = 0;
    baud_ = 0;
    wireFreeUs_ = 0;
    std::memset(requestedUs_, 0, sizeof requestedUs_);
    std::memset(outstanding_, 0, sizeof outstanding_);
    srttUs_ = rttVarUs_ = 0;
    requests_ = 0;
}

long long Rfc2217Transport::openLeftMs(long long stepMs) const noexcept {
    const long long left = openDeadlineMs_ - monotonicMs();
    return left < stepMs ? (left > 0 ? left : 0) : stepMs;
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
    openDeadlineMs_ = monotonicMs() + kOpenMs;
    for (;;) {
        startConnection();
        if (connectTo(address, error) && negotiate(error)) break;
        if (error.code != DRV_OPENERR_BUSY || monotonicMs() >= giveUp ||
            openLeftMs(kBusyPauseMs) < kBusyPauseMs)
            return false;
        trace("%s: trying again", error.text);
        sleepUs(kBusyPauseMs * 1000LL);
    }
    finishOpen();
    return true;
}

void Rfc2217Transport::finishOpen() noexcept {
    // What came before the line was set up answers nothing.
    stream_.dropInput();
    staleTraced_ = stream_.staleTotal();
    stream_.opened();
    lineClean_ = true;
}

// The heartbeat's open while the host is away must not hold the window for
// the connect's seconds: the lookup and the connect go on in the background,
// and each later call only asks. A busy port is not tried again here: the
// next attempt is a later call's.
OpenStep Rfc2217Transport::beginOpen(const char* path, OpenError& error) noexcept {
    close();
    if (!rfc2217::parseAddress(path, address_)) {
        (void)failOpen(error, DRV_OPENERR_ABSENT,
                       "not a network port (the form is rfc2217://HOST:PORT)");
        return OpenStep::Failed;
    }
    connector_.start(address_.host, address_.port, ConnectBounds{}, true);
    // A server that is there answers within moments: the open is done at once.
    return stepOpen(kQuickConnectMs, error);
}

OpenStep Rfc2217Transport::continueOpen(OpenError& error) noexcept {
    return stepOpen(0, error);
}

OpenStep Rfc2217Transport::stepOpen(int waitMs, OpenError& error) noexcept {
    if (!connector_.running()) return OpenStep::Failed;
    const int fd = connector_.poll(waitMs, error);
    if (fd == Connector::kInProgress) return OpenStep::Pending;
    if (fd < 0) return OpenStep::Failed;
    // The server is there: the rest of the open takes its round trips.
    openDeadlineMs_ = monotonicMs() + kOpenMs;
    startConnection();
    adopt(fd, address_);
    if (!negotiate(error)) return OpenStep::Failed;
    finishOpen();
    return OpenStep::Opened;
}

bool Rfc2217Transport::failOpen(OpenError& error, int code, const char* reason) noexcept {
    error.code = code;
    copyText(error.text, sizeof error.text, reason);
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    return false;
}

bool Rfc2217Transport::connectTo(const rfc2217::Address& address, OpenError& error) noexcept {
    ConnectBounds bounds;
    bounds.connectMs = static_cast<int>(openLeftMs(bounds.connectMs));
    const int fd = connectToHost(address.host, address.port, bounds, error);
    if (fd < 0) return false;
    adopt(fd, address);
    return true;
}

void Rfc2217Transport::adopt(int fd, const rfc2217::Address& address) noexcept {
    fd_ = fd;
    // Commands are a few bytes each and wait for their replies: no Nagle. The
    // server's Synch arrives as urgent data: kept in line, where its Data Mark is.
    const int one = 1;
    (void)setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    (void)setsockopt(fd_, SOL_SOCKET, SO_OOBINLINE, &one, sizeof one);
    // The writes run at most kLeadBytes ahead of the server's line: a small
    // send buffer is all they need, and a server that stops reading then
    // shows as a write that times out, not as megabytes taken for sent.
    const int sendBuffer = kSendBufferBytes;
    (void)setsockopt(fd_, SOL_SOCKET, SO_SNDBUF, &sendBuffer, sizeof sendBuffer);
    const unsigned userTimeout = kUserTimeoutMs;
    (void)setsockopt(fd_, IPPROTO_TCP, TCP_USER_TIMEOUT, &userTimeout, sizeof userTimeout);
    trace("connected to %s port %s", address.host, address.port);
}

bool Rfc2217Transport::failClosed(OpenError& error) noexcept {
    // The server's words before it hung up ("Port already in use").
    char said[120] = {};
    std::size_t k = 0;
    uint8_t c = 0;
    while (stream_.take(&c))
        if (c >= ' ' && c < 0x7f && k + 1 < sizeof said) said[k++] = static_cast<char>(c);
    char reason[200];
    formatInto(reason, sizeof reason, "the server closed the connection: %s", said);
    // A server that hangs up while the port is being opened holds it for
    // another client: it says so, unless its words were lost to the reset of
    // the bytes we had sent meanwhile (its greeting can settle the telnet
    // options before the hang-up arrives).
    const bool atOnce = k == 0;
    const bool busy = atOnce || std::strstr(said, "in use") != nullptr;
    if (atOnce)
        formatInto(reason, sizeof reason,
                   "busy — the server closed the connection at once (another client may hold "
                   "the port, or a tunnel cannot reach the server)");
    else if (busy)
        formatInto(reason, sizeof reason, "busy — the server says: %s", said);
    return failOpen(error, busy ? DRV_OPENERR_BUSY : DRV_OPENERR_NOTSERIAL, reason);
}

bool Rfc2217Transport::negotiate(OpenError& error) noexcept {
    uint8_t start[16];
    const std::size_t n = stream_.negotiation().start(start);
    trace("telnet out: WILL BINARY, DO BINARY, WILL SUPPRESS-GO-AHEAD, DO SUPPRESS-GO-AHEAD, "
          "WILL COM-PORT-OPTION");
    const long long deadline = monotonicMs() + openLeftMs(kNegotiationMs);
    if (sendUnits(start, n, deadline) == n)
        while (!hungUp_ && !stream_.negotiation().settled() && monotonicMs() < deadline)
            (void)pump(clampMs(deadline - monotonicMs()));

    auto broken = [&] {
        char reason[160];
        formatInto(reason, sizeof reason, "the server's telnet stream is unusable: %s",
                   stream_.broken());
        return failOpen(error, DRV_OPENERR_NOTSERIAL, reason);
    };
    using State = rfc2217::Negotiation::State;
    if (stream_.broken() != nullptr) return broken();
    if (hungUp_) return failClosed(error);
    const rfc2217::Negotiation& agreed = stream_.negotiation();
    if (!agreed.settled()) {
        if (!stream_.heardTelnet())
            return failOpen(error, DRV_OPENERR_NOTSERIAL,
                            "the server does not do RFC 2217: no telnet answer (a raw TCP port?)");
        return failOpen(error, DRV_OPENERR_NOANSWER, "no answer to the telnet negotiation");
    }
    if (agreed.comPort() != State::Yes)
        return failOpen(error, DRV_OPENERR_NOTSERIAL,
                        "the server does not do RFC 2217: it refused COM-PORT-OPTION (ser2net "
                        "needs telnet(rfc2217) on the accepter)");
    if (agreed.binaryOut() != State::Yes || agreed.binaryIn() != State::Yes)
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
        if (!ask(s.command, s.value, openLeftMs(kAnswerMs), &got)) {
            if (stream_.broken() != nullptr) return broken();
            if (hungUp_) return failClosed(error);
            formatInto(reason, sizeof reason, "no answer to %s", s.name);
            return failOpen(error, DRV_OPENERR_NOANSWER, reason);
        }
        if (got != s.value) {
            formatInto(reason, sizeof reason, "the server cannot set 8N1 (%s %u answered %u)",
                       s.name, s.value, got);
            return failOpen(error, DRV_OPENERR_NOTSERIAL, reason);
        }
    }
    // Whether the server answers PURGE-DATA decides whether its answer can
    // mark where stale input ends.
    uint32_t purged = 0;
    purgeAnswered_ =
        ask(Command::PurgeData, rfc2217::kPurgeReceive, openLeftMs(kAnswerMs), &purged);
    if (stream_.broken() != nullptr) return broken();
    if (hungUp_) return failClosed(error);
    if (!purgeAnswered_) trace("no answer to PURGE-DATA: stale input is only dropped here");
    trace("round trip to the server %lld.%03lld ms, variation %lld.%03lld ms", srttUs_ / 1000,
          srttUs_ % 1000, rttVarUs_ / 1000, rttVarUs_ % 1000);
    return true;
}

} // namespace r70
