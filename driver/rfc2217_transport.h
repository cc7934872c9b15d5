// A serial port on another machine, reached over TCP through an RFC 2217
// server (ser2net with telnet(rfc2217)): the socket I/O around the pure
// codec of rfc2217_codec.h.
#ifndef R70_RFC2217_TRANSPORT_H
#define R70_RFC2217_TRANSPORT_H

#include "driver/rfc2217_codec.h"
#include "driver/transport.h"

namespace r70 {

using rfc2217::isNetworkAddress;

class Rfc2217Transport final : public Transport {
public:
    explicit Rfc2217Transport(TraceSink& trace) noexcept : trace_(trace) {}

    bool open(const char* path, OpenError& error) noexcept override;
    bool isOpen() const noexcept override { return fd_ >= 0; }
    bool hungUp() const noexcept override { return hungUp_; }
    SpeedResult setSpeed(const LineSpeed& speed) noexcept override;
    void discardInput() noexcept override;
    bool write(const void* data, std::size_t count) noexcept override;
    bool readByte(int timeoutMs, char* byte) noexcept override;
    int firstByteAllowanceMs() noexcept override;
    int gapAllowanceMs() noexcept override;
    void dtr(bool on) noexcept override;
    void close() noexcept override;

private:
    void startConnection() noexcept;
    bool connectTo(const rfc2217::Address& address, OpenError& error) noexcept;
    bool negotiate(OpenError& error) noexcept;
    bool failOpen(OpenError& error, int code, const char* reason) noexcept;
    // Reads and decodes what the server sent within timeoutMs (0: only what
    // is there already). False when nothing came.
    bool pump(int timeoutMs) noexcept;
    void onSubnegotiation() noexcept;
    void onOption(uint8_t verb, uint8_t option) noexcept;
    void keep(uint8_t byte) noexcept;
    bool sendAll(const uint8_t* bytes, std::size_t count, long long deadlineMs) noexcept;
    bool sendRequest(rfc2217::Command command, uint32_t value, bool traced) noexcept;
    // Sends a request and waits up to waitMs for the server's answer to it.
    bool ask(rfc2217::Command command, uint32_t value, int waitMs, uint32_t* answer) noexcept;
    void waitForPurge() noexcept;
    void waitUntilSent() noexcept;
    void connectionLost(const char* why) noexcept;
    long long charUs() const noexcept;
    void sampleRoundTrip(long long us) noexcept;
    void trace(const char* format, ...) noexcept __attribute__((format(printf, 2, 3)));

    TraceSink& trace_;
    int fd_ = -1;
    bool hungUp_ = false;
    rfc2217::Decoder decoder_;
    rfc2217::Negotiation negotiation_;
    bool heardTelnet_ = false;
    // The device's bytes not yet read.
    uint8_t in_[16384] = {};
    std::size_t inHead_ = 0;
    std::size_t inCount_ = 0;
    std::size_t overflow_ = 0;  // bytes dropped because nobody read them
    std::size_t lastChunk_ = 0; // device bytes that came with the last read of the socket
    std::size_t stale_ = 0;     // bytes dropped as stale since the last command
    std::size_t delivered_ = 0; // bytes read since the last write
    bool holdBack_ = false;     // the device may still be talking: wait it out
    // The last answer to each COM-PORT-OPTION command, and how many came.
    uint32_t answer_[13] = {};
    unsigned answers_[13] = {};
    bool purgeAnswered_ = false; // the server answers PURGE-DATA: wait for it
    int purgesPending_ = 0;      // what comes before their answers is stale
    bool dtrUnanswered_ = false; // the server's port has no DTR (a pseudo-terminal)
    bool flowSuspended_ = false;
    unsigned baud_ = 0;
    long long wireFreeUs_ = 0; // when the server's line will have sent what we wrote
    // The round trip to the server and its variation, from its answers.
    long long requestedUs_[13] = {};
    unsigned requests_ = 0;
    long long srttUs_ = 0;
    long long rttVarUs_ = 0;
};

} // namespace r70

#endif
