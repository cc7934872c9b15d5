// A serial port on another machine, reached over TCP through an RFC 2217
// server (ser2net with telnet(rfc2217)): the socket I/O and the timing
// around the pure stream state of rfc2217_session.h.
#ifndef R70_RFC2217_TRANSPORT_H
#define R70_RFC2217_TRANSPORT_H

#include "driver/line/net_connect.h"
#include "driver/line/rfc2217_codec.h"
#include "driver/line/rfc2217_session.h"
#include "driver/line/transport.h"

namespace r70 {

class Rfc2217Transport final : public Transport {
public:
    explicit Rfc2217Transport(TraceSink& trace) noexcept : trace_(trace), stream_(trace) {}

    bool open(const char* path, OpenError& error) noexcept override;
    OpenStep beginOpen(const char* path, OpenError& error) noexcept override;
    OpenStep continueOpen(OpenError& error) noexcept override;
    bool isOpen() const noexcept override { return fd_ >= 0; }
    bool hungUp() const noexcept override { return hungUp_; }
    SpeedResult setSpeed(const LineSpeed& speed) noexcept override;
    void discardInput() noexcept override;
    bool write(const void* data, std::size_t count) noexcept override;
    bool writeCommand(const void* data, std::size_t count) noexcept override;
    bool readByte(int timeoutMs, char* byte) noexcept override;
    int firstByteWaitMs(int localMs) noexcept override;
    int nextByteWaitMs(int localMs, bool finalLine) noexcept override;
    void dtr(bool on) noexcept override;
    void close() noexcept override;

private:
    void startConnection() noexcept;
    bool connectTo(const rfc2217::Address& address, OpenError& error) noexcept;
    // The connected socket becomes the line's (its options, the trace).
    void adopt(int fd, const rfc2217::Address& address) noexcept;
    void finishOpen() noexcept;
    OpenStep stepOpen(int waitMs, OpenError& error) noexcept;
    bool negotiate(OpenError& error) noexcept;
    bool failOpen(OpenError& error, int code, const char* reason) noexcept;
    bool failClosed(OpenError& error) noexcept;
    long long openLeftMs(long long stepMs) const noexcept;
    // Reads and decodes what the server sent within timeoutMs (0: only what
    // is there already). False when nothing came.
    bool pump(int timeoutMs) noexcept;
    std::size_t sendSome(const uint8_t* bytes, std::size_t count, long long deadlineMs) noexcept;
    // Sends whole telnet units: returns the bytes taken, always up to the end
    // of a unit (its rest may still be owed, and goes out first next time).
    std::size_t sendUnits(const uint8_t* bytes, std::size_t count, long long deadlineMs) noexcept;
    bool send(const void* data, std::size_t count, bool command) noexcept;
    void noteRequest(rfc2217::Command command, long long sentUs) noexcept;
    bool sendRequest(rfc2217::Command command, uint32_t value, bool traced) noexcept;
    // Sends a request and waits up to waitMs for the server's answer to it.
    bool ask(rfc2217::Command command, uint32_t value, long long waitMs, uint32_t* answer) noexcept;
    void settle() noexcept;
    int quietMs() const noexcept;
    void traceStale() noexcept;
    void waitUntilSent() noexcept;
    void connectionLost(const char* why) noexcept;
    long long charUs() const noexcept;
    void sampleRoundTrip(long long us) noexcept;
    void trace(const char* format, ...) noexcept __attribute__((format(printf, 2, 3)));

    // A server that takes longer than this does not answer a request.
    static constexpr long long kAnswerMs = 2000;
    static long long monotonicUs() noexcept;
    static void sleepUs(long long us) noexcept;
    // A wait for poll(): never negative, at most a minute.
    static int clampMs(long long ms) noexcept {
        return ms < 0 ? 0 : ms > 60000 ? 60000 : static_cast<int>(ms);
    }

    TraceSink& trace_;
    rfc2217::ServerStream stream_;
    int fd_ = -1;
    bool hungUp_ = false;
    // An open in steps: the address, and the connection under way.
    rfc2217::Address address_;
    Connector connector_;
    long long openDeadlineMs_ = 0;
    bool purgeAnswered_ = false; // the server answers PURGE-DATA: its answer marks stale input
    bool dtrUnanswered_ = false; // the server's port has no DTR (a pseudo-terminal)
    unsigned baud_ = 0;
    long long wireFreeUs_ = 0; // when the server's line will have sent what we wrote
    uint8_t owed_[16] = {};    // the rest of a telnet unit a time-out cut
    std::size_t owedLength_ = 0;

    // The exchange under way.
    bool lineClean_ = false;    // the last reply ended in silence and nothing came since
    bool purgeArmed_ = false;   // the next write carries a PURGE-DATA
    bool awaitingMark_ = false; // the answer to the purge sent with the command is due
    bool distrust_ = false;     // the device was talking when the command went out
    std::size_t delivered_ = 0; // bytes read since the last write
    std::size_t staleAtSend_ = 0;
    std::size_t staleTraced_ = 0;

    // The round trip to the server and its variation, from its answers.
    long long requestedUs_[13] = {};
    unsigned outstanding_[13] = {};
    unsigned requests_ = 0;
    long long srttUs_ = 0;
    long long rttVarUs_ = 0;
};

} // namespace r70

#endif
