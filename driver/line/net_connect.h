// Reaching a host over TCP within a bound, for a network port. The name is
// looked up without holding the caller longer than its share: a lookup that
// takes longer goes on in the background and the next attempt takes its
// result (the heartbeat tries again every second; a silent name server must
// not block each try). The host's addresses are raced as RFC 8305 does it, so
// a dead address of one family does not use up the time of the other.
#ifndef R70_NET_CONNECT_H
#define R70_NET_CONNECT_H

#include "driver/line/transport.h"

#include <cstddef>

struct addrinfo; // <netdb.h>

namespace r70 {

struct ConnectBounds {
    int lookupMs = 2000;     // the first attempt's wait for the name
    int lookupAgainMs = 250; // later attempts' wait while that lookup goes on
    int connectMs = 3000;    // for every address together
    int staggerMs = 250;     // the next address starts after this, or when one fails
};

// A connected non-blocking TCP socket to host:port, or -1 with error set
// (code and reason, the reason without the port's name).
int connectToHost(const char* host, const char* port, const ConnectBounds& bounds,
                  OpenError& error) noexcept;

// The same in steps that never wait longer than their caller allows: the
// name looked up in the background (as long as the name server takes), then
// the addresses raced within bounds.connectMs. A caller that must not block
// (the heartbeat, while a host is away) asks now and then whether it is done.
class Connector {
public:
    static constexpr int kInProgress = -2;

    Connector() = default;
    ~Connector() { cancel(); }
    Connector(const Connector&) = delete;
    Connector& operator=(const Connector&) = delete;

    // patient: a lookup that is not done within the bound is waited for on
    // later polls, instead of failing.
    void start(const char* host, const char* port, const ConnectBounds& bounds,
               bool patient) noexcept;
    // Goes on for up to waitMs: the connected socket (the caller owns it),
    // -1 with error set, or kInProgress.
    int poll(int waitMs, OpenError& error) noexcept;
    bool running() const noexcept { return phase_ != Phase::Idle; }
    // Closes whatever is still under way.
    void cancel() noexcept;

private:
    enum class Phase { Idle, LookingUp, Connecting };
    struct Attempt {
        int fd = -1;
    };
    int lookUpStep(int waitMs, OpenError& error) noexcept;
    int connectStep(long long untilMs, OpenError& error) noexcept;
    int fail(OpenError& error) noexcept;

    Phase phase_ = Phase::Idle;
    bool patient_ = false;
    bool waited_ = false; // the lookup had its first wait
    char host_[256] = {};
    char port_[6] = {};
    ConnectBounds bounds_;
    ::addrinfo* found_ = nullptr;
    ::addrinfo* order_[16] = {};
    std::size_t count_ = 0;
    Attempt attempts_[16];
    std::size_t started_ = 0, running_ = 0;
    long long nextStartMs_ = 0, deadlineMs_ = 0;
    bool refused_ = false;
    int lastError_ = 0;
};

} // namespace r70

#endif
