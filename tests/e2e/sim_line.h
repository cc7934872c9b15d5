// The program's side of a simulated device's pseudo-terminal, for tests:
// raw line at a chosen speed, write a command, read a reply until a gap.
#pragma once

#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <poll.h>
#include <string>
#include <termios.h>
#include <unistd.h>

namespace simtest {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

inline speed_t speedCode(unsigned baud) {
    switch (baud) {
    case 19200:
        return B19200;
    case 57600:
        return B57600;
    default:
        return B115200;
    }
}

class Line {
public:
    explicit Line(const std::string& path, unsigned baud = 115200) {
        fd_ = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (fd_ >= 0) setSpeed(baud);
    }
    ~Line() {
        if (fd_ >= 0) ::close(fd_);
    }
    Line(const Line&) = delete;
    Line& operator=(const Line&) = delete;

    bool ok() const { return fd_ >= 0; }
    int fd() const { return fd_; }

    void setSpeed(unsigned baud) {
        termios t{};
        ::tcgetattr(fd_, &t);
        ::cfmakeraw(&t);
        ::cfsetispeed(&t, speedCode(baud));
        ::cfsetospeed(&t, speedCode(baud));
        ::tcsetattr(fd_, TCSANOW, &t);
    }

    bool write(const void* data, std::size_t n) {
        auto p = static_cast<const char*>(data);
        while (n > 0) {
            ssize_t w = ::write(fd_, p, n);
            if (w < 0 && errno == EINTR) continue;
            if (w <= 0) return false;
            p += w;
            n -= static_cast<std::size_t>(w);
        }
        return true;
    }
    bool send(const std::string& command) {
        return write((command + "\r").data(), command.size() + 1);
    }

    // One byte, waiting at most `wait`; nullopt on silence or a dead line.
    std::optional<char> readByte(std::chrono::milliseconds wait) {
        pollfd p{fd_, POLLIN, 0};
        if (::poll(&p, 1, static_cast<int>(wait.count())) <= 0) return std::nullopt;
        char c;
        if (::read(fd_, &c, 1) != 1) return std::nullopt;
        return c;
    }

    // A reply: the first byte within `budget`, then bytes until a `gap` of silence.
    std::string reply(std::chrono::milliseconds budget = 3000ms,
                      std::chrono::milliseconds gap = 200ms) {
        std::string out;
        auto first = readByte(budget);
        if (!first) return out;
        out += *first;
        while (auto c = readByte(gap))
            out += *c;
        return out;
    }

    // Reads until the text holds `needle` or the deadline passes.
    std::string readUntil(const std::string& needle, std::chrono::milliseconds deadline) {
        std::string out;
        auto end = Clock::now() + deadline;
        while (out.find(needle) == std::string::npos && Clock::now() < end) {
            auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now());
            if (auto c = readByte(std::max(left, 1ms))) out += *c;
        }
        return out;
    }

    std::string ask(const std::string& command) {
        send(command);
        return reply();
    }

private:
    int fd_ = -1;
};

} // namespace simtest
