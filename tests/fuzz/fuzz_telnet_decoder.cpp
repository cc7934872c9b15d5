// The first code that reads what a stranger on the network sends: the
// server's stream of a network port (the telnet decoder with its option and
// subnegotiation states, the option negotiation and its answers, purge marks,
// the Synch) over any bytes, fed in pieces of any size. Input: a mode byte
// (purge pending, Synch, line opened), a piece size, then the server's bytes.
//
// Properties: the device's bytes are exactly those a plain reading of the
// stream finds, up to the point where it breaks (nothing after it); every
// data byte is delivered or counted stale, never both; our answers are whole
// option verbs, at most one per request; the trace texts and the unit scanner
// for outgoing bytes stay within their bounds.
#include "driver/line/rfc2217_session.h"
#include "tests/fuzz/fuzz_check.h"

#include <cstring>
#include <string>
#include <vector>

namespace {

namespace t = r70::rfc2217;

struct NoTrace final : r70::TraceSink {
    void traceEvent(std::string_view what) noexcept override { FUZZ_CHECK(what.size() < 512); }
};

// The device's bytes as a plain reading of the stream finds them: IAC IAC is
// a 0xFF, IAC and a verb take an option byte, IAC SB runs to IAC SE (a
// doubled 0xFF inside), any other IAC x is a command. It stops where the
// stream breaks (a subnegotiation cut by another command, or one that does
// not end within 1024 bytes) and after the 65th option request (a flood).
std::string plainReading(const std::uint8_t* b, std::size_t n) {
    std::string data;
    unsigned options = 0;
    std::size_t i = 0;
    while (i < n) {
        if (b[i] != t::kIac) {
            data += static_cast<char>(b[i++]);
            continue;
        }
        if (i + 1 >= n) break;
        const std::uint8_t c = b[i + 1];
        if (c == t::kIac) {
            data += static_cast<char>(0xFF);
            i += 2;
        } else if (c >= t::kWill) {
            if (i + 2 >= n) break;
            if (++options > t::ServerStream::kOptionRequests) break;
            i += 3;
        } else if (c == t::kSb) {
            std::size_t j = i + 2, length = 0;
            bool ended = false, broken = false;
            while (j < n && !ended && !broken) {
                if (++length > 1024) {
                    broken = true;
                } else if (b[j] != t::kIac) {
                    ++j;
                } else if (j + 1 >= n) {
                    ++j; // the stream ends inside it
                } else if (b[j + 1] == t::kIac) {
                    j += 2; // a doubled 0xFF counts once
                } else {
                    ended = b[j + 1] == t::kSe;
                    broken = !ended;
                    j += 2;
                }
            }
            if (broken || !ended) break;
            i = j;
        } else {
            i += 2;
        }
    }
    return data;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Input in(data, size);
    const std::uint8_t mode = in.byte();
    const std::size_t piece = 1 + in.byte() % 64;
    const std::string_view rest = in.rest();
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(rest.data());
    const bool purge = (mode & 1) != 0, urgent = (mode & 2) != 0, opened = (mode & 4) != 0;

    NoTrace trace;
    t::ServerStream stream(trace);
    std::uint8_t start[16];
    FUZZ_CHECK(stream.negotiation().start(start) == 15);
    if (purge) stream.purgeSent();
    if (opened) { // the line as the open leaves it: binary both ways, COM-PORT-OPTION
        const std::uint8_t agreed[] = {t::kIac,    t::kDo,  t::kBinary, t::kIac,    t::kWill,
                                       t::kBinary, t::kIac, t::kDo,     t::kComPort};
        stream.feed(agreed, false);
        stream.repliesSent();
        stream.opened();
    }
    std::size_t availableAtBreak = 0;
    bool wasBroken = false;
    for (std::size_t at = 0; at < rest.size(); at += piece) {
        const std::size_t n = rest.size() - at < piece ? rest.size() - at : piece;
        stream.feed({bytes + at, n}, urgent && at == 0);
        // Answers: whole option verbs about the options the server named.
        const auto replies = stream.replies();
        FUZZ_CHECK(replies.size() % 3 == 0);
        for (std::size_t k = 0; k < replies.size(); k += 3)
            FUZZ_CHECK(replies[k] == t::kIac && replies[k + 1] >= t::kWill);
        FUZZ_CHECK(replies.size() <= 3 * n);
        stream.repliesSent();
        if (wasBroken) FUZZ_CHECK(stream.available() == availableAtBreak);
        if (stream.broken() != nullptr && !wasBroken) {
            wasBroken = true;
            availableAtBreak = stream.available();
        }
    }
    std::string delivered;
    std::uint8_t b = 0;
    while (stream.take(&b))
        delivered += static_cast<char>(b);

    const std::string plain = plainReading(bytes, rest.size());
    if (!purge && !urgent && !opened) FUZZ_CHECK(delivered == plain);
    // Purges and the Synch only drop bytes; a withdrawn option only ends the
    // stream sooner: what is delivered is always the end of a prefix of it.
    FUZZ_CHECK(delivered.size() + stream.staleTotal() <= plain.size());
    if (!urgent) FUZZ_CHECK(plain.compare(stream.staleTotal(), delivered.size(), delivered) == 0);
    if (!purge) FUZZ_CHECK(stream.staleTotal() == 0);
    if (stream.flooded()) FUZZ_CHECK(stream.broken() != nullptr);

    // The trace texts of whatever came, and where a cut in these bytes as an
    // outgoing stream would have to go on to.
    char text[160];
    t::describeSubnegotiation({bytes, rest.size() < 200 ? rest.size() : 200}, text, sizeof text);
    FUZZ_CHECK(std::strlen(text) < sizeof text);
    for (std::size_t k = 0; k <= 8; ++k) {
        const std::size_t at = rest.size() * k / 8;
        const std::size_t end = t::unitEnd({bytes, rest.size()}, at);
        FUZZ_CHECK(end >= at && end <= rest.size());
        FUZZ_CHECK(t::unitEnd({bytes, rest.size()}, end) == end);
    }
    return 0;
}
