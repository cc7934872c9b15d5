// The local serial port on termios. Bytes are read one per read() with
// poll() measuring the gaps.
#include "driver/termios_transport.h"

#include "driver/catalogue.h"
#include "driver/r70com32.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <termios.h>
#include <unistd.h>

namespace r70 {
namespace {

// Bounded repetition of a refused DTR request (a pseudo-terminal has no DTR).
constexpr int kDtrAttempts = 3;

speed_t termiosSpeed(unsigned baud) noexcept {
    switch (baud) {
    case 19200:
        return B19200;
    case 57600:
        return B57600;
    default:
        return B115200;
    }
}

void groupOf(const char* path, char* out, std::size_t size) noexcept {
    copyText(out, size, "dialout");
    struct stat st {};
    if (stat(path, &st) != 0) return;
    group g{};
    group* result = nullptr;
    char buf[1024];
    if (getgrgid_r(st.st_gid, &g, buf, sizeof buf, &result) == 0 && result != nullptr)
        copyText(out, size, result->gr_name);
}

// Which process holds an flock on the open file, from /proc/locks; empty
// when it cannot be told.
void lockHolder(int fd, char* out, std::size_t size) noexcept {
    copyText(out, size, "");
    struct stat st {};
    if (fstat(fd, &st) != 0) return;
    FILE* f = std::fopen("/proc/locks", "re");
    if (f == nullptr) return;
    char line[256];
    int pid = -1;
    while (pid < 0 && std::fgets(line, sizeof line, f) != nullptr) {
        if (std::strstr(line, "->") != nullptr) continue; // a waiter, not the holder
        char kind[16] = {};
        int holder = 0;
        unsigned maj = 0, min = 0;
        unsigned long ino = 0;
        if (std::sscanf(line, "%*d: %15s %*s %*s %d %x:%x:%lu", kind, &holder, &maj, &min, &ino) !=
            5)
            continue;
        if (ino == st.st_ino && maj == major(st.st_dev) && min == minor(st.st_dev)) pid = holder;
    }
    std::fclose(f);
    if (pid <= 0) return;
    char commPath[64];
    std::snprintf(commPath, sizeof commPath, "/proc/%d/comm", pid);
    char comm[64] = {};
    if (FILE* c = std::fopen(commPath, "re")) {
        if (std::fgets(comm, sizeof comm, c) == nullptr) comm[0] = '\0';
        std::fclose(c);
    }
    comm[strcspn(comm, "\n")] = '\0';
    std::snprintf(out, size, " (process %d%s%s)", pid, comm[0] != '\0' ? " " : "", comm);
}

void makeRaw(termios& t) noexcept {
    cfmakeraw(&t); // no echo, no CR/LF translation, no signal characters
    t.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | CSTOPB);
    t.c_cflag |= CS8 | CLOCAL | CREAD; // CLOCAL: an unplugged device sends no hang-up
    t.c_cc[VMIN] = 0;                  // poll() does the waiting
    t.c_cc[VTIME] = 0;
}

} // namespace

bool TermiosTransport::open(const char* path, OpenError& error) noexcept {
    auto fail = [&](int code, const char* reason) {
        error.code = code;
        copyText(error.text, sizeof error.text, reason);
        return false;
    };
    int fd = ::open(path, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        const int e = errno;
        if (e == ENOENT || e == ENODEV || e == ENXIO || e == ENOTDIR)
            return fail(DRV_OPENERR_ABSENT, "no such device");
        if (e == EACCES || e == EPERM) {
            char grp[64];
            groupOf(path, grp, sizeof grp);
            char reason[256];
            formatInto(reason, sizeof reason,
                       "permission denied — add yourself to the group %s (sudo usermod -aG "
                       "%s $USER, then log in again)",
                       grp, grp);
            return fail(DRV_OPENERR_DENIED, reason);
        }
        if (e == EBUSY) return fail(DRV_OPENERR_BUSY, "busy — another program holds it");
        return fail(DRV_OPENERR_NOTSERIAL, std::strerror(e));
    }
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int e = errno;
        char holder[128];
        lockHolder(fd, holder, sizeof holder);
        ::close(fd);
        if (e == EWOULDBLOCK || e == EBUSY) {
            char reason[200];
            formatInto(reason, sizeof reason, "busy — another program holds it%s", holder);
            return fail(DRV_OPENERR_BUSY, reason);
        }
        return fail(DRV_OPENERR_NOTSERIAL, std::strerror(e));
    }
    termios t{};
    if (tcgetattr(fd, &t) != 0) {
        flock(fd, LOCK_UN);
        ::close(fd);
        return fail(DRV_OPENERR_NOTSERIAL, "not a serial line");
    }
    // Other programs (not root) are refused from now on; the flock above
    // covers the ones that honour locks.
    (void)ioctl(fd, TIOCEXCL);
    // The descriptor stays non-blocking: poll() does every wait, so that a
    // write to a far end that takes no bytes (flow control, a pulled cable, a
    // device switched off) gives up within its bound instead of sleeping in
    // the kernel.
    makeRaw(t);
    if (tcsetattr(fd, TCSANOW, &t) != 0) {
        (void)ioctl(fd, TIOCNXCL);
        flock(fd, LOCK_UN);
        ::close(fd);
        return fail(DRV_OPENERR_NOTSERIAL, "not a serial line (line settings refused)");
    }
    fd_ = fd;
    hungUp_ = false;
    return true;
}

SpeedResult TermiosTransport::setSpeed(const LineSpeed& speed) noexcept {
    termios t{};
    if (fd_ < 0 || tcgetattr(fd_, &t) != 0) return SpeedResult::Unreadable;
    makeRaw(t);
    cfsetispeed(&t, termiosSpeed(speed.baud));
    cfsetospeed(&t, termiosSpeed(speed.baud));
    // TCSANOW: a reply already on its way must not be flushed.
    return tcsetattr(fd_, TCSANOW, &t) == 0 ? SpeedResult::Set : SpeedResult::Refused;
}

void TermiosTransport::discardInput() noexcept {
    if (fd_ >= 0) (void)tcflush(fd_, TCIFLUSH);
}

bool TermiosTransport::write(const void* data, std::size_t count) noexcept {
    if (fd_ < 0) return false;
    const auto* p = static_cast<const unsigned char*>(data);
    std::size_t done = 0;
    // The line's write time-outs: 20 ms plus 10 ms per byte, for the whole call.
    const long long deadline =
        monotonicMs() + kWriteConstantMs + kWritePerByteMs * static_cast<long long>(count);
    while (done < count) {
        ssize_t n = ::write(fd_, p + done, count - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno != EAGAIN) {
            hungUp_ = errno == EIO || errno == ENXIO || errno == ENODEV;
            break;
        }
        const long long left = deadline - monotonicMs();
        if (left <= 0) break;
        pollfd pfd{fd_, POLLOUT, 0};
        (void)poll(&pfd, 1, static_cast<int>(left));
    }
    return done == count;
}

bool TermiosTransport::readByte(int timeoutMs, char* byte) noexcept {
    const long long deadline = monotonicMs() + timeoutMs;
    for (;;) {
        const long long left = deadline - monotonicMs();
        pollfd pfd{fd_, POLLIN, 0};
        const int r = poll(&pfd, 1, left > 0 ? static_cast<int>(left) : 0);
        if (r < 0 && errno == EINTR) continue;
        if (r > 0 && (pfd.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0 &&
            (pfd.revents & POLLIN) == 0)
            hungUp_ = true;
        if (r <= 0 || (pfd.revents & POLLIN) == 0) return false;
        const ssize_t n = ::read(fd_, byte, 1);
        if (n == 1) return true;
        if (n < 0 && errno == EIO) hungUp_ = true;
        if (n < 0 && (errno == EINTR || errno == EAGAIN) && monotonicMs() < deadline) continue;
        return false;
    }
}

void TermiosTransport::dtr(bool on) noexcept {
    if (fd_ < 0) return;
    int bits = TIOCM_DTR;
    for (int attempt = 0; attempt < kDtrAttempts; ++attempt) {
        if (ioctl(fd_, on ? TIOCMBIS : TIOCMBIC, &bits) == 0) break;
        if (errno == ENOTTY || errno == EINVAL) break; // this line has no DTR
    }
}

void TermiosTransport::close() noexcept {
    if (fd_ < 0) return;
    (void)tcflush(fd_, TCIOFLUSH);
    // Without TIOCNXCL a reopen fails with EBUSY while the other side
    // still holds the line.
    (void)ioctl(fd_, TIOCNXCL);
    (void)flock(fd_, LOCK_UN);
    ::close(fd_);
    fd_ = -1;
}

} // namespace r70
