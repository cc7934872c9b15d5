// Reaching a host over TCP within a bound, for a network port. The name is
// looked up without holding the caller longer than its share: a lookup that
// takes longer goes on in the background and the next attempt takes its
// result (the heartbeat tries again every second; a silent name server must
// not block each try). The host's addresses are raced as RFC 8305 does it, so
// a dead address of one family does not use up the time of the other.
#ifndef R70_NET_CONNECT_H
#define R70_NET_CONNECT_H

#include "driver/transport.h"

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

} // namespace r70

#endif
