// The telnet side of a serial port behind an RFC 2217 server, as pure byte
// work: the address form, option negotiation, 0xFF escaping, COM-PORT-OPTION
// requests and the decoding of what the server sends. No I/O.
#ifndef R70_RFC2217_CODEC_H
#define R70_RFC2217_CODEC_H

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace r70::rfc2217 {

inline constexpr uint8_t kIac = 255;
inline constexpr uint8_t kDont = 254;
inline constexpr uint8_t kDo = 253;
inline constexpr uint8_t kWont = 252;
inline constexpr uint8_t kWill = 251;
inline constexpr uint8_t kSb = 250;
inline constexpr uint8_t kSe = 240;
inline constexpr uint8_t kNop = 241;
inline constexpr uint8_t kDataMark = 242; // ends the server's Synch

inline constexpr uint8_t kBinary = 0;
inline constexpr uint8_t kSuppressGoAhead = 3;
inline constexpr uint8_t kComPort = 44;

// COM-PORT-OPTION commands as the client sends them; the server answers each
// with the same command plus 100.
enum class Command : uint8_t {
    Signature = 0,
    SetBaudRate = 1,
    SetDataSize = 2,
    SetParity = 3,
    SetStopSize = 4,
    SetControl = 5,
    NotifyLineState = 6,
    NotifyModemState = 7,
    FlowControlSuspend = 8,
    FlowControlResume = 9,
    SetLineStateMask = 10,
    SetModemStateMask = 11,
    PurgeData = 12,
};
inline constexpr uint8_t kServerOffset = 100;

inline constexpr uint32_t kParityNone = 1;
inline constexpr uint32_t kStopBitsOne = 1;
inline constexpr uint32_t kDtrOn = 8;
inline constexpr uint32_t kDtrOff = 9;
inline constexpr uint32_t kPurgeReceive = 1; // what the server got from the device
inline constexpr uint32_t kPurgeBoth = 3;

// "rfc2217://HOST:PORT" (HOST a name, an IPv4 address or [an IPv6 address]).
struct Address {
    char host[256] = {};
    char port[6] = {};
};
bool parseAddress(std::string_view path, Address& out) noexcept;

// Copies data with every 0xFF doubled, as far as out holds whole bytes;
// returns the bytes written and sets *consumed to the data bytes taken.
std::size_t escapeData(std::span<const uint8_t> data, std::span<uint8_t> out,
                       std::size_t* consumed) noexcept;

// Where the telnet unit that holds position `at` of an outgoing stream ends
// (the stream starts at a unit): a data byte, a doubled 0xFF, an option verb,
// a command, a whole subnegotiation. A send cut anywhere else would leave the
// server reading what follows as part of that unit. Returns `at` when a unit
// starts there.
std::size_t unitEnd(std::span<const uint8_t> stream, std::size_t at) noexcept;

// IAC SB COM-PORT-OPTION command value IAC SE, the value big-endian in
// valueBytes (1 or 4) with 0xFF doubled. Returns 0 when out is too small.
std::size_t request(Command command, uint32_t value, std::size_t valueBytes,
                    std::span<uint8_t> out) noexcept;

// One byte of the server's stream at a time.
struct Event {
    enum class Kind : uint8_t {
        None,           // consumed, nothing to act on yet
        Data,           // a byte of the device's output (byte)
        Option,         // WILL / WONT / DO / DONT (verb) for option
        Command,        // a two-byte telnet command such as NOP (verb)
        Subnegotiation, // complete: Decoder::subnegotiation() holds it
        Error,          // a stray sequence (error says what); decoding goes on
        Broken,         // the stream is out of step (error says why): nothing
                        // after it can be told apart, every further byte is void
    };
    Kind kind = Kind::None;
    uint8_t byte = 0;
    uint8_t verb = 0;
    uint8_t option = 0;
    const char* error = nullptr;
};

class Decoder {
public:
    Event feed(uint8_t byte) noexcept;
    // The last complete subnegotiation, without IAC SB and IAC SE.
    std::span<const uint8_t> subnegotiation() const noexcept { return {sub_, subLength_}; }
    void reset() noexcept { *this = Decoder{}; }

private:
    enum class State : uint8_t { Data, Iac, Verb, Sub, SubIac, Broken };
    State state_ = State::Data;
    uint8_t verb_ = 0;
    bool overflow_ = false;
    std::size_t subLength_ = 0;
    std::size_t subTotal_ = 0; // every byte of the subnegotiation, kept or not
    uint8_t sub_[64] = {};     // a COM-PORT-OPTION answer is 6 bytes; a signature a line of text
};

// A COM-PORT-OPTION answer of the server.
struct Reply {
    Command command = Command::Signature; // the client's command it answers
    uint32_t value = 0;
    bool valid = false; // a COM-PORT-OPTION answer of the right length
};
Reply parseReply(std::span<const uint8_t> subnegotiation) noexcept;

// The options both sides must agree on, kept as RFC 1143 does it (an answer
// only to a request that changes something, so the two sides never loop).
class Negotiation {
public:
    enum class State : uint8_t { No, WantYes, Yes };
    // Our requests: WILL and DO BINARY, WILL and DO SUPPRESS-GO-AHEAD, WILL
    // COM-PORT-OPTION. Returns the bytes written (15), 0 when out is too small.
    std::size_t start(std::span<uint8_t> out) noexcept;
    // The answer (0 or 3 bytes) to one option verb of the server.
    std::size_t answer(uint8_t verb, uint8_t option, std::span<uint8_t> out) noexcept;

    State comPort() const noexcept { return us_[kComPort]; }
    State binaryOut() const noexcept { return us_[kBinary]; } // we send binary
    State binaryIn() const noexcept { return him_[kBinary]; } // the server sends binary
    // Binary both ways and COM-PORT-OPTION, each agreed or refused.
    bool settled() const noexcept;

private:
    static bool weWill(uint8_t option) noexcept;
    static bool weWantHim(uint8_t option) noexcept;
    State us_[256] = {};  // options on our side (the server's DO / DONT)
    State him_[256] = {}; // options on the server's side (its WILL / WONT)
    // Refusals sent per option and side: a server that asks again and again
    // is answered a few times, not for ever.
    uint8_t refusedUs_[256] = {};
    uint8_t refusedHim_[256] = {};
};

// Readable trace texts: "WILL BINARY", "SET-BAUDRATE 115200", "PURGE-DATA receive".
void describeOption(uint8_t verb, uint8_t option, char* out, std::size_t size) noexcept;
void describeCommand(uint8_t command, uint32_t value, char* out, std::size_t size) noexcept;
void describeSubnegotiation(std::span<const uint8_t> sub, char* out, std::size_t size) noexcept;

} // namespace r70::rfc2217

#endif
