// The device's AT interpreter: one command line in, the reply bytes (and any
// action the transport must take) out. No I/O, no threads: the caller owns the
// state and serialises calls.
#pragma once

#include "sim/device_state.h"

#include <chrono>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace quorvex::sim {

struct ReplyPart {
    std::string bytes;
    std::chrono::milliseconds delay{0}; // wait before this part, after the previous one
};

enum class Action {
    None,
    EnterLoader, // "AT!DOWNLOAD": restart into the boot loader
};

struct Outcome {
    std::vector<ReplyPart> parts;
    Action action = Action::None;
    // All reply bytes run together (for tests and in-process queries).
    std::string text() const;
};

// Forwarding registers of the catalogue: unconditional, no reply, busy.
inline constexpr int kForwardRegisters[] = {20, 21, 22};

class Interpreter {
public:
    // hostSeconds: seconds since the epoch of the host clock (tests fix it).
    using HostClock = std::function<int64_t()>;
    // Persists the state for "AT&W"; false when it could not be written.
    using Persist = std::function<bool(const DeviceState&)>;

    explicit Interpreter(DeviceState& state, HostClock hostSeconds = {});

    // One command line as the program sent it, without its carriage return.
    Outcome handle(std::string_view line);

    void setPersist(Persist persist) { persist_ = std::move(persist); }
    // Make a forwarding register of a port answer a status digit of its own
    // (2 "not subscribed", 3 "unknown") to every set instead of switching.
    void setForwardingStatus(int port, int reg, int status);

private:
    Outcome handleBody(std::string_view body);
    Outcome forwarding(int reg, int port, std::string_view rest);
    Outcome callList(int port, int list);
    Outcome clearCallList(int port, int list);
    Outcome chargeReply(int which);
    Outcome dial(int port, std::string_view number);
    Outcome clock(std::string_view rest);
    Outcome lineState() const;
    Outcome statusText(int which) const;
    int64_t now() const;

    DeviceState& state_;
    HostClock hostSeconds_;
    Persist persist_;
    std::map<std::pair<int, int>, int> forwardingStatus_;
    bool echoOff_ = true;
    bool verbose_ = true;
};

// Reply texts shared with the transport and the tests.
inline constexpr std::string_view kOk = "\r\nOK\r\n";
inline constexpr std::string_view kError = "\r\nERROR\r\n";

// "07/03/2001 09:05:00" to seconds since the epoch (the device keeps no zone).
std::optional<int64_t> parseDeviceClock(std::string_view text);
std::string formatDeviceClock(int64_t seconds);
// Charge of a call as the device counts it: units by the kind of number, times the
// charge per unit (register S95, "0,120").
int64_t callCharge(std::string_view number, std::string_view unitPrice);

} // namespace quorvex::sim
