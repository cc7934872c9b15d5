// A TCP relay between the program and a server on 127.0.0.1 that behaves as a
// real path does: each direction delayed (half the round trip), a server that
// sends a small segment only once its last one is acknowledged (Nagle: what
// ser2net does without tcp(nodelay)), and acknowledgements held back the way a
// tunnel's end holds them (delayed ACK) unless data goes the other way first.
// With no delay and no Nagle it is a plain relay, as an SSH port forward or a
// TLS wrapper is. One thread per connection; connections come and go as the
// program opens and closes the port.
#pragma once

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <deque>
#include <memory>
#include <mutex>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace nettest {

struct PathOptions {
    int delayMs = 0;          // one way, in each direction
    bool serverNagle = false; // the server holds a small segment while its last is unacknowledged
    int ackHoldMs = 0;        // how long the acknowledgement of the server's data is held back
    std::string name() const {
        return "rtt" + std::to_string(2 * delayMs) + (serverNagle ? "_nagle" : "_nodelay") +
               (ackHoldMs > 0 ? "_ackhold" + std::to_string(ackHoldMs) : "");
    }
};

class Relay {
public:
    Relay(int upstreamPort, PathOptions options) : upstream_(upstreamPort), options_(options) {}
    ~Relay() { stop(); }
    Relay(const Relay&) = delete;
    Relay& operator=(const Relay&) = delete;

    int port() const { return port_; }
    std::string address() const { return "rfc2217://127.0.0.1:" + std::to_string(port_); }

    bool start(std::string* why) {
        listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof a;
        if (listener_ < 0 || ::bind(listener_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
            ::listen(listener_, 8) != 0 ||
            ::getsockname(listener_, reinterpret_cast<sockaddr*>(&a), &size) != 0) {
            if (why) *why = std::string("relay: ") + std::strerror(errno);
            return false;
        }
        port_ = ntohs(a.sin_port);
        acceptor_ = std::thread([this] { acceptLoop(); });
        return true;
    }

    void stop() {
        stopping_ = true;
        if (acceptor_.joinable()) acceptor_.join();
        std::vector<std::thread> workers;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            workers.swap(workers_);
        }
        for (std::thread& t : workers)
            t.join();
        if (listener_ >= 0) ::close(listener_);
        listener_ = -1;
    }

private:
    using Clock = std::chrono::steady_clock;
    struct Chunk {
        Clock::time_point due;
        std::string bytes;
    };

    void acceptLoop() {
        while (!stopping_) {
            pollfd p{listener_, POLLIN, 0};
            if (::poll(&p, 1, 20) <= 0) continue;
            const int client = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
            if (client < 0) continue;
            std::lock_guard<std::mutex> lock(mutex_);
            workers_.emplace_back([this, client] { serve(client); });
        }
    }

    static bool sendAll(int fd, const std::string& bytes) {
        std::size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) return false;
            done += static_cast<std::size_t>(n);
        }
        return true;
    }

    void serve(int client) {
        const int server = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        a.sin_port = htons(static_cast<uint16_t>(upstream_));
        const int one = 1;
        // The relay adds no delays of its own: the path's are the ones asked for.
        ::setsockopt(client, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        ::setsockopt(server, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        if (::connect(server, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
            ::close(server);
            ::close(client);
            return;
        }
        const auto delay = std::chrono::milliseconds(options_.delayMs);
        const auto hold = std::chrono::milliseconds(options_.ackHoldMs);
        std::deque<Chunk> up, down;  // on their way to the server, to the client
        std::string held;            // read from the server, not yet sent (Nagle)
        Clock::time_point ackedAt{}; // when the server's last segment is acknowledged
        Clock::time_point sentAt{};  // when the server sent its last segment
        bool clientEof = false, serverEof = false, failed = false;
        while (!stopping_ && !failed) {
            const auto now = Clock::now();
            if (!held.empty() && (!options_.serverNagle || now >= ackedAt)) {
                down.push_back({now + delay, std::move(held)});
                held.clear();
                sentAt = now;
                // The client acknowledges at once; the ACK crosses the path back
                // and a tunnel's end may hold it.
                ackedAt = now + 2 * delay + hold;
            }
            while (!up.empty() && up.front().due <= now) {
                failed |= !sendAll(server, up.front().bytes);
                // Data for the server carries the acknowledgement of what the
                // client had received when it sent it.
                if (now >= sentAt + 2 * delay && now < ackedAt) ackedAt = now;
                up.pop_front();
            }
            while (!down.empty() && down.front().due <= now) {
                failed |= !sendAll(client, down.front().bytes);
                down.pop_front();
            }
            if ((clientEof && up.empty()) || (serverEof && held.empty() && down.empty())) break;

            auto wake = now + std::chrono::milliseconds(20); // looks at stopping_
            if (!up.empty() && up.front().due < wake) wake = up.front().due;
            if (!down.empty() && down.front().due < wake) wake = down.front().due;
            if (!held.empty() && ackedAt < wake) wake = ackedAt;
            const auto waitMs =
                std::chrono::duration_cast<std::chrono::milliseconds>(wake - now).count();
            pollfd p[2] = {{client, static_cast<short>(clientEof ? 0 : POLLIN), 0},
                           {server, static_cast<short>(serverEof ? 0 : POLLIN), 0}};
            if (::poll(p, 2, waitMs > 0 ? static_cast<int>(waitMs) + 1 : 0) <= 0) continue;
            char buffer[8192];
            const auto at = Clock::now();
            if (p[0].revents != 0) {
                const ssize_t n = ::recv(client, buffer, sizeof buffer, MSG_DONTWAIT);
                if (n > 0)
                    up.push_back({at + delay, std::string(buffer, static_cast<std::size_t>(n))});
                else if (n == 0 || (errno != EAGAIN && errno != EINTR))
                    clientEof = true;
            }
            if (p[1].revents != 0) {
                const ssize_t n = ::recv(server, buffer, sizeof buffer, MSG_DONTWAIT);
                if (n > 0)
                    held.append(buffer, static_cast<std::size_t>(n));
                else if (n == 0 || (errno != EAGAIN && errno != EINTR))
                    serverEof = true;
            }
        }
        ::close(server);
        ::close(client);
    }

    int upstream_;
    PathOptions options_;
    int listener_ = -1;
    int port_ = 0;
    std::atomic<bool> stopping_{false};
    std::thread acceptor_;
    std::mutex mutex_;
    std::vector<std::thread> workers_;
};

} // namespace nettest
