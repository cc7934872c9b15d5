#include "support/pty_device.h"

#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace testsupport {

DeviceReply okReply(const std::string& value) {
    return {"\r\n" + value + "\r\n\r\nOK\r\n"};
}

DeviceReply silence() {
    DeviceReply r;
    r.silent = true;
    return r;
}

PtyDevice::PtyDevice(Script script) : script_(std::move(script)) {
    master_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0) std::abort();
    path_ = ptsname(master_);
    slave_ = ::open(path_.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (slave_ < 0 || pipe(stopPipe_) != 0) std::abort();
    termios t{};
    tcgetattr(slave_, &t);
    cfmakeraw(&t); // no echo before the driver sets the line up
    tcsetattr(slave_, TCSANOW, &t);
    thread_ = std::thread([this] { run(); });
}

PtyDevice::~PtyDevice() {
    char stop = 'x';
    (void)!write(stopPipe_[1], &stop, 1);
    thread_.join();
    ::close(stopPipe_[0]);
    ::close(stopPipe_[1]);
    ::close(slave_);
    ::close(master_);
}

void PtyDevice::setScript(Script script) {
    std::lock_guard<std::mutex> lock(mutex_);
    script_ = std::move(script);
}

std::vector<std::string> PtyDevice::commands() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return commands_;
}

std::string PtyDevice::bytesReceived() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return received_;
}

int PtyDevice::pendingInput() const {
    int n = 0;
    return ioctl(slave_, FIONREAD, &n) == 0 ? n : -1;
}

speed_t PtyDevice::speed() const {
    termios t{};
    tcgetattr(slave_, &t);
    return cfgetospeed(&t);
}

void PtyDevice::send(const std::string& bytes) {
    (void)!write(master_, bytes.data(), bytes.size());
}

bool PtyDevice::waitGap(int ms) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    bool quiet = true;
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                              deadline - std::chrono::steady_clock::now())
                              .count();
        if (left <= 0) return quiet;
        pollfd pfd{master_, POLLIN, 0};
        if (poll(&pfd, 1, static_cast<int>(left)) > 0 && (pfd.revents & POLLIN) != 0) {
            char buf[256];
            const ssize_t n = read(master_, buf, sizeof buf);
            if (n > 0) {
                std::lock_guard<std::mutex> lock(mutex_);
                received_.append(buf, static_cast<std::size_t>(n));
                pending_.append(buf, static_cast<std::size_t>(n));
                quiet = false;
            }
        }
    }
}

void PtyDevice::answer(const std::string& command) {
    Script script;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        commands_.push_back(command);
        script = script_;
    }
    const DeviceReply reply = script ? script(command) : silence();
    if (reply.silent) return;
    if (reply.delayMs > 0 && !waitGap(reply.delayMs)) interleaved_ = true;
    if (reply.pauseMs > 0 && reply.pauseAt < reply.text.size()) {
        send(reply.text.substr(0, reply.pauseAt));
        (void)waitGap(reply.pauseMs);
        send(reply.text.substr(reply.pauseAt));
    } else {
        send(reply.text);
    }
    ++replies_;
}

void PtyDevice::run() {
    for (;;) {
        pollfd fds[2] = {{master_, POLLIN, 0}, {stopPipe_[0], POLLIN, 0}};
        if (!reading_) {
            // Only the stop is heard; a change of reading_ is seen within 20 ms.
            if (poll(&fds[1], 1, 20) > 0) return;
            continue;
        }
        if (poll(fds, 2, 20) < 0) continue;
        if ((fds[1].revents & POLLIN) != 0) return;
        if ((fds[0].revents & POLLIN) == 0) continue;
        char buf[4096];
        const ssize_t n = read(master_, buf, sizeof buf);
        if (n > 0) {
            std::lock_guard<std::mutex> lock(mutex_);
            received_.append(buf, static_cast<std::size_t>(n));
            pending_.append(buf, static_cast<std::size_t>(n));
        }
        for (;;) {
            std::string command;
            {
                std::lock_guard<std::mutex> lock(mutex_);
                const std::size_t cr = pending_.find('\r');
                if (cr == std::string::npos) break;
                command = pending_.substr(0, cr);
                pending_.erase(0, cr + 1);
                // A whole command came, and already more behind it: the driver
                // did not wait for the answer.
                if (!pending_.empty()) interleaved_ = true;
            }
            answer(command);
        }
    }
}

PtyDevice::Script modelScript(const std::string& ati4, const std::string& firmware,
                              const std::string& bootCode) {
    return [=](const std::string& command) -> DeviceReply {
        if (command == "ATI4") return okReply(ati4);
        if (command == "ATI3")
            return {"\r\n" + firmware + "\r\nBOOT CODE:" + bootCode + "\r\n\r\nOK\r\n"};
        return {"\r\nOK\r\n"};
    };
}

} // namespace testsupport
