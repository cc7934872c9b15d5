// The serial line over TCP to an RFC 2217 server, once it is open
// (rfc2217_open.cpp): the exchanges. Everything the device
// sends arrives through the server's stream (rfc2217_session.h) into an input
// buffer the reader takes bytes from; the server's answers to our
// COM-PORT-OPTION requests are picked out of the same stream.
//
// One round trip per exchange: the PURGE-DATA that drops an earlier command's
// output goes out in one piece with the command, and the server answers it in
// the same ordered stream as the device's bytes, so whatever comes before that
// answer is stale. When the last exchange did not end cleanly (no reply, bytes
// after its end), the device may still be talking and the server may hold a
// batch it read before the purge: the command then waits until the line has
// been quiet for as long as such a batch can take to arrive.
#include "driver/line/rfc2217_transport.h"

#include "driver/api/r70com32.h"
#include "driver/line/net_connect.h"
#include "driver/protocol/catalogue.h"

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <linux/sockios.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace r70 {
namespace {

using rfc2217::Command;

// DTR: a pseudo-terminal behind the server has none, and the server then
// leaves SET-CONTROL unanswered; the attempts are bounded as on a local line.
constexpr long long kControlAnswerMs = 500;
constexpr int kDtrAttempts = 3;
constexpr int kPurgeAnswerMs = 1000;
// How long a command waits for a line that goes on talking after a purge.
constexpr int kSettleMs = 2000;
// How far the writes may run ahead of the server's serial line. Beyond it
// bytes would wait in TCP buffers (tens of seconds at 19200 baud), and the
// firmware transfer would seem done long before the device had it.
constexpr long long kLeadBytes = 1024;
// ser2net forwards the device's bytes in batches of up to 64
// (dev-to-net-bufsize): the first byte of a reply may wait for a batch.
constexpr long long kServerBatchBytes = 64;
// The longest ser2net holds what it read from the device before it sends it
// on (chardelay-max); a batch it read just before a purge comes after it.
constexpr long long kServerHoldUs = 20000;
// A server with Nagle on (ser2net without tcp(nodelay)) sends its next small
// segment only when the last one is acknowledged: a round trip, plus what a
// relay on the way (a tunnel, a proxy) holds its acknowledgement back.
constexpr long long kHeldAckUs = 40000;
// The network's share of every silence (see docs/driver.md for the figures).
constexpr int kSlackMs = 2;
// And more for the first byte of a reply: delays come in bursts (a busy
// server or relay, a Wi-Fi hop) that a few round-trip samples do not show,
// and waiting longer costs only when the device does not answer at all.
constexpr int kFirstByteSlackMs = 50;
// Speed assumed before the first SET-BAUDRATE (a slow one: longer waits).
constexpr unsigned kUnknownBaud = 9600;

int ceilMs(long long us) noexcept {
    const long long ms = (us + 999) / 1000;
    return ms < 0 ? 0 : ms > 60000 ? 60000 : static_cast<int>(ms);
}

// The data bytes in a piece of escaped data that ends on a unit boundary.
std::size_t dataBytesIn(const uint8_t* escaped, std::size_t count) noexcept {
    std::size_t iacs = 0;
    for (std::size_t i = 0; i < count; ++i)
        iacs += escaped[i] == rfc2217::kIac;
    return count - iacs / 2;
}

} // namespace

long long Rfc2217Transport::monotonicUs() noexcept {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<long long>(ts.tv_sec) * 1000000 + ts.tv_nsec / 1000;
}

void Rfc2217Transport::sleepUs(long long us) noexcept {
    if (us <= 0) return;
    timespec left{static_cast<time_t>(us / 1000000), static_cast<long>(us % 1000000) * 1000};
    while (nanosleep(&left, &left) != 0 && errno == EINTR) {
    }
}

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

std::size_t Rfc2217Transport::sendSome(const uint8_t* bytes, std::size_t count,
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
    return done;
}

std::size_t Rfc2217Transport::sendUnits(const uint8_t* bytes, std::size_t count,
                                        long long deadlineMs) noexcept {
    // What is owed of a unit cut earlier goes first, or nothing does.
    if (owedLength_ > 0) {
        const std::size_t n = sendSome(owed_, owedLength_, deadlineMs);
        std::memmove(owed_, owed_ + n, owedLength_ - n);
        owedLength_ -= n;
        if (owedLength_ > 0) return 0;
    }
    const std::size_t sent = sendSome(bytes, count, deadlineMs);
    if (sent == count || hungUp_) return sent;
    // A time-out inside a telnet unit (half a doubled 0xFF, part of a
    // request) would make the server read whatever we send next as its
    // rest: the rest of the unit is owed and goes out before anything else.
    const std::size_t end = rfc2217::unitEnd({bytes, count}, sent);
    if (end - sent > sizeof owed_) { // no unit of ours is this long
        connectionLost("a telnet sequence could not be sent whole");
        return sent;
    }
    std::memcpy(owed_, bytes + sent, end - sent);
    owedLength_ = end - sent;
    return end;
}

void Rfc2217Transport::noteRequest(Command command, long long sentUs) noexcept {
    // A round trip is measured only where one answer can belong to one
    // request; the first request waits for the server to open its device.
    // (sentUs is taken before the send: on this machine the answer may be
    // in before the send returns.)
    const auto c = static_cast<std::size_t>(command);
    const bool alone = outstanding_[c]++ == 0;
    requestedUs_[c] = alone && requests_++ > 0 ? sentUs : 0;
}

bool Rfc2217Transport::sendRequest(Command command, uint32_t value, bool traced) noexcept {
    uint8_t bytes[16];
    const std::size_t valueBytes = command == Command::SetBaudRate ? 4 : 1;
    const std::size_t n = rfc2217::request(command, value, valueBytes, bytes);
    if (traced) {
        char what[96];
        rfc2217::describeCommand(static_cast<uint8_t>(command), value, what, sizeof what);
        trace("telnet out: %s", what);
    }
    const long long sentUs = monotonicUs();
    if (n == 0 || sendUnits(bytes, n, monotonicMs() + kAnswerMs) != n) return false;
    noteRequest(command, sentUs);
    return true;
}

bool Rfc2217Transport::ask(Command command, uint32_t value, long long waitMs,
                           uint32_t* answer) noexcept {
    const unsigned before = stream_.answers(command);
    if (!sendRequest(command, value, true)) return false;
    const long long deadline = monotonicMs() + waitMs;
    while (stream_.answers(command) == before && !hungUp_ && monotonicMs() < deadline)
        (void)pump(clampMs(deadline - monotonicMs()));
    if (stream_.answers(command) == before) return false;
    if (answer != nullptr) *answer = stream_.answer(command);
    return true;
}

void Rfc2217Transport::connectionLost(const char* why) noexcept {
    if (hungUp_) return;
    hungUp_ = true;
    trace("connection lost: %s", why);
}

bool Rfc2217Transport::pump(int timeoutMs) noexcept {
    if (fd_ < 0 || hungUp_) return false;
    pollfd p{fd_, POLLIN | POLLPRI, 0};
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
    const long long now = monotonicUs();
    constexpr std::size_t kCommands = sizeof requestedUs_ / sizeof requestedUs_[0];
    unsigned before[kCommands];
    for (std::size_t c = 0; c < kCommands; ++c)
        before[c] = stream_.answers(static_cast<Command>(c));
    stream_.feed({bytes, static_cast<std::size_t>(n)}, (p.revents & POLLPRI) != 0);
    for (std::size_t c = 0; c < kCommands; ++c) {
        const unsigned came = stream_.answers(static_cast<Command>(c)) - before[c];
        if (came == 0) continue;
        if (came == 1 && requestedUs_[c] != 0) sampleRoundTrip(now - requestedUs_[c]);
        requestedUs_[c] = 0;
        outstanding_[c] = outstanding_[c] > came ? outstanding_[c] - came : 0;
    }
    const auto replies = stream_.replies();
    if (!replies.empty()) {
        (void)sendUnits(replies.data(), replies.size(), monotonicMs() + kAnswerMs);
        stream_.repliesSent();
    }
    if (stream_.broken() != nullptr) connectionLost(stream_.broken());
    return true;
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
    // Bytes that came after the last reply ended: the device is talking.
    if (stream_.available() > 0) lineClean_ = false;
    stream_.dropInput();
    // What the server still holds of the device's output goes too, with the
    // next write (one round trip for both).
    purgeArmed_ = true;
}

int Rfc2217Transport::quietMs() const noexcept {
    // A batch the server read before the purge comes at most its longest
    // hold after the answer, or, with Nagle, once our acknowledgement of the
    // answer is back (a round trip, and what a relay holds it).
    return ceilMs(kServerHoldUs + srttUs_ + 4 * rttVarUs_ + kHeldAckUs) + kSlackMs;
}

void Rfc2217Transport::settle() noexcept {
    const long long giveUp = monotonicMs() + kSettleMs;
    if (purgeArmed_) {
        if (sendRequest(Command::PurgeData, rfc2217::kPurgeReceive, false) && purgeAnswered_)
            stream_.purgeSent();
        purgeArmed_ = false;
    }
    const long long answerBy = monotonicMs() + kPurgeAnswerMs;
    while (stream_.purgesPending() > 0 && !hungUp_ && monotonicMs() < answerBy)
        (void)pump(clampMs(answerBy - monotonicMs()));
    if (stream_.purgesPending() > 0) {
        trace("no answer to PURGE-DATA within %d ms", kPurgeAnswerMs);
        stream_.forgetPurges();
    }
    long long quietUntil = monotonicMs() + quietMs();
    while (!hungUp_ && monotonicMs() < quietUntil && monotonicMs() < giveUp) {
        if (pump(clampMs(quietUntil - monotonicMs())) && stream_.available() > 0) {
            stream_.dropInput();
            quietUntil = monotonicMs() + quietMs(); // the device is still talking
        }
    }
    stream_.dropInput();
}

void Rfc2217Transport::traceStale() noexcept {
    const std::size_t stale = stream_.staleTotal() - staleTraced_;
    staleTraced_ = stream_.staleTotal();
    if (stale > 0) trace("%zu bytes of stale input dropped", stale);
}

bool Rfc2217Transport::write(const void* data, std::size_t count) noexcept {
    return send(data, count, false);
}

bool Rfc2217Transport::writeCommand(const void* data, std::size_t count) noexcept {
    return send(data, count, true);
}

bool Rfc2217Transport::send(const void* data, std::size_t count, bool command) noexcept {
    if (fd_ < 0 || hungUp_) return false;
    // A command whose reply could be mixed with an earlier one's goes out
    // only once the line is quiet; raw blocks (the firmware) need no reply.
    if (command && !(lineClean_ && purgeAnswered_ && stream_.purgesPending() == 0)) settle();
    traceStale();
    lineClean_ = distrust_ = awaitingMark_ = false;
    delivered_ = 0;
    // Same bound as a local line's write time-outs: 20 ms plus 10 ms per byte.
    const long long deadline = monotonicMs() + 20 + 10 * static_cast<long long>(count);
    uint8_t piece[16 + 512];
    std::size_t prefix = 0;
    if (purgeArmed_) {
        prefix = rfc2217::request(Command::PurgeData, rfc2217::kPurgeReceive, 1, piece);
        purgeArmed_ = false;
        // Whatever is processed from here on and comes before the answer is
        // stale; anything that came since the last look is, too.
        staleAtSend_ = stream_.staleTotal();
        stream_.dropInput();
        if (purgeAnswered_) stream_.purgeSent();
    }
    const auto* p = static_cast<const uint8_t*>(data);
    std::size_t done = 0;
    while ((done < count || prefix > 0) && !hungUp_) {
        // Keep pace with the server's line, at most kLeadBytes ahead of it.
        const long long aheadUs = wireFreeUs_ - monotonicUs() - kLeadBytes * charUs();
        if (aheadUs > 0 || stream_.flowSuspended()) {
            if (monotonicMs() >= deadline) break;
            (void)pump(clampMs(aheadUs > 0 ? (aheadUs + 999) / 1000 : 10));
            continue;
        }
        std::size_t taken = 0;
        const std::size_t chunk = count - done < 256 ? count - done : 256;
        const std::size_t n =
            prefix +
            rfc2217::escapeData({p + done, chunk}, std::span<uint8_t>(piece + prefix, 512), &taken);
        const long long sentUs = monotonicUs();
        const std::size_t sent = sendUnits(piece, n, deadline);
        if (prefix > 0) {
            if (sent < prefix) break; // nothing went out
            noteRequest(Command::PurgeData, sentUs);
            awaitingMark_ = command && purgeAnswered_;
        }
        const std::size_t written = dataBytesIn(piece + prefix, sent - prefix);
        prefix = 0;
        done += written;
        const long long now = monotonicUs();
        wireFreeUs_ =
            (wireFreeUs_ > now ? wireFreeUs_ : now) + static_cast<long long>(written) * charUs();
        if (sent < n) break;
    }
    if (prefix > 0 && purgeAnswered_) stream_.purgeUnsent(); // no answer will come
    return done == count;
}

bool Rfc2217Transport::readByte(int timeoutMs, char* byte) noexcept {
    const long long deadline = monotonicMs() + timeoutMs;
    for (;;) {
        if (awaitingMark_ && stream_.purgesPending() == 0) {
            awaitingMark_ = false;
            // The device was talking around the purge: the server may hold
            // more of that after its answer, mixed with the reply.
            if (stream_.staleTotal() > staleAtSend_) {
                distrust_ = true;
                trace("the device was still talking when the command went out: its reply is "
                      "not taken");
            }
        }
        if (distrust_) {
            stream_.dropInput();
            return false;
        }
        uint8_t b = 0;
        if (stream_.take(&b)) {
            ++delivered_;
            *byte = static_cast<char>(b);
            return true;
        }
        const long long left = deadline - monotonicMs();
        if (fd_ < 0 || hungUp_) return false;
        if (left <= 0) {
            // A reply that ended in silence: the next command can go at once.
            if (delivered_ > 0 && !awaitingMark_) lineClean_ = true;
            return false;
        }
        if (pump(clampMs(left))) {
            // A server with Nagle on sends its next piece only once this one
            // is acknowledged, and a relay on the way (a tunnel) may hold our
            // acknowledgement back; one that rides on data it passes on at
            // once. The server ignores a NOP.
            constexpr uint8_t kNop[] = {rfc2217::kIac, rfc2217::kNop};
            (void)sendUnits(kNop, sizeof kNop, monotonicMs() + kAnswerMs);
        }
    }
}

int Rfc2217Transport::firstByteWaitMs(int localMs) noexcept {
    // The way there and back; with Nagle the reply waits for our
    // acknowledgement of the purge's answer (another round trip, and a
    // relay's hold); and a batch the server may collect first.
    const long long us = 2 * srttUs_ + 4 * rttVarUs_ + kHeldAckUs + kServerBatchBytes * charUs();
    return localMs + ceilMs(us) + kFirstByteSlackMs;
}

int Rfc2217Transport::nextByteWaitMs(int localMs, bool finalLine) noexcept {
    // After the device's final result line it has said all it will: what
    // could still come is the network's jitter. Inside a reply a gap may be
    // the network's: the server collects its next batch (as long as this one
    // took on the line) and, with Nagle, waits for our acknowledgement.
    const int jitterMs = ceilMs(4 * rttVarUs_) + kSlackMs;
    if (finalLine) return jitterMs < localMs ? jitterMs : localMs;
    const long long us =
        static_cast<long long>(stream_.lastChunk()) * charUs() + srttUs_ + kHeldAckUs;
    return localMs + ceilMs(us) + jitterMs;
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
    connector_.cancel();
    if (fd_ < 0) return;
    // Whatever the server still holds in either direction is void.
    if (!hungUp_) (void)sendRequest(Command::PurgeData, rfc2217::kPurgeBoth, true);
    ::close(fd_);
    fd_ = -1;
    stream_.dropInput();
}

} // namespace r70
