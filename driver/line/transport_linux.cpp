// The local serial port on termios. Bytes are read one per read() with
// poll() measuring the gaps.
#include "driver/line/transport_linux.h"

#include "driver/api/r70com32.h"
#include "driver/ports/port_discovery.h"
#include "driver/ports/port_holders_linux.h"
#include "driver/protocol/catalogue.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <new>
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

void makeRaw(termios& t) noexcept {
    cfmakeraw(&t); // no echo, no CR/LF translation, no signal characters
    t.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | CSTOPB);
    t.c_cflag |= CS8 | CLOCAL | CREAD; // CLOCAL: an unplugged device sends no hang-up
    t.c_cc[VMIN] = 0;                  // poll() does the waiting
    t.c_cc[VTIME] = 0;
}

} // namespace

void TermiosTransport::setTtyName(const std::string& name) noexcept {
    copyText(ttyName_, name);
}

bool TermiosTransport::open(const char* path, OpenError& error) noexcept {
    try {
        return openChecked(path, error);
    } catch (const std::bad_alloc&) {
        error.code = DRV_OPENERR_NOTSERIAL;
        copyText(error.text, "out of memory");
        return false;
    }
}

bool TermiosTransport::openChecked(const char* path, OpenError& error) {
    auto fail = [&](int code, int why) {
        error.code = code;
        error.why = why;
        return false;
    };
    auto failWith = [&](int code, int why, const Holder& holder) {
        error.pid = holder.pid;
        copyText(error.name, holder.name);
        return fail(code, why);
    };
    const MachineRoots roots = machineRoots();
    struct stat node {};
    if (::stat(path, &node) != 0) {
        if (errno == ENOENT || errno == ENOTDIR) return fail(DRV_OPENERR_ABSENT, DRV_WHY_NODEVICE);
        copyText(error.text, std::strerror(errno));
        return fail(DRV_OPENERR_NOTSERIAL, DRV_WHY_NONE);
    }
    std::string lockFile;
    if (S_ISCHR(node.st_mode)) {
        // Before the open, which raises DTR and RTS: what belongs to the
        // system or to a login is not touched at all.
        if (isConsole(roots.sys, node.st_rdev)) return fail(DRV_OPENERR_LEFTALONE, DRV_WHY_CONSOLE);
        if (const Holder login = loginHolder(node.st_rdev); login.pid > 0)
            return failWith(DRV_OPENERR_LEFTALONE, DRV_WHY_LOGIN, login);
        lockFile = lockFilePath(roots.lock, ttyName_[0] != '\0' ? ttyName_ : ttyNameOf(path));
        if (const Holder locker = lockFileHolder(lockFile); locker.pid > 0) {
            copyText(error.detail, lockFile);
            return failWith(DRV_OPENERR_BUSY, DRV_WHY_LOCKFILE, locker);
        }
    }
    int fd = ::open(path, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        const int e = errno;
        if (e == ENOENT || e == ENODEV || e == ENXIO || e == ENOTDIR)
            return fail(DRV_OPENERR_ABSENT, DRV_WHY_NODEVICE);
        if (e == EACCES || e == EPERM) {
            const Denial denial = explainDenial(path);
            copyText(error.name, denial.group);
            copyText(error.owner, denial.owner);
            error.number = static_cast<int32_t>(denial.mode);
            return fail(DRV_OPENERR_DENIED, denial.why);
        }
        // Another program set TIOCEXCL: who, only now that it matters.
        if (e == EBUSY) return failWith(DRV_OPENERR_BUSY, DRV_WHY_HOLDER, openHolder(node.st_rdev));
        copyText(error.text, std::strerror(e));
        return fail(DRV_OPENERR_NOTSERIAL, DRV_WHY_NONE);
    }
    auto refuse = [&](int code, int why, const Holder& holder = {}) {
        ::close(fd);
        return failWith(code, why, holder);
    };
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int e = errno;
        if (e != EWOULDBLOCK && e != EBUSY) {
            copyText(error.text, std::strerror(e));
            return refuse(DRV_OPENERR_NOTSERIAL, DRV_WHY_NONE);
        }
        struct stat st {};
        Holder holder;
        if (fstat(fd, &st) == 0) holder = flockHolder(st.st_dev, st.st_ino);
        if (holder.pid <= 0) holder = openHolder(node.st_rdev);
        return refuse(DRV_OPENERR_BUSY, DRV_WHY_HOLDER, holder);
    }
    // A line another program drives through its own line discipline (a
    // Bluetooth HCI UART, PPP, a GSM mux) is no place for AT commands. Asked
    // first: such a discipline may not even answer tcgetattr.
    int discipline = N_TTY;
    if (ioctl(fd, TIOCGETD, &discipline) == 0 && discipline != N_TTY) {
        error.number = discipline;
        return refuse(DRV_OPENERR_LEFTALONE, DRV_WHY_DISCIPLINE);
    }
    termios t{};
    if (tcgetattr(fd, &t) != 0) return refuse(DRV_OPENERR_NOTSERIAL, DRV_WHY_NOTTTY);
    // Root passes TIOCEXCL; it is respected all the same while its holder
    // is still there (a flag left behind by a program that is gone is not).
    int exclusive = 0;
    if (ioctl(fd, TIOCGEXCL, &exclusive) == 0 && exclusive != 0) {
        if (const Holder holder = openHolder(node.st_rdev); holder.pid > 0)
            return refuse(DRV_OPENERR_BUSY, DRV_WHY_HOLDER, holder);
    }
    original_ = t;
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
        return refuse(DRV_OPENERR_NOTSERIAL, DRV_WHY_SETTINGS);
    }
    // Other serial programs look for it; one that cannot be written (no
    // permission in the lock folder) is no reason to stop.
    lockFile_[0] = '\0';
    if (!lockFile.empty() && writeLockFile(lockFile)) copyText(lockFile_, lockFile);
    fd_ = fd;
    hungUp_ = false;
    givenBack_[0] = '\0';
    return true;
}

DRVADAPTER TermiosTransport::holdLess(const SerialPortInfo* port) noexcept {
    if (fd_ < 0 || port == nullptr) return noAdapter();
    return latency_.lower(fd_, *port);
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
    // The port's own settings back: a terminal program or a getty that had
    // it (without locks) finds it as it was.
    (void)tcsetattr(fd_, TCSANOW, &original_);
    // And what the adapter held: its latency is the port's, not ours.
    latency_.giveBack(fd_, givenBack_, sizeof givenBack_);
    // Without TIOCNXCL a reopen fails with EBUSY while the other side
    // still holds the line.
    (void)ioctl(fd_, TIOCNXCL);
    (void)flock(fd_, LOCK_UN);
    ::close(fd_);
    fd_ = -1;
    removeLockFile(lockFile_);
    lockFile_[0] = '\0';
}

} // namespace r70
