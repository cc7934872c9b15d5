// What an RFC 2217 server's byte stream means for the line, as pure state:
// the device's bytes (kept for the reader, or dropped as stale while a purge
// is unanswered), the answers to our COM-PORT-OPTION requests, the option
// negotiation and the answers it owes the server, the server's Synch, and
// whether the stream can still be trusted. No I/O: the transport feeds it
// what the socket delivered and sends what it asks to be sent.
#ifndef R70_RFC2217_SESSION_H
#define R70_RFC2217_SESSION_H

#include "driver/line/rfc2217_codec.h"
#include "driver/line/transport.h"

#include <cstddef>
#include <cstdint>
#include <span>

namespace r70::rfc2217 {

class ServerStream {
public:
    explicit ServerStream(TraceSink& trace) noexcept : trace_(trace) {}
    // A new connection: nothing heard yet.
    void reset() noexcept;

    // Bytes the server sent. urgent: the socket reported urgent data (the
    // server's Synch: its data up to the Data Mark is to be dropped).
    void feed(std::span<const uint8_t> bytes, bool urgent) noexcept;

    // Our answers to the server's option requests, to be sent before anything
    // else; repliesSent() once they are.
    std::span<const uint8_t> replies() const noexcept { return {out_, outLength_}; }
    void repliesSent() noexcept { outLength_ = 0; }

    // The device's bytes, in order.
    std::size_t available() const noexcept { return inCount_; }
    bool take(uint8_t* byte) noexcept;
    // What is there now is stale: dropped and counted.
    void dropInput() noexcept;
    // Device bytes that came with the last feed.
    std::size_t lastChunk() const noexcept { return lastChunk_; }

    // A PURGE-DATA went out whose answer the server will send: the device's
    // bytes before that answer are stale.
    void purgeSent() noexcept { ++purgesPending_; }
    // It did not go out after all.
    void purgeUnsent() noexcept { purgesPending_ -= purgesPending_ > 0 ? 1 : 0; }
    int purgesPending() const noexcept { return purgesPending_; }
    // The server did not answer: what comes now is taken as it comes.
    void forgetPurges() noexcept { purgesPending_ = 0; }
    // Bytes dropped as stale so far (all of this connection).
    std::size_t staleTotal() const noexcept { return staleTotal_; }

    // The answers to our requests: how many came, and the last value.
    unsigned answers(Command command) const noexcept;
    uint32_t answer(Command command) const noexcept;
    bool heardTelnet() const noexcept { return heardTelnet_; }
    bool flowSuspended() const noexcept { return flowSuspended_; }
    Negotiation& negotiation() noexcept { return negotiation_; }
    const Negotiation& negotiation() const noexcept { return negotiation_; }

    // The line is set up: from now on a server that turns off what the line
    // needs (binary both ways, COM-PORT-OPTION) breaks it.
    void opened() noexcept { opened_ = true; }
    // Why the stream can no longer be trusted (nullptr while it can): after
    // it nothing more is taken from the server.
    const char* broken() const noexcept { return broken_; }
    // The server asked for more options than any server needs.
    bool flooded() const noexcept { return optionRequests_ > kOptionRequests; }

    static constexpr unsigned kOptionRequests = 64;

private:
    void keep(uint8_t byte) noexcept;
    void onOption(uint8_t verb, uint8_t option) noexcept;
    void onSubnegotiation() noexcept;
    void breakWith(const char* why) noexcept;

    TraceSink& trace_;
    Decoder decoder_;
    Negotiation negotiation_;
    bool heardTelnet_ = false;
    bool flowSuspended_ = false;
    bool opened_ = false;
    bool synch_ = false;
    const char* broken_ = nullptr;
    unsigned optionRequests_ = 0;
    uint8_t in_[16384] = {};
    std::size_t inHead_ = 0;
    std::size_t inCount_ = 0;
    std::size_t lastChunk_ = 0;
    std::size_t overflow_ = 0; // bytes dropped because nobody read them
    std::size_t synchDropped_ = 0;
    std::size_t staleTotal_ = 0;
    int purgesPending_ = 0;
    uint32_t answer_[13] = {};
    unsigned answers_[13] = {};
    uint8_t out_[256] = {};
    std::size_t outLength_ = 0;
};

} // namespace r70::rfc2217

#endif
