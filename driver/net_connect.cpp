#include "driver/net_connect.h"

#include "driver/catalogue.h"
#include "driver/r70com32.h"

#include <cerrno>
#include <cstring>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace r70 {
namespace {

// A name lookup that may outlive the open that started it: the system's
// resolver fills the request in its own time, so the request lives in static
// storage that is never freed while it runs. Only touched under the driver's
// lock.
struct Lookup {
    gaicb request;
    addrinfo hints;
    char host[256];
    char port[6];
    long long startedMs;
    bool used; // started and not yet collected
};
Lookup gLookups[4];

// A finished lookup this old is asked again: the name may have moved.
constexpr long long kLookupFreshMs = 30000;

bool sameName(const Lookup& l, const char* host, const char* port) noexcept {
    return std::strcmp(l.host, host) == 0 && std::strcmp(l.port, port) == 0;
}

void release(Lookup& l) noexcept {
    if (l.request.ar_result != nullptr) freeaddrinfo(l.request.ar_result);
    l.request.ar_result = nullptr;
    l.used = false;
}

// Waits up to ms for a lookup; returns gai_error's verdict.
int waitFor(Lookup& l, int ms) noexcept {
    const long long deadline = monotonicMs() + ms;
    int status = 0;
    while ((status = gai_error(&l.request)) == EAI_INPROGRESS) {
        const long long left = deadline - monotonicMs();
        if (left <= 0) break;
        const timespec wait{static_cast<time_t>(left / 1000),
                            static_cast<long>(left % 1000) * 1000000};
        const gaicb* list[] = {&l.request};
        (void)gai_suspend(list, 1, &wait);
    }
    return status;
}

// The addresses of host:port (the caller frees them), or a gai_ error
// (EAI_INPROGRESS: no answer in time, the lookup goes on).
int lookUp(const char* host, const char* port, const ConnectBounds& bounds,
           addrinfo** found) noexcept {
    *found = nullptr;
    // An address needs no name server (and no lookup in the background).
    addrinfo numeric{};
    numeric.ai_family = AF_UNSPEC;
    numeric.ai_socktype = SOCK_STREAM;
    numeric.ai_flags = AI_NUMERICHOST | AI_NUMERICSERV;
    if (getaddrinfo(host, port, &numeric, found) == 0) return 0;
    *found = nullptr;
    Lookup* slot = nullptr;
    for (Lookup& l : gLookups) {
        if (!l.used) continue;
        const int status = gai_error(&l.request);
        const bool stale = monotonicMs() - l.startedMs > kLookupFreshMs;
        if (status != EAI_INPROGRESS && (stale || !sameName(l, host, port)))
            release(l);
        else if (sameName(l, host, port))
            slot = &l;
    }
    int waitMs = bounds.lookupAgainMs;
    if (slot == nullptr) {
        for (Lookup& l : gLookups)
            if (!l.used) slot = &l;
        if (slot == nullptr) return EAI_INPROGRESS; // every slot still waits on a name server
        *slot = Lookup{};
        copyText(slot->host, sizeof slot->host, host);
        copyText(slot->port, sizeof slot->port, port);
        slot->hints.ai_family = AF_UNSPEC;
        slot->hints.ai_socktype = SOCK_STREAM;
        slot->request.ar_name = slot->host;
        slot->request.ar_service = slot->port;
        slot->request.ar_request = &slot->hints;
        slot->startedMs = monotonicMs();
        gaicb* list[] = {&slot->request};
        if (getaddrinfo_a(GAI_NOWAIT, list, 1, nullptr) != 0) {
            const addrinfo hints = slot->hints;
            *slot = Lookup{};
            return getaddrinfo(host, port, &hints, found); // no background lookups here
        }
        slot->used = true;
        waitMs = bounds.lookupMs;
    }
    const int status = waitFor(*slot, waitMs);
    if (status == EAI_INPROGRESS) return status;
    *found = slot->request.ar_result;
    slot->request.ar_result = nullptr;
    release(*slot);
    return status;
}

struct Attempt {
    int fd = -1;
    int family = 0;
};

} // namespace

int connectToHost(const char* host, const char* port, const ConnectBounds& bounds,
                  OpenError& error) noexcept {
    addrinfo* found = nullptr;
    const int gai = lookUp(host, port, bounds, &found);
    if (gai != 0) {
        if (gai == EAI_INPROGRESS || gai == EAI_AGAIN) {
            error.code = DRV_OPENERR_NOANSWER;
            formatInto(error.text, sizeof error.text, "no answer from the name server for %s",
                       host);
        } else if (gai == EAI_SYSTEM || gai == EAI_MEMORY) {
            error.code = DRV_OPENERR_NOTSERIAL;
            formatInto(error.text, sizeof error.text, "looking up %s failed: %s", host,
                       gai_strerror(gai));
        } else {
            error.code = DRV_OPENERR_ABSENT;
            formatInto(error.text, sizeof error.text, "host not found: %s", host);
        }
        return -1;
    }
    // The order RFC 8305 asks for: the families take turns, the system's
    // preferred address first.
    addrinfo* order[16];
    std::size_t count = 0;
    {
        addrinfo* byFamily[2][16];
        std::size_t n[2] = {0, 0};
        const int first = found->ai_family;
        for (addrinfo* a = found; a != nullptr; a = a->ai_next) {
            const std::size_t f = a->ai_family == first ? 0 : 1;
            if (n[f] < 16) byFamily[f][n[f]++] = a;
        }
        for (std::size_t i = 0; count < 16 && (i < n[0] || i < n[1]); ++i)
            for (std::size_t f = 0; f < 2; ++f)
                if (i < n[f] && count < 16) order[count++] = byFamily[f][i];
    }

    const long long deadline = monotonicMs() + bounds.connectMs;
    Attempt attempts[16];
    std::size_t started = 0, running = 0;
    long long nextStartMs = 0;
    int winner = -1;
    bool refused = false;
    int lastError = ETIMEDOUT;
    auto failed = [&](int e) {
        refused |= e == ECONNREFUSED;
        if (e != ETIMEDOUT || lastError == ETIMEDOUT) lastError = e;
    };
    while (winner < 0 && monotonicMs() < deadline) {
        if (started < count && (running == 0 || monotonicMs() >= nextStartMs)) {
            const addrinfo* a = order[started];
            Attempt& t = attempts[started++];
            t.family = a->ai_family;
            t.fd = ::socket(a->ai_family, a->ai_socktype | SOCK_CLOEXEC | SOCK_NONBLOCK,
                            a->ai_protocol);
            if (t.fd < 0) {
                failed(errno);
                continue;
            }
            const int e = ::connect(t.fd, a->ai_addr, a->ai_addrlen) == 0 ? 0 : errno;
            if (e == 0) {
                winner = t.fd;
                t.fd = -1;
                break;
            }
            if (e != EINPROGRESS) {
                failed(e);
                ::close(t.fd);
                t.fd = -1;
                continue; // the next address at once
            }
            ++running;
            nextStartMs = monotonicMs() + bounds.staggerMs;
        }
        if (running == 0) {
            if (started >= count) break;
            continue;
        }
        pollfd polls[16];
        std::size_t which[16];
        std::size_t n = 0;
        for (std::size_t i = 0; i < started; ++i)
            if (attempts[i].fd >= 0) {
                polls[n] = {attempts[i].fd, POLLOUT, 0};
                which[n++] = i;
            }
        long long until = deadline;
        if (started < count && nextStartMs < until) until = nextStartMs;
        const long long wait = until - monotonicMs();
        const int r = ::poll(polls, n, wait > 0 ? static_cast<int>(wait) : 0);
        if (r <= 0) continue;
        for (std::size_t k = 0; k < n && winner < 0; ++k) {
            if (polls[k].revents == 0) continue;
            Attempt& t = attempts[which[k]];
            int e = 0;
            socklen_t size = sizeof e;
            if (getsockopt(t.fd, SOL_SOCKET, SO_ERROR, &e, &size) != 0) e = errno;
            if (e == 0) {
                winner = t.fd;
                t.fd = -1;
            } else {
                failed(e);
                ::close(t.fd);
                t.fd = -1;
                --running;
                nextStartMs = 0; // a failed address hands its turn on at once
            }
        }
    }
    for (std::size_t i = 0; i < started; ++i)
        if (attempts[i].fd >= 0) ::close(attempts[i].fd);
    freeaddrinfo(found);
    if (winner >= 0) return winner;
    if (refused) {
        error.code = DRV_OPENERR_ABSENT;
        formatInto(error.text, sizeof error.text,
                   "connection refused — no server listens on port %s of %s", port, host);
    } else if (lastError == ETIMEDOUT || lastError == EHOSTUNREACH || lastError == ENETUNREACH) {
        error.code = DRV_OPENERR_NOANSWER;
        formatInto(error.text, sizeof error.text, "no answer from %s port %s", host, port);
    } else {
        error.code = DRV_OPENERR_NOTSERIAL;
        formatInto(error.text, sizeof error.text, "cannot connect to %s port %s: %s", host, port,
                   std::strerror(lastError));
    }
    return -1;
}

} // namespace r70
