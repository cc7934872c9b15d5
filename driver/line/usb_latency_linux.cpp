#include "driver/line/usb_latency_linux.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace r70 {
namespace {

// Appends "; text" (or text, first) to a note, cut at its size.
void add(char* note, std::size_t size, const char* text) noexcept {
    if (text[0] == '\0') return;
    std::size_t used = std::strlen(note);
    for (const char* part : {used > 0 ? "; " : "", text})
        for (; *part != '\0' && used + 1 < size; ++part)
            note[used++] = *part;
    note[used] = '\0';
}

// Writes value into the sysfs file; "" on success, else why not. A sysfs
// attribute without write permission bits takes no write even from root.
const char* writeTimer(const char* path, int value) noexcept {
    struct stat st {};
    if (::stat(path, &st) == 0 && (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0)
        return "read-only";
    // O_TRUNC as a shell's "echo 1 >" opens it: sysfs takes it, a plain file needs it.
    const int fd = ::open(path, O_WRONLY | O_TRUNC | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return std::strerror(errno);
    char text[8];
    const int n = std::snprintf(text, sizeof text, "%d\n", value);
    const ssize_t w = ::write(fd, text, static_cast<std::size_t>(n));
    const int error = errno;
    ::close(fd);
    return w == n ? "" : std::strerror(w < 0 ? error : EIO);
}

} // namespace

DRVADAPTER UsbLatency::lower(int fd, const SerialPortInfo& port) noexcept {
    serialChanged_ = false;
    timerWas_ = -1;
    DRVADAPTER hold = peekHold(port);
    if (hold.nState == DRV_ADAPTER_NONE) return hold;
    const int before = hold.nLatencyMs;
    if (before >= 0 && before <= 1) return hold; // a udev rule (or a program before us) did it
    char asked[256] = "";
    char line[160];
    // The flag first: any user may set it, and ftdi_sio shows the timer it
    // gives in latency_timer.
    serial_struct found{};
    if (::ioctl(fd, TIOCGSERIAL, &found) != 0) {
        std::snprintf(line, sizeof line, "low latency not asked: TIOCGSERIAL refused (%s)",
                      std::strerror(errno));
        add(asked, sizeof asked, line);
    } else if ((found.flags & ASYNC_LOW_LATENCY) == 0) {
        serial_struct want = found;
        want.flags |= ASYNC_LOW_LATENCY;
        if (::ioctl(fd, TIOCSSERIAL, &want) == 0) {
            serial_ = found;
            serialChanged_ = true;
            add(asked, sizeof asked, "low latency set (TIOCSSERIAL)");
        } else {
            std::snprintf(line, sizeof line, "low latency refused: TIOCSSERIAL (%s)",
                          std::strerror(errno));
            add(asked, sizeof asked, line);
        }
    }
    DRVADAPTER now = peekHold(port);
    if (now.nState == DRV_ADAPTER_HOLDS && now.nLatencyMs > 1) {
        std::snprintf(timerPath_, sizeof timerPath_, "%s/latency_timer", port.adapterKey.c_str());
        const char* why = writeTimer(timerPath_, 1);
        if (why[0] == '\0') {
            timerWas_ = now.nLatencyMs;
            std::snprintf(line, sizeof line, "latency_timer %d -> 1", now.nLatencyMs);
            now = peekHold(port);
        } else {
            std::snprintf(line, sizeof line, "latency_timer %d: %s", now.nLatencyMs, why);
        }
        add(asked, sizeof asked, line);
    }
    add(asked, sizeof asked, now.szDetail);
    now.nBeforeMs = before;
    if (now.nState == DRV_ADAPTER_HOLDS && now.nLatencyMs > 1)
        now.nState = DRV_ADAPTER_STUCK;
    else if (now.nState == DRV_ADAPTER_HOLDS && before > 1)
        now.nState = DRV_ADAPTER_LOWERED;
    now.szDetail[0] = '\0';
    add(now.szDetail, sizeof now.szDetail, asked);
    return now;
}

void UsbLatency::giveBack(int fd, char* note, std::size_t size) noexcept {
    if (note == nullptr || size == 0) return;
    note[0] = '\0';
    char line[160];
    // The flag first: ftdi_sio then runs the chip at the timer's value,
    // which the file then puts back.
    if (serialChanged_) {
        if (::ioctl(fd, TIOCSSERIAL, &serial_) == 0)
            add(note, size, "low latency off");
        else {
            std::snprintf(line, sizeof line, "low latency left on: TIOCSSERIAL (%s)",
                          std::strerror(errno));
            add(note, size, line);
        }
        serialChanged_ = false;
    }
    if (timerWas_ >= 0) {
        const char* why = writeTimer(timerPath_, timerWas_);
        if (why[0] == '\0')
            std::snprintf(line, sizeof line, "latency_timer %d", timerWas_);
        else
            std::snprintf(line, sizeof line, "latency_timer left at 1 (%s)", why);
        add(note, size, line);
        timerWas_ = -1;
    }
}

} // namespace r70
