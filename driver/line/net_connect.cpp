#include "driver/line/net_connect.h"

#include "driver/api/r70com32.h"
#include "driver/protocol/catalogue.h"

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

} // namespace

int connectToHost(const char* host, const char* port, const ConnectBounds& bounds,
                  OpenError& error) noexcept {
    Connector connector;
    connector.start(host, port, bounds, false);
    // The lookup's own bound, then the connect's: one poll waits for both.
    return connector.poll(bounds.lookupMs + bounds.connectMs + 1000, error);
}

void Connector::start(const char* host, const char* port, const ConnectBounds& bounds,
                      bool patient) noexcept {
    cancel();
    copyText(host_, sizeof host_, host);
    copyText(port_, sizeof port_, port);
    bounds_ = bounds;
    patient_ = patient;
    waited_ = false;
    refused_ = false;
    lastError_ = ETIMEDOUT;
    phase_ = Phase::LookingUp;
}

void Connector::cancel() noexcept {
    for (std::size_t i = 0; i < started_; ++i)
        if (attempts_[i].fd >= 0) ::close(attempts_[i].fd);
    started_ = running_ = count_ = 0;
    if (found_ != nullptr) freeaddrinfo(found_);
    found_ = nullptr;
    phase_ = Phase::Idle;
}

int Connector::poll(int waitMs, OpenError& error) noexcept {
    const long long untilMs = monotonicMs() + (waitMs > 0 ? waitMs : 0);
    if (phase_ == Phase::LookingUp) {
        const long long left = untilMs - monotonicMs();
        const int r = lookUpStep(static_cast<int>(left > 0 ? left : 0), error);
        if (r != 0) return r;
    }
    if (phase_ != Phase::Connecting) return fail(error);
    return connectStep(untilMs, error);
}

// 0 when the addresses are there (and the connect has started).
int Connector::lookUpStep(int waitMs, OpenError& error) noexcept {
    // The first wait of a blocking open is the lookup's bound; every other
    // one only what the caller allows.
    ConnectBounds wait = bounds_;
    if (patient_ || waited_) wait.lookupMs = wait.lookupAgainMs = 0;
    if (waitMs < wait.lookupMs) wait.lookupMs = waitMs;
    if (waitMs < wait.lookupAgainMs) wait.lookupAgainMs = waitMs;
    waited_ = true;
    addrinfo* found = nullptr;
    const int gai = lookUp(host_, port_, wait, &found);
    if (gai == EAI_INPROGRESS && patient_) return kInProgress;
    if (gai != 0) {
        cancel();
        if (gai == EAI_INPROGRESS || gai == EAI_AGAIN) {
            error.code = DRV_OPENERR_NOANSWER;
            formatInto(error.text, sizeof error.text, "no answer from the name server for %s",
                       host_);
        } else if (gai == EAI_SYSTEM || gai == EAI_MEMORY) {
            error.code = DRV_OPENERR_NOTSERIAL;
            formatInto(error.text, sizeof error.text, "looking up %s failed: %s", host_,
                       gai_strerror(gai));
        } else {
            error.code = DRV_OPENERR_ABSENT;
            formatInto(error.text, sizeof error.text, "host not found: %s", host_);
        }
        return -1;
    }
    found_ = found;
    // The order RFC 8305 asks for: the families take turns, the system's
    // preferred address first.
    addrinfo* byFamily[2][16];
    std::size_t n[2] = {0, 0};
    const int first = found->ai_family;
    for (addrinfo* a = found; a != nullptr; a = a->ai_next) {
        const std::size_t f = a->ai_family == first ? 0 : 1;
        if (n[f] < 16) byFamily[f][n[f]++] = a;
    }
    count_ = 0;
    for (std::size_t i = 0; count_ < 16 && (i < n[0] || i < n[1]); ++i)
        for (std::size_t f = 0; f < 2; ++f)
            if (i < n[f] && count_ < 16) order_[count_++] = byFamily[f][i];
    started_ = running_ = 0;
    nextStartMs_ = 0;
    deadlineMs_ = monotonicMs() + bounds_.connectMs;
    phase_ = Phase::Connecting;
    return 0;
}

int Connector::connectStep(long long untilMs, OpenError& error) noexcept {
    auto failed = [&](int e) {
        refused_ |= e == ECONNREFUSED;
        if (e != ETIMEDOUT || lastError_ == ETIMEDOUT) lastError_ = e;
    };
    int winner = -1;
    for (;;) {
        const long long now = monotonicMs();
        if (winner >= 0 || now >= deadlineMs_) break;
        if (started_ < count_ && (running_ == 0 || now >= nextStartMs_)) {
            const addrinfo* a = order_[started_];
            Attempt& t = attempts_[started_++];
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
            ++running_;
            nextStartMs_ = monotonicMs() + bounds_.staggerMs;
        }
        if (running_ == 0) {
            if (started_ >= count_) break;
            continue;
        }
        pollfd polls[16];
        std::size_t which[16];
        std::size_t n = 0;
        for (std::size_t i = 0; i < started_; ++i)
            if (attempts_[i].fd >= 0) {
                polls[n] = {attempts_[i].fd, POLLOUT, 0};
                which[n++] = i;
            }
        long long until = deadlineMs_ < untilMs ? deadlineMs_ : untilMs;
        if (started_ < count_ && nextStartMs_ < until) until = nextStartMs_;
        const long long wait = until - monotonicMs();
        const int r = ::poll(polls, n, wait > 0 ? static_cast<int>(wait) : 0);
        for (std::size_t k = 0; r > 0 && k < n && winner < 0; ++k) {
            if (polls[k].revents == 0) continue;
            Attempt& t = attempts_[which[k]];
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
                --running_;
                nextStartMs_ = 0; // a failed address hands its turn on at once
            }
        }
        // The caller's time is up: the attempts go on until it asks again.
        if (winner < 0 && monotonicMs() >= untilMs && monotonicMs() < deadlineMs_)
            return kInProgress;
    }
    if (winner >= 0) {
        cancel();
        return winner;
    }
    return fail(error);
}

int Connector::fail(OpenError& error) noexcept {
    cancel();
    if (refused_) {
        error.code = DRV_OPENERR_ABSENT;
        formatInto(error.text, sizeof error.text,
                   "connection refused — no server listens on port %s of %s", port_, host_);
    } else if (lastError_ == ETIMEDOUT || lastError_ == EHOSTUNREACH || lastError_ == ENETUNREACH) {
        error.code = DRV_OPENERR_NOANSWER;
        formatInto(error.text, sizeof error.text, "no answer from %s port %s", host_, port_);
    } else {
        error.code = DRV_OPENERR_NOTSERIAL;
        formatInto(error.text, sizeof error.text, "cannot connect to %s port %s: %s", host_, port_,
                   std::strerror(lastError_));
    }
    return -1;
}

} // namespace r70
