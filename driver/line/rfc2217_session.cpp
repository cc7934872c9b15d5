#include "driver/line/rfc2217_session.h"

#include <cstdio>
#include <cstring>

namespace r70::rfc2217 {

void ServerStream::reset() noexcept {
    decoder_.reset();
    negotiation_ = Negotiation{};
    heardTelnet_ = flowSuspended_ = opened_ = synch_ = false;
    broken_ = nullptr;
    optionRequests_ = 0;
    inHead_ = inCount_ = lastChunk_ = overflow_ = synchDropped_ = staleTotal_ = 0;
    purgesPending_ = 0;
    std::memset(answer_, 0, sizeof answer_);
    std::memset(answers_, 0, sizeof answers_);
    outLength_ = 0;
}

void ServerStream::breakWith(const char* why) noexcept {
    if (broken_ != nullptr) return;
    broken_ = why;
    char line[160];
    std::snprintf(line, sizeof line, "telnet in: %s: the connection is not trusted any more", why);
    trace_.traceEvent(line);
}

void ServerStream::feed(std::span<const uint8_t> bytes, bool urgent) noexcept {
    if (urgent && !synch_) {
        synch_ = true;
        synchDropped_ = 0;
    }
    const std::size_t before = inCount_;
    for (uint8_t b : bytes) {
        if (broken_ != nullptr) break;
        const Event e = decoder_.feed(b);
        switch (e.kind) {
        case Event::Kind::None:
            break;
        case Event::Kind::Data:
            keep(e.byte);
            break;
        case Event::Kind::Option:
            onOption(e.verb, e.option);
            break;
        case Event::Kind::Command: {
            heardTelnet_ = true;
            char line[64];
            if (e.verb == kDataMark && synch_) {
                synch_ = false;
                std::snprintf(line, sizeof line, "telnet in: Synch, %zu bytes dropped",
                              synchDropped_);
            } else {
                std::snprintf(line, sizeof line, "telnet in: IAC %u", e.verb);
            }
            trace_.traceEvent(line);
            break;
        }
        case Event::Kind::Subnegotiation:
            onSubnegotiation();
            break;
        case Event::Kind::Error: {
            char line[128];
            std::snprintf(line, sizeof line, "telnet in: %s (ignored)", e.error);
            trace_.traceEvent(line);
            break;
        }
        case Event::Kind::Broken:
            breakWith(e.error);
            break;
        }
    }
    lastChunk_ = inCount_ > before ? inCount_ - before : 0;
    if (overflow_ > 0) {
        char line[64];
        std::snprintf(line, sizeof line, "%zu bytes dropped: nothing read them", overflow_);
        trace_.traceEvent(line);
        overflow_ = 0;
    }
}

void ServerStream::keep(uint8_t byte) noexcept {
    if (synch_) {
        ++synchDropped_;
        return;
    }
    if (purgesPending_ > 0) {
        ++staleTotal_; // sent before the server purged: an earlier command's
        return;
    }
    if (inCount_ == sizeof in_) {
        ++overflow_;
        return;
    }
    in_[(inHead_ + inCount_) % sizeof in_] = byte;
    ++inCount_;
}

bool ServerStream::take(uint8_t* byte) noexcept {
    if (inCount_ == 0) return false;
    *byte = in_[inHead_];
    inHead_ = (inHead_ + 1) % sizeof in_;
    --inCount_;
    return true;
}

void ServerStream::dropInput() noexcept {
    staleTotal_ += inCount_;
    inHead_ = inCount_ = 0;
}

unsigned ServerStream::answers(Command command) const noexcept {
    const auto c = static_cast<std::size_t>(command);
    return c < std::size(answers_) ? answers_[c] : 0;
}

uint32_t ServerStream::answer(Command command) const noexcept {
    const auto c = static_cast<std::size_t>(command);
    return c < std::size(answer_) ? answer_[c] : 0;
}

void ServerStream::onOption(uint8_t verb, uint8_t option) noexcept {
    heardTelnet_ = true;
    char what[64];
    char line[96];
    describeOption(verb, option, what, sizeof what);
    std::snprintf(line, sizeof line, "telnet in: %s", what);
    trace_.traceEvent(line);
    if (++optionRequests_ > kOptionRequests) {
        breakWith("the server floods telnet option requests");
        return;
    }
    uint8_t reply[3];
    const std::size_t n = negotiation_.answer(verb, option, reply);
    if (n > 0 && outLength_ + n <= sizeof out_) {
        std::memcpy(out_ + outLength_, reply, n);
        outLength_ += n;
        describeOption(reply[1], reply[2], what, sizeof what);
        std::snprintf(line, sizeof line, "telnet out: %s", what);
        trace_.traceEvent(line);
    }
    if (!opened_) return;
    using State = Negotiation::State;
    if (negotiation_.binaryOut() != State::Yes || negotiation_.binaryIn() != State::Yes)
        breakWith("the server turned binary transfer off");
    else if (negotiation_.comPort() != State::Yes)
        breakWith("the server turned COM-PORT-OPTION off");
}

void ServerStream::onSubnegotiation() noexcept {
    heardTelnet_ = true;
    const auto sub = decoder_.subnegotiation();
    const Reply r = parseReply(sub);
    // The purge before every command and its answer stay out of the trace.
    const bool routinePurge = r.valid && r.command == Command::PurgeData && purgesPending_ > 0;
    if (!routinePurge) {
        char what[160];
        char line[200];
        describeSubnegotiation(sub, what, sizeof what);
        std::snprintf(line, sizeof line, "telnet in: %s%s", what,
                      r.valid ? "" : " (not understood)");
        trace_.traceEvent(line);
    }
    if (!r.valid) return;
    const auto c = static_cast<std::size_t>(r.command);
    answer_[c] = r.value;
    ++answers_[c];
    if (r.command == Command::PurgeData && purgesPending_ > 0) --purgesPending_;
    if (r.command == Command::FlowControlSuspend) flowSuspended_ = true;
    if (r.command == Command::FlowControlResume) flowSuspended_ = false;
}

} // namespace r70::rfc2217
