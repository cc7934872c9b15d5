// The serial line on termios. Replies have no length and no terminator the
// driver relies on: a reply ends when the line falls silent, so bytes are read
// one per read() with poll() measuring the gaps.
#include "driver/serial_line.h"

#include "driver/r70com32.h"

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

namespace r70 {
namespace {

constexpr const char* kDefaultPaths[kPortCount] = {
    "/dev/ttyS0",   "/dev/ttyS1",   "/dev/ttyUSB0", "/dev/ttyUSB1",
    "/dev/ttyACM0", "/dev/ttyACM1", "/dev/ttyS2",   "/dev/ttyS3",
};

struct Speed {
    int code;
    speed_t speed;
    int interByteMs;
    const char* name;
};
constexpr Speed kSpeeds[] = {
    {DRV_SPEED_115200, B115200, 10, "115200"},
    {DRV_SPEED_57600, B57600, 20, "57600"},
    {DRV_SPEED_19200, B19200, 30, "19200"},
};

// A reply longer than this is not a reply but a line that never falls silent.
constexpr std::size_t kMaxReplyBytes = 65536;
// Bounded repetition of a refused DTR request (a pseudo-terminal has no DTR).
constexpr int kDtrAttempts = 3;

void copyText(char* dst, std::size_t size, std::string_view src) noexcept {
    if (dst == nullptr || size == 0) return;
    std::size_t n = src.size() < size - 1 ? src.size() : size - 1;
    if (n > 0) std::memcpy(dst, src.data(), n);
    dst[n] = '\0';
}

long long nowMs() noexcept {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<long long>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

// Looks COM<index+1> up in R70COM_PORTS ("COM3=/dev/ttyUSB0;COM1="). Returns
// true when listed (path may then be empty).
bool listedPath(int index, std::string_view& path) noexcept {
    const char* env = std::getenv("R70COM_PORTS");
    if (env == nullptr) return false;
    bool found = false;
    std::string_view rest(env);
    while (!rest.empty()) {
        std::size_t end = rest.find(';');
        std::string_view entry = rest.substr(0, end);
        rest = end == std::string_view::npos ? std::string_view{} : rest.substr(end + 1);
        while (!entry.empty() && entry.front() == ' ')
            entry.remove_prefix(1);
        std::size_t eq = entry.find('=');
        if (eq == std::string_view::npos) continue;
        std::string_view name = entry.substr(0, eq);
        while (!name.empty() && name.back() == ' ')
            name.remove_suffix(1);
        if (name.size() != 4 || (name[0] | 0x20) != 'c' || (name[1] | 0x20) != 'o' ||
            (name[2] | 0x20) != 'm' || name[3] != static_cast<char>('1' + index))
            continue;
        path = entry.substr(eq + 1);
        found = true; // a later entry wins
    }
    return found;
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

void formatInto(char* out, std::size_t size, const char* format, ...) noexcept {
    if (out == nullptr || size == 0) return;
    va_list args;
    va_start(args, format);
    std::vsnprintf(out, size, format, args);
    va_end(args);
}

bool portPath(int index, char* path, std::size_t size) noexcept {
    if (index < 0 || index >= kPortCount) {
        copyText(path, size, "");
        return false;
    }
    std::string_view listed;
    std::string_view chosen = listedPath(index, listed) ? listed : kDefaultPaths[index];
    copyText(path, size, chosen);
    return !chosen.empty();
}

std::size_t escapeBytes(std::string_view bytes, char* out, std::size_t size) noexcept {
    if (out == nullptr || size == 0) return 0;
    std::size_t n = 0;
    auto put = [&](std::string_view s) {
        if (n + s.size() >= size) return false;
        std::memcpy(out + n, s.data(), s.size());
        n += s.size();
        return true;
    };
    for (char c : bytes) {
        const auto u = static_cast<unsigned char>(c);
        char hex[8];
        std::string_view piece;
        if (c == '\r') {
            piece = "<CR>";
        } else if (c == '\n') {
            piece = "<LF>";
        } else if (u < 0x20 || u >= 0x7f) {
            std::snprintf(hex, sizeof hex, "\\x%02X", u);
            piece = hex;
        } else {
            piece = std::string_view(&c, 1);
        }
        if (!put(piece)) break;
    }
    out[n] = '\0';
    return n;
}

bool SerialLine::open(int index, OpenError& error) noexcept {
    close();
    error = OpenError{};
    index_ = index;
    if (traceFd_ >= 0) ::close(traceFd_);
    traceFd_ = -1;
    if (const char* trace = std::getenv("R70COM_TRACE"); trace != nullptr && trace[0] != '\0')
        traceFd_ = ::open(trace, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);

    char path[256];
    const int com = index + 1;
    if (!portPath(index, path, sizeof path)) {
        error.code = DRV_OPENERR_ABSENT;
        formatInto(error.text, sizeof error.text,
                   "COM%d: no such port (R70COM_PORTS gives it no device path)", com);
        traceEvent(error.text);
        return false;
    }
    auto fail = [&](int code, const char* reason) {
        error.code = code;
        formatInto(error.text, sizeof error.text, "COM%d (%s): %s", com, path, reason);
        traceEvent(error.text);
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
            char reason[200];
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
    const int flags = fcntl(fd, F_GETFL);
    if (flags >= 0) (void)fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    makeRaw(t);
    if (tcsetattr(fd, TCSANOW, &t) != 0) {
        (void)ioctl(fd, TIOCNXCL);
        flock(fd, LOCK_UN);
        ::close(fd);
        return fail(DRV_OPENERR_NOTSERIAL, "not a serial line (line settings refused)");
    }
    fd_ = fd;
    writeFailed_ = false;
    hungUp_ = false; // only a new handle ends a hang-up: a failed reopen keeps trying
    sentPending_ = false;
    char event[300];
    formatInto(event, sizeof event, "open %s", path);
    traceEvent(event);
    return true;
}

bool SerialLine::setSpeed(int code) noexcept {
    const Speed* speed = nullptr;
    for (const Speed& s : kSpeeds)
        if (s.code == code) speed = &s;
    if (speed == nullptr) return false;
    termios t{};
    if (fd_ < 0 || tcgetattr(fd_, &t) != 0) {
        close();
        return false;
    }
    makeRaw(t);
    cfsetispeed(&t, speed->speed);
    cfsetospeed(&t, speed->speed);
    // TCSANOW: a reply already on its way must not be flushed.
    if (tcsetattr(fd_, TCSANOW, &t) != 0) return false;
    interByteMs_ = speed->interByteMs;
    char event[32];
    std::snprintf(event, sizeof event, "speed %s", speed->name);
    traceEvent(event);
    return true;
}

void SerialLine::setBudget(int ms) noexcept {
    budgetMs_ = ms;
    budgetPending_ = true;
}

int SerialLine::waitFirstMs() noexcept {
    // Only the first read after a budget was set waits the budget.
    if (budgetPending_) {
        budgetPending_ = false;
        return budgetMs_;
    }
    return interByteMs_;
}

void SerialLine::discardInput() noexcept {
    if (fd_ >= 0) (void)tcflush(fd_, TCIFLUSH);
}

bool SerialLine::writeAll(const void* data, std::size_t count) noexcept {
    flushPendingTrace();
    // Input that is waiting now belongs to an earlier command (a reply that
    // came too late): it must not answer this one.
    discardInput();
    if (fd_ < 0) {
        writeFailed_ = true;
        return false;
    }
    const auto* p = static_cast<const unsigned char*>(data);
    std::size_t done = 0;
    // Same bound as the write time-outs: 20 ms plus 10 ms per byte.
    const long long deadline = nowMs() + 20 + 10 * static_cast<long long>(count);
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
        const long long left = deadline - nowMs();
        if (left <= 0) break;
        pollfd pfd{fd_, POLLOUT, 0};
        (void)poll(&pfd, 1, static_cast<int>(left));
    }
    writeFailed_ = done < count;
    return !writeFailed_;
}

bool SerialLine::writeBytes(const void* data, std::size_t count) noexcept {
    const bool ok = writeAll(data, count);
    if (traceFd_ >= 0) {
        if (rawBlocks_ == 0) rawStartMs_ = nowMs();
        ++rawBlocks_;
        rawBytes_ += count;
        if (!ok) ++rawFailed_;
    }
    return ok;
}

void SerialLine::flushRawTrace() noexcept {
    if (rawBlocks_ == 0) return;
    char failed[40] = "";
    if (rawFailed_ > 0) std::snprintf(failed, sizeof failed, " (%zu failed)", rawFailed_);
    const long long ms = nowMs() - rawStartMs_;
    char line[128];
    std::snprintf(line, sizeof line, "write %zu block%s, %zu bytes in %lld.%03lld s%s", rawBlocks_,
                  rawBlocks_ == 1 ? "" : "s", rawBytes_, ms / 1000, ms % 1000, failed);
    rawBlocks_ = rawBytes_ = rawFailed_ = 0;
    writeTraceLine(line);
}

bool SerialLine::writeText(std::string_view text) noexcept {
    const bool ok = writeAll(text.data(), text.size());
    copyText(sent_, sizeof sent_, text);
    sentLength_ = text.size() < sizeof sent_ - 1 ? text.size() : sizeof sent_ - 1;
    sentPending_ = true;
    return ok;
}

bool SerialLine::readByte(int timeoutMs, char* byte) noexcept {
    const long long deadline = nowMs() + timeoutMs;
    for (;;) {
        const long long left = deadline - nowMs();
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
        if (n < 0 && (errno == EINTR || errno == EAGAIN) && nowMs() < deadline) continue;
        return false;
    }
}

int SerialLine::readReply(char* buffer, std::size_t capacity, std::size_t* length) noexcept {
    if (length != nullptr) *length = 0;
    if (buffer == nullptr || capacity == 0) return -2;
    buffer[0] = '\0';
    const int firstMs = waitFirstMs();
    if (fd_ < 0 || writeFailed_) {
        // Nothing was sent, so nothing can answer.
        writeFailed_ = false;
        traceExchange({}, -2);
        return -2;
    }
    char byte = 0;
    if (!readByte(firstMs + 10, &byte)) {
        traceExchange({}, -2);
        return -2;
    }
    std::size_t stored = 0, total = 0;
    do {
        if (stored + 1 < capacity) buffer[stored++] = byte; // the rest is read and dropped
        ++total;
    } while (total < kMaxReplyBytes && readByte(interByteMs_ + 10, &byte));
    buffer[stored] = '\0';
    if (length != nullptr) *length = stored;
    traceExchange(std::string_view(buffer, stored), 0);
    return 0;
}

void SerialLine::dtr(bool on) noexcept {
    if (fd_ < 0) return;
    int bits = TIOCM_DTR;
    for (int attempt = 0; attempt < kDtrAttempts; ++attempt) {
        if (ioctl(fd_, on ? TIOCMBIS : TIOCMBIC, &bits) == 0) break;
        if (errno == ENOTTY || errno == EINVAL) break; // this line has no DTR
    }
    traceEvent(on ? "dtr on" : "dtr off");
}

void SerialLine::close() noexcept {
    if (fd_ >= 0) {
        flushPendingTrace();
        (void)tcflush(fd_, TCIOFLUSH);
        // Without TIOCNXCL a reopen fails with EBUSY while the other side
        // still holds the line.
        (void)ioctl(fd_, TIOCNXCL);
        (void)flock(fd_, LOCK_UN);
        ::close(fd_);
        fd_ = -1;
        traceEvent("close");
    }
    writeFailed_ = false;
    sentPending_ = false;
}

void SerialLine::traceEvent(std::string_view what) noexcept {
    if (traceFd_ < 0) return;
    flushRawTrace();
    writeTraceLine(what);
}

void SerialLine::writeTraceLine(std::string_view what) noexcept {
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    tm local{};
    localtime_r(&ts.tv_sec, &local);
    char stamp[40];
    std::size_t n = std::strftime(stamp, sizeof stamp, "%Y-%m-%dT%H:%M:%S", &local);
    std::snprintf(stamp + n, sizeof stamp - n, ".%03ld", ts.tv_nsec / 1000000);
    char line[8192];
    int len = std::snprintf(line, sizeof line, "%s COM%d %.*s\n", stamp, index_ + 1,
                            static_cast<int>(what.size()), what.data());
    if (len <= 0) return;
    std::size_t size = static_cast<std::size_t>(len) < sizeof line ? static_cast<std::size_t>(len)
                                                                   : sizeof line - 1;
    if (size > 0 && line[size - 1] != '\n') line[size - 1] = '\n';
    ssize_t w = ::write(traceFd_, line, size); // one write: lines stay whole
    (void)w;
}

void SerialLine::traceExchange(std::string_view reply, int result) noexcept {
    if (traceFd_ < 0) {
        sentPending_ = false;
        return;
    }
    char sent[300];
    char got[4200];
    if (sentPending_)
        escapeBytes(std::string_view(sent_, sentLength_), sent, sizeof sent);
    else
        copyText(sent, sizeof sent, "");
    escapeBytes(reply, got, sizeof got);
    char line[4600];
    std::snprintf(line, sizeof line, "%s%s%s <-- '%s' = %d", sentPending_ ? "--> '" : "--> (none)",
                  sent, sentPending_ ? "'" : "", got, result);
    sentPending_ = false;
    traceEvent(line);
}

void SerialLine::flushPendingTrace() noexcept {
    if (!sentPending_) return;
    sentPending_ = false;
    if (traceFd_ < 0) return;
    char sent[300];
    escapeBytes(std::string_view(sent_, sentLength_), sent, sizeof sent);
    char line[400];
    std::snprintf(line, sizeof line, "--> '%s' (no read)", sent);
    traceEvent(line);
}

} // namespace r70
